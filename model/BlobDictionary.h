// A table from byte strings to byte strings, kept in insertion order. The writer
// uses it to share texture names. Lookups go through a hash index and storage
// grows geometrically, so n inserts take linear time.
#pragma once

#include <cstdint>

#include "platform/GrowableArray.h"

class BlobDictionary {
public:
    BlobDictionary() = default;
    ~BlobDictionary();
    BlobDictionary(const BlobDictionary&) = delete;
    BlobDictionary& operator=(const BlobDictionary&) = delete;

    // Stores or replaces the value of key (copies of both are kept). True when
    // the key was new; false when it was present, refused (null or empty), or
    // memory ran out. A null value or length 0 leaves the key with no value.
    bool insert(const void* key, uint32_t keyLength, const void* value, uint32_t valueLength);
    bool contains(const void* key, uint32_t keyLength) const;
    // The stored value or null; valueLength (optional) receives its length, 0 when absent.
    // Valid until the same key is inserted again or the dictionary is released.
    const uint8_t* lookup(const void* key, uint32_t keyLength, uint32_t* valueLength) const;
    // The entry number, or 0xFFFFFFFF when absent or refused.
    uint32_t find(const void* key, uint32_t keyLength) const;
    bool entryMatches(uint32_t i, const void* key, uint32_t keyLength) const;
    // The number of entries.
    uint32_t count() const { return entries.size(); }

private:
    struct ArenaBlock;
    struct Entry {
        uint8_t* key;
        uint32_t keyLength;
        uint8_t* value; // null for an entry without a value
        uint32_t valueLength;
    };
    // An entry number with its key's hash, so probing reads only the slot array.
    struct Slot {
        uint32_t entry;
        uint32_t hash;
    };

    // The slot holding key's entry number, or the empty slot where it would go.
    uint32_t slotFor(const void* key, uint32_t keyLength, uint32_t hash) const;
    // Makes room for one more entry; false when memory runs out.
    bool grow();
    bool growIndex(uint32_t newSlotCount);
    // length bytes that never move until the dictionary is released; null when
    // memory runs out.
    uint8_t* allocateBytes(uint32_t length);

    GrowableArray<Entry> entries; // in insertion order
    Slot* slots = nullptr;        // entry ~0u is empty; at most 80% full
    uint32_t slotCount = 0;       // 0 or a power of two
    ArenaBlock* blocks = nullptr; // key and value bytes, newest block first
};
