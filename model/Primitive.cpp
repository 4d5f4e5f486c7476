#include "Primitive.h"

#include <cstring>
#include <new>

#include "BufferReaders.h"
#include "ReadContext.h"
#include "Writers.h"

Primitive::~Primitive()
{
    delete[] indexes;
    indexes = nullptr;
    delete[] textureName;
    textureName = nullptr;
}

bool Primitive::read(const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context)
{
    uint32_t fields[PrimitiveField::Count];
    readFields(buffer, size, offset, fields, PrimitiveField::Count);
    colour = fields[PrimitiveField::Colour] & 0xFFu;
    reservedZero = fields[PrimitiveField::ReservedZero];
    trailing1 = fields[PrimitiveField::Trailing1];
    trailing2 = fields[PrimitiveField::Trailing2];
    trailing3 = fields[PrimitiveField::Trailing3];
    const uint32_t count = fields[PrimitiveField::IndexCount];
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
    uint16_t* array = readIndexArray(buffer, size, fields[PrimitiveField::IndexArrayOffset], count, context);
    if (array == nullptr)
        return failAt(LoadFailure::IndexArrayOutside, PrimitiveField::IndexArrayOffset);
    setIndexes(array, count);
    if (textureNameOffset == 0)
        return true;
    setTextureName(readString(buffer, size, textureNameOffset, context));
    if (textureName == nullptr)
        return failAt(LoadFailure::TextureNameOutside, PrimitiveField::TextureNameOffset);
    return true;
}

uint32_t Primitive::write(OutputBuffer& file, uint32_t textureNameOffset, uint32_t indexArrayOffset) const
{
    uint32_t fields[PrimitiveField::Count];
    fields[PrimitiveField::Colour] = colour;
    fields[PrimitiveField::IndexCount] = indexCount;
    fields[PrimitiveField::ReservedZero] = reservedZero;
    fields[PrimitiveField::IndexArrayOffset] = indexArrayOffset;
    fields[PrimitiveField::TextureNameOffset] = textureNameOffset;
    fields[PrimitiveField::Trailing1] = trailing1;
    fields[PrimitiveField::Trailing2] = trailing2;
    fields[PrimitiveField::Trailing3] = trailing3;
    return writeFields(file, fields, PrimitiveField::Count);
}

void Primitive::copyWordsFrom(const Primitive& other)
{
    colour = other.colour;
    reservedZero = other.reservedZero;
    trailing1 = other.trailing1;
    trailing2 = other.trailing2;
    trailing3 = other.trailing3;
}

bool Primitive::copyFrom(const Primitive& other)
{
    uint16_t* indexCopy = nullptr;
    if (other.indexes != nullptr) {
        indexCopy = new (std::nothrow) uint16_t[other.indexCount];
        if (indexCopy == nullptr)
            return false;
        if (other.indexCount > 0)
            std::memcpy(indexCopy, other.indexes, sizeof(uint16_t) * other.indexCount);
    }
    char* nameCopy = nullptr;
    if (other.textureName != nullptr) {
        const size_t length = std::strlen(other.textureName) + 1;
        nameCopy = new (std::nothrow) char[length];
        if (nameCopy == nullptr) {
            delete[] indexCopy;
            return false;
        }
        std::memcpy(nameCopy, other.textureName, length);
    }
    copyWordsFrom(other);
    setIndexes(indexCopy, other.indexCount);
    setTextureName(nameCopy);
    return true;
}

void Primitive::takeFrom(Primitive& other)
{
    copyWordsFrom(other);
    setIndexes(other.indexes, other.indexCount);
    setTextureName(other.textureName);
    other.indexes = nullptr;
    other.indexCount = 0;
    other.textureName = nullptr;
}

void Primitive::setIndexes(uint16_t* array, uint32_t count)
{
    delete[] indexes;
    indexes = array;
    indexCount = count;
}

void Primitive::setTextureName(char* name)
{
    delete[] textureName;
    textureName = name;
}
