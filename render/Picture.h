// The pictures of scour render: a model alone, filling a square picture, or a
// model before and after cleaning side by side, seen by one camera, with a line
// of text under each side. The background is transparent.
#pragma once

#include <cstdint>

#include "render/Camera.h"

class Canvas;
class Scene;

struct PictureSettings {
    View view = View::Iso;
    uint32_t width = 512; // of the whole picture, in pixels
};
constexpr uint32_t MinPictureWidth = 16;
constexpr uint32_t MaxPictureWidth = 4096;

// width x width pixels; false when memory runs out or the width is out of range.
bool drawModelPicture(const Scene& scene, const PictureSettings& settings, Canvas& canvas);
// Two square halves of half the width, before on the left and after on the
// right, framed together, each with its label under it. Equal scenes with equal
// labels give two equal halves.
bool drawComparisonPicture(const Scene& before, const Scene& after, const char* beforeLabel, const char* afterLabel,
                           const PictureSettings& settings, Canvas& canvas);
