#include "BufferReaders.h"

#include <cstring>
#include <new>

#include "Format.h"
#include "LittleEndian.h"
#include "ReadContext.h"

uint32_t readField(const uint8_t* buffer, uint32_t size, uint32_t offset)
{
    if (buffer == nullptr || offset > size || size - offset < FieldSize)
        return InvalidOffset;
    return loadLittle32(buffer + offset);
}

void readFields(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t* fields, uint32_t count)
{
    // The common case, a record wholly inside the image, takes no test per field.
    if (buffer != nullptr && offset <= size && (size - offset) / FieldSize >= count) {
        for (uint32_t i = 0; i < count; ++i)
            fields[i] = loadLittle32(buffer + offset + FieldSize * i);
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = uint64_t(offset) + FieldSize * uint64_t(i);
        fields[i] = at > InvalidOffset ? InvalidOffset : readField(buffer, size, static_cast<uint32_t>(at));
    }
}

char* readString(const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context)
{
    if (buffer == nullptr || offset >= size)
        return nullptr;
    const void* zero = std::memchr(buffer + offset, 0, size - offset);
    if (zero == nullptr)
        return nullptr;
    const uint32_t length = static_cast<uint32_t>(static_cast<const uint8_t*>(zero) - (buffer + offset)) + 1;
    if (!context.charge(length))
        return nullptr;
    char* copy = new (std::nothrow) char[length];
    if (copy == nullptr) {
        context.fail(LoadFailure::OutOfMemory, offset);
        return nullptr;
    }
    std::memcpy(copy, buffer + offset, length);
    return copy;
}

// True when count records of recordSize bytes fit at offset. An empty array
// reads no byte, so its offset may be the end of the image, but not beyond.
static bool arrayFits(uint32_t size, uint32_t offset, uint32_t count, uint32_t recordSize)
{
    if (offset > size)
        return false;
    return count <= (size - offset) / recordSize;
}

// A new[]'d array of count elements charged to the load, or null with the reason.
template <typename T> static T* newArray(uint32_t count, uint32_t offset, ReadContext& context)
{
    if (!context.charge(uint64_t(count) * sizeof(T)))
        return nullptr;
    T* array = new (std::nothrow) T[count];
    if (array == nullptr)
        context.fail(LoadFailure::OutOfMemory, offset);
    return array;
}

uint16_t* readIndexArray(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t count, ReadContext& context)
{
    if (buffer == nullptr || !arrayFits(size, offset, count, IndexSize))
        return nullptr;
    uint16_t* array = newArray<uint16_t>(count, offset, context);
    if (array == nullptr)
        return nullptr;
    const uint8_t* p = buffer + offset;
    for (uint32_t i = 0; i < count; ++i)
        array[i] = loadLittle16(p + IndexSize * i);
    return array;
}

Vertex* readVertexArray(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t count, ReadContext& context)
{
    if (buffer == nullptr || !arrayFits(size, offset, count, VertexRecordSize))
        return nullptr;
    Vertex* array = newArray<Vertex>(count, offset, context);
    if (array == nullptr)
        return nullptr;
    for (uint32_t i = 0; i < count; ++i)
        array[i].read(buffer, size, offset + VertexRecordSize * i);
    return array;
}

Primitive* readPrimitiveArray(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t count,
                              ReadContext& context)
{
    if (buffer == nullptr || !arrayFits(size, offset, count, PrimitiveRecordSize))
        return nullptr;
    Primitive* array = newArray<Primitive>(count, offset, context);
    if (array == nullptr)
        return nullptr;
    for (uint32_t i = 0; i < count; ++i) {
        if (array[i].read(buffer, size, offset + PrimitiveRecordSize * i, context))
            continue;
        delete[] array;
        return nullptr;
    }
    return array;
}
