// The cleaning pass done the plain way, step by step with quadratic vertex
// merging, to compare the real pass against. For objects below 65,536 vertices
// whose indexes are all in range.
#pragma once

#include <utility>
#include <vector>

#include "clean/ColourMap.h"
#include "model/ModelObject.h"

void referenceClean(ModelObject* first, const ColourMap& map);

// base (setDefault, keepAll or removeAll), then the given colours' entries.
ColourMap mapWith(void (ColourMap::*base)(), const std::vector<std::pair<uint32_t, uint32_t>>& entries = {});
