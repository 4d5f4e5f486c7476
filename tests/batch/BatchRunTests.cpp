// Whole runs over files in a scratch folder: the report byte for byte, the files
// on disk afterwards, and every failure path of a file and of the report.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ModelImage.h"
#include "clean/BatchRun.h"
#include "clean/ColourMap.h"
#include "platform/File.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Loses 12 vertices (13 duplicates merged, one vertex given to the empty child),
// gains one face (the child's) and shrinks from 10240 to 9876 bytes.
std::vector<uint8_t> tankImage()
{
    ObjectPlan root;
    root.name = "tank_body_1";
    for (int32_t i = 0; i < 176; ++i)
        root.addVertex(i * 1000, 2 * i, -i);
    for (int32_t i = 0; i < 13; ++i)
        root.addVertex(i * 1000, 2 * i, -i);
    for (uint16_t i = 0; i < 200; ++i) {
        uint16_t first = i < 13 ? uint16_t(176 + i) : uint16_t(i % 176);
        root.addFace({first, uint16_t((i + 1) % 176), uint16_t((i + 2) % 176)});
    }
    ObjectPlan empty;
    empty.name = "c";
    root.children.push_back(empty);
    return buildModelImage(root, 10240);
}

// An object with nothing in it: 54 bytes that grow to 100.
std::vector<uint8_t> growingImage()
{
    ObjectPlan root;
    root.name = "g";
    return buildModelImage(root);
}

// A face names vertex 5 of an object with 3 vertices.
std::vector<uint8_t> corruptIndexImage()
{
    ObjectPlan root;
    root.addVertex(0, 0, 0);
    root.addVertex(1, 0, 0);
    root.addVertex(0, 1, 0);
    root.addFace({0, 1, 5});
    return buildModelImage(root);
}

const std::vector<uint8_t> BrokenImage = {1, 0, 0, 0, 9, 9};

std::string readText(const std::string& path)
{
    std::vector<uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string cleanedEntry(const std::string& path, const char* rest)
{
    return "\r\nFile cleaned: \"" + path + "\"\r\n" + rest;
}

// Each file's result as the run tells of it, in order.
struct Told {
    std::string path;
    FileResult result;
};

void collect(void* context, const char* path, const FileResult& result)
{
    static_cast<std::vector<Told>*>(context)->push_back({path, result});
}

std::vector<FileOutcome> outcomes(const std::vector<Told>& told)
{
    std::vector<FileOutcome> all;
    for (const Told& file : told)
        all.push_back(file.result.outcome);
    return all;
}

const char TankCleaned[] = "\tOriginal file size: 10240 bytes\r\n\t12 vertexes removed\r\n\t1 face added\r\n"
                           "\tCleaned file size: 9876 bytes";

class BatchRunTest : public testing::Test {
protected:
    void TearDown() override { clearFileFaults(); }

    std::string put(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::string path = dir.file(name);
        EXPECT_TRUE(writeBytes(path, bytes));
        return path;
    }

    TempDir dir;
    ColourMap colourMap;
};

} // namespace

TEST_F(BatchRunTest, ExampleRunWritesTheReportByteForByte)
{
    std::string broken = put("broken.3do", BrokenImage);
    std::string tank = put("tank.3do", tankImage());
    std::string log = dir.file("log.txt");

    BatchRun run(colourMap, CleanMode::Save);
    std::vector<Told> told;
    run.onFileDone(collect, &told);
    ASSERT_TRUE(run.begin(log.c_str()));
    run.cleanOne(broken.c_str());
    run.cleanOne(tank.c_str());
    run.finish();
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].path, broken);
    EXPECT_EQ(told[1].path, tank);
    EXPECT_EQ(outcomes(told), (std::vector<FileOutcome>{FileOutcome::ReadError, FileOutcome::Cleaned}));
    const FileResult& brokenResult = told[0].result;
    const FileResult& tankResult = told[1].result;

    EXPECT_EQ(readText(log), "Report:\r\nError reading file: \"" + broken + "\"" + cleanedEntry(tank, TankCleaned) +
                                 "\r\n1 out of 2 files cleaned successfully\r\n\t12 vertexes removed\r\n"
                                 "\t1 face added\r\n\t364 bytes removed");
    EXPECT_EQ(readBytes(broken), BrokenImage);
    EXPECT_EQ(readBytes(tank).size(), 9876u);
    EXPECT_EQ(brokenResult.loadFailure, LoadFailure::HeaderOutside);
    EXPECT_EQ(tankResult.verticesBefore, 189u);
    EXPECT_EQ(tankResult.verticesAfter, 177u);
    EXPECT_EQ(tankResult.facesBefore, 200u);
    EXPECT_EQ(tankResult.facesAfter, 201u);
    EXPECT_EQ(run.pathsProcessed(), 2u);
    EXPECT_EQ(run.totals().filesCleaned, 1);
}

