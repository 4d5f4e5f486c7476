// The dialogs: how each ends and what the colour dialog leaves in the shared tooltip control,
// their texts, and the FileList made from what the open-file dialog leaves in its buffer.

#include "UiTestSupport.h"

namespace {

// The dialog's tools in the shared tooltip control: control id and the text the tooltip shows.
std::vector<std::pair<int, std::string>> toolsOf(HWND tooltips, HWND dialog)
{
    std::vector<std::pair<int, std::string>> tools;
    for (WPARAM k = 0; k < WPARAM(SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0)); ++k) {
        Tool tool = toolOf(tooltips, TTM_ENUMTOOLSA, k);
        if (tool.info.hwnd == dialog)
            tools.push_back({GetDlgCtrlID(reinterpret_cast<HWND>(tool.info.uId)), tool.text});
    }
    return tools;
}

// The caption of dialog, then the text of each control in creation order.
std::vector<std::string> textsOf(HWND dialog)
{
    std::vector<std::string> texts;
    for (HWND window = dialog; window != nullptr;
         window = GetWindow(window, window == dialog ? GW_CHILD : GW_HWNDNEXT)) {
        char text[512] = {};
        GetWindowTextA(window, text, sizeof(text));
        texts.push_back(text);
    }
    return texts;
}

// The paths of the FileList made from a heap copy of buffer (nothing lies beyond it); none for null.
std::vector<std::string> parse(const std::string& buffer, bool multiSelect)
{
    const std::vector<char> copy(buffer.begin(), buffer.end());
    FileList list = fileListFromSelection(copy.data(), static_cast<uint32_t>(copy.size()), multiSelect);
    std::vector<std::string> paths;
    for (uint32_t k = 0; list != nullptr && list[k] != nullptr; ++k)
        paths.push_back(list[k]);
    releaseFileList(list);
    return paths;
}

} // namespace

TEST_F(ApplicationTest, ColourDialogEndsOnlyByOkCancelOrCloseAndTakesItsTipsAlong)
{
    // Message, wParam and result of each ending, after Remove All (3) or Keep All (4), which change the
    // map at once and stay after Cancel.
    const WPARAM endings[][4] = {
        {WM_SYSCOMMAND, SC_CLOSE | 2, 0, 4}, {WM_COMMAND, 1004, 0, 3}, {WM_COMMAND, 1003, 1, 4}};
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending[1]);
        HWND grid = nullptr;
        std::vector<std::pair<int, std::string>> tools;
        bool stillOpen = false;
        std::future<bool> driver = onDialog("Choose Colours To Delete Or Replace", [&](HWND dialog) {
            grid = GetDlgItem(dialog, 1002);
            tools = toolsOf(application->tooltipWindow, dialog);
            // Esc sends the standard cancel command, which is not handled; nor are other system commands.
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            SendMessageA(dialog, WM_SYSCOMMAND, SC_RESTORE, 0);
            stillOpen = IsWindowVisible(dialog) != FALSE;
            SendMessageA(dialog, WM_COMMAND, ending[3], 0);
            PostMessageA(dialog, UINT(ending[0]), ending[1], 0);
        });
        EXPECT_EQ(
            DialogBoxParamA(application->instance, MAKEINTRESOURCEA(134), application->mainWindow, colourDialogProc, 0),
            INT_PTR(ending[2]));
        ASSERT_TRUE(driver.get());
        EXPECT_TRUE(stillOpen);
        // Four tips while it was open, OK, Cancel, Keep All, Remove All; none of them after.
        EXPECT_EQ(tools,
                  (std::vector<std::pair<int, std::string>>{{1003, "Scours the selected 3DO files(s)."},
                                                            {1004, "Returns to the main window without Scouring."},
                                                            {4, "Un-sets all removed and replaced colours."},
                                                            {3, "Sets all colours to be removed."}}));
        EXPECT_EQ(SendMessageA(application->tooltipWindow, TTM_GETTOOLCOUNT, 0, 0), LRESULT(ButtonCount));
        // Each opening binds the selector to its own grid.
        EXPECT_EQ(application->paletteSelector->window, grid);
        // One entry: what Keep All and Remove All do to the whole map the colour map tests check.
        EXPECT_EQ(application->paletteSelector->colourMap().entry(7), ending[3] == 3 ? ColourRemoved : 7u);
    }
    EXPECT_EQ(recorded.tools, std::vector<DWORD>(ButtonCount + 8 * std::size(endings), ToolSize));
}

