// The application object as the program builds it: window classes, the main
// window, the four button windows, the tooltip tools, the strings, the stored
// colour map and the command handling of the main window.
#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include "UiTestSupport.h"
#include "clean/ColourMap.h"
#include "res/resource.h"
#include "ui/BitmapButton.h"
#include "ui/PaletteSelector.h"

namespace {

struct ExpectedButton {
    int id;
    int x, y, width, height;
    const char* tooltip;
};

const ExpectedButton ExpectedButtons[ButtonCount] = {
    {1000, 107, 179, 299, 31, "Select the 3DO file(s) you wish to Scour"},
    {1001, 107, 223, 299, 31, "Scour the selected 3DO file(s)"},
    {1002, 107, 280, 143, 31, "About Scourwell"},
    {1003, 263, 280, 143, 31, "Quit Scourwell"},
};

// A window of the test's own, to take the activation away from the main window.
HWND makeOtherWindow()
{
    return CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

} // namespace

TEST_F(ApplicationTest, RegistersBothClassesWithTheirRecords)
{
    HINSTANCE instance = application->instance;
    WNDCLASSA mainClass = {};
    ASSERT_TRUE(GetClassInfoA(instance, "QuillonScourwell", &mainClass));
    EXPECT_EQ(mainClass.style, UINT(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(mainClass.lpfnWndProc, mainWindowProc);
    EXPECT_EQ(mainClass.cbClsExtra, 0);
    EXPECT_EQ(mainClass.cbWndExtra, 0);
    EXPECT_NE(mainClass.hIcon, nullptr);
    EXPECT_EQ(mainClass.hCursor, nullptr);
    EXPECT_EQ(mainClass.hbrBackground, GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(mainClass.lpszMenuName, nullptr);

    WNDCLASSA selectorClass = {};
    ASSERT_TRUE(GetClassInfoA(instance, "PaletteSelector", &selectorClass));
    EXPECT_EQ(selectorClass.style, UINT(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(selectorClass.lpfnWndProc, paletteSelectorProc);
    EXPECT_EQ(selectorClass.hIcon, nullptr);
    EXPECT_EQ(selectorClass.hCursor, nullptr);
    LOGBRUSH brush = {};
    ASSERT_NE(GetObjectA(selectorClass.hbrBackground, sizeof(brush), &brush), 0);
    EXPECT_EQ(brush.lbStyle, UINT(BS_SOLID));
    EXPECT_EQ(brush.lbColor, GetSysColor(COLOR_BTNFACE));
}

TEST_F(ApplicationTest, MainWindowIsFixedSizeCentredAndTitled)
{
    HWND window = application->mainWindow;
    ASSERT_NE(window, nullptr);
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    EXPECT_STREQ(className, "QuillonScourwell");
    char title[64] = {};
    GetWindowTextA(window, title, sizeof(title));
    EXPECT_STREQ(title, "Quillon Scourwell 1.1");
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_EQ(style & ~LONG_PTR(WS_VISIBLE | WS_CLIPSIBLINGS), LONG_PTR(0x00CA0000));
    EXPECT_EQ(style & WS_THICKFRAME, 0);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_EQ(GetParent(window), nullptr);
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_TRUE(IsWindowVisible(window));

    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 512);
    EXPECT_EQ(client.bottom, 359);

    RECT frame = {};
    GetWindowRect(window, &frame);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXMAXIMIZED) - width) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYMAXIMIZED) - height) / 2);
}

TEST(Centring, TruncatesTowardZeroAlsoWhenTheAreaIsSmaller)
{
    EXPECT_EQ(centredPosition(1288, 518), 385);
    EXPECT_EQ(centredPosition(1289, 518), 385);
    EXPECT_EQ(centredPosition(518, 518), 0);
    // Smaller area: negative, truncated toward zero rather than rounded down.
    EXPECT_EQ(centredPosition(400, 518), -59);
    EXPECT_EQ(centredPosition(401, 518), -58);
    EXPECT_EQ(centredPosition(517, 518), 0);
}

TEST(RegistrationFailure, NamesTheMissingWindowsNtOnlyForError120)
{
    EXPECT_STREQ(registrationFailureText(ERROR_CALL_NOT_IMPLEMENTED), "This program requires Windows NT!");
    EXPECT_STREQ(registrationFailureText(ERROR_CLASS_ALREADY_EXISTS), "Could not register the window class!");
    EXPECT_STREQ(registrationFailureText(0), "Could not register the window class!");
}

