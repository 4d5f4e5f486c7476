// The command line's colour lists and options.
#include <cstring>

#include <gtest/gtest.h>

#include "cli/ColourOptions.h"
#include "clean/ColourMapFile.h"
#include "support/TestSupport.h"

namespace {

std::vector<uint32_t> parsed(const char* text, std::string* message = nullptr)
{
    bool colours[ColourCount] = {};
    char error[256] = "untouched";
    std::vector<uint32_t> result;
    if (!parseColourList(text, colours, error, sizeof error)) {
        if (message != nullptr)
            *message = error;
        return {999};
    }
    for (uint32_t c = 0; c < ColourCount; ++c) {
        if (colours[c])
            result.push_back(c);
    }
    return result;
}

bool apply(ColourMap& map, const char* option, const char* value, std::string* message = nullptr)
{
    char error[256] = "";
    bool ok = applyColourOption(option, value, map, error, sizeof error);
    if (message != nullptr)
        *message = error;
    return ok;
}

} // namespace

TEST(ColourOptions, ColourLists)
{
    EXPECT_EQ(parsed("0,5,80-83"), (std::vector<uint32_t>{0, 5, 80, 81, 82, 83}));
    EXPECT_EQ(parsed("255"), std::vector<uint32_t>{255});
    EXPECT_EQ(parsed("7-7,3,3"), (std::vector<uint32_t>{3, 7}));
    EXPECT_EQ(parsed("0-255").size(), 256u);
    EXPECT_EQ(parsed("007"), std::vector<uint32_t>{7});

    struct Bad {
        const char* text;
        const char* says;
    };
    for (Bad bad : {Bad{"", "empty"}, Bad{",", "empty"}, Bad{"1,", "empty"}, Bad{"1,,2", "empty"},
                    Bad{"256", "out of range"}, Bad{"99999999999999", "out of range"}, Bad{"x", "not a colour"},
                    Bad{"5a", "not a colour"}, Bad{" 5", "not a colour"}, Bad{"-3", "missing"}, Bad{"3-", "missing"},
                    Bad{"95-80", "reversed"}, Bad{"250-300", "out of range"}, Bad{"1-2-3", "not a colour"},
                    Bad{"+4", "not a colour"}}) {
        std::string message;
        EXPECT_EQ(parsed(bad.text, &message), std::vector<uint32_t>{999}) << bad.text;
        EXPECT_NE(message.find(bad.says), std::string::npos) << bad.text << ": " << message;
    }
    // A failed list sets nothing.
    bool colours[ColourCount] = {};
    char error[8];
    EXPECT_FALSE(parseColourList("1,2,x", colours, error, sizeof error));
    EXPECT_FALSE(colours[1]);
    EXPECT_LT(std::strlen(error), sizeof error);
}

TEST(ColourOptions, OptionsApplyInOrder)
{
    bool takesValue = false;
    EXPECT_TRUE(isColourOption("--replace", &takesValue));
    EXPECT_TRUE(takesValue);
    EXPECT_TRUE(isColourOption("--keep-all", &takesValue));
    EXPECT_FALSE(takesValue);
    EXPECT_FALSE(isColourOption("--colour", &takesValue));
    EXPECT_FALSE(isColourOption("--map=x", nullptr));
    EXPECT_FALSE(isColourOption(nullptr, nullptr));

    ColourMap map;
    ASSERT_TRUE(apply(map, "--remove", "1-3,9"));
    ASSERT_TRUE(apply(map, "--keep", "0,2"));
    ASSERT_TRUE(apply(map, "--replace", "9=4"));
    ASSERT_TRUE(apply(map, "--replace", "10-11=0"));
    EXPECT_EQ(map.entry(0), 0u);
    EXPECT_EQ(map.entry(1), ColourRemoved);
    EXPECT_EQ(map.entry(2), 2u);
    EXPECT_EQ(map.entry(3), ColourRemoved);
    EXPECT_EQ(map.entry(9), 4u);
    EXPECT_EQ(map.entry(10), 0u);
    EXPECT_EQ(map.entry(11), 0u);
    EXPECT_EQ(map.entry(12), 12u);

    ASSERT_TRUE(apply(map, "--remove-all", nullptr));
    EXPECT_EQ(map.entry(200), ColourRemoved);
    ASSERT_TRUE(apply(map, "--keep-all", nullptr));
    EXPECT_EQ(map.entry(0), 0u);

    std::string message;
    EXPECT_FALSE(apply(map, "--replace", "3", &message));
    EXPECT_NE(message.find("FROM=TO"), std::string::npos) << message;
    EXPECT_FALSE(apply(map, "--replace", "3=256", &message));
    EXPECT_NE(message.find("out of range"), std::string::npos) << message;
    EXPECT_FALSE(apply(map, "--replace", "=4", &message));
    EXPECT_FALSE(apply(map, "--replace", "4=", &message));
    EXPECT_FALSE(apply(map, "--remove", nullptr, &message));
    EXPECT_NE(message.find("needs a value"), std::string::npos) << message;
    EXPECT_FALSE(apply(map, "--paint", "3", &message));
    EXPECT_NE(message.find("unknown"), std::string::npos) << message;
    EXPECT_FALSE(apply(map, "--keep", "4,zz", &message));
    // Failed options leave the map as it was.
    for (uint32_t c = 0; c < ColourCount; ++c)
        ASSERT_EQ(map.entry(c), c);
}

TEST(ColourOptions, MapFiles)
{
    TempDir dir;
    std::string saved = dir.file("saved.map");
    ColourMap map;
    ASSERT_TRUE(apply(map, "--replace", "3=7"));
    ASSERT_TRUE(apply(map, "--save-map", saved.c_str()));
    ASSERT_TRUE(apply(map, "--keep-all", nullptr)); // after the save: not in the file

    ColourMap loaded;
    loaded.removeAll();
    ASSERT_TRUE(apply(loaded, "--map", saved.c_str()));
    EXPECT_EQ(loaded.entry(0), ColourRemoved);
    EXPECT_EQ(loaded.entry(3), 7u);
    EXPECT_EQ(loaded.entry(4), 4u);

    std::string message;
    std::string shortFile = dir.file("short.map");
    ASSERT_TRUE(writeBytes(shortFile, std::vector<uint8_t>(512, 0)));
    EXPECT_FALSE(apply(loaded, "--map", shortFile.c_str(), &message));
    EXPECT_NE(message.find("1024 bytes"), std::string::npos) << message;
    EXPECT_EQ(loaded.entry(3), 7u);
    EXPECT_FALSE(apply(loaded, "--save-map", dir.file("none/x.map").c_str(), &message));
    EXPECT_NE(message.find("cannot write"), std::string::npos) << message;
}
