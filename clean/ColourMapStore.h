// Where a colour map persists: its 1024-byte stored form in a file of its own
// (the command line, and any platform without the registry) and, on Windows, as
// the value "PaletteStates" of the program's registry key.
#pragma once

#include <cstdint>

#include "platform/File.h"
#include "platform/Settings.h"

class ColourMap;

// Why a map file was refused, and the facts that tell the user which part.
enum class MapFileFault : uint8_t { None, CannotRead, WrongSize, BadEntry };

struct MapFileCheck {
    static constexpr uint64_t TooLargeToRead = ~uint64_t(0);

    MapFileFault fault = MapFileFault::None;
    SystemError error;   // CannotRead: what the system said
    uint64_t size = 0;   // WrongSize: the file's size; TooLargeToRead past what is read
    uint32_t colour = 0; // BadEntry: the first colour whose entry is wrong
    uint32_t entry = 0;  // and that entry
};

// Reads the map from a file of exactly 1024 bytes whose every entry keeps its
// colour, replaces it by a colour below 256 or removes it. Anything else leaves
// the map as it was and gives false, with the reason in check when given.
bool loadColourMapFile(const char* path, ColourMap& map, MapFileCheck* check = nullptr);
// Replaces the file's contents with the map's 1024 bytes; false on failure, when
// the file that was there is left untouched.
bool storeColourMapFile(const char* path, const ColourMap& map);

#ifdef _WIN32
// Overwrites the leading bytes of the map with the stored value, as many as it
// has; a missing value, or one longer than the map, leaves the map as it was.
// True when a value was read.
bool loadColourMap(SettingsKey key, ColourMap& map);
// Stores the map's 1024 bytes; false on failure or without a key.
bool storeColourMap(SettingsKey key, const ColourMap& map);
#endif
