// The application as the program builds it: classes, window, buttons, tooltips, strings, focus memory,
// commands, keys, pixels and a batch run's window steps, with the sizes of the records they hand Windows.

#include "UiTestSupport.h"
#include "res/resource.h"

// Position, size, unfocused and focused frame, normal, pushed and disabled face.
const int Buttons[ButtonCount][9] = {{107, 179, 299, 31, 116, 115, 121, 122, 120},
                                     {107, 223, 299, 31, 116, 115, 118, 119, 117},
                                     {107, 280, 143, 31, 128, 127, 125, 126, 124},
                                     {263, 280, 143, 31, 128, 127, 130, 123, 129}};

TEST_F(ApplicationTest, ClassesMainWindowStringsAndAFailedRegistration)
{
    // Both classes by the names of the string table; the icon for the main window only. Its title,
    // client size and buttons are seen in the e2e script and in the client area's pixels.
    WNDCLASSA main = {}, selector = {};
    EXPECT_TRUE(GetClassInfoA(application->instance, "QuillonScourwell", &main) && main.hIcon != nullptr);
    EXPECT_TRUE(GetClassInfoA(application->instance, "PaletteSelector", &selector) && selector.hIcon == nullptr);
    // Centred on the maximised area; negative, truncated toward zero, when that area is the smaller.
    RECT frame = {};
    GetWindowRect(application->mainWindow, &frame);
    EXPECT_EQ(std::make_pair(frame.left, frame.top),
              std::make_pair((GetSystemMetrics(SM_CXMAXIMIZED) - (frame.right - frame.left)) / 2,
                             (GetSystemMetrics(SM_CYMAXIMIZED) - (frame.bottom - frame.top)) / 2));
    EXPECT_EQ(std::make_pair(centredPosition(400, 518), centredPosition(401, 518)), std::make_pair(-59, -58));

    // Cut at 4095 characters: the test program's entry has 4992, 'a' to 'z' over and over.
    char* longEntry = application->loadStringResource(SCOURWELL_TEST_LONG_STRING);
    ASSERT_EQ(std::strlen(longEntry), 4095u);
    EXPECT_EQ(std::string(longEntry).substr(4082), "abcdefghijklm"); // 4082 is 157 alphabets
    delete[] longEntry;

    // A second start in the same process: the classes exist already.
    EXPECT_EQ(runApplication(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 0);
    theApplication = application;
    EXPECT_EQ(recorded.boxes,
              (std::vector<Box>{
                  {nullptr, "Quillon Scourwell " SCOUR_VERSION, "Could not register the window class!", MB_OK | MB_ICONHAND, 0}}));
    EXPECT_STREQ(registrationFailureText(ERROR_CALL_NOT_IMPLEMENTED), "This program requires Windows NT!");
}

TEST_F(ApplicationTest, ButtonWindowsTheirTooltipToolsAndATipShown)
{
    const char* const tips[ButtonCount] = {"Select the 3DO file(s) you wish to Scour", "Scour the selected 3DO file(s)",
                                           "About Scourwell", "Quit Scourwell"};
    for (uint32_t k = 0; k < ButtonCount; ++k) {
        // In the order they were added, each over its face alone.
        Tool tool = toolOf(application->tooltipWindow, TTM_ENUMTOOLSA, k);
        EXPECT_EQ(std::make_tuple(tool.info.hwnd, tool.info.uId, tool.info.uFlags, tool.text),
                  std::make_tuple(button(k), UINT_PTR(1000 + k), 0u, std::string(tips[k])));
        RECT face = {12, 6, Buttons[k][2] - 11, Buttons[k][3] - 5};
        EXPECT_TRUE(EqualRect(&tool.info.rect, &face)) << k;
    }

    // A real pointer resting on the Scour button's face shows its tip; the hook relays its moves.
    SetForegroundWindow(application->mainWindow);
    SetFocus(button(1));
    RECT face = {};
    GetWindowRect(button(1), &face);
    SetCursorPos(face.left + 150, face.top + 16);
    HWND tooltip = application->tooltipWindow;
    for (int tries = 0; tries < 100 && !IsWindowVisible(tooltip); ++tries)
        pumpMessages(50);
    ASSERT_TRUE(IsWindowVisible(tooltip));
    EXPECT_EQ(toolOf(tooltip, TTM_GETCURRENTTOOLA).info.hwnd, button(1));
    saveScreenArea(application->mainWindow, tooltip, "main-window-tooltip");
}

TEST_F(ApplicationTest, FocusMemoryCommandsOutsideTheButtonsAndKeys)
{
    // The first activation focuses button 0; each later one gives the main window the focus again.
    EXPECT_EQ(GetFocus(), button(0));
    auto reactivate = [this] {
        SendMessageA(application->mainWindow, WM_SETFOCUS, 0, 0);
        return GetFocus();
    };
    // BN_SETFOCUS alone, from button 3 and then from a window that is no button.
    sendCommand(1003, BN_SETFOCUS);
    SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(1002, BN_SETFOCUS),
                 LPARAM(application->tooltipWindow));
    EXPECT_EQ(reactivate(), button(3));
    // WM_SETFOCUS alone: without BS_NOTIFY button 1 tells its parent nothing.
    LONG_PTR style = GetWindowLongPtrA(button(1), GWL_STYLE);
    SetWindowLongPtrA(button(1), GWL_STYLE, style & ~LONG_PTR(BS_NOTIFY));
    SendMessageA(button(1), WM_SETFOCUS, 0, 0);
    SetWindowLongPtrA(button(1), GWL_STYLE, style);
    EXPECT_EQ(reactivate(), button(1));

    // Other ids, and other notifications of the buttons' ids, do nothing; sent from button 3, a slip
    // would show in the focus memory.
    const int commands[][2] = {{999, BN_CLICKED}, {1004, BN_CLICKED}, {1003, BN_DBLCLK}, {1001, BN_KILLFOCUS}};
    for (const auto& [id, notification] : commands)
        SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(id, notification), LPARAM(button(3)));
    EXPECT_EQ(std::make_tuple(pumpMessages(50), application->focusedButton, recorded.boxes.size()),
              std::make_tuple(false, 1u, size_t(0)));

    // Tab goes 1, 2, 3 and from the last back to the first.
    for (uint32_t step = 2; step <= 5; ++step) {
        SendMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        EXPECT_EQ(GetFocus(), button(step % 4)) << step;
    }
    // Shift+Tab from the first to the last.
    keybd_event(VK_SHIFT, 0, 0, 0);
    pumpMessages(50);
    SendMessageA(button(0), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), button(3));
    keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
    pumpMessages(50);

    // Enter clicks Quit on each key-down, auto-repeat (bit 30) included; not on release or other keys.
    for (LPARAM flags : {LPARAM(1), LPARAM(0x40000001)}) {
        SendMessageA(button(3), WM_KEYDOWN, VK_RETURN, flags);
        EXPECT_TRUE(pumpMessages(20)) << flags;
    }
    SendMessageA(button(3), WM_KEYUP, VK_RETURN, LPARAM(0xC0000001));
    SendMessageA(button(3), WM_KEYDOWN, 'A', 1);
    EXPECT_FALSE(pumpMessages(20));
    // Closing the window ends the message loop as Quit does.
    SendMessageA(application->mainWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(pumpMessages(20));
}

