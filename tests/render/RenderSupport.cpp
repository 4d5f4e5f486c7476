#include "RenderSupport.h"

#include "render/Canvas.h"
#include "render/StbLibraries.h"
#include "support/TestSupport.h"

std::ostream& operator<<(std::ostream& out, const Rgb& colour)
{
    return out << "rgb(" << int(colour.r) << ", " << int(colour.g) << ", " << int(colour.b) << ")";
}

ObjectPlan blob(int32_t x, int32_t y, int32_t z, int32_t r, uint32_t colour, const char* name)
{
    return ObjectPlan({{x + r, y + r, z + r}, {x + r, y - r, z - r}, {x - r, y + r, z - r}, {x - r, y - r, z + r}},
                      {{colour, {0, 1, 2}}, {colour, {0, 1, 3}}, {colour, {0, 2, 3}}, {colour, {1, 2, 3}}}, -1, name);
}

Rgb Pixels::at(uint32_t x, uint32_t y) const
{
    const uint8_t* pixel = &rgba[4 * (size_t(y) * width + x)];
    return Rgb{pixel[0], pixel[1], pixel[2]};
}

Pixels Pixels::columns(uint32_t left, uint32_t right) const
{
    Pixels part{right - left, height, {}};
    for (uint32_t y = 0; y < height; ++y) {
        const auto row = rgba.begin() + 4 * std::ptrdiff_t(size_t(y) * width);
        part.rgba.insert(part.rgba.end(), row + 4 * left, row + 4 * right);
    }
    return part;
}

Pixels pixelsOf(const Canvas& canvas)
{
    const uint8_t* rgba = canvas.rgba();
    return {canvas.width(), canvas.height(),
            std::vector<uint8_t>(rgba, rgba + 4 * size_t(canvas.width()) * canvas.height())};
}

Pixels decodePng(const std::string& path)
{
    const std::vector<uint8_t> bytes = readBytes(path);
    Pixels pixels;
    uint8_t* rgba = decodeImagePixels(bytes.data(), uint32_t(bytes.size()), &pixels.width, &pixels.height);
    if (rgba == nullptr)
        return {};
    pixels.rgba.assign(rgba, rgba + 4 * size_t(pixels.width) * pixels.height);
    releaseDecodedPixels(rgba);
    return pixels;
}

Spread spreadOf(const Pixels& pixels, const std::function<bool(const Rgb&)>& matches)
{
    Spread spread;
    spread.left = spread.top = INT64_MAX;
    for (uint32_t y = 0; y < pixels.height; ++y) {
        for (uint32_t x = 0; x < pixels.width; ++x) {
            if (pixels.alpha(x, y) == 0 || !matches(pixels.at(x, y)))
                continue;
            ++spread.count;
            spread.left = std::min<int64_t>(spread.left, x);
            spread.right = std::max<int64_t>(spread.right, x);
            spread.top = std::min<int64_t>(spread.top, y);
            spread.bottom = std::max<int64_t>(spread.bottom, y);
            spread.x += x;
            spread.y += y;
        }
    }
    if (spread.count > 0) {
        spread.x /= double(spread.count);
        spread.y /= double(spread.count);
    }
    return spread;
}

namespace {

void add8(Image& image, std::initializer_list<uint8_t> values) { image.bytes.insert(image.bytes.end(), values); }

void addEntry(Image& image, const char* name, uint32_t frameRecord)
{
    image.add16({1, 1});
    image.add({0});
    std::string padded = name;
    padded.resize(32, '\0');
    image.bytes.insert(image.bytes.end(), padded.begin(), padded.end());
    image.add({frameRecord, 5});
}

// width, height, x and y offsets, transparent index, compressed flag, subframes,
// a zero word, where the pixels (or the subframe list) are, a zero word.
void addFrameRecord(Image& image, uint16_t width, uint16_t height, uint8_t compressed, uint16_t subframes,
                    uint32_t data)
{
    image.add16({width, height, 0, 0});
    add8(image, {0, compressed});
    image.add16({subframes});
    image.add({0, data, 0});
}

} // namespace

Bytes twoEntryGaf()
{
    Image image;
    image.add({0x00010100u, 2, 0, 20, 68});
    addEntry(image, "plain", 116);
    addEntry(image, "Packed", 144);
    addFrameRecord(image, 2, 2, 0, 0, 140);
    add8(image, {1, 2, 3, 4});
    addFrameRecord(image, 0, 0, 0, 1, 168);
    image.add({172});
    addFrameRecord(image, 4, 2, 1, 0, 196);
    image.add16({3});
    add8(image, {3, 6, 7});
    image.add16({4});
    add8(image, {8, 9, 10, 11});
    return image.bytes;
}

Bytes solidBmp(Rgb colour)
{
    Image image;
    add8(image, {'B', 'M'});
    image.add({70, 0, 54, 40, 2, 2});
    image.add16({1, 24});
    image.add({0, 16, 2835, 2835, 0, 0});
    for (int row = 0; row < 2; ++row)
        add8(image, {colour.b, colour.g, colour.r, colour.b, colour.g, colour.r, 0, 0});
    return image.bytes;
}
