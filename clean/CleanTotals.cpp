#include "clean/CleanTotals.h"

// Converts without relying on implementation-defined narrowing: values of 2^31
// and above map to their two's-complement negatives.
static int32_t toSigned(uint32_t v)
{
    if (v <= 0x7FFFFFFFu)
        return static_cast<int32_t>(v);
    return -static_cast<int32_t>(~v) - 1;
}

int32_t wrappedDifference(uint32_t before, uint32_t after) { return toSigned(before - after); }

// a + b, wrapping as a 32-bit integer.
static int32_t wrappedSum(int32_t a, int32_t b)
{
    return toSigned(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

uint32_t magnitude(int32_t d)
{
    uint32_t bits = static_cast<uint32_t>(d);
    return d >= 0 ? bits : 0u - bits;
}

void CleanTotals::addFile(int32_t bytes, int32_t vertices, int32_t faces)
{
    bytesSaved = wrappedSum(bytesSaved, bytes);
    verticesRemoved = wrappedSum(verticesRemoved, vertices);
    facesRemoved = wrappedSum(facesRemoved, faces);
    filesCleaned = wrappedSum(filesCleaned, 1);
}
