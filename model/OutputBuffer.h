// The image of a file being composed in memory. Writes go to the current
// position, overwriting or extending; seeks move it back for back-patching.
// The finished image goes to the disk in one write.
#pragma once

#include <cstdint>

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
    uint32_t position() const;
    // Moves to at, which must not be past the end of what was written.
    bool seek(uint32_t at);
    bool write(const void* data, uint32_t length);

    const uint8_t* data() const { return bytes; }
    uint32_t size() const { return length; }

    // Makes the next operations fail (each write, seek or position counts one):
    // after operations more succeed, everything fails, as a full disk would.
    void failAfter(uint32_t operations);

private:
    uint8_t* bytes = nullptr;
    uint32_t length = 0;
    uint32_t capacity = 0;
    uint32_t cursor = 0;

    // Counts one operation against failAfter; false once the buffer has failed.
    bool countOperation() const;
    // Sticky: after the first failure every operation fails. Taking the position
    // counts as an operation, so these change in const calls too.
    mutable bool failed = false;
    mutable bool limited = false;
    mutable uint32_t operationsLeft = 0;
};
