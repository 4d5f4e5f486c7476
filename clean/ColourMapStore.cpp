#include "clean/ColourMapStore.h"

#include "clean/ColourMap.h"
#include "platform/File.h"

// A larger file is not a map, whatever it holds; its exact size is not worth reading.
constexpr uint32_t MaxMapFileRead = 1u << 20;

static bool refuse(MapFileCheck* check, const MapFileCheck& found)
{
    if (check != nullptr)
        *check = found;
    return false;
}

bool loadColourMapFile(const char* path, ColourMap& map, MapFileCheck* check)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    MapFileCheck found;
    const ReadFileResult result = readWholeFile(path, MaxMapFileRead, &data, &size, &found.error);
    if (result == ReadFileResult::TooLarge) {
        found.fault = MapFileFault::WrongSize;
        found.size = MapFileCheck::TooLargeToRead;
        return refuse(check, found);
    }
    if (result != ReadFileResult::Ok) {
        found.fault = MapFileFault::CannotRead;
        return refuse(check, found);
    }
    if (size != ColourMapBytes) {
        delete[] data;
        found.fault = MapFileFault::WrongSize;
        found.size = size;
        return refuse(check, found);
    }
    ColourMap loaded;
    loaded.fromBytes(data, size);
    delete[] data;
    for (uint32_t c = 0; c < ColourCount; ++c) {
        const uint32_t entry = loaded.entry(c);
        if (entry < ColourCount || entry == ColourRemoved)
            continue;
        found.fault = MapFileFault::BadEntry;
        found.colour = c;
        found.entry = entry;
        return refuse(check, found);
    }
    map = loaded;
    if (check != nullptr)
        *check = found;
    return true;
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
