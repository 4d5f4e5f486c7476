#include "render/Picture.h"

#include "render/Canvas.h"
#include "render/Scene.h"
#include "render/SceneDrawing.h"
#include "render/TextDrawing.h"

namespace {

constexpr Rgb LabelBackground{40, 40, 40};
constexpr Rgb LabelText{235, 235, 235};

uint32_t marginFor(uint32_t side) { return side / 16 > 2 ? side / 16 : 2; }
uint32_t lineWidthFor(uint32_t side) { return side / 400 > 1 ? side / 400 : 1; }
uint32_t dotSideFor(uint32_t side) { return (side / 128 > 3 ? side / 128 : 3) | 1; }

bool widthInRange(const PictureSettings& settings)
{
    return settings.width >= MinPictureWidth && settings.width <= MaxPictureWidth;
}

bool drawInPanel(const SceneView& view, Framing& framing, const Panel& panel, Canvas& canvas)
{
    const uint32_t side = panel.width < panel.height ? panel.width : panel.height;
    framing.fit(panel, marginFor(side));
    canvas.clipTo(panel);
    return view.draw(framing, lineWidthFor(side), dotSideFor(side), canvas);
}

// The largest whole scale at which both labels fit across room, at most one
// font pixel per 112 pixels of room and at least 1.
uint32_t labelScale(const char* first, const char* second, uint32_t room)
{
    uint32_t widest = textWidth(first) > textWidth(second) ? textWidth(first) : textWidth(second);
    uint32_t scale = room / 112 > 1 ? room / 112 : 1;
    while (scale > 1 && widest * scale > room)
        --scale;
    return scale;
}

bool drawLabel(Canvas& canvas, const Panel& band, uint32_t scale, const char* text)
{
    canvas.clipTo(band);
    canvas.fillRect(int32_t(band.left), int32_t(band.top), int32_t(band.width), int32_t(band.height), LabelBackground);
    const int32_t width = int32_t(textWidth(text) * scale);
    const int32_t left = int32_t(band.left) + (int32_t(band.width) - width) / 2;
    return drawText(canvas, left, int32_t(band.top + 2 * scale), scale, text, LabelText);
}

} // namespace

bool drawModelPicture(const Scene& scene, const PictureSettings& settings, Canvas& canvas)
{
    if (!widthInRange(settings) || !canvas.make(settings.width, settings.width))
        return false;
    Framing framing;
    SceneView view;
    if (!view.make(scene, viewBasis(settings.view), framing))
        return false;
    return drawInPanel(view, framing, {0, 0, settings.width, settings.width}, canvas);
}

bool drawComparisonPicture(const Scene& before, const Scene& after, const char* beforeLabel, const char* afterLabel,
                           const PictureSettings& settings, Canvas& canvas)
{
    if (!widthInRange(settings))
        return false;
    const uint32_t half = settings.width / 2;
    const uint32_t scale = labelScale(beforeLabel, afterLabel, half - 2 * marginFor(half));
    const uint32_t band = (textHeight(beforeLabel) + 2) * scale;
    if (!canvas.make(settings.width, half + band))
        return false;
    Framing framing;
    SceneView beforeView;
    SceneView afterView;
    const ViewBasis basis = viewBasis(settings.view);
    if (!beforeView.make(before, basis, framing) || !afterView.make(after, basis, framing))
        return false;
    // An odd width leaves the middle column empty, so the halves are alike.
    const uint32_t right = settings.width - half;
    return drawInPanel(beforeView, framing, {0, 0, half, half}, canvas)
        && drawInPanel(afterView, framing, {right, 0, half, half}, canvas)
        && drawLabel(canvas, {0, half, half, band}, scale, beforeLabel)
        && drawLabel(canvas, {right, half, half, band}, scale, afterLabel);
}
