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
#include <vector>

#include "clean/ColourMap.h"
#include "cli/OptionTable.h"

enum class ColourAction : uint8_t { Map, Remove, Keep, Replace, KeepAll, RemoveAll, SaveMap };

// Sets colours[c] for every colour of the list and leaves the others alone;
// false with a message in error on any fault in the list.
bool parseColourList(const char* text, bool colours[ColourCount], char* error, size_t errorSize);

// Applies one action to the map (value is null for KeepAll and RemoveAll); false
// with a message in error when the value is wrong or its file fails, and the map
// is then as it was.
bool applyColourAction(ColourAction action, const char* value, ColourMap& map, char* error, size_t errorSize);

// A colour option with its value, kept to be applied once every argument is
// known to be sound.
struct ColourStep {
    ColourAction action;
    const char* value;
};

// A map to store, as it stood where --save-map was given.
struct MapToStore {
    const char* path;
    ColourMap map;
};

// Applies the steps in order, gathering the maps to store instead of writing
// them; false (a usage error) with a message on standard error.
bool applyColourSteps(const std::vector<ColourStep>& steps, ColourMap& colourMap, std::vector<MapToStore>& stores);

// The colour options of a command whose Settings gather them in colourSteps.
template <typename Settings> struct ColourOptions {
    template <ColourAction action> static void add(Settings& settings, const char* value)
    {
        settings.colourSteps.push_back({action, value});
    }

    static constexpr Option<Settings> table[] = {
        {"--map", nullptr, "FILE", add<ColourAction::Map>, "start from the colour map stored in FILE (1024 bytes)"},
        {"--remove", nullptr, "LIST", add<ColourAction::Remove>,
         "remove the untextured faces of these colours, e.g. 0,5,80-95"},
        {"--keep", nullptr, "LIST", add<ColourAction::Keep>, "keep these colours"},
        {"--replace", nullptr, "FROM=TO", add<ColourAction::Replace>,
         "give faces of the colours FROM (a list) the colour TO"},
        {"--keep-all", nullptr, nullptr, add<ColourAction::KeepAll>, "keep every colour"},
        {"--remove-all", nullptr, nullptr, add<ColourAction::RemoveAll>, "remove every colour"},
        {"--save-map", nullptr, "FILE", add<ColourAction::SaveMap>, "store the colour map as it stands into FILE"},
    };
};
