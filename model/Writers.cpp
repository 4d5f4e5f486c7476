#include "Writers.h"

#include <cstring>

#include "BlobDictionary.h"
#include "LittleEndian.h"
#include "OutputBuffer.h"

uint32_t writeBytes(OutputBuffer& file, const void* data, uint32_t length)
{
    const uint32_t start = file.position();
    if (start == InvalidOffset || !file.write(data, length))
        return InvalidOffset;
    return start;
}

uint32_t writeField(OutputBuffer& file, uint32_t value) { return writeFields(file, &value, 1); }

uint32_t writeFields(OutputBuffer& file, const uint32_t* fields, uint32_t count)
{
    const uint32_t start = file.position();
    if (start == InvalidOffset || count > InvalidOffset / FieldSize)
        return InvalidOffset;
    uint8_t* at = file.append(FieldSize * count);
    if (at == nullptr)
        return InvalidOffset;
    for (uint32_t i = 0; i < count; ++i)
        storeLittle32(at + FieldSize * i, fields[i]);
    return start;
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
    if (start == InvalidOffset || count > InvalidOffset / IndexSize || (count > 0 && indexes == nullptr))
        return InvalidOffset;
    uint8_t* at = file.append(IndexSize * count);
    if (at == nullptr)
        return InvalidOffset;
    for (uint32_t i = 0; i < count; ++i)
        storeLittle16(at + IndexSize * i, indexes[i]);
    return start;
}

uint32_t writeVertexArray(OutputBuffer& file, const Vertex* vertices, uint32_t count)
{
    const uint32_t start = file.position();
    if (start == InvalidOffset || (count > 0 && vertices == nullptr) || count > InvalidOffset / VertexRecordSize)
        return InvalidOffset;
    uint8_t* at = file.append(VertexRecordSize * count);
    if (at == nullptr)
        return InvalidOffset;
    for (uint32_t i = 0; i < count; ++i)
        vertices[i].store(at + VertexRecordSize * i);
    return start;
}

// Where textureOffsets placed the face's texture name (the key is the name with
// its terminator), or InvalidOffset when it holds no place for it.
static uint32_t textureOffsetOf(const BlobDictionary& textureOffsets, const Primitive& face)
{
    uint32_t valueLength = 0;
    const uint8_t* value = textureOffsets.lookup(face.getTextureName(), face.getTextureNameLength() + 1, &valueLength);
    if (value == nullptr || valueLength != FieldSize)
        return InvalidOffset;
    return loadLittle32(value);
}

uint32_t writePrimitiveArray(OutputBuffer& file, const Primitive* primitives, uint32_t count,
                             const BlobDictionary& textureOffsets, uint32_t firstIndexArray)
{
    const uint32_t start = file.position();
    if (start == InvalidOffset || (count > 0 && primitives == nullptr) || count > InvalidOffset / PrimitiveRecordSize)
        return InvalidOffset;
    uint8_t* at = file.append(PrimitiveRecordSize * count);
    if (at == nullptr)
        return InvalidOffset;
    uint64_t indexArray = firstIndexArray;
    // Faces of one object often share a texture: one lookup serves a run of them.
    const Primitive* last = nullptr;
    uint32_t lastOffset = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const Primitive& primitive = primitives[i];
        uint32_t textureNameOffset = 0;
        if (primitive.getTextureName() != nullptr) {
            if (last == nullptr || !primitive.sameTextureName(*last)) {
                lastOffset = textureOffsetOf(textureOffsets, primitive);
                last = &primitive;
            }
            if (lastOffset == InvalidOffset)
                return InvalidOffset;
            textureNameOffset = lastOffset;
        }
        if (indexArray >= InvalidOffset)
            return InvalidOffset;
        primitive.store(at + PrimitiveRecordSize * i, textureNameOffset, static_cast<uint32_t>(indexArray));
        indexArray += IndexSize * uint64_t(primitive.getIndexCount());
    }
    return start;
}

uint32_t patchField(OutputBuffer& file, uint32_t at, uint32_t value)
{
    const uint32_t back = file.position();
    if (back == InvalidOffset || at == InvalidOffset)
        return InvalidOffset;
    if (!file.seek(at) || writeField(file, value) == InvalidOffset || !file.seek(back))
        return InvalidOffset;
    return back;
}
