// The third-party image and text code the pictures use, compiled in one place of
// its own: decoding BMP, TGA and PNG files, writing PNG files, and the quads of a
// small bitmap font.
#pragma once

#include <cstddef>
#include <cstdint>

// Decodes a BMP, TGA or PNG image into new 8-bit RGBA pixels (released with
// releaseDecodedPixels); null when the bytes are not such an image or it is
// larger than MaxDecodedSide on a side.
uint8_t* decodeImagePixels(const uint8_t* bytes, uint32_t size, uint32_t* width, uint32_t* height);
void releaseDecodedPixels(uint8_t* pixels);
constexpr uint32_t MaxDecodedSide = 1u << 14;

// A PNG file of width x height 8-bit RGBA pixels, rows top to bottom; new[]'d, or
// null when memory runs out.
uint8_t* encodePngFile(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t* size);

// The quads of one line of text in the bitmap font, one font pixel a unit, the
// origin at the text's top left: each quad four vertices of x, y, z as floats
// and four colour bytes. Returns how many quads fit in buffer.
int fontQuads(const char* text, void* buffer, int bufferSize);
// The width and height of text in font pixels.
int fontWidth(const char* text);
int fontHeight(const char* text);
constexpr int FontVertexBytes = 16;
