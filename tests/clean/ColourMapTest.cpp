// The colour map: default, whole-map operations, states, the 1024-byte stored
// form and its file; the command line's colour lists and options.
#include <tuple>

#include <gtest/gtest.h>

#include "clean/ColourMap.h"
#include "clean/ColourMapStore.h"
#include "cli/ColourOptions.h"
#include "support/TestSupport.h"

namespace {

std::vector<uint32_t> entries(const ColourMap& map, uint32_t count = ColourCount)
{
    return std::vector<uint32_t>(map.entries, map.entries + count);
}

// The chosen colours, or the error message.
std::string parsed(const char* text)
{
    bool colours[ColourCount] = {};
    char error[256] = "";
    std::string chosen = parseColourList(text, colours, error, sizeof error) ? "" : std::string("error: ") + error;
    for (uint32_t c = 0; c < ColourCount; ++c)
        chosen += colours[c] ? std::to_string(c) + " " : "";
    return chosen;
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

TEST(ColourOptions, ColourListsAndOptionsInOrder)
{
    for (auto [text, result] : {std::pair{"0,5,80-83", "0 5 80 81 82 83 "},
                                {"007,250-255", "7 250 251 252 253 254 255 "},
                                {"", "empty"},
                                {"1,,2", "empty"},
                                {"256", "out of range"},
                                {"99999999999", "out of range"},
                                {"250-300", "out of range"},
                                {"5a", "not a colour"},
                                {" 5", "not a colour"},
                                {"+4", "not a colour"},
                                {"-3", "missing"},
                                {"3-", "missing"},
                                {"95-80", "reversed"}}) {
        std::string got = parsed(text);
        EXPECT_TRUE(got == result || (got.rfind("error: ", 0) == 0 && got.find(result) != std::string::npos))
            << text << ": " << got;
    }

    TempDir dir;
    std::string saved = dir.file("saved.map");
    std::string badPath = dir.file("none/x.map");
    ColourMap map;
    char error[256];
    using A = ColourAction;
    for (auto [action, value] : {std::pair{A::Remove, "1-3,9"},
                                 {A::Keep, "0,2"},
                                 {A::Replace, "9=4"},
                                 {A::Replace, "10-11=0"},
                                 {A::SaveMap, saved.c_str()},
                                 {A::RemoveAll, nullptr},
                                 {A::KeepAll, nullptr},
                                 {A::Map, saved.c_str()}})
        ASSERT_TRUE(applyColourAction(action, value, map, error, sizeof error)) << int(action) << ": " << error;
    EXPECT_EQ(entries(map, 13),
              (std::vector<uint32_t>{0, ColourRemoved, 2, ColourRemoved, 4, 5, 6, 7, 8, 4, 0, 0, 12}));
    // Failed options say why and leave the map as it was.
    map.removeAll();
    for (auto [action, value, says] : {std::tuple{A::Replace, "3", "FROM=TO"},
                                       {A::Replace, "3=256", "out of range"},
                                       {A::Replace, "=4", "empty"},
                                       {A::Replace, "4=", "missing"},
                                       {A::Remove, nullptr, "needs a value"},
                                       {A::Keep, "4,zz", "not a colour"},
                                       {A::Map, badPath.c_str(), "1024 bytes"},
                                       {A::SaveMap, badPath.c_str(), "cannot write"}}) {
        EXPECT_FALSE(applyColourAction(action, value, map, error, sizeof error)) << int(action);
        EXPECT_NE(std::string(error).find(says), std::string::npos) << int(action) << ": " << error;
    }
    EXPECT_EQ(entries(map), std::vector<uint32_t>(ColourCount, ColourRemoved));
}
