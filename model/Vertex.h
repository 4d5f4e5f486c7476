// One vertex of an object: three signed 32-bit coordinates, copied by value.
#pragma once

#include <cstdint>

#include "LittleEndian.h"

struct Vertex {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;

    // Reads the 12-byte record at offset; fields past the end read as InvalidOffset.
    bool read(const uint8_t* buffer, uint32_t size, uint32_t offset);
    bool equals(const Vertex& other) const { return x == other.x && y == other.y && z == other.z; }
    // Stores the 12-byte record at at.
    void store(uint8_t* at) const
    {
        storeLittle32(at, static_cast<uint32_t>(x));
        storeLittle32(at + 4, static_cast<uint32_t>(y));
        storeLittle32(at + 8, static_cast<uint32_t>(z));
    }
};
