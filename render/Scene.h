// What a picture draws of a model: every face, line and point of the object tree
// in model coordinates, each object placed at the sum of the offsets on its path
// from the root, with the colour it is drawn in.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "render/Colour.h"

class ColourMap;
class ModelObject;

// Orders texture names without regard to letter case; looks up plain strings too.
struct NoCaseLess {
    using is_transparent = void;
    bool operator()(const std::string& a, const std::string& b) const { return less(a.c_str(), b.c_str()); }
    bool operator()(const std::string& a, const char* b) const { return less(a.c_str(), b); }
    bool operator()(const char* a, const std::string& b) const { return less(a, b.c_str()); }
    static bool less(const char* a, const char* b);
};

// The colour of each texture whose image could be read, by name.
using TextureColours = std::map<std::string, Rgb, NoCaseLess>;

// How faces are coloured: untextured ones in their palette colour, textured ones
// in their texture's colour (grey when it is not known), and, with a removal map,
// the faces that cleaning with it removes in RemovedColour.
struct FacePaint {
    const TextureColours* textures = nullptr;
    const ColourMap* removal = nullptr;
};

// A point in model coordinates: 16.16 fixed point, offsets included.
struct ScenePoint {
    int64_t x = 0;
    int64_t y = 0;
    int64_t z = 0;
};

// One face (three points or more), line (two) or dot (one).
struct SceneItem {
    uint32_t first = 0; // its first point
    uint32_t count = 0;
    Rgb colour;
    bool lit = true; // false: drawn in its colour exactly, whatever the light
};

class Scene {
public:
    Scene() = default;
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Gathers the tree of first (its child subtree and sibling chain); false when
    // memory runs out. Faces that name a vertex their object does not have, and
    // faces without vertices, are left out.
    bool build(const ModelObject* first, const FacePaint& paint);

    ScenePoint* points = nullptr;
    uint32_t pointCount = 0;
    SceneItem* items = nullptr;
    uint32_t itemCount = 0;
    uint32_t leftOut = 0; // faces that name a missing vertex
};
