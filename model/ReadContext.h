// What one load may still build, the header offsets on the path being read,
// and why the load failed when it did.
#pragma once

#include <cstdint>

#include "Format.h"
#include "LoadFailure.h"
#include "platform/GrowableArray.h"

class ReadContext {
public:
    ReadContext() = default;
    ~ReadContext();
    ReadContext(const ReadContext&) = delete;
    ReadContext& operator=(const ReadContext&) = delete;

    // Charges bytes of tree memory to the load's budget; false (and
    // TreeTooLarge) when over it.
    bool charge(uint64_t bytes);
    // Records the first failure, where it was found and the value that was
    // wrong when it says something; always returns false.
    bool fail(LoadFailure why, uint32_t at, uint32_t value = 0);

    // The header offsets on the path from the root through child and sibling
    // links to the object being read. enter() fails with Cycle when the offset is
    // already on the path, with TooManyObjects past the object limit.
    bool enter(uint32_t headerOffset);
    // Leaves the most recently entered headers, last first.
    void leave(uint32_t headerCount);

    LoadFault fault;

private:
    // The slot of headerOffset, or the empty slot where it would go.
    uint32_t slotOf(uint32_t headerOffset) const;
    bool growSlots();

    uint64_t bytesLeft = MaxTreeBytes;
    uint32_t objectsLeft = MaxObjects;
    GrowableArray<uint32_t> path; // header offsets, in the order entered
    uint32_t* slots = nullptr;    // positions in path by hash; EmptySlot is empty
    uint32_t slotCount = 0;       // 0 or a power of two, at least twice the path
};
