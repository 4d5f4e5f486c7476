// Pictures drawn in memory: framing at both ends of the coordinate range, where
// each axis and each object's offset lands in every view, exact colours under the
// fixed light, and depth.
#include <climits>
#include <memory>
#include <tuple>

#include <gtest/gtest.h>

#include "RenderSupport.h"
#include "render/Canvas.h"
#include "render/Picture.h"
#include "render/Scene.h"

namespace {

constexpr int32_t Unit = 65536;

// The tree drawn alone in a square picture of width pixels.
Pixels drawn(const ModelObject* root, View view, uint32_t width)
{
    Scene scene;
    Canvas canvas;
    EXPECT_TRUE(scene.build(root, {}));
    EXPECT_TRUE(drawModelPicture(scene, {view, width}, canvas));
    return pixelsOf(canvas);
}

bool anyColour(const Rgb&) { return true; }

// -1, 0 or 1: which way a distance of pixels points, nearly nothing being 0.
int direction(double distance) { return distance > 3 ? 1 : distance < -3 ? -1 : 0; }

// A square of one colour in the plane z, facing the front, from (x, y) to (x + side, y + side).
ObjectPlan square(int32_t x, int32_t y, int32_t z, int32_t side, uint32_t colour)
{
    return ObjectPlan({{x, y, z}, {x + side, y, z}, {x + side, y + side, z}, {x, y + side, z}},
                      {{colour, {0, 1, 2, 3}}});
}

} // namespace

TEST(Picture, FramesTinyAndHugeModelsAlike)
{
    // A square two raw units across; and one across the whole 32-bit range in an
    // object whose offsets, added down the tree, pass 32 bits.
    ObjectPlan tiny = square(0, 0, 0, 2, 1);
    ObjectPlan huge;
    huge.offsetX = INT32_MAX;
    ObjectPlan inner(
        {{INT32_MIN, INT32_MIN, 0}, {INT32_MAX, INT32_MIN, 0}, {INT32_MAX, INT32_MAX, 0}, {INT32_MIN, INT32_MAX, 0}},
        {{1, {0, 1, 2, 3}}});
    inner.offsetX = INT32_MAX;
    huge.children = {ObjectPlan()};
    huge.children[0].offsetX = INT32_MAX;
    huge.children[0].children = {inner};
    for (const ObjectPlan* plan : {&tiny, &huge}) {
        std::unique_ptr<ModelObject> root(buildObject(*plan));
        // 128 pixels less a margin of 8 on each side.
        const Spread spread = spreadOf(drawn(root.get(), View::Front, 128), anyColour);
        EXPECT_EQ(std::make_pair(spread.right - spread.left, spread.bottom - spread.top),
                  std::make_pair(int64_t(111), int64_t(111)))
            << (plan == &tiny ? "tiny" : "huge");
        EXPECT_EQ(std::make_pair(spread.left + spread.right, spread.top + spread.bottom),
                  std::make_pair(int64_t(127), int64_t(127)))
            << (plan == &tiny ? "tiny" : "huge");
    }
}

TEST(Picture, EachAxisAndEachOffsetLandsWhereTheViewPutsIt)
{
    // A white base at the origin and one probe, framed together, so the probe
    // lies off the picture's centre the way its axis is drawn: red in a child
    // placed at the unit's left (+x); green in a grandchild whose offsets add up
    // to the unit's front (-z); blue above (+y) by its own coordinates.
    ObjectPlan left = blob(0, 0, 0, 2 * Unit, 249, "larm");
    left.offsetX = 10 * Unit;
    ObjectPlan arm({}, {}, -1, "larm");
    arm.offsetX = 10 * Unit;
    arm.children = {blob(0, 0, 0, 2 * Unit, 250, "flare")};
    arm.children[0].offsetX = -10 * Unit;
    const ObjectPlan up = blob(0, 10 * Unit, 0, 2 * Unit, 252, "top");
    const std::tuple<const char*, const ObjectPlan*, std::function<bool(const Rgb&)>> probes[] = {
        {"left", &left, [](const Rgb& p) { return p.r > 0 && p.g == 0 && p.b == 0; }},
        {"front", &arm, [](const Rgb& p) { return p.g > 0 && p.r == 0 && p.b == 0; }},
        {"up", &up, [](const Rgb& p) { return p.b > 0 && p.r == 0 && p.g == 0; }},
    };
    struct Case {
        View view;
        std::pair<int, int> left, front, up; // screen directions, y down; 0 along the line of sight
    };
    const Case cases[] = {
        {View::Front, {1, 0}, {0, 0}, {0, -1}},
        {View::Side, {0, 0}, {1, 0}, {0, -1}},
        {View::Top, {-1, 0}, {0, -1}, {0, 0}},
        {View::Iso, {1, 1}, {-1, 1}, {0, -1}},
    };
    for (const Case& c : cases) {
        for (const auto& [name, probe, matches] : probes) {
            ObjectPlan plan = blob(0, 0, 0, 2 * Unit, 255, "base");
            plan.children = {*probe};
            std::unique_ptr<ModelObject> root(buildObject(plan));
            if (probe == &arm)
                root->child->child->offsetZ = -10 * Unit;
            const Spread spread = spreadOf(drawn(root.get(), c.view, 256), matches);
            // Along the line of sight it hides behind the base or covers it.
            const std::pair<int, int> seen = spread.count == 0
                ? std::make_pair(0, 0)
                : std::make_pair(direction(spread.x - 127.5), direction(spread.y - 127.5));
            const std::pair<int, int> expected = probe == &left ? c.left : probe == &arm ? c.front : c.up;
            EXPECT_EQ(seen, expected) << "view " << int(c.view) << ", " << name;
        }
    }
}

TEST(Picture, TheNearFaceHidesTheFarOneInAnyOrderInItsLitColour)
{
    // Red 249 in front of a larger green 250 (the front is -z), in both orders.
    const ObjectPlan near = square(Unit, Unit, -Unit, 2 * Unit, 249);
    const ObjectPlan far = square(0, 0, 0, 4 * Unit, 250);
    for (bool nearFirst : {true, false}) {
        ObjectPlan plan = nearFirst ? near : far;
        plan.children = {nearFirst ? far : near};
        std::unique_ptr<ModelObject> root(buildObject(plan));
        const Pixels pixels = drawn(root.get(), View::Front, 64);
        // A face square to the viewer gets the ambient light and two thirds of the
        // direct light: 187 of 256.
        EXPECT_EQ(pixels.at(32, 32), (Rgb{186, 0, 0})) << nearFirst;
        EXPECT_EQ(pixels.at(8, 8), (Rgb{0, 186, 0})) << nearFirst;
        EXPECT_EQ(pixels.alpha(2, 2), 0) << "the margin is transparent";
    }
}
