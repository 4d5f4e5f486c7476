// The program's registry key, HKEY_CURRENT_USER\Software\Quillon\Scourwell, and
// the colour map stored in it as the value "PaletteStates". Windows builds only;
// elsewhere the map lives in a file (clean/ColourMapFile.h).
#pragma once

#ifdef _WIN32

class ColourMap;

// The registry's own key handle type, named without windows.h.
struct HKEY__;
using SettingsKey = HKEY__*;

// Opens the program's key, creating each missing level. Null when a step fails;
// existed (optional) receives whether the program's own key was there already.
SettingsKey openSettingsKey(bool* existed);
// Overwrites the leading bytes of the map with the stored value, as many as it
// has; a missing value, or one longer than the map, leaves the map as it was.
// True when a value was read.
bool loadColourMap(SettingsKey key, ColourMap& map);
// Stores the map's 1024 bytes; false on failure or without a key.
bool storeColourMap(SettingsKey key, const ColourMap& map);
void closeSettingsKey(SettingsKey key);

#endif
