#include "cli/CommandSupport.h"

#include "cli/OutcomeText.h"
#include "model/Model.h"
#include "platform/Interrupt.h"

std::string loadFailureText(const Model& model) { return loadFailureText(model.fault, model.systemError); }

int interruptedAfter(size_t done, size_t total)
{
    std::fprintf(stderr, "scour: interrupted after %s of %zu\n", countText(uint32_t(done), Noun::File).c_str(), total);
    interruptionHandled();
    return InterruptedExitStatus;
}
