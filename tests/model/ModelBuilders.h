// Builders for the model tests: 3DO file images with any field value, small
// trees made in memory, exact-size reads and composed images.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/Model.h"
#include "model/OutputBuffer.h"

using Bytes = std::vector<uint8_t>;
using Words = std::vector<uint32_t>;

// Positions of the object header fields.
namespace H {
constexpr uint32_t Version = 0, VertexCount = 4, PrimitiveCount = 8, NameAt = 28, Reserved = 32, VertexArray = 36,
                   PrimitiveArray = 40, Sibling = 44, Child = 48;
}

// A file image assembled field by field; the add functions return where their data began.
struct Image {
    Bytes bytes;

    uint32_t size() const { return static_cast<uint32_t>(bytes.size()); }
    void put32(uint32_t at, uint32_t v) { for (uint32_t i = 0; i < 32; i += 8) bytes.at(at + i / 8) = uint8_t(v >> i); }
    uint32_t get32(uint32_t a) const {
        return uint32_t(bytes.at(a) | bytes.at(a + 1) << 8 | bytes.at(a + 2) << 16) | uint32_t(bytes.at(a + 3)) << 24;
    }
    uint32_t add(std::initializer_list<uint32_t> words) {
        const uint32_t at = size();
        bytes.resize(bytes.size() + 4 * words.size());
        for (uint32_t i = 0; i < words.size(); ++i) put32(at + 4 * i, words.begin()[i]);
        return at;
    }
    uint32_t add16(std::initializer_list<uint16_t> values) {
        const uint32_t at = size();
        for (uint16_t v : values) bytes.insert(bytes.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
        return at;
    }
    uint32_t addString(const char* s) {
        const uint32_t at = size();
        bytes.insert(bytes.end(), s, s + std::strlen(s) + 1);
        return at;
    }
    // The header of a valid empty object named at name.
    uint32_t addHeader(uint32_t name) { return add({1, 0, 0, 0xFFFFFFFFu, 0, 0, 0, name, 0, 0, 0, 0, 0}); }
};

// Reads bytes from a heap block of exactly their size, so the sanitiser sees any overread.
inline bool readExact(Model& model, const Bytes& bytes) {
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    return model.read(bytes.empty() ? nullptr : copy.get(), static_cast<uint32_t>(bytes.size()));
}

inline char* newString(const char* s) { return std::strcpy(new char[std::strlen(s) + 1], s); }

// One primitive: its indexes, its texture name (null for none) and its colour.
struct Shape {
    std::vector<uint16_t> indexes;
    const char* texture = nullptr;
    uint32_t colour = 0;
};

// An object with vertices (i, 2i, -3i) for i below vertexCount and a primitive per shape.
inline ModelObject* newObject(const char* name, uint32_t vertexCount = 0, const std::vector<Shape>& shapes = {}) {
    ModelObject* object = new ModelObject;
    object->setName(newString(name));
    Vertex* vertices = new Vertex[vertexCount];
    for (int32_t i = 0; i < int32_t(vertexCount); ++i) vertices[i] = Vertex{i, 2 * i, -3 * i};
    object->setVertices(vertices, vertexCount);
    Primitive* primitives = new Primitive[shapes.size()];
    for (size_t i = 0; i < shapes.size(); ++i) {
        const uint32_t count = static_cast<uint32_t>(shapes[i].indexes.size());
        primitives[i].setIndexes(new uint16_t[count], count);
        for (uint32_t k = 0; k < count; ++k) primitives[i].setIndex(k, shapes[i].indexes[k]);
        primitives[i].setColour(shapes[i].colour);
        if (shapes[i].texture != nullptr) primitives[i].setTextureName(newString(shapes[i].texture));
    }
    object->setPrimitives(primitives, static_cast<uint32_t>(shapes.size()));
    return object;
}

// The composed image of a model, empty on failure.
inline Bytes composeBytes(const Model& model) {
    OutputBuffer file;
    if (!model.compose(file)) return {};
    return Bytes(file.data(), file.data() + file.size());
}
