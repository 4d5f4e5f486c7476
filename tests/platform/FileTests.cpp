// The file layer on the running system: whole-file reads, safe in-place
// replacement under injected faults, and file sizes.
#include "platform/File.h"
#include "platform/FileFaults.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> pattern(size_t length, unsigned seed)
{
    std::vector<uint8_t> bytes(length);
    // An odd multiplier walks through all 256 values in every 256 bytes.
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>(i * 131 + (i >> 8) + seed);
    return bytes;
}

struct Loaded {
    ReadFileResult result;
    std::vector<uint8_t> bytes;
    bool dataNull;
};

Loaded load(const std::string& path, uint32_t maxSize)
{
    static uint8_t stale;
    uint8_t* data = &stale;
    uint32_t size = 12345;
    Loaded loaded{readWholeFile(path.c_str(), maxSize, &data, &size), {}, data == nullptr};
    if (data == &stale) {
        ADD_FAILURE() << "the buffer pointer was not set";
        return loaded;
    }
    if (data)
        loaded.bytes.assign(data, data + size);
    delete[] data;
    if (loaded.result != ReadFileResult::Ok) {
        EXPECT_TRUE(loaded.dataNull && size == 0) << "a failed read must hand back nothing";
    }
    return loaded;
}

bool replace(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return replaceFileContents(path.c_str(), bytes.empty() ? nullptr : bytes.data(), static_cast<uint32_t>(bytes.size()));
}

bool makeSparse(const std::string& path, uint64_t size)
{
    std::error_code error;
    return writeBytes(path, {}) && (fs::resize_file(path, size, error), !error);
}

class FileTest : public ::testing::Test {
protected:
    void TearDown() override { clearFileFaults(); }
    TempDir dir;
};

class ReadWholeFileTest : public FileTest {};
class ReplaceFileContentsTest : public FileTest {};
class FileSizeTest : public FileTest {};
class StagedFileTest : public FileTest {};

const std::vector<std::string> OnlyModel{"unit.3do"};

} // namespace

TEST_F(ReadWholeFileTest, MissingFileAndDirectoryCannotBeOpened)
{
    EXPECT_EQ(load(dir.file("absent.3do"), 1000).result, ReadFileResult::CannotOpen);
    EXPECT_EQ(load(dir.path(), 1000).result, ReadFileResult::CannotOpen);
}

TEST_F(ReadWholeFileTest, EmptyFileIsOkWithoutBuffer)
{
    ASSERT_TRUE(writeBytes(dir.file("empty.3do"), {}));
    Loaded loaded = load(dir.file("empty.3do"), 1000);
    EXPECT_EQ(loaded.result, ReadFileResult::Ok);
    EXPECT_TRUE(loaded.dataNull);
    EXPECT_TRUE(loaded.bytes.empty());
}

TEST_F(ReadWholeFileTest, ReadsEveryByteValueExactly)
{
    std::vector<uint8_t> bytes = pattern(256 * 5 + 3, 7);
    ASSERT_TRUE(writeBytes(dir.file("all.3do"), bytes));
    Loaded loaded = load(dir.file("all.3do"), 1u << 20);
    EXPECT_EQ(loaded.result, ReadFileResult::Ok);
    EXPECT_EQ(loaded.bytes, bytes);
}

TEST_F(ReadWholeFileTest, MaxSizeIsInclusive)
{
    std::vector<uint8_t> bytes = pattern(1000, 1);
    ASSERT_TRUE(writeBytes(dir.file("edge.3do"), bytes));
    Loaded fits = load(dir.file("edge.3do"), 1000);
    EXPECT_EQ(fits.result, ReadFileResult::Ok);
    EXPECT_EQ(fits.bytes, bytes);
    EXPECT_EQ(load(dir.file("edge.3do"), 999).result, ReadFileResult::TooLarge);
}

TEST_F(ReadWholeFileTest, InjectedFaultsFailTheLoadOnceAtTheirOccurrence)
{
    std::vector<uint8_t> bytes = pattern(300, 3);
    ASSERT_TRUE(writeBytes(dir.file("unit.3do"), bytes));
    injectFileFault(FileStep::Open, 2);
    EXPECT_EQ(load(dir.file("unit.3do"), 1000).result, ReadFileResult::Ok);
    EXPECT_EQ(load(dir.file("unit.3do"), 1000).result, ReadFileResult::CannotOpen);
    EXPECT_EQ(load(dir.file("unit.3do"), 1000).result, ReadFileResult::Ok);
    injectFileFault(FileStep::Read, 1);
    EXPECT_EQ(load(dir.file("unit.3do"), 1000).result, ReadFileResult::CannotRead);
    injectFileFault(FileStep::Read, 1);
    clearFileFaults();
    EXPECT_EQ(load(dir.file("unit.3do"), 1000).bytes, bytes);
}