TEST_F(BatchRunTest, EveryFileUnreadable)
{
    std::vector<std::string> paths = {put("a.3do", BrokenImage), put("b.3do", {}), dir.file("missing.3do")};
    std::string log = dir.file("log.txt");
    BatchRun run(colourMap, CleanMode::Save);
    std::vector<Told> told;
    run.onFileDone(collect, &told);
    ASSERT_TRUE(run.begin(log.c_str()));
    for (const std::string& path : paths)
        run.cleanOne(path.c_str());
    run.finish();
    EXPECT_EQ(outcomes(told), std::vector<FileOutcome>(3, FileOutcome::ReadError));

    std::string expected = "Report:";
    for (const std::string& path : paths)
        expected += "\r\nError reading file: \"" + path + "\"";
    expected += "\r\n0 out of 3 files cleaned successfully\r\n\t0 vertexes removed\r\n\t0 faces removed\r\n"
                "\t0 bytes removed";
    EXPECT_EQ(readText(log), expected);
    EXPECT_FALSE(fileExists(paths[2]));
}

TEST_F(BatchRunTest, GrowingFileAddsBytesAndReplacesOldReport)
{
    std::string grow = put("grow.3do", growingImage());
    std::string log = put("log.txt", std::vector<uint8_t>(20000, 'x'));
    BatchRun run(colourMap, CleanMode::Save);
    ASSERT_TRUE(run.begin(log.c_str()));
    run.cleanOne(grow.c_str());
    run.finish();
    EXPECT_EQ(readText(log), "Report:" +
                                 cleanedEntry(grow, "\tOriginal file size: 54 bytes\r\n\t1 vertex added\r\n"
                                                    "\t1 face added\r\n\tCleaned file size: 100 bytes") +
                                 "\r\n1 out of 1 files cleaned successfully\r\n\t1 vertex added\r\n\t1 face added\r\n"
                                 "\t46 bytes added");
    EXPECT_EQ(readBytes(grow).size(), 100u);
    EXPECT_EQ(run.totals().bytesSaved, -46);
}

TEST_F(BatchRunTest, CorruptIndexIsAReadErrorAndLeavesTheFile)
{
    std::vector<uint8_t> image = corruptIndexImage();
    std::string path = put("corrupt.3do", image);
    CleanTotals totals;
    FileResult result;
    char* entry = cleanFile(path.c_str(), colourMap, totals, CleanMode::Save, &result);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(std::string(entry), "\r\nError reading file: \"" + path + "\"");
    delete[] entry;
    EXPECT_EQ(result.outcome, FileOutcome::ReadError);
    EXPECT_EQ(result.loadFailure, LoadFailure::None);
    EXPECT_EQ(result.cleanResult, CleanResult::CorruptIndex);
    EXPECT_EQ(readBytes(path), image);
    EXPECT_EQ(totals.filesCleaned, 0);
    EXPECT_EQ(totals.verticesRemoved, 0);
}

// A save that fails at any step leaves the original byte for byte, adds nothing
// to the totals and leaves no temporary file; the run goes on with the next file.
TEST_F(BatchRunTest, FailedSaveKeepsTheOriginal)
{
    for (FileStep step : {FileStep::CreateTemporary, FileStep::Write, FileStep::Flush, FileStep::Replace}) {
        SCOPED_TRACE(int(step));
        std::vector<uint8_t> image = tankImage();
        std::string first = put("first.3do", image);
        std::string second = put("second.3do", growingImage());
        std::string log = dir.file("log.txt");
        BatchRun run(colourMap, CleanMode::Save);
        std::vector<Told> told;
        run.onFileDone(collect, &told);
        ASSERT_TRUE(run.begin(log.c_str()));
        // Armed for the first file's save, which happens with the group's.
        injectFileFault(step, 1);
        run.cleanOne(first.c_str());
        run.cleanOne(second.c_str());
        run.finish();
        clearFileFaults();
        EXPECT_EQ(outcomes(told), (std::vector<FileOutcome>{FileOutcome::WriteError, FileOutcome::Cleaned}));

        EXPECT_EQ(readBytes(first), image);
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"first.3do", "log.txt", "second.3do"}));
        std::string report = readText(log);
        EXPECT_EQ(report.rfind("Report:\r\nError writing file: \"" + first + "\"\r\nFile cleaned: \"", 0), 0u);
        EXPECT_NE(report.find("\r\n1 out of 2 files cleaned successfully\r\n\t1 vertex added\r\n\t1 face added\r\n"
                              "\t46 bytes added"),
                  std::string::npos);
    }
}

