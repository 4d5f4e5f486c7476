// scour: cleans TA 3DO model files from the command line.
#include "cli/Commands.h"
#include "platform/Interrupt.h"

int main(int argc, char** argv)
{
    // First of all, so that a request to end never finds the program half set up.
    watchForInterruption();
    return runScour(argc - 1, argv + 1);
}
