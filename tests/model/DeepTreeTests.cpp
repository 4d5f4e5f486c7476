// Trees at the limits of depth and width are counted, composed, read and
// released without running out of stack (also on a 1 MB Windows stack).
#include <gtest/gtest.h>

#include "ModelBuilders.h"
#include "model/Format.h"
#include "model/Model.h"

namespace {

// A root with depth levels of child links below it, and a sibling chain of width
// objects hanging off the deepest one.
void buildDeepAndWide(Model& model, uint32_t depth, uint32_t width) {
    model.root = newObject("root");
    ModelObject* deepest = model.root;
    for (uint32_t i = 0; i < depth; ++i) {
        deepest->child = newObject("d");
        deepest = deepest->child;
        givePrimitives(*deepest, {{{0}, i % 2 ? "odd" : "even"}});
    }
    giveVertices(*deepest, 1);
    ModelObject* last = deepest;
    for (uint32_t i = 0; i < width; ++i) {
        last->sibling = newObject("s");
        last = last->sibling;
        giveVertices(*last, 1);
    }
}

} // namespace

TEST(DeepTree, LimitDepthAndLongSiblingChainRoundTrip) {
    Model model;
    buildDeepAndWide(model, MaxObjectDepth, 60000);
    EXPECT_EQ(model.countVertices(), 60001u);
    EXPECT_EQ(model.countPrimitives(), MaxObjectDepth);
    const std::vector<uint8_t> image = composeBytes(model);
    ASSERT_FALSE(image.empty());

    Model again;
    ASSERT_TRUE(readExact(again, image)) << describeLoadFailure(again.failure);
    EXPECT_EQ(again.countVertices(), 60001u);
    EXPECT_EQ(again.countPrimitives(), MaxObjectDepth);
    EXPECT_EQ(composeBytes(again), image);
}

TEST(DeepTree, ReleasingAVeryDeepTreeNeedsNoRecursion) {
    // Far deeper than any load may build; only made and released, both
    // children and siblings at every level.
    ModelObject* root = new ModelObject;
    ModelObject* node = root;
    for (uint32_t i = 0; i < 300000; ++i) {
        node->sibling = new ModelObject;
        node->child = new ModelObject;
        node = i % 2 ? node->child : node->sibling;
    }
    // A recursive release overflows the stack here; LeakSanitizer checks that
    // every object went.
    delete root;
}
