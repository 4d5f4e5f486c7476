// Low-level writers over an OutputBuffer. Each returns the position where its
// output began, or InvalidOffset on failure.
#pragma once

#include <cstdint>

#include "Primitive.h"
#include "Vertex.h"

class BlobDictionary;
class OutputBuffer;

uint32_t writeBytes(OutputBuffer& file, const void* data, uint32_t length);
uint32_t writeField(OutputBuffer& file, uint32_t value);
// count consecutive little-endian fields.
uint32_t writeFields(OutputBuffer& file, const uint32_t* fields, uint32_t count);
uint32_t writeString(OutputBuffer& file, const char* s);
uint32_t writeIndexArray(OutputBuffer& file, const uint16_t* indexes, uint32_t count);
uint32_t writeVertexArray(OutputBuffer& file, const Vertex* vertices, uint32_t count);
// The records point at the texture names that textureOffsets places and at index
// arrays that lie back to back from firstIndexArray, in primitive order.
uint32_t writePrimitiveArray(OutputBuffer& file, const Primitive* primitives, uint32_t count,
                             const BlobDictionary& textureOffsets, uint32_t firstIndexArray);
// Overwrites the 4 bytes at at with value and returns to where it was; that
// position, or InvalidOffset.
uint32_t patchField(OutputBuffer& file, uint32_t at, uint32_t value);
