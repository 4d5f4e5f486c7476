#include "clean/ColourMapStore.h"

#include "clean/ColourMap.h"
#include "platform/File.h"

bool loadColourMapFile(const char* path, ColourMap& map)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    ReadFileResult result = readWholeFile(path, ColourMapBytes, &data, &size);
    if (result != ReadFileResult::Ok)
        return false;
    bool complete = data != nullptr && size == ColourMapBytes;
    if (complete)
        map.fromBytes(data, size);
    delete[] data;
    return complete;
}

bool storeColourMapFile(const char* path, const ColourMap& map)
{
    uint8_t bytes[ColourMapBytes];
    map.toBytes(bytes);
    return replaceFileContents(path, bytes, ColourMapBytes);
}

#ifdef _WIN32

static const char* const ColourMapValue = "PaletteStates";

bool loadColourMap(SettingsKey key, ColourMap& map)
{
    uint8_t bytes[ColourMapBytes];
    uint32_t size = 0;
    if (!loadSettingsValue(key, ColourMapValue, bytes, ColourMapBytes, &size))
        return false;
    map.fromBytes(bytes, size);
    return true;
}

bool storeColourMap(SettingsKey key, const ColourMap& map)
{
    uint8_t bytes[ColourMapBytes];
    map.toBytes(bytes);
    return storeSettingsValue(key, ColourMapValue, bytes, ColourMapBytes);
}

#endif
