// One vertex of an object: three signed 32-bit coordinates, copied by value.
#pragma once

#include <cstdint>

class OutputBuffer;

struct Vertex {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;

    // Reads the 12-byte record at offset; fields past the end read as InvalidOffset.
    bool read(const uint8_t* buffer, uint32_t size, uint32_t offset);
    bool equals(const Vertex& other) const { return x == other.x && y == other.y && z == other.z; }
    // Appends the 12-byte record; its position, or InvalidOffset.
    uint32_t write(OutputBuffer& file) const;
};
