#include "ui/PaletteSelector.h"

#include <new>

#include "ui/Application.h"

namespace {

constexpr COLORREF RemovedColour = 0x004949FF;
constexpr COLORREF ReplacedColour = 0x0000FF00;
constexpr COLORREF ReplacementColour = 0x00FF6060;

bool isCell(int32_t cell) { return cell >= 0 && cell < CellCount; }

} // namespace

PaletteSelector::PaletteSelector(HINSTANCE instance, uint32_t resourceId)
    : palette(new (std::nothrow) Palette(instance, resourceId)), map(new (std::nothrow) ColourMap()), window(nullptr),
      dragSource(NoCell), outlinedCell(NoCell), removedPen(CreatePen(PS_INSIDEFRAME, 2, RemovedColour)),
      replacedPen(CreatePen(PS_INSIDEFRAME, 2, ReplacedColour)),
      replacementPen(CreatePen(PS_INSIDEFRAME, 2, ReplacementColour))
{
}

PaletteSelector::~PaletteSelector()
{
    delete palette;
    delete map;
    palette = nullptr;
    map = nullptr;
    DeleteObject(removedPen);
    DeleteObject(replacedPen);
    DeleteObject(replacementPen);
}

bool PaletteSelector::controlSize(int32_t* width, int32_t* height) const
{
    // The control has no border: its window rectangle is its client size.
    RECT bounds = {};
    if (window == nullptr || GetWindowRect(window, &bounds) == 0)
        return false;
    *width = bounds.right - bounds.left;
    *height = bounds.bottom - bounds.top;
    return *width > 0 && *height > 0;
}

// Cell's rectangle in a control of width x height.
static RECT cellRectIn(int32_t cell, int32_t width, int32_t height)
{
    int32_t column = cell & 15;
    int32_t row = cell >> 4;
    RECT r;
    r.left = column * width / 16 + 1;
    r.top = row * height / 16 + 1;
    r.right = (column + 1) * width / 16 - 1;
    r.bottom = (row + 1) * height / 16 - 1;
    return r;
}

RECT PaletteSelector::cellRect(int32_t cell) const
{
    int32_t width = 0, height = 0;
    controlSize(&width, &height);
    return cellRectIn(cell, width, height);
}

int32_t PaletteSelector::cellFromPoint(uint32_t x, uint32_t y) const
{
    int32_t width = 0, height = 0;
    // A control of no size has no cells, and must not divide by zero.
    if (!controlSize(&width, &height) || x > 0xFFFFu || y > 0xFFFFu)
        return NoCell;
    int32_t px = static_cast<int32_t>(x), py = static_cast<int32_t>(y);
    int32_t column = 16 * px / width;
    int32_t row = 16 * py / height;
    if (column >= 16 || row >= 16)
        return NoCell;
    int32_t cell = column + 16 * row;
    RECT r = cellRectIn(cell, width, height);
    if (px < r.left || px >= r.right || py < r.top || py >= r.bottom)
        return NoCell;
    return cell;
}

void PaletteSelector::drawCell(HDC dc, int32_t cell, CellMark mark)
{
    if (!isCell(cell) || dc == nullptr)
        return;
    RECT r = cellRect(cell);
    HBRUSH brush = CreateSolidBrush(palette->colourAt(static_cast<uint32_t>(cell)));
    if (mark == CellFromMap)
        mark = static_cast<CellMark>(map->state(static_cast<uint32_t>(cell)));
    HGDIOBJ pen = GetStockObject(BLACK_PEN);
    if (mark == CellRemoved)
        pen = removedPen;
    else if (mark == CellReplaced)
        pen = replacedPen;
    else if (mark == CellReplacement)
        pen = replacementPen;
    HGDIOBJ previousPen = SelectObject(dc, pen);
    HGDIOBJ previousBrush = SelectObject(dc, brush);
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, previousPen);
    SelectObject(dc, previousBrush);
    DeleteObject(brush);
    ++cellsDrawn;
}

