#include "OutputBuffer.h"

#include <new>

OutputBuffer::~OutputBuffer()
{
    delete[] bytes;
    bytes = nullptr;
}

bool OutputBuffer::reserve(uint64_t wanted)
{
    if (failed || wanted >= (uint64_t(1) << 32))
        return false;
    if (wanted <= capacity)
        return true;
    uint8_t* grown = new (std::nothrow) uint8_t[wanted];
    if (grown == nullptr)
        return false;
    if (used > 0)
        std::memcpy(grown, bytes, used);
    delete[] bytes;
    bytes = grown;
    capacity = static_cast<uint32_t>(wanted);
    return true;
}

bool OutputBuffer::seek(uint32_t at)
{
    if (failed || at > used) {
        failed = true;
        return false;
    }
    cursor = at;
    return true;
}

uint8_t* OutputBuffer::appendGrowing(uint32_t length)
{
    if (failed)
        return nullptr;
    const uint64_t end = uint64_t(cursor) + length;
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
        return nullptr;
    }
    return append(length);
}

uint8_t* OutputBuffer::release()
{
    uint8_t* image = bytes;
    bytes = nullptr;
    used = capacity = cursor = 0;
    return image;
}
