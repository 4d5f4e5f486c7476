// The cleaning pass on hand-made objects: a two-object model end to end, the keep rules,
// renumbering, empty objects, corrupt indexes, very large and very deep trees.
#include <cstring>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

#include "TreeHelpers.h"
#include "clean/CleanResult.h"
#include "clean/ColourMap.h"
#include "model/Format.h"
#include "model/Model.h"

namespace {

using Vertices = std::vector<Vertex>;
using Indexes = std::vector<uint16_t>;

ColourMap replacingThreeMap()
{
    ColourMap map;
    map.setDefault();
    map.setEntry(3, 7);
    return map;
}

// A base of seven vertices (two pairs equal), four primitives, selection 2.
ModelObject* baseObject()
{
    Vertices vertices{{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {100, 0, 0}, {0, 0, 0}, {50, 50, 50}, {0, 0, 100}};
    std::vector<PrimitiveSpec> primitives(4);
    primitives[0].colour = 0;
    primitives[0].indexes = {4, 3, 6};
    primitives[1].colour = 3;
    primitives[1].indexes = {2, 3, 4};
    primitives[2].colour = 12;
    primitives[2].indexes = {5, 4, 1};
    primitives[3].colour = 0;
    primitives[3].indexes = {6, 5, 2};
    return makeObject(vertices, primitives, 2, "base");
}

// A turret of five vertices whose two untextured triangles of colour 0 both go.
ModelObject* turretObject()
{
    Vertices vertices{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 2, 3}, {-1, -2, -3}};
    std::vector<PrimitiveSpec> primitives(2);
    primitives[0].indexes = {0, 1, 2};
    primitives[1].indexes = {2, 3, 4};
    return makeObject(vertices, primitives, -1, "turret");
}

ModelObject* oneObject(const Vertices& vertices, const std::vector<PrimitiveSpec>& primitives, int32_t selection = -1)
{
    return makeObject(vertices, primitives, selection);
}

PrimitiveSpec face(uint32_t colour, Indexes indexes, const char* texture = nullptr)
{
    PrimitiveSpec spec;
    spec.colour = colour;
    spec.indexes = std::move(indexes);
    spec.texture = texture;
    return spec;
}

void expectOnePointAtOrigin(const ModelObject& object)
{
    ASSERT_EQ(object.primitiveCount, 1u);
    ASSERT_EQ(object.vertexCount, 1u);
    const Primitive& point = object.primitives[0];
    EXPECT_EQ(point.colour, 0u);
    EXPECT_EQ(indexList(point), Indexes{0});
    EXPECT_EQ(point.textureName, nullptr);
    EXPECT_EQ(point.reservedZero | point.trailing1 | point.trailing2 | point.trailing3, 0u);
    EXPECT_TRUE(object.vertices[0].equals(Vertex{0, 0, 0}));
}

} // namespace

TEST(CleaningPass, TwoObjectModelObjectsAndCounts)
{
    Model model;
    model.root = baseObject();
    model.root->child = turretObject();
    ASSERT_EQ(model.countVertices(), 12u);
    ASSERT_EQ(model.countPrimitives(), 6u);

    ASSERT_EQ(model.clean(replacingThreeMap()), CleanResult::Cleaned);

    const ModelObject& first = *model.root;
    ASSERT_EQ(first.primitiveCount, 2u);
    EXPECT_EQ(first.primitives[0].colour, 7u);
    EXPECT_EQ(indexList(first.primitives[0]), (Indexes{0, 1, 2}));
    EXPECT_EQ(first.primitives[1].colour, 12u);
    EXPECT_EQ(indexList(first.primitives[1]), (Indexes{3, 2, 1}));
    EXPECT_EQ(vertexList(first), (Vertices{{0, 100, 0}, {100, 0, 0}, {0, 0, 0}, {50, 50, 50}}));
    EXPECT_EQ(first.selectionPrimitive, 1);
    EXPECT_STREQ(first.name, "base");

    expectOnePointAtOrigin(*first.child);
    EXPECT_EQ(first.child->selectionPrimitive, -1);

    // 7 -> 4 and 5 -> 1 vertices, 4 -> 2 and 2 -> 1 primitives.
    EXPECT_EQ(model.countVertices(), 5u);
    EXPECT_EQ(model.countPrimitives(), 3u);
}

