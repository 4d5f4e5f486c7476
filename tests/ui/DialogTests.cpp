// The colour and About dialogs: their templates read back from Scourwell.exe,
// how the colour dialog ends and what it leaves in the shared tooltip control,
// and the open-file dialog driven as a user would.
#include <windows.h>

#include <commctrl.h>

#include <cctype>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "UiTestSupport.h"
#include "support/TestSupport.h"
#include "ui/Dialogs.h"
#include "ui/PaletteSelector.h"

namespace {

struct DialogItem {
    uint32_t style;
    int x, y, cx, cy;
    uint32_t id;
    std::string className, text;

    bool operator==(const DialogItem& o) const
    {
        return style == o.style && x == o.x && y == o.y && cx == o.cx && cy == o.cy && id == o.id &&
               className == o.className && text == o.text;
    }
};

std::ostream& operator<<(std::ostream& out, const DialogItem& item)
{
    return out << item.id << " " << item.className << " style " << std::hex << item.style << std::dec << " at "
               << item.x << "," << item.y << " " << item.cx << "x" << item.cy << " \"" << item.text << "\"";
}

struct DialogTemplate {
    uint32_t style = 0, extendedStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string menu, className, caption, font;
    uint32_t pointSize = 0;
    std::vector<DialogItem> items;
    bool complete = false;
};

// Reads a plain (not extended) dialog template, refusing anything out of bounds.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<uint8_t>& data) : bytes(data) {}

    DialogTemplate read()
    {
        DialogTemplate t;
        t.style = dword();
        t.extendedStyle = dword();
        uint32_t count = word();
        t.x = int16_t(word());
        t.y = int16_t(word());
        t.cx = int16_t(word());
        t.cy = int16_t(word());
        t.menu = nameOrOrdinal();
        t.className = nameOrOrdinal();
        t.caption = text();
        if ((t.style & DS_SETFONT) != 0) {
            t.pointSize = word();
            t.font = text();
        }
        for (uint32_t k = 0; k < count && ok; ++k) {
            at = (at + 3) & ~size_t(3);
            DialogItem item = {};
            item.style = dword();
            if (dword() != 0)
                t.extendedStyle = 0xBAD; // items carry no extended style
            item.x = int16_t(word());
            item.y = int16_t(word());
            item.cx = int16_t(word());
            item.cy = int16_t(word());
            item.id = word();
            item.className = classOf();
            item.text = nameOrOrdinal();
            uint32_t extra = word();
            at += extra;
            t.items.push_back(item);
        }
        t.complete = ok && at <= bytes.size();
        return t;
    }

private:
    uint32_t word()
    {
        if (at + 2 > bytes.size()) {
            ok = false;
            return 0;
        }
        uint32_t value = uint32_t(bytes[at] | bytes[at + 1] << 8);
        at += 2;
        return value;
    }
    uint32_t dword() { return word() | word() << 16; }
    std::string text()
    {
        std::string out;
        for (uint32_t c = word(); ok && c != 0; c = word())
            out.push_back(char(c));
        return out;
    }
    // An ordinal is 0xFFFF and a number; the predefined classes get their names,
    // and class names are compared without regard to case, as Windows does.
    std::string classOf()
    {
        std::string name = nameOrOrdinal();
        for (char& c : name)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        return name;
    }
    std::string nameOrOrdinal()
    {
        uint32_t first = word();
        if (first == 0)
            return "";
        if (first != 0xFFFF) {
            at -= 2;
            return text();
        }
        uint32_t ordinal = word();
        return ordinal == 0x80 ? "BUTTON" : ordinal == 0x82 ? "STATIC" : "#" + std::to_string(ordinal);
    }

    const std::vector<uint8_t>& bytes;
    size_t at = 0;
    bool ok = true;
};

DialogTemplate templateOf(uint32_t id)
{
    HMODULE module = LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    std::vector<uint8_t> bytes(data, data + (data != nullptr ? SizeofResource(module, found) : 0));
    FreeLibrary(module);
    return TemplateReader(bytes).read();
}

