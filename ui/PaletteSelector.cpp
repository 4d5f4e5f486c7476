#include "ui/PaletteSelector.h"

#include <new>

PaletteSelector::PaletteSelector(HINSTANCE instance, uint32_t resourceId)
    : palette(new (std::nothrow) Palette(instance, resourceId)), map(new (std::nothrow) ColourMap())
{
}

PaletteSelector::~PaletteSelector()
{
    delete palette;
    delete map;
    palette = nullptr;
    map = nullptr;
}

LRESULT CALLBACK paletteSelectorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The grid's drawing and mouse handling arrive with the colour dialog.
    return DefWindowProcA(window, message, wParam, lParam);
}
