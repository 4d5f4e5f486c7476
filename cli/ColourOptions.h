// The command line's colour options, applied in order to a colour map:
//   --map FILE        start from a stored map file (1024 bytes)
//   --remove LIST     remove the untextured faces of these colours
//   --keep LIST       keep these colours
//   --replace FROM=TO give the colours of FROM (a list) the colour TO
//   --keep-all, --remove-all
//   --save-map FILE   store the map as it stands at this point
// A LIST is colours 0 to 255 and ranges, such as 0,5,80-95.
#pragma once

#include <cstddef>

#include "clean/ColourMap.h"

enum class ColourAction : uint8_t { Map, Remove, Keep, Replace, KeepAll, RemoveAll, SaveMap };

// Sets colours[c] for every colour of the list and leaves the others alone;
// false with a message in error on any fault in the list.
bool parseColourList(const char* text, bool colours[ColourCount], char* error, size_t errorSize);

// Applies one action to the map (value is null for KeepAll and RemoveAll); false
// with a message in error when the value is wrong or its file fails, and the map
// is then as it was.
bool applyColourAction(ColourAction action, const char* value, ColourMap& map, char* error, size_t errorSize);