TEST_F(ReplaceFileContentsTest, ReplacesWithShorterLongerAndEmptyContents)
{
    std::string path = dir.file("unit.3do");
    ASSERT_TRUE(writeBytes(path, pattern(3000, 0)));
    for (size_t length : {1234u, 5000u, 0u}) {
        std::vector<uint8_t> bytes = pattern(length, static_cast<unsigned>(length));
        EXPECT_TRUE(replace(path, bytes)) << length;
        EXPECT_EQ(readBytes(path), bytes) << length;
        EXPECT_EQ(dir.entries(), OnlyModel) << length;
    }
}

TEST_F(ReplaceFileContentsTest, CreatesMissingFileButNotMissingDirectory)
{
    std::vector<uint8_t> bytes = pattern(77, 5);
    EXPECT_TRUE(replace(dir.file("unit.3do"), bytes));
    EXPECT_EQ(readBytes(dir.file("unit.3do")), bytes);
    EXPECT_EQ(dir.entries(), OnlyModel);

    EXPECT_FALSE(replace((fs::path(dir.path()) / "absent" / "unit.3do").string(), bytes));
    EXPECT_EQ(dir.entries(), OnlyModel);
}

TEST_F(ReplaceFileContentsTest, DirectoryAndReadOnlyFileAreRefusedUntouched)
{
    ASSERT_TRUE(fs::create_directory(dir.file("folder")));
    EXPECT_FALSE(replace(dir.file("folder"), pattern(10, 0)));
    EXPECT_TRUE(fs::is_directory(dir.file("folder")));

    std::string path = dir.file("locked.3do");
    std::vector<uint8_t> original = pattern(500, 9);
    ASSERT_TRUE(writeBytes(path, original));
    // On Windows this sets the read-only attribute.
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
    EXPECT_FALSE(replace(path, pattern(20, 1)));
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"folder", "locked.3do"}));
}

TEST_F(ReplaceFileContentsTest, FaultAtEveryStepKeepsOriginalAndLeavesNoStray)
{
    std::string path = dir.file("unit.3do");
    std::vector<uint8_t> original = pattern(4000, 2);
    ASSERT_TRUE(writeBytes(path, original));
    for (uint8_t step = 0; step < static_cast<uint8_t>(FileStep::Count); ++step) {
        // Saving never reads.
        if (static_cast<FileStep>(step) == FileStep::Read)
            continue;
        injectFileFault(static_cast<FileStep>(step), 1);
        EXPECT_FALSE(replace(path, pattern(3000, 1))) << "step " << int(step);
        EXPECT_EQ(readBytes(path), original) << "step " << int(step);
        EXPECT_EQ(dir.entries(), OnlyModel) << "step " << int(step);
        clearFileFaults();
    }
    EXPECT_TRUE(replace(path, pattern(3000, 1)));
    EXPECT_EQ(readBytes(path), pattern(3000, 1));
}

TEST_F(ReplaceFileContentsTest, FaultWhileCreatingLeavesNoFileBehind)
{
    std::string path = dir.file("unit.3do");
    for (FileStep step : {FileStep::CreateTemporary, FileStep::Write, FileStep::CopyAttributes, FileStep::Flush,
                          FileStep::Close, FileStep::Replace}) {
        injectFileFault(step, 1);
        EXPECT_FALSE(replace(path, pattern(100, 0))) << "step " << int(step);
        EXPECT_TRUE(dir.entries().empty()) << "step " << int(step);
        clearFileFaults();
    }
}

TEST_F(ReplaceFileContentsTest, WriteFaultPartWayThroughLargeContents)
{
    std::string path = dir.file("unit.3do");
    std::vector<uint8_t> original = pattern(100, 4);
    std::vector<uint8_t> large = pattern(3 * size_t{MaxWriteChunk} + 17, 8);
    ASSERT_TRUE(writeBytes(path, original));
    // Four write calls: each of them may be the one that finds the disk full.
    for (uint32_t occurrence = 1; occurrence <= 4; ++occurrence) {
        injectFileFault(FileStep::Write, occurrence);
        EXPECT_FALSE(replace(path, large)) << occurrence;
        EXPECT_EQ(readBytes(path), original) << occurrence;
        EXPECT_EQ(dir.entries(), OnlyModel) << occurrence;
    }
    injectFileFault(FileStep::Write, 5);
    EXPECT_TRUE(replace(path, large));
    EXPECT_EQ(readBytes(path), large);
}

