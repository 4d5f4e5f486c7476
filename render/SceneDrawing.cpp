#include "render/SceneDrawing.h"

#include <new>

#include "render/Canvas.h"
#include "render/Scene.h"

namespace {

// The light comes from the viewer's upper left: (-1, 2, 2) / 3 in the camera's
// axes, scaled by 2^14. Ambient and direct light add up to FullLight.
constexpr int64_t LightU = -5461;
constexpr int64_t LightV = 10923;
constexpr int64_t LightW = 10923;
constexpr int64_t LightScale = 1 << 14;
constexpr uint32_t AmbientLight = 102;
constexpr uint32_t DirectLight = FullLight - AmbientLight;

// Lines and dots lie on faces or inside them; this much nearer, they show on the
// face they lie on.
constexpr uint32_t OverlayDepthBias = DepthRange / 256;

int64_t magnitude(int64_t value) { return value < 0 ? -value : value; }

// The number of right shifts that bring value below 2^bits.
int shiftBelow(int64_t value, int bits)
{
    int shift = 0;
    while ((value >> shift) >= (int64_t(1) << bits))
        ++shift;
    return shift;
}

uint64_t squareRoot(uint64_t value)
{
    uint64_t root = 0;
    for (uint64_t bit = uint64_t(1) << 62; bit != 0; bit >>= 2) {
        if (value >= root + bit) {
            value -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
    }
    return root;
}

ScreenPoint nearer(ScreenPoint point)
{
    point.depth += OverlayDepthBias;
    return point;
}

} // namespace

uint32_t faceLight(const ViewPoint* points, uint32_t count)
{
    // Newell's normal over the points taken from the first, scaled down so the
    // products stay within 64 bits.
    int64_t largest = 0;
    for (uint32_t i = 1; i < count; ++i) {
        const int64_t parts[3] = {points[i].u - points[0].u, points[i].v - points[0].v, points[i].w - points[0].w};
        for (int64_t part : parts)
            largest = magnitude(part) > largest ? magnitude(part) : largest;
    }
    // Each product below 2^(2 bits + 2), and count of them well inside 63 bits.
    int countBits = 0;
    while (countBits < 32 && (uint64_t(1) << countBits) < count)
        ++countBits;
    const int shift = shiftBelow(largest, (60 - countBits) / 2 - 1);
    int64_t normal[3] = {0, 0, 0};
    for (uint32_t i = 0; i < count; ++i) {
        const ViewPoint& a = points[i];
        const ViewPoint& b = points[i + 1 < count ? i + 1 : 0];
        const int64_t au = (a.u - points[0].u) >> shift, av = (a.v - points[0].v) >> shift;
        const int64_t aw = (a.w - points[0].w) >> shift;
        const int64_t bu = (b.u - points[0].u) >> shift, bv = (b.v - points[0].v) >> shift;
        const int64_t bw = (b.w - points[0].w) >> shift;
        normal[0] += (av - bv) * (aw + bw);
        normal[1] += (aw - bw) * (au + bu);
        normal[2] += (au - bu) * (av + bv);
    }
    // Both sides of a face are lit alike: the normal turned toward the viewer.
    if (normal[2] < 0) {
        for (int64_t& part : normal)
            part = -part;
    }
    int64_t longest = 0;
    for (int64_t part : normal)
        longest = magnitude(part) > longest ? magnitude(part) : longest;
    const int down = shiftBelow(longest, 20);
    for (int64_t& part : normal)
        part >>= down;
    const uint64_t length = squareRoot(uint64_t(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]));
    if (length == 0)
        return AmbientLight;
    const int64_t facing = (normal[0] * LightU + normal[1] * LightV + normal[2] * LightW) / int64_t(length);
    if (facing <= 0)
        return AmbientLight;
    return AmbientLight + uint32_t(DirectLight * uint64_t(facing) / LightScale);
}

Rgb litColour(const Rgb& colour, uint32_t factor)
{
    return Rgb{uint8_t((colour.r * factor + 128) >> 8), uint8_t((colour.g * factor + 128) >> 8),
               uint8_t((colour.b * factor + 128) >> 8)};
}

SceneView::~SceneView() { delete[] points; }

bool SceneView::make(const Scene& from, const ViewBasis& basis, Framing& framing)
{
    delete[] points;
    scene = &from;
    points = new (std::nothrow) ViewPoint[from.pointCount];
    if (points == nullptr)
        return false;
    for (uint32_t i = 0; i < from.pointCount; ++i) {
        const ScenePoint& point = from.points[i];
        points[i] = toView(basis, point.x, point.y, point.z);
        framing.include(points[i]);
    }
    return true;
}

bool SceneView::draw(const Framing& framing, uint32_t lineWidth, uint32_t dotSide, Canvas& canvas) const
{
    if (scene == nullptr || points == nullptr)
        return false;
    ScreenPoint* screen = new (std::nothrow) ScreenPoint[scene->pointCount];
    if (screen == nullptr)
        return false;
    for (uint32_t i = 0; i < scene->pointCount; ++i)
        screen[i] = framing.project(points[i]);
    for (uint32_t i = 0; i < scene->itemCount; ++i) {
        const SceneItem& item = scene->items[i];
        const ScreenPoint* at = screen + item.first;
        if (item.count == 1) {
            canvas.drawDot(nearer(at[0]), dotSide, item.lit ? litColour(item.colour, FullLight) : item.colour);
            continue;
        }
        if (item.count == 2) {
            canvas.drawLine(nearer(at[0]), nearer(at[1]), lineWidth,
                            item.lit ? litColour(item.colour, FullLight) : item.colour);
            continue;
        }
        const Rgb colour = item.lit ? litColour(item.colour, faceLight(points + item.first, item.count)) : item.colour;
        // A fan from the first point: the face's points in order.
        for (uint32_t k = 1; k + 1 < item.count; ++k)
            canvas.fillTriangle(at[0], at[k], at[k + 1], colour);
    }
    delete[] screen;
    return true;
}
