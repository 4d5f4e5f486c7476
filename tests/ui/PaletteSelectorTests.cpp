// The colour grid: its geometry, its pixels against the palette and the map,
// and the mouse interaction driven by real messages to the control.

#include "UiTestSupport.h"

namespace {

const uint32_t Black = 0x000000, Red = 0xFF4949, Green = 0x00FF00, Blue = 0x6060FF;

// With the colour dialog open, modeless so the test can drive it from this thread.
class PaletteSelectorTest : public ApplicationTest {
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        dialog = CreateDialogParamA(application->instance, MAKEINTRESOURCEA(134), application->mainWindow,
                                    colourDialogProc, 0);
        grid = GetDlgItem(dialog, 1002);
        ShowWindow(dialog, SW_SHOW);
        pumpMessages(100);
    }
    void TearDown() override
    {
        DestroyWindow(dialog);
        ApplicationTest::TearDown();
    }
    PaletteSelector& selector() const { return *application->paletteSelector; }
    ColourMap& map() const { return selector().colourMap(); }
    // Sends one mouse message to the grid, at a point or a cell's centre; answers how many cells it drew.
    uint32_t mouse(UINT message, WPARAM keys, uint32_t x, uint32_t y)
    {
        uint32_t before = selector().cellsDrawn;
        SendMessageA(grid, message, keys, static_cast<LPARAM>(MAKELONG(x, y)));
        uint32_t drawn = selector().cellsDrawn - before;
        EXPECT_LE(drawn, 3u) << "message " << message;
        return drawn;
    }
    uint32_t mouseAt(UINT message, WPARAM keys, int32_t cell)
    {
        RECT r = selector().cellRect(cell);
        return mouse(message, keys, uint32_t(r.left + r.right) / 2, uint32_t(r.top + r.bottom) / 2);
    }
    void drag(int32_t from, int32_t to)
    {
        mouseAt(WM_LBUTTONDOWN, MK_LBUTTON, from);
        if (to != from)
            mouseAt(WM_MOUSEMOVE, MK_LBUTTON, to);
        mouseAt(WM_LBUTTONUP, 0, to);
    }
    // The frame colour each cell shows now, read from its left edge.
    std::vector<uint32_t> frames()
    {
        Capture shot = captureClient(grid);
        std::vector<uint32_t> out;
        for (int32_t cell = 0; cell < 256; ++cell) {
            RECT r = selector().cellRect(cell);
            out.push_back(shot.at(r.left, (r.top + r.bottom) / 2));
        }
        return out;
    }
    // Every cell framed by its colour's state, except those given.
    std::vector<uint32_t> framesByMap(std::vector<std::pair<int32_t, uint32_t>> except = {})
    {
        const uint32_t byState[] = {Black, Red, Green}; // Kept, Removed, Replaced
        std::vector<uint32_t> out;
        for (uint32_t cell = 0; cell < 256; ++cell)
            out.push_back(byState[uint32_t(map().state(cell))]);
        for (const auto& [cell, colour] : except)
            out[size_t(cell)] = colour;
        return out;
    }

    HWND dialog = nullptr;
    HWND grid = nullptr;
};

} // namespace

TEST_F(PaletteSelectorTest, EveryPointHitsExactlyTheCellWhosePaintedRectangleHoldsIt)
{
    // An odd size, one too small for gaps to matter, one of no size (no cells, and no division by
    // zero) and 320 x 160, whose rectangles of cells 17 and 255 are given.
    const SIZE sizes[] = {{231, 173}, {16, 16}, {0, 0}, {320, 160}};
    for (const SIZE& size : sizes) {
        SCOPED_TRACE(std::to_string(size.cx) + " x " + std::to_string(size.cy));
        HWND control = CreateWindowExA(0, "PaletteSelector", "", WS_POPUP, 0, 0, size.cx, size.cy, nullptr, nullptr,
                                       application->instance, nullptr);
        selector().bindWindow(control);
        const size_t width = size_t(size.cx + 2);
        std::vector<int32_t> owner(width * size_t(size.cy + 2), NoCell);
        for (int32_t cell = 0; cell < 256; ++cell) {
            RECT r = selector().cellRect(cell);
            for (LONG y = r.top; y < r.bottom; ++y)
                for (LONG x = r.left; x < r.right; ++x)
                    owner[size_t(y) * width + size_t(x)] = cell;
        }
        uint32_t wrong = 0;
        for (size_t k = 0; k < owner.size(); ++k)
            wrong += selector().cellFromPoint(uint32_t(k % width), uint32_t(k / width)) != owner[k];
        EXPECT_EQ(wrong, 0u);
        const RECT second = selector().cellRect(17), last = selector().cellRect(255);
        if (size.cx == 320) {
            EXPECT_EQ(std::vector<LONG>({second.left, second.top, second.right, second.bottom, last.left, last.top,
                                         last.right, last.bottom}),
                      (std::vector<LONG>{21, 11, 39, 19, 301, 151, 319, 159}));
        }
        // Left of or above the control, as a captured mouse reports such points.
        EXPECT_EQ(selector().cellFromPoint(65536 - 3, 5), NoCell);
        EXPECT_EQ(selector().cellFromPoint(5, 65536 - 1), NoCell);
        DestroyWindow(control);
    }
}

