#include "ReferenceClean.h"

#include <cstdint>
#include <vector>

namespace {

void referenceCleanObject(ModelObject& object, const ColourMap& map)
{
    // Step 1: every index of a vertex equal to an earlier one names the first such vertex.
    for (uint16_t i = 0; i < object.vertexCount; ++i) {
        for (uint16_t j = 0; j < i; ++j) {
            if (!object.vertices[j].equals(object.vertices[i]))
                continue;
            for (uint32_t p = 0; p < object.primitiveCount; ++p) {
                Primitive& primitive = object.primitives[p];
                for (uint32_t k = 0; k < primitive.getIndexCount(); ++k) {
                    if (primitive.getIndex(k) == i)
                        primitive.setIndex(k, j);
                }
            }
            break;
        }
    }

    // Step 2: choose, recolour and number.
    std::vector<bool> used(object.vertexCount, false);
    std::vector<uint16_t> newNumber(object.vertexCount, 0);
    std::vector<bool> kept(object.primitiveCount, false);
    uint32_t keptCount = 0;
    uint16_t usedCount = 0;
    int32_t selection = object.selectionPrimitive;
    for (uint32_t p = 0; p < object.primitiveCount; ++p) {
        Primitive& primitive = object.primitives[p];
        uint32_t colour = primitive.getColour();
        uint32_t entry = map.entries[colour];
        bool isSelection = int64_t(p) == int64_t(selection);
        bool keep = primitive.getTextureName() != nullptr || entry < 256 || isSelection || primitive.getIndexCount() == 2;
        if (!keep)
            continue;
        if (entry < 256 && entry != colour)
            primitive.setColour(entry);
        if (isSelection)
            object.selectionPrimitive = int32_t(keptCount);
        kept[p] = true;
        ++keptCount;
        for (uint32_t k = 0; k < primitive.getIndexCount(); ++k) {
            uint16_t v = primitive.getIndex(k);
            if (!used[v]) {
                used[v] = true;
                newNumber[v] = usedCount;
                ++usedCount;
            }
        }
    }

    if (keptCount >= 1) {
        // Step 3: rebuild from deep copies.
        Primitive* primitives = new Primitive[keptCount];
        uint32_t next = 0;
        for (uint32_t p = 0; p < object.primitiveCount; ++p) {
            if (!kept[p])
                continue;
            Primitive& copy = primitives[next++];
            copy.copyFrom(object.primitives[p]);
            for (uint32_t k = 0; k < copy.getIndexCount(); ++k)
                copy.setIndex(k, newNumber[copy.getIndex(k)]);
        }
        object.setPrimitives(primitives, keptCount);
        Vertex* vertices = new Vertex[usedCount];
        for (uint32_t v = 0; v < object.vertexCount; ++v) {
            if (used[v])
                vertices[newNumber[v]] = object.vertices[v];
        }
        object.setVertices(vertices, usedCount);
        return;
    }

    // Step 4: one point at the origin.
    Primitive* point = new Primitive[1];
    point[0].setIndexes(new uint16_t[1]{0}, 1);
    object.setPrimitives(point, 1);
    object.setVertices(new Vertex[1], 1);
}

} // namespace

void referenceClean(ModelObject* first, const ColourMap& map)
{
    for (ModelObject* object = first; object != nullptr; object = object->sibling) {
        referenceCleanObject(*object, map);
        referenceClean(object->child, map);
    }
}
