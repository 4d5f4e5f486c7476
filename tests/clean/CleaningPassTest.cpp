// The cleaning pass on hand-made objects: the worked example, the keep rules case
// by case, corrupt indexes, very large objects and a very deep tree.
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include <pthread.h>

#include "ReferenceClean.h"
#include "clean/CleaningPass.h"
#include "clean/ColourMap.h"
#include "clean/FaceCheck.h"
#include "model/Format.h"
#include "support/ModelBuilder.h"

namespace {

using Vertices = std::vector<Vertex>;
using Faces = std::vector<FacePlan>;

// The object cleaned alone with map, as a plan.
ObjectPlan cleaned(const ObjectPlan& plan, const ColourMap& map)
{
    std::unique_ptr<ModelObject> built(buildObject(plan));
    EXPECT_EQ(cleanObjects(*built, map), CleanResult::Cleaned);
    return planOf(*built);
}

const ObjectPlan OnePoint({{0, 0, 0}}, {{0, {0}}});

ObjectPlan workedExample()
{
    ObjectPlan root({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {100, 0, 0}, {0, 0, 0}, {50, 50, 50}, {0, 0, 100}},
                    {{0, {4, 3, 6}}, {3, {2, 3, 4}}, {12, {5, 4, 1}}, {0, {6, 5, 2}}}, 2);
    root.children = {
        ObjectPlan({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {1, 2, 3}, {-1, -2, -3}}, {{0, {0, 1, 2}}, {0, {2, 3, 4}}}),
        ObjectPlan({{0, 100, 0}, {9, 9, 9}, {0, 100, 0}}, {{5, {2, 1, 0}}})};
    return root;
}

ObjectPlan workedResult()
{
    ObjectPlan root({{0, 100, 0}, {100, 0, 0}, {0, 0, 0}, {50, 50, 50}}, {{7, {0, 1, 2}}, {12, {3, 2, 1}}}, 1);
    root.children = {OnePoint, ObjectPlan({{0, 100, 0}, {9, 9, 9}}, {{5, {0, 1, 0}}})};
    return root;
}

// Runs work on a thread asked for a stack of 1 MB.
void onSmallStack(std::function<void()> work)
{
    auto run = [](void* w) -> void* { return (*static_cast<std::function<void()>*>(w))(), nullptr; };
    pthread_attr_t attributes;
    pthread_t thread;
    ASSERT_EQ(pthread_attr_init(&attributes) | pthread_attr_setstacksize(&attributes, 1u << 20), 0);
    ASSERT_EQ(pthread_create(&thread, &attributes, run, &work), 0);
    pthread_join(thread, nullptr);
}

} // namespace

