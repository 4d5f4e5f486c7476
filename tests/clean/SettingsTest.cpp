// The colour map in the current user's registry (a Wine prefix of the test run's
// own): what a first and a second start find, and a shorter stored value. The
// stored bytes, and a restart reading them back, are the window's end-to-end run's.
#ifdef _WIN32

#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "clean/ColourMap.h"
#include "clean/ColourMapStore.h"

TEST(Settings, FirstStartSecondStartAndAShortValue)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillon");
    ColourMap loaded;
    for (bool first : {true, false}) {
        // The first start creates the keys; the next finds them, still without a value.
        bool existed = first;
        SettingsKey key = openSettingsKey(&existed);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(existed, !first);
        EXPECT_FALSE(loadColourMap(key, loaded));
        EXPECT_EQ(std::memcmp(loaded.entries, ColourMap().entries, ColourMapBytes), 0);
        closeSettingsKey(key);
    }
    // 512 bytes replace entries 0 to 127; the rest keep the default.
    SettingsKey key = openSettingsKey(nullptr);
    ASSERT_EQ(RegSetValueExA(key, "PaletteStates", 0, REG_BINARY, std::vector<BYTE>(512, 0xFF).data(), 512),
              ERROR_SUCCESS);
    ColourMap half;
    EXPECT_TRUE(loadColourMap(key, half));
    EXPECT_TRUE(half.entry(127) == ColourRemoved && half.entry(128) == 128u);
    closeSettingsKey(key);
}

#endif
