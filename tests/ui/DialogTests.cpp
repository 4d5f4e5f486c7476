// The dialogs: how the colour dialog ends and what it leaves in the shared tooltip
// control, the About box, the open-file dialog driven as a user would, and the
// FileList made from what that dialog leaves in its buffer.

#include <string_view>

#include "UiTestSupport.h"

namespace {

// The dialog's tools in the shared tooltip control: control id and flags.
std::vector<std::pair<int, UINT>> toolsOf(HWND tooltips, HWND dialog)
{
    std::vector<std::pair<int, UINT>> tools;
    for (WPARAM k = 0; k < WPARAM(SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0)); ++k) {
        Tool tool = toolOf(tooltips, TTM_ENUMTOOLSA, k);
        if (tool.found && tool.info.hwnd == dialog)
            tools.push_back({GetDlgCtrlID(reinterpret_cast<HWND>(tool.info.uId)), tool.info.uFlags});
    }
    return tools;
}

// The paths of list, none for null.
std::vector<std::string> filePaths(FileList list)
{
    std::vector<std::string> paths;
    for (uint32_t k = 0; list != nullptr && list[k] != nullptr; ++k)
        paths.push_back(list[k]);
    return paths;
}

std::vector<std::string> parse(std::string_view buffer, bool multiSelect)
{
    FileList list = fileListFromSelection(buffer.data(), static_cast<uint32_t>(buffer.size()), multiSelect);
    std::vector<std::string> paths = filePaths(list);
    releaseFileList(list);
    return paths;
}

} // namespace

TEST_F(ApplicationTest, ColourDialogEndsOnlyByOkCancelOrCloseAndTakesItsTipsAlong)
{
    // Message, wParam and result of each ending, after Remove All (3) or Keep All (4), which change the
    // map at once and stay after Cancel.
    const WPARAM endings[][4] = {{WM_SYSCOMMAND, SC_CLOSE | 2, 0, 4},
                                 {WM_COMMAND, 1004, 0, 3},
                                 {WM_SYSCOMMAND, SC_CLOSE, 0, 4},
                                 {WM_COMMAND, 1003, 1, 3}};
    HWND tooltips = application->tooltipWindow;
    PaletteSelector& selector = *application->paletteSelector;
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending[1]);
        HWND shown = nullptr, grid = nullptr;
        std::vector<std::pair<int, UINT>> tools;
        bool stillOpen = false;
        const uint32_t cellsBefore = selector.cellsDrawn;
        std::future<bool> driver = onDialog("Choose Colours To Delete Or Replace", [&](HWND dialog) {
            shown = dialog;
            grid = GetDlgItem(dialog, 1002);
            tools = toolsOf(tooltips, dialog);
            // Esc sends the standard cancel command, which is not handled; nor are other system commands.
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            SendMessageA(dialog, WM_SYSCOMMAND, SC_RESTORE, 0);
            stillOpen = IsWindowVisible(dialog) != FALSE;
            SendMessageA(dialog, WM_COMMAND, ending[3], 0);
            Sleep(200); // its first paint
            PostMessageA(dialog, UINT(ending[0]), ending[1], 0);
        });
        EXPECT_EQ(
            DialogBoxParamA(application->instance, MAKEINTRESOURCEA(134), application->mainWindow, colourDialogProc, 0),
            INT_PTR(ending[2]));
        ASSERT_TRUE(driver.get());
        EXPECT_TRUE(stillOpen);
        // Four tips while it was open, OK, Cancel, Keep All, Remove All; none of them after.
        const UINT flags = TTF_IDISHWND | TTF_CENTERTIP;
        EXPECT_EQ(tools, (std::vector<std::pair<int, UINT>>{{1003, flags}, {1004, flags}, {4, flags}, {3, flags}}));
        EXPECT_TRUE(toolsOf(tooltips, shown).empty());
        EXPECT_EQ(SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0), LRESULT(ButtonCount));
        // Each opening binds the selector to its own grid, which paints every cell.
        EXPECT_EQ(selector.window, grid);
        EXPECT_GE(selector.cellsDrawn - cellsBefore, 256u);
        for (uint32_t colour = 0; colour < 256; ++colour)
            ASSERT_EQ(selector.colourMap().entry(colour), ending[3] == 3 ? ColourRemoved : colour);
        // Only a run stores the map.
        EXPECT_EQ(storedColourMapSize(), 0u);
    }
    EXPECT_EQ(recorded.tools, std::vector<DWORD>(ButtonCount + 8 * std::size(endings), ToolSize));
}

