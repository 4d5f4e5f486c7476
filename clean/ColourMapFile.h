// The stored form of a colour map in a file of its own (1024 bytes), for the
// command line and for any platform without the registry.
#pragma once

class ColourMap;

// Reads the map from a file of exactly 1024 bytes; any other size, or a file that
// cannot be read, leaves the map as it was and gives false.
bool loadColourMapFile(const char* path, ColourMap& map);
// Replaces the file's contents with the map's 1024 bytes; false on failure, when
// the file that was there is left untouched.
bool storeColourMapFile(const char* path, const ColourMap& map);
