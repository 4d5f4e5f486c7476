#include "platform/Settings.h"

#include <windows.h>

#include <type_traits>

#include "clean/ColourMap.h"

static_assert(std::is_same<SettingsKey, HKEY>::value, "SettingsKey must be the registry's HKEY");

namespace {

const char* const ValueName = "PaletteStates";

// Opens or creates one level of the chain; null on failure.
// RegCreateKeyExA takes the class string as writable, hence the callers' arrays.
HKEY createKey(HKEY parent, const char* name, char* className, DWORD* disposition)
{
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(parent, name, 0, className, 0, KEY_ALL_ACCESS, nullptr, &key, disposition);
    return result == ERROR_SUCCESS ? key : nullptr;
}

} // namespace

SettingsKey openSettingsKey(bool* existed)
{
    if (existed != nullptr)
        *existed = false;
    char stringClass[] = "REG_SZ";
    char binaryClass[] = "REG_BINARY";
    DWORD disposition = 0;
    HKEY software = createKey(HKEY_CURRENT_USER, "Software", stringClass, &disposition);
    if (software == nullptr)
        return nullptr;
    HKEY company = createKey(software, "Quillon", stringClass, &disposition);
    HKEY program = nullptr;
    if (company != nullptr) {
        disposition = 0;
        program = createKey(company, "Scourwell", binaryClass, &disposition);
        RegCloseKey(company);
    }
    RegCloseKey(software);
    if (program != nullptr && existed != nullptr)
        *existed = disposition == REG_OPENED_EXISTING_KEY;
    return program;
}

bool loadColourMap(SettingsKey key, ColourMap& map)
{
    if (key == nullptr)
        return false;
    BYTE bytes[ColourMapBytes];
    map.toBytes(bytes);
    DWORD type = 0;
    DWORD size = ColourMapBytes;
    // A value of another type is taken as bytes all the same; one longer than the
    // map reports ERROR_MORE_DATA with the buffer's contents undefined, so it is
    // not taken.
    LONG result = RegQueryValueExA(key, ValueName, nullptr, &type, bytes, &size);
    if (result != ERROR_SUCCESS || size > ColourMapBytes)
        return false;
    map.fromBytes(bytes, size);
    return true;
}

bool storeColourMap(SettingsKey key, const ColourMap& map)
{
    if (key == nullptr)
        return false;
    BYTE bytes[ColourMapBytes];
    map.toBytes(bytes);
    return RegSetValueExA(key, ValueName, 0, REG_BINARY, bytes, ColourMapBytes) == ERROR_SUCCESS;
}

void closeSettingsKey(SettingsKey key)
{
    if (key != nullptr)
        RegCloseKey(key);
}
