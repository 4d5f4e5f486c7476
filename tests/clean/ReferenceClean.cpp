#include "ReferenceClean.h"

#include <cstdint>

namespace {

ObjectPlan referenceCleanObject(const ObjectPlan& object, const ColourMap& map)
{
    ObjectPlan cleaned({}, {}, object.selection, object.name);
    cleaned.offsetX = object.offsetX;
    std::vector<int32_t> newNumber(object.vertices.size(), -1); // -1: not used yet
    for (size_t p = 0; p < object.faces.size(); ++p) {
        FacePlan face = object.faces[p];
        const uint32_t entry = map.entries[face.colour];
        const bool isSelection = int64_t(p) == int64_t(object.selection);
        // Untextured faces of a removed colour go, unless a line or the selection.
        if (!face.texture.present && entry >= 256 && !isSelection && face.indexes.size() != 2)
            continue;
        if (entry < 256)
            face.colour = entry;
        if (isSelection)
            cleaned.selection = int32_t(cleaned.faces.size());
        for (uint16_t& index : face.indexes) {
            // A vertex equal to an earlier one stands for it; numbered in order of first use.
            uint16_t first = 0;
            while (!object.vertices[first].equals(object.vertices[index]))
                ++first;
            if (newNumber[first] < 0) {
                newNumber[first] = int32_t(cleaned.vertices.size());
                cleaned.vertices.push_back(object.vertices[first]);
            }
            index = uint16_t(newNumber[first]);
        }
        cleaned.faces.push_back(face);
    }
    if (cleaned.faces.empty()) { // one point at the origin
        cleaned.vertices = {Vertex()};
        cleaned.faces = {FacePlan{0, {0}}};
    }
    return cleaned;
}

} // namespace

std::vector<ObjectPlan> referenceClean(std::vector<ObjectPlan> objects, const ColourMap& map)
{
    for (ObjectPlan& object : objects)
        object = referenceCleanObject(object, map);
    return objects;
}

ColourMap mapWith(void (ColourMap::*base)(), const std::vector<std::pair<uint32_t, uint32_t>>& entries)
{
    ColourMap map;
    (map.*base)();
    for (auto [colour, entry] : entries)
        map.setEntry(colour, entry);
    return map;
}