TEST_F(ApplicationTest, DialogsShowTheirCaptionAndTexts)
{
    HWND colours =
        CreateDialogParamA(application->instance, MAKEINTRESOURCEA(134), application->mainWindow, colourDialogProc, 0);
    EXPECT_EQ(textsOf(colours),
              (std::vector<std::string>{
                  "Choose Colours To Delete Or Replace", "OK", "Keep All", "Remove All", "Cancel", "",
                  "To remove all faces from a model with a certain colour, left-click on that colour. Left-click "
                  "again to keep that colour.",
                  "To replace all occurrences of a colour with another colour, left-drag from the colour to be "
                  "replaced to its replacement colour.",
                  "Colours to be removed are highlighted red.",
                  "Colours to be replaced are highlighted green. Move the mouse over the colour to see its "
                  "replacement colour, highlighted blue."}));
    DestroyWindow(colours);

    // The About box, from its button, has no caption; its explanation by the start of each text, the credits
    // line only as not empty. OK the e2e script clicks; any other command ends the box too.
    std::vector<std::string> texts;
    std::future<bool> about = onDialog("", [&texts](HWND dialog) {
        texts = textsOf(dialog);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(77, 5), 0);
    });
    sendCommand(1002);
    ASSERT_TRUE(about.get());
    EXPECT_EQ(aboutDialogProc(nullptr, WM_MOUSEMOVE, 0, 0), FALSE);
    const std::vector<std::string> starts(
        {"", "OK", "About Scourwell", "",
         "Scouring performs four actions:", "1) It removes any face that does not have a texture",
         "The exception is that it does not remove any lines", "2) It removes any vertexes that do not belong",
         "3) It removes all duplicate and usused texture names.", "4) It adds a single point to any part",
         "The aim of all this is to reduce the file size", "Every effort has been made",
         "Scouring is a two stage process:", "1) Press 'Select 3DO File(s)' on the main window",
         "2) Press 'Scour!' on the main window"});
    ASSERT_EQ(texts.size(), starts.size());
    EXPECT_FALSE(texts[3].empty());
    for (size_t k = 1; k < texts.size(); ++k)
        texts[k].resize(std::min(texts[k].size(), starts[k].size()));
    EXPECT_EQ(texts, starts);
}

TEST(FileListFromSelection, PathsInDialogOrderWithABackslashEvenAfterARootAndEveryByteInBounds)
{
    using namespace std::string_literals;
    const std::string one = "C:\\Units\\a.3do\0\0"s, several = "C:\\Units\0b.3do\0a.3do\0c.3do\0\0"s;
    // Paths longer than MAX_PATH are kept whole.
    const std::string folder = "C:\\" + std::string(240, 'f'), name = std::string(250, 'n') + ".3do";
    const struct {
        std::string buffer;
        bool multiSelect;
        std::vector<std::string> paths;
    } cases[] = {{one, true, {"C:\\Units\\a.3do"}},
                 {several, true, {"C:\\Units\\b.3do", "C:\\Units\\a.3do", "C:\\Units\\c.3do"}},
                 {several, false, {"C:\\Units"}}, // without multiple selection only the first string counts
                 {"C:\\\0a.3do\0b.3do\0\0"s, true, {"C:\\\\a.3do", "C:\\\\b.3do"}},
                 {folder + '\0' + name + '\0' + name + "\0\0"s, true, {folder + "\\" + name, folder + "\\" + name}},
                 // Filled to the last byte without terminators.
                 {"C:\\Dir\0name"s, true, {"C:\\Dir\\name"}},
                 {"name", false, {"name"}}};
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.buffer, c.multiSelect), c.paths) << c.buffer << " " << c.multiSelect;

    EXPECT_EQ(fileListFromSelection(std::string(16, '\0').data(), 16, true), nullptr);
    EXPECT_EQ(fileListFromSelection(nullptr, 10, true), nullptr);
    releaseFileList(nullptr);
}
