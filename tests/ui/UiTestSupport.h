// Helpers for the tests of the Windows program: the registry key, the message loop,
// dialogs driven from a helper thread, recorded calls, captures and a live Application.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <future>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/BitmapButton.h"
#include "ui/Dialogs.h"
#include "ui/PaletteSelector.h"

// Runs the thread's messages for about milliseconds; true when a WM_QUIT came.
bool pumpMessages(uint32_t milliseconds);

// Runs the thread's messages until condition holds, at most about milliseconds; false on a timeout.
bool pumpUntil(const std::function<bool()>& condition, uint32_t milliseconds);
// Starts a program for real (CreateProcessA is recorded, not called, for the program under test);
// its process handle, or null.
HANDLE startProcess(std::string commandLine);

// A message box as the program asked for it, not shown: owner, title, text, type and how many
// of the application's buttons were enabled at the time.
using Box = std::tuple<HWND, std::string, std::string, UINT, uint32_t>;
// What the program handed Windows since the last start: the size fields of the records
// of TTM_ADDTOOLA and TTM_DELTOOLA, GetOpenFileNameA and CreateProcessA, the message boxes
// (each answered with answer) and the command line of the last process, recorded, not started.
struct Recorded {
    std::vector<DWORD> tools;
    DWORD openFile = 0, startup = 0;
    std::vector<Box> boxes;
    int answer = IDOK;
    std::string commandLine;
};
extern Recorded recorded;
#ifdef _WIN64
constexpr DWORD ToolSize = 64, OpenFileSize = 136, StartupSize = 104;
#else
constexpr DWORD ToolSize = 44, OpenFileSize = 76, StartupSize = 68;
#endif

// A tool of tooltips: by TTM_ENUMTOOLSA the index-th, by TTM_GETCURRENTTOOLA the one shown.
struct Tool {
    TOOLINFOA info = {};
    std::string text;
};
Tool toolOf(HWND tooltips, UINT message, WPARAM index = 0);

// From a helper thread, runs action on the first visible dialog titled title
// within 30 s; the future says whether one showed.
std::future<bool> onDialog(const char* title, std::function<void(HWND)> action);
// 0x00RRGGBB pixels, top row first.
struct Capture {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
// The client area of window as drawn now.
Capture captureClient(HWND window);
// Saves what the screen shows where first and second lie, as name.ppm in the screenshots folder.
void saveScreenArea(HWND first, HWND second, const char* screenshotName);
// Bitmap resource id as drawn on this display.
Capture renderBitmap(HINSTANCE instance, uint32_t id);

// A running Application, made as the program makes it; gone after each test.
class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    HWND button(uint32_t index) const { return application->buttons[index]->window; }
    void sendCommand(int id, int notification = BN_CLICKED) const
    {
        SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(id, notification), LPARAM(button(id % 4)));
    }

    Application* application = nullptr;
};
