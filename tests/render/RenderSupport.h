// Shared by the picture tests: small solid shapes to draw, pixels read back from
// a canvas or a decoded PNG file, and where the pixels of a colour lie.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "render/Colour.h"
#include "support/ModelBuilder.h"

class Canvas;

std::ostream& operator<<(std::ostream& out, const Rgb& colour);

// A tetrahedron of one colour around (x, y, z), radius r, seen from anywhere.
ObjectPlan blob(int32_t x, int32_t y, int32_t z, int32_t r, uint32_t colour, const char* name = "blob");

// RGBA pixels, rows top to bottom.
struct Pixels {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgba;

    Rgb at(uint32_t x, uint32_t y) const;
    uint8_t alpha(uint32_t x, uint32_t y) const { return rgba[4 * (size_t(y) * width + x) + 3]; }
    // The columns from left up to (not including) right.
    Pixels columns(uint32_t left, uint32_t right) const;
};
Pixels pixelsOf(const Canvas& canvas);
// A PNG file decoded; no pixels when it does not decode.
Pixels decodePng(const std::string& path);

// The box and mean position of the opaque pixels that match.
struct Spread {
    uint64_t count = 0;
    int64_t left = 0, top = 0, right = -1, bottom = -1;
    double x = 0, y = 0;
};
Spread spreadOf(const Pixels& pixels, const std::function<bool(const Rgb&)>& matches);

// A GAF file of two entries: "plain", one uncompressed 2 x 2 frame of indexes
// 1, 2, 3, 4; and "Packed", one frame whose one subframe is a compressed 4 x 2
// frame: row 0 skips a pixel and repeats 7 twice, row 1 copies 9, 10, 11. Every
// byte of it is needed to decode both.
Bytes twoEntryGaf();
// A 2 x 2 24-bit BMP file of one colour.
Bytes solidBmp(Rgb colour);
