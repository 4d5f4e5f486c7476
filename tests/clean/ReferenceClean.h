// The cleaning pass done the plain way on plans, step by step with quadratic
// vertex merging, to compare the real pass against. For objects whose indexes
// are all in range.
#pragma once

#include <utility>
#include <vector>

#include "clean/ColourMap.h"
#include "support/ModelBuilder.h"

// Each object (its children aside) as the pass should leave it.
std::vector<ObjectPlan> referenceClean(std::vector<ObjectPlan> objects, const ColourMap& map);

// base (setDefault, keepAll or removeAll), then the given colours' entries.
ColourMap mapWith(void (ColourMap::*base)(), const std::vector<std::pair<uint32_t, uint32_t>>& entries = {});
