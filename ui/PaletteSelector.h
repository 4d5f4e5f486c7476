// The object behind the 16 x 16 colour grid of the colour dialog: owns the
// palette and the one colour map of the process, which start-up fills from the
// stored value, the grid edits with the mouse and the batch run applies.
#pragma once

#include <windows.h>

#include <cstdint>

#include "clean/ColourMap.h"
#include "ui/Palette.h"

// A cell is a palette index 0 to 255; NoCell is none.
constexpr int32_t NoCell = -1;
constexpr int32_t CellCount = 256;

// How one cell is framed. CellFromMap stands for the colour's state in the map.
enum CellMark : uint32_t { CellKeep = 0, CellRemoved = 1, CellReplaced = 2, CellReplacement = 3, CellFromMap = 4 };

class PaletteSelector {
public:
    // Loads the palette, starts from the default map and makes the three pens.
    PaletteSelector(HINSTANCE instance, uint32_t resourceId);
    ~PaletteSelector();
    PaletteSelector(const PaletteSelector&) = delete;
    PaletteSelector& operator=(const PaletteSelector&) = delete;

    // False when the palette or the map could not be allocated.
    bool valid() const { return palette != nullptr && map != nullptr; }
    ColourMap& colourMap() { return *map; }
    const Palette& colours() const { return *palette; }

    // The control to draw on and capture the mouse for; set on every opening of the dialog.
    void bindWindow(HWND control) { window = control; }
    void paint();
    // x and y are the message's 16-bit client coordinates, zero-extended.
    void onMouseMove(WPARAM keys, uint32_t x, uint32_t y);
    void onLeftButtonDown(WPARAM keys, uint32_t x, uint32_t y);
    void onLeftButtonUp(WPARAM keys, uint32_t x, uint32_t y);
    void keepAll();
    void removeAll();

    // Cell's painted rectangle in client coordinates, right and bottom exclusive.
    RECT cellRect(int32_t cell) const;
    // The cell whose painted rectangle holds the point, or NoCell.
    int32_t cellFromPoint(uint32_t x, uint32_t y) const;
    void drawCell(HDC dc, int32_t cell, CellMark mark);
    // The temporary frames: the replacement of a hovered colour, the drag preview.
    void showReplacement(int32_t cell);
    void showDrag(int32_t cell);

    Palette* palette;
    ColourMap* map; // the map colourMap() hands out
    HWND window;
    int32_t dragSource;
    int32_t outlinedCell;
    HPEN removedPen;
    HPEN replacedPen;
    HPEN replacementPen;
    // How many cells have been drawn since start; lets tests see how much a message redraws.
    uint32_t cellsDrawn = 0;

private:
    bool controlSize(int32_t* width, int32_t* height) const;
};

// The window procedure of the "PaletteSelector" class.
LRESULT CALLBACK paletteSelectorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
