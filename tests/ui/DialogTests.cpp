// The dialogs: how the colour dialog ends and what it leaves in the shared tooltip
// control, the texts of both dialogs, the About box, and the FileList made from
// what the open-file dialog leaves in its buffer.

#include <string_view>

#include "UiTestSupport.h"

namespace {

// The dialog's tools in the shared tooltip control: control id and the text the tooltip shows.
std::vector<std::pair<int, std::string>> toolsOf(HWND tooltips, HWND dialog)
{
    std::vector<std::pair<int, std::string>> tools;
    for (WPARAM k = 0; k < WPARAM(SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0)); ++k) {
        Tool tool = toolOf(tooltips, TTM_ENUMTOOLSA, k);
        if (!tool.found || tool.info.hwnd != dialog)
            continue;
        char text[256] = {};
        tool.info.lpszText = text;
        SendMessageA(tooltips, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool.info));
        tools.push_back({GetDlgCtrlID(reinterpret_cast<HWND>(tool.info.uId)), text});
    }
    return tools;
}

// The caption of dialog, then the text of each control in creation order.
std::vector<std::string> textsOf(HWND dialog)
{
    auto textOf = [](HWND window) {
        char text[512] = {};
        GetWindowTextA(window, text, sizeof(text));
        return std::string(text);
    };
    std::vector<std::string> texts{textOf(dialog)};
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        texts.push_back(textOf(child));
    return texts;
}

// The paths of the FileList made from buffer, none for null.
std::vector<std::string> parse(std::string_view buffer, bool multiSelect)
{
    FileList list = fileListFromSelection(buffer.data(), static_cast<uint32_t>(buffer.size()), multiSelect);
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
    HWND tooltips = application->tooltipWindow;
    PaletteSelector& selector = *application->paletteSelector;
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending[1]);
        HWND grid = nullptr;
        std::vector<std::pair<int, std::string>> tools;
        bool stillOpen = false;
        std::future<bool> driver = onDialog("Choose Colours To Delete Or Replace", [&](HWND dialog) {
            grid = GetDlgItem(dialog, 1002);
            tools = toolsOf(tooltips, dialog);
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
        EXPECT_EQ(SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0), LRESULT(ButtonCount));
        // Each opening binds the selector to its own grid.
        EXPECT_EQ(selector.window, grid);
        for (uint32_t colour = 0; colour < 256; ++colour)
            ASSERT_EQ(selector.colourMap().entry(colour), ending[3] == 3 ? ColourRemoved : colour);
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

    // The About box has no caption; its explanation by the start of each text, the credits line only as not empty.
    HWND about =
        CreateDialogParamA(application->instance, MAKEINTRESOURCEA(131), application->mainWindow, aboutDialogProc, 0);
    std::vector<std::string> texts = textsOf(about);
    DestroyWindow(about);
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

TEST_F(ApplicationTest, AboutBoxEndsOnAnyCommand)
{
    // OK the e2e script clicks; Esc and any other command end the box too.
    for (WPARAM command : {WPARAM(IDCANCEL), WPARAM(MAKEWPARAM(77, 5))}) {
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
                 {folder + '\0' + name + '\0' + name + "\0\0"s, true, {folder + "\\" + name, folder + "\\" + name}}};
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
}
