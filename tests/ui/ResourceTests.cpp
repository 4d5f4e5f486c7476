// The resources of the built program, read back from Scourwell.exe itself:
// every bitmap with its size and 8-bit format, the icon, the string table and
// the palette data; and the program's PE subsystem.
#include <windows.h>

#include <cstring>

#include "UiTestSupport.h"
#include "res/resource.h"
#include "support/TestSupport.h"
#include "ui/Palette.h"

namespace {

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        module = LoadLibraryExA(programPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << programPath();
    }
    void TearDown() override
    {
        if (module != nullptr)
            FreeLibrary(module);
    }

    // The resource's bytes; empty when absent.
    std::vector<uint8_t> bytesOf(uint32_t id, const char* type) const
    {
        HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (resource == nullptr)
            return {};
        HGLOBAL loaded = LoadResource(module, resource);
        const uint8_t* data = static_cast<const uint8_t*>(LockResource(loaded));
        if (data == nullptr)
            return {};
        return std::vector<uint8_t>(data, data + SizeofResource(module, resource));
    }

    HMODULE module = nullptr;
};

struct BitmapSize {
    uint32_t id;
    int32_t width, height;
};

const BitmapSize Bitmaps[] = {
    {101, 512, 359}, {115, 299, 31}, {116, 299, 31}, {117, 276, 20}, {118, 276, 20}, {119, 276, 20},
    {120, 276, 20},  {121, 276, 20}, {122, 276, 20}, {123, 120, 20}, {124, 120, 20}, {125, 120, 20},
    {126, 120, 20},  {127, 143, 31}, {128, 143, 31}, {129, 120, 20}, {130, 120, 20},
};

// An 8-bit bitmap resource decoded to 0x00RRGGBB pixels, top row first.
struct DecodedBitmap {
    BITMAPINFOHEADER header = {};
    uint32_t colours = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(header.biWidth) + size_t(x)]; }
};

bool decode(const std::vector<uint8_t>& bytes, DecodedBitmap& out)
{
    if (bytes.size() < sizeof(BITMAPINFOHEADER))
        return false;
    std::memcpy(&out.header, bytes.data(), sizeof(out.header));
    const BITMAPINFOHEADER& h = out.header;
    if (h.biBitCount != 8 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight <= 0)
        return false;
    out.colours = h.biClrUsed != 0 ? h.biClrUsed : 256;
    size_t stride = (size_t(h.biWidth) + 3) & ~size_t(3);
    size_t table = h.biSize;
    size_t pixels = table + 4 * size_t(out.colours);
    if (out.colours > 256 || bytes.size() < pixels + stride * size_t(h.biHeight))
        return false;
    for (int32_t y = 0; y < h.biHeight; ++y) {
        // Stored bottom-up.
        const uint8_t* row = bytes.data() + pixels + stride * size_t(h.biHeight - 1 - y);
        for (int32_t x = 0; x < h.biWidth; ++x) {
            const uint8_t* quad = bytes.data() + table + 4 * size_t(row[x]);
            out.pixels.push_back(uint32_t(quad[2]) << 16 | uint32_t(quad[1]) << 8 | quad[0]);
        }
    }
    return true;
}

uint32_t differingPixels(const DecodedBitmap& a, const DecodedBitmap& b)
{
    uint32_t count = 0;
    for (size_t k = 0; k < a.pixels.size() && k < b.pixels.size(); ++k)
        count += a.pixels[k] != b.pixels[k] ? 1 : 0;
    return count;
}

} // namespace

TEST_F(ProgramResources, EveryBitmapHasItsSizeAndEightBitsWithAColourTable)
{
    for (const BitmapSize& expected : Bitmaps) {
        SCOPED_TRACE(expected.id);
        DecodedBitmap bitmap;
        ASSERT_TRUE(decode(bytesOf(expected.id, MAKEINTRESOURCEA(2)), bitmap));
        EXPECT_EQ(bitmap.header.biWidth, expected.width);
        EXPECT_EQ(bitmap.header.biHeight, expected.height);
        EXPECT_EQ(bitmap.header.biBitCount, 8);
        EXPECT_LE(bitmap.colours, 256u);
    }
}

