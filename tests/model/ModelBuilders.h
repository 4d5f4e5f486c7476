// Builders for the model tests: hand-made 3DO file images with any field value,
// and small object trees made in memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Model.h"

// A file image assembled field by field.
struct Image {
    std::vector<uint8_t> bytes;

    uint32_t size() const { return static_cast<uint32_t>(bytes.size()); }
    // Appends and returns where the data began.
    uint32_t add32(uint32_t value);
    uint32_t add16(uint16_t value);
    uint32_t addString(const std::string& s); // with its terminating zero
    uint32_t addZeros(uint32_t count);
    void put32(uint32_t at, uint32_t value);
    uint32_t get32(uint32_t at) const;
};

// The thirteen header fields, with the values of a valid empty object.
struct Header {
    uint32_t version = 1;
    uint32_t vertexCount = 0;
    uint32_t primitiveCount = 0;
    uint32_t selectionPrimitive = 0xFFFFFFFFu;
    uint32_t offsetX = 0, offsetY = 0, offsetZ = 0;
    uint32_t nameOffset = 0;
    uint32_t reservedZero = 0;
    uint32_t vertexArrayOffset = 0;
    uint32_t primitiveArrayOffset = 0;
    uint32_t siblingOffset = 0;
    uint32_t childOffset = 0;
};

// Appends a header; its offset.
uint32_t addHeader(Image& image, const Header& header);
void putHeader(Image& image, uint32_t at, const Header& header);

// The eight primitive record fields.
struct Record {
    uint32_t colour = 0;
    uint32_t indexCount = 0;
    uint32_t reservedZero = 0;
    uint32_t indexArrayOffset = 0;
    uint32_t textureNameOffset = 0;
    uint32_t trailing1 = 0, trailing2 = 0, trailing3 = 0;
};
uint32_t addRecord(Image& image, const Record& record);

// A valid one-object file: header at 0, name "obj" right after it (offset 52),
// no vertices or primitives. Tests change its fields and append what they need.
Image singleObjectImage();

// Loads a copy of bytes placed in a heap block of exactly its size, so the
// sanitiser sees any read past the end.
bool readExact(Model& model, const std::vector<uint8_t>& bytes);

// In-memory trees.
char* newString(const std::string& s);
ModelObject* newObject(const std::string& name);
// Gives object count vertices (i, 2i, 3i).
void giveVertices(ModelObject& object, uint32_t count);
// One primitive per entry: its index list and texture name ("" = empty name,
// nullptr = untextured).
struct PrimitiveShape {
    std::vector<uint16_t> indexes;
    const char* texture = nullptr;
    uint32_t colour = 0;
};
void givePrimitives(ModelObject& object, const std::vector<PrimitiveShape>& shapes);

// The composed image of a model, or empty on failure.
std::vector<uint8_t> composeBytes(const Model& model);
