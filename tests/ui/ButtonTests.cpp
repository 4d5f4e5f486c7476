// The picture buttons' keyboard handling, drawing by item state, and the hook
// that feeds the tooltip control.
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "UiTestSupport.h"
#include "res/resource.h"
#include "ui/BitmapButton.h"
#include "ui/BitmapImage.h"

namespace {

int quitClicks = 0;
WNDPROC originalMainProc = nullptr;

// Counts the Quit button's clicks and keeps them from quitting.
LRESULT CALLBACK countQuitClicks(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_QUIT && HIWORD(wParam) == BN_CLICKED) {
        ++quitClicks;
        return 0;
    }
    return CallWindowProcA(originalMainProc, window, message, wParam, lParam);
}

std::vector<MSG> relayed;
WNDPROC originalTooltipProc = nullptr;

LRESULT CALLBACK recordRelays(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TTM_RELAYEVENT && lParam != 0)
        relayed.push_back(*reinterpret_cast<const MSG*>(lParam));
    return CallWindowProcA(originalTooltipProc, window, message, wParam, lParam);
}

void pressShift(bool down)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_SHIFT;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

// A 32-bit drawing surface for drawItem.
class Canvas {
public:
    Canvas(int32_t canvasWidth, int32_t canvasHeight) : width(canvasWidth), height(canvasHeight)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    Capture capture() const
    {
        GdiFlush();
        Capture image;
        image.width = width;
        image.height = height;
        const uint32_t* pixels = static_cast<const uint32_t*>(bits);
        for (size_t k = 0; k < size_t(width) * size_t(height); ++k)
            image.pixels.push_back(pixels[k] & 0x00FFFFFFu);
        return image;
    }

    HDC dc = nullptr;

private:
    int32_t width;
    int32_t height;
    void* bits = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
};

Capture drawButton(const BitmapButton& button, UINT itemState, int32_t width, int32_t height)
{
    Canvas canvas(width, height);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.hDC = canvas.dc;
    item.itemState = itemState;
    // The item rectangle is not consulted: give it a wrong one.
    item.rcItem = RECT{5, 5, 6, 6};
    button.drawItem(item);
    return canvas.capture();
}

} // namespace

TEST_F(ApplicationTest, TabAndShiftTabCycleThroughTheFourButtons)
{
    ASSERT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
    SetFocus(button(0));
    for (uint32_t step = 1; step <= 4; ++step) {
        SendMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        EXPECT_EQ(GetFocus(), button(step % 4)) << step;
        EXPECT_EQ(application->focusedButton, step % 4);
    }

    pressShift(true);
    ASSERT_TRUE(pumpUntil([] { return GetAsyncKeyState(VK_SHIFT) != 0; }, 2000));
    SetFocus(button(0));
    SendMessageA(button(0), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), button(3));
    SendMessageA(button(3), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), button(2));
    pressShift(false);
    ASSERT_TRUE(pumpUntil([] { return GetAsyncKeyState(VK_SHIFT) == 0; }, 2000));
    SendMessageA(button(2), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), button(3));
}

TEST_F(ApplicationTest, EnterClicksTheFocusedButtonOncePerKeyDownAutoRepeatIncluded)
{
    quitClicks = 0;
    originalMainProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        application->mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countQuitClicks)));
    SetFocus(button(3));
    SendMessageA(button(3), WM_KEYDOWN, VK_RETURN, 1);
    pumpMessages(20);
    EXPECT_EQ(quitClicks, 1);
    // Auto-repeat: bit 30 says the key was down already.
    SendMessageA(button(3), WM_KEYDOWN, VK_RETURN, 0x40000001);
    SendMessageA(button(3), WM_KEYDOWN, VK_RETURN, 0x40000001);
    pumpMessages(20);
    EXPECT_EQ(quitClicks, 3);
    // Key releases and other keys click nothing.
    SendMessageA(button(3), WM_KEYUP, VK_RETURN, 0xC0000001);
    SendMessageA(button(3), WM_KEYDOWN, 'A', 1);
    pumpMessages(20);
    EXPECT_EQ(quitClicks, 3);
    EXPECT_EQ(GetFocus(), button(3));
    SetWindowLongPtrA(application->mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalMainProc));
}

TEST_F(ApplicationTest, SubclassProcedureAnswersZeroForWindowsThatAreNoButton)
{
    // The main window's title length would be 21 through its own procedure.
    EXPECT_EQ(buttonSubclassProc(application->mainWindow, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_EQ(buttonSubclassProc(nullptr, WM_SETFOCUS, 0, 0), 0);
    EXPECT_EQ(application->focusedButton, 0u);
}

TEST_F(ApplicationTest, HookRelaysThePressesAndMovesButNotDoubleClicksOrOtherMessages)
{
    relayed.clear();
    originalTooltipProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        application->tooltipWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(recordRelays)));
    const UINT messages[] = {WM_MOUSEMOVE,     WM_LBUTTONDOWN, WM_LBUTTONUP,  WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                             WM_RBUTTONUP,     WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP,   WM_MBUTTONDBLCLK,
                             WM_MOUSEWHEEL,    WM_NULL,        WM_USER + 7};
    // Posted to a hidden window of the test's own: presses posted to a real
    // button would press it.
    HWND target = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, application->mainWindow, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(target, nullptr);
    for (UINT message : messages)
        PostMessageA(target, message, 0x1234, MAKELPARAM(message & 0xFF, 77));
    pumpMessages(50);
    SetWindowLongPtrA(application->tooltipWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalTooltipProc));

    std::vector<UINT> seen;
    for (const MSG& message : relayed) {
        if (message.hwnd != target)
            continue;
        seen.push_back(message.message);
        EXPECT_EQ(message.wParam, WPARAM(0x1234));
        EXPECT_EQ(message.lParam, MAKELPARAM(message.message & 0xFF, 77));
        EXPECT_EQ(message.time, 0u);
        EXPECT_EQ(message.pt.x, 0);
        EXPECT_EQ(message.pt.y, 0);
    }
    const std::vector<UINT> expected = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN,
                                        WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP};
    EXPECT_EQ(seen, expected);
    DestroyWindow(target);
}

