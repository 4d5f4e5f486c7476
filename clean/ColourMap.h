// The user's decision for each of the 256 palette colours: keep it, remove the
// untextured faces that have it, or replace it by another colour.
#pragma once

#include <cstdint>

constexpr uint32_t ColourCount = 256;
// The entry of a colour whose untextured faces are removed.
constexpr uint32_t ColourRemoved = 0xFFFFFFFFu;
// The stored form: the entries in colour order, 4 bytes each, little-endian.
constexpr uint32_t ColourMapBytes = ColourCount * 4;

enum class ColourState : uint8_t { Kept = 0, Removed = 1, Replaced = 2 };

class ColourMap {
public:
    // A new map holds the default.
    ColourMap() { setDefault(); }

    // Colour 0 removed, every other colour kept.
    void setDefault();
    void keepAll();
    void removeAll();

    // Kept when the entry is the colour itself, Removed for ColourRemoved,
    // Replaced for anything else. Only the low 8 bits of colour count.
    ColourState state(uint32_t colour) const;

    // Only the low 8 bits of colour count, as in a primitive's colour.
    uint32_t entry(uint32_t colour) const { return entries[colour & 0xFFu]; }
    void setEntry(uint32_t colour, uint32_t value) { entries[colour & 0xFFu] = value; }

    // The stored form: every entry in colour order.
    void toBytes(uint8_t bytes[ColourMapBytes]) const;
    // Overwrites only the leading length bytes of the stored form (all of it when
    // length is ColourMapBytes or more), as a shorter stored value does; the rest
    // of the map keeps its entries, a partly covered entry its high bytes.
    void fromBytes(const uint8_t* bytes, uint32_t length);

    uint32_t entries[ColourCount];
};