TEST_F(PaletteSelectorTest, PaintShowsEachColourFramedByItsStateAndKeepOrRemoveAllRepaintEveryCell)
{
    Capture shot = captureClient(grid);
    auto rgb = [](uint32_t bgr) { return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF); };
    uint32_t wrongFill = 0;
    for (int32_t cell = 0; cell < 256; ++cell) {
        RECT r = selector().cellRect(cell);
        uint32_t colour = rgb(selector().colours().colourAt(uint32_t(cell)));
        // Inside the 2-pixel frame, the fill; left of the cell, the gap.
        wrongFill += shot.at(r.left + 2, r.top + 2) != colour || shot.at(r.right - 3, r.bottom - 3) != colour;
        EXPECT_EQ(shot.at(r.left - 1, r.top), rgb(GetSysColor(COLOR_BTNFACE))) << cell;
    }
    EXPECT_EQ(wrongFill, 0u); // the default map's frames the e2e script checks

    // A stored value may hold anything: an entry of 300 counts as replaced and names no cell.
    map().setEntry(6, 300);
    InvalidateRect(grid, nullptr, FALSE);
    pumpMessages(100);
    EXPECT_EQ(mouseAt(WM_MOUSEMOVE, 0, 6), 0u);
    EXPECT_EQ(frames(), framesByMap());

    // Remove All and Keep All repaint every cell, a blue frame too.
    drag(5, 9);
    mouseAt(WM_MOUSEMOVE, 0, 5);
    SendMessageA(dialog, WM_COMMAND, 3, 0);
    pumpMessages(100);
    EXPECT_EQ(frames(), std::vector<uint32_t>(256, Red));
    SendMessageA(dialog, WM_COMMAND, 4, 0);
    pumpMessages(100);
    EXPECT_EQ(frames(), std::vector<uint32_t>(256, Black));
}

TEST_F(PaletteSelectorTest, DragsReplaceAndClicksToggleWhereverThePointerWentOrIsReleased)
{
    // Single clicks, a finished drag and the replacement framed under a resting pointer the e2e
    // script drives. During a drag the source shows green and the cell under the pointer blue.
    mouseAt(WM_LBUTTONDOWN, MK_LBUTTON, 5);
    EXPECT_EQ(GetCapture(), grid);
    EXPECT_EQ(frames()[5], Red);
    mouseAt(WM_MOUSEMOVE, MK_LBUTTON, 9);
    EXPECT_EQ(frames(), framesByMap({{5, Green}, {9, Blue}}));
    mouseAt(WM_LBUTTONUP, 0, 9);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(map().entry(5), 9u);
    EXPECT_EQ(frames(), framesByMap());

    // Released outside the control after a press on a cell: no change,
    // and the source, a replaced colour, shows its replacement.
    mouseAt(WM_LBUTTONDOWN, MK_LBUTTON, 5);
    mouse(WM_MOUSEMOVE, MK_LBUTTON, 65535, 10);
    EXPECT_EQ(frames()[5], Red);
    mouse(WM_LBUTTONUP, 0, 65535, 10);
    EXPECT_EQ(map().entry(5), 9u);
    EXPECT_EQ(frames(), framesByMap({{9, Blue}}));

    // A press on a gap, as one outside the control, makes no source: moves with the button flag
    // frame the cell red, a release on it toggles it.
    mouse(WM_LBUTTONDOWN, MK_LBUTTON, 0, 0);
    mouseAt(WM_MOUSEMOVE, MK_LBUTTON, 20);
    EXPECT_EQ(frames(), framesByMap({{20, Red}}));
    mouseAt(WM_LBUTTONUP, 0, 20);
    EXPECT_EQ(map().entry(20), ColourRemoved);

    // The right and middle buttons do nothing.
    for (UINT message : {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONDOWN, WM_MBUTTONUP})
        EXPECT_EQ(mouseAt(message, 0, 50), 0u);
    EXPECT_EQ(map().entry(50), 50u);

    // A removed colour (0, by default) dragged becomes replaced; a replaced colour clicked is kept.
    drag(0, 3);
    EXPECT_EQ(map().entry(0), 3u);
    drag(0, 0);
    EXPECT_EQ(map().entry(0), 0u);

    // A click however far the pointer went in between.
    mouseAt(WM_LBUTTONDOWN, MK_LBUTTON, 40);
    mouseAt(WM_MOUSEMOVE, MK_LBUTTON, 200);
    mouseAt(WM_LBUTTONUP, 0, 40);
    EXPECT_EQ(map().entry(40), ColourRemoved);
    EXPECT_EQ(frames(), framesByMap());
}