TEST(CleaningPass, EdgeCases)
{
    const Vertices square{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const Vertices triangle{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Faces selectable{{0, {0, 1, 2}}, {5, {0, 1, 2}}, {0, {2, 1, 0}}, {5, {1}}};
    const Faces survivors{{0, {0, 1, 2}},     {0, {0, 1}},    {0, {3}}, {0, {1, 2, 3}, "steel"},
                          {0, {2, 3, 0}, ""}, {0, {3, 2, 1}}, {0, {2}}};
    const Faces recoloured{{3, {0, 1, 2}}, {7, {0, 1, 2}},    {7, {1, 2}},        {9, {0, 1, 2}},
                           {9, {0, 1}},    {10, {2, 1}, "t"}, {7, {1, 2, 0}, "t"}};
    const ColourMap keepAll = mapWith(&ColourMap::keepAll);
    const struct {
        const char* what;
        ColourMap map;
        ObjectPlan input, expected;
    } cases[] = {
        {"the worked example: two untextured triangles of colour 0 go; a child's vertices equal to its parent's stay, "
         "and after merging its face names one vertex twice",
         mapWith(&ColourMap::setDefault, {{3, 7}}), workedExample(), workedResult()},
        {"lines, textured faces (an empty name too) and the selection survive a removed colour, keeping it",
         ColourMap(), ObjectPlan(square, survivors, 5),
         ObjectPlan(square, {{0, {0, 1}}, {0, {1, 2, 3}, "steel"}, {0, {2, 3, 0}, ""}, {0, {3, 2, 1}}}, 3)},
        {"a lone untextured point of a removed colour goes", ColourMap(), ObjectPlan({{5, 5, 5}}, {{0, {0}}}),
         OnePoint},
        {"replacement takes one step; entries of 256 and more keep a kept face's colour",
         mapWith(&ColourMap::keepAll, {{3, 7}, {7, ColourRemoved}, {9, 256}, {10, 0x12345678}}),
         ObjectPlan(triangle, recoloured),
         ObjectPlan(triangle, {{7, {0, 1, 2}}, {7, {1, 2}}, {9, {0, 1}}, {10, {2, 1}, "t"}, {7, {1, 2, 0}, "t"}})},
        {"first-use numbering, a vertex named twice, trailing words, a face without indexes", keepAll,
         ObjectPlan({{5, 5, 5}, {1, 2, 3}, {-4, 0, 4}, {1, 2, 3}, {0, 0, 0}},
                    {{1, {3, 1, 2}, nullptr, {0xFFFFFFFF, 12, 0x80000000}}, {2, {2, 0}}, {3, {}}}),
         ObjectPlan({{1, 2, 3}, {-4, 0, 4}, {5, 5, 5}},
                    {{1, {0, 0, 1}, nullptr, {0xFFFFFFFF, 12, 0x80000000}}, {2, {1, 2}}, {3, {}}})},
        {"kept faces without indexes leave no vertex and no point", keepAll,
         ObjectPlan({{1, 1, 1}}, {{4, {}}, {5, {}}}), ObjectPlan({}, {{4, {}}, {5, {}}})},
        {"the selection is numbered among the kept faces", ColourMap(), ObjectPlan(triangle, selectable, 2),
         ObjectPlan(triangle, {{5, {0, 1, 2}}, {0, {2, 1, 0}}, {5, {1}}}, 1)},
        {"no faces: one point at the origin, the selection kept", ColourMap(),
         ObjectPlan({{7, 7, 7}, {8, 8, 8}}, {}, 0), ObjectPlan({{0, 0, 0}}, {{0, {0}}}, 0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cleaned(c.input, c.map), c.expected) << c.what;
    // Selections that name no face stay as they are.
    for (int32_t selection : {-1, 4, INT32_MIN, INT32_MAX})
        EXPECT_EQ(cleaned(ObjectPlan(triangle, selectable, selection), ColourMap()),
                  ObjectPlan(triangle, {{5, {0, 1, 2}}, {5, {1}}}, selection));
}

TEST(CleaningPass, CorruptIndexLeavesTheTreeUnchanged)
{
    for (uint16_t bad : {uint16_t(3), uint16_t(0xFFFF)}) {
        // The fault sits in the last object cleaned, after objects that would change.
        ObjectPlan root({{0, 0, 0}, {0, 0, 0}}, {{0, {0, 1, 0}}, {1, {1, 0}}});
        root.children = {ObjectPlan({}, {}),
                         ObjectPlan({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{2, {0, 1, 2}}, {2, {2, bad}}})};
        Model model;
        model.root = buildObject(root);
        EXPECT_EQ(cleanModel(model, ColourMap()), CleanResult::CorruptIndex) << bad;
        EXPECT_EQ(planOf(*model.root), root) << bad;
    }
}

TEST(CleaningPass, ObjectsOfSixtyFiveThousandVerticesAndMore)
{
    for (uint32_t count : {65535u, 65536u, 70000u}) {
        // Coordinates repeat every 1000 vertices; 16-bit indexes name only the first 65,536.
        Vertices vertices(count);
        for (uint32_t i = 0; i < count; ++i)
            vertices[i] = Vertex{int32_t(i % 1000), 0, -int32_t(i % 1000)};
        uint16_t last = uint16_t(count > 65536 ? 65535 : count - 1);
        int32_t x = last % 1000;
        EXPECT_EQ(cleaned(ObjectPlan(vertices, {{1, {last, 999, 1000, 0}}, {2, {64999, 1, 65000}}}),
                          mapWith(&ColourMap::keepAll)),
                  ObjectPlan({{x, 0, -x}, {999, 0, -999}, {0, 0, 0}, {1, 0, -1}}, {{1, {0, 1, 2, 2}}, {2, {1, 3, 2}}}))
            << count;
    }
    // 65,536 distinct vertices, all used, keep their numbers up to the last.
    FacePlan all{1, std::vector<uint16_t>(65536)};
    Vertices distinct(65536);
    for (uint16_t i = 1; i != 0; ++i) {
        all.indexes[i] = i;
        distinct[i] = Vertex{i, 0, 0};
    }
    EXPECT_EQ(cleaned(ObjectPlan(distinct, {all}), ColourMap()), ObjectPlan(distinct, {all}));
}

// Cleaned, written, read back and released where a recursion over the levels or
// the siblings would overflow the stack.
TEST(CleaningPass, DeepestLoadableTreeAndLongSiblingChainOnASmallStack)
{
    // Each level: an object with duplicate vertices and an empty sibling.
    Model model;
    model.root = buildObject(ObjectPlan({{0, 0, 0}, {0, 0, 0}}, {{0, {0, 1, 0}}}));
    ModelObject* level = model.root;
    for (uint32_t depth = 1; depth <= MaxObjectDepth; ++depth) {
        level->child = buildObject(ObjectPlan({{1, 2, 3}, {1, 2, 3}, {4, 5, 6}}, {{5, {2, 1, 0}}, {5, {0}, "o"}}));
        level->child->sibling = new ModelObject;
        level = level->child;
    }
    ModelObject* last = level->sibling;
    for (uint32_t n = 0; n < 60000; ++n)
        last = last->sibling = new ModelObject;
    // An object without faces is written without a primitive array offset.
    const Image plain{composeBytes(model)};
    const uint32_t empty = plain.getField(plain.getField(0, HeaderField::ChildOffset), HeaderField::SiblingOffset);
    EXPECT_EQ(plain.getField(empty, HeaderField::PrimitiveArrayOffset), 0u);
    CleanResult result = CleanResult::OutOfMemory;
    Bytes image, again;
    onSmallStack([&] {
        result = cleanModel(model, ColourMap());
        image = composeBytes(model);
        Model read;
        if (readExact(read, image))
            again = composeBytes(read);
    });
    ASSERT_EQ(result, CleanResult::Cleaned);
    EXPECT_TRUE(!image.empty() && again == image);
    uint32_t levels = 0;
    const ObjectPlan each({{4, 5, 6}, {1, 2, 3}}, {{5, {0, 1, 1}}, {5, {1}, "o"}});
    for (ModelObject* object = model.root->child; object != nullptr; object = object->child, ++levels)
        ASSERT_EQ(planOf(*object, false), each) << levels;
    EXPECT_EQ(levels, MaxObjectDepth);
    EXPECT_EQ(planOf(*model.root, false), OnePoint);
    EXPECT_EQ(model.countPrimitives(), 1u + 3u * MaxObjectDepth + 60000u);
    level->child = new ModelObject; // a level deeper than a load builds: past the walks' bounds
    EXPECT_EQ(composeBytes(model), Bytes());
    EXPECT_EQ(cleanModel(model, ColourMap()), CleanResult::OutOfMemory);
    onSmallStack([&] {
        delete model.root;
        model.root = nullptr;
    });
}

TEST(Repair, DropsFacesNamingMissingVerticesAndMovesTheSelection)
{
    const Vertices three{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const struct {
        const char* what;
        ObjectPlan input, expected;
        std::vector<uint32_t> droppedFaces;
    } cases[] = {
        {"the selection face dropped",
         ObjectPlan(three, {{1, {0, 1, 2}}, {2, {0, 1, 3}}, {3, {2}}}, 1),
         ObjectPlan(three, {{1, {0, 1, 2}}, {3, {2}}}, -1),
         {1}},
        {"a face before the selection: its number moves down",
         ObjectPlan(three, {{1, {9, 1, 2}}, {2, {0, 1}}, {3, {2}}}, 2),
         ObjectPlan(three, {{2, {0, 1}}, {3, {2}}}, 1),
         {0}},
        {"a line and a textured face of any colour",
         ObjectPlan(three, {{0, {0, 3}}, {5, {4, 0, 1}, "skin"}, {6, {0, 1, 2}}}, 7),
         ObjectPlan(three, {{6, {0, 1, 2}}}, 7),
         {0, 1}},
        {"nothing to drop", ObjectPlan(three, {{1, {0, 1, 2}}}, 0), ObjectPlan(three, {{1, {0, 1, 2}}}, 0), {}},
    };
    for (const auto& c : cases) {
        std::unique_ptr<ModelObject> built(buildObject(c.input));
        std::vector<FaceFault> dropped;
        ASSERT_TRUE(dropBadFaces(built.get(), dropped)) << c.what;
        EXPECT_EQ(planOf(*built), c.expected) << c.what;
        std::vector<uint32_t> faces;
        for (const FaceFault& fault : dropped)
            faces.push_back(fault.face);
        EXPECT_EQ(faces, c.droppedFaces) << c.what;
    }
}
