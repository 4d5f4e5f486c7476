// The built Scourwell.exe: its resources read back from the file, and the whole
// program started as a process (its key made at the first start, exit code 0
// from the Quit button and from closing the window).

#include <cctype>
#include <cstdio>
#include <set>

#include "UiTestSupport.h"

namespace {

HMODULE program()
{
    static HMODULE module = LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

std::vector<uint8_t> resourceOf(uint32_t id, LPCSTR type)
{
    HRSRC found = FindResourceA(program(), MAKEINTRESOURCEA(id), type);
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(program(), found)));
    return {data, data + (data != nullptr ? SizeofResource(program(), found) : 0)};
}

// A plain (not extended) dialog template as lines of fields, the dialog's first and then one per
// control: style and extended style in hex, x, y, width and height, a control's id, then the names
// (a dialog's menu, class and caption and its font; a control's class and text). None when a read
// would pass the end.
std::vector<std::string> templateOf(uint32_t id)
{
    const std::vector<uint8_t> bytes = resourceOf(id, RT_DIALOG);
    size_t at = 0;
    auto word = [&] {
        at += 2;
        return at <= bytes.size() ? uint32_t(bytes[at - 2] | bytes[at - 1] << 8) : 0u;
    };
    // Text, or 0xFFFF and an ordinal. Class names bare and in capitals, as Windows compares them
    // without case; other texts quoted.
    auto name = [&](bool isClass) {
        std::string out;
        uint32_t c = word();
        if (c == 0xFFFF) {
            c = word();
            return c == 0x80 ? std::string("BUTTON") : c == 0x82 ? "STATIC" : "#" + std::to_string(c);
        }
        for (; c != 0; c = word())
            out += char(isClass && c < 128 ? std::toupper(int(c)) : int(c));
        return isClass ? out : '"' + out + '"';
    };
    std::vector<std::string> lines;
    uint32_t count = 0;
    for (uint32_t k = 0; k <= count && at <= bytes.size(); ++k) {
        at = (at + 3) & ~size_t(3);
        uint32_t style = word();
        style |= word() << 16;
        uint32_t extended = word();
        extended |= word() << 16;
        char line[24] = {};
        std::snprintf(line, sizeof(line), "%X %X", style, extended);
        lines.push_back(line);
        if (k == 0)
            count = word();
        for (int field = 0; field < 4; ++field)
            lines.back() += " " + std::to_string(int16_t(word()));
        if (k > 0)
            lines.back() += " " + std::to_string(word());
        for (int field = k == 0 ? 0 : 1; field < 3; ++field)
            lines.back() += " " + name(field == 1 && k > 0);
        if (k == 0 && (style & DS_SETFONT) != 0) {
            lines.back() += " " + std::to_string(word());
            lines.back() += " " + name(false);
        }
        if (k > 0)
            at += word(); // creation data
    }
    return at <= bytes.size() ? lines : std::vector<std::string>{};
}

// Each line whole when the expected one ends its text, else its start.
void expectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t k = 0; k < actual.size(); ++k)
        EXPECT_EQ(expected[k].back() == '"' ? actual[k] : actual[k].substr(0, expected[k].size()), expected[k]);
}

} // namespace

