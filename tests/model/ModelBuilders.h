// Builders for the model tests: 3DO file images with any field value, small
// objects and trees made in memory, exact-size reads and composed images.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
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
    void put32(uint32_t at, uint32_t v)
    {
        for (uint32_t i = 0; i < 32; i += 8)
            bytes.at(at + i / 8) = uint8_t(v >> i);
    }
    uint32_t get32(uint32_t a) const
    {
        return uint32_t(bytes.at(a) | bytes.at(a + 1) << 8 | bytes.at(a + 2) << 16) | uint32_t(bytes.at(a + 3)) << 24;
    }
    uint32_t add(std::initializer_list<uint32_t> words)
    {
        const uint32_t at = size();
        bytes.resize(bytes.size() + 4 * words.size());
        for (uint32_t i = 0; i < words.size(); ++i)
            put32(at + 4 * i, words.begin()[i]);
        return at;
    }
    uint32_t add16(std::initializer_list<uint16_t> values)
    {
        const uint32_t at = size();
        for (uint16_t v : values)
            bytes.insert(bytes.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
        return at;
    }
    uint32_t addString(const char* s)
    {
        const uint32_t at = size();
        bytes.insert(bytes.end(), s, s + std::strlen(s) + 1);
        return at;
    }
    // The header of a valid empty object named at name.
    uint32_t addHeader(uint32_t name) { return add({1, 0, 0, 0xFFFFFFFFu, 0, 0, 0, name, 0, 0, 0, 0, 0}); }
};

// Reads bytes from a heap block of exactly their size, so the sanitiser sees any overread.
inline bool readExact(Model& model, const Bytes& bytes)
{
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
    if (!bytes.empty())
        std::memcpy(copy.get(), bytes.data(), bytes.size());
    return model.read(bytes.empty() ? nullptr : copy.get(), static_cast<uint32_t>(bytes.size()));
}

inline char* newString(const char* s) { return std::strcpy(new char[std::strlen(s) + 1], s); }

// One primitive: its colour, indexes, texture name (null for none) and trailing words.
struct Face {
    uint32_t colour = 0;
    std::vector<uint16_t> indexes;
    const char* texture = nullptr;
    uint32_t trailing[3] = {};
};

inline ModelObject* makeObject(const std::vector<Vertex>& vertices, const std::vector<Face>& faces,
                               int32_t selection = -1)
{
    ModelObject* object = new ModelObject;
    object->setVertices(new Vertex[vertices.size()], uint32_t(vertices.size()));
    std::copy(vertices.begin(), vertices.end(), object->vertices);
    object->setPrimitives(new Primitive[faces.size()], uint32_t(faces.size()));
    for (size_t p = 0; p < faces.size(); ++p) {
        const Face& face = faces[p];
        Primitive& q = object->primitives[p];
        q.colour = face.colour;
        q.setIndexes(new uint16_t[face.indexes.size()], uint32_t(face.indexes.size()));
        std::copy(face.indexes.begin(), face.indexes.end(), q.indexes);
        if (face.texture != nullptr)
            q.setTextureName(newString(face.texture));
        std::tie(q.trailing1, q.trailing2, q.trailing3) =
            std::tie(face.trailing[0], face.trailing[1], face.trailing[2]);
    }
    object->selectionPrimitive = selection;
    return object;
}

// A named object with vertices (i, 2i, -3i) for i below vertexCount.
inline ModelObject* newObject(const char* name, uint32_t vertexCount = 0, const std::vector<Face>& faces = {})
{
    std::vector<Vertex> vertices(vertexCount);
    for (int32_t i = 0; i < int32_t(vertexCount); ++i)
        vertices[size_t(i)] = Vertex{i, 2 * i, -3 * i};
    ModelObject* object = makeObject(vertices, faces);
    object->setName(newString(name));
    return object;
}

// The composed image of a model, empty on failure.
inline Bytes composeBytes(const Model& model)
{
    OutputBuffer file;
    if (!model.compose(file))
        return {};
    return Bytes(file.data(), file.data() + file.size());
}
