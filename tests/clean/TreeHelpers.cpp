#include "TreeHelpers.h"

#include <cstring>
#include <sstream>

#include <gtest/gtest.h>

char* copyText(const char* text)
{
    if (text == nullptr)
        return nullptr;
    size_t length = std::strlen(text) + 1;
    char* copy = new char[length];
    std::memcpy(copy, text, length);
    return copy;
}

ModelObject* makeObject(const std::vector<Vertex>& vertices, const std::vector<PrimitiveSpec>& primitives,
                        int32_t selectionPrimitive, const char* name)
{
    ModelObject* object = new ModelObject;
    Vertex* vertexArray = new Vertex[vertices.size()];
    for (size_t i = 0; i < vertices.size(); ++i)
        vertexArray[i] = vertices[i];
    object->setVertices(vertexArray, uint32_t(vertices.size()));
    Primitive* primitiveArray = new Primitive[primitives.size()];
    for (size_t p = 0; p < primitives.size(); ++p) {
        const PrimitiveSpec& spec = primitives[p];
        Primitive& primitive = primitiveArray[p];
        primitive.setColour(spec.colour);
        uint16_t* indexes = new uint16_t[spec.indexes.size()];
        for (size_t k = 0; k < spec.indexes.size(); ++k)
            indexes[k] = spec.indexes[k];
        primitive.setIndexes(indexes, uint32_t(spec.indexes.size()));
        primitive.setTextureName(copyText(spec.texture));
        primitive.trailing1 = spec.trailing1;
        primitive.trailing2 = spec.trailing2;
        primitive.trailing3 = spec.trailing3;
    }
    object->setPrimitives(primitiveArray, uint32_t(primitives.size()));
    object->selectionPrimitive = selectionPrimitive;
    object->setName(copyText(name));
    return object;
}

namespace {

ModelObject* copyOne(const ModelObject& from)
{
    ModelObject* to = new ModelObject;
    to->version = from.version;
    to->selectionPrimitive = from.selectionPrimitive;
    to->offsetX = from.offsetX;
    to->offsetY = from.offsetY;
    to->offsetZ = from.offsetZ;
    to->reservedZero = from.reservedZero;
    to->setName(copyText(from.name));
    Vertex* vertices = from.vertices ? new Vertex[from.vertexCount] : nullptr;
    for (uint32_t i = 0; i < from.vertexCount && vertices; ++i)
        vertices[i] = from.vertices[i];
    to->setVertices(vertices, from.vertexCount);
    Primitive* primitives = from.primitives ? new Primitive[from.primitiveCount] : nullptr;
    for (uint32_t p = 0; p < from.primitiveCount && primitives; ++p) {
        if (!primitives[p].copyFrom(from.primitives[p]))
            ADD_FAILURE() << "copyFrom ran out of memory";
    }
    to->setPrimitives(primitives, from.primitiveCount);
    return to;
}

void describe(std::ostringstream& out, const std::string& where, const char* field, long long a, long long b)
{
    out << where << ": " << field << " " << a << " != " << b;
}

} // namespace

std::string objectDifference(const ModelObject& a, const ModelObject& b, const std::string& where)
{
    std::ostringstream out;
    if (a.version != b.version) describe(out, where, "version", a.version, b.version);
    else if (a.vertexCount != b.vertexCount) describe(out, where, "vertexCount", a.vertexCount, b.vertexCount);
    else if (a.primitiveCount != b.primitiveCount) describe(out, where, "primitiveCount", a.primitiveCount, b.primitiveCount);
    else if (a.selectionPrimitive != b.selectionPrimitive) describe(out, where, "selectionPrimitive", a.selectionPrimitive, b.selectionPrimitive);
    else if (a.offsetX != b.offsetX || a.offsetY != b.offsetY || a.offsetZ != b.offsetZ) out << where << ": offsets differ";
    else if (a.reservedZero != b.reservedZero) describe(out, where, "reservedZero", a.reservedZero, b.reservedZero);
    else if ((a.name == nullptr) != (b.name == nullptr) || (a.name && std::strcmp(a.name, b.name) != 0)) out << where << ": names differ";
    else if ((a.vertices == nullptr) != (b.vertices == nullptr)) out << where << ": one vertex array is missing";
    else if ((a.primitives == nullptr) != (b.primitives == nullptr)) out << where << ": one primitive array is missing";
    if (!out.str().empty())
        return out.str();
    for (uint32_t i = 0; i < a.vertexCount; ++i) {
        if (!a.vertices[i].equals(b.vertices[i])) {
            out << where << ": vertex " << i << " differs";
            return out.str();
        }
    }
    for (uint32_t p = 0; p < a.primitiveCount; ++p) {
        const Primitive& x = a.primitives[p];
        const Primitive& y = b.primitives[p];
        std::string at = where + " primitive " + std::to_string(p);
        if (x.colour != y.colour) describe(out, at, "colour", x.colour, y.colour);
        else if (x.indexCount != y.indexCount) describe(out, at, "indexCount", x.indexCount, y.indexCount);
        else if (x.reservedZero != y.reservedZero) describe(out, at, "reservedZero", x.reservedZero, y.reservedZero);
        else if (x.trailing1 != y.trailing1 || x.trailing2 != y.trailing2 || x.trailing3 != y.trailing3) out << at << ": trailing words differ";
        else if ((x.textureName == nullptr) != (y.textureName == nullptr)
                 || (x.textureName && std::strcmp(x.textureName, y.textureName) != 0)) out << at << ": textures differ";
        else if ((x.indexes == nullptr) != (y.indexes == nullptr)) out << at << ": one index array is missing";
        else {
            for (uint32_t k = 0; k < x.indexCount; ++k) {
                if (x.indexes[k] != y.indexes[k]) {
                    describe(out, at, ("index " + std::to_string(k)).c_str(), x.indexes[k], y.indexes[k]);
                    break;
                }
            }
        }
        if (!out.str().empty())
            return out.str();
    }
    return std::string();
}

