#include "ui/Palette.h"

Palette::Palette(HINSTANCE instance, uint32_t resourceId) : colours()
{
    HRSRC resource = FindResourceA(instance, MAKEINTRESOURCEA(resourceId & 0xFFFFu), "Palette");
    if (resource == nullptr)
        return;
    DWORD size = SizeofResource(instance, resource);
    HGLOBAL loaded = LoadResource(instance, resource);
    const BYTE* bytes = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (bytes != nullptr) {
        uint32_t count = size < PaletteBytes ? size / 4 : PaletteColourCount;
        // Stored as red, green, blue, 0: already the byte order of a GDI colour value.
        for (uint32_t k = 0; k < count; ++k)
            colours[k] = uint32_t(bytes[4 * k]) | uint32_t(bytes[4 * k + 1]) << 8 | uint32_t(bytes[4 * k + 2]) << 16
                | uint32_t(bytes[4 * k + 3]) << 24;
    }
    FreeResource(loaded);
}