TEST(Program, BitmapsIconStringsAndPalette)
{
    // First and last id, size: 8 bits per pixel with a colour table.
    const int32_t bitmaps[][4] = {{101, 101, 512, 359}, {115, 116, 299, 31}, {117, 122, 276, 20},
                                  {123, 126, 120, 20},  {127, 128, 143, 31}, {129, 130, 120, 20}};
    for (const auto& [first, last, width, height] : bitmaps) {
        for (int32_t id = first; id <= last; ++id) {
            std::vector<uint8_t> bytes = resourceOf(uint32_t(id), RT_BITMAP);
            BITMAPINFOHEADER header = {};
            std::memcpy(&header, bytes.data(), std::min(bytes.size(), sizeof(header)));
            EXPECT_EQ(
                std::vector<LONG>({header.biWidth, header.biHeight, header.biBitCount, LONG(header.biCompression)}),
                std::vector<LONG>({width, height, 8, BI_RGB}))
                << id;
            EXPECT_LE(header.biClrUsed, 256u) << id;
        }
    }

    // The icon group: a 32 x 32 and a 16 x 16 image, 16 colours each.
    std::vector<uint8_t> icons = resourceOf(102, RT_GROUP_ICON);
    ASSERT_EQ(icons.size(), 6u + 2 * 14u);
    const std::set<std::vector<int>> entries = {{icons[6], icons[7], icons[8]}, {icons[20], icons[21], icons[22]}};
    EXPECT_EQ(entries, (std::set<std::vector<int>>{{16, 16, 16}, {32, 32, 16}})); // width, height, colours

    for (uint32_t id = 1; id <= 11; ++id) {
        char text[256] = {};
        LoadStringA(program(), id, text, sizeof(text));
        EXPECT_STREQ(text, Strings[id - 1]) << id;
    }

    // The palette: 256 entries of red, green, blue and a zero byte.
    std::vector<uint8_t> palette = resourceOf(133, "Palette");
    ASSERT_EQ(palette.size(), 1024u);
    const uint32_t telling[][2] = {{0, 0x000000},   {1, 0x800000},   {7, 0x808080},   {8, 0xC0DCC0},
                                   {9, 0x5454FC},   {10, 0x000000},  {80, 0xFBFBFB},  {94, 0x1F1F1F},
                                   {95, 0x0F0F0F},  {245, 0x000000}, {246, 0xFFFBF0}, {247, 0xA0A0A4},
                                   {249, 0xFF0000}, {252, 0x0000FF}, {253, 0xFF00FF}, {255, 0xFFFFFF}};
    for (const auto& [index, rgb] : telling) {
        const uint8_t* entry = &palette[4 * index];
        EXPECT_EQ(uint32_t(entry[3] << 24 | entry[0] << 16 | entry[1] << 8 | entry[2]), rgb) << index;
    }
}

TEST(Program, DialogTemplatesHaveEveryControlAsTheUserSeesIt)
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

    // The About box has no caption; the explanation's texts by their starts; the credits line only as not empty.
    const std::vector<std::string> about = templateOf(131);
    const std::string credits = "50020201 0 4 228 296 8 65535 STATIC";
    auto text = [](int y, int cy, const char* start) {
        return "50020000 0 4 " + std::to_string(y) + " 296 " + std::to_string(cy) + " 65535 STATIC \"" + start;
    };
    expectLines(about,
                {"800008C0 0 0 0 304 257 \"\" \"\" \"\" 8 \"Tahoma\"", "50010001 0 123 240 56 12 1000 BUTTON \"OK\"",
                 "50020201 0 4 4 296 8 65535 STATIC \"About Scourwell\"", credits,
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
    ASSERT_EQ(about.size(), 15u);                               // the dialog and its 14 controls
    EXPECT_GT(about[3].size(), credits.size() + 3) << about[3]; // more than ' ""'
}

TEST(Program, FirstStartCreatesItsKeyAndQuitOrCloseExitWithZero)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, ProgramKey);
    for (bool quit : {true, false}) {
        SCOPED_TRACE(quit ? "Quit" : "close");
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(programPath().c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &process));
        WaitForInputIdle(process.hProcess, 20000); // until it waits in its message loop
        HWND window = FindWindowA("QuillonScourwell", nullptr);
        EXPECT_TRUE(IsWindowVisible(window));
        // The first start made the key; no map was written.
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, ProgramKey, 0, KEY_READ, &key), ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_EQ(storedColourMapSize(), 0u);
        if (quit)
            PostMessageA(window, WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED), LPARAM(GetDlgItem(window, 1003)));
        else
            PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        DWORD exitCode = 99;
        WaitForSingleObject(process.hProcess, 20000);
        GetExitCodeProcess(process.hProcess, &exitCode);
        EXPECT_EQ(exitCode, 0u);
        TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}
