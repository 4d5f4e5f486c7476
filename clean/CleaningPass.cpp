#include "clean/CleaningPass.h"

#include <new>

#include "clean/ColourMap.h"
#include "clean/FaceCheck.h"
#include "model/HashSlots.h"
#include "model/Model.h"
#include "model/ModelObject.h"
#include "model/ObjectWalk.h"

namespace {

// 16-bit indexes name only the first 65,536 vertices of an object; the others
// can be neither merged into nor kept, so the tables cover these alone.
constexpr uint32_t NameableVertices = 0x10000;
constexpr uint32_t Unused = 0xFFFFFFFFu;
constexpr uint32_t EmptySlot = 0xFFFFFFFFu;

// The work tables of one object, made together and released together.
class CleanTables {
public:
    CleanTables() = default;
    ~CleanTables()
    {
        delete[] kept;
        delete[] newNumber;
        delete[] firstEqual;
        delete[] slots;
    }
    CleanTables(const CleanTables&) = delete;
    CleanTables& operator=(const CleanTables&) = delete;

    bool make(uint32_t vertexNumbers, uint32_t primitiveCount)
    {
        // At most 80% full, so probing always ends at an empty slot.
        slotCount = 1;
        while (slotCount < vertexNumbers + vertexNumbers / 4 + 1)
            slotCount *= 2;
        slots = new (std::nothrow) uint32_t[slotCount];
        firstEqual = new (std::nothrow) uint16_t[vertexNumbers];
        newNumber = new (std::nothrow) uint32_t[vertexNumbers];
        kept = new (std::nothrow) bool[primitiveCount];
        if (slots == nullptr || firstEqual == nullptr || newNumber == nullptr || kept == nullptr)
            return false;
        for (uint32_t s = 0; s < slotCount; ++s)
            slots[s] = EmptySlot;
        for (uint32_t v = 0; v < vertexNumbers; ++v)
            newNumber[v] = Unused;
        return true;
    }

