// The game's 256 palette colours, read from the program's "Palette" resource,
// each a GDI colour value (red in the low byte).
#pragma once

#include <windows.h>

#include <cstdint>

constexpr uint32_t PaletteColourCount = 256;
constexpr uint32_t PaletteBytes = PaletteColourCount * 4;
// colourAt's answer for an index outside the palette.
constexpr uint32_t NoColour = 0xFFFFFFFFu;

class Palette {
public:
    // A missing resource, or one shorter than 1024 bytes, leaves the colours it
    // does not cover black.
    Palette(HINSTANCE instance, uint32_t resourceId);

    uint32_t colourAt(uint32_t index) const { return index < PaletteColourCount ? colours[index] : NoColour; }

    uint32_t colours[PaletteColourCount];
};
