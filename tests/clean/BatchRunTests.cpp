// Whole runs over files in a scratch folder: the report byte for byte, the files
// on disk afterwards, and every failure path of a file.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "clean/BatchRun.h"
#include "clean/ColourMap.h"
#include "support/Faults.h"
#include "support/ModelBuilder.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Loses 12 vertices (13 duplicates merged, one vertex given to the empty child),
// gains one face (the child's) and shrinks from 10240 to 9876 bytes.
std::vector<uint8_t> tankImage()
{
    ObjectPlan root({}, {}, -1, "tank_body_1");
    for (int32_t i = 0; i < 189; ++i)
        root.vertices.push_back({(i % 176) * 1000, 2 * (i % 176), -(i % 176)});
    for (uint16_t i = 0; i < 200; ++i) {
        uint16_t first = i < 13 ? uint16_t(176 + i) : uint16_t(i % 176);
        root.faces.push_back({1, {first, uint16_t((i + 1) % 176), uint16_t((i + 2) % 176)}});
    }
    root.children = {ObjectPlan({}, {}, -1, "c")};
    return plainImage({root}, 10240);
}

// An object with nothing in it: 54 bytes that grow to 100.
const std::vector<uint8_t> GrowingImage = plainImage({ObjectPlan({}, {}, -1, "g")});
const std::vector<uint8_t> BrokenImage = {1, 0, 0, 0, 9, 9};

const char TankCleaned[] =
    "\tOriginal file size: 10240 bytes\r\n\t12 vertexes removed\r\n\t1 face added\r\n"
    "\tCleaned file size: 9876 bytes";
// The tank once cleaned, cleaned again.
const char TankAgain[] =
    "\tOriginal file size: 9876 bytes\r\n\t0 vertexes removed\r\n\t0 faces removed\r\n"
    "\tCleaned file size: 9876 bytes";
const char Grown[] =
    "\tOriginal file size: 54 bytes\r\n\t1 vertex added\r\n\t1 face added\r\n"
    "\tCleaned file size: 100 bytes";

std::string cleanedEntry(const std::string& path, const char* rest)
{
    return "\r\nFile cleaned: \"" + path + "\"\r\n" + rest;
}

std::string errorEntry(const char* verb, const std::string& path)
{
    return std::string("\r\nError ") + verb + " file: \"" + path + "\"";
}

// What a run tells of each file, in order, and how it ends.
struct RunResult {
    std::vector<FileResult> results;
    std::vector<uint32_t> groupSizes;
};

class BatchRunTest : public testing::Test {
protected:
    void TearDown() override { clearFileFaults(); }

    std::string put(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::string path = dir.file(name);
        EXPECT_TRUE(writeBytes(path, bytes));
        return path;
    }

    std::string log() const { return dir.file("log.txt"); }

    // afterGroup is told how many files are done after each group.
    RunResult runAll(
        const std::vector<std::string>& paths, const char* reportPath, CleanMode mode = CleanMode::Save,
        uint32_t workers = 0, const std::function<void(uint32_t)>& afterGroup = [](uint32_t) {},
        uint32_t groupFiles = GroupFiles)
    {
        RunResult result;
        BatchRun run(colourMap, mode, false, workers);
        run.setGroupFiles(groupFiles);
        run.begin(reportPath);
        std::vector<const char*> order;
        for (const std::string& path : paths)
            order.push_back(path.c_str());
        run.start(order.data(), uint32_t(order.size()));
        uint32_t count = 0;
        for (const PreparedFile* group; (group = run.saveNextGroup(&count)) != nullptr;) {
            for (uint32_t i = 0; i < count; ++i) {
                EXPECT_EQ(group[i].path, order[result.results.size()]);
                result.results.push_back(group[i].result);
            }
            result.groupSizes.push_back(count);
            afterGroup(run.pathsProcessed());
        }
        run.finish();
        return result;
    }

    TempDir dir;
    ColourMap colourMap;
};

} // namespace