const uint32_t Button = 0x50010000, DefaultButton = 0x50010001, Text = 0x50020000;

// The dialog's tools in the shared tooltip control.
std::vector<TOOLINFOA> toolsOf(HWND tooltips, HWND dialog)
{
    std::vector<TOOLINFOA> tools;
    LRESULT count = SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0);
    for (LRESULT k = 0; k < count; ++k) {
        char text[256] = {};
        TOOLINFOA tool = {};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.lpszText = text;
        if (SendMessageA(tooltips, TTM_ENUMTOOLSA, WPARAM(k), LPARAM(&tool)) != 0 && tool.hwnd == dialog)
            tools.push_back(tool);
    }
    return tools;
}

} // namespace

TEST(DialogTemplates, ColourDialogHasEveryControlAsTheUserSeesIt)
{
    DialogTemplate t = templateOf(134);
    ASSERT_TRUE(t.complete);
    EXPECT_EQ(t.style, 0x80C808C0u);
    EXPECT_EQ(t.extendedStyle, 0u);
    EXPECT_EQ(std::vector<int>({t.x, t.y, t.cx, t.cy}), std::vector<int>({0, 0, 236, 277}));
    EXPECT_EQ(t.menu + t.className, "");
    EXPECT_EQ(t.caption, "Choose Colours To Delete Or Replace");
    EXPECT_EQ(t.pointSize, 8u);
    EXPECT_EQ(t.font, "Tahoma");
    const std::vector<DialogItem> expected = {
        {DefaultButton, 184, 260, 48, 12, 1003, "BUTTON", "OK"},
        {Button, 132, 240, 48, 12, 4, "BUTTON", "Keep All"},
        {Button, 184, 240, 48, 12, 3, "BUTTON", "Remove All"},
        {Button, 132, 260, 48, 12, 1004, "BUTTON", "Cancel"},
        {0x50000000, 4, 4, 228, 180, 1002, "PALETTESELECTOR", ""},
        {Text, 4, 188, 228, 16, 65535, "STATIC",
         "To remove all faces from a model with a certain colour, left-click on that colour. Left-click again to keep "
         "that colour."},
        {Text, 4, 208, 228, 16, 65535, "STATIC",
         "To replace all occurrences of a colour with another colour, left-drag from the colour to be replaced to its "
         "replacement colour."},
        {Text, 4, 228, 228, 8, 65535, "STATIC", "Colours to be removed are highlighted red."},
        {Text, 4, 240, 124, 32, 65535, "STATIC",
         "Colours to be replaced are highlighted green. Move the mouse over the colour to see its replacement colour, "
         "highlighted blue."},
    };
    EXPECT_EQ(t.items, expected);
}

TEST(DialogTemplates, AboutBoxIsCaptionlessWithItsTextsInOrder)
{
    DialogTemplate t = templateOf(131);
    ASSERT_TRUE(t.complete);
    EXPECT_EQ(t.style, 0x800008C0u);
    EXPECT_EQ(t.extendedStyle, 0u);
    EXPECT_EQ(std::vector<int>({t.x, t.y, t.cx, t.cy}), std::vector<int>({0, 0, 304, 257}));
    EXPECT_EQ(t.menu + t.className + t.caption, "");
    EXPECT_EQ(t.pointSize, 8u);
    EXPECT_EQ(t.font, "Tahoma");
    ASSERT_EQ(t.items.size(), 14u);
    const uint32_t Centred = 0x50020201;
    EXPECT_EQ(t.items[0], (DialogItem{DefaultButton, 123, 240, 56, 12, 1000, "BUTTON", "OK"}));
    EXPECT_EQ(t.items[1], (DialogItem{Centred, 4, 4, 296, 8, 65535, "STATIC", "About Scourwell"}));
    EXPECT_EQ(t.items[2].style, Centred);
    EXPECT_FALSE(t.items[2].text.empty()); // the credits line
    // The explanation: place, size and the start of each text.
    const struct {
        int y, cy;
        const char* start;
    } lines[] = {{16, 8, "Scouring performs four actions:"},
                 {28, 24, "1) It removes any face that does not have a texture"},
                 {56, 16, "The exception is that it does not remove any lines"},
                 {76, 8, "2) It removes any vertexes that do not belong to any face in the object."},
                 {89, 16, "3) It removes all duplicate and usused texture names."},
                 {108, 16, "4) It adds a single point to any part of the object that has no faces."},
                 {128, 16, "The aim of all this is to reduce the file size"},
                 {200, 24, "Every effort has been made to ensure that cleaned models"},
                 {148, 8, "Scouring is a two stage process:"},
                 {160, 16, "1) Press 'Select 3DO File(s)' on the main window"},
                 {180, 16, "2) Press 'Scour!' on the main window and choose which colour indexes"}};
    for (size_t k = 0; k < std::size(lines); ++k) {
        const DialogItem& item = t.items[3 + k];
        EXPECT_EQ((std::vector<int>{int(item.style), item.x, item.y, item.cx, item.cy, int(item.id)}),
                  (std::vector<int>{int(Text), 4, lines[k].y, 296, lines[k].cy, 65535}))
            << k;
        EXPECT_EQ(item.text.rfind(lines[k].start, 0), 0u) << item.text;
    }
}

