#include "support/Faults.h"

#include <cstddef>
#include <new>

namespace {

constexpr size_t StepCount = static_cast<size_t>(FileStep::Count);

// Calls of each step left until the armed one, which fails; 0 when not armed.
uint32_t callsUntilFault[StepCount] = {};
FileError faultErrors[StepCount] = {};
uint32_t allocationsUntilFailure = 0;

FileError strike(FileStep step)
{
    size_t index = static_cast<size_t>(step);
    if (index >= StepCount || callsUntilFault[index] == 0 || --callsUntilFault[index] != 0)
        return FileError::None;
    return faultErrors[index];
}

} // namespace

void injectFileFault(FileStep step, uint32_t occurrence, FileError error)
{
    size_t index = static_cast<size_t>(step);
    callsUntilFault[index] = occurrence;
    faultErrors[index] = error;
    setFileFaultHook(strike);
}

void clearFileFaults()
{
    for (uint32_t& calls : callsUntilFault)
        calls = 0;
    setFileFaultHook(nullptr);
}

bool failAllocation(uint32_t occurrence)
{
    bool waiting = allocationsUntilFailure != 0;
    allocationsUntilFailure = occurrence;
    return waiting;
}

// Replaced for the whole test program; the memory still comes from the ordinary new[].
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (allocationsUntilFailure != 0 && --allocationsUntilFailure == 0)
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}
