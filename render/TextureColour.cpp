#include "render/TextureColour.h"

#include "render/GafFile.h"
#include "render/StbLibraries.h"

namespace {

// Channel sums of the pixels counted so far.
struct ColourSum {
    uint64_t r = 0;
    uint64_t g = 0;
    uint64_t b = 0;
    uint64_t count = 0;

    void add(uint8_t red, uint8_t green, uint8_t blue)
    {
        r += red;
        g += green;
        b += blue;
        ++count;
    }
    // Rounded to the nearest; false when nothing was counted.
    bool mean(Rgb* colour) const
    {
        if (count == 0)
            return false;
        *colour =
            Rgb{uint8_t((r + count / 2) / count), uint8_t((g + count / 2) / count), uint8_t((b + count / 2) / count)};
        return true;
    }
};

} // namespace

bool meanImageColour(const uint8_t* bytes, uint32_t size, Rgb* mean)
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t* pixels = decodeImagePixels(bytes, size, &width, &height);
    if (pixels == nullptr)
        return false;
    ColourSum sum;
    const uint64_t count = uint64_t(width) * height;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* pixel = pixels + 4 * i;
        if (pixel[3] >= 128)
            sum.add(pixel[0], pixel[1], pixel[2]);
    }
    releaseDecodedPixels(pixels);
    return sum.mean(mean);
}

bool meanFrameColour(const GafFrame& frame, Rgb* mean)
{
    ColourSum sum;
    const uint64_t count = uint64_t(frame.width) * frame.height;
    for (uint64_t i = 0; i < count; ++i) {
        if (!frame.drawn[i])
            continue;
        const Rgb colour = paletteColour(frame.indexes[i]);
        sum.add(colour.r, colour.g, colour.b);
    }
    return sum.mean(mean);
}
