// Bounds-tested reads from a read-only file image. Every sum is computed without
// wrapping; anything that would reach past size fails. The readers that allocate
// charge what they build to the load's budget first.
#pragma once

#include <cstdint>

#include "Primitive.h"
#include "Vertex.h"

class ReadContext;

// The little-endian u32 at offset, or InvalidOffset unless offset + 4 <= size.
uint32_t readField(const uint8_t* buffer, uint32_t size, uint32_t offset);
// count consecutive fields from offset into fields, each as readField gives it.
void readFields(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t* fields, uint32_t count);
// A new[]'d copy up to and including the first zero byte at or after offset; null
// when offset >= size or no zero byte follows.
char* readString(const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context);
// count values (new[]'d, non-null even for 0) when offset + 2 * count <= size;
// null otherwise. An empty array may lie at the end of the image.
uint16_t* readIndexArray(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t count, ReadContext& context);
// The same rule with 12-byte records.
Vertex* readVertexArray(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t count, ReadContext& context);
// The same rule with 32-byte records, each read with Primitive::read; null (with
// everything read so far released) when any record is invalid.
Primitive* readPrimitiveArray(const uint8_t* buffer, uint32_t size, uint32_t offset, uint32_t count,
                              ReadContext& context);
