#include "render/Canvas.h"

#include <cstring>
#include <new>

namespace {

// Twice the signed area of a, b, c in sub-pixel units; positive when c lies to
// the right of a->b with y down.
int64_t edge(const ScreenPoint& a, const ScreenPoint& b, int64_t x, int64_t y)
{
    return (int64_t(b.x) - a.x) * (y - a.y) - (int64_t(b.y) - a.y) * (x - a.x);
}

// Pixels whose centre lies exactly on an edge belong to one triangle only: the
// one for which the edge runs in the direction this accepts.
bool ownsEdge(const ScreenPoint& a, const ScreenPoint& b) { return b.y < a.y || (b.y == a.y && b.x > a.x); }

int32_t minOf(int32_t a, int32_t b, int32_t c)
{
    const int32_t ab = a < b ? a : b;
    return ab < c ? ab : c;
}

int32_t maxOf(int32_t a, int32_t b, int32_t c)
{
    const int32_t ab = a > b ? a : b;
    return ab > c ? ab : c;
}

// The first pixel whose centre is at or past the sub-pixel position.
int32_t firstPixelFrom(int32_t position)
{
    const int32_t shifted = position - SubPixels / 2;
    return shifted >= 0 ? (shifted + SubPixels - 1) / SubPixels : -((-shifted) / SubPixels);
}

// The last pixel whose centre is at or before the sub-pixel position.
int32_t lastPixelTo(int32_t position)
{
    const int32_t shifted = position - SubPixels / 2;
    return shifted >= 0 ? shifted / SubPixels : -((-shifted + SubPixels - 1) / SubPixels);
}

int32_t pixelOf(int32_t position) { return lastPixelTo(position + SubPixels / 2); }

int32_t absolute(int32_t value) { return value < 0 ? -value : value; }

// distance * step / steps rounded to the nearest pixel, the same both ways.
int32_t along(int32_t distance, int32_t step, int32_t steps)
{
    if (steps == 0)
        return 0;
    const int32_t part = int32_t((int64_t(absolute(distance)) * step * 2 + steps) / (2 * int64_t(steps)));
    return distance < 0 ? -part : part;
}

} // namespace

Canvas::~Canvas()
{
    delete[] pixels;
    delete[] depths;
}

bool Canvas::make(uint32_t width, uint32_t height)
{
    delete[] pixels;
    delete[] depths;
    pixels = nullptr;
    depths = nullptr;
    pixelWidth = pixelHeight = 0;
    if (width == 0 || height == 0 || width > MaxCanvasSide || height > MaxCanvasSide)
        return false;
    const size_t count = size_t(width) * height;
    pixels = new (std::nothrow) uint8_t[count * 4];
    depths = new (std::nothrow) uint32_t[count];
    if (pixels == nullptr || depths == nullptr)
        return false;
    std::memset(pixels, 0, count * 4);
    std::memset(depths, 0, count * sizeof(uint32_t));
    pixelWidth = width;
    pixelHeight = height;
    clipTo({0, 0, width, height});
    return true;
}

void Canvas::clipTo(const Panel& panel)
{
    clipLeft = int32_t(panel.left < pixelWidth ? panel.left : pixelWidth);
    clipTop = int32_t(panel.top < pixelHeight ? panel.top : pixelHeight);
    const uint64_t right = uint64_t(panel.left) + panel.width;
    const uint64_t bottom = uint64_t(panel.top) + panel.height;
    clipRight = int32_t(right < pixelWidth ? right : pixelWidth);
    clipBottom = int32_t(bottom < pixelHeight ? bottom : pixelHeight);
}

void Canvas::put(uint32_t at, Rgb colour)
{
    uint8_t* pixel = pixels + 4 * size_t(at);
    pixel[0] = colour.r;
    pixel[1] = colour.g;
    pixel[2] = colour.b;
    pixel[3] = 255;
}

void Canvas::plot(int32_t x, int32_t y, uint32_t depth, Rgb colour)
{
    if (x < clipLeft || x >= clipRight || y < clipTop || y >= clipBottom)
        return;
    const uint32_t at = uint32_t(y) * pixelWidth + uint32_t(x);
    if (depth <= depths[at])
        return;
    depths[at] = depth;
    put(at, colour);
}

