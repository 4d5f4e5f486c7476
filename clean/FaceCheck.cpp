#include "clean/FaceCheck.h"

#include <new>

#include "model/ModelObject.h"
#include "model/ObjectWalk.h"

namespace {

FaceFault faultOf(const ModelObject& object, uint32_t face, uint32_t index)
{
    return FaceFault{object.name != nullptr ? object.name : "", face, index, object.vertexCount,
                     object.primitives[face].indexCount};
}

bool repairObject(ModelObject& object, std::vector<FaceFault>& dropped)
{
    uint32_t bad = 0;
    uint32_t index = 0;
    for (uint32_t p = 0; p < object.primitiveCount; ++p)
        bad += findBadIndex(object.primitives[p], object.vertexCount, &index) ? 1 : 0;
    if (bad == 0)
        return true;
    const uint32_t keptCount = object.primitiveCount - bad;
    Primitive* kept = new (std::nothrow) Primitive[keptCount];
    if (kept == nullptr)
        return false;
    const int32_t selection = object.selectionPrimitive;
    const bool selects = selection >= 0 && uint32_t(selection) < object.primitiveCount;
    uint32_t next = 0;
    for (uint32_t p = 0; p < object.primitiveCount; ++p) {
        if (!findBadIndex(object.primitives[p], object.vertexCount, &index)) {
            kept[next++].takeFrom(object.primitives[p]);
            continue;
        }
        dropped.push_back(faultOf(object, p, index));
        if (selects && uint32_t(selection) == p)
            object.selectionPrimitive = -1;
        else if (selects && uint32_t(selection) > p && object.selectionPrimitive >= 0)
            --object.selectionPrimitive;
    }
    object.setPrimitives(kept, keptCount);
    return true;
}

} // namespace

bool findBadIndex(const Primitive& face, uint32_t vertexCount, uint32_t* index)
{
    for (uint32_t k = 0; k < face.indexCount; ++k) {
        if (face.indexes[k] >= vertexCount) {
            *index = face.indexes[k];
            return true;
        }
    }
    return false;
}

bool hasBadFaces(const ModelObject* first)
{
    uint32_t index = 0;
    ObjectWalk walk(first);
    while (const ModelObject* object = walk.next()) {
        for (uint32_t p = 0; p < object->primitiveCount; ++p) {
            if (findBadIndex(object->primitives[p], object->vertexCount, &index))
                return true;
        }
    }
    return false;
}

void findBadFaces(const ModelObject* first, std::vector<FaceFault>& faults)
{
    uint32_t index = 0;
    ObjectWalk walk(first);
    while (const ModelObject* object = walk.next()) {
        for (uint32_t p = 0; p < object->primitiveCount; ++p) {
            if (findBadIndex(object->primitives[p], object->vertexCount, &index))
                faults.push_back(faultOf(*object, p, index));
        }
    }
}

bool dropBadFaces(ModelObject* first, std::vector<FaceFault>& dropped)
{
    MutableObjectWalk walk(first);
    while (ModelObject* object = walk.next()) {
        if (!repairObject(*object, dropped))
            return false;
    }
    return !walk.tooDeep();
}
