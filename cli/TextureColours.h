// The colours scour render draws textured faces in: the mean colour of each
// texture a model names, from the first GAF entry of that name among the mod's
// GAF files, or else from its bitmap.
#pragma once

#include <cstdint>

#include "render/Scene.h"

class ModelObject;
struct TextureSet;

// Adds a colour for each texture name of the tree of first that the mod's files
// give one; returns how many of its names (letter case aside) got none.
uint32_t findTextureColours(const ModelObject* first, const TextureSet& set, TextureColours& colours);
// The number of texture names of the tree of first, letter case aside.
uint32_t countTextureNames(const ModelObject* first);
