// What the main window shows, pixel for pixel: the background, and each
// button's frame and face where they belong, in the normal, focused, pushed
// and disabled states; the tooltip over a face. Leaves screenshots behind.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "UiTestSupport.h"
#include "res/resource.h"

namespace {

struct ButtonArt {
    POINT position;
    uint32_t frame, focusedFrame, normal, pushed, disabled;
};

const ButtonArt Art[ButtonCount] = {
    {{107, 179}, IDB_WIDE_FRAME, IDB_WIDE_FRAME_FOCUSED, IDB_SELECT_FILES, IDB_SELECT_FILES_PUSHED,
     IDB_SELECT_FILES_DISABLED},
    {{107, 223}, IDB_WIDE_FRAME, IDB_WIDE_FRAME_FOCUSED, IDB_SCOUR, IDB_SCOUR_PUSHED, IDB_SCOUR_DISABLED},
    {{107, 280}, IDB_NARROW_FRAME, IDB_NARROW_FRAME_FOCUSED, IDB_ABOUT, IDB_ABOUT_PUSHED, IDB_ABOUT_DISABLED},
    {{263, 280}, IDB_NARROW_FRAME, IDB_NARROW_FRAME_FOCUSED, IDB_QUIT, IDB_QUIT_PUSHED, IDB_QUIT_DISABLED},
};

enum class Look { Normal, Pushed, Disabled };

// The client area as it should look: the background, then every button.
Capture expectedClient(HINSTANCE instance, int focused, const Look looks[ButtonCount])
{
    Capture image = renderBitmap(instance, IDB_BACKGROUND);
    for (uint32_t k = 0; k < ButtonCount; ++k) {
        const ButtonArt& art = Art[k];
        paste(image, renderBitmap(instance, int(k) == focused ? art.focusedFrame : art.frame), art.position.x,
              art.position.y);
        uint32_t face = looks[k] == Look::Pushed ? art.pushed : looks[k] == Look::Disabled ? art.disabled : art.normal;
        paste(image, renderBitmap(instance, face), art.position.x + 12, art.position.y + 6);
    }
    return image;
}

Capture redrawAndCapture(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pumpMessages(50);
    return captureClient(window);
}

// The main window with its frame and, where it is shown, the tooltip beside it.
Capture composeScreen(HWND window, HWND tooltip)
{
    RECT windowRect = {};
    GetWindowRect(window, &windowRect);
    Capture main = captureWindow(window);
    if (tooltip == nullptr || !IsWindowVisible(tooltip))
        return main;
    RECT tipRect = {};
    GetWindowRect(tooltip, &tipRect);
    Capture tip = captureWindow(tooltip);
    RECT all = {std::min(windowRect.left, tipRect.left), std::min(windowRect.top, tipRect.top),
                std::max(windowRect.right, tipRect.right), std::max(windowRect.bottom, tipRect.bottom)};
    Capture screen;
    screen.width = all.right - all.left;
    screen.height = all.bottom - all.top;
    screen.pixels.assign(size_t(screen.width) * size_t(screen.height), 0);
    paste(screen, main, windowRect.left - all.left, windowRect.top - all.top);
    paste(screen, tip, tipRect.left - all.left, tipRect.top - all.top);
    return screen;
}

POINT onScreen(HWND window, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(window, &point);
    return point;
}

} // namespace

TEST_F(ApplicationTest, DrawsBackgroundAndButtonsWithTheFirstButtonFocused)
{
    SetForegroundWindow(application->mainWindow);
    SetFocus(button(0));
    Capture shown = redrawAndCapture(application->mainWindow);
    ASSERT_EQ(shown.width, 512);
    ASSERT_EQ(shown.height, 359);
    const Look looks[ButtonCount] = {Look::Normal, Look::Normal, Look::Normal, Look::Normal};
    Capture expected = expectedClient(application->instance, 0, looks);
    EXPECT_EQ(countDifferences(shown, 0, 0, 512, 359, expected, 0, 0), 0u);
    // The magenta panels never show.
    for (uint32_t pixel : shown.pixels)
        ASSERT_NE(pixel, 0xFF00FFu);
    saveBmp(composeScreen(application->mainWindow, nullptr), screenshotDir() + "\\main-window.bmp");
}

TEST_F(ApplicationTest, DrawsPushedDisabledAndFocusedButtons)
{
    SetForegroundWindow(application->mainWindow);
    SetFocus(button(2));
    SendMessageA(button(1), BM_SETSTATE, TRUE, 0);
    EnableWindow(button(3), FALSE);
    Capture shown = redrawAndCapture(application->mainWindow);
    const Look looks[ButtonCount] = {Look::Normal, Look::Pushed, Look::Normal, Look::Disabled};
    Capture expected = expectedClient(application->instance, 2, looks);
    EXPECT_EQ(countDifferences(shown, 0, 0, 512, 359, expected, 0, 0), 0u);

    // The focused frame is plainly not the unfocused one.
    const Look plain[ButtonCount] = {Look::Normal, Look::Normal, Look::Normal, Look::Normal};
    Capture unfocused = expectedClient(application->instance, -1, plain);
    EXPECT_GT(countDifferences(shown, 107, 280, 143, 31, unfocused, 107, 280), 143u * 31u / 10u);
    saveBmp(composeScreen(application->mainWindow, nullptr), screenshotDir() + "\\main-window-states.bmp");

    SendMessageA(button(1), BM_SETSTATE, FALSE, 0);
    EnableWindow(button(3), TRUE);
    SetFocus(button(0));
    shown = redrawAndCapture(application->mainWindow);
    Capture back = expectedClient(application->instance, 0, plain);
    EXPECT_EQ(countDifferences(shown, 0, 0, 512, 359, back, 0, 0), 0u);
}

TEST_F(ApplicationTest, TooltipShowsOverTheFaceButNotOverTheFrameMargin)
{
    HWND tooltip = application->tooltipWindow;
    SetForegroundWindow(application->mainWindow);
    SetFocus(button(1));
    POINT face = onScreen(button(1), 12 + 138, 6 + 10);
    SetCursorPos(face.x, face.y);
    ASSERT_TRUE(pumpUntil([tooltip] { return IsWindowVisible(tooltip) != FALSE; }, 5000));
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    ASSERT_TRUE(SendMessageA(tooltip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(tool.hwnd, button(1));
    EXPECT_EQ(tool.uId, UINT_PTR(IDC_SCOUR));
    pumpMessages(100);
    saveBmp(composeScreen(application->mainWindow, tooltip), screenshotDir() + "\\main-window-tooltip.bmp");

    // The left margin of the same button's frame carries no tool.
    POINT margin = onScreen(button(1), 5, 15);
    SetCursorPos(margin.x, margin.y);
    EXPECT_TRUE(pumpUntil([tooltip] { return IsWindowVisible(tooltip) == FALSE; }, 5000));
    pumpMessages(1000);
    EXPECT_FALSE(IsWindowVisible(tooltip));
    SetCursorPos(0, 0);
    pumpMessages(50);
}
