// The orthographic camera of a picture: the four directions a model is seen from,
// and the framing that fits what is drawn into a panel with a margin. Integer
// arithmetic throughout, so every build draws the same pixels.
//
// Model axes, as TA models store them: y is up, a unit faces -z (its barrels
// and flares point that way) and +x is its left (its "l" arms and legs sit
// there). The views:
//   front  from in front of the unit: its left at the picture's right, as when
//          facing someone;
//   side   from its right: its front points to the picture's right;
//   top    from above: its front points up the picture, its left at the left;
//   iso    the three-quarter view from above of unit pictures: from in front and
//          to the unit's left, 45 degrees round and 30 degrees up, so its front
//          points to the picture's lower left.
#pragma once

#include <cstdint>

enum class View : uint8_t { Iso, Front, Side, Top };

// "iso", "front", "side" or "top"; false for anything else.
bool parseView(const char* text, View* view);

// A point in the camera's axes: u to the picture's right, v up, w toward the
// viewer; in the model's 16.16 fixed-point units.
struct ViewPoint {
    int64_t u = 0;
    int64_t v = 0;
    int64_t w = 0;
};

// The camera's axes in model coordinates, each a unit vector scaled by 2^14.
struct ViewBasis {
    int32_t right[3];
    int32_t up[3];
    int32_t toward[3];
};
constexpr int BasisShift = 14;

ViewBasis viewBasis(View view);
// x, y and z are model coordinates: 16.16 fixed point, up to about 2^42.
ViewPoint toView(const ViewBasis& basis, int64_t x, int64_t y, int64_t z);

// A point on the picture: x and y in sixteenths of a pixel from the picture's top
// left, depth from 1 (farthest) up to about 2^24 (nearest).
struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
    uint32_t depth = 0;
};
constexpr int32_t SubPixels = 16;
constexpr uint32_t DepthRange = 1u << 24;

// A panel of the picture: its top left corner and size in pixels.
struct Panel {
    uint32_t left = 0;
    uint32_t top = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

// The box of every point drawn, and the projection that centres it in a panel.
class Framing {
public:
    void include(const ViewPoint& point);
    bool empty() const { return count == 0; }

    // Fits the box, its larger side scaled to the panel less a margin on each
    // side; a box of no extent is centred.
    void fit(const Panel& panel, uint32_t margin);
    ScreenPoint project(const ViewPoint& point) const;

private:
    uint64_t count = 0;
    ViewPoint low;
    ViewPoint high;
    // Sixteenths of a pixel per scaleDivisor model units.
    int64_t scale = 0;
    int64_t scaleDivisor = 1;
    int64_t centreX = 0;
    int64_t centreY = 0;
    int64_t depthStep = 1;
};