TEST_F(ApplicationTest, ClientAreaIsTheBackgroundWithEachButtonsFrameAndFace)
{
    // Each frame and face once: disabled; pushed; normal with the focus; pushed and disabled at once
    // (the pushed face wins).
    enum Look { Normal, Pushed, Disabled };
    const Look looks[ButtonCount] = {Disabled, Pushed, Normal, Pushed};
    SetFocus(button(2));
    for (uint32_t k : {0u, 3u})
        EnableWindow(button(k), FALSE);
    SendMessageA(button(1), BM_SETSTATE, TRUE, 0);
    SendMessageA(button(3), BM_SETSTATE, TRUE, 0);
    RedrawWindow(application->mainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pumpMessages(50);
    Capture expected = renderBitmap(application->instance, IDB_BACKGROUND);
    auto paste = [&expected, this](int id, int left, int top) {
        Capture image = renderBitmap(application->instance, uint32_t(id));
        for (size_t k = 0; k < image.pixels.size(); ++k)
            expected.pixels[size_t(top + int(k) / image.width) * 512 + size_t(left + int(k) % image.width)] =
                image.pixels[k];
    };
    for (uint32_t k = 0; k < ButtonCount; ++k) {
        paste(Buttons[k][k == 2 ? 5 : 4], Buttons[k][0], Buttons[k][1]);
        paste(Buttons[k][6 + looks[k]], Buttons[k][0] + 12, Buttons[k][1] + 6);
    }
    EXPECT_TRUE(captureClient(application->mainWindow).pixels == expected.pixels);
}

// The batch run's report, log.txt, goes to the test's working folder in the build tree. What the run
// writes and stores, and how the next start shows the map, the e2e script checks.
TEST_F(ApplicationTest, ScourAfterACancelledChoiceAndThenWithTheAnswersNoAndYes)
{
    // Choosing files the e2e script does; a cancelled open-file dialog drops the earlier choice.
    const char missing[] = "C:\\missing.3do";
    application->fileList = fileListFromSelection(missing, sizeof(missing), false);
    std::future<bool> cancel = onDialog(
        "Open 3DO File(s)", [](HWND dialog) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    sendCommand(1000);
    EXPECT_EQ(std::make_pair(cancel.get(), recorded.openFile), std::make_pair(true, OpenFileSize));
    sendCommand(1001);

    // One unreadable file: the run reports it and goes on to the question. The colour
    // dialog comes first and is confirmed with OK.
    application->fileList = fileListFromSelection(missing, sizeof(missing), false);
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer);
        recorded.answer = answer;
        SetFocus(button(3));
        HWND owner = nullptr;
        std::future<bool> colours = onDialog("Choose Colours To Delete Or Replace", [&owner](HWND dialog) {
            owner = GetWindow(dialog, GW_OWNER);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED), 0);
        });
        const size_t boxes = recorded.boxes.size();
        sendCommand(1001);
        ASSERT_TRUE(colours.get());
        // The files are cleaned in the background; the closing question ends the run.
        ASSERT_TRUE(pumpUntil([boxes] { return recorded.boxes.size() > boxes; }, 30000));
        EXPECT_EQ(std::make_tuple(owner, GetFocus(), recorded.commandLine, recorded.startup),
                  std::make_tuple(application->mainWindow, button(1), answer == IDYES ? "notepad log.txt" : "",
                                  answer == IDYES ? StartupSize : 0u));
        for (uint32_t k = 0; k < ButtonCount; ++k)
            EXPECT_TRUE(IsWindowEnabled(button(k))) << k;
    }
    const std::string done = "File cleaning complete.\nWould you like to see the log file for more details?";
    const Box question = {application->mainWindow, "Cleaning Completed!", done, MB_YESNO | MB_ICONINFORMATION, 0};
    EXPECT_EQ(recorded.boxes,
              (std::vector<Box>{{application->mainWindow, "No 3DO Files Selected!",
                                 "No 3DO files have been selected.\nYou must select one or more 3DO files.",
                                 MB_OK | MB_ICONHAND, ButtonCount},
                                question,
                                question}));
}
