// The running totals of one batch run: what the cleaned files gave up, summed
// as signed 32-bit integers that wrap, and how many files were cleaned.
#pragma once

#include <cstdint>

// before - after of two unsigned quantities, as a signed 32-bit value that wraps.
int32_t wrappedDifference(uint32_t before, uint32_t after);
// |d| as an unsigned value, so the magnitude of INT32_MIN is exact.
uint32_t magnitude(int32_t d);

struct CleanTotals {
    int32_t bytesSaved = 0;
    int32_t verticesRemoved = 0;
    int32_t facesRemoved = 0;
    int32_t filesCleaned = 0;

    // Counts one saved file with its three differences (before - after).
    void addFile(int32_t bytes, int32_t vertices, int32_t faces);
};
