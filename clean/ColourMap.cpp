#include "clean/ColourMap.h"

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
