#include "platform/Interrupt.h"

#include <windows.h>

namespace {

volatile LONG requested = 0;
HANDLE handled = nullptr;

// Closing the console ends the process as soon as this returns, so it waits a
// while for the run to finish cleanly; the system allows about five seconds.
constexpr DWORD CloseWaitMilliseconds = 4500;

BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (InterlockedExchange(&requested, 1) != 0 && (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT))
        return FALSE; // a second request: the default handler ends the process
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        if (handled != nullptr)
            WaitForSingleObject(handled, CloseWaitMilliseconds);
    }
    return TRUE;
}

} // namespace

void watchForInterruption()
{
    if (handled == nullptr)
        handled = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool interruptionRequested() { return InterlockedCompareExchange(&requested, 0, 0) != 0; }

void interruptionHandled()
{
    if (handled != nullptr)
        SetEvent(handled);
}
