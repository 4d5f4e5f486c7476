// The image of a file being composed in memory. Writes go to the current
// position, overwriting or extending; seeks move it back for back-patching.
// The finished image goes to the disk in one write.
#pragma once

#include <cstdint>
#include <cstring>

#include "Format.h"

class OutputBuffer {
public:
    OutputBuffer() = default;
    ~OutputBuffer();
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Room for capacity bytes without further growth; false when it cannot be had
    // or is 4 GiB or more (file offsets are 32-bit).
    bool reserve(uint64_t capacity);
    // The current position; InvalidOffset once a failure has occurred.
    uint32_t position() const { return failed ? InvalidOffset : cursor; }
    // Moves to at, which must not be past the end of what was written.
    bool seek(uint32_t at);
    // length bytes at the current position for the caller to fill, the position
    // moved past them; null (and the buffer failed for good) when they cannot be had.
    uint8_t* append(uint32_t length)
    {
        if (failed || length > capacity - cursor)
            return appendGrowing(length);
        uint8_t* at = bytes + cursor;
        cursor += length;
        if (cursor > used)
            used = cursor;
        return at;
    }
    bool write(const void* data, uint32_t length)
    {
        if (length == 0)
            return !failed;
        if (data == nullptr) {
            failed = true;
            return false;
        }
        uint8_t* at = append(length);
        if (at != nullptr)
            std::memcpy(at, data, length);
        return at != nullptr;
    }

    // Hands the image (new[]'d, size() bytes) to the caller; the buffer is left empty.
    uint8_t* release();

    const uint8_t* data() const { return bytes; }
    uint32_t size() const { return used; }

private:
    uint8_t* appendGrowing(uint32_t length);

    uint8_t* bytes = nullptr;
    uint32_t used = 0;
    uint32_t capacity = 0;
    uint32_t cursor = 0;
    bool failed = false; // sticky: after the first failure every operation fails
};