TEST_F(ProgramResources, FramesHaveAPlainMagentaPanelAndAPlainlyDifferentFocusedForm)
{
    struct FramePair {
        uint32_t unfocused, focused;
        int32_t faceWidth;
    };
    for (const FramePair& pair : {FramePair{116, 115, 276}, FramePair{128, 127, 120}}) {
        SCOPED_TRACE(pair.unfocused);
        DecodedBitmap unfocused, focused;
        ASSERT_TRUE(decode(bytesOf(pair.unfocused, MAKEINTRESOURCEA(2)), unfocused));
        ASSERT_TRUE(decode(bytesOf(pair.focused, MAKEINTRESOURCEA(2)), focused));
        // Face size plus 12 left, 6 above, 11 right, 5 below.
        EXPECT_EQ(unfocused.header.biWidth, pair.faceWidth + 23);
        EXPECT_EQ(unfocused.header.biHeight, 20 + 11);
        for (const DecodedBitmap* frame : {&unfocused, &focused}) {
            for (int32_t y = 0; y < frame->header.biHeight; ++y) {
                for (int32_t x = 0; x < frame->header.biWidth; ++x) {
                    bool inPanel = x >= 12 && x < 12 + pair.faceWidth && y >= 6 && y < 26;
                    ASSERT_EQ(frame->at(x, y) == 0xFF00FFu, inPanel) << x << "," << y;
                }
            }
        }
        uint32_t area = uint32_t(unfocused.header.biWidth * unfocused.header.biHeight);
        uint32_t panel = uint32_t(pair.faceWidth * 20);
        EXPECT_GT(differingPixels(unfocused, focused), (area - panel) / 3);
    }
}

TEST_F(ProgramResources, FacesDifferBetweenTheirNormalPushedAndDisabledForms)
{
    const uint32_t sets[][3] = {{121, 122, 120}, {118, 119, 117}, {125, 126, 124}, {130, 123, 129}};
    for (const auto& set : sets) {
        SCOPED_TRACE(set[0]);
        DecodedBitmap normal, pushed, disabled;
        ASSERT_TRUE(decode(bytesOf(set[0], MAKEINTRESOURCEA(2)), normal));
        ASSERT_TRUE(decode(bytesOf(set[1], MAKEINTRESOURCEA(2)), pushed));
        ASSERT_TRUE(decode(bytesOf(set[2], MAKEINTRESOURCEA(2)), disabled));
        uint32_t area = uint32_t(normal.header.biWidth * normal.header.biHeight);
        EXPECT_GT(differingPixels(normal, pushed), area / 2);
        EXPECT_GT(differingPixels(normal, disabled), area / 2);
        EXPECT_GT(differingPixels(pushed, disabled), area / 2);
    }
}

TEST_F(ProgramResources, IconGroupHolds32And16PixelImagesOf16Colours)
{
    std::vector<uint8_t> group = bytesOf(102, MAKEINTRESOURCEA(14));
    // GRPICONDIR: reserved, type 1, count; then 14-byte entries.
    ASSERT_GE(group.size(), 6u);
    EXPECT_EQ(group[0] | group[1] << 8, 0);
    EXPECT_EQ(group[2] | group[3] << 8, 1);
    uint32_t count = uint32_t(group[4] | group[5] << 8);
    ASSERT_EQ(count, 2u);
    ASSERT_EQ(group.size(), 6u + 14u * count);
    bool sizes[2] = {};
    for (uint32_t k = 0; k < count; ++k) {
        const uint8_t* entry = group.data() + 6 + 14 * k;
        SCOPED_TRACE(entry[0]);
        EXPECT_EQ(entry[0], entry[1]);
        EXPECT_EQ(entry[2], 16);
        EXPECT_EQ(entry[6] | entry[7] << 8, 4);
        if (entry[0] == 32)
            sizes[0] = true;
        if (entry[0] == 16)
            sizes[1] = true;
    }
    EXPECT_TRUE(sizes[0]);
    EXPECT_TRUE(sizes[1]);
}

TEST_F(ProgramResources, StringTableHoldsTheSevenEntries)
{
    const char* expected[] = {
        "QuillonScourwell",
        "Quillon Scourwell 1.1",
        "Select the 3DO file(s) you wish to Scour",
        "Scour the selected 3DO file(s)",
        "About Scourwell",
        "Quit Scourwell",
        "PaletteSelector",
    };
    for (uint32_t id = 1; id <= 7; ++id) {
        char text[256] = {};
        EXPECT_GT(LoadStringA(module, id, text, sizeof(text)), 0);
        EXPECT_STREQ(text, expected[id - 1]);
    }
}

