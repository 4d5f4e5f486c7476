// A table from byte strings to byte strings, kept in insertion order. The writer
// uses it to share texture names and to place index arrays. Lookups go through a
// hash index and storage grows geometrically, so n inserts take linear time.
#pragma once

#include <cstdint>

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
    // Makes room for one more entry (count is unchanged); false when memory runs out.
    bool grow();

    // Parallel arrays of count entries, in insertion order.
    uint32_t count = 0;
    uint8_t** keys = nullptr;
    uint32_t* keyLengths = nullptr;
    uint8_t** values = nullptr;
    uint32_t* valueLengths = nullptr;

private:
    struct ArenaBlock;
    // An entry number with its key's hash, so probing reads only the slot array.
    struct Slot {
        uint32_t entry;
        uint32_t hash;
    };

    // The slot holding key's entry number, or the empty slot where it would go.
    uint32_t slotFor(const void* key, uint32_t keyLength, uint32_t hash) const;
    bool growIndex(uint32_t newSlotCount);
    // length bytes that never move until the dictionary is released; null when
    // memory runs out.
    uint8_t* allocateBytes(uint32_t length);

    uint32_t capacity = 0;        // elements of the four parallel arrays
    Slot* slots = nullptr;        // entry ~0u is empty; at most 80% full
    uint32_t slotCount = 0;       // 0 or a power of two
    ArenaBlock* blocks = nullptr; // key and value bytes, newest block first
};
