// BlobDictionary: the table's rules, and the hash index under many keys.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "model/BlobDictionary.h"

namespace {

std::string text(const uint8_t* bytes, uint32_t length) {
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

} // namespace

TEST(BlobDictionary, InsertReplaceAndRefuse) {
    BlobDictionary table;
    EXPECT_TRUE(table.insert("key", 3, "one", 3));
    EXPECT_FALSE(table.insert("key", 3, "second", 6));
    EXPECT_EQ(table.count, 1u);
    uint32_t length = 99;
    const uint8_t* value = table.lookup("key", 3, &length);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(text(value, length), "second");
    EXPECT_FALSE(table.insert("key", 3, "2", 1)); // shorter value replaces too
    value = table.lookup("key", 3, &length);
    EXPECT_EQ(text(value, length), "2");

    EXPECT_FALSE(table.insert(nullptr, 3, "v", 1));
    EXPECT_FALSE(table.insert("key", 0, "v", 1));
    EXPECT_EQ(table.count, 1u);
    EXPECT_EQ(table.find(nullptr, 3), 0xFFFFFFFFu);
    EXPECT_EQ(table.find("key", 0), 0xFFFFFFFFu);
    EXPECT_FALSE(table.entryMatches(0, nullptr, 3));
    EXPECT_FALSE(table.entryMatches(1, "key", 3));
    EXPECT_TRUE(table.entryMatches(0, "key", 3));

    // Same bytes, different length: different keys.
    EXPECT_TRUE(table.insert("ke", 2, nullptr, 0));
    EXPECT_TRUE(table.insert("key\0", 4, "z", 1));
    EXPECT_EQ(table.find("ke", 2), 1u);
    EXPECT_EQ(table.find("key\0", 4), 2u);
    EXPECT_EQ(table.find("key", 3), 0u);
    EXPECT_EQ(table.find("kez", 3), 0xFFFFFFFFu);
    // Insertion order is kept in the parallel arrays.
    EXPECT_EQ(text(table.keys[2], table.keyLengths[2]), std::string("key\0", 4));
    EXPECT_EQ(table.valueLengths[1], 0u);
    EXPECT_EQ(table.values[1], nullptr);
}

TEST(BlobDictionary, MissingKeysAndKeysWithoutValues) {
    BlobDictionary table;
    uint32_t length = 5;
    EXPECT_EQ(table.lookup("a", 1, &length), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(table.lookup("a", 1, nullptr), nullptr);
    EXPECT_FALSE(table.contains("a", 1));

    EXPECT_TRUE(table.insert("a", 1, "x", 1));
    EXPECT_FALSE(table.insert("a", 1, nullptr, 4));
    EXPECT_TRUE(table.contains("a", 1));
    length = 5;
    EXPECT_EQ(table.lookup("a", 1, &length), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_FALSE(table.insert("a", 1, "x", 0));
    EXPECT_EQ(table.lookup("a", 1, &length), nullptr);
    EXPECT_FALSE(table.insert("a", 1, "long value", 10));
    const uint8_t* value = table.lookup("a", 1, &length);
    EXPECT_EQ(text(value, length), "long value");
}

TEST(BlobDictionary, ManyKeysKeepOrderValuesAndPointers) {
    BlobDictionary table;
    const uint32_t keyCount = 100000;
    const uint8_t* firstValue = nullptr;
    const uint8_t* firstKey = nullptr;
    for (uint32_t i = 0; i < keyCount; ++i) {
        // 4-byte numbers, as the writer uses, and names of every length up to 300.
        const uint32_t value = i * 7;
        ASSERT_TRUE(table.insert(&i, 4, &value, 4)) << i;
        if (i == 0) {
            firstValue = table.lookup(&i, 4, nullptr);
            firstKey = table.keys[0];
        }
        if (i % 10 == 0) {
            const std::string name = "name" + std::string(i % 300, 'x') + std::to_string(i);
            ASSERT_TRUE(table.insert(name.c_str(), static_cast<uint32_t>(name.size() + 1), name.c_str(),
                                     static_cast<uint32_t>(name.size())));
        }
    }
    ASSERT_EQ(table.count, keyCount + keyCount / 10);
    // Bytes handed out before all that growth are still where they were.
    const uint32_t zero = 0;
    EXPECT_EQ(table.lookup(&zero, 4, nullptr), firstValue);
    EXPECT_EQ(table.keys[0], firstKey);
    EXPECT_EQ(std::memcmp(firstValue, &zero, 4), 0);

    uint32_t entry = 0;
    for (uint32_t i = 0; i < keyCount; ++i) {
        ASSERT_EQ(table.find(&i, 4), entry) << i;
        uint32_t length = 0;
        const uint8_t* value = table.lookup(&i, 4, &length);
        ASSERT_EQ(length, 4u);
        uint32_t stored = 0;
        std::memcpy(&stored, value, 4);
        ASSERT_EQ(stored, i * 7);
        entry += i % 10 == 0 ? 2 : 1;
    }
    const std::string name = "name" + std::string(290, 'x') + "99890";
    uint32_t length = 0;
    const uint8_t* value = table.lookup(name.c_str(), static_cast<uint32_t>(name.size() + 1), &length);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(text(value, length), name);
    EXPECT_FALSE(table.contains(name.c_str(), static_cast<uint32_t>(name.size())));
    const uint32_t absent = keyCount;
    EXPECT_FALSE(table.contains(&absent, 4));
}

TEST(BlobDictionary, CollidingKeysStayApart) {
    // Keys differing only in bytes that a weak hash would ignore, and a value far
    // larger than an arena block.
    BlobDictionary table;
    std::string big(200000, 'v');
    for (uint32_t i = 0; i < 2000; ++i) {
        std::string key(64, '\0');
        key[63] = static_cast<char>(i & 0xFF);
        key[0] = static_cast<char>(i >> 8);
        ASSERT_TRUE(table.insert(key.data(), 64, i == 1000 ? big.data() : key.data(),
                                 i == 1000 ? static_cast<uint32_t>(big.size()) : 64));
    }
    for (uint32_t i = 0; i < 2000; ++i) {
        std::string key(64, '\0');
        key[63] = static_cast<char>(i & 0xFF);
        key[0] = static_cast<char>(i >> 8);
        ASSERT_EQ(table.find(key.data(), 64), i);
    }
    uint32_t length = 0;
    const uint8_t* value = table.lookup(table.keys[1000], 64, &length);
    ASSERT_EQ(length, big.size());
    EXPECT_EQ(text(value, length), big);
    EXPECT_EQ(table.keys[1001][63], 1001 & 0xFF);
}
