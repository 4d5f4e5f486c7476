// Helpers for the tests of the Windows program: a live Application built from
// the real resources, message pumping, message-box answering from a helper
// thread, window captures and the registry key of the program.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ui/Application.h"
#include "ui/BitmapButton.h"

// Runs the thread's messages for about milliseconds; a WM_QUIT is noted, not obeyed.
// True when a WM_QUIT was seen, and exitCode (optional) receives its code.
bool pumpMessages(uint32_t milliseconds, int* exitCode = nullptr);
// Pumps until condition holds or timeoutMilliseconds pass; the final value.
template <typename Condition> bool pumpUntil(Condition condition, uint32_t timeoutMilliseconds = 5000)
{
    for (uint32_t waited = 0; waited < timeoutMilliseconds && !condition(); waited += 20)
        pumpMessages(20);
    return condition();
}
// Removes every queued message, WM_QUIT included.
void drainMessages();

// Deletes HKEY_CURRENT_USER\Software\Quillon\Scourwell with its values.
void deleteProgramKey();
bool programKeyExists();
// The stored colour map value; empty when there is none.
std::vector<uint8_t> storedColourMap();
void storeColourMapValue(const std::vector<uint8_t>& bytes);

// The built program beside the tests, in the form CreateProcessA takes.
std::string programPath();
// Where the tests leave their screenshots.
std::string screenshotDir();

// A message box (or any dialog) with this title, found and answered by a
// helper thread so that the modal call in the test's own thread returns.
class DialogAnswerer {
public:
    // Answers with command (IDOK, IDYES, IDNO) the first dialog titled title
    // that appears within timeoutMilliseconds. buttonsToWatch (optional)
    // are checked for being enabled while the box is up.
    DialogAnswerer(const char* title, int command, uint32_t timeoutMilliseconds = 10000,
                   std::vector<HWND> buttonsToWatch = {});
    // Types text into the dialog's control editId first (an open-file dialog's name box).
    DialogAnswerer(const char* title, int command, int editId, std::string text);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;

    // Waits for the helper thread to finish.
    void join();
    bool found() const { return seen; }
    const std::string& text() const { return boxText; }
    HWND owner() const { return boxOwner; }
    // Per watched button, whether it was enabled while the box was up.
    const std::vector<bool>& buttonsEnabled() const { return enabledWhileShown; }

private:
    void run(std::string title, int command, uint32_t timeoutMilliseconds, std::vector<HWND> buttons);

    int typedInto = 0;
    std::string typed;
    // Last, so that it starts once every other member is made.
    std::thread worker;

    std::atomic<bool> seen{false};
    std::string boxText;
    HWND boxOwner = nullptr;
    std::vector<bool> enabledWhileShown;
};

// 32-bit pixels (0x00RRGGBB), top row first.
struct Capture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * size_t(width) + size_t(x)]; }
};

// The client area of window as it is drawn now.
Capture captureClient(HWND window);
// The whole window, frame included.
Capture captureWindow(HWND window);
// A bitmap resource drawn into a 32-bit image.
Capture renderBitmap(HINSTANCE instance, uint32_t resourceId);
// Copies source into target with its top-left corner at (x, y), clipped.
void paste(Capture& target, const Capture& source, int32_t x, int32_t y);
bool saveBmp(const Capture& image, const std::string& path);
// The number of pixels in the rectangle (x, y, width, height) of a that differ from b at (bx, by).
uint32_t countDifferences(const Capture& a, int32_t x, int32_t y, int32_t width, int32_t height, const Capture& b,
                          int32_t bx, int32_t by);

// A running Application made from this test program's own resources, as the
// program itself makes it; torn down with its windows and classes afterwards.
class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Destroys the windows, unregisters the classes and releases the object.
    void shutDown();

    HWND button(uint32_t index) const { return application->buttons[index]->window; }

    Application* application = nullptr;
    // Set by tests that need a first start without the program's key.
    bool freshRegistry = true;
};