    uint32_t* slots = nullptr;      // vertex numbers by coordinate hash
    uint32_t slotCount = 0;         // a power of two
    uint16_t* firstEqual = nullptr; // the lowest vertex number with the same coordinates
    uint32_t* newNumber = nullptr;  // Unused until a kept primitive uses the vertex
    bool* kept = nullptr;
};

bool isSelectionPrimitive(const ModelObject& object, uint32_t number)
{
    return object.selectionPrimitive >= 0 && uint32_t(object.selectionPrimitive) == number;
}

uint32_t hashVertex(const Vertex& vertex)
{
    uint32_t h = uint32_t(vertex.x) * 0x9E3779B1u;
    h ^= h >> 15;
    h = (h ^ uint32_t(vertex.y)) * 0x85EBCA77u;
    h ^= h >> 13;
    h = (h ^ uint32_t(vertex.z)) * 0xC2B2AE3Du;
    h ^= h >> 16;
    return h;
}

// firstEqual[i] becomes the lowest vertex number whose coordinates equal vertex i's.
void mergeVertices(const Vertex* vertices, uint32_t count, CleanTables& tables)
{
    for (uint32_t i = 0; i < count; ++i) {
        const Vertex& vertex = vertices[i];
        const uint32_t slot = findSlot(
            hashVertex(vertex), tables.slotCount, [&](uint32_t at) { return tables.slots[at] == EmptySlot; },
            [&](uint32_t at) { return vertices[tables.slots[at]].equals(vertex); });
        if (tables.slots[slot] == EmptySlot) {
            tables.slots[slot] = i;
            tables.firstEqual[i] = uint16_t(i);
        } else {
            tables.firstEqual[i] = uint16_t(tables.slots[slot]);
        }
    }
}

// The one-point primitive at the origin that an object left without primitives gets.
CleanResult fillEmptyObject(ModelObject& object)
{
    Primitive* point = new (std::nothrow) Primitive[1];
    uint16_t* index = new (std::nothrow) uint16_t[1];
    Vertex* origin = new (std::nothrow) Vertex[1];
    if (point == nullptr || index == nullptr || origin == nullptr) {
        delete[] point;
        delete[] index;
        delete[] origin;
        return CleanResult::OutOfMemory;
    }
    index[0] = 0;
    point[0].setIndexes(index, 1);
    object.setPrimitives(point, 1);
    object.setVertices(origin, 1);
    return CleanResult::Cleaned;
}

// Cleans one object whose indexes are all in range. Every allocation comes before
// the first change, so on OutOfMemory the object is as it was.
CleanResult cleanObject(ModelObject& object, const ColourMap& colourMap)
{
    uint32_t vertexNumbers = object.vertexCount < NameableVertices ? object.vertexCount : NameableVertices;
    CleanTables tables;
    if (!tables.make(vertexNumbers, object.primitiveCount))
        return CleanResult::OutOfMemory;

    mergeVertices(object.vertices, vertexNumbers, tables);

    uint32_t keptCount = 0;
    uint32_t usedCount = 0;
    int32_t newSelection = object.selectionPrimitive;
    for (uint32_t p = 0; p < object.primitiveCount; ++p) {
        const Primitive& primitive = object.primitives[p];
        bool keep = !removesPrimitive(object, p, colourMap);
        tables.kept[p] = keep;
        if (!keep)
            continue;
        if (isSelectionPrimitive(object, p))
            newSelection = int32_t(keptCount);
        ++keptCount;
        for (uint32_t k = 0; k < primitive.indexCount; ++k) {
            uint32_t vertex = tables.firstEqual[primitive.indexes[k]];
            if (tables.newNumber[vertex] == Unused)
                tables.newNumber[vertex] = usedCount++;
        }
    }

    if (keptCount == 0)
        return fillEmptyObject(object);

    Primitive* newPrimitives = new (std::nothrow) Primitive[keptCount];
    Vertex* newVertices = new (std::nothrow) Vertex[usedCount];
    if (newPrimitives == nullptr || newVertices == nullptr) {
        delete[] newPrimitives;
        delete[] newVertices;
        return CleanResult::OutOfMemory;
    }

    // The kept primitives move into the new list with their index lists and
    // texture names; the old list is released with what is left in it.
    uint32_t next = 0;
    for (uint32_t p = 0; p < object.primitiveCount; ++p) {
        if (!tables.kept[p])
            continue;
        Primitive& from = object.primitives[p];
        Primitive& to = newPrimitives[next++];
        to.takeFrom(from);
        const uint32_t colour = to.paletteIndex();
        const uint32_t entry = colourMap.entry(colour);
        if (entry < ColourCount && entry != colour)
            to.setColour(entry);
        for (uint32_t k = 0; k < to.indexCount; ++k)
            to.indexes[k] = uint16_t(tables.newNumber[tables.firstEqual[to.indexes[k]]]);
    }
    for (uint32_t v = 0; v < vertexNumbers; ++v) {
        if (tables.newNumber[v] != Unused)
            newVertices[tables.newNumber[v]] = object.vertices[v];
    }

    object.setPrimitives(newPrimitives, keptCount);
    object.setVertices(newVertices, usedCount);
    object.selectionPrimitive = newSelection;
    return CleanResult::Cleaned;
}

CleanResult cleanChain(ModelObject* first, const ColourMap& colourMap)
{
    MutableObjectWalk walk(first);
    while (ModelObject* object = walk.next()) {
        const CleanResult result = cleanObject(*object, colourMap);
        if (result != CleanResult::Cleaned)
            return result;
    }
    // A tree deeper than any load builds is beyond what cleaning takes on.
    return walk.tooDeep() ? CleanResult::OutOfMemory : CleanResult::Cleaned;
}

} // namespace

bool removesPrimitive(const ModelObject& object, uint32_t number, const ColourMap& colourMap)
{
    const Primitive& primitive = object.primitives[number];
    return primitive.textureName == nullptr && colourMap.entry(primitive.paletteIndex()) >= ColourCount
        && !isSelectionPrimitive(object, number) && primitive.indexCount != 2;
}

CleanResult cleanObjects(ModelObject& first, const ColourMap& colourMap)
{
    if (hasBadFaces(&first))
        return CleanResult::CorruptIndex;
    return cleanChain(&first, colourMap);
}

CleanResult cleanModel(Model& model, const ColourMap& colourMap)
{
    if (model.root == nullptr)
        return CleanResult::Cleaned;
    return cleanObjects(*model.root, colourMap);
}