TEST(CleaningPass, KeepRules)
{
    ColourMap map; // colour 0 removed
    Vertices square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

    // A line, a textured face, a face with an empty texture name and the selection
    // primitive survive colour 0; a point and an untextured triangle do not.
    std::unique_ptr<ModelObject> object(oneObject(square, {face(0, {0, 1, 2}), face(0, {0, 1}), face(0, {3}),
                                                           face(0, {1, 2, 3}, "steel"), face(0, {2, 3, 0}, ""),
                                                           face(0, {3, 2, 1}), face(0, {2})},
                                                  5));
    ASSERT_EQ(object->clean(map), CleanResult::Cleaned);
    ASSERT_EQ(object->primitiveCount, 4u);
    EXPECT_EQ(object->primitives[0].indexCount, 2u);
    EXPECT_STREQ(object->primitives[1].textureName, "steel");
    EXPECT_STREQ(object->primitives[2].textureName, "");
    EXPECT_EQ(object->primitives[3].textureName, nullptr);
    EXPECT_EQ(object->selectionPrimitive, 3);
    for (uint32_t p = 0; p < 4; ++p)
        EXPECT_EQ(object->primitives[p].colour, 0u) << "kept primitives of a removed colour keep their colour";

    // The only primitive, an untextured point of a removed colour, goes too.
    std::unique_ptr<ModelObject> lonely(oneObject({{5, 5, 5}}, {face(0, {0})}, -1));
    ASSERT_EQ(lonely->clean(map), CleanResult::Cleaned);
    expectOnePointAtOrigin(*lonely);
}

TEST(CleaningPass, ReplacementTakesOneStepAndOddEntriesKeepTheColour)
{
    ColourMap map;
    map.keepAll();
    map.setEntry(3, 7);
    map.setEntry(7, ColourRemoved);
    map.setEntry(9, 256);         // only a foreign stored map holds these
    map.setEntry(10, 0x12345678);
    Vertices triangle{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    std::unique_ptr<ModelObject> object(oneObject(triangle, {face(3, {0, 1, 2}), face(7, {0, 1, 2}), face(7, {1, 2}),
                                                             face(9, {0, 1, 2}), face(9, {0, 1}), face(10, {2, 1}, "t"),
                                                             face(7, {1, 2, 0}, "t")}));
    ASSERT_EQ(object->clean(map), CleanResult::Cleaned);
    ASSERT_EQ(object->primitiveCount, 5u);
    EXPECT_EQ(object->primitives[0].colour, 7u);
    EXPECT_EQ(object->primitives[1].colour, 7u); // the line of removed colour 7
    EXPECT_EQ(object->primitives[2].colour, 9u); // entry 256: a removed colour, colour kept, never 255
    EXPECT_EQ(object->primitives[3].colour, 10u);
    EXPECT_EQ(object->primitives[4].colour, 7u);
}

TEST(CleaningPass, KeepAllAndRemoveAll)
{
    Vertices vertices{{0, 0, 0}, {1, 1, 1}, {0, 0, 0}, {2, 2, 2}, {9, 9, 9}};
    auto build = [&] {
        return oneObject(vertices, {face(0, {0, 1, 2}), face(200, {2, 3}), face(17, {3, 2, 1}, "tex"), face(255, {1, 3, 0})}, 3);
    };
    ColourMap keepAll;
    keepAll.keepAll();
    std::unique_ptr<ModelObject> kept(build());
    ASSERT_EQ(kept->clean(keepAll), CleanResult::Cleaned);
    ASSERT_EQ(kept->primitiveCount, 4u);
    EXPECT_EQ(kept->primitives[0].colour, 0u);
    EXPECT_EQ(kept->primitives[3].colour, 255u);
    EXPECT_EQ(vertexList(*kept), (Vertices{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}})); // duplicate and unused gone
    EXPECT_EQ(indexList(kept->primitives[1]), (Indexes{0, 2}));

    ColourMap removeAll;
    removeAll.removeAll();
    for (uint32_t c = 0; c < ColourCount; ++c)
        ASSERT_EQ(removeAll.state(c), ColourState::Removed);
    std::unique_ptr<ModelObject> removed(build());
    ASSERT_EQ(removed->clean(removeAll), CleanResult::Cleaned);
    // The line, the textured face and the selection primitive remain.
    ASSERT_EQ(removed->primitiveCount, 3u);
    EXPECT_EQ(removed->primitives[0].colour, 200u);
    EXPECT_STREQ(removed->primitives[1].textureName, "tex");
    EXPECT_EQ(removed->primitives[2].colour, 255u);
    EXPECT_EQ(removed->selectionPrimitive, 2);
    EXPECT_EQ(indexList(removed->primitives[0]), (Indexes{0, 1}));
    EXPECT_EQ(indexList(removed->primitives[1]), (Indexes{1, 0, 2}));
    EXPECT_EQ(indexList(removed->primitives[2]), (Indexes{2, 1, 0}));
}

