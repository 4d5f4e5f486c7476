// The colour map: default, whole-map operations, states, the 1024-byte stored
// form and its file.
#include <gtest/gtest.h>

#include "clean/ColourMap.h"
#include "clean/ColourMapFile.h"
#include "platform/File.h"
#include "support/TestSupport.h"

TEST(ColourMap, DefaultKeepAllRemoveAllAndStates)
{
    ColourMap map;
    EXPECT_EQ(map.entry(0), ColourRemoved);
    EXPECT_EQ(map.state(0), ColourState::Removed);
    for (uint32_t c = 1; c < ColourCount; ++c) {
        ASSERT_EQ(map.entry(c), c);
        ASSERT_EQ(map.state(c), ColourState::Kept);
    }
    map.keepAll();
    EXPECT_EQ(map.entry(0), 0u);
    EXPECT_EQ(map.state(0), ColourState::Kept);
    map.removeAll();
    for (uint32_t c = 0; c < ColourCount; ++c)
        ASSERT_EQ(map.entry(c), ColourRemoved);
    map.setDefault();
    EXPECT_EQ(map.entry(0), ColourRemoved);
    EXPECT_EQ(map.entry(255), 255u);

    map.setEntry(3, 7);
    EXPECT_EQ(map.state(3), ColourState::Replaced);
    map.setEntry(4, 0);
    EXPECT_EQ(map.state(4), ColourState::Replaced);
    map.setEntry(5, 256 + 5); // not its own index, even if its low bits are
    EXPECT_EQ(map.state(5), ColourState::Replaced);
    map.setEntry(6, 0xFFFFFFFE);
    EXPECT_EQ(map.state(6), ColourState::Replaced);
    EXPECT_EQ(map.state(255), ColourState::Kept);
    EXPECT_EQ(static_cast<int>(ColourState::Kept), 0);
    EXPECT_EQ(static_cast<int>(ColourState::Removed), 1);
    EXPECT_EQ(static_cast<int>(ColourState::Replaced), 2);
}

TEST(ColourMap, StoredFormIsLittleEndianInColourOrder)
{
    ColourMap map;
    map.setEntry(1, 0x04030201);
    map.setEntry(255, 7);
    uint8_t bytes[ColourMapBytes];
    map.toBytes(bytes);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[3], 0xFF);
    EXPECT_EQ(bytes[4], 0x01);
    EXPECT_EQ(bytes[5], 0x02);
    EXPECT_EQ(bytes[6], 0x03);
    EXPECT_EQ(bytes[7], 0x04);
    EXPECT_EQ(bytes[8], 2);
    EXPECT_EQ(bytes[9] | bytes[10] | bytes[11], 0);
    EXPECT_EQ(bytes[1020], 7);

    ColourMap copy;
    copy.removeAll();
    copy.fromBytes(bytes, ColourMapBytes);
    for (uint32_t c = 0; c < ColourCount; ++c)
        ASSERT_EQ(copy.entry(c), map.entry(c)) << c;
}

TEST(ColourMap, ShorterStoredFormsOverwriteOnlyTheirBytes)
{
    ColourMap removed;
    removed.removeAll();
    uint8_t bytes[ColourMapBytes];
    removed.toBytes(bytes);

    // 512 bytes: entries 0 to 127 replaced, the rest keep the default.
    ColourMap map;
    map.fromBytes(bytes, 512);
    for (uint32_t c = 0; c < 128; ++c)
        ASSERT_EQ(map.entry(c), ColourRemoved) << c;
    for (uint32_t c = 128; c < ColourCount; ++c)
        ASSERT_EQ(map.entry(c), c) << c;

    // A length that ends inside an entry changes only its low bytes.
    ColourMap partial;
    partial.fromBytes(bytes, 4 * 10 + 2);
    EXPECT_EQ(partial.entry(9), ColourRemoved);
    EXPECT_EQ(partial.entry(10), 0x0000FFFFu);
    EXPECT_EQ(partial.entry(11), 11u);

    ColourMap untouched;
    untouched.fromBytes(bytes, 0);
    EXPECT_EQ(untouched.entry(1), 1u);
    untouched.fromBytes(bytes, 5000); // no more than the map is read
    EXPECT_EQ(untouched.entry(1), ColourRemoved);
}

TEST(ColourMapFile, RoundTripAndRefusals)
{
    TempDir dir;
    ColourMap map;
    map.setEntry(3, 7);
    map.setEntry(200, ColourRemoved);
    std::string path = dir.file("colours.map");
    ASSERT_TRUE(storeColourMapFile(path.c_str(), map));
    std::vector<uint8_t> bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), ColourMapBytes);
    EXPECT_EQ(bytes[12], 7);
    EXPECT_EQ(bytes[800], 0xFF);

    ColourMap loaded;
    loaded.keepAll();
    ASSERT_TRUE(loadColourMapFile(path.c_str(), loaded));
    for (uint32_t c = 0; c < ColourCount; ++c)
        ASSERT_EQ(loaded.entry(c), map.entry(c)) << c;

    // Files of any other size are refused whole; the map stays as it was.
    for (size_t size : {size_t(0), size_t(4), size_t(512), size_t(1023), size_t(1025), size_t(2048)}) {
        std::string other = dir.file("other.map");
        ASSERT_TRUE(writeBytes(other, std::vector<uint8_t>(size, 0xFF)));
        ColourMap kept;
        kept.keepAll();
        EXPECT_FALSE(loadColourMapFile(other.c_str(), kept)) << size;
        EXPECT_EQ(kept.entry(0), 0u) << size;
    }
    ColourMap absent;
    EXPECT_FALSE(loadColourMapFile(dir.file("missing.map").c_str(), absent));
    EXPECT_EQ(absent.entry(1), 1u);

    // A failed write leaves the old file as it was.
    injectFileFault(FileStep::Write, 1);
    ColourMap other;
    other.removeAll();
    EXPECT_FALSE(storeColourMapFile(path.c_str(), other));
    clearFileFaults();
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_FALSE(storeColourMapFile(dir.file("no/such/folder/x.map").c_str(), other));
}
