// An opaque colour of a picture, and the few colours every picture shares.
#pragma once

#include <cstdint>

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;

    bool operator==(const Rgb& other) const { return r == other.r && g == other.g && b == other.b; }
};

// The faces that cleaning removes, on the "before" side of a comparison. Drawn
// unlit; lit colours never reach 255 in any channel, so no other face can take it.
constexpr Rgb RemovedColour{255, 0, 255};
// Textured faces whose texture cannot be read.
constexpr Rgb UntexturedGrey{160, 160, 160};

// One of the game's 256 palette colours; only the low 8 bits of index count.
Rgb paletteColour(uint32_t index);