void Canvas::fillTriangle(ScreenPoint a, ScreenPoint b, ScreenPoint c, Rgb colour)
{
    int64_t area = edge(a, b, c.x, c.y);
    if (area == 0)
        return;
    if (area < 0) {
        const ScreenPoint swap = b;
        b = c;
        c = swap;
        area = -area;
    }
    int32_t left = firstPixelFrom(minOf(a.x, b.x, c.x));
    int32_t right = lastPixelTo(maxOf(a.x, b.x, c.x));
    int32_t top = firstPixelFrom(minOf(a.y, b.y, c.y));
    int32_t bottom = lastPixelTo(maxOf(a.y, b.y, c.y));
    left = left > clipLeft ? left : clipLeft;
    top = top > clipTop ? top : clipTop;
    right = right < clipRight - 1 ? right : clipRight - 1;
    bottom = bottom < clipBottom - 1 ? bottom : clipBottom - 1;
    if (left > right || top > bottom)
        return;

    // Edge functions at the first pixel centre, and their steps per pixel; each
    // is the weight of the vertex opposite its edge.
    const int64_t x0 = int64_t(left) * SubPixels + SubPixels / 2;
    const int64_t y0 = int64_t(top) * SubPixels + SubPixels / 2;
    const int64_t bias[3] = {ownsEdge(b, c) ? 0 : -1, ownsEdge(c, a) ? 0 : -1, ownsEdge(a, b) ? 0 : -1};
    int64_t rowWeight[3] = {edge(b, c, x0, y0), edge(c, a, x0, y0), edge(a, b, x0, y0)};
    const int64_t stepX[3] = {-(int64_t(c.y) - b.y) * SubPixels, -(int64_t(a.y) - c.y) * SubPixels,
                              -(int64_t(b.y) - a.y) * SubPixels};
    const int64_t stepY[3] = {(int64_t(c.x) - b.x) * SubPixels, (int64_t(a.x) - c.x) * SubPixels,
                              (int64_t(b.x) - a.x) * SubPixels};
    // Depth times area, exactly, so the test needs no division.
    const int64_t depthStepX = stepX[0] * a.depth + stepX[1] * b.depth + stepX[2] * c.depth;
    const int64_t depthStepY = stepY[0] * a.depth + stepY[1] * b.depth + stepY[2] * c.depth;
    int64_t rowDepth = rowWeight[0] * a.depth + rowWeight[1] * b.depth + rowWeight[2] * c.depth;

    for (int32_t y = top; y <= bottom; ++y) {
        int64_t w0 = rowWeight[0] + bias[0];
        int64_t w1 = rowWeight[1] + bias[1];
        int64_t w2 = rowWeight[2] + bias[2];
        int64_t depth = rowDepth;
        uint32_t at = uint32_t(y) * pixelWidth + uint32_t(left);
        for (int32_t x = left; x <= right; ++x, ++at) {
            if ((w0 | w1 | w2) >= 0 && depth > int64_t(depths[at]) * area) {
                depths[at] = uint32_t(depth / area);
                put(at, colour);
            }
            w0 += stepX[0];
            w1 += stepX[1];
            w2 += stepX[2];
            depth += depthStepX;
        }
        for (int k = 0; k < 3; ++k)
            rowWeight[k] += stepY[k];
        rowDepth += depthStepY;
    }
}

void Canvas::drawLine(const ScreenPoint& from, const ScreenPoint& to, uint32_t thickness, Rgb colour)
{
    const int32_t x0 = pixelOf(from.x);
    const int32_t y0 = pixelOf(from.y);
    const int32_t x1 = pixelOf(to.x);
    const int32_t y1 = pixelOf(to.y);
    const int32_t dx = absolute(x1 - x0);
    const int32_t dy = absolute(y1 - y0);
    const int32_t steps = dx > dy ? dx : dy;
    const int32_t before = int32_t(thickness - 1) / 2;
    for (int32_t i = 0; i <= steps; ++i) {
        // Exact integer interpolation: every build lands on the same pixels.
        const int32_t x = x0 + along(x1 - x0, i, steps);
        const int32_t y = y0 + along(y1 - y0, i, steps);
        const uint32_t depth =
            steps == 0 ? from.depth : uint32_t(from.depth + (int64_t(to.depth) - from.depth) * i / steps);
        for (int32_t oy = 0; oy < int32_t(thickness); ++oy) {
            for (int32_t ox = 0; ox < int32_t(thickness); ++ox)
                plot(x - before + ox, y - before + oy, depth, colour);
        }
    }
}

void Canvas::drawDot(const ScreenPoint& at, uint32_t side, Rgb colour)
{
    const int32_t x = pixelOf(at.x) - int32_t(side - 1) / 2;
    const int32_t y = pixelOf(at.y) - int32_t(side - 1) / 2;
    for (int32_t oy = 0; oy < int32_t(side); ++oy) {
        for (int32_t ox = 0; ox < int32_t(side); ++ox)
            plot(x + ox, y + oy, at.depth, colour);
    }
}

void Canvas::fillRect(int32_t left, int32_t top, int32_t width, int32_t height, Rgb colour)
{
    for (int32_t y = top; y < top + height; ++y) {
        if (y < clipTop || y >= clipBottom)
            continue;
        for (int32_t x = left; x < left + width; ++x) {
            if (x >= clipLeft && x < clipRight)
                put(uint32_t(y) * pixelWidth + uint32_t(x), colour);
        }
    }
}
