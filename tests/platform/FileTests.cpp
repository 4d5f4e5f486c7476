// The file layer on the running system: whole-file reads, safe in-place
// replacement under injected faults, grouped saves and file sizes.
#include "platform/File.h"
#include "support/Faults.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;

namespace {

// An odd multiplier walks through all 256 values in every 256 bytes.
Bytes pattern(size_t length, size_t seed)
{
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>(i * 131 + (i >> 8) + seed);
    return bytes;
}

// The result and the bytes read; the buffer must be null exactly when nothing was read.
std::pair<ReadFileResult, Bytes> load(const std::string& path, uint32_t maxSize)
{
    static uint8_t stale;
    uint8_t* data = &stale;
    uint32_t size = 12345;
    const ReadFileResult result = readWholeFile(path.c_str(), maxSize, &data, &size);
    if (data == &stale) {
        ADD_FAILURE() << "the buffer pointer was not set";
        return {result, {}};
    }
    EXPECT_TRUE(data == nullptr ? size == 0 : result == ReadFileResult::Ok && size != 0) << path;
    Bytes bytes(data, data + (data ? size : 0));
    delete[] data;
    return {result, bytes};
}

bool replace(const std::string& path, const Bytes& bytes)
{
    return replaceFileContents(path.c_str(), bytes.empty() ? nullptr : bytes.data(), uint32_t(bytes.size()));
}

// Saves the files as one group; which of them were saved.
std::vector<bool> saveGroup(const Names& paths, const std::vector<Bytes>& contents)
{
    std::vector<FileSave> files(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        files[i].path = paths[i].c_str();
        files[i].data = contents[i].data();
        files[i].size = uint32_t(contents[i].size());
    }
    saveFiles(files.data(), uint32_t(files.size()));
    std::vector<bool> saved;
    for (const FileSave& file : files)
        saved.push_back(file.saved);
    return saved;
}

// On Windows this sets the read-only attribute.
void makeReadOnly(const std::string& path)
{
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

class FileTest : public ::testing::Test {
protected:
    void TearDown() override { clearFileFaults(); }
    TempDir dir;
    const std::string unit = dir.file("unit.3do");
    const Names onlyUnit{"unit.3do"};
};

} // namespace

TEST_F(FileTest, ReadWholeFileLimitsAndInjectedFaults)
{
    const Bytes bytes = pattern(256 * 5 + 3, 7);
    ASSERT_TRUE(writeBytes(unit, bytes) && writeBytes(dir.file("empty.3do"), {}));
    const struct {
        std::string path;
        uint32_t maxSize;
        ReadFileResult result;
        size_t read;
    } cases[] = {
        {dir.file("absent.3do"), 1000, ReadFileResult::CannotOpen, 0},
        {dir.path(), 1000, ReadFileResult::CannotOpen, 0},
        {dir.file("empty.3do"), 1000, ReadFileResult::Ok, 0},
        {unit, 1u << 20, ReadFileResult::Ok, 1283},
        {unit, 1283, ReadFileResult::Ok, 1283},
        {unit, 1282, ReadFileResult::TooLarge, 0}, // the limit is inclusive
    };
    for (const auto& k : cases) {
        EXPECT_EQ(load(k.path, k.maxSize), std::make_pair(k.result, Bytes(bytes.begin(), bytes.begin() + long(k.read))))
            << k.path << " " << k.maxSize;
    }
    // A fault fails one load, at its occurrence.
    injectFileFault(FileStep::Open, 2);
    EXPECT_EQ(load(unit, 2000).first, ReadFileResult::Ok);
    EXPECT_EQ(load(unit, 2000).first, ReadFileResult::CannotOpen);
    EXPECT_EQ(load(unit, 2000).first, ReadFileResult::Ok);
    injectFileFault(FileStep::Read, 1);
    EXPECT_EQ(load(unit, 2000).first, ReadFileResult::CannotRead);
    injectFileFault(FileStep::Read, 1);
    clearFileFaults();
    EXPECT_EQ(load(unit, 2000).second, bytes);
}

TEST_F(FileTest, ReplaceCreatesShortensAndLengthensButRefusesWhatItMustNot)
{
    for (size_t length : {77u, 3000u, 1234u, 5000u, 0u}) { // the first creates the file
        EXPECT_TRUE(replace(unit, pattern(length, length))) << length;
        EXPECT_EQ(readBytes(unit), pattern(length, length)) << length;
        EXPECT_EQ(dir.entries(), onlyUnit) << length;
    }
    EXPECT_FALSE(replace((fs::path(dir.path()) / "absent" / "unit.3do").string(), pattern(10, 0)));
    ASSERT_TRUE(fs::create_directory(dir.file("folder")));
    EXPECT_FALSE(replace(dir.file("folder"), pattern(10, 0)));
    EXPECT_TRUE(fs::is_directory(dir.file("folder")));
    const std::string locked = dir.file("locked.3do");
    ASSERT_TRUE(writeBytes(locked, pattern(500, 9)));
    makeReadOnly(locked);
    EXPECT_FALSE(replace(locked, pattern(20, 1)));
    EXPECT_EQ(readBytes(locked), pattern(500, 9));
    EXPECT_EQ(dir.entries(), (Names{"folder", "locked.3do", "unit.3do"}));
}

TEST_F(FileTest, FaultAtEveryStepKeepsOriginalAndLeavesNoStray)
{
    const Bytes original = pattern(4000, 2), large = pattern(3 * size_t{MaxWriteChunk} + 17, 8);
    for (bool existing : {false, true}) {
        ASSERT_TRUE(!existing || writeBytes(unit, original));
        for (uint8_t s = 0; s < uint8_t(FileStep::Count); ++s) {
            // Saving never reads; a missing file is not opened.
            if (FileStep(s) == FileStep::Read || (FileStep(s) == FileStep::Open && !existing))
                continue;
            injectFileFault(FileStep(s), 1);
            EXPECT_FALSE(replace(unit, pattern(3000, 1))) << int(s);
            EXPECT_EQ(dir.entries(), existing ? onlyUnit : Names{}) << int(s);
            if (existing) {
                EXPECT_EQ(readBytes(unit), original) << int(s);
            }
            clearFileFaults();
        }
    }
    // Four write calls: each may be the one that finds the disk full.
    for (uint32_t occurrence = 1; occurrence <= 5; ++occurrence) {
        injectFileFault(FileStep::Write, occurrence);
        EXPECT_EQ(replace(unit, large), occurrence == 5) << occurrence;
        EXPECT_EQ(readBytes(unit), occurrence == 5 ? large : original) << occurrence;
        EXPECT_EQ(dir.entries(), onlyUnit) << occurrence;
    }
}

#ifdef _WIN32
TEST_F(FileTest, HiddenAndSystemAttributesKept)
{
    ASSERT_TRUE(writeBytes(unit, pattern(64, 0)));
    ASSERT_TRUE(SetFileAttributesA(unit.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(replace(unit, pattern(32, 1)));
    EXPECT_EQ(GetFileAttributesA(unit.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(readBytes(unit), pattern(32, 1));
    EXPECT_EQ(dir.entries(), onlyUnit);
}
#else
TEST_F(FileTest, PermissionBitsOwnerAndSymbolicLinkKept)
{
    ASSERT_TRUE(writeBytes(unit, pattern(64, 0)));
    struct stat info;
    for (mode_t mode : {0640, 0755, 0600, 0602, 04755, 02750}) {
        ASSERT_EQ(chmod(unit.c_str(), mode), 0);
        EXPECT_TRUE(replace(unit, pattern(32, mode)));
        ASSERT_EQ(stat(unit.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode);
    }
    // A link is followed: its target gets the contents, the link stays.
    const fs::path links = fs::path(dir.path()) / "links", models = fs::path(dir.path()) / "models";
    ASSERT_TRUE(fs::create_directory(links) && fs::create_directory(models));
    ASSERT_TRUE(writeBytes((models / "unit.3do").string(), pattern(200, 0)));
    fs::create_symlink("../models/unit.3do", links / "unit.3do");
    EXPECT_TRUE(replace((links / "unit.3do").string(), pattern(150, 3)));
    EXPECT_EQ(fs::read_symlink(links / "unit.3do"), fs::path("../models/unit.3do"));
    EXPECT_EQ(readBytes((models / "unit.3do").string()), pattern(150, 3));
    EXPECT_FALSE(fs::is_symlink(models / "unit.3do"));
    EXPECT_EQ(std::distance(fs::directory_iterator(links), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(models), fs::directory_iterator()), 1);
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a file away; ownership not checked";
    ASSERT_EQ(chown(unit.c_str(), 1234, 5678), 0);
    EXPECT_TRUE(replace(unit, pattern(16, 0)));
    ASSERT_EQ(stat(unit.c_str(), &info), 0);
    EXPECT_TRUE(info.st_uid == 1234u && info.st_gid == 5678u);
}
#endif

// Three files saved as one group, with a fault armed for the second file at each
// step in turn: the second keeps its original, the others are replaced, and no
// temporary file is left.
TEST_F(FileTest, FaultInOneFileOfAGroupSparesTheOthers)
{
    const Names names{"a.3do", "b.3do", "c.3do"};
    const Names paths{dir.file("a.3do"), dir.file("b.3do"), dir.file("c.3do")};
    const std::vector<Bytes> contents{pattern(300, 10), pattern(301, 11), pattern(302, 12)};
    for (uint8_t s = 0; s < uint8_t(FileStep::Count); ++s) {
        if (FileStep(s) == FileStep::Read)
            continue;
        SCOPED_TRACE(int(s));
        for (unsigned i = 0; i < 3; ++i)
            ASSERT_TRUE(writeBytes(paths[i], pattern(500 + i, i)));
        injectFileFault(FileStep(s), 2);
        EXPECT_EQ(saveGroup(paths, contents), (std::vector<bool>{true, false, true}));
        clearFileFaults();
        for (unsigned i = 0; i < 3; ++i)
            EXPECT_EQ(readBytes(paths[i]), i == 1 ? pattern(501, 1) : contents[i]);
        EXPECT_EQ(dir.entries(), names);
    }
}

// A group across folders, with a read-only file and files the call cannot take
// among writable ones.
TEST_F(FileTest, GroupAcrossFoldersWithRefusedFiles)
{
    const Bytes bytes = pattern(200, 1);
    const fs::path other = fs::path(dir.path()) / "other";
    ASSERT_TRUE(fs::create_directory(other));
    const Names paths{dir.file("a.3do"), (other / "b.3do").string(), dir.file("locked.3do")};
    for (const std::string& path : paths)
        ASSERT_TRUE(writeBytes(path, pattern(90, 0)));
    makeReadOnly(paths[2]);
    EXPECT_EQ(saveGroup(paths, {bytes, bytes, bytes}), (std::vector<bool>{true, true, false}));
    EXPECT_EQ(readBytes(paths[0]), bytes);
    EXPECT_EQ(readBytes(paths[1]), bytes);
    EXPECT_EQ(readBytes(paths[2]), pattern(90, 0));
    EXPECT_EQ(dir.entries(), (Names{"a.3do", "locked.3do", "other"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(other), fs::directory_iterator()), 1);
    FileSave refused[2];
    refused[0].data = bytes.data();
    refused[0].size = 1;
    refused[1].path = paths[0].c_str();
    refused[1].size = 1;
    saveFiles(refused, 2);
    EXPECT_FALSE(refused[0].saved || refused[1].saved);
    EXPECT_EQ(readBytes(paths[0]), bytes);
}

TEST_F(FileTest, FileSizesBeyond31BitsAreNeverWrapped)
{
    ASSERT_TRUE(writeBytes(unit, pattern(1234, 0)) && writeBytes(dir.file("empty.3do"), {}));
    // Sparse files: no disk space is used.
    std::error_code error;
    for (auto [name, size] :
         {std::pair{"largest.3do", 0x7FFFFFFFull}, {"beyond.3do", 0x80000000ull}, {"huge.3do", 0x100000064ull}}) {
        ASSERT_TRUE(writeBytes(dir.file(name), {}));
        fs::resize_file(dir.file(name), size, error);
        ASSERT_FALSE(error) << name;
    }
    for (auto [path, size] : {std::pair{unit, 1234},
                              {dir.file("empty.3do"), 0},
                              {dir.file("absent.3do"), -1},
                              {dir.path(), -1},
                              {dir.file("largest.3do"), 0x7FFFFFFF},
                              {dir.file("beyond.3do"), -1},
                              {dir.file("huge.3do"), -1}}) {
        EXPECT_EQ(fileSize(path.c_str()), size) << path;
    }
    injectFileFault(FileStep::Open, 1);
    EXPECT_EQ(fileSize(unit.c_str()), -1);
    // Its low 32 bits alone would pass as a 100-byte file.
    EXPECT_EQ(load(dir.file("huge.3do"), 0xFFFFFFFFu).first, ReadFileResult::TooLarge);
}

// A save into a folder removes the temporary files of runs that died there,
// never those of a run that still goes on, nor anything else.
TEST_F(FileTest, TemporariesOfDeadRunsAreRemovedOthersKept)
{
#ifdef _WIN32
    // No process has an id this large; this one's own is alive.
    const std::string dead = "~scourwell-FFFFFFF0-0001.tmp";
    char alive[64];
    std::snprintf(alive, sizeof alive, "~scourwell-%08lX-0001.tmp", GetCurrentProcessId());
#else
    const std::string dead = ".scourwell-7ffffff0-00000001";
    char alive[64];
    std::snprintf(alive, sizeof alive, ".scourwell-%08x-00000001", unsigned(getppid()));
#endif
    const Names others{"notes.txt", dead + "x", std::string(alive)};
    for (const std::string& name : others)
        ASSERT_TRUE(writeBytes(dir.file(name), pattern(10, 0)));
    ASSERT_TRUE(writeBytes(dir.file(dead), pattern(10, 0)));
    const std::string other = dir.file("other");
    ASSERT_TRUE(fs::create_directory(other));
    ASSERT_TRUE(writeBytes((fs::path(other) / dead).string(), pattern(10, 0)));
    EXPECT_TRUE(replace(unit, pattern(20, 1)));
    Names expected = others;
    expected.push_back("other");
    expected.push_back("unit.3do");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir.entries(), expected);
    // Only the folders saved into are swept.
    EXPECT_TRUE(fileExists((fs::path(other) / dead).string()));
}
