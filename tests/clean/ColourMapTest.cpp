// The colour map: default, whole-map operations, states, the 1024-byte stored
// form and its file; the command line's colour lists and options.
#include <tuple>

#include <gtest/gtest.h>

#include "clean/ColourMap.h"
#include "clean/ColourMapStore.h"
#include "support/TestSupport.h"

namespace {

std::vector<uint32_t> entries(const ColourMap& map, uint32_t count = ColourCount)
{
    return std::vector<uint32_t>(map.entries, map.entries + count);
}

} // namespace

TEST(ColourMap, WholeMapsAndStates)
{
    ColourMap map;
    for (auto [fill, removed] :
         {std::pair{&ColourMap::keepAll, 0u}, {&ColourMap::setDefault, 1u}, {&ColourMap::removeAll, 256u}}) {
        (map.*fill)();
        for (uint32_t c = 0; c < ColourCount; ++c)
            ASSERT_EQ(map.entry(c), c < removed ? ColourRemoved : c) << c;
    }
    for (auto [colour, entry, state] : {std::tuple{0u, ColourRemoved, ColourState::Removed},
                                        {255u, 255u, ColourState::Kept},
                                        {3u, 7u, ColourState::Replaced},
                                        {4u, 0u, ColourState::Replaced},
                                        {6u, 0xFFFFFFFEu, ColourState::Replaced}}) {
        map.setEntry(colour, entry);
        EXPECT_EQ(map.state(colour), state) << colour;
    }
}

TEST(ColourMap, StoredFormAndFile)
{
    ColourMap map;
    map.setEntry(1, 0x04030201);
    map.setEntry(255, 7);
    std::vector<uint8_t> bytes(ColourMapBytes);
    map.toBytes(bytes.data());
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 12),
              (std::vector<uint8_t>{255, 255, 255, 255, 1, 2, 3, 4, 2, 0, 0, 0}));
    EXPECT_EQ(bytes[1020], 7);

    // Map files of any other size are refused whole; the options' test stores
    // and loads one, and fails on a missing one.
    TempDir dir;
    std::string path = dir.file("colours.map");
    ColourMap loaded = map;
    for (size_t size : {size_t(0), size_t(512), size_t(1023), size_t(1025)}) {
        ASSERT_TRUE(writeBytes(path, std::vector<uint8_t>(size, 0xFF)));
        EXPECT_FALSE(loadColourMapFile(path.c_str(), loaded)) << size;
    }
    EXPECT_EQ(entries(loaded), entries(map));
}
