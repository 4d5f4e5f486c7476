// The colour map in the registry of the current user, under Windows (Wine in
// the test runs). Each case starts from a removed program key.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include "clean/ColourMap.h"
#include "platform/Settings.h"

namespace {

const char* const CompanyPath = "Software\\Quillon";
const char* const ProgramPath = "Software\\Quillon\\Scourwell";

std::vector<BYTE> rawValue(DWORD* type);

// On a real Windows machine a user's stored map is put back afterwards.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedValue = rawValue(&savedType);
        LONG result = RegDeleteTreeA(HKEY_CURRENT_USER, CompanyPath);
        ASSERT_TRUE(result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND) << result;
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, CompanyPath);
        if (savedValue.empty())
            return;
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, ProgramPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExA(key, "PaletteStates", 0, savedType, savedValue.data(), DWORD(savedValue.size()));
        RegCloseKey(key);
    }

    std::vector<BYTE> savedValue;
    DWORD savedType = 0;
};

std::string keyClass(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char name[64] = "";
    DWORD length = sizeof name;
    LONG result = RegQueryInfoKeyA(key, name, &length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                   nullptr, nullptr);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(name, length) : "<no class>";
}

void setRawValue(HKEY key, DWORD type, const std::vector<BYTE>& bytes)
{
    ASSERT_EQ(RegSetValueExA(key, "PaletteStates", 0, type, bytes.data(), DWORD(bytes.size())), ERROR_SUCCESS);
}

std::vector<BYTE> rawValue(DWORD* type)
{
    std::vector<BYTE> bytes(4096);
    DWORD size = DWORD(bytes.size());
    LONG result = RegGetValueA(HKEY_CURRENT_USER, ProgramPath, "PaletteStates", RRF_RT_ANY, type, bytes.data(), &size);
    if (result != ERROR_SUCCESS)
        return {};
    bytes.resize(size);
    return bytes;
}

} // namespace

TEST_F(SettingsTest, FirstStartCreatesTheKeysAndReadsNothing)
{
    bool existed = true;
    SettingsKey key = openSettingsKey(&existed);
    ASSERT_NE(key, nullptr);
    EXPECT_FALSE(existed);
    EXPECT_EQ(keyClass(CompanyPath), "REG_SZ");
    EXPECT_EQ(keyClass(ProgramPath), "REG_BINARY");
    DWORD type = 0;
    EXPECT_TRUE(rawValue(&type).empty()) << "nothing is stored before a run";
    ColourMap map;
    EXPECT_FALSE(loadColourMap(key, map));
    EXPECT_EQ(map.entry(0), ColourRemoved);
    EXPECT_EQ(map.entry(1), 1u);
    closeSettingsKey(key);

    // The next start finds the key, still without a value: the default map.
    key = openSettingsKey(&existed);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(existed);
    ColourMap next;
    EXPECT_FALSE(loadColourMap(key, next));
    EXPECT_EQ(next.entry(0), ColourRemoved);
    EXPECT_EQ(next.entry(255), 255u);
    closeSettingsKey(key);
}

TEST_F(SettingsTest, StoredMapSurvivesClosingAndReopening)
{
    SettingsKey key = openSettingsKey(nullptr);
    ASSERT_NE(key, nullptr);
    ColourMap map;
    map.keepAll();
    map.setEntry(3, 7);
    map.setEntry(200, ColourRemoved);
    ASSERT_TRUE(storeColourMap(key, map));
    closeSettingsKey(key);

    DWORD type = 0;
    std::vector<BYTE> bytes = rawValue(&type);
    EXPECT_EQ(type, DWORD(REG_BINARY));
    ASSERT_EQ(bytes.size(), ColourMapBytes);
    EXPECT_EQ(bytes[12], 7);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[800], 0xFF);

    bool existed = false;
    key = openSettingsKey(&existed);
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(existed);
    ColourMap loaded;
    ASSERT_TRUE(loadColourMap(key, loaded));
    for (uint32_t c = 0; c < ColourCount; ++c)
        ASSERT_EQ(loaded.entry(c), map.entry(c)) << c;
    closeSettingsKey(key);

    EXPECT_FALSE(storeColourMap(nullptr, map));
    EXPECT_FALSE(loadColourMap(nullptr, loaded));
}

TEST_F(SettingsTest, ShortForeignAndOversizedValues)
{
    SettingsKey key = openSettingsKey(nullptr);
    ASSERT_NE(key, nullptr);

    // 512 bytes replace entries 0 to 127; the rest keep the default.
    setRawValue(key, REG_BINARY, std::vector<BYTE>(512, 0xFF));
    ColourMap map;
    ASSERT_TRUE(loadColourMap(key, map));
    for (uint32_t c = 0; c < 128; ++c)
        ASSERT_EQ(map.entry(c), ColourRemoved) << c;
    for (uint32_t c = 128; c < ColourCount; ++c)
        ASSERT_EQ(map.entry(c), c) << c;

    // A value of another type is taken as bytes all the same.
    std::vector<BYTE> text(8, 0);
    text[0] = 'A';
    setRawValue(key, REG_SZ, text);
    ColourMap fromText;
    ASSERT_TRUE(loadColourMap(key, fromText));
    EXPECT_EQ(fromText.entry(0), 0x41u);
    EXPECT_EQ(fromText.entry(1), 0u);
    EXPECT_EQ(fromText.entry(2), 2u);

    // A value longer than the map is not taken at all.
    setRawValue(key, REG_BINARY, std::vector<BYTE>(2000, 0x11));
    ColourMap longer;
    EXPECT_FALSE(loadColourMap(key, longer));
    EXPECT_EQ(longer.entry(0), ColourRemoved);
    EXPECT_EQ(longer.entry(5), 5u);
    closeSettingsKey(key);
}

#endif
