#include "platform/Interrupt.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t requested = 0;

extern "C" void onRequest(int) { requested = 1; }

} // namespace

void watchForInterruption()
{
    struct sigaction action = {};
    action.sa_handler = onRequest;
    // The handler is reset on delivery, so a second request ends the process;
    // system calls resume after the first.
    action.sa_flags = static_cast<int>(SA_RESETHAND | SA_RESTART);
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

bool interruptionRequested() { return requested != 0; }

void interruptionHandled() {}