TEST(CleaningPass, RenumberingDuplicatesAndTrailingWords)
{
    ColourMap map;
    map.keepAll();
    // Vertex 3 equals vertex 1, so the face names one vertex twice after merging
    // and keeps both indexes. Vertex 4 is used by nothing and goes.
    Vertices vertices{{5, 5, 5}, {1, 2, 3}, {-4, 0, 4}, {1, 2, 3}, {0, 0, 0}};
    PrimitiveSpec first = face(1, {3, 1, 2});
    first.trailing1 = 0xFFFFFFFF;
    first.trailing2 = 12;
    first.trailing3 = 0x80000000;
    std::unique_ptr<ModelObject> object(oneObject(vertices, {first, face(2, {2, 0}), face(3, {})}));
    object->offsetX = -5;
    ASSERT_EQ(object->clean(map), CleanResult::Cleaned);
    ASSERT_EQ(object->primitiveCount, 3u);
    EXPECT_EQ(indexList(object->primitives[0]), (Indexes{0, 0, 1}));
    EXPECT_EQ(indexList(object->primitives[1]), (Indexes{1, 2}));
    EXPECT_EQ(object->primitives[2].indexCount, 0u); // kept, uses no vertex
    EXPECT_EQ(vertexList(*object), (Vertices{{1, 2, 3}, {-4, 0, 4}, {5, 5, 5}}));
    EXPECT_EQ(object->primitives[0].trailing1, 0xFFFFFFFFu);
    EXPECT_EQ(object->primitives[0].trailing2, 12u);
    EXPECT_EQ(object->primitives[0].trailing3, 0x80000000u);
    EXPECT_EQ(object->offsetX, -5);

    // Kept primitives that all lack indexes leave no vertices and no filler.
    std::unique_ptr<ModelObject> bare(oneObject({{1, 1, 1}}, {face(4, {}), face(5, {})}));
    ASSERT_EQ(bare->clean(map), CleanResult::Cleaned);
    EXPECT_EQ(bare->primitiveCount, 2u);
    EXPECT_EQ(bare->vertexCount, 0u);
    EXPECT_NE(bare->vertices, nullptr);
}