#ifdef _WIN32
TEST_F(ReplaceFileContentsTest, HiddenAndSystemAttributesKept)
{
    std::string path = dir.file("unit.3do");
    ASSERT_TRUE(writeBytes(path, pattern(64, 0)));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_TRUE(replace(path, pattern(32, 1)));
    DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_SYSTEM, 0u);
    EXPECT_EQ(readBytes(path), pattern(32, 1));
    EXPECT_EQ(dir.entries(), OnlyModel);
}
#else
TEST_F(ReplaceFileContentsTest, PermissionBitsAndOwnerKept)
{
    std::string path = dir.file("unit.3do");
    ASSERT_TRUE(writeBytes(path, pattern(64, 0)));
    for (mode_t mode : {0640, 0755, 0600, 0602, 04755, 02750}) {
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        EXPECT_TRUE(replace(path, pattern(32, mode)));
        struct stat info;
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode);
    }
    if (geteuid() != 0)
        GTEST_SKIP() << "only root can give a file away; ownership not checked";
    ASSERT_EQ(chown(path.c_str(), 1234, 5678), 0);
    EXPECT_TRUE(replace(path, pattern(16, 0)));
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 1234u);
    EXPECT_EQ(info.st_gid, 5678u);
}

TEST_F(ReplaceFileContentsTest, SymbolicLinkRewritesItsTargetAndStays)
{
    fs::path links = fs::path(dir.path()) / "links";
    fs::path models = fs::path(dir.path()) / "models";
    ASSERT_TRUE(fs::create_directory(links) && fs::create_directory(models));
    ASSERT_TRUE(writeBytes((models / "unit.3do").string(), pattern(200, 0)));
    fs::create_symlink("../models/unit.3do", links / "unit.3do");

    EXPECT_TRUE(replace((links / "unit.3do").string(), pattern(150, 3)));
    EXPECT_TRUE(fs::is_symlink(links / "unit.3do"));
    EXPECT_EQ(fs::read_symlink(links / "unit.3do"), fs::path("../models/unit.3do"));
    EXPECT_EQ(readBytes((models / "unit.3do").string()), pattern(150, 3));
    EXPECT_EQ(fs::directory_entry(models / "unit.3do").is_symlink(), false);
    EXPECT_EQ(std::distance(fs::directory_iterator(links), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(models), fs::directory_iterator()), 1);
}
#endif

// Three files saved as one group, with a fault armed for the second file at
// each step in turn: the second keeps its original, the others are replaced,
// and no temporary file is left.
TEST_F(StagedFileTest, FaultInOneFileOfAGroupSparesTheOthers)
{
    const std::vector<std::string> names{"a.3do", "b.3do", "c.3do"};
    for (uint8_t step = 0; step < static_cast<uint8_t>(FileStep::Count); ++step) {
        if (static_cast<FileStep>(step) == FileStep::Read)
            continue;
        SCOPED_TRACE(int(step));
        for (unsigned i = 0; i < 3; ++i)
            ASSERT_TRUE(writeBytes(dir.file(names[i]), pattern(500 + i, i)));
        injectFileFault(static_cast<FileStep>(step), 2);
        StagedFile* files[3] = {};
        for (unsigned i = 0; i < 3; ++i) {
            std::vector<uint8_t> bytes = pattern(300 + i, 10 + i);
            files[i] = stageFileContents(dir.file(names[i]).c_str(), bytes.data(), static_cast<uint32_t>(bytes.size()));
        }
        bool flushed[3] = {true, true, true};
        flushStagedFiles(files, 3, flushed);
        bool committed[3] = {};
        for (unsigned i = 0; i < 3; ++i)
            committed[i] = commitStagedFile(files[i]);
        syncStagedFolders(files, 3);
        for (StagedFile* file : files)
            releaseStagedFile(file);
        clearFileFaults();

        EXPECT_TRUE(files[0] && files[2] && flushed[0] && flushed[2] && committed[0] && committed[2]);
        EXPECT_FALSE(committed[1]);
        // A file that failed before its flush is never reported flushed.
        EXPECT_EQ(flushed[1], static_cast<FileStep>(step) == FileStep::Replace);
        EXPECT_EQ(readBytes(dir.file(names[0])), pattern(300, 10));
        EXPECT_EQ(readBytes(dir.file(names[1])), pattern(501, 1));
        EXPECT_EQ(readBytes(dir.file(names[2])), pattern(302, 12));
        EXPECT_EQ(dir.entries(), names);
    }
}

