#include "TreeHelpers.h"

#include <sstream>

ColourMap mapWith(void (ColourMap::*base)(), const std::vector<std::pair<uint32_t, uint32_t>>& entries)
{
    ColourMap map;
    (map.*base)();
    for (auto [colour, entry] : entries)
        map.setEntry(colour, entry);
    return map;
}

std::string show(const ModelObject& o)
{
    std::ostringstream out;
    out << 's' << o.selectionPrimitive;
    if (o.version != 1 || o.offsetX != 0 || o.offsetY != 0 || o.offsetZ != 0 || o.reservedZero != 0)
        out << " h" << o.version << ',' << o.offsetX << ',' << o.offsetY << ',' << o.offsetZ << ',' << o.reservedZero;
    if (o.name != nullptr)
        out << " n'" << o.name << '\'';
    out << " v";
    for (uint32_t v = 0; v < o.vertexCount; ++v)
        out << ' ' << o.vertices[v].x << ',' << o.vertices[v].y << ',' << o.vertices[v].z;
    out << " p";
    for (uint32_t p = 0; p < o.primitiveCount; ++p) {
        const Primitive& q = o.primitives[p];
        out << ' ' << q.colour << ':';
        for (uint32_t k = 0; k < q.indexCount; ++k)
            out << (k ? "." : "") << q.indexes[k];
        if (q.textureName != nullptr)
            out << '/' << q.textureName;
        if (q.reservedZero != 0 || q.trailing1 != 0 || q.trailing2 != 0 || q.trailing3 != 0)
            out << '#' << q.reservedZero << ',' << q.trailing1 << ',' << q.trailing2 << ',' << q.trailing3;
    }
    return out.str();
}

std::vector<ModelObject*> objectsOf(ModelObject* first)
{
    std::vector<ModelObject*> objects;
    for (ModelObject* object = first; object != nullptr; object = object->sibling) {
        objects.push_back(object);
        for (ModelObject* below : objectsOf(object->child))
            objects.push_back(below);
    }
    return objects;
}

std::vector<std::string> showTree(ModelObject* first)
{
    std::vector<std::string> shown;
    for (ModelObject* object : objectsOf(first))
        shown.push_back(show(*object));
    return shown;
}
