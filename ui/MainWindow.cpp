// The procedures of the main window and its message hook: each decodes its
// message and hands it to the application.
#include <windows.h>

#include <commctrl.h>

#include <new>

#include "ui/Application.h"
#include "ui/ScourRun.h"

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (theApplication == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    Application& application = *theApplication;
    switch (message) {
    case WM_CREATE:
        application.createButtons(window);
        application.createProgressLine(window);
        return 0;
    case WM_CLOSE:
        application.onClose();
        return 0;
    case WM_ENDSESSION:
        application.onEndSession(wParam != FALSE);
        return 0;
    case RunProgressMessage:
        application.onRunProgress(static_cast<uint32_t>(wParam));
        return 0;
    case RunEndedMessage:
        application.onRunEnded();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SETFOCUS:
        application.onSetFocus();
        return 0;
    case WM_PAINT:
        application.onPaint(window);
        return 0;
    case WM_DRAWITEM:
        application.onDrawItem(window, static_cast<UINT>(wParam), reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return 0;
    case WM_COMMAND:
        application.onCommand(reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam));
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

namespace {

// The mouse messages the tooltip control needs to see; double clicks are not among them.
bool isRelayedMouseMessage(UINT message)
{
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return true;
    default:
        return false;
    }
}

} // namespace

LRESULT CALLBACK tooltipRelayHook(int code, WPARAM wParam, LPARAM lParam)
{
    Application* application = theApplication;
    if (application == nullptr)
        return CallNextHookEx(nullptr, code, wParam, lParam);
    // A negative code must go straight on to the next hook.
    const MSG* retrieved = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && retrieved != nullptr && application->tooltipWindow != nullptr
        && isRelayedMouseMessage(retrieved->message)) {
        MSG relayed = {};
        relayed.hwnd = retrieved->hwnd;
        relayed.message = retrieved->message;
        relayed.wParam = retrieved->wParam;
        relayed.lParam = retrieved->lParam;
        SendMessageA(application->tooltipWindow, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    return CallNextHookEx(application->messageHook, code, wParam, lParam);
}

int runApplication(HINSTANCE instance, int showCommand)
{
    Application* application = new (std::nothrow) Application(instance);
    if (application == nullptr)
        return 0;
    theApplication = application;
    int exitCode = 0;
    if (application->initialise(showCommand)) {
        MSG message = {};
        BOOL result = 0;
        // GetMessageA answers -1 on failure: that ends the loop too.
        while ((result = GetMessageA(&message, nullptr, 0, 0)) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (result == 0)
            exitCode = static_cast<int>(message.wParam);
    }
    theApplication = nullptr;
    delete application;
    return exitCode;
}
