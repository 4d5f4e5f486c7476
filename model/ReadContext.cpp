#include "ReadContext.h"

#include <new>

#include "HashSlots.h"

static constexpr uint32_t EmptySlot = ~0u;

ReadContext::~ReadContext()
{
    delete[] slots;
    slots = nullptr;
}

bool ReadContext::charge(uint64_t bytes)
{
    if (bytes > bytesLeft) {
        bytesLeft = 0;
        return fail(LoadFailure::TreeTooLarge, path.size() > 0 ? path.back() : 0);
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

uint32_t ReadContext::slotOf(uint32_t headerOffset) const
{
    return findSlot(
        hashOffset(headerOffset), slotCount, [&](uint32_t slot) { return slots[slot] == EmptySlot; },
        [&](uint32_t slot) { return path[slots[slot]] == headerOffset; });
}

bool ReadContext::growSlots()
{
    const uint32_t newSlotCount = slotCount == 0 ? 128 : slotCount * 2;
    if (newSlotCount <= slotCount)
        return false;
    uint32_t* newSlots = new (std::nothrow) uint32_t[newSlotCount];
    if (newSlots == nullptr)
        return false;
    for (uint32_t i = 0; i < newSlotCount; ++i)
        newSlots[i] = EmptySlot;
    for (uint32_t i = 0; i < path.size(); ++i)
        newSlots[findEmptySlot(hashOffset(path[i]), newSlotCount,
                               [&](uint32_t slot) { return newSlots[slot] == EmptySlot; })] = i;
    delete[] slots;
    slots = newSlots;
    slotCount = newSlotCount;
    return true;
}

bool ReadContext::enter(uint32_t headerOffset)
{
    if (slotCount > 0 && slots[slotOf(headerOffset)] != EmptySlot)
        return fail(LoadFailure::Cycle, headerOffset);
    if (objectsLeft == 0)
        return fail(LoadFailure::TooManyObjects, headerOffset);
    // At most half the slots in use.
    if ((uint64_t(path.size()) + 1) * 2 > slotCount && !growSlots())
        return fail(LoadFailure::OutOfMemory, headerOffset);
    if (!path.push(headerOffset))
        return fail(LoadFailure::OutOfMemory, headerOffset);
    slots[slotOf(headerOffset)] = path.size() - 1;
    --objectsLeft;
    return true;
}

void ReadContext::leave(uint32_t headerCount)
{
    // Removal in exact reverse order of insertion leaves the slots as they were
    // before the header was entered, so every other header's probe still finds it.
    for (uint32_t n = 0; n < headerCount && path.size() > 0; ++n) {
        const uint32_t last = path.size() - 1;
        slots[findSlot(
            hashOffset(path[last]), slotCount, [&](uint32_t slot) { return slots[slot] == EmptySlot; },
            [&](uint32_t slot) { return slots[slot] == last; })] = EmptySlot;
        path.pop();
    }
}
