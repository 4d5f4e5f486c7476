// The pixels of a picture being drawn: 8-bit RGBA, transparent where nothing is
// drawn, with a depth buffer. Filled triangles, lines and dots are depth-tested
// against what is already there (nearer wins, ties keep the first); rectangles
// for text are not. Drawing stays inside the clip panel.
#pragma once

#include <cstdint>

#include "render/Camera.h"
#include "render/Colour.h"

// Far above any picture drawn, and small enough that a canvas's bytes fit in 32
// bits.
constexpr uint32_t MaxCanvasSide = 8192;

class Canvas {
public:
    Canvas() = default;
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // A transparent canvas of width x height pixels; false when memory runs out or
    // a side is 0 or past MaxCanvasSide.
    bool make(uint32_t width, uint32_t height);
    void clipTo(const Panel& panel);

    void fillTriangle(ScreenPoint a, ScreenPoint b, ScreenPoint c, Rgb colour);
    // A line thickness pixels wide, and a square dot side pixels wide.
    void drawLine(const ScreenPoint& from, const ScreenPoint& to, uint32_t thickness, Rgb colour);
    void drawDot(const ScreenPoint& at, uint32_t side, Rgb colour);
    // An opaque rectangle in whole pixels, drawn over whatever is there.
    void fillRect(int32_t left, int32_t top, int32_t width, int32_t height, Rgb colour);

    uint32_t width() const { return pixelWidth; }
    uint32_t height() const { return pixelHeight; }
    // width x height x 4 bytes, rows top to bottom.
    const uint8_t* rgba() const { return pixels; }

private:
    // Depth-tested write of one pixel inside the clip panel.
    void plot(int32_t x, int32_t y, uint32_t depth, Rgb colour);
    void put(uint32_t at, Rgb colour);

    uint32_t pixelWidth = 0;
    uint32_t pixelHeight = 0;
    uint8_t* pixels = nullptr;
    uint32_t* depths = nullptr; // 0 where nothing is drawn
    int32_t clipLeft = 0;
    int32_t clipTop = 0;
    int32_t clipRight = 0; // one past the last column
    int32_t clipBottom = 0;
};