ModelObject* copyTree(const ModelObject* first)
{
    ModelObject* head = nullptr;
    ModelObject** link = &head;
    for (const ModelObject* from = first; from != nullptr; from = from->sibling) {
        ModelObject* to = copyOne(*from);
        to->child = copyTree(from->child);
        *link = to;
        link = &to->sibling;
    }
    return head;
}

std::string treeDifference(const ModelObject* a, const ModelObject* b)
{
    // Pairs still to compare, with where they stand.
    std::vector<std::pair<std::pair<const ModelObject*, const ModelObject*>, std::string>> pending;
    pending.push_back({{a, b}, "root"});
    while (!pending.empty()) {
        auto [pair, where] = pending.back();
        pending.pop_back();
        const ModelObject* x = pair.first;
        const ModelObject* y = pair.second;
        if ((x == nullptr) != (y == nullptr))
            return where + ": present in one tree only";
        if (x == nullptr)
            continue;
        std::string difference = objectDifference(*x, *y, where);
        if (!difference.empty())
            return difference;
        pending.push_back({{x->sibling, y->sibling}, where + ">sibling"});
        pending.push_back({{x->child, y->child}, where + ">child"});
    }
    return std::string();
}

std::vector<const ModelObject*> objectsInOrder(const ModelObject* first)
{
    std::vector<const ModelObject*> objects;
    std::vector<const ModelObject*> pending{first};
    while (!pending.empty()) {
        const ModelObject* object = pending.back();
        pending.pop_back();
        if (object == nullptr)
            continue;
        objects.push_back(object);
        pending.push_back(object->sibling);
        pending.push_back(object->child);
    }
    return objects;
}

std::vector<Vertex> vertexList(const ModelObject& object)
{
    return std::vector<Vertex>(object.vertices, object.vertices + object.vertexCount);
}

std::vector<uint16_t> indexList(const Primitive& primitive)
{
    return std::vector<uint16_t>(primitive.indexes, primitive.indexes + primitive.indexCount);
}

namespace {

uint32_t below(std::mt19937& random, uint32_t limit)
{
    return uint32_t(std::uniform_int_distribution<uint32_t>(0, limit - 1)(random));
}

ModelObject* randomObject(std::mt19937& random, uint32_t maxVertices)
{
    uint32_t vertexCount = below(random, maxVertices + 1);
    // A small coordinate range gives many equal vertices.
    int32_t range = int32_t(1 + below(random, 4));
    std::vector<Vertex> vertices(vertexCount);
    for (Vertex& vertex : vertices) {
        vertex.x = int32_t(below(random, uint32_t(range))) - 1;
        vertex.y = int32_t(below(random, uint32_t(range)));
        vertex.z = below(random, 8) == 0 ? INT32_MIN : int32_t(below(random, 2));
    }
    static const char* const textures[] = {"", "metal", "glass01", "metal"};
    uint32_t primitiveCount = below(random, 12);
    std::vector<PrimitiveSpec> primitives(primitiveCount);
    for (PrimitiveSpec& spec : primitives) {
        spec.colour = below(random, 3) == 0 ? below(random, 256) : below(random, 8);
        uint32_t indexCount = vertexCount == 0 ? 0 : below(random, 6);
        for (uint32_t k = 0; k < indexCount; ++k)
            spec.indexes.push_back(uint16_t(below(random, vertexCount)));
        if (below(random, 4) == 0)
            spec.texture = textures[below(random, 4)];
        spec.trailing1 = uint32_t(random());
        spec.trailing2 = below(random, 2);
        spec.trailing3 = uint32_t(random());
    }
    int32_t selection = int32_t(below(random, primitiveCount + 3)) - 1;
    ModelObject* object = makeObject(vertices, primitives, selection, below(random, 2) ? "arm" : "");
    object->offsetX = int32_t(uint32_t(random()));
    return object;
}

} // namespace

ModelObject* randomTree(std::mt19937& random, uint32_t maxVertices)
{
    ModelObject* root = randomObject(random, maxVertices);
    std::vector<ModelObject*> objects{root};
    uint32_t more = below(random, 5);
    for (uint32_t n = 0; n < more; ++n) {
        ModelObject* parent = objects[below(random, uint32_t(objects.size()))];
        ModelObject* object = randomObject(random, maxVertices);
        // Hang it below the parent, or after the parent's last sibling.
        ModelObject** link = below(random, 2) ? &parent->child : &parent->sibling;
        while (*link != nullptr)
            link = &(*link)->sibling;
        *link = object;
        objects.push_back(object);
    }
    return root;
}

ColourMap randomColourMap(std::mt19937& random)
{
    ColourMap map;
    for (uint32_t c = 0; c < ColourCount; ++c) {
        switch (below(random, 8)) {
        case 0: case 1: case 2: map.setEntry(c, c); break;
        case 3: case 4: case 5: map.setEntry(c, ColourRemoved); break;
        case 6: map.setEntry(c, below(random, 256)); break;
        default: map.setEntry(c, below(random, 2) ? 256 + below(random, 1000) : uint32_t(random())); break;
        }
    }
    return map;
}
