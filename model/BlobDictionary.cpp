#include "BlobDictionary.h"

#include <cstring>
#include <new>

#include "HashSlots.h"

// Key and value bytes are carved out of large blocks, so a dictionary of many
// small entries costs a few allocations, and growth never moves them.
struct BlobDictionary::ArenaBlock {
    ArenaBlock* next = nullptr;
    uint8_t* bytes = nullptr;
    uint32_t used = 0;
    uint32_t size = 0;
};

// Blocks start small (most tables hold a handful of entries) and double up to
// the largest size.
static constexpr uint32_t FirstArenaBlockSize = 256;
static constexpr uint32_t ArenaBlockSize = 64u << 10;
static constexpr uint32_t MaxEntries = 1u << 30;

// FNV-1a over 32-bit words, then the tail bytes: keys are short names and
// numbers, so a word a step matters.
static uint32_t hashBytes(const void* key, uint32_t keyLength)
{
    const uint8_t* p = static_cast<const uint8_t*>(key);
    uint32_t h = 2166136261u ^ keyLength;
    uint32_t i = 0;
    for (; i + 4 <= keyLength; i += 4) {
        uint32_t word;
        std::memcpy(&word, p + i, 4);
        h = (h ^ word) * 16777619u;
    }
    for (; i < keyLength; ++i)
        h = (h ^ p[i]) * 16777619u;
    // FNV leaves the low bits weak for short keys; mix them before masking.
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    return h;
}

BlobDictionary::~BlobDictionary()
{
    delete[] slots;
    slots = nullptr;
    while (blocks != nullptr) {
        ArenaBlock* next = blocks->next;
        delete[] blocks->bytes;
        delete blocks;
        blocks = next;
    }
    slotCount = 0;
}

uint8_t* BlobDictionary::allocateBytes(uint32_t length)
{
    if (blocks == nullptr || blocks->size - blocks->used < length) {
        uint32_t size = FirstArenaBlockSize;
        if (blocks != nullptr)
            size = blocks->size >= ArenaBlockSize / 2 ? ArenaBlockSize : blocks->size * 2;
        if (size < length)
            size = length;
        ArenaBlock* block = new (std::nothrow) ArenaBlock;
        if (block == nullptr)
            return nullptr;
        block->bytes = new (std::nothrow) uint8_t[size];
        if (block->bytes == nullptr) {
            delete block;
            return nullptr;
        }
        block->size = size;
        // A block made for one large entry goes behind the current one, which
        // still has room for small entries.
        if (blocks != nullptr && size > ArenaBlockSize) {
            block->next = blocks->next;
            blocks->next = block;
        } else {
            block->next = blocks;
            blocks = block;
        }
        if (block != blocks) {
            block->used = size;
            return block->bytes;
        }
    }
    uint8_t* bytes = blocks->bytes + blocks->used;
    blocks->used += length;
    return bytes;
}

bool BlobDictionary::entryMatches(uint32_t i, const void* key, uint32_t keyLength) const
{
    if (i >= entries.size() || key == nullptr)
        return false;
    if (entries[i].keyLength != keyLength)
        return false;
    return std::memcmp(entries[i].key, key, keyLength) == 0;
}

uint32_t BlobDictionary::slotFor(const void* key, uint32_t keyLength, uint32_t hash) const
{
    return findSlot(
        hash, slotCount, [this](uint32_t slot) { return slots[slot].entry == ~0u; },
        [this, key, keyLength, hash](uint32_t slot) {
            return slots[slot].hash == hash && entryMatches(slots[slot].entry, key, keyLength);
        });
}

uint32_t BlobDictionary::find(const void* key, uint32_t keyLength) const
{
    if (key == nullptr || keyLength == 0 || entries.size() == 0)
        return 0xFFFFFFFFu;
    return slots[slotFor(key, keyLength, hashBytes(key, keyLength))].entry;
}

bool BlobDictionary::contains(const void* key, uint32_t keyLength) const { return find(key, keyLength) != 0xFFFFFFFFu; }

const uint8_t* BlobDictionary::lookup(const void* key, uint32_t keyLength, uint32_t* valueLength) const
{
    const uint32_t entry = find(key, keyLength);
    if (entry == 0xFFFFFFFFu) {
        if (valueLength != nullptr)
            *valueLength = 0;
        return nullptr;
    }
    if (valueLength != nullptr)
        *valueLength = entries[entry].valueLength;
    return entries[entry].value;
}

bool BlobDictionary::growIndex(uint32_t newSlotCount)
{
    Slot* newSlots = new (std::nothrow) Slot[newSlotCount];
    if (newSlots == nullptr)
        return false;
    for (uint32_t i = 0; i < newSlotCount; ++i)
        newSlots[i] = Slot{~0u, 0};
    for (uint32_t old = 0; old < slotCount; ++old) {
        if (slots[old].entry != ~0u)
            newSlots[findEmptySlot(slots[old].hash, newSlotCount,
                                   [&](uint32_t slot) { return newSlots[slot].entry == ~0u; })] = slots[old];
    }
    delete[] slots;
    slots = newSlots;
    slotCount = newSlotCount;
    return true;
}

bool BlobDictionary::grow()
{
    const uint32_t count = entries.size();
    if (count >= MaxEntries || !entries.makeRoom())
        return false;
    // At most 80% of the slots in use once the new entry is in.
    const uint64_t wantedSlots = (uint64_t(count) + 1) * 5 / 4 + 1;
    if (wantedSlots > slotCount) {
        uint32_t newSlotCount = slotCount == 0 ? 16 : slotCount;
        while (newSlotCount < wantedSlots)
            newSlotCount *= 2;
        if (!growIndex(newSlotCount))
            return false;
    }
    return true;
}

bool BlobDictionary::insert(const void* key, uint32_t keyLength, const void* value, uint32_t valueLength)
{
    if (key == nullptr || keyLength == 0)
        return false;
    const bool hasValue = value != nullptr && valueLength > 0;
    const uint32_t hash = hashBytes(key, keyLength);
    const uint32_t existing = entries.size() == 0 ? 0xFFFFFFFFu : slots[slotFor(key, keyLength, hash)].entry;

    if (existing != 0xFFFFFFFFu) {
        Entry& entry = entries[existing];
        if (!hasValue) {
            entry.value = nullptr;
            entry.valueLength = 0;
            return false;
        }
        // A value no longer than the old one is written over it; a longer one
        // gets fresh bytes (the old ones stay in the arena until release).
        uint8_t* bytes = entry.value;
        if (bytes == nullptr || entry.valueLength < valueLength)
            bytes = allocateBytes(valueLength);
        if (bytes == nullptr)
            return false;
        std::memmove(bytes, value, valueLength);
        entry.value = bytes;
        entry.valueLength = valueLength;
        return false;
    }

    if (!grow())
        return false;
    uint8_t* keyBytes = allocateBytes(keyLength);
    if (keyBytes == nullptr)
        return false;
    uint8_t* valueBytes = nullptr;
    if (hasValue) {
        valueBytes = allocateBytes(valueLength);
        if (valueBytes == nullptr)
            return false;
        std::memcpy(valueBytes, value, valueLength);
    }
    std::memcpy(keyBytes, key, keyLength);
    const uint32_t number = entries.size();
    if (!entries.push(Entry{keyBytes, keyLength, valueBytes, hasValue ? valueLength : 0}))
        return false;
    slots[slotFor(key, keyLength, hash)] = Slot{number, hash};
    return true;
}
