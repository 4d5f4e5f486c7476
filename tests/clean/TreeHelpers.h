// Building, copying and comparing object trees for the cleaning tests.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "clean/ColourMap.h"
#include "model/ModelObject.h"

struct PrimitiveSpec {
    uint32_t colour = 0;
    std::vector<uint16_t> indexes;
    const char* texture = nullptr; // null: untextured
    uint32_t trailing1 = 0;
    uint32_t trailing2 = 0;
    uint32_t trailing3 = 0;
};

char* copyText(const char* text);
ModelObject* makeObject(const std::vector<Vertex>& vertices, const std::vector<PrimitiveSpec>& primitives,
                        int32_t selectionPrimitive = -1, const char* name = "part");
// A deep copy of the object, its child subtree and its sibling chain.
ModelObject* copyTree(const ModelObject* first);
// The first difference between two trees in every field, or "" when they are equal.
std::string treeDifference(const ModelObject* a, const ModelObject* b);
// The first difference between two objects alone, or "".
std::string objectDifference(const ModelObject& a, const ModelObject& b, const std::string& where);
// The objects of a tree in cleaning order: each object, its child subtree, its siblings.
std::vector<const ModelObject*> objectsInOrder(const ModelObject* first);

std::vector<Vertex> vertexList(const ModelObject& object);
std::vector<uint16_t> indexList(const Primitive& primitive);

// A random tree of a few objects with many equal vertices, any kind of primitive,
// textures, lines and selection primitives.
ModelObject* randomTree(std::mt19937& random, uint32_t maxVertices);
ColourMap randomColourMap(std::mt19937& random);

inline bool operator==(const Vertex& a, const Vertex& b) { return a.equals(b); }
