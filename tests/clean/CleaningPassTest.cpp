// The cleaning pass on hand-made objects: the worked example, the keep rules case
// by case, corrupt indexes, very large objects and a very deep tree.
#include <climits>
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
#include "model/Format.h"
#include "model/Model.h"

using Vertices = std::vector<Vertex>;

TEST(CleaningPass, WorkedExampleAndCounts)
{
    Model model;
    model.root = makeObject({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {100, 0, 0}, {0, 0, 0}, {50, 50, 50}, {0, 0, 100}},
                            {{0, {4, 3, 6}}, {3, {2, 3, 4}}, {12, {5, 4, 1}}, {0, {6, 5, 2}}}, 2);
    model.root->child =
        makeObject({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 2, 3}, {-1, -2, -3}}, {{0, {0, 1, 2}}, {0, {2, 3, 4}}});
    // Equal to vertices of the first object, not merged with them; after merging
    // the face names one vertex twice.
    model.root->child->sibling = makeObject({{0, 100, 0}, {9, 9, 9}, {0, 100, 0}}, {{5, {2, 1, 0}}});
    ASSERT_EQ(model.countVertices(), 15u);
    ASSERT_EQ(model.countPrimitives(), 7u);
    ASSERT_EQ(model.clean(mapWith(&ColourMap::setDefault, {{3, 7}})), CleanResult::Cleaned);
    EXPECT_EQ(showTree(model.root),
              (std::vector<std::string>{"s1 v 0,100,0 100,0,0 0,0,0 50,50,50 p 7:0.1.2 12:3.2.1", "s-1 v 0,0,0 p 0:0",
                                        "s-1 v 0,100,0 9,9,9 p 5:0.1.0"}));
    EXPECT_EQ(model.countVertices(), 7u);
    EXPECT_EQ(model.countPrimitives(), 4u);
}