void PaletteSelector::paint()
{
    PAINTSTRUCT paintInfo = {};
    HDC dc = BeginPaint(window, &paintInfo);
    for (int32_t cell = 0; cell < CellCount; ++cell)
        drawCell(dc, cell, CellFromMap);
    EndPaint(window, &paintInfo);
}

void PaletteSelector::showReplacement(int32_t cell)
{
    if (isCell(cell) && map->state(static_cast<uint32_t>(cell)) == ColourState::Replaced) {
        HDC dc = GetDC(window);
        if (outlinedCell != NoCell)
            drawCell(dc, outlinedCell, CellFromMap);
        outlinedCell = static_cast<int32_t>(map->entry(static_cast<uint32_t>(cell)));
        drawCell(dc, outlinedCell, CellReplacement);
        ReleaseDC(window, dc);
        return;
    }
    if (outlinedCell == NoCell)
        return;
    HDC dc = GetDC(window);
    drawCell(dc, outlinedCell, CellFromMap);
    outlinedCell = NoCell;
    ReleaseDC(window, dc);
}

void PaletteSelector::showDrag(int32_t cell)
{
    if (outlinedCell == NoCell && cell == NoCell)
        return;
    HDC dc = GetDC(window);
    if (outlinedCell != NoCell)
        drawCell(dc, outlinedCell, CellFromMap);
    outlinedCell = cell;
    if (dragSource == NoCell) {
        drawCell(dc, cell, CellRemoved);
    } else if (cell != NoCell && cell != dragSource) {
        drawCell(dc, dragSource, CellReplaced);
        drawCell(dc, cell, CellReplacement);
    } else {
        drawCell(dc, dragSource, CellRemoved);
    }
    ReleaseDC(window, dc);
}

void PaletteSelector::onMouseMove(WPARAM keys, uint32_t x, uint32_t y)
{
    int32_t cell = cellFromPoint(x, y);
    if ((keys & MK_LBUTTON) != 0)
        showDrag(cell);
    else
        showReplacement(cell);
}

void PaletteSelector::onLeftButtonDown(WPARAM, uint32_t x, uint32_t y)
{
    SetCapture(window);
    dragSource = cellFromPoint(x, y);
    showDrag(dragSource);
}

void PaletteSelector::onLeftButtonUp(WPARAM, uint32_t x, uint32_t y)
{
    int32_t cell = cellFromPoint(x, y);
    if (cell != NoCell) {
        uint32_t colour = static_cast<uint32_t>(cell);
        if (cell == dragSource || dragSource == NoCell)
            map->setEntry(colour, map->entry(colour) == colour ? ColourRemoved : colour);
        else
            map->setEntry(static_cast<uint32_t>(dragSource), colour);
        // A frame left on another cell (a release with no move onto this one
        // first) would otherwise stay until the next repaint.
        if (outlinedCell != NoCell && outlinedCell != cell) {
            HDC dc = GetDC(window);
            drawCell(dc, outlinedCell, CellFromMap);
            ReleaseDC(window, dc);
        }
        outlinedCell = cell;
    } else {
        outlinedCell = dragSource;
    }
    dragSource = NoCell;
    if (outlinedCell != NoCell)
        showReplacement(outlinedCell);
    ReleaseCapture();
}

void PaletteSelector::keepAll()
{
    map->keepAll();
    InvalidateRect(window, nullptr, FALSE);
}

void PaletteSelector::removeAll()
{
    map->removeAll();
    InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK paletteSelectorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PaletteSelector* selector = theApplication != nullptr ? theApplication->paletteSelector : nullptr;
    if (selector == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    uint32_t x = LOWORD(lParam);
    uint32_t y = HIWORD(lParam);
    switch (message) {
    case WM_PAINT:
        selector->paint();
        return 0;
    case WM_MOUSEMOVE:
        selector->onMouseMove(wParam, x, y);
        return 0;
    case WM_LBUTTONDOWN:
        selector->onLeftButtonDown(wParam, x, y);
        return 0;
    case WM_LBUTTONUP:
        selector->onLeftButtonUp(wParam, x, y);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
