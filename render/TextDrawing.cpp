#include "render/TextDrawing.h"

#include <cstring>
#include <new>

#include "render/Canvas.h"
#include "render/StbLibraries.h"

namespace {

// The font takes about 270 bytes a character; this leaves room to spare.
constexpr size_t BytesPerCharacter = 400;

float vertexAt(const uint8_t* quad, size_t vertex, size_t coordinate)
{
    float value = 0;
    std::memcpy(&value, quad + vertex * size_t(FontVertexBytes) + coordinate * sizeof(float), sizeof value);
    return value;
}

} // namespace

uint32_t textWidth(const char* text) { return uint32_t(fontWidth(text)); }

uint32_t textHeight(const char* text) { return uint32_t(fontHeight(text)); }

bool drawText(Canvas& canvas, int32_t left, int32_t top, uint32_t scale, const char* text, Rgb colour)
{
    const size_t bufferSize = (std::strlen(text) + 1) * BytesPerCharacter;
    if (bufferSize > 0x7FFFFFFF)
        return false;
    uint8_t* buffer = new (std::nothrow) uint8_t[bufferSize];
    if (buffer == nullptr)
        return false;
    const int quads = fontQuads(text, buffer, int(bufferSize));
    // Each quad is an upright rectangle of whole font pixels: corners 0 and 2.
    for (int q = 0; q < quads; ++q) {
        const uint8_t* quad = buffer + size_t(q) * 4 * FontVertexBytes;
        const int32_t x0 = int32_t(vertexAt(quad, 0, 0));
        const int32_t y0 = int32_t(vertexAt(quad, 0, 1));
        const int32_t x1 = int32_t(vertexAt(quad, 2, 0));
        const int32_t y1 = int32_t(vertexAt(quad, 2, 1));
        canvas.fillRect(left + x0 * int32_t(scale), top + y0 * int32_t(scale), (x1 - x0) * int32_t(scale),
                        (y1 - y0) * int32_t(scale), colour);
    }
    delete[] buffer;
    return true;
}
