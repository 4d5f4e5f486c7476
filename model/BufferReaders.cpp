#include "BufferReaders.h"

#include <cstring>
#include <new>

#include "Format.h"
#include "ReadContext.h"

uint32_t readField(const uint8_t* buffer, uint32_t size, uint32_t offset)
{
    if (buffer == nullptr || offset > size || size - offset < 4)
        return InvalidOffset;
    const uint8_t* p = buffer + offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

char* readString(const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context)
{
    if (buffer == nullptr || offset >= size)
        return nullptr;
    const void* zero = std::memchr(buffer + offset, 0, size - offset);
    if (zero == nullptr)
        return nullptr;
    const uint32_t length = static_cast<uint32_t>(static_cast<const uint8_t*>(zero) - (buffer + offset)) + 1;
    if (!context.take(length))
        return nullptr;
    char* copy = new (std::nothrow) char[length];
    if (copy == nullptr) {
        context.fail(LoadFailure::OutOfMemory, offset);
        return nullptr;
    }
    std::memcpy(copy, buffer + offset, length);
    return copy;
}

// True when count records of recordSize bytes fit at offset; offset itself must
// lie inside the image even for an empty array.
static bool arrayFits(uint32_t size, uint32_t offset, uint32_t count, uint32_t recordSize)
{
    if (offset >= size)
        return false;
    return count <= (size - offset) / recordSize;
}

uint16_t* readIndexArray(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t count, ReadContext& context)
{
    if (buffer == nullptr || !arrayFits(size, offset, count, 2))
        return nullptr;
    if (!context.take(uint64_t(count) * sizeof(uint16_t)))
        return nullptr;
    uint16_t* array = new (std::nothrow) uint16_t[count];
    if (array == nullptr) {
        context.fail(LoadFailure::OutOfMemory, offset);
        return nullptr;
    }
    const uint8_t* p = buffer + offset;
    for (uint32_t i = 0; i < count; ++i, p += 2)
        array[i] = static_cast<uint16_t>(p[0] | p[1] << 8);
    return array;
}

Vertex* readVertexArray(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t count, ReadContext& context)
{
    if (buffer == nullptr || !arrayFits(size, offset, count, VertexRecordSize))
        return nullptr;
    if (!context.take(uint64_t(count) * sizeof(Vertex)))
        return nullptr;
    Vertex* array = new (std::nothrow) Vertex[count];
    if (array == nullptr) {
        context.fail(LoadFailure::OutOfMemory, offset);
        return nullptr;
    }
    for (uint32_t i = 0; i < count; ++i)
        array[i].read(buffer, size, offset + VertexRecordSize * i);
    return array;
}

Primitive* readPrimitiveArray(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t count,
                              ReadContext& context)
{
    if (buffer == nullptr || !arrayFits(size, offset, count, PrimitiveRecordSize))
        return nullptr;
    if (!context.take(uint64_t(count) * sizeof(Primitive)))
        return nullptr;
    Primitive* array = new (std::nothrow) Primitive[count];
    if (array == nullptr) {
        context.fail(LoadFailure::OutOfMemory, offset);
        return nullptr;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (array[i].read(buffer, size, offset + PrimitiveRecordSize * i, context))
            continue;
        delete[] array;
        return nullptr;
    }
    return array;
}
