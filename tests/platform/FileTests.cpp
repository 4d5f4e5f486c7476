// The file layer on the running system: whole-file reads, safe in-place
// replacement and grouped saves under injected faults.
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
    std::vector<FileSave> files;
    for (size_t i = 0; i < paths.size(); ++i)
        files.push_back({paths[i].c_str(), contents[i].data(), uint32_t(contents[i].size()), false, {}});
    saveFiles(files.data(), uint32_t(files.size()));
    std::vector<bool> saved;
    for (const FileSave& file : files)
        saved.push_back(file.saved);
    return saved;
}

class FileTest : public ::testing::Test {
protected:
    void TearDown() override { clearFileFaults(); }
    TempDir dir;
    const std::string unit = dir.file("unit.3do");
};

} // namespace

TEST_F(FileTest, ReadsAtTheLimitAndUnderFaults)
{
    const Bytes bytes = pattern(256 * 5 + 3, 7);
    ASSERT_TRUE(writeBytes(unit, bytes) && writeBytes(dir.file("empty.3do"), {}));
    // Sparse files: no disk space is used.
    std::error_code error;
    for (auto [name, size] : {std::pair{"beyond.3do", 0x80000000ull}, {"huge.3do", 0x100000064ull}}) {
        ASSERT_TRUE(writeBytes(dir.file(name), {}));
        fs::resize_file(dir.file(name), size, error);
        ASSERT_FALSE(error) << name;
    }
    const struct {
        std::string path;
        uint32_t maxSize;
        ReadFileResult result;
        size_t read;
    } cases[] = {
        {dir.file("absent.3do"), 1000, ReadFileResult::CannotOpen, 0},
        {dir.path(), 1000, ReadFileResult::CannotOpen, 0},
        {dir.file("empty.3do"), 1000, ReadFileResult::Ok, 0},
        {unit, 1283, ReadFileResult::Ok, 1283},
        {unit, 1282, ReadFileResult::TooLarge, 0}, // the limit is inclusive
        {dir.file("beyond.3do"), 1000, ReadFileResult::TooLarge, 0},
        // Its low 32 bits alone would pass as a 100-byte file.
        {dir.file("huge.3do"), 0xFFFFFFFFu, ReadFileResult::TooLarge, 0},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(load(k.path, k.maxSize), std::make_pair(k.result, Bytes(bytes.begin(), bytes.begin() + long(k.read))))
            << k.path << " " << k.maxSize;
    }
    // A failed read is not a missing file.
    injectFileFault(FileStep::Read, 1);
    EXPECT_EQ(load(unit, 2000).first, ReadFileResult::CannotRead);
}

