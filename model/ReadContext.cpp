#include "ReadContext.h"

#include <new>

ReadContext::~ReadContext()
{
    delete[] path;
    path = nullptr;
    delete[] slots;
    slots = nullptr;
}

bool ReadContext::take(uint64_t bytes)
{
    if (bytes > bytesLeft) {
        bytesLeft = 0;
        return fail(LoadFailure::TreeTooLarge, pathCount > 0 ? path[pathCount - 1] : 0);
    }
    bytesLeft -= bytes;
    return true;
}

bool ReadContext::fail(LoadFailure why, uint32_t at, uint32_t value)
{
    if (fault.what == LoadFailure::None)
        fault = LoadFault{why, at, value};
    return false;
}

static uint32_t hashOffset(uint32_t offset)
{
    uint32_t h = offset * 0x9E3779B1u;
    return h ^ (h >> 15);
}

bool ReadContext::growPath()
{
    const uint32_t newCapacity = pathCapacity == 0 ? 64 : pathCapacity * 2;
    if (newCapacity <= pathCapacity)
        return false;
    const uint32_t newSlotCount = newCapacity * 2; // at most half full
    uint32_t* newPath = new (std::nothrow) uint32_t[newCapacity];
    uint32_t* newSlots = new (std::nothrow) uint32_t[newSlotCount];
    if (newPath == nullptr || newSlots == nullptr) {
        delete[] newPath;
        delete[] newSlots;
        return false;
    }
    for (uint32_t i = 0; i < newSlotCount; ++i)
        newSlots[i] = ~0u;
    for (uint32_t i = 0; i < pathCount; ++i) {
        newPath[i] = path[i];
        uint32_t slot = hashOffset(path[i]) & (newSlotCount - 1);
        while (newSlots[slot] != ~0u)
            slot = (slot + 1) & (newSlotCount - 1);
        newSlots[slot] = i;
    }
    delete[] path;
    delete[] slots;
    path = newPath;
    slots = newSlots;
    pathCapacity = newCapacity;
    slotCount = newSlotCount;
    return true;
}

bool ReadContext::enter(uint32_t headerOffset)
{
    uint32_t slot = 0;
    if (slotCount > 0) {
        slot = hashOffset(headerOffset) & (slotCount - 1);
        for (; slots[slot] != ~0u; slot = (slot + 1) & (slotCount - 1)) {
            if (path[slots[slot]] == headerOffset)
                return fail(LoadFailure::Cycle, headerOffset);
        }
    }
    if (objectsLeft == 0)
        return fail(LoadFailure::TooManyObjects, headerOffset);
    if (pathCount == pathCapacity) {
        if (!growPath())
            return fail(LoadFailure::OutOfMemory, headerOffset);
        slot = hashOffset(headerOffset) & (slotCount - 1);
        while (slots[slot] != ~0u)
            slot = (slot + 1) & (slotCount - 1);
    }
    slots[slot] = pathCount;
    path[pathCount] = headerOffset;
    ++pathCount;
    --objectsLeft;
    return true;
}

void ReadContext::leave(uint32_t headerCount)
{
    // Removal in exact reverse order of insertion: nothing entered later can
    // have probed past the slot being cleared, so clearing it keeps every chain.
    for (uint32_t n = 0; n < headerCount && pathCount > 0; ++n) {
        --pathCount;
        uint32_t slot = hashOffset(path[pathCount]) & (slotCount - 1);
        while (slots[slot] != pathCount)
            slot = (slot + 1) & (slotCount - 1);
        slots[slot] = ~0u;
    }
}