// Files that cannot be read (broken, empty, missing) or that the cleaning refuses
// (a face names vertex 5 of 3) are reported and left as they were; the report
// replaces an older, longer one, and a dry run first touches nothing and reports
// what the real run does.
TEST_F(BatchRunTest, ExampleRunWritesTheReportByteForByte)
{
    const std::vector<uint8_t> corruptImage =
        plainImage({ObjectPlan({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{1, {0, 1, 5}}})});
    const std::vector<uint8_t> image = tankImage();
    const std::vector<std::string> paths = {put("broken.3do", BrokenImage), put("empty.3do", {}),
                                            dir.file("missing.3do"), put("corrupt.3do", corruptImage),
                                            put("tank.3do", image)};
    put("log.txt", std::vector<uint8_t>(20000, 'x'));
    runAll(paths, dir.file("dry.txt").c_str(), CleanMode::DryRun);
    EXPECT_EQ(readBytes(paths[4]), image);
    runAll(paths, log().c_str());
    std::string expected = "Report:";
    for (size_t i = 0; i < 4; ++i)
        expected += errorEntry("reading", paths[i]);
    EXPECT_EQ(readText(log()), expected + cleanedEntry(paths[4], TankCleaned)
                                   + "\r\n1 out of 5 files cleaned successfully\r\n\t12 vertexes removed\r\n"
                                     "\t1 face added\r\n\t364 bytes removed");
    EXPECT_EQ(readText(dir.file("dry.txt")), readText(log()));
    EXPECT_EQ(readBytes(paths[0]), BrokenImage);
    EXPECT_EQ(readBytes(paths[3]), corruptImage);
    EXPECT_EQ(readBytes(paths[4]).size(), 9876u);
    // Neither run made a file, nor left a temporary one.
    EXPECT_EQ(dir.entries(),
              (std::vector<std::string>{"broken.3do", "corrupt.3do", "dry.txt", "empty.3do", "log.txt", "tank.3do"}));
}

// A save that fails, for the first or the middle file of a group: that file
// keeps its original, the others are cleaned and the report follows the order of
// the files, and no temporary file stays. The file layer's tests strike every
// step of a save.
TEST_F(BatchRunTest, FailedSaveKeepsTheOriginal)
{
    for (uint32_t failing : {0u, 1u}) {
        for (FileStep step : {FileStep::Write, FileStep::Replace}) {
            SCOPED_TRACE(std::to_string(failing) + ", step " + std::to_string(int(step)));
            std::vector<std::string> paths;
            std::string expected = "Report:";
            for (uint32_t i = 0; i < 3; ++i) {
                paths.push_back(put(std::string(1, char('a' + i)) + ".3do", i == failing ? tankImage() : GrowingImage));
                expected += i == failing ? errorEntry("writing", paths[i]) : cleanedEntry(paths[i], Grown);
            }
            // Reading never strikes these steps, nor does the report.
            injectFileFault(step, failing + 1);
            runAll(paths, log().c_str());
            clearFileFaults();
            EXPECT_EQ(readText(log()), expected + "\r\n2 out of 3 files cleaned successfully\r\n\t2 vertexes added\r\n"
                                                  "\t2 faces added\r\n\t92 bytes added");
            EXPECT_EQ(readBytes(paths[failing]), tankImage());
            EXPECT_EQ(readBytes(paths[2]).size(), 100u);
            EXPECT_EQ(dir.entries(), (std::vector<std::string>{"a.3do", "b.3do", "c.3do", "log.txt"}));
        }
    }
}

// More files than one group, of the largest size and of a smaller one: each
// group is saved before the next one is told of, the files after it wait
// unsaved, and the report and totals cover every file in order.
TEST_F(BatchRunTest, MoreFilesThanOneGroup)
{
    const uint32_t count = 2 * GroupFiles + 3;
    std::vector<std::string> paths;
    std::string expected = "Report:";
    for (uint32_t i = 0; i < count; ++i) {
        paths.push_back(dir.file("m" + std::to_string(i) + ".3do"));
        expected += i == GroupFiles ? errorEntry("reading", paths[i]) : cleanedEntry(paths[i], Grown);
    }
    for (uint32_t groupFiles : {GroupFiles, 16u}) {
        SCOPED_TRACE(groupFiles);
        for (uint32_t i = 0; i < count; ++i)
            EXPECT_TRUE(writeBytes(paths[i], i == GroupFiles ? BrokenImage : GrowingImage));
        const auto afterGroup = [&](uint32_t done) {
            EXPECT_EQ(readBytes(paths[done - 1]).size(), 100u) << done;
            if (done < count && done != GroupFiles) {
                EXPECT_EQ(readBytes(paths[done]).size(), 54u) << done;
            }
        };
        RunResult run = runAll(paths, log().c_str(), CleanMode::Save, 3, afterGroup, groupFiles);
        std::vector<uint32_t> sizes(count / groupFiles, groupFiles);
        sizes.push_back(count % groupFiles);
        EXPECT_EQ(run.groupSizes, sizes);
        EXPECT_EQ(readText(log()), expected + "\r\n130 out of 131 files cleaned successfully\r\n\t130 vertexes added\r\n"
                                              "\t130 faces added\r\n\t5980 bytes added");
    }
}