TEST_F(ApplicationTest, MakesTheFourButtonWindowsWithTheirIdsPlacesAndSizes)
{
    for (uint32_t k = 0; k < ButtonCount; ++k) {
        SCOPED_TRACE(k);
        const ExpectedButton& expected = ExpectedButtons[k];
        HWND window = button(k);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(GetDlgItem(application->mainWindow, expected.id), window);
        EXPECT_EQ(GetParent(window), application->mainWindow);
        char className[32] = {};
        GetClassNameA(window, className, sizeof(className));
        EXPECT_EQ(_stricmp(className, "button"), 0);
        EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & ~LONG_PTR(WS_CLIPSIBLINGS | WS_DISABLED), LONG_PTR(0x5000400B));
        EXPECT_EQ(GetWindowLongPtrA(window, GWL_EXSTYLE), 0);
        EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)), buttonSubclassProc);
        EXPECT_NE(application->buttons[k]->previousProc, nullptr);
        char text[16] = "x";
        GetWindowTextA(window, text, sizeof(text));
        EXPECT_STREQ(text, "");

        RECT frame = {};
        GetWindowRect(window, &frame);
        POINT topLeft = {frame.left, frame.top};
        ScreenToClient(application->mainWindow, &topLeft);
        EXPECT_EQ(topLeft.x, expected.x);
        EXPECT_EQ(topLeft.y, expected.y);
        EXPECT_EQ(frame.right - frame.left, expected.width);
        EXPECT_EQ(frame.bottom - frame.top, expected.height);
        EXPECT_STREQ(application->buttons[k]->tooltipText, expected.tooltip);
    }
}

TEST_F(ApplicationTest, RegistersOneToolPerButtonOverItsFace)
{
    HWND tooltip = application->tooltipWindow;
    ASSERT_NE(tooltip, nullptr);
    char className[64] = {};
    GetClassNameA(tooltip, className, sizeof(className));
    EXPECT_EQ(_stricmp(className, TOOLTIPS_CLASSA), 0);
    EXPECT_NE(GetWindowLongPtrA(tooltip, GWL_STYLE) & (WS_POPUP | TTS_ALWAYSTIP), 0);
    ASSERT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), LRESULT(ButtonCount));

    bool seen[ButtonCount] = {};
    for (uint32_t k = 0; k < ButtonCount; ++k) {
        char text[256] = {};
        TOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.lpszText = text;
        ASSERT_TRUE(SendMessageA(tooltip, TTM_ENUMTOOLSA, k, reinterpret_cast<LPARAM>(&tool)));
        int index = application->buttonIndex(tool.hwnd);
        ASSERT_GE(index, 0);
        SCOPED_TRACE(index);
        seen[index] = true;
        const ExpectedButton& expected = ExpectedButtons[index];
        EXPECT_EQ(tool.uId, UINT_PTR(expected.id));
        EXPECT_EQ(tool.uFlags, 0u);
        EXPECT_STREQ(text, expected.tooltip);
        // The face only: 12 and 6 in from the frame's corner, the face's own size.
        EXPECT_EQ(tool.rect.left, 12);
        EXPECT_EQ(tool.rect.top, 6);
        EXPECT_EQ(tool.rect.right, expected.width - 11);
        EXPECT_EQ(tool.rect.bottom, expected.height - 5);
    }
    for (bool one : seen)
        EXPECT_TRUE(one);
}

TEST_F(ApplicationTest, LoadsStringEntriesAndCutsLongOnesAt4095)
{
    char* title = application->loadStringResource(2);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "Quillon Scourwell 1.1");
    delete[] title;

    char* absent = application->loadStringResource(999);
    ASSERT_NE(absent, nullptr);
    EXPECT_STREQ(absent, "");
    delete[] absent;

    // The test program carries a 5000-character entry, 'a' to 'z' over and over.
    char* longEntry = application->loadStringResource(SCOURWELL_TEST_LONG_STRING);
    ASSERT_NE(longEntry, nullptr);
    ASSERT_EQ(std::strlen(longEntry), 4095u);
    for (size_t k = 0; k < 4095; ++k)
        ASSERT_EQ(longEntry[k], char('a' + k % 26)) << k;
    delete[] longEntry;

    EXPECT_STREQ(application->mainClassName, "QuillonScourwell");
    EXPECT_STREQ(application->selectorClassName, "PaletteSelector");
    EXPECT_STREQ(application->windowTitle, "Quillon Scourwell 1.1");
}

