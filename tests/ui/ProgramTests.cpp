// The compiled resources Scourwell.exe is linked with: its bitmaps, icon and palette. The
// texts of its string table and dialogs are read from the live windows and tooltips,
// its start and exit are driven by tests/e2e/window-e2e.sh.

#include <set>

#include "UiTestSupport.h"

namespace {

// A resource of this test program, which links the same compiled resources.
std::vector<uint8_t> resourceOf(uint32_t id, LPCSTR type)
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, found)));
    return {data, data + (data != nullptr ? SizeofResource(nullptr, found) : 0)};
}

} // namespace

TEST(Program, BitmapsIconAndPalette)
{
    // First and last id, size: 8 bits per pixel with a colour table.
    const int32_t bitmaps[][4] = {{101, 101, 512, 359}, {115, 116, 299, 31}, {117, 122, 276, 20},
                                  {123, 126, 120, 20},  {127, 128, 143, 31}, {129, 130, 120, 20}};
    for (const auto& [first, last, width, height] : bitmaps)
        for (int32_t id = first; id <= last; ++id) {
            const std::vector<uint8_t> bytes = resourceOf(uint32_t(id), RT_BITMAP);
            BITMAPINFOHEADER header = {};
            std::memcpy(&header, bytes.data(), std::min(bytes.size(), sizeof(header)));
            EXPECT_EQ(std::make_tuple(header.biWidth, header.biHeight, header.biBitCount, header.biCompression),
                      std::make_tuple(LONG(width), LONG(height), WORD(8), DWORD(BI_RGB)))
                << id;
        }

    // The icon group: a 32 x 32 and a 16 x 16 image, 16 colours each.
    std::vector<uint8_t> icons = resourceOf(102, RT_GROUP_ICON);
    ASSERT_EQ(icons.size(), 6u + 2 * 14u);
    const std::set<std::vector<int>> entries = {{icons[6], icons[7], icons[8]}, {icons[20], icons[21], icons[22]}};
    EXPECT_EQ(entries, (std::set<std::vector<int>>{{16, 16, 16}, {32, 32, 16}})); // width, height, colours

    // The game's palette as kept beside the project, byte for byte.
    std::string reference = std::string("Z:") + SCOURWELL_PALETTE_FILE;
    std::replace(reference.begin(), reference.end(), '/', '\\');
    const std::vector<uint8_t> palette = readBytes(reference);
    if (palette.empty() && !runningUnderCi())
        GTEST_SKIP() << "palette " << reference << " not found beside the project; skipped";
    ASSERT_EQ(palette.size(), 1024u) << reference;
    EXPECT_TRUE(resourceOf(133, "Palette") == palette);
}
