// Where a colour map persists: its 1024-byte stored form in a file of its own
// (the command line, and any platform without the registry) and, on Windows, as
// the value "PaletteStates" of the program's registry key.
#pragma once

#include "platform/Settings.h"

class ColourMap;

// Reads the map from a file of exactly 1024 bytes; any other size, or a file that
// cannot be read, leaves the map as it was and gives false.
bool loadColourMapFile(const char* path, ColourMap& map);
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
