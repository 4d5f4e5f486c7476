#include "render/Camera.h"

#include <cstring>

namespace {

// cos and sin of 45 and 30 degrees, scaled by 2^14.
constexpr int32_t Cos45 = 11585;
constexpr int32_t Cos30 = 14189;
constexpr int32_t Sin30 = 8192;
constexpr int32_t One = 1 << BasisShift;

constexpr int32_t product(int32_t a, int32_t b) { return (a * b + (1 << (BasisShift - 1))) >> BasisShift; }

int64_t dot(const int32_t axis[3], int64_t x, int64_t y, int64_t z)
{
    return (axis[0] * x + axis[1] * y + axis[2] * z) / One;
}

} // namespace

bool parseView(const char* text, View* view)
{
    static const struct {
        const char* name;
        View view;
    } views[] = {{"iso", View::Iso}, {"front", View::Front}, {"side", View::Side}, {"top", View::Top}};
    for (const auto& known : views) {
        if (std::strcmp(text, known.name) == 0) {
            *view = known.view;
            return true;
        }
    }
    return false;
}

ViewBasis viewBasis(View view)
{
    switch (view) {
    case View::Front:
        return {{One, 0, 0}, {0, One, 0}, {0, 0, -One}};
    case View::Side:
        return {{0, 0, -One}, {0, One, 0}, {-One, 0, 0}};
    case View::Top:
        return {{-One, 0, 0}, {0, 0, -One}, {0, One, 0}};
    case View::Iso:
        break;
    }
    // The front view turned 45 degrees toward the unit's left, then tilted 30
    // degrees down.
    return {{Cos45, 0, Cos45},
            {-product(Cos45, Sin30), Cos30, product(Cos45, Sin30)},
            {product(Cos45, Cos30), Sin30, -product(Cos45, Cos30)}};
}

ViewPoint toView(const ViewBasis& basis, int64_t x, int64_t y, int64_t z)
{
    return {dot(basis.right, x, y, z), dot(basis.up, x, y, z), dot(basis.toward, x, y, z)};
}

void Framing::include(const ViewPoint& point)
{
    if (count++ == 0) {
        low = high = point;
        return;
    }
    low.u = point.u < low.u ? point.u : low.u;
    low.v = point.v < low.v ? point.v : low.v;
    low.w = point.w < low.w ? point.w : low.w;
    high.u = point.u > high.u ? point.u : high.u;
    high.v = point.v > high.v ? point.v : high.v;
    high.w = point.w > high.w ? point.w : high.w;
}

void Framing::fit(const Panel& panel, uint32_t margin)
{
    const uint32_t side = panel.width < panel.height ? panel.width : panel.height;
    const uint32_t room = side > 2 * margin ? side - 2 * margin : 1;
    const int64_t width = high.u - low.u;
    const int64_t height = high.v - low.v;
    const int64_t extent = width > height ? width : height;
    scale = int64_t(room) * SubPixels;
    scaleDivisor = extent > 0 ? extent : 1;
    // The centre of the box lands on the centre of the panel.
    centreX = (int64_t(panel.left) * 2 + panel.width) * SubPixels / 2;
    centreY = (int64_t(panel.top) * 2 + panel.height) * SubPixels / 2;
    // Depth keeps 24 bits, whatever the model's depth.
    depthStep = ((high.w - low.w) >> 24) + 1;
}

ScreenPoint Framing::project(const ViewPoint& point) const
{
    // Twice the distance from the box's centre, so an odd extent stays exact.
    const int64_t du = 2 * point.u - (low.u + high.u);
    const int64_t dv = 2 * point.v - (low.v + high.v);
    ScreenPoint screen;
    screen.x = int32_t(centreX + du * scale / (2 * scaleDivisor));
    screen.y = int32_t(centreY - dv * scale / (2 * scaleDivisor));
    screen.depth = uint32_t((point.w - low.w) / depthStep) + 1;
    return screen;
}
