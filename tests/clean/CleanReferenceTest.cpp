// The pass checked wholesale against the plain reference: on generated trees,
// with each allocation failing in turn, and on every model of the corpus.
#include <iostream>
#include <memory>
#include <random>

#include <gtest/gtest.h>

#include "ReferenceClean.h"
#include "clean/CleaningPass.h"
#include "clean/ColourMap.h"
#include "clean/FaceCheck.h"
#include "support/Faults.h"
#include "support/ModelBuilder.h"
#include "support/TestSupport.h"

namespace {

uint32_t below(std::mt19937& random, uint32_t limit)
{
    return std::uniform_int_distribution<uint32_t>(0, limit - 1)(random);
}

// A few objects with many equal vertices, every kind of face and selection value.
ModelObject* randomTree(std::mt19937& r, uint32_t maxVertices)
{
    std::vector<ModelObject*> objects;
    for (uint32_t n = 1 + below(r, 5); n > 0; --n) {
        uint32_t vertexCount = below(r, maxVertices + 1);
        uint32_t range = 1 + below(r, 4);
        std::vector<Vertex> vertices(vertexCount);
        for (Vertex& v : vertices)
            v = {int32_t(below(r, range)) - 1, int32_t(below(r, range)),
                 below(r, 8) ? int32_t(below(r, 2)) : INT32_MIN};
        std::vector<FacePlan> faces(below(r, 12));
        for (FacePlan& face : faces) {
            face.colour = below(r, 3) ? below(r, 8) : below(r, 256);
            for (uint32_t k = vertexCount ? below(r, 6) : 0; k > 0; --k)
                face.indexes.push_back(uint16_t(below(r, vertexCount)));
            face.texture = below(r, 4) ? nullptr : below(r, 2) ? "" : "metal";
            face.trailing[0] = uint32_t(r());
        }
        ObjectPlan plan(vertices, faces, int32_t(below(r, uint32_t(faces.size()) + 3)) - 1, "arm");
        plan.offsetX = int32_t(r());
        ModelObject* object = buildObject(plan);
        if (!objects.empty()) { // below or after an earlier object, at the end of its chain
            ModelObject* parent = objects[below(r, uint32_t(objects.size()))];
            ModelObject** link = below(r, 2) ? &parent->child : &parent->sibling;
            while (*link != nullptr)
                link = &(*link)->sibling;
            *link = object;
        }
        objects.push_back(object);
    }
    return objects[0];
}

// Each object of a tree without its children, in cleaning order (object, child
// subtree, siblings).
std::vector<ObjectPlan> flat(const ModelObject* first)
{
    std::vector<ObjectPlan> plans;
    for (const ModelObject* object = first; object != nullptr; object = object->sibling) {
        plans.push_back(planOf(*object, false));
        const std::vector<ObjectPlan> below = flat(object->child);
        plans.insert(plans.end(), below.begin(), below.end());
    }
    return plans;
}

} // namespace

TEST(CleanReference, RandomTreesAndMapsAndFailedAllocations)
{
    std::mt19937 random(20240607);
    const ColourMap fixed[] = {ColourMap(), mapWith(&ColourMap::keepAll), mapWith(&ColourMap::removeAll)};
    for (uint32_t i = 0; i < 4000; ++i) {
        ColourMap map = fixed[i % 3];
        for (uint32_t c = 0; i % 5 < 2 && c < ColourCount; ++c) {
            // Kept, removed, replaced, or 256 and more as only a foreign stored map holds.
            uint32_t choices[] = {c, ColourRemoved, below(random, 256), 256 + below(random, 1000)};
            map.setEntry(c, choices[below(random, 4)]);
        }
        uint32_t maxVertices = i % 50 == 0 ? 400 : 24;
        std::mt19937 same = random;
        std::unique_ptr<ModelObject> original(randomTree(random, maxVertices));
        const std::vector<ObjectPlan> after = referenceClean(flat(original.get()), map);
        // Now and then, each allocation of the pass fails in turn: objects before the
        // failing one are cleaned, it and the rest are as they were. Else nothing fails.
        for (uint32_t occurrence = i % 40 == 0 ? 1 : 0;; ++occurrence) {
            std::mt19937 again = same;
            std::unique_ptr<ModelObject> tree(randomTree(again, maxVertices));
            const std::vector<ObjectPlan> before = flat(tree.get());
            failAllocation(occurrence);
            CleanResult result = cleanObjects(*tree, map);
            failAllocation(0);
            std::vector<ObjectPlan> now = flat(tree.get());
            if (result == CleanResult::Cleaned) {
                ASSERT_EQ(now, after) << i;
                ASSERT_TRUE(occurrence == 0 || occurrence > 2 * after.size()) << i;
                break;
            }
            ASSERT_EQ(result, CleanResult::OutOfMemory) << i << ", occurrence " << occurrence;
            size_t o = 0;
            while (o < now.size() && now[o] == after[o])
                ++o;
            for (; o < now.size(); ++o)
                ASSERT_EQ(now[o], before[o]) << i << ", occurrence " << occurrence << ", object " << o;
        }
    }
}

// Every model of the corpus cleaned with several maps, against the reference;
// a model whose faces name missing vertices is left as it was.
TEST(CleanCorpus, EveryModelWithSeveralMapsAsTheReferenceCleansIt)
{
    REQUIRE_CORPUS();
    std::vector<std::string> files = corpusFiles();
    // The last: colour 0 removed, a band recoloured, its target removed.
    std::vector<ColourMap> maps{ColourMap(), mapWith(&ColourMap::keepAll), mapWith(&ColourMap::removeAll),
                                mapWith(&ColourMap::setDefault, {{200, ColourRemoved}, {1, 0}})};
    for (uint32_t c = 80; c < 96; ++c)
        maps[3].setEntry(c, 200);
    uint32_t cleanedFiles = 0, corruptFiles = 0;
    for (const std::string& path : files) {
        const std::vector<uint8_t> bytes = readBytes(path);
        Model original;
        if (!original.read(bytes.data(), uint32_t(bytes.size())))
            continue; // the reader's tests explain these
        const bool corrupt = hasBadFaces(original.root);
        const std::vector<ObjectPlan> before = flat(original.root);
        for (const ColourMap& map : maps) {
            Model model;
            ASSERT_TRUE(model.read(bytes.data(), uint32_t(bytes.size())));
            ASSERT_EQ(cleanModel(model, map), corrupt ? CleanResult::CorruptIndex : CleanResult::Cleaned) << path;
            ASSERT_EQ(flat(model.root), corrupt ? before : referenceClean(before, map)) << path;
        }
        ++(corrupt ? corruptFiles : cleanedFiles);
    }
    std::cout << "[ corpus   ] " << files.size() << " files: " << cleanedFiles << " cleaned with 4 maps, "
              << corruptFiles << " with indexes past their object's vertices\n";
    // Nearly all of the corpus consists of ordinary, loadable models.
    EXPECT_GT(cleanedFiles, files.size() * 9 / 10);
}
