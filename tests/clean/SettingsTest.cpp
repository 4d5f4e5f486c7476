// The colour map in the registry of the current user, under Windows (Wine in the
// test runs, with a prefix of their own). The case starts without the company key.
#ifdef _WIN32

#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "clean/ColourMap.h"
#include "clean/ColourMapStore.h"

TEST(Settings, ColourMapInTheRegistry)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillon");
    ColourMap map, loaded;
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
    map.setEntry(0, 0);
    map.setEntry(3, 7);
    map.setEntry(200, ColourRemoved);
    SettingsKey key = openSettingsKey(nullptr);
    ASSERT_TRUE(key != nullptr && storeColourMap(key, map));
    closeSettingsKey(key);
    // Stored as 1024 bytes of type REG_BINARY.
    std::vector<BYTE> stored(2000), expected(ColourMapBytes);
    map.toBytes(expected.data());
    DWORD size = DWORD(stored.size());
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Quillon\\Scourwell", "PaletteStates", RRF_RT_REG_BINARY,
                           nullptr, stored.data(), &size),
              ERROR_SUCCESS);
    stored.resize(size);
    EXPECT_EQ(stored, expected);
    key = openSettingsKey(nullptr);
    ASSERT_TRUE(key != nullptr && loadColourMap(key, loaded));
    EXPECT_EQ(std::memcmp(loaded.entries, map.entries, ColourMapBytes), 0);
    // 512 bytes replace entries 0 to 127; the rest keep the default.
    ASSERT_EQ(RegSetValueExA(key, "PaletteStates", 0, REG_BINARY, std::vector<BYTE>(512, 0xFF).data(), 512),
              ERROR_SUCCESS);
    ColourMap half;
    EXPECT_TRUE(loadColourMap(key, half));
    EXPECT_TRUE(half.entry(127) == ColourRemoved && half.entry(128) == 128u);
    closeSettingsKey(key);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quillon");
}

#endif
