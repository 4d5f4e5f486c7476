// BlobDictionary: the table's rules, and its hash index under many and colliding keys.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "model/BlobDictionary.h"

namespace {

// The value of key as text; "-" for none, which must come with length 0.
std::string valueOf(const BlobDictionary& table, const void* key, uint32_t keyLength)
{
    uint32_t length = 99;
    const uint8_t* value = table.lookup(key, keyLength, &length);
    if (value == nullptr)
        return length == 0 ? "-" : "- with a length";
    return std::string(reinterpret_cast<const char*>(value), length);
}

// Key n of 64 bytes: zeros but for its two ends, where a weak hash looks least.
std::string wideKey(uint32_t n)
{
    std::string key(64, '\0');
    key[0] = char(n >> 8);
    key[63] = char(n & 0xFF);
    return key;
}

} // namespace

TEST(BlobDictionary, InsertReplaceRefuseAndMissing)
{
    BlobDictionary table;
    EXPECT_EQ(valueOf(table, "key", 3), "-");
    EXPECT_TRUE(table.insert("key", 3, "one", 3));
    // A longer value gets new room, a shorter one is written over the old.
    EXPECT_FALSE(table.insert("key", 3, "second", 6) || table.insert("key", 3, "2", 1));
    EXPECT_EQ(valueOf(table, "key", 3), "2");
    EXPECT_FALSE(table.insert(nullptr, 3, "v", 1) || table.insert("key", 0, "v", 1));
    EXPECT_EQ(table.count(), 1u);

    // A prefix and an extension of a key are other keys.
    EXPECT_TRUE(table.insert("ke", 2, "p", 1) && table.insert("key\0", 4, "z", 1));
    EXPECT_EQ(valueOf(table, "key", 3) + valueOf(table, "ke", 2) + valueOf(table, "key\0", 4)
                  + valueOf(table, "kez", 3),
              "2pz-");
    // Inserted again without a value (null, or length 0), a key stays with none.
    EXPECT_FALSE(table.insert("ke", 2, nullptr, 4) || table.insert("key", 3, "x", 0));
    EXPECT_TRUE(table.contains("ke", 2));
    EXPECT_EQ(valueOf(table, "ke", 2) + valueOf(table, "key", 3), "--");
}

TEST(BlobDictionary, ManyAndCollidingKeysKeepOrderValuesAndPointers)
{
    BlobDictionary table;
    const std::string big(200000, 'v'); // far larger than an arena block
    const uint8_t* first = nullptr;
    for (uint32_t i = 0; i < 100000; ++i) {
        const uint32_t value = 7 * i;
        ASSERT_TRUE(table.insert(&i, 4, &value, 4)) << i;
        if (i == 0)
            first = table.lookup(&i, 4, nullptr);
        if (i % 10 != 0)
            continue;
        const std::string key = wideKey(i / 10), stored = i == 10000 ? big : key;
        ASSERT_TRUE(table.insert(key.data(), 64, stored.data(), uint32_t(stored.size()))) << i;
    }
    ASSERT_EQ(table.count(), 110000u);
    const uint32_t zero = 0;
    EXPECT_EQ(table.lookup(&zero, 4, nullptr), first); // never moved by growth
    for (uint32_t i = 0, entry = 0; i < 100000; ++i, ++entry) {
        ASSERT_EQ(table.find(&i, 4), entry) << i;
        const uint32_t value = 7 * i;
        ASSERT_EQ(valueOf(table, &i, 4), std::string(reinterpret_cast<const char*>(&value), 4)) << i;
        if (i % 10 == 0) {
            ASSERT_EQ(table.find(wideKey(i / 10).data(), 64), ++entry) << i;
        }
    }
    EXPECT_EQ(valueOf(table, wideKey(1000).data(), 64), big);
    EXPECT_FALSE(table.contains(wideKey(10000).data(), 64));
}
