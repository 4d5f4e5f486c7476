// Running out of memory at each allocation of a pass: the result says so and
// every object is either as it was or fully cleaned, never half-changed.
#include <memory>

#include <gtest/gtest.h>

#include "FailingAllocator.h"
#include "ReferenceClean.h"
#include "TreeHelpers.h"
#include "clean/CleanResult.h"
#include "model/Model.h"

TEST(CleaningPassMemory, EachFailedAllocationLeavesEveryObjectWholeAndReleasable)
{
    std::mt19937 random(77);
    ColourMap map;
    map.setEntry(2, 5);
    std::unique_ptr<ModelObject> original(randomTree(random, 30));
    // An object that step 4 fills, so that path fails too.
    ModelObject* empty = makeObject({{1, 1, 1}}, {}, -1);
    empty->sibling = original->sibling;
    original->sibling = empty;
    std::unique_ptr<ModelObject> expected(copyTree(original.get()));
    referenceClean(expected.get(), map);
    std::vector<const ModelObject*> before = objectsInOrder(original.get());
    std::vector<const ModelObject*> after = objectsInOrder(expected.get());

    uint32_t failures = 0;
    for (uint32_t occurrence = 1; occurrence < 1000; ++occurrence) {
        Model model;
        model.root = copyTree(original.get());
        failNothrowAllocation(occurrence);
        CleanResult result = model.clean(map);
        failNothrowAllocation(0);
        if (result == CleanResult::Cleaned) {
            EXPECT_EQ(treeDifference(expected.get(), model.root), "");
            break;
        }
        ASSERT_EQ(result, CleanResult::OutOfMemory) << occurrence;
        ++failures;
        // Objects before the failure are cleaned, the rest untouched.
        std::vector<const ModelObject*> now = objectsInOrder(model.root);
        ASSERT_EQ(now.size(), before.size());
        bool reachedFailure = false;
        for (size_t i = 0; i < now.size(); ++i) {
            std::string asBefore = objectDifference(*before[i], *now[i], "object " + std::to_string(i));
            std::string asAfter = objectDifference(*after[i], *now[i], "object " + std::to_string(i));
            if (reachedFailure) {
                EXPECT_EQ(asBefore, "") << "after the failure, at occurrence " << occurrence;
            } else if (!asAfter.empty()) {
                EXPECT_EQ(asBefore, "") << "the failing object, at occurrence " << occurrence;
                reachedFailure = true;
            }
        }
        EXPECT_TRUE(reachedFailure) << occurrence;
    }
    // Several allocations per object were failed, one at a time.
    EXPECT_GT(failures, 2 * before.size());
}
