// One object (part) of a model: header values, vertices, primitives, a name, and
// owning links to its first child and its next sibling.
#pragma once

#include <cstdint>

#include "Primitive.h"
#include "Vertex.h"

class BlobDictionary;
class OutputBuffer;
class ReadContext;

class ModelObject {
public:
    ModelObject() = default;
    // Releases the whole subtree without recursion, so any depth is safe.
    ~ModelObject();
    ModelObject(const ModelObject&) = delete;
    ModelObject& operator=(const ModelObject&) = delete;

    // Fills this new object from the header at offset, then its child subtree and
    // its sibling chain; false on the first fault anywhere (reason in context).
    bool read(const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context);
    // Appends this object, its child subtree and its sibling chain; the position of
    // this object's header, or InvalidOffset.
    uint32_t write(OutputBuffer& file, BlobDictionary& textureOffsets, bool isRoot) const;
    // Appends the texture names of this object, its child subtree and its sibling
    // chain that textureOffsets does not hold yet; where it began, or InvalidOffset.
    uint32_t writeTextureNames(OutputBuffer& file, BlobDictionary& textureOffsets) const;
    // Totals over this object, its child subtree and its sibling chain.
    uint32_t countVertices() const;
    uint32_t countPrimitives() const;

    // Replace an array whole, with its count; the old one is released.
    void setVertices(Vertex* array, uint32_t count);
    void setPrimitives(Primitive* array, uint32_t count);
    // Takes ownership of a new[]'d zero-terminated name.
    void setName(char* newName);

    uint32_t version = 1;
    uint32_t vertexCount = 0;
    uint32_t primitiveCount = 0;
    int32_t selectionPrimitive = -1;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    int32_t offsetZ = 0;
    char* name = nullptr;
    uint32_t reservedZero = 0;
    Vertex* vertices = nullptr;      // vertexCount entries, owned
    Primitive* primitives = nullptr; // primitiveCount entries, owned
    ModelObject* sibling = nullptr;
    ModelObject* child = nullptr;
};
