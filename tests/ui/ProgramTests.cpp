// The built Scourwell.exe: its resources read back from the file, and the whole
// program started as a process (its key made at the first start, exit code 0
// from the Quit button and from closing the window).
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "UiTestSupport.h"

TEST(Program, ResourcesOfTheBuiltProgram)
{
    HMODULE module = LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << programPath();
    auto bytesOf = [module](uint32_t id, LPCSTR type) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
        return std::vector<uint8_t>(data, data + (data != nullptr ? SizeofResource(module, found) : 0));
    };

    // Every bitmap: its size, 8 bits per pixel with a colour table.
    const int32_t bitmaps[][3] = {{101, 512, 359}, {115, 299, 31}, {116, 299, 31}, {117, 276, 20}, {118, 276, 20},
                                  {119, 276, 20},  {120, 276, 20}, {121, 276, 20}, {122, 276, 20}, {123, 120, 20},
                                  {124, 120, 20},  {125, 120, 20}, {126, 120, 20}, {127, 143, 31}, {128, 143, 31},
                                  {129, 120, 20},  {130, 120, 20}};
    for (const auto& expected : bitmaps) {
        std::vector<uint8_t> bytes = bytesOf(uint32_t(expected[0]), MAKEINTRESOURCEA(2));
        BITMAPINFOHEADER header = {};
        std::memcpy(&header, bytes.data(), std::min(bytes.size(), sizeof(header)));
        EXPECT_EQ(std::vector<LONG>({header.biWidth, header.biHeight, header.biBitCount, LONG(header.biCompression)}),
                  std::vector<LONG>({expected[1], expected[2], 8, BI_RGB}))
            << expected[0];
        EXPECT_LE(header.biClrUsed, 256u) << expected[0];
    }

    // The icon group: a 32 x 32 and a 16 x 16 image, 16 colours each.
    std::vector<uint8_t> icons = bytesOf(102, MAKEINTRESOURCEA(14));
    ASSERT_EQ(icons.size(), 6u + 2 * 14u);
    const std::set<std::vector<int>> entries = {{icons[6], icons[7], icons[8]}, {icons[20], icons[21], icons[22]}};
    EXPECT_EQ(entries, (std::set<std::vector<int>>{{16, 16, 16}, {32, 32, 16}})); // width, height, colours

    const char* strings[] = {"QuillonScourwell",
                             "Quillon Scourwell 1.1",
                             "Select the 3DO file(s) you wish to Scour",
                             "Scour the selected 3DO file(s)",
                             "About Scourwell",
                             "Quit Scourwell",
                             "PaletteSelector",
                             "Scours the selected 3DO files(s).",
                             "Returns to the main window without Scouring.",
                             "Un-sets all removed and replaced colours.",
                             "Sets all colours to be removed."};
    for (uint32_t id = 1; id <= 11; ++id) {
        char text[256] = {};
        LoadStringA(module, id, text, sizeof(text));
        EXPECT_STREQ(text, strings[id - 1]) << id;
    }

    // The palette: 256 entries of red, green, blue and a zero byte.
    std::vector<uint8_t> palette = bytesOf(133, "Palette");
    ASSERT_EQ(palette.size(), 1024u);
    const uint32_t telling[][2] = {{0, 0x000000},   {1, 0x800000},   {7, 0x808080},   {8, 0xC0DCC0},
                                   {9, 0x5454FC},   {10, 0x000000},  {80, 0xFBFBFB},  {94, 0x1F1F1F},
                                   {95, 0x0F0F0F},  {245, 0x000000}, {246, 0xFFFBF0}, {247, 0xA0A0A4},
                                   {249, 0xFF0000}, {252, 0x0000FF}, {253, 0xFF00FF}, {255, 0xFFFFFF}};
    for (const auto& [index, rgb] : telling) {
        const uint8_t* entry = &palette[4 * index];
        EXPECT_EQ(uint32_t(entry[3] << 24 | entry[0] << 16 | entry[1] << 8 | entry[2]), rgb) << index;
    }
    FreeLibrary(module);
}

TEST(Program, FirstStartCreatesItsKeyAndQuitOrCloseExitWithZero)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, ProgramKey);
    for (bool quit : {true, false}) {
        SCOPED_TRACE(quit ? "Quit" : "close");
        std::string path = programPath();
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(
            CreateProcessA(path.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            << path;
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