TEST_F(BatchRunTest, ReadOnlyFileIsAWriteError)
{
    std::vector<uint8_t> image = tankImage();
    std::string path = put("locked.3do", image);
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    CleanTotals totals;
    FileResult result;
    char* entry = cleanFile(path.c_str(), colourMap, totals, CleanMode::Save, &result);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(std::string(entry), "\r\nError writing file: \"" + path + "\"");
    delete[] entry;
    EXPECT_EQ(result.outcome, FileOutcome::WriteError);
    EXPECT_EQ(readBytes(path), image);
    EXPECT_EQ(totals.filesCleaned, 0);
    EXPECT_EQ(totals.bytesSaved, 0);
}

TEST_F(BatchRunTest, FailedReadIsAReadError)
{
    std::vector<uint8_t> image = tankImage();
    std::string path = put("tank.3do", image);
    CleanTotals totals;
    injectFileFault(FileStep::Read, 1);
    FileResult result;
    delete[] cleanFile(path.c_str(), colourMap, totals, CleanMode::Save, &result);
    EXPECT_EQ(result.outcome, FileOutcome::ReadError);
    EXPECT_EQ(result.loadFailure, LoadFailure::CannotRead);
    EXPECT_EQ(readBytes(path), image);
}

TEST_F(BatchRunTest, ReportThatCannotBeCreatedStillCleansEveryFile)
{
    std::string tank = put("tank.3do", tankImage());
    std::string grow = put("grow.3do", growingImage());
    std::string blocker = put("blocker", {'x'});
    std::string log = (fs::path(blocker) / "log.txt").string();
    BatchRun run(colourMap, CleanMode::Save);
    std::vector<Told> told;
    run.onFileDone(collect, &told);
    EXPECT_FALSE(run.begin(log.c_str()));
    EXPECT_FALSE(run.reportOpen());
    run.cleanOne(tank.c_str());
    run.cleanOne(grow.c_str());
    run.finish();
    EXPECT_EQ(outcomes(told), std::vector<FileOutcome>(2, FileOutcome::Cleaned));
    EXPECT_EQ(readBytes(tank).size(), 9876u);
    EXPECT_EQ(readBytes(grow).size(), 100u);
    EXPECT_EQ(run.totals().filesCleaned, 2);
    EXPECT_EQ(run.totals().bytesSaved, 364 - 46);
    EXPECT_EQ(readText(blocker), "x");
}

TEST_F(BatchRunTest, DryRunTouchesNothingAndReportsComposedSizes)
{
    std::vector<uint8_t> image = tankImage();
    std::string tank = put("tank.3do", image);
    std::string log = dir.file("log.txt");
    BatchRun run(colourMap, CleanMode::DryRun);
    std::vector<Told> told;
    run.onFileDone(collect, &told);
    ASSERT_TRUE(run.begin(log.c_str()));
    run.cleanOne(tank.c_str());
    run.finish();
    EXPECT_EQ(readBytes(tank), image);
    ASSERT_EQ(outcomes(told), std::vector<FileOutcome>{FileOutcome::Cleaned});
    EXPECT_EQ(told[0].result.sizeAfter, 9876u);
    std::string entry = cleanedEntry(tank, TankCleaned);
    EXPECT_EQ(readText(log).substr(7, entry.size()), entry);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"log.txt", "tank.3do"}));
}

TEST_F(BatchRunTest, NoReportPathMeansNoReport)
{
    std::string tank = put("tank.3do", tankImage());
    BatchRun run(colourMap, CleanMode::Save);
    std::vector<Told> told;
    run.onFileDone(collect, &told);
    EXPECT_FALSE(run.begin(nullptr));
    run.cleanOne(tank.c_str());
    run.finish();
    EXPECT_EQ(outcomes(told), std::vector<FileOutcome>{FileOutcome::Cleaned});
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"tank.3do"}));
}