TEST_F(ApplicationTest, ColourDialogEndsOnlyByOkCancelOrCloseAndTakesItsTipsAlong)
{
    struct Ending {
        const char* name;
        UINT message;
        WPARAM wParam;
        INT_PTR result;
    };
    const Ending endings[] = {{"OK", WM_COMMAND, 1003, 1},
                              {"Cancel", WM_COMMAND, 1004, 0},
                              {"close box", WM_SYSCOMMAND, SC_CLOSE, 0},
                              {"close from the menu", WM_SYSCOMMAND, SC_CLOSE | 2, 0}};
    HWND tooltips = application->tooltipWindow;
    LRESULT buttonTools = SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0);
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.name);
        HWND shown = nullptr;
        std::vector<std::pair<int, UINT>> tools; // control id, flags
        bool stillOpen = false;
        std::future<bool> driver = onDialog("Choose Colours To Delete Or Replace", [&](HWND dialog) {
            shown = dialog;
            for (const TOOLINFOA& tool : toolsOf(tooltips, dialog))
                tools.push_back({GetDlgCtrlID(reinterpret_cast<HWND>(tool.uId)), tool.uFlags});
            // Esc sends the standard cancel command, which is not handled; nor are other system commands.
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            SendMessageA(dialog, WM_SYSCOMMAND, SC_RESTORE, 0);
            stillOpen = IsWindowVisible(dialog) != FALSE;
            PostMessageA(dialog, ending.message, ending.wParam, 0);
        });
        INT_PTR result = DialogBoxParamA(application->instance, MAKEINTRESOURCEA(134), application->mainWindow,
                                         colourDialogProc, 0);
        ASSERT_TRUE(driver.get());
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
    auto openAndThen = [this](std::function<void(HWND)> action) {
        std::future<bool> driver = onDialog("Choose Colours To Delete Or Replace", action);
        INT_PTR result = DialogBoxParamA(application->instance, MAKEINTRESOURCEA(134), application->mainWindow,
                                         colourDialogProc, 0);
        EXPECT_TRUE(driver.get());
        return result;
    };
    EXPECT_EQ(openAndThen([](HWND dialog) {
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
    openAndThen([&grid](HWND dialog) {
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
        std::vector<std::string> paths;
        for (uint32_t k = 0; application->fileList != nullptr && application->fileList[k] != nullptr; ++k)
            paths.push_back(application->fileList[k]);
        return paths;
    };
    std::string folder = scratch.path();
    EXPECT_EQ(choose("\"c.3do\" \"a.3do\"", IDOK), (std::vector<std::string>{folder + "\\c.3do", folder + "\\a.3do"}));
    EXPECT_EQ(choose("b.3do", IDOK), std::vector<std::string>{folder + "\\b.3do"});
    EXPECT_TRUE(choose("a.3do", IDCANCEL).empty());
    EXPECT_EQ(application->fileList, nullptr);
    SetCurrentDirectoryA(previous);
}
