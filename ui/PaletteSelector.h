// The object behind the colour grid control: owns the palette and the one
// colour map of the process, which start-up fills from the stored value, the
// colour dialog edits and the batch run applies.
#pragma once

#include <windows.h>

#include <cstdint>

#include "clean/ColourMap.h"
#include "ui/Palette.h"

class PaletteSelector {
public:
    // Loads the palette and starts from the default map.
    PaletteSelector(HINSTANCE instance, uint32_t resourceId);
    ~PaletteSelector();
    PaletteSelector(const PaletteSelector&) = delete;
    PaletteSelector& operator=(const PaletteSelector&) = delete;

    // False when the palette or the map could not be allocated.
    bool valid() const { return palette != nullptr && map != nullptr; }
    ColourMap& colourMap() { return *map; }
    const Palette& colours() const { return *palette; }

private:
    Palette* palette;
    ColourMap* map;
};

// The window procedure of the "PaletteSelector" class.
LRESULT CALLBACK paletteSelectorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
