// The stb libraries, built once here with the options the program relies on: no
// file functions (files go through the platform layer) and only the formats the
// pictures and textures need.
#include "render/StbLibraries.h"

#include <cstring>
#include <new>
#include <string>

#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_MAX_DIMENSIONS (1 << 14)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <stb_easy_font.h>

static_assert(STBI_MAX_DIMENSIONS == MaxDecodedSide, "one limit for decoded images");

uint8_t* decodeImagePixels(const uint8_t* bytes, uint32_t size, uint32_t* width, uint32_t* height)
{
    if (bytes == nullptr || size == 0 || size > 0x7FFFFFFFu)
        return nullptr;
    int w = 0;
    int h = 0;
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes, int(size), &w, &h, &channels, 4);
    if (pixels == nullptr || w <= 0 || h <= 0) {
        stbi_image_free(pixels);
        return nullptr;
    }
    *width = uint32_t(w);
    *height = uint32_t(h);
    return pixels;
}

void releaseDecodedPixels(uint8_t* pixels) { stbi_image_free(pixels); }

namespace {

struct PngOutput {
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
};

// stb hands over the whole file in one call.
void takePng(void* context, void* data, int size)
{
    PngOutput& output = *static_cast<PngOutput*>(context);
    if (output.bytes != nullptr || size <= 0)
        return;
    output.bytes = new (std::nothrow) uint8_t[size_t(size)];
    if (output.bytes == nullptr)
        return;
    std::memcpy(output.bytes, data, size_t(size));
    output.size = uint32_t(size);
}

} // namespace

uint8_t* encodePngFile(const uint8_t* rgba, uint32_t width, uint32_t height, uint32_t* size)
{
    PngOutput output;
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu / 4)
        return nullptr;
    // The fastest compression, and every row filtered against the one above: on
    // pictures with wide transparent borders that is both quicker and smaller
    // than trying each filter per row.
    stbi_write_png_compression_level = 5;
    stbi_write_force_png_filter = 2;
    if (stbi_write_png_to_func(takePng, &output, int(width), int(height), 4, rgba, int(width * 4)) == 0) {
        delete[] output.bytes;
        return nullptr;
    }
    *size = output.size;
    return output.bytes;
}

namespace {

// The font knows the printable ASCII characters alone; anything else is a '?'.
std::string printable(const char* text)
{
    std::string copy = text;
    for (char& c : copy) {
        if (c < ' ' || c > '~')
            c = '?';
    }
    return copy;
}

} // namespace

int fontQuads(const char* text, void* buffer, int bufferSize)
{
    std::string copy = printable(text);
    return stb_easy_font_print(0, 0, copy.data(), nullptr, buffer, bufferSize);
}

int fontWidth(const char* text)
{
    std::string copy = printable(text);
    return stb_easy_font_width(copy.data());
}

int fontHeight(const char* text)
{
    std::string copy = printable(text);
    return stb_easy_font_height(copy.data());
}