// A file named twice, or by a hard link, is cleaned once per mention in order: the
// later mentions find it clean, and the totals are those of one cleaning, in a
// dry run as in a saving one.
TEST_F(BatchRunTest, OneFileNamedSeveralTimes)
{
    const std::string tank = put("tank.3do", tankImage());
    const std::string other = put("other.3do", tankImage());
    const std::string hard = dir.file("hard.3do");
    fs::create_hard_link(tank, hard);
    for (CleanMode mode : {CleanMode::DryRun, CleanMode::Save}) {
        RunResult run = runAll({tank, other, tank, hard}, log().c_str(), mode, 2);
        EXPECT_EQ(readText(log()), "Report:" + cleanedEntry(tank, TankCleaned) + cleanedEntry(other, TankCleaned)
                                       + cleanedEntry(tank, TankAgain) + cleanedEntry(hard, TankAgain)
                                       + "\r\n4 out of 4 files cleaned successfully\r\n\t24 vertexes removed\r\n"
                                         "\t2 faces added\r\n\t728 bytes removed");
        EXPECT_EQ(run.results[2].outcome, FileOutcome::Unchanged);
        EXPECT_EQ(readBytes(tank).size(), mode == CleanMode::Save ? 9876u : 10240u);
    }
}

// A run dropped before its groups are saved saves nothing and leaves no
// temporary file behind, and with no report path writes no report. The clean
// command's tests meet a report that cannot be created.
TEST_F(BatchRunTest, DroppedRunWithoutAReport)
{
    std::vector<uint8_t> image = tankImage();
    std::string tank = put("tank.3do", image);
    {
        BatchRun run(colourMap, CleanMode::Save);
        EXPECT_FALSE(run.begin(nullptr));
        const char* order[] = {tank.c_str()};
        run.start(order, 1);
    }
    EXPECT_EQ(readBytes(tank), image);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"tank.3do"}));
}

// A file whose cleaned form is its bytes is never written, whatever links it or
// forbids writing it: same file, same time, its other names kept, and its entry
// that of a cleaned file with nothing removed.
TEST_F(BatchRunTest, CleanFilesAreLeftAlone)
{
    const std::string tank = put("tank.3do", tankImage());
    ASSERT_EQ(runAll({tank}, nullptr).results[0].outcome, FileOutcome::Cleaned);
    const std::string hard = dir.file("hard.3do");
    fs::create_hard_link(tank, hard);
    const std::string locked = put("locked.3do", readBytes(tank));
    fs::permissions(locked, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    // Times a second in the past, so that any write would show.
    const fs::file_time_type past = fs::last_write_time(tank) - std::chrono::seconds(5);
    fs::last_write_time(tank, past);
    fs::last_write_time(locked, past);
    FileIdentity before;
    ASSERT_TRUE(identifyFile(tank.c_str(), &before));
    const std::vector<std::string> entries = dir.entries();

    RunResult run = runAll({tank, hard, locked}, log().c_str());
    for (const FileResult& result : run.results)
        EXPECT_EQ(result.outcome, FileOutcome::Unchanged);
    FileIdentity after;
    FileIdentity linked;
    ASSERT_TRUE(identifyFile(tank.c_str(), &after) && identifyFile(hard.c_str(), &linked));
    EXPECT_EQ(std::pair(after.device, after.file), std::pair(before.device, before.file));
    EXPECT_EQ(std::pair(linked.device, linked.file), std::pair(before.device, before.file));
    EXPECT_EQ(fs::last_write_time(tank), past);
    EXPECT_EQ(fs::last_write_time(locked), past);
    std::vector<std::string> now = dir.entries();
    now.erase(std::remove(now.begin(), now.end(), "log.txt"), now.end());
    EXPECT_EQ(now, entries) << "no temporary file";
    EXPECT_EQ(readText(log()), "Report:" + cleanedEntry(tank, TankAgain) + cleanedEntry(hard, TankAgain)
                                   + cleanedEntry(locked, TankAgain)
                                   + "\r\n3 out of 3 files cleaned successfully\r\n\t0 vertexes removed\r\n"
                                     "\t0 faces removed\r\n\t0 bytes removed");
}
