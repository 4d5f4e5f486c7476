// The pass against the plain step-by-step algorithm on generated trees.
#include <memory>

#include <gtest/gtest.h>

#include "ReferenceClean.h"
#include "TreeHelpers.h"
#include "clean/CleanResult.h"

namespace {

void compareWithReference(std::mt19937& random, uint32_t maxVertices, const ColourMap& map, uint32_t iteration)
{
    std::unique_ptr<ModelObject> tree(randomTree(random, maxVertices));
    std::unique_ptr<ModelObject> expected(copyTree(tree.get()));
    referenceClean(expected.get(), map);
    ASSERT_EQ(tree->clean(map), CleanResult::Cleaned) << iteration;
    ASSERT_EQ(treeDifference(expected.get(), tree.get()), "") << "iteration " << iteration;
}

} // namespace

TEST(CleanReference, RandomTreesAndMapsGiveIdenticalTrees)
{
    std::mt19937 random(20240607);
    ColourMap defaultMap;
    ColourMap keepAll;
    keepAll.keepAll();
    ColourMap removeAll;
    removeAll.removeAll();
    for (uint32_t iteration = 0; iteration < 4000; ++iteration) {
        // Mostly random maps, with the three fixed ones in turn; now and then a large object.
        ColourMap map = randomColourMap(random);
        const ColourMap* maps[] = {&map, &map, &defaultMap, &keepAll, &removeAll};
        compareWithReference(random, iteration % 50 == 0 ? 400 : 24, *maps[iteration % 5], iteration);
        if (HasFatalFailure())
            return;
    }
}

TEST(CleanReference, CleaningTwiceWithKeepAllChangesNothingTheSecondTime)
{
    std::mt19937 random(99);
    ColourMap keepAll;
    keepAll.keepAll();
    for (uint32_t iteration = 0; iteration < 500; ++iteration) {
        std::unique_ptr<ModelObject> tree(randomTree(random, 24));
        ASSERT_EQ(tree->clean(randomColourMap(random)), CleanResult::Cleaned);
        ASSERT_EQ(tree->clean(keepAll), CleanResult::Cleaned);
        std::unique_ptr<ModelObject> once(copyTree(tree.get()));
        ASSERT_EQ(tree->clean(keepAll), CleanResult::Cleaned);
        ASSERT_EQ(treeDifference(once.get(), tree.get()), "") << iteration;
    }
}
