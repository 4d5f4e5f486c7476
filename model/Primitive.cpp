#include "Primitive.h"

#include <cstring>
#include <new>

#include "BufferReaders.h"
#include "LittleEndian.h"
#include "ReadContext.h"

Primitive::~Primitive()
{
    releaseIndexes();
    releaseTextureName();
}

void Primitive::releaseIndexes()
{
    if (indexes != inlineIndexes)
        delete[] indexes;
    indexes = nullptr;
}

void Primitive::releaseTextureName()
{
    if (textureName != inlineName)
        delete[] textureName;
    textureName = nullptr;
    textureNameLength = 0;
}

uint16_t* Primitive::makeIndexes(uint32_t count)
{
    releaseIndexes();
    indexCount = 0;
    uint16_t* room = count <= InlineIndexes ? inlineIndexes : new (std::nothrow) uint16_t[count];
    if (room != nullptr) {
        indexes = room;
        indexCount = count;
    }
    return room;
}

char* Primitive::makeTextureName(size_t length)
{
    releaseTextureName();
    char* room = length < InlineNameBytes ? inlineName : new (std::nothrow) char[length + 1];
    if (room == inlineName)
        std::memset(inlineName, 0, InlineNameBytes);
    textureName = room;
    textureNameLength = room != nullptr ? static_cast<uint32_t>(length) : 0;
    return room;
}

bool Primitive::read(const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context)
{
    uint32_t fields[PrimitiveField::Count];
    readFields(buffer, size, offset, fields, PrimitiveField::Count);
    colourWord = fields[PrimitiveField::Colour];
    reservedZero = fields[PrimitiveField::ReservedZero];
    trailing1 = fields[PrimitiveField::Trailing1];
    trailing2 = fields[PrimitiveField::Trailing2];
    trailing3 = fields[PrimitiveField::Trailing3];
    const uint32_t count = fields[PrimitiveField::IndexCount];
    const uint32_t indexArrayOffset = fields[PrimitiveField::IndexArrayOffset];
    const uint32_t textureNameOffset = fields[PrimitiveField::TextureNameOffset];

    // The scalar checks come first so that a bad record builds nothing; the
    // count goes in only with its array.
    auto failAt = [&](LoadFailure why, uint32_t field) {
        const uint64_t at = uint64_t(offset) + fieldOffset(field);
        return context.fail(why, at > InvalidOffset ? InvalidOffset : static_cast<uint32_t>(at));
    };
    if (count == InvalidOffset)
        return failAt(LoadFailure::BadIndexCount, PrimitiveField::IndexCount);
    if (reservedZero != 0)
        return failAt(LoadFailure::PrimitiveReservedNotZero, PrimitiveField::ReservedZero);
    if (count <= InlineIndexes) {
        // The same bounds as readIndexArray, without its allocation.
        if (buffer == nullptr || indexArrayOffset > size || count > (size - indexArrayOffset) / IndexSize)
            return failAt(LoadFailure::IndexArrayOutside, PrimitiveField::IndexArrayOffset);
        uint16_t* room = makeIndexes(count);
        for (uint32_t i = 0; i < count; ++i)
            room[i] = loadLittle16(buffer + indexArrayOffset + IndexSize * i);
    } else {
        uint16_t* array = readIndexArray(buffer, size, indexArrayOffset, count, context);
        if (array == nullptr)
            return failAt(LoadFailure::IndexArrayOutside, PrimitiveField::IndexArrayOffset);
        setIndexes(array, count);
    }
    if (textureNameOffset == 0)
        return true;
    // The same bounds as readString: a zero byte at or after the offset, inside the image.
    const void* zero = textureNameOffset < size && buffer != nullptr
        ? std::memchr(buffer + textureNameOffset, 0, size - textureNameOffset)
        : nullptr;
    if (zero == nullptr)
        return failAt(LoadFailure::TextureNameOutside, PrimitiveField::TextureNameOffset);
    const size_t length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - (buffer + textureNameOffset));
    if (length >= InlineNameBytes && !context.charge(length + 1))
        return false;
    char* room = makeTextureName(length);
    if (room == nullptr)
        return context.fail(LoadFailure::OutOfMemory, textureNameOffset);
    std::memcpy(room, buffer + textureNameOffset, length + 1);
    return true;
}

void Primitive::store(uint8_t* at, uint32_t textureNameOffset, uint32_t indexArrayOffset) const
{
    storeLittle32(at + fieldOffset(PrimitiveField::Colour), paletteIndex());
    storeLittle32(at + fieldOffset(PrimitiveField::IndexCount), indexCount);
    storeLittle32(at + fieldOffset(PrimitiveField::ReservedZero), reservedZero);
    storeLittle32(at + fieldOffset(PrimitiveField::IndexArrayOffset), indexArrayOffset);
    storeLittle32(at + fieldOffset(PrimitiveField::TextureNameOffset), textureNameOffset);
    storeLittle32(at + fieldOffset(PrimitiveField::Trailing1), trailing1);
    storeLittle32(at + fieldOffset(PrimitiveField::Trailing2), trailing2);
    storeLittle32(at + fieldOffset(PrimitiveField::Trailing3), trailing3);
}

void Primitive::takeFrom(Primitive& other)
{
    colourWord = other.colourWord;
    reservedZero = other.reservedZero;
    trailing1 = other.trailing1;
    trailing2 = other.trailing2;
    trailing3 = other.trailing3;
    releaseIndexes();
    releaseTextureName();
    indexCount = other.indexCount;
    if (other.indexes == other.inlineIndexes) {
        std::memcpy(inlineIndexes, other.inlineIndexes, sizeof inlineIndexes);
        indexes = inlineIndexes;
    } else {
        indexes = other.indexes;
    }
    if (other.textureName == other.inlineName) {
        std::memcpy(inlineName, other.inlineName, sizeof inlineName);
        textureName = inlineName;
    } else {
        textureName = other.textureName;
    }
    textureNameLength = other.textureNameLength;
    other.indexes = nullptr;
    other.indexCount = 0;
    other.textureName = nullptr;
    other.textureNameLength = 0;
}

void Primitive::setIndexes(uint16_t* array, uint32_t count)
{
    releaseIndexes();
    indexes = array;
    indexCount = count;
}

void Primitive::setTextureName(char* name)
{
    releaseTextureName();
    textureName = name;
    const size_t length = name != nullptr ? std::strlen(name) : 0;
    textureNameLength = length < InvalidOffset ? static_cast<uint32_t>(length) : 0;
}