TEST_F(ApplicationTest, AboutBoxEndsOnAnyCommand)
{
    for (WPARAM command : {WPARAM(1000), WPARAM(IDCANCEL), WPARAM(IDOK), WPARAM(MAKEWPARAM(77, 5))}) {
        std::future<bool> driver = onDialog("", [command](HWND dialog) {
            // The box has no caption: make sure this is it before ending it.
            if (GetDlgItem(dialog, 1000) != nullptr)
                PostMessageA(dialog, WM_COMMAND, command, 0);
        });
        sendCommand(1002);
        EXPECT_TRUE(driver.get()) << command;
    }
    EXPECT_EQ(aboutDialogProc(nullptr, WM_MOUSEMOVE, 0, 0), FALSE);
}

TEST_F(ApplicationTest, OpenFileDialogGivesFullPathsAndCancelClearsTheChoice)
{
    TempDir scratch;
    for (const char* name : {"a.3do", "b.3do", "c.3do"})
        ASSERT_TRUE(writeBytes(scratch.file(name), {1, 2, 3}));
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(scratch.path().c_str());
    // Types into the dialog's file name box as a user would, and presses Open.
    auto choose = [this](const std::string& typed, int command) {
        std::future<bool> driver = onDialog("Open 3DO File(s)", [typed, command](HWND dialog) {
            Sleep(200);
            HWND box = GetDlgItem(dialog, 0x47C); // the explorer-style dialog's name box
            if (box == nullptr)
                box = GetDlgItem(dialog, 0x480);
            SetWindowTextA(box, typed.c_str());
            if (command == IDOK)
                SetWindowTextA(GetDlgItem(box, 1001), typed.c_str()); // the combo box's edit
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        });
        sendCommand(1000);
        EXPECT_TRUE(driver.get());
        return filePaths(application->fileList);
    };
    std::string folder = scratch.path();
    EXPECT_EQ(choose("\"c.3do\" \"a.3do\"", IDOK), (std::vector<std::string>{folder + "\\c.3do", folder + "\\a.3do"}));
    EXPECT_EQ(recorded.openFile, OpenFileSize);
    EXPECT_EQ(choose("b.3do", IDOK), std::vector<std::string>{folder + "\\b.3do"});
    EXPECT_TRUE(choose("a.3do", IDCANCEL).empty());
    EXPECT_EQ(application->fileList, nullptr);
    SetCurrentDirectoryA(previous);
}

TEST(FileListFromSelection, PathsInDialogOrderWithABackslashEvenAfterARootAndEveryByteInBounds)
{
    using namespace std::string_literals;
    const std::string one = "C:\\Units\\a.3do\0\0"s, several = "C:\\Units\0b.3do\0a.3do\0c.3do\0\0"s;
    const struct {
        std::string buffer;
        bool multiSelect;
        std::vector<std::string> paths;
    } cases[] = {{one, true, {"C:\\Units\\a.3do"}},
                 {one, false, {"C:\\Units\\a.3do"}},
                 {several, true, {"C:\\Units\\b.3do", "C:\\Units\\a.3do", "C:\\Units\\c.3do"}},
                 {several, false, {"C:\\Units"}}, // without multiple selection only the first string counts
                 {"C:\\\0a.3do\0b.3do\0\0"s, true, {"C:\\\\a.3do", "C:\\\\b.3do"}}};
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.buffer, c.multiSelect), c.paths) << c.buffer << " " << c.multiSelect;

    EXPECT_EQ(fileListFromSelection(std::string(16, '\0').data(), 16, true), nullptr);
    EXPECT_EQ(fileListFromSelection(nullptr, 10, true), nullptr);
    EXPECT_EQ(fileListFromSelection("x", 0, true), nullptr);
    // A buffer filled to its last byte without terminators: copied from the
    // heap so that nothing lies beyond it.
    const char text[] = "C:\\Dir\0name";
    const std::vector<char> exact(text, text + sizeof(text) - 1);
    EXPECT_EQ(parse({exact.data(), exact.size()}, true), std::vector<std::string>{"C:\\Dir\\name"});
    EXPECT_EQ(parse({exact.data() + 7, 4}, false), std::vector<std::string>{"name"});
    releaseFileList(nullptr);

    // A folder and names as long as the system allows, up to the 32768-byte buffer.
    std::string folder = "C:\\" + std::string(240, 'f');
    std::string buffer = folder + '\0';
    std::vector<std::string> expected;
    for (int k = 0; buffer.size() + 256 < 32767; ++k) {
        std::string name = std::to_string(k) + std::string(250, 'n') + ".3do";
        buffer += name + '\0';
        expected.push_back(folder + "\\" + name);
    }
    buffer += '\0';
    buffer.resize(32768, '\0');
    EXPECT_EQ(parse(buffer, true), expected);
    EXPECT_GT(expected.size(), 120u);
}