// A group across folders whose second file is new, with a fault armed for that
// file at each step in turn, and files the call must refuse: a folder, one in a
// folder that is not there, no path, no data. The new file stays absent, the
// others are refused or replaced (shortened), and no temporary file is left (the
// batch run's tests arm the same faults for a file that exists). Then one file
// lengthened past several write calls and emptied.
TEST_F(FileTest, FaultOrRefusalInAGroupSparesTheOthers)
{
    const fs::path other = fs::path(dir.path()) / "other";
    ASSERT_TRUE(fs::create_directory(other) && fs::create_directory(dir.file("folder")));
    const Names paths{dir.file("a.3do"), dir.file("b.3do"), (other / "c.3do").string(), dir.file("folder"),
                      (fs::path(dir.path()) / "absent" / "unit.3do").string()};
    const std::vector<Bytes> contents{pattern(300, 10), pattern(301, 11), pattern(302, 12), {1}, {1}};
    for (uint8_t s = 0; s < uint8_t(FileStep::Count); ++s) {
        if (FileStep(s) == FileStep::Read) // saving never reads
            continue;
        SCOPED_TRACE(int(s));
        ASSERT_TRUE(writeBytes(paths[0], pattern(500, 0)) && writeBytes(paths[2], pattern(502, 2)));
        injectFileFault(FileStep(s), 2);
        EXPECT_EQ(saveGroup(paths, contents), (std::vector<bool>{true, false, true, false, false}));
        clearFileFaults();
        EXPECT_EQ((std::vector<Bytes>{readBytes(paths[0]), readBytes(paths[2])}),
                  (std::vector<Bytes>{contents[0], contents[2]}));
        EXPECT_EQ(dir.entries(), (Names{"a.3do", "folder", "other"}));
        EXPECT_EQ(std::distance(fs::directory_iterator(other), fs::directory_iterator()), 1);
    }
    FileSave refused[2] = {{nullptr, contents[0].data(), 1, false, {}}, {paths[0].c_str(), nullptr, 1, false, {}}};
    saveFiles(refused, 2);
    EXPECT_FALSE(refused[0].saved || refused[1].saved);
    // Four write calls: each may be the one that finds the disk full.
    const Bytes large = pattern(3 * size_t{MaxWriteChunk} + 17, 8);
    for (uint32_t occurrence = 1; occurrence <= 5; ++occurrence) {
        injectFileFault(FileStep::Write, occurrence);
        EXPECT_EQ(replace(paths[0], large), occurrence == 5) << occurrence;
        EXPECT_EQ(readBytes(paths[0]), occurrence == 5 ? large : contents[0]) << occurrence;
        EXPECT_EQ(dir.entries(), (Names{"a.3do", "folder", "other"})) << occurrence;
    }
    EXPECT_TRUE(replace(paths[0], {}));
    EXPECT_EQ(readBytes(paths[0]), Bytes());
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
    EXPECT_EQ(dir.entries(), Names{"unit.3do"});
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
    const fs::path models = fs::path(dir.path()) / "models";
    ASSERT_TRUE(fs::create_directory(models) && writeBytes((models / "unit.3do").string(), pattern(200, 0)));
    fs::create_symlink("models/unit.3do", dir.file("link.3do"));
    EXPECT_TRUE(replace(dir.file("link.3do"), pattern(150, 3)));
    EXPECT_EQ(fs::read_symlink(dir.file("link.3do")), fs::path("models/unit.3do"));
    EXPECT_EQ(readBytes((models / "unit.3do").string()), pattern(150, 3));
    EXPECT_EQ(dir.entries(), (Names{"link.3do", "models", "unit.3do"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(models), fs::directory_iterator()), 1);
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a file away; ownership not checked";
    ASSERT_EQ(chown(unit.c_str(), 1234, 5678), 0);
    EXPECT_TRUE(replace(unit, pattern(16, 0)));
    ASSERT_EQ(stat(unit.c_str(), &info), 0);
    EXPECT_TRUE(info.st_uid == 1234u && info.st_gid == 5678u);
}
#endif

// A save into a folder removes the temporary files of runs that died there,
// never those of a run that still goes on, nor anything else.
TEST_F(FileTest, TemporariesOfDeadRunsAreRemovedOthersKept)
{
    char alive[64];
#ifdef _WIN32
    // No process has an id this large; this one's own is alive.
    const std::string dead = "~scourwell-FFFFFFF0-0001.tmp";
    std::snprintf(alive, sizeof alive, "~scourwell-%08lX-0001.tmp", GetCurrentProcessId());
#else
    const std::string dead = ".scourwell-7ffffff0-00000001";
    std::snprintf(alive, sizeof alive, ".scourwell-%08x-00000001", unsigned(getppid()));
#endif
    const std::string other = dir.file("other");
    ASSERT_TRUE(fs::create_directory(other));
    for (const std::string& path : {dir.file("notes.txt"), dir.file(dead + "x"), dir.file(alive), dir.file(dead),
                                    (fs::path(other) / dead).string()})
        ASSERT_TRUE(writeBytes(path, pattern(10, 0)));
    EXPECT_TRUE(replace(unit, pattern(20, 1))); // creates it
    Names expected{"notes.txt", dead + "x", alive, "other", "unit.3do"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir.entries(), expected);
    // Only the folders saved into are swept.
    EXPECT_TRUE(fileExists((fs::path(other) / dead).string()));
}
