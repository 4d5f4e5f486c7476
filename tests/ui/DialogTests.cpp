// The colour and About dialogs: their templates read back from Scourwell.exe,
// how the colour dialog ends and what it leaves in the shared tooltip control,
// and the open-file dialog driven as a user would.
#include <windows.h>

#include <commctrl.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/PaletteSelector.h"

namespace {

// Reads a plain (not extended) dialog template into lines, the dialog's first and then one
// per control, every field written out; none when any read would pass the end.
std::vector<std::string> templateOf(uint32_t id)
{
    HMODULE module = LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    const std::vector<uint8_t> bytes(data, data + (data != nullptr ? SizeofResource(module, found) : 0));
    FreeLibrary(module);
    size_t at = 0;
    bool ok = true;
    auto word = [&] {
        ok = ok && at + 2 <= bytes.size();
        at += 2;
        return ok ? uint32_t(bytes[at - 2] | bytes[at - 1] << 8) : 0u;
    };
    auto dword = [&] {
        uint32_t low = word();
        return low | word() << 16;
    };
    auto hex = [](uint32_t value) {
        char out[12] = {};
        std::snprintf(out, sizeof(out), "%X ", value);
        return std::string(out);
    };
    auto geometry = [&] {
        std::string out;
        for (int k = 0; k < 4; ++k)
            out += std::to_string(int16_t(word())) + " ";
        return out;
    };
    auto text = [&] {
        std::string out;
        for (uint32_t c = word(); ok && c != 0; c = word())
            out.push_back(char(c));
        return out;
    };
    // An ordinal is 0xFFFF and a number; class names in capitals, as Windows compares them without case.
    auto name = [&](bool isClass) {
        if (at + 2 > bytes.size() || bytes[at] != 0xFF || bytes[at + 1] != 0xFF) {
            std::string out = text();
            for (char& c : out)
                c = isClass ? char(std::toupper(static_cast<unsigned char>(c))) : c;
            return isClass ? out : "\"" + out + "\"";
        }
        word();
        uint32_t ordinal = word();
        return std::string(ordinal == 0x80 ? "BUTTON" : ordinal == 0x82 ? "STATIC" : "#" + std::to_string(ordinal));
    };
    // Fields appended one statement each: the operands of + have no set order.
    uint32_t style = dword();
    std::string dialog = hex(style);
    dialog += hex(dword());
    uint32_t count = word();
    dialog += geometry();
    dialog += name(false) + " ";
    dialog += name(false) + " \"";
    dialog += text() + "\"";
    if ((style & DS_SETFONT) != 0) {
        dialog += " " + std::to_string(word()) + " \"";
        dialog += text() + "\"";
    }
    std::vector<std::string> lines = {dialog};
    for (uint32_t k = 0; k < count && ok; ++k) {
        at = (at + 3) & ~size_t(3);
        std::string item = hex(dword());
        item += hex(dword());
        item += geometry();
        item += std::to_string(word()) + " ";
        item += name(true) + " ";
        item += name(false);
        at += word();
        lines.push_back(item);
    }
    return ok && at <= bytes.size() ? lines : std::vector<std::string>{};
}

// Each line whole when the expected one ends its text, else its start.
void expectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t k = 0; k < actual.size(); ++k) {
        if (expected[k].back() == '"') {
            EXPECT_EQ(actual[k], expected[k]);
        } else {
            EXPECT_EQ(actual[k].rfind(expected[k], 0), 0u) << actual[k] << "\nstarts not with\n" << expected[k];
        }
    }
}

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

} // namespace

TEST(DialogTemplates, ColourDialogHasEveryControlAsTheUserSeesIt)
{
    expectLines(templateOf(134),
                {"80C808C0 0 0 0 236 277 \"\" \"\" \"Choose Colours To Delete Or Replace\" 8 \"Tahoma\"",
                 "50010001 0 184 260 48 12 1003 BUTTON \"OK\"", "50010000 0 132 240 48 12 4 BUTTON \"Keep All\"",
                 "50010000 0 184 240 48 12 3 BUTTON \"Remove All\"", "50010000 0 132 260 48 12 1004 BUTTON \"Cancel\"",
                 "50000000 0 4 4 228 180 1002 PALETTESELECTOR \"\"",
                 "50020000 0 4 188 228 16 65535 STATIC \"To remove all faces from a model with a certain colour, "
                 "left-click on that colour. Left-click again to keep that colour.\"",
                 "50020000 0 4 208 228 16 65535 STATIC \"To replace all occurrences of a colour with another colour, "
                 "left-drag from the colour to be replaced to its replacement colour.\"",
                 "50020000 0 4 228 228 8 65535 STATIC \"Colours to be removed are highlighted red.\"",
                 "50020000 0 4 240 124 32 65535 STATIC \"Colours to be replaced are highlighted green. Move the mouse "
                 "over the colour to see its replacement colour, highlighted blue.\""});
}