TEST_F(ApplicationTest, FirstStartCreatesTheKeyAndKeepsTheDefaultMap)
{
    EXPECT_TRUE(programKeyExists());
    EXPECT_NE(application->registryKey, nullptr);
    EXPECT_TRUE(storedColourMap().empty());
    ColourMap& map = application->paletteSelector->colourMap();
    EXPECT_EQ(map.entry(0), ColourRemoved);
    for (uint32_t c = 1; c < ColourCount; ++c)
        ASSERT_EQ(map.entry(c), c);
}

TEST_F(ApplicationTest, NextStartReadsTheStoredMap)
{
    shutDown();
    ColourMap stored;
    stored.keepAll();
    stored.setEntry(5, 9);
    stored.setEntry(7, ColourRemoved);
    std::vector<uint8_t> bytes(ColourMapBytes);
    stored.toBytes(bytes.data());
    storeColourMapValue(bytes);

    freshRegistry = false;
    SetUp();
    ColourMap& map = application->paletteSelector->colourMap();
    EXPECT_EQ(map.entry(0), 0u);
    EXPECT_EQ(map.entry(5), 9u);
    EXPECT_EQ(map.entry(7), ColourRemoved);
    EXPECT_EQ(map.entry(8), 8u);
}

TEST_F(ApplicationTest, KeyWithoutValueKeepsTheDefaultMap)
{
    shutDown();
    // The key is there now (made by the first start), but holds no value.
    ASSERT_TRUE(programKeyExists());
    freshRegistry = false;
    SetUp();
    EXPECT_EQ(application->paletteSelector->colourMap().entry(0), ColourRemoved);
    EXPECT_EQ(application->paletteSelector->colourMap().entry(1), 1u);
}

TEST_F(ApplicationTest, FirstActivationFocusesButtonZeroAndReactivationRestoresTheLast)
{
    SetForegroundWindow(application->mainWindow);
    SetActiveWindow(application->mainWindow);
    pumpMessages(50);
    EXPECT_EQ(GetFocus(), button(0));
    EXPECT_EQ(application->focusedButton, 0u);

    SetFocus(button(2));
    pumpMessages(20);
    EXPECT_EQ(application->focusedButton, 2u);

    HWND other = makeOtherWindow();
    ASSERT_NE(other, nullptr);
    SetActiveWindow(other);
    pumpMessages(50);
    EXPECT_NE(GetFocus(), button(2));
    SetActiveWindow(application->mainWindow);
    pumpMessages(50);
    EXPECT_EQ(GetFocus(), button(2));
    DestroyWindow(other);
}

TEST_F(ApplicationTest, MainWindowPassesItsOwnFocusOnToTheRememberedButton)
{
    application->focusedButton = 3;
    SetFocus(application->mainWindow);
    pumpMessages(20);
    EXPECT_EQ(GetFocus(), button(3));
}

TEST_F(ApplicationTest, SetFocusNotificationAndMessageBothRecordTheButton)
{
    // The notification alone, with the focus elsewhere.
    SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(1003, BN_SETFOCUS),
                 reinterpret_cast<LPARAM>(button(3)));
    EXPECT_EQ(application->focusedButton, 3u);
    // A notification from a window that is no button of ours changes nothing.
    SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(1003, BN_SETFOCUS),
                 reinterpret_cast<LPARAM>(application->mainWindow));
    EXPECT_EQ(application->focusedButton, 3u);
    // The button's own WM_SETFOCUS, through the subclass procedure.
    SendMessageA(button(1), WM_SETFOCUS, 0, 0);
    EXPECT_EQ(application->focusedButton, 1u);
}

TEST_F(ApplicationTest, CommandsOutsideTheButtonsOrOtherNotificationsChangeNothing)
{
    application->focusedButton = 2;
    const int ignored[][2] = {
        {999, BN_CLICKED}, {1004, BN_CLICKED}, {0, BN_CLICKED}, {1003, BN_DBLCLK}, {1003, BN_KILLFOCUS}, {1001, BN_PUSHED},
    };
    for (const auto& command : ignored) {
        SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(command[0], command[1]),
                     reinterpret_cast<LPARAM>(button(3)));
    }
    int exitCode = -1;
    EXPECT_FALSE(pumpMessages(50, &exitCode));
    EXPECT_EQ(application->focusedButton, 2u);
    EXPECT_EQ(FindWindowA("#32770", "No 3DO Files Selected!"), nullptr);
    for (uint32_t k = 0; k < ButtonCount; ++k)
        EXPECT_TRUE(IsWindowEnabled(button(k)));
}

