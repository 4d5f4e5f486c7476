#include "Writers.h"

#include <cstring>

#include "BlobDictionary.h"
#include "Format.h"
#include "OutputBuffer.h"

uint32_t writeBytes(OutputBuffer& file, const void* data, uint32_t length)
{
    const uint32_t start = file.position();
    if (start == InvalidOffset)
        return InvalidOffset;
    if (!file.write(data, length))
        return InvalidOffset;
    return start;
}

uint32_t writeField(OutputBuffer& file, uint32_t value)
{
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return writeBytes(file, bytes, 4);
}

uint32_t writeString(OutputBuffer& file, const char* s)
{
    if (s == nullptr)
        return InvalidOffset;
    const size_t length = std::strlen(s) + 1;
    if (length >= InvalidOffset)
        return InvalidOffset;
    return writeBytes(file, s, static_cast<uint32_t>(length));
}

uint32_t writeIndexArray(OutputBuffer& file, const uint16_t* indexes, uint32_t count)
{
    const uint32_t start = file.position();
    if (start == InvalidOffset)
        return InvalidOffset;
    if (count > 0 && indexes == nullptr)
        return InvalidOffset;
    // Encoded through a small block so the output is little-endian on any host.
    constexpr uint32_t BlockIndexes = 256;
    uint8_t block[2 * BlockIndexes];
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = count - done < BlockIndexes ? count - done : BlockIndexes;
        for (uint32_t i = 0; i < n; ++i) {
            block[2 * i] = static_cast<uint8_t>(indexes[done + i]);
            block[2 * i + 1] = static_cast<uint8_t>(indexes[done + i] >> 8);
        }
        if (!file.write(block, 2 * n))
            return InvalidOffset;
        done += n;
    }
    return start;
}

uint32_t writeVertexArray(OutputBuffer& file, const Vertex* vertices, uint32_t count)
{
    const uint32_t start = file.position();
    if (start == InvalidOffset)
        return InvalidOffset;
    if (count > 0 && vertices == nullptr)
        return InvalidOffset;
    for (uint32_t i = 0; i < count; ++i) {
        if (vertices[i].write(file) == InvalidOffset)
            return InvalidOffset;
    }
    return start;
}

// The 32-bit value stored under key, or InvalidOffset when there is none.
static uint32_t lookupOffset(const BlobDictionary& table, const void* key, uint32_t keyLength)
{
    uint32_t valueLength = 0;
    const uint8_t* value = table.lookup(key, keyLength, &valueLength);
    if (value == nullptr || valueLength != 4)
        return InvalidOffset;
    uint32_t offset = 0;
    std::memcpy(&offset, value, 4);
    return offset;
}

uint32_t writePrimitiveArray(OutputBuffer& file, const Primitive* primitives, uint32_t count,
                             const BlobDictionary& textureOffsets, const BlobDictionary& indexArrayOffsets)
{
    const uint32_t start = file.position();
    if (start == InvalidOffset)
        return InvalidOffset;
    if (count > 0 && primitives == nullptr)
        return InvalidOffset;
    for (uint32_t i = 0; i < count; ++i) {
        const Primitive& primitive = primitives[i];
        uint32_t textureNameOffset = 0;
        const char* name = primitive.getTextureName();
        if (name != nullptr) {
            const size_t keyLength = std::strlen(name) + 1;
            if (keyLength >= InvalidOffset)
                return InvalidOffset;
            textureNameOffset = lookupOffset(textureOffsets, name, static_cast<uint32_t>(keyLength));
            if (textureNameOffset == InvalidOffset)
                return InvalidOffset;
        }
        const uint32_t indexArrayOffset = lookupOffset(indexArrayOffsets, &i, 4);
        if (indexArrayOffset == InvalidOffset)
            return InvalidOffset;
        if (primitive.write(file, textureNameOffset, indexArrayOffset) == InvalidOffset)
            return InvalidOffset;
    }
    return start;
}

uint32_t patchField(OutputBuffer& file, uint32_t at, uint32_t value)
{
    const uint32_t back = file.position();
    if (back == InvalidOffset || at == InvalidOffset)
        return InvalidOffset;
    if (!file.seek(at))
        return InvalidOffset;
    if (writeField(file, value) == InvalidOffset)
        return InvalidOffset;
    if (!file.seek(back))
        return InvalidOffset;
    return back;
}