TEST_F(StagedFileTest, OnlyAFlushedFileIsCommittedAndReleaseRemovesTheRest)
{
    std::string path = dir.file("unit.3do");
    std::vector<uint8_t> original = pattern(400, 6);
    ASSERT_TRUE(writeBytes(path, original));
    std::vector<uint8_t> bytes = pattern(200, 1);
    StagedFile* file = stageFileContents(path.c_str(), bytes.data(), static_cast<uint32_t>(bytes.size()));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(dir.entries().size(), 2u);
    EXPECT_FALSE(commitStagedFile(file));
    EXPECT_EQ(readBytes(path), original);
    releaseStagedFile(file);
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(dir.entries(), OnlyModel);

    // Flushed but never committed: the original stays all the same.
    file = stageFileContents(path.c_str(), bytes.data(), static_cast<uint32_t>(bytes.size()));
    bool flushed = false;
    flushStagedFiles(&file, 1, &flushed);
    EXPECT_TRUE(flushed);
    releaseStagedFile(file);
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(dir.entries(), OnlyModel);
    EXPECT_EQ(stageFileContents(nullptr, bytes.data(), 1), nullptr);
    EXPECT_EQ(stageFileContents(path.c_str(), nullptr, 1), nullptr);
}

// A group across folders, with a read-only file among writable ones.
TEST_F(StagedFileTest, GroupAcrossFoldersRefusesOnlyTheReadOnlyFile)
{
    fs::path other = fs::path(dir.path()) / "other";
    ASSERT_TRUE(fs::create_directory(other));
    std::vector<std::string> paths{dir.file("a.3do"), (other / "b.3do").string(), dir.file("locked.3do")};
    for (const std::string& path : paths)
        ASSERT_TRUE(writeBytes(path, pattern(90, 0)));
    fs::permissions(paths[2], fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::vector<uint8_t> bytes = pattern(60, 5);
    StagedFile* files[3] = {};
    for (unsigned i = 0; i < 3; ++i)
        files[i] = stageFileContents(paths[i].c_str(), bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ(files[2], nullptr);
    bool flushed[3] = {};
    flushStagedFiles(files, 3, flushed);
    EXPECT_TRUE(flushed[0] && flushed[1] && !flushed[2]);
    EXPECT_TRUE(commitStagedFile(files[0]) && commitStagedFile(files[1]));
    syncStagedFolders(files, 3);
    for (StagedFile* file : files)
        releaseStagedFile(file);
    EXPECT_EQ(readBytes(paths[0]), bytes);
    EXPECT_EQ(readBytes(paths[1]), bytes);
    EXPECT_EQ(readBytes(paths[2]), pattern(90, 0));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.3do", "locked.3do", "other"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(other), fs::directory_iterator()), 1);
}

TEST_F(FileSizeTest, ExistingEmptyMissingAndDirectory)
{
    ASSERT_TRUE(writeBytes(dir.file("unit.3do"), pattern(1234, 0)));
    ASSERT_TRUE(writeBytes(dir.file("empty.3do"), {}));
    EXPECT_EQ(fileSize(dir.file("unit.3do").c_str()), 1234);
    EXPECT_EQ(fileSize(dir.file("empty.3do").c_str()), 0);
    EXPECT_EQ(fileSize(dir.file("absent.3do").c_str()), -1);
    EXPECT_EQ(fileSize(dir.path().c_str()), -1);
    injectFileFault(FileStep::Open, 1);
    EXPECT_EQ(fileSize(dir.file("unit.3do").c_str()), -1);
}

TEST_F(FileSizeTest, SizesBeyond32BitsAreNeverWrapped)
{
    // Sparse files: no disk space is used.
    std::string largest = dir.file("largest.3do");
    std::string beyond = dir.file("beyond.3do");
    std::string huge = dir.file("huge.3do");
    ASSERT_TRUE(makeSparse(largest, 0x7FFFFFFFu));
    ASSERT_TRUE(makeSparse(beyond, 0x80000000u));
    ASSERT_TRUE(makeSparse(huge, 0x100000000u + 100));
    EXPECT_EQ(fileSize(largest.c_str()), 0x7FFFFFFF);
    EXPECT_EQ(fileSize(beyond.c_str()), -1);
    EXPECT_EQ(fileSize(huge.c_str()), -1);
    // Its low 32 bits alone would pass as a 100-byte file.
    EXPECT_EQ(load(huge, 0xFFFFFFFFu).result, ReadFileResult::TooLarge);
}