TEST_F(ApplicationTest, QuitButtonPostsQuitWithZeroAndCloseDoesTooThroughDestroy)
{
    SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button(3)));
    int exitCode = -1;
    EXPECT_TRUE(pumpMessages(50, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(IsWindow(application->mainWindow));

    SendMessageA(application->mainWindow, WM_CLOSE, 0, 0);
    exitCode = -1;
    EXPECT_TRUE(pumpMessages(50, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(IsWindow(application->mainWindow));
    application->mainWindow = nullptr;
}

TEST_F(ApplicationTest, DrawItemForAnotherIdDrawsNothing)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 300, 40);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(memory, target);
    const COLORREF sentinel = RGB(1, 2, 3);
    RECT all = {0, 0, 300, 40};
    HBRUSH brush = CreateSolidBrush(sentinel);
    FillRect(memory, &all, brush);

    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.hDC = memory;
    item.rcItem = all;
    for (UINT id : {999u, 1004u}) {
        item.CtlID = id;
        SendMessageA(application->mainWindow, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
    }
    EXPECT_EQ(GetPixel(memory, 20, 10), sentinel);
    EXPECT_EQ(GetPixel(memory, 0, 0), sentinel);

    // The same record for a button's id paints its frame and face.
    item.CtlID = 1000;
    SendMessageA(application->mainWindow, WM_DRAWITEM, 1000, reinterpret_cast<LPARAM>(&item));
    EXPECT_NE(GetPixel(memory, 0, 0), sentinel);
    EXPECT_NE(GetPixel(memory, 20, 10), sentinel);
    EXPECT_EQ(GetPixel(memory, 299, 10), sentinel);

    SelectObject(memory, previous);
    DeleteObject(brush);
    DeleteObject(target);
    DeleteDC(memory);
}

TEST_F(ApplicationTest, ClassRegistrationFailureTellsTheUserAndExitsWithZero)
{
    // A second start in the same module: the classes exist already.
    Application* first = application;
    DialogAnswerer answerer("Quillon Scourwell 1.1", IDOK);
    int exitCode = runApplication(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    answerer.join();
    theApplication = first;
    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(answerer.found());
    EXPECT_EQ(answerer.text(), "Could not register the window class!");
    EXPECT_EQ(answerer.owner(), nullptr);
    // Only the first application's main window exists.
    HWND found = FindWindowA("QuillonScourwell", nullptr);
    EXPECT_EQ(found, first->mainWindow);
    EXPECT_EQ(FindWindowExA(nullptr, found, "QuillonScourwell", nullptr), nullptr);
}

TEST_F(ApplicationTest, MainClassFailureAfterTheSelectorClassIsReportedToo)
{
    // Free the selector class so that only the main class fails.
    ASSERT_TRUE(UnregisterClassA("PaletteSelector", application->instance));
    Application* first = application;
    DialogAnswerer answerer("Quillon Scourwell 1.1", IDOK);
    int exitCode = runApplication(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    answerer.join();
    theApplication = first;
    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(answerer.found());
    EXPECT_EQ(answerer.text(), "Could not register the window class!");
    WNDCLASSA selectorClass = {};
    EXPECT_TRUE(GetClassInfoA(application->instance, "PaletteSelector", &selectorClass));
}

TEST_F(ApplicationTest, AboutShowsItsBoxOwnedByTheMainWindowAndAnyCommandEndsIt)
{
    SetFocus(button(2));
    // The box has no caption: found by its empty title.
    DialogAnswerer answerer("", IDCANCEL);
    SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(IDC_ABOUT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button(2)));
    answerer.join();
    ASSERT_TRUE(answerer.found());
    EXPECT_EQ(answerer.owner(), application->mainWindow);
    HWND left = FindWindowA("#32770", "");
    EXPECT_TRUE(left == nullptr || !IsWindowVisible(left));
}

TEST(AboutDialogProc, EndsOnAnyCommandAndIgnoresEverythingElse)
{
    HWND dialog = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(aboutDialogProc(dialog, WM_INITDIALOG, 0, 0), FALSE);
    EXPECT_EQ(aboutDialogProc(dialog, WM_MOUSEMOVE, 0, 0), FALSE);
    EXPECT_EQ(aboutDialogProc(dialog, WM_COMMAND, MAKEWPARAM(12345, 7), 0), TRUE);
    DestroyWindow(dialog);
}
