#include "platform/FileFaults.h"

#include <cstddef>

namespace {

constexpr size_t StepCount = static_cast<size_t>(FileStep::Count);

// Calls of each step left until the armed one, which fails; 0 when not armed.
uint32_t callsUntilFault[StepCount] = {};
// How many steps are armed, so the common case costs one test.
uint32_t armedSteps = 0;

} // namespace

void injectFileFault(FileStep step, uint32_t occurrence)
{
    size_t index = static_cast<size_t>(step);
    if (index >= StepCount)
        return;
    if (callsUntilFault[index] != 0)
        --armedSteps;
    callsUntilFault[index] = occurrence;
    if (occurrence != 0)
        ++armedSteps;
}

void clearFileFaults()
{
    for (size_t index = 0; index < StepCount; ++index)
        callsUntilFault[index] = 0;
    armedSteps = 0;
}

bool fileFaultHit(FileStep step)
{
    if (armedSteps == 0)
        return false;
    size_t index = static_cast<size_t>(step);
    if (index >= StepCount || callsUntilFault[index] == 0)
        return false;
    --callsUntilFault[index];
    if (callsUntilFault[index] != 0)
        return false;
    --armedSteps;
    return true;
}
