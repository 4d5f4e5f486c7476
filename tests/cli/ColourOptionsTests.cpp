// The command line's colour options: colour lists, each action in order, the
// maps stored and read back, and what a wrong value says.
#include <string>
#include <vector>

#include <gtest/gtest.h>

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
    // The map stands as it was where --save-map comes; stored, it is read back.
    std::vector<MapToStore> stores;
    ASSERT_TRUE(applyColourSteps({{A::Remove, "1-3,9"},
                                  {A::Keep, "0,2"},
                                  {A::Replace, "9=4"},
                                  {A::Replace, "10-11=0"},
                                  {A::SaveMap, saved.c_str()},
                                  {A::RemoveAll, nullptr}},
                                 map, stores));
    ASSERT_EQ(stores.size(), 1u);
    EXPECT_EQ(entries(stores[0].map, 13),
              (std::vector<uint32_t>{0, ColourRemoved, 2, ColourRemoved, 4, 5, 6, 7, 8, 4, 0, 0, 12}));
    EXPECT_EQ(entries(map), std::vector<uint32_t>(ColourCount, ColourRemoved));
    ASSERT_TRUE(storeColourMapFile(saved.c_str(), stores[0].map));
    ASSERT_TRUE(applyColourAction(A::Map, saved.c_str(), map, error, sizeof error)) << error;
    EXPECT_EQ(entries(map), entries(stores[0].map));
    // Failed options say why and leave the map as it was.
    map.removeAll();
    for (auto [action, value, says] : {std::tuple{A::Replace, "3", "FROM=TO"},
                                       {A::Replace, "3=256", "out of range"},
                                       {A::Replace, "=4", "empty"},
                                       {A::Replace, "4=", "missing"},
                                       {A::Remove, nullptr, "needs a value"},
                                       {A::Keep, "4,zz", "not a colour"},
                                       {A::Map, badPath.c_str(), "cannot read the colour map"}}) {
        EXPECT_FALSE(applyColourAction(action, value, map, error, sizeof error)) << int(action);
        EXPECT_NE(std::string(error).find(says), std::string::npos) << int(action) << ": " << error;
    }
    EXPECT_EQ(entries(map), std::vector<uint32_t>(ColourCount, ColourRemoved));
}
