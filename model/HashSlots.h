// The probing shared by the program's open-addressing tables: a table of a
// power-of-two number of slots, searched from a hash's home slot by steps of
// 1, 2, 3, ..., which reach every slot.
#pragma once

#include <cstdint>

// The first slot on hash's probe sequence that is empty or holds the key sought:
// isEmpty(slot) and holdsKey(slot) tell which. The table must keep an empty slot.
template <typename IsEmpty, typename HoldsKey>
inline uint32_t findSlot(uint32_t hash, uint32_t slotCount, IsEmpty isEmpty, HoldsKey holdsKey)
{
    const uint32_t mask = slotCount - 1;
    uint32_t slot = hash & mask;
    for (uint32_t step = 1; !isEmpty(slot) && !holdsKey(slot); ++step)
        slot = (slot + step) & mask;
    return slot;
}

// The first empty slot on hash's probe sequence, for a key the table does not hold.
template <typename IsEmpty> uint32_t findEmptySlot(uint32_t hash, uint32_t slotCount, IsEmpty isEmpty)
{
    return findSlot(hash, slotCount, isEmpty, [](uint32_t) { return false; });
}
