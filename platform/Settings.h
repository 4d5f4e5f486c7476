// The program's registry key, HKEY_CURRENT_USER\Software\Quillon\Scourwell, and
// the binary values stored in it. Windows builds only.
#pragma once

#ifdef _WIN32

#include <cstdint>

// The registry's own key handle type, named without windows.h.
struct HKEY__;
using SettingsKey = HKEY__*;

// Opens the program's key, creating each missing level. Null when a step fails;
// existed (optional) receives whether the program's own key was there already.
SettingsKey openSettingsKey(bool* existed);
// Reads the value name into bytes, whatever its type; *size receives its length.
// False without a key, when the value is missing, or when it is longer than
// capacity (bytes then hold nothing of it).
bool loadSettingsValue(SettingsKey key, const char* name, uint8_t* bytes, uint32_t capacity, uint32_t* size);
// Stores size bytes as the binary value name; false on failure or without a key.
bool storeSettingsValue(SettingsKey key, const char* name, const uint8_t* bytes, uint32_t size);
void closeSettingsKey(SettingsKey key);

#endif
