#include "ReferenceClean.h"

#include <cstdint>
#include <vector>

namespace {

void referenceCleanObject(ModelObject& object, const ColourMap& map)
{
    // Step 1: every index of a vertex equal to an earlier one names the first such vertex.
    for (uint16_t i = 0; i < object.vertexCount; ++i) {
        uint16_t j = 0;
        while (j < i && !object.vertices[j].equals(object.vertices[i]))
            ++j;
        for (uint32_t p = 0; p < object.primitiveCount && j < i; ++p) {
            for (uint32_t k = 0; k < object.primitives[p].getIndexCount(); ++k) {
                if (object.primitives[p].getIndex(k) == i)
                    object.primitives[p].setIndex(k, j);
            }
        }
    }
    // Step 2: choose, recolour and number the vertices in order of first use (-1: unused).
    std::vector<bool> kept(object.primitiveCount, false);
    std::vector<int32_t> newNumber(object.vertexCount, -1);
    uint32_t keptCount = 0;
    int32_t usedCount = 0;
    int32_t selection = object.selectionPrimitive;
    for (uint32_t p = 0; p < object.primitiveCount; ++p) {
        Primitive& primitive = object.primitives[p];
        uint32_t entry = map.entries[primitive.getColour()];
        bool isSelection = int64_t(p) == int64_t(selection);
        if (primitive.getTextureName() == nullptr && entry >= 256 && !isSelection && primitive.getIndexCount() != 2)
            continue;
        if (entry < 256 && entry != primitive.getColour())
            primitive.setColour(entry);
        if (isSelection)
            object.selectionPrimitive = int32_t(keptCount);
        kept[p] = true;
        ++keptCount;
        for (uint32_t k = 0; k < primitive.getIndexCount(); ++k) {
            if (newNumber[primitive.getIndex(k)] < 0)
                newNumber[primitive.getIndex(k)] = usedCount++;
        }
    }
    if (keptCount == 0) { // Step 4: one point at the origin.
        Primitive* point = new Primitive[1];
        point[0].setIndexes(new uint16_t[1]{0}, 1);
        object.setPrimitives(point, 1);
        object.setVertices(new Vertex[1], 1);
        return;
    }
    // Step 3: rebuild from deep copies.
    Primitive* primitives = new Primitive[keptCount];
    for (uint32_t p = 0, next = 0; p < object.primitiveCount; ++p) {
        if (!kept[p])
            continue;
        Primitive& copy = primitives[next++];
        copy.copyFrom(object.primitives[p]);
        for (uint32_t k = 0; k < copy.getIndexCount(); ++k)
            copy.setIndex(k, uint16_t(newNumber[copy.getIndex(k)]));
    }
    object.setPrimitives(primitives, keptCount);
    Vertex* vertices = new Vertex[usedCount];
    for (uint32_t v = 0; v < object.vertexCount; ++v) {
        if (newNumber[v] >= 0)
            vertices[newNumber[v]] = object.vertices[v];
    }
    object.setVertices(vertices, uint32_t(usedCount));
}

} // namespace

void referenceClean(ModelObject* first, const ColourMap& map)
{
    for (ModelObject* object = first; object != nullptr; object = object->sibling) {
        referenceCleanObject(*object, map);
        referenceClean(object->child, map);
    }
}

ColourMap mapWith(void (ColourMap::*base)(), const std::vector<std::pair<uint32_t, uint32_t>>& entries)
{
    ColourMap map;
    (map.*base)();
    for (auto [colour, entry] : entries)
        map.setEntry(colour, entry);
    return map;
}