TEST(CleaningPass, SelectionPrimitiveNumbering)
{
    ColourMap map;
    Vertices vertices{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    auto build = [&](int32_t selection) {
        return oneObject(vertices, {face(0, {0, 1, 2}), face(5, {0, 1, 2}), face(0, {2, 1, 0}), face(5, {1})}, selection);
    };
    // A dropped-looking primitive that is the selection keeps its place among the kept ones.
    std::unique_ptr<ModelObject> selected(build(2));
    ASSERT_EQ(selected->clean(map), CleanResult::Cleaned);
    EXPECT_EQ(selected->primitiveCount, 3u);
    EXPECT_EQ(selected->selectionPrimitive, 1);

    // -1 and numbers past the end name nothing and stay as they are.
    for (int32_t selection : {-1, 4, 1000, INT32_MIN, INT32_MAX}) {
        std::unique_ptr<ModelObject> object(build(selection));
        ASSERT_EQ(object->clean(map), CleanResult::Cleaned);
        EXPECT_EQ(object->primitiveCount, 2u) << selection;
        EXPECT_EQ(object->selectionPrimitive, selection);
    }

    // An object with no primitives gets the point whatever it had; its selection stays.
    std::unique_ptr<ModelObject> empty(oneObject({{7, 7, 7}, {8, 8, 8}}, {}, 0));
    ASSERT_EQ(empty->clean(map), CleanResult::Cleaned);
    expectOnePointAtOrigin(*empty);
    EXPECT_EQ(empty->selectionPrimitive, 0);

    std::unique_ptr<ModelObject> nothing(oneObject({}, {}, -1));
    ASSERT_EQ(nothing->clean(map), CleanResult::Cleaned);
    expectOnePointAtOrigin(*nothing);
}

TEST(CleaningPass, ObjectsAreCleanedApart)
{
    ColourMap map;
    map.keepAll();
    // Equal coordinates in a parent, its child and its sibling stay separate.
    Model model;
    model.root = oneObject({{3, 3, 3}, {3, 3, 3}}, {face(1, {1, 0})});
    model.root->child = oneObject({{3, 3, 3}}, {face(1, {0})});
    model.root->sibling = oneObject({{9, 9, 9}, {3, 3, 3}}, {face(1, {1, 1, 0})});
    ASSERT_EQ(model.clean(map), CleanResult::Cleaned);
    EXPECT_EQ(vertexList(*model.root), (Vertices{{3, 3, 3}}));
    EXPECT_EQ(indexList(model.root->primitives[0]), (Indexes{0, 0}));
    EXPECT_EQ(vertexList(*model.root->child), (Vertices{{3, 3, 3}}));
    EXPECT_EQ(vertexList(*model.root->sibling), (Vertices{{3, 3, 3}, {9, 9, 9}}));
    EXPECT_EQ(indexList(model.root->sibling->primitives[0]), (Indexes{0, 0, 1}));

    Model unloaded;
    EXPECT_EQ(unloaded.clean(map), CleanResult::Cleaned);
}

TEST(CleaningPass, CorruptIndexLeavesTheWholeTreeUnchanged)
{
    ColourMap map;
    for (uint16_t bad : {uint16_t(3), uint16_t(4), uint16_t(0xFFFF)}) {
        // The fault sits in the last object cleaned: root, child, child's sibling.
        Model model;
        model.root = oneObject({{0, 0, 0}, {0, 0, 0}}, {face(0, {0, 1, 0}), face(1, {1, 0})});
        model.root->child = oneObject({{1, 1, 1}}, {face(0, {0})});
        model.root->child->sibling = oneObject({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {face(2, {0, 1, 2}), face(2, {2, bad})});
        std::unique_ptr<ModelObject> before(copyTree(model.root));
        EXPECT_EQ(model.clean(map), CleanResult::CorruptIndex) << bad;
        EXPECT_EQ(treeDifference(before.get(), model.root), "") << bad;
    }
    // The highest index in range is fine.
    std::unique_ptr<ModelObject> edge(oneObject({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {face(1, {2})}));
    EXPECT_EQ(edge->clean(map), CleanResult::Cleaned);
    // A primitive naming any vertex of an object without vertices is corrupt.
    std::unique_ptr<ModelObject> none(oneObject({}, {face(1, {0})}));
    EXPECT_EQ(none->clean(map), CleanResult::CorruptIndex);
    EXPECT_EQ(none->primitiveCount, 1u);
}

TEST(CleaningPass, ObjectsOfSixtyFiveThousandVerticesAndMore)
{
    ColourMap map;
    map.keepAll();
    for (uint32_t count : {65535u, 65536u, 70000u}) {
        // Coordinates repeat every 1000 vertices; 16-bit indexes name only the first 65,536.
        Vertices vertices(count);
        for (uint32_t i = 0; i < count; ++i)
            vertices[i] = Vertex{int32_t(i % 1000), 0, -int32_t(i % 1000)};
        Indexes last{uint16_t(count > 65536 ? 65535 : count - 1), 999, 1000, 0};
        std::unique_ptr<ModelObject> object(oneObject(vertices, {face(1, last), face(2, {64999, 1, 65000})}));
        ASSERT_EQ(object->clean(map), CleanResult::Cleaned) << count;
        uint32_t firstEqual = (count > 65536 ? 65535 : count - 1) % 1000;
        ASSERT_EQ(object->vertexCount, 4u) << count;
        EXPECT_EQ(indexList(object->primitives[0]), (Indexes{0, 1, 2, 2})) << count;
        EXPECT_EQ(indexList(object->primitives[1]), (Indexes{1, 3, 2})) << count;
        EXPECT_TRUE(object->vertices[0].equals(Vertex{int32_t(firstEqual), 0, -int32_t(firstEqual)}));
        EXPECT_TRUE(object->vertices[3].equals(Vertex{1, 0, -1}));
    }
    // 65,536 distinct vertices all in use keep their numbers, the last one 65535.
    Vertices distinct(65536);
    Indexes all(65536);
    for (uint32_t i = 0; i < 65536; ++i) {
        distinct[i] = Vertex{int32_t(i), int32_t(i * 7), 3};
        all[i] = uint16_t(i);
    }
    std::unique_ptr<ModelObject> full(oneObject(distinct, {face(1, all)}));
    ASSERT_EQ(full->clean(map), CleanResult::Cleaned);
    ASSERT_EQ(full->vertexCount, 65536u);
    EXPECT_EQ(full->primitives[0].indexes[65535], 65535);
    EXPECT_TRUE(full->vertices[65535].equals(distinct[65535]));
}

namespace {

#ifdef _WIN32
DWORD WINAPI runWork(LPVOID argument)
{
    (*static_cast<std::function<void()>*>(argument))();
    return 0;
}
#else
void* runWork(void* argument)
{
    (*static_cast<std::function<void()>*>(argument))();
    return nullptr;
}
#endif

// Runs work on a thread with a stack of the given size.
void runOnStack(size_t stackSize, std::function<void()> work)
{
#ifdef _WIN32
    HANDLE thread = CreateThread(nullptr, stackSize, runWork, &work, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
#else
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, stackSize), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, runWork, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
#endif
}

} // namespace

TEST(CleaningPass, DeepestLoadableTreeAndLongSiblingChainOnASmallStack)
{
    // Each level: a parent with duplicate vertices and a sibling below it.
    Model model;
    model.root = oneObject({{0, 0, 0}, {0, 0, 0}}, {face(0, {0, 1, 0})});
    ModelObject* level = model.root;
    for (uint32_t depth = 1; depth <= MaxObjectDepth; ++depth) {
        level->child = oneObject({{1, 2, 3}, {1, 2, 3}, {4, 5, 6}}, {face(5, {2, 1, 0})});
        level->child->sibling = oneObject({}, {});
        level = level->child;
    }
    // And a long sibling chain at the bottom.
    ModelObject* last = level->sibling;
    for (uint32_t n = 0; n < 100000; ++n) {
        last->sibling = new ModelObject;
        last = last->sibling;
    }
    ColourMap map;
    CleanResult result = CleanResult::OutOfMemory;
    runOnStack(1u << 20, [&] { result = model.clean(map); });
    ASSERT_EQ(result, CleanResult::Cleaned);

    uint32_t levels = 0;
    for (const ModelObject* object = model.root->child; object != nullptr; object = object->child, ++levels) {
        ASSERT_EQ(vertexList(*object), (Vertices{{4, 5, 6}, {1, 2, 3}})) << levels;
        ASSERT_EQ(object->sibling->primitiveCount, 1u) << levels;
    }
    EXPECT_EQ(levels, MaxObjectDepth);
    expectOnePointAtOrigin(*model.root);
    EXPECT_EQ(model.countPrimitives(), 1u + 2u * MaxObjectDepth + 100000u);
}
