#include "render/GafFile.h"

#include <cstring>
#include <new>

#include "model/LittleEndian.h"

namespace {

constexpr uint32_t GafVersion = 0x00010100;
// Frame count, a 16-bit and a 32-bit field, the name; then per frame its record's
// offset and its duration.
constexpr uint32_t EntryNameAt = 8;
constexpr uint32_t EntryFramesAt = EntryNameAt + GafNameSize;
constexpr uint32_t FrameSlotSize = 8;
constexpr uint32_t FrameRecordSize = 24;

// True when count bytes at at lie inside a file of size bytes.
bool fits(uint32_t size, uint32_t at, uint32_t count) { return at <= size && size - at >= count; }

} // namespace

GafFrame::~GafFrame()
{
    delete[] indexes;
    delete[] drawn;
}

bool GafFrame::make(uint32_t frameWidth, uint32_t frameHeight)
{
    delete[] indexes;
    delete[] drawn;
    const size_t count = size_t(frameWidth) * frameHeight;
    indexes = new (std::nothrow) uint8_t[count];
    drawn = new (std::nothrow) uint8_t[count];
    width = height = 0;
    if (indexes == nullptr || drawn == nullptr)
        return false;
    std::memset(indexes, 0, count);
    std::memset(drawn, 0, count);
    width = frameWidth;
    height = frameHeight;
    return true;
}

GafResult GafFile::open(const uint8_t* bytes, uint32_t length)
{
    data = bytes;
    size = length;
    entries = 0;
    if (bytes == nullptr || !fits(length, 0, GafHeaderSize) || loadLittle32(bytes) != GafVersion)
        return GafResult::NotGaf;
    const uint32_t count = loadLittle32(bytes + 4);
    if (count > (length - GafHeaderSize) / 4)
        return GafResult::EntryOutside;
    entries = count;
    return GafResult::Ok;
}

GafResult GafFile::entryAt(uint32_t entry, uint32_t* at) const
{
    if (entry >= entries)
        return GafResult::EntryOutside;
    *at = loadLittle32(data + GafHeaderSize + 4 * entry);
    return fits(size, *at, EntryFramesAt) ? GafResult::Ok : GafResult::EntryOutside;
}

GafResult GafFile::entryName(uint32_t entry, char name[GafNameSize + 1]) const
{
    uint32_t at = 0;
    const GafResult result = entryAt(entry, &at);
    if (result != GafResult::Ok)
        return result;
    std::memcpy(name, data + at + EntryNameAt, GafNameSize);
    name[GafNameSize] = '\0';
    return GafResult::Ok;
}

GafResult GafFile::decodeFirstFrame(uint32_t entry, GafFrame& frame) const
{
    uint32_t at = 0;
    const GafResult result = entryAt(entry, &at);
    if (result != GafResult::Ok)
        return result;
    if (loadLittle16(data + at) == 0)
        return GafResult::NoFrames;
    if (!fits(size, at + EntryFramesAt, FrameSlotSize))
        return GafResult::EntryOutside;
    return decodeFrame(loadLittle32(data + at + EntryFramesAt), false, frame);
}

GafResult GafFile::decodeFrame(uint32_t record, bool isSubframe, GafFrame& frame) const
{
    if (!fits(size, record, FrameRecordSize))
        return GafResult::FrameOutside;
    const uint8_t* fields = data + record;
    const uint32_t width = loadLittle16(fields);
    const uint32_t height = loadLittle16(fields + 2);
    const bool compressed = fields[9] != 0;
    const uint32_t subframes = loadLittle16(fields + 10);
    const uint32_t pixelsAt = loadLittle32(fields + 16);
    if (subframes > 0) {
        // The first subframe stands for the frame; subframes have none of their own.
        if (isSubframe)
            return GafResult::BadFrame;
        if (!fits(size, pixelsAt, 4))
            return GafResult::FrameOutside;
        return decodeFrame(loadLittle32(data + pixelsAt), true, frame);
    }
    if (width == 0 || height == 0 || width * height > MaxGafFramePixels)
        return GafResult::BadFrame;
    if (!frame.make(width, height))
        return GafResult::OutOfMemory;
    if (compressed)
        return decodeRows(pixelsAt, frame);
    const uint32_t count = width * height;
    if (!fits(size, pixelsAt, count))
        return GafResult::PixelsOutside;
    std::memcpy(frame.indexes, data + pixelsAt, count);
    std::memset(frame.drawn, 1, count);
    return GafResult::Ok;
}

// Each row: a 16-bit byte count, then that many bytes of codes. A code c with
// bit 0 set skips c >> 1 pixels; else with bit 1 set the next byte is repeated
// (c >> 2) + 1 times; else the next (c >> 2) + 1 bytes are copied. Pixels past
// the row's width are dropped; codes never read past their row.
GafResult GafFile::decodeRows(uint32_t at, GafFrame& frame) const
{
    for (uint32_t y = 0; y < frame.height; ++y) {
        if (!fits(size, at, 2))
            return GafResult::PixelsOutside;
        const uint32_t rowBytes = loadLittle16(data + at);
        at += 2;
        if (!fits(size, at, rowBytes))
            return GafResult::PixelsOutside;
        const uint8_t* code = data + at;
        uint32_t left = rowBytes;
        uint32_t x = 0;
        uint8_t* indexes = frame.indexes + size_t(y) * frame.width;
        uint8_t* drawn = frame.drawn + size_t(y) * frame.width;
        while (left > 0) {
            const uint32_t c = *code++;
            --left;
            if (c & 1) {
                x += c >> 1;
                continue;
            }
            const uint32_t count = (c >> 2) + 1;
            const bool repeat = (c & 2) != 0;
            const uint32_t needed = repeat ? 1 : count;
            if (needed > left)
                return GafResult::PixelsOutside;
            for (uint32_t k = 0; k < count; ++k, ++x) {
                if (x >= frame.width)
                    continue;
                indexes[x] = repeat ? code[0] : code[k];
                drawn[x] = 1;
            }
            code += needed;
            left -= needed;
        }
        at += rowBytes;
    }
    return GafResult::Ok;
}
