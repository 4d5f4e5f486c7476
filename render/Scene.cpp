#include "render/Scene.h"

#include <cctype>
#include <new>

#include "clean/CleaningPass.h"
#include "model/ModelObject.h"
#include "model/ObjectWalk.h"

namespace {

bool namesOnlyItsVertices(const Primitive& primitive, uint32_t vertexCount)
{
    for (uint32_t k = 0; k < primitive.indexCount; ++k) {
        if (primitive.indexes[k] >= vertexCount)
            return false;
    }
    return true;
}

Rgb colourOf(const ModelObject& object, uint32_t number, const FacePaint& paint, bool* lit)
{
    const Primitive& primitive = object.primitives[number];
    *lit = true;
    if (paint.removal != nullptr && removesPrimitive(object, number, *paint.removal)) {
        *lit = false;
        return RemovedColour;
    }
    if (primitive.textureName == nullptr)
        return paletteColour(primitive.paletteIndex());
    if (paint.textures == nullptr)
        return UntexturedGrey;
    const auto found = paint.textures->find(primitive.textureName);
    return found != paint.textures->end() ? found->second : UntexturedGrey;
}

// Walks the tree, counting what build needs or, with a scene whose arrays are
// made, filling them. Each object stands at the sum of its own offset and its
// ancestors'.
class SceneWalk {
public:
    SceneWalk(Scene& into, const FacePaint& facePaint, bool filling) : scene(into), paint(facePaint), fill(filling) {}

    void walk(const ModelObject* first)
    {
        ObjectWalk objects(first);
        while (const ModelObject* object = objects.next()) {
            int64_t ox = object->offsetX;
            int64_t oy = object->offsetY;
            int64_t oz = object->offsetZ;
            for (uint32_t level = 0; level < objects.depth(); ++level) {
                const ModelObject& above = *objects.ancestor(level);
                ox += above.offsetX;
                oy += above.offsetY;
                oz += above.offsetZ;
            }
            for (uint32_t p = 0; p < object->primitiveCount; ++p)
                add(*object, p, ox, oy, oz);
        }
    }

    uint64_t points = 0;
    uint64_t items = 0;
    uint32_t leftOut = 0;

private:
    void add(const ModelObject& object, uint32_t number, int64_t x, int64_t y, int64_t z)
    {
        const Primitive& primitive = object.primitives[number];
        if (primitive.indexCount == 0)
            return;
        if (!namesOnlyItsVertices(primitive, object.vertexCount)) {
            ++leftOut;
            return;
        }
        if (fill) {
            SceneItem& item = scene.items[items];
            item.first = uint32_t(points);
            item.count = primitive.indexCount;
            item.colour = colourOf(object, number, paint, &item.lit);
            for (uint32_t k = 0; k < primitive.indexCount; ++k) {
                const Vertex& vertex = object.vertices[primitive.indexes[k]];
                scene.points[points + k] = {x + vertex.x, y + vertex.y, z + vertex.z};
            }
        }
        ++items;
        points += primitive.indexCount;
    }

    Scene& scene;
    const FacePaint& paint;
    bool fill;
};

} // namespace

bool NoCaseLess::less(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        const int ca = std::tolower(static_cast<unsigned char>(*a));
        const int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb || ca == 0)
            return ca < cb;
    }
}

Scene::~Scene()
{
    delete[] points;
    delete[] items;
}

bool Scene::build(const ModelObject* first, const FacePaint& paint)
{
    delete[] points;
    delete[] items;
    points = nullptr;
    items = nullptr;
    pointCount = itemCount = leftOut = 0;

    SceneWalk count(*this, paint, false);
    count.walk(first);
    // A loaded tree is far below these; they keep the counts in 32 bits.
    if (count.points > 0x7FFFFFFF || count.items > 0x7FFFFFFF)
        return false;
    points = new (std::nothrow) ScenePoint[count.points];
    items = new (std::nothrow) SceneItem[count.items];
    if (points == nullptr || items == nullptr)
        return false;
    SceneWalk fill(*this, paint, true);
    fill.walk(first);
    pointCount = uint32_t(fill.points);
    itemCount = uint32_t(fill.items);
    leftOut = fill.leftOut;
    return true;
}
