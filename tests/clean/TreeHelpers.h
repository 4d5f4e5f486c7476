// Building and showing object trees for the cleaning tests, and the plain reference pass.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ReferenceClean.h"
#include "clean/ColourMap.h"
#include "model/ModelBuilders.h" // Face and makeObject

// base (setDefault, keepAll or removeAll), then the given colours' entries.
ColourMap mapWith(void (ColourMap::*base)(), const std::vector<std::pair<uint32_t, uint32_t>>& entries = {});
// Every field of an object as text; header fields only when not their defaults.
std::string show(const ModelObject& object);
// The objects of a tree in cleaning order (object, child subtree, siblings), and as text.
std::vector<ModelObject*> objectsOf(ModelObject* first);
std::vector<std::string> showTree(ModelObject* first);
