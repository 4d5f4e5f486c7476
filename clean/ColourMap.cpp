#include "clean/ColourMap.h"

#include "model/LittleEndian.h"

void ColourMap::setDefault()
{
    keepAll();
    entries[0] = ColourRemoved;
}

void ColourMap::keepAll()
{
    for (uint32_t c = 0; c < ColourCount; ++c)
        entries[c] = c;
}

void ColourMap::removeAll()
{
    for (uint32_t c = 0; c < ColourCount; ++c)
        entries[c] = ColourRemoved;
}

ColourState ColourMap::state(uint32_t colour) const
{
    uint32_t value = entry(colour);
    if (value == (colour & 0xFFu))
        return ColourState::Kept;
    if (value == ColourRemoved)
        return ColourState::Removed;
    return ColourState::Replaced;
}

void ColourMap::toBytes(uint8_t bytes[ColourMapBytes]) const
{
    for (uint32_t c = 0; c < ColourCount; ++c)
        storeLittle32(bytes + 4 * c, entries[c]);
}

void ColourMap::fromBytes(const uint8_t* bytes, uint32_t length)
{
    if (length > ColourMapBytes)
        length = ColourMapBytes;
    for (uint32_t k = 0; k < length; ++k) {
        uint32_t shift = 8 * (k % 4);
        uint32_t& value = entries[k / 4];
        value = (value & ~(0xFFu << shift)) | (uint32_t(bytes[k]) << shift);
    }
}