TEST(DialogTemplates, AboutBoxIsCaptionlessWithItsTextsInOrder)
{
    // The explanation's texts by their starts; the credits line only as not empty.
    const std::vector<std::string> about = templateOf(131);
    const std::string credits = "50020201 0 4 228 296 8 65535 STATIC \"";
    auto text = [](int y, int cy, const char* start) {
        return "50020000 0 4 " + std::to_string(y) + " 296 " + std::to_string(cy) + " 65535 STATIC \"" + start;
    };
    expectLines(about,
                {"800008C0 0 0 0 304 257 \"\" \"\" \"\" 8 \"Tahoma\"", "50010001 0 123 240 56 12 1000 BUTTON \"OK\"",
                 "50020201 0 4 4 296 8 65535 STATIC \"About Scourwell\"", credits.substr(0, credits.size() - 1),
                 text(16, 8, "Scouring performs four actions:"),
                 text(28, 24, "1) It removes any face that does not have a texture"),
                 text(56, 16, "The exception is that it does not remove any lines"),
                 text(76, 8, "2) It removes any vertexes that do not belong to any face in the object."),
                 text(89, 16, "3) It removes all duplicate and usused texture names."),
                 text(108, 16, "4) It adds a single point to any part of the object that has no faces."),
                 text(128, 16, "The aim of all this is to reduce the file size"),
                 text(200, 24, "Every effort has been made to ensure that cleaned models"),
                 text(148, 8, "Scouring is a two stage process:"),
                 text(160, 16, "1) Press 'Select 3DO File(s)' on the main window"),
                 text(180, 16, "2) Press 'Scour!' on the main window and choose which colour indexes")});
    ASSERT_EQ(about.size(), 15u); // the dialog and its 14 controls
    EXPECT_GT(about[3].size(), credits.size() + 1) << about[3];
}

// Opens the colour dialog modally; action runs on it from a helper thread.
INT_PTR runColourDialog(Application* application, std::function<void(HWND)> action)
{
    std::future<bool> driver = onDialog("Choose Colours To Delete Or Replace", std::move(action));
    INT_PTR result =
        DialogBoxParamA(application->instance, MAKEINTRESOURCEA(134), application->mainWindow, colourDialogProc, 0);
    EXPECT_TRUE(driver.get());
    return result;
}

TEST_F(ApplicationTest, ColourDialogEndsOnlyByOkCancelOrCloseAndTakesItsTipsAlong)
{
    const struct {
        UINT message;
        WPARAM wParam;
        INT_PTR result;
    } endings[] = {
        {WM_COMMAND, 1003, 1}, {WM_COMMAND, 1004, 0}, {WM_SYSCOMMAND, SC_CLOSE, 0}, {WM_SYSCOMMAND, SC_CLOSE | 2, 0}};
    HWND tooltips = application->tooltipWindow;
    LRESULT buttonTools = SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0);
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.wParam);
        HWND shown = nullptr;
        std::vector<std::pair<int, UINT>> tools;
        bool stillOpen = false;
        INT_PTR result = runColourDialog(application, [&](HWND dialog) {
            shown = dialog;
            tools = toolsOf(tooltips, dialog);
            // Esc sends the standard cancel command, which is not handled; nor are other system commands.
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            SendMessageA(dialog, WM_SYSCOMMAND, SC_RESTORE, 0);
            stillOpen = IsWindowVisible(dialog) != FALSE;
            PostMessageA(dialog, ending.message, ending.wParam, 0);
        });
        EXPECT_EQ(result, ending.result);
        EXPECT_TRUE(stillOpen);
        // Four tips while it was open, OK, Cancel, Keep All, Remove All; none of them after.
        const UINT flags = TTF_IDISHWND | TTF_CENTERTIP;
        EXPECT_EQ(tools, (std::vector<std::pair<int, UINT>>{{1003, flags}, {1004, flags}, {4, flags}, {3, flags}}));
        EXPECT_TRUE(toolsOf(tooltips, shown).empty());
        EXPECT_EQ(SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0), buttonTools);
    }
}

TEST_F(ApplicationTest, EditsSurviveCancelAndAReopeningButReachTheRegistryOnlyThroughARun)
{
    EXPECT_EQ(runColourDialog(application,
                              [](HWND dialog) {
                                  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(3, BN_CLICKED), 0);
                                  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED), 0);
                              }),
              0);
    for (uint32_t colour = 0; colour < 256; ++colour)
        ASSERT_EQ(application->paletteSelector->colourMap().entry(colour), ColourRemoved);
    EXPECT_EQ(storedColourMapSize(), 0u);

    // The reopened grid shows the edit, and binds to the new control.
    HWND grid = nullptr;
    uint32_t cellsBefore = application->paletteSelector->cellsDrawn;
    runColourDialog(application, [&grid](HWND dialog) {
        grid = GetDlgItem(dialog, 1002);
        Sleep(300); // its first paint
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(application->paletteSelector->window, grid);
    EXPECT_GE(application->paletteSelector->cellsDrawn - cellsBefore, 256u);
    EXPECT_EQ(storedColourMapSize(), 0u);
}

TEST_F(ApplicationTest, AboutBoxEndsOnAnyCommand)
{
    for (WPARAM command : {WPARAM(1000), WPARAM(IDCANCEL), WPARAM(IDOK), WPARAM(MAKEWPARAM(77, 5))}) {
        std::future<bool> driver = onDialog("", [command](HWND dialog) {
            // The box has no caption: make sure this is it before ending it.
            if (GetDlgItem(dialog, 1000) != nullptr)
                PostMessageA(dialog, WM_COMMAND, command, 0);
        });
        SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), LPARAM(button(2)));
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
        SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED), LPARAM(button(0)));
        EXPECT_TRUE(driver.get());
        return filePaths(application->fileList);
    };
    std::string folder = scratch.path();
    EXPECT_EQ(choose("\"c.3do\" \"a.3do\"", IDOK), (std::vector<std::string>{folder + "\\c.3do", folder + "\\a.3do"}));
    EXPECT_EQ(choose("b.3do", IDOK), std::vector<std::string>{folder + "\\b.3do"});
    EXPECT_TRUE(choose("a.3do", IDCANCEL).empty());
    EXPECT_EQ(application->fileList, nullptr);
    SetCurrentDirectoryA(previous);
}