TEST_F(ProgramResources, PaletteResourceHasItsTellingEntries)
{
    std::vector<uint8_t> bytes = bytesOf(133, "Palette");
    ASSERT_EQ(bytes.size(), 1024u);
    // The type name is stored in capitals; the lookup ignores case.
    EXPECT_EQ(bytesOf(133, "PALETTE"), bytes);
    auto rgb = [&bytes](uint32_t index) {
        return uint32_t(bytes[4 * index]) << 16 | uint32_t(bytes[4 * index + 1]) << 8 | bytes[4 * index + 2];
    };
    const uint32_t first[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
                                0xC0DCC0, 0x5454FC, 0, 0, 0, 0, 0, 0};
    const uint32_t ramp[16] = {0xFBFBFB, 0xEBEBEB, 0xDBDBDB, 0xCBCBCB, 0xBBBBBB, 0xABABAB, 0x9B9B9B, 0x8B8B8B,
                               0x7B7B7B, 0x6B6B6B, 0x5B5B5B, 0x4B4B4B, 0x3B3B3B, 0x2B2B2B, 0x1F1F1F, 0x0F0F0F};
    const uint32_t last[16] = {0, 0, 0, 0, 0, 0, 0xFFFBF0, 0xA0A0A4,
                               0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (uint32_t k = 0; k < 16; ++k) {
        EXPECT_EQ(rgb(k), first[k]) << k;
        EXPECT_EQ(rgb(80 + k), ramp[k]) << 80 + k;
        EXPECT_EQ(rgb(240 + k), last[k]) << 240 + k;
    }
    for (uint32_t k = 0; k < 256; ++k)
        EXPECT_EQ(bytes[4 * k + 3], 0) << k;
}

TEST(PaletteObject, ReadsTheResourceAsGdiColourValues)
{
    // The test program carries the same resources as the program.
    Palette palette(GetModuleHandleA(nullptr), IDR_PALETTE);
    EXPECT_EQ(palette.colourAt(0), 0x000000u);
    EXPECT_EQ(palette.colourAt(1), uint32_t(RGB(0x80, 0, 0)));
    EXPECT_EQ(palette.colourAt(9), uint32_t(RGB(0x54, 0x54, 0xFC)));
    EXPECT_EQ(palette.colourAt(249), uint32_t(RGB(0xFF, 0, 0)));
    EXPECT_EQ(palette.colourAt(252), uint32_t(RGB(0, 0, 0xFF)));
    EXPECT_EQ(palette.colourAt(255), uint32_t(RGB(0xFF, 0xFF, 0xFF)));
    EXPECT_EQ(palette.colourAt(256), NoColour);
    EXPECT_EQ(palette.colourAt(0xFFFFFFFFu), NoColour);

    Palette absent(GetModuleHandleA(nullptr), 4321);
    EXPECT_EQ(absent.colourAt(255), 0u);
}

TEST(ProgramImage, IsAWindowsGuiProgram)
{
    std::vector<uint8_t> image = readBytes(programPath());
    ASSERT_GT(image.size(), 0x200u);
    uint32_t peOffset = uint32_t(image[0x3C] | image[0x3D] << 8 | image[0x3E] << 16 | image[0x3F] << 24);
    ASSERT_LT(peOffset + 24u + 70u, image.size());
    EXPECT_EQ(std::memcmp(image.data() + peOffset, "PE\0\0", 4), 0);
    // The optional header's subsystem field sits 68 bytes in, for both widths.
    size_t subsystem = peOffset + 24 + 68;
    EXPECT_EQ(image[subsystem] | image[subsystem + 1] << 8, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

TEST_F(ProgramResources, AboutTemplateIsAPlainCaptionlessDialogOfFourteenControls)
{
    std::vector<uint8_t> bytes = bytesOf(131, MAKEINTRESOURCEA(5));
    ASSERT_GE(bytes.size(), 18u);
    auto word = [&bytes](size_t at) { return uint32_t(bytes[at] | bytes[at + 1] << 8); };
    auto dword = [&word](size_t at) { return word(at) | word(at + 2) << 16; };
    // DLGTEMPLATE: style, extended style, control count, x, y, cx, cy.
    EXPECT_EQ(dword(0), 0x800008C0u);
    EXPECT_EQ(dword(4), 0u);
    EXPECT_EQ(word(8), 14u);
    EXPECT_EQ(word(10), 0u);
    EXPECT_EQ(word(12), 0u);
    EXPECT_EQ(word(14), 304u);
    EXPECT_EQ(word(16), 257u);
    // No menu, the default class, an empty caption, then 8 points of Tahoma.
    EXPECT_EQ(word(18), 0u);
    EXPECT_EQ(word(20), 0u);
    EXPECT_EQ(word(22), 0u);
    EXPECT_EQ(word(24), 8u);
    const char* face = "Tahoma";
    for (size_t k = 0; k <= std::strlen(face); ++k)
        EXPECT_EQ(word(26 + 2 * k), uint32_t(uint8_t(face[k]))) << k;
}
