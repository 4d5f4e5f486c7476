#include "platform/Settings.h"

#include <windows.h>

#include <type_traits>

static_assert(std::is_same<SettingsKey, HKEY>::value, "SettingsKey must be the registry's HKEY");

namespace {

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

bool loadSettingsValue(SettingsKey key, const char* name, uint8_t* bytes, uint32_t capacity, uint32_t* size)
{
    *size = 0;
    if (key == nullptr)
        return false;
    DWORD type = 0;
    DWORD length = capacity;
    // A value longer than the buffer reports ERROR_MORE_DATA with the buffer's
    // contents undefined, so it is not taken.
    if (RegQueryValueExA(key, name, nullptr, &type, bytes, &length) != ERROR_SUCCESS || length > capacity)
        return false;
    *size = length;
    return true;
}

bool storeSettingsValue(SettingsKey key, const char* name, const uint8_t* bytes, uint32_t size)
{
    if (key == nullptr)
        return false;
    return RegSetValueExA(key, name, 0, REG_BINARY, bytes, size) == ERROR_SUCCESS;
}

void closeSettingsKey(SettingsKey key)
{
    if (key != nullptr)
        RegCloseKey(key);
}