TEST(CleaningPass, EdgeCases)
{
    const Vertices square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const Vertices triangle{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Vertices doubled{{0, 0, 0}, {1, 1, 1}, {0, 0, 0}, {2, 2, 2}, {9, 9, 9}};
    const std::vector<Face> mixed{{0, {0, 1, 2}}, {200, {2, 3}}, {17, {3, 2, 1}, "tex"}, {255, {1, 3, 0}}};
    const std::vector<Face> selectable{{0, {0, 1, 2}}, {5, {0, 1, 2}}, {0, {2, 1, 0}}, {5, {1}}};
    const ColourMap keepAll = mapWith(&ColourMap::keepAll);
    struct Case {
        const char* what;
        ColourMap map;
        Vertices vertices;
        std::vector<Face> faces;
        int32_t selection;
        const char* expected;
    };
    const Case cases[] = {
        {"lines, textured faces (an empty name too) and the selection survive a removed colour, keeping it",
         ColourMap(),
         square,
         {{0, {0, 1, 2}}, {0, {0, 1}}, {0, {3}}, {0, {1, 2, 3}, "steel"}, {0, {2, 3, 0}, ""}, {0, {3, 2, 1}}, {0, {2}}},
         5,
         "s3 v 0,0,0 1,0,0 1,1,0 0,1,0 p 0:0.1 0:1.2.3/steel 0:2.3.0/ 0:3.2.1"},
        {"a lone untextured point of a removed colour goes",
         ColourMap(),
         {{5, 5, 5}},
         {{0, {0}}},
         -1,
         "s-1 v 0,0,0 p 0:0"},
        {"replacement takes one step; entries of 256 and more keep a kept face's colour",
         mapWith(&ColourMap::keepAll, {{3, 7}, {7, ColourRemoved}, {9, 256}, {10, 0x12345678}}),
         triangle,
         {{3, {0, 1, 2}},
          {7, {0, 1, 2}},
          {7, {1, 2}},
          {9, {0, 1, 2}},
          {9, {0, 1}},
          {10, {2, 1}, "t"},
          {7, {1, 2, 0}, "t"}},
         -1,
         "s-1 v 0,0,0 1,0,0 0,1,0 p 7:0.1.2 7:1.2 9:0.1 10:2.1/t 7:1.2.0/t"},
        {"keepAll drops no face, only duplicate and unused vertices", keepAll, doubled, mixed, 3,
         "s3 v 0,0,0 1,1,1 2,2,2 p 0:0.1.0 200:0.2 17:2.0.1/tex 255:1.2.0"},
        {"removeAll leaves lines, textured faces and the selection", mapWith(&ColourMap::removeAll), doubled, mixed, 3,
         "s2 v 0,0,0 2,2,2 1,1,1 p 200:0.1 17:1.0.2/tex 255:2.1.0"},
        {"first-use numbering, a vertex named twice, trailing words, a face without indexes",
         keepAll,
         {{5, 5, 5}, {1, 2, 3}, {-4, 0, 4}, {1, 2, 3}, {0, 0, 0}},
         {{1, {3, 1, 2}, nullptr, {0xFFFFFFFF, 12, 0x80000000}}, {2, {2, 0}}, {3, {}}},
         -1,
         "s-1 v 1,2,3 -4,0,4 5,5,5 p 1:0.0.1#0,4294967295,12,2147483648 2:1.2 3:"},
        {"kept faces without indexes leave no vertex and no point",
         keepAll,
         {{1, 1, 1}},
         {{4, {}}, {5, {}}},
         -1,
         "s-1 v p 4: 5:"},
        {"the selection is numbered among the kept faces", ColourMap(), triangle, selectable, 2,
         "s1 v 0,0,0 1,0,0 0,1,0 p 5:0.1.2 0:2.1.0 5:1"},
        {"no faces: one point at the origin, the selection kept",
         ColourMap(),
         {{7, 7, 7}, {8, 8, 8}},
         {},
         0,
         "s0 v 0,0,0 p 0:0"},
        {"nothing at all", ColourMap(), {}, {}, -1, "s-1 v 0,0,0 p 0:0"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<ModelObject> object(makeObject(c.vertices, c.faces, c.selection));
        ASSERT_EQ(object->clean(c.map), CleanResult::Cleaned) << c.what;
        EXPECT_EQ(show(*object), c.expected) << c.what;
    }
    // Selections that name no face stay as they are.
    for (int32_t selection : {-1, 4, INT32_MIN, INT32_MAX}) {
        std::unique_ptr<ModelObject> object(makeObject(triangle, selectable, selection));
        ASSERT_EQ(object->clean(ColourMap()), CleanResult::Cleaned);
        EXPECT_EQ(show(*object), "s" + std::to_string(selection) + " v 0,0,0 1,0,0 0,1,0 p 5:0.1.2 5:1");
    }
}

TEST(CleaningPass, CorruptIndexLeavesTheTreeUnchanged)
{
    for (uint16_t bad : {uint16_t(3), uint16_t(0xFFFF)}) {
        // The fault sits in the last object cleaned, after objects that would change.
        Model model;
        model.root = makeObject({{0, 0, 0}, {0, 0, 0}}, {{0, {0, 1, 0}}, {1, {1, 0}}});
        model.root->child = makeObject({}, {});
        model.root->child->sibling = makeObject({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{2, {0, 1, 2}}, {2, {2, bad}}});
        std::vector<std::string> before = showTree(model.root);
        EXPECT_EQ(model.clean(ColourMap()), CleanResult::CorruptIndex) << bad;
        EXPECT_EQ(showTree(model.root), before) << bad;
    }
    std::unique_ptr<ModelObject> none(makeObject({}, {{1, {0}}}));
    EXPECT_EQ(none->clean(ColourMap()), CleanResult::CorruptIndex);
}

TEST(CleaningPass, ObjectsOfSixtyFiveThousandVerticesAndMore)
{
    for (uint32_t count : {65535u, 65536u, 70000u}) {
        // Coordinates repeat every 1000 vertices; 16-bit indexes name only the first 65,536.
        Vertices vertices(count);
        for (uint32_t i = 0; i < count; ++i)
            vertices[i] = Vertex{int32_t(i % 1000), 0, -int32_t(i % 1000)};
        uint16_t last = uint16_t(count > 65536 ? 65535 : count - 1);
        std::unique_ptr<ModelObject> object(makeObject(vertices, {{1, {last, 999, 1000, 0}}, {2, {64999, 1, 65000}}}));
        ASSERT_EQ(object->clean(mapWith(&ColourMap::keepAll)), CleanResult::Cleaned) << count;
        int32_t x = last % 1000;
        EXPECT_EQ(show(*object),
                  "s-1 v " + std::to_string(x) + ",0," + std::to_string(-x)
                      + " 999,0,-999 0,0,0 1,0,-1 p 1:0.1.2.2 2:1.3.2")
            << count;
    }
    // 65,536 distinct vertices, all used, keep their numbers up to the last.
    Face all{1, std::vector<uint16_t>(65536)};
    Vertices distinct(65536);
    for (uint16_t i = 1; i != 0; ++i) {
        all.indexes[i] = i;
        distinct[i] = Vertex{i, 0, 0};
    }
    std::unique_ptr<ModelObject> full(makeObject(distinct, {all}));
    ASSERT_EQ(full->clean(ColourMap()), CleanResult::Cleaned);
    ASSERT_EQ(full->vertexCount, 65536u);
    EXPECT_TRUE(full->primitives[0].indexes[65535] == 65535 && full->vertices[65535].x == 65535);
}

namespace {

// Runs work on a thread with a stack of 1 MB.
void onSmallStack(std::function<void()> work)
{
#ifdef _WIN32
    auto run = [](LPVOID w) WINAPI -> DWORD { return (*static_cast<std::function<void()>*>(w))(), 0; };
    HANDLE thread = CreateThread(nullptr, 1u << 20, run, &work, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
#else
    auto run = [](void* w) -> void* { return (*static_cast<std::function<void()>*>(w))(), nullptr; };
    pthread_attr_t attributes;
    pthread_t thread;
    ASSERT_EQ(pthread_attr_init(&attributes) | pthread_attr_setstacksize(&attributes, 1u << 20), 0);
    ASSERT_EQ(pthread_create(&thread, &attributes, run, &work), 0);
    pthread_join(thread, nullptr);
#endif
}

} // namespace

TEST(CleaningPass, DeepestLoadableTreeAndLongSiblingChainOnASmallStack)
{
    // Each level: an object with duplicate vertices and an empty sibling.
    Model model;
    model.root = makeObject({{0, 0, 0}, {0, 0, 0}}, {{0, {0, 1, 0}}});
    ModelObject* level = model.root;
    for (uint32_t depth = 1; depth <= MaxObjectDepth; ++depth) {
        level->child = makeObject({{1, 2, 3}, {1, 2, 3}, {4, 5, 6}}, {{5, {2, 1, 0}}});
        level->child->sibling = makeObject({}, {});
        level = level->child;
    }
    ModelObject* last = level->sibling;
    for (uint32_t n = 0; n < 100000; ++n)
        last = last->sibling = new ModelObject;
    CleanResult result = CleanResult::OutOfMemory;
    onSmallStack([&] { result = model.clean(ColourMap()); });
    ASSERT_EQ(result, CleanResult::Cleaned);
    uint32_t levels = 0;
    for (ModelObject* object = model.root->child; object != nullptr; object = object->child, ++levels)
        ASSERT_EQ(show(*object), "s-1 v 4,5,6 1,2,3 p 5:0.1.1") << levels;
    EXPECT_EQ(levels, MaxObjectDepth);
    EXPECT_EQ(show(*model.root), "s-1 v 0,0,0 p 0:0");
    EXPECT_EQ(model.countPrimitives(), 1u + 2u * MaxObjectDepth + 100000u);
}
