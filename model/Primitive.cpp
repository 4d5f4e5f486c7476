#include "Primitive.h"

#include <cstring>
#include <new>

#include "BufferReaders.h"
#include "Format.h"
#include "ReadContext.h"
#include "Writers.h"

Primitive::~Primitive()
{
    delete[] indexes;
    indexes = nullptr;
    delete[] textureName;
    textureName = nullptr;
}

// The field at offset + at; a position past 32 bits reads as past the end.
static uint32_t recordField(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t at)
{
    if (offset > InvalidOffset - at)
        return InvalidOffset;
    return readField(buffer, size, offset + at);
}

bool Primitive::read(const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context)
{
    colour = recordField(buffer, size, offset, 0) & 0xFFu;
    const uint32_t count = recordField(buffer, size, offset, 4);
    reservedZero = recordField(buffer, size, offset, 8);
    const uint32_t indexArrayOffset = recordField(buffer, size, offset, 12);
    const uint32_t textureNameOffset = recordField(buffer, size, offset, 16);
    trailing1 = recordField(buffer, size, offset, 20);
    trailing2 = recordField(buffer, size, offset, 24);
    trailing3 = recordField(buffer, size, offset, 28);

    // The scalar checks come first so that a bad record builds nothing; the
    // count goes in only with its array.
    if (count == InvalidOffset)
        return context.fail(LoadFailure::BadIndexCount, offset + 4);
    if (reservedZero != 0)
        return context.fail(LoadFailure::PrimitiveReservedNotZero, offset + 8);
    uint16_t* array = readIndexArray(buffer, size, indexArrayOffset, count, context);
    if (array == nullptr)
        return context.fail(LoadFailure::IndexArrayOutside, offset + 12);
    setIndexes(array, count);
    if (textureNameOffset == 0)
        return true;
    setTextureName(readString(buffer, size, textureNameOffset, context));
    if (textureName == nullptr)
        return context.fail(LoadFailure::TextureNameOutside, offset + 16);
    return true;
}

uint32_t Primitive::write(OutputBuffer& file, uint32_t textureNameOffset, uint32_t indexArrayOffset) const
{
    const uint32_t fields[8] = {colour,    indexCount, reservedZero, indexArrayOffset, textureNameOffset,
                                trailing1, trailing2,  trailing3};
    uint8_t record[PrimitiveRecordSize];
    for (uint32_t i = 0; i < 8; ++i) {
        record[4 * i] = static_cast<uint8_t>(fields[i]);
        record[4 * i + 1] = static_cast<uint8_t>(fields[i] >> 8);
        record[4 * i + 2] = static_cast<uint8_t>(fields[i] >> 16);
        record[4 * i + 3] = static_cast<uint8_t>(fields[i] >> 24);
    }
    return writeBytes(file, record, PrimitiveRecordSize);
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
    colour = other.colour;
    reservedZero = other.reservedZero;
    trailing1 = other.trailing1;
    trailing2 = other.trailing2;
    trailing3 = other.trailing3;
    setIndexes(indexCopy, other.indexCount);
    setTextureName(nameCopy);
    return true;
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