// A save that fails for the middle file of a group, at the step where it
// strikes: that file keeps its original, the others are cleaned, and the report
// follows the order of the files.
TEST_F(BatchRunTest, FailedSaveInTheMiddleOfAGroup)
{
    for (FileStep step : {FileStep::CreateTemporary, FileStep::Write, FileStep::CopyAttributes, FileStep::Flush,
                          FileStep::Close, FileStep::Replace}) {
        SCOPED_TRACE(int(step));
        std::vector<std::string> paths = {put("a.3do", growingImage()), put("b.3do", tankImage()),
                                          put("c.3do", growingImage())};
        std::string log = dir.file("log.txt");
        BatchRun run(colourMap, CleanMode::Save);
        std::vector<Told> told;
        run.onFileDone(collect, &told);
        ASSERT_TRUE(run.begin(log.c_str()));
        injectFileFault(step, 2);
        for (const std::string& path : paths)
            run.cleanOne(path.c_str());
        run.finish();
        clearFileFaults();

        EXPECT_EQ(outcomes(told), (std::vector<FileOutcome>{FileOutcome::Cleaned, FileOutcome::WriteError,
                                                            FileOutcome::Cleaned}));
        EXPECT_EQ(told[1].path, paths[1]);
        const char* grown = "\tOriginal file size: 54 bytes\r\n\t1 vertex added\r\n\t1 face added\r\n"
                            "\tCleaned file size: 100 bytes";
        EXPECT_EQ(readText(log), "Report:" + cleanedEntry(paths[0], grown) + "\r\nError writing file: \"" + paths[1] +
                                     "\"" + cleanedEntry(paths[2], grown) +
                                     "\r\n2 out of 3 files cleaned successfully\r\n\t2 vertexes added\r\n"
                                     "\t2 faces added\r\n\t92 bytes added");
        EXPECT_EQ(readBytes(paths[1]), tankImage());
        EXPECT_EQ(readBytes(paths[2]).size(), 100u);
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.3do", "b.3do", "c.3do", "log.txt"}));
    }
}

// More files than one group: each full group is saved and told of before the
// next file is read, and the report and totals cover every file in order.
TEST_F(BatchRunTest, MoreFilesThanOneGroup)
{
    const uint32_t count = 2 * BatchRun::GroupFiles + 3;
    std::vector<std::string> paths;
    for (uint32_t i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "m%03u.3do", i);
        paths.push_back(put(name, i == BatchRun::GroupFiles ? BrokenImage : growingImage()));
    }
    std::string log = dir.file("log.txt");
    BatchRun run(colourMap, CleanMode::Save);
    std::vector<Told> told;
    run.onFileDone(collect, &told);
    ASSERT_TRUE(run.begin(log.c_str()));
    for (uint32_t i = 0; i < count; ++i) {
        run.cleanOne(paths[i].c_str());
        uint32_t saved = (i + 1) / BatchRun::GroupFiles * BatchRun::GroupFiles;
        ASSERT_EQ(told.size(), saved) << i;
        if (i != BatchRun::GroupFiles) {
            EXPECT_EQ(readBytes(paths[i]).size(), i + 1 == saved ? 100u : 54u) << i;
        }
    }
    run.finish();

    ASSERT_EQ(told.size(), count);
    std::string expected = "Report:";
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_EQ(told[i].path, paths[i]);
        if (i == BatchRun::GroupFiles) {
            expected += "\r\nError reading file: \"" + paths[i] + "\"";
            continue;
        }
        expected += cleanedEntry(paths[i], "\tOriginal file size: 54 bytes\r\n\t1 vertex added\r\n\t1 face added\r\n"
                                           "\tCleaned file size: 100 bytes");
    }
    expected += "\r\n130 out of 131 files cleaned successfully\r\n\t130 vertexes added\r\n\t130 faces added\r\n"
                "\t5980 bytes added";
    EXPECT_EQ(readText(log), expected);
    EXPECT_EQ(run.pathsProcessed(), count);
    EXPECT_EQ(dir.entries().size(), count + 1);
}

// A run dropped before finish saves nothing of its last group and leaves no
// temporary file behind.
TEST_F(BatchRunTest, RunEndedWithoutFinishLeavesItsLastGroupUntouched)
{
    std::vector<uint8_t> image = tankImage();
    std::string tank = put("tank.3do", image);
    {
        BatchRun run(colourMap, CleanMode::Save);
        EXPECT_FALSE(run.begin(nullptr));
        run.cleanOne(tank.c_str());
    }
    EXPECT_EQ(readBytes(tank), image);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"tank.3do"}));
}