TEST_F(ApplicationTest, DrawsFrameAndFaceByItemState)
{
    HINSTANCE instance = application->instance;
    const BitmapButton& wide = *application->buttons[0];
    Capture focusedFrame = renderBitmap(instance, IDB_WIDE_FRAME_FOCUSED);
    Capture frame = renderBitmap(instance, IDB_WIDE_FRAME);
    Capture normal = renderBitmap(instance, IDB_SELECT_FILES);
    Capture pushed = renderBitmap(instance, IDB_SELECT_FILES_PUSHED);
    Capture disabled = renderBitmap(instance, IDB_SELECT_FILES_DISABLED);
    ASSERT_EQ(frame.width, 299);
    ASSERT_EQ(normal.width, 276);

    struct Case {
        UINT state;
        const Capture* frame;
        const Capture* face;
    };
    const Case cases[] = {
        {0, &frame, &normal},
        {ODS_FOCUS, &focusedFrame, &normal},
        {ODS_SELECTED, &frame, &pushed},
        {ODS_SELECTED | ODS_FOCUS, &focusedFrame, &pushed},
        {ODS_DISABLED, &frame, &disabled},
        // Pressed and disabled at once: the pushed face wins.
        {ODS_SELECTED | ODS_DISABLED, &frame, &pushed},
        // Disabled with the focus: focused frame round the disabled face.
        {ODS_DISABLED | ODS_FOCUS, &focusedFrame, &disabled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        Capture drawn = drawButton(wide, c.state, 299, 31);
        Capture expected = *c.frame;
        paste(expected, *c.face, 12, 6);
        EXPECT_EQ(countDifferences(drawn, 0, 0, 299, 31, expected, 0, 0), 0u);
    }
}

TEST_F(ApplicationTest, ButtonWithoutFramesIsItsFaceAlone)
{
    HINSTANCE instance = application->instance;
    BitmapButton plain(instance, IDB_QUIT, IDB_QUIT_PUSHED, IDB_QUIT_DISABLED, 0, IDB_NARROW_FRAME_FOCUSED);
    EXPECT_FALSE(plain.framed());
    EXPECT_EQ(plain.focusedFrame, nullptr);
    EXPECT_EQ(plain.unfocusedFrame, nullptr);

    Capture face = renderBitmap(instance, IDB_QUIT);
    Capture drawn = drawButton(plain, ODS_FOCUS, 120, 20);
    EXPECT_EQ(countDifferences(drawn, 0, 0, 120, 20, face, 0, 0), 0u);

    ASSERT_TRUE(plain.create(*application, application->mainWindow, 1010, POINT{3, 4}, IDS_TIP_QUIT));
    RECT frame = {};
    GetWindowRect(plain.window, &frame);
    EXPECT_EQ(frame.right - frame.left, 120);
    EXPECT_EQ(frame.bottom - frame.top, 20);
    EXPECT_STREQ(plain.tooltipText, "Quit Scourwell");

    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = plain.window;
    tool.uId = 1010;
    ASSERT_TRUE(SendMessageA(application->tooltipWindow, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool)));
    EXPECT_EQ(tool.rect.left, 0);
    EXPECT_EQ(tool.rect.top, 0);
    EXPECT_EQ(tool.rect.right, 120);
    EXPECT_EQ(tool.rect.bottom, 20);
    SendMessageA(application->tooltipWindow, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    // Its subclass procedure knows it as no button of the application's: give
    // it back its own procedure before it goes.
    SetWindowLongPtrA(plain.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(plain.previousProc));
    DestroyWindow(plain.window);
}

TEST(BitmapImage, AbsentResourceIsEmptyAndDrawsNothing)
{
    BitmapImage absent(GetModuleHandleA(nullptr), 4242);
    EXPECT_EQ(absent.handle, nullptr);
    EXPECT_EQ(absent.width, 0);
    EXPECT_EQ(absent.height, 0);
    Canvas canvas(4, 4);
    RECT all = {0, 0, 4, 4};
    FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    absent.draw(canvas.dc, POINT{0, 0});
    EXPECT_EQ(canvas.capture().at(1, 1), 0xFFFFFFu);

    BitmapImage background(GetModuleHandleA(nullptr), IDB_BACKGROUND);
    EXPECT_NE(background.handle, nullptr);
    EXPECT_EQ(background.width, 512);
    EXPECT_EQ(background.height, 359);
}
