// A scene seen by the camera: its points in the camera's axes, framed together
// with any other scene of the same picture, then drawn into a panel of a canvas
// with flat lighting from one fixed light.
#pragma once

#include <cstdint>

#include "render/Camera.h"
#include "render/Colour.h"

class Canvas;
class Scene;

class SceneView {
public:
    SceneView() = default;
    ~SceneView();
    SceneView(const SceneView&) = delete;
    SceneView& operator=(const SceneView&) = delete;

    // Turns the scene's points into the camera's axes and adds them to framing;
    // false when memory runs out. The scene must outlive the view.
    bool make(const Scene& scene, const ViewBasis& basis, Framing& framing);
    // Draws every item into the canvas's clip panel with the fitted framing;
    // lineWidth and dotSide in pixels. False when memory runs out.
    bool draw(const Framing& framing, uint32_t lineWidth, uint32_t dotSide, Canvas& canvas) const;

private:
    const Scene* scene = nullptr;
    ViewPoint* points = nullptr;
};

// How much of its colour a face shows, out of 256, for a face whose points (in
// the camera's axes) are given: flat lighting, both sides lit alike.
uint32_t faceLight(const ViewPoint* points, uint32_t count);
// A colour at a light of factor out of 256.
Rgb litColour(const Rgb& colour, uint32_t factor);
// The light of lines and dots, and the most any face gets: below 256, so no lit
// colour reaches 255 in a channel.
constexpr uint32_t FullLight = 230;
