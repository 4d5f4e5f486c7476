#include "OutputBuffer.h"

#include <cstring>
#include <new>

#include "Format.h"

OutputBuffer::~OutputBuffer()
{
    delete[] bytes;
    bytes = nullptr;
}

bool OutputBuffer::reserve(uint64_t wanted)
{
    if (failed)
        return false;
    if (wanted >= (uint64_t(1) << 32))
        return false;
    if (wanted <= capacity)
        return true;
    uint8_t* grown = new (std::nothrow) uint8_t[wanted];
    if (grown == nullptr)
        return false;
    if (length > 0)
        std::memcpy(grown, bytes, length);
    delete[] bytes;
    bytes = grown;
    capacity = static_cast<uint32_t>(wanted);
    return true;
}

bool OutputBuffer::countOperation() const
{
    if (failed)
        return false;
    if (!limited)
        return true;
    if (operationsLeft == 0) {
        failed = true;
        return false;
    }
    --operationsLeft;
    return true;
}

uint32_t OutputBuffer::position() const
{
    if (!countOperation())
        return InvalidOffset;
    return cursor;
}

bool OutputBuffer::seek(uint32_t at)
{
    if (!countOperation())
        return false;
    if (at > length) {
        failed = true;
        return false;
    }
    cursor = at;
    return true;
}

bool OutputBuffer::write(const void* data, uint32_t byteCount)
{
    if (!countOperation())
        return false;
    if (byteCount == 0)
        return true;
    if (data == nullptr) {
        failed = true;
        return false;
    }
    const uint64_t end = uint64_t(cursor) + byteCount;
    if (end > capacity) {
        // Geometric growth keeps a long series of appends linear.
        uint64_t grown = uint64_t(capacity) * 2;
        if (grown < 4096)
            grown = 4096;
        if (grown < end)
            grown = end;
        if (grown >= (uint64_t(1) << 32))
            grown = end;
        if (!reserve(grown)) {
            failed = true;
            return false;
        }
    }
    std::memcpy(bytes + cursor, data, byteCount);
    cursor = static_cast<uint32_t>(end);
    if (cursor > length)
        length = cursor;
    return true;
}

void OutputBuffer::failAfter(uint32_t operations)
{
    limited = true;
    operationsLeft = operations;
}
