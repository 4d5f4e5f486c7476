// scour's clean command end to end: folder searching, the outcome of each file
// in its words, dry runs and checks, colour options and maps, --repair, what is
// refused before anything is touched, messages and exit codes.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/Commands.h"
#include "cli/JsonLines.h"
#include "support/Faults.h"
#include "support/ModelBuilder.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

CommandRun scour(std::vector<std::string> arguments) { return runCommand(runClean, std::move(arguments)); }

std::string fullPath(const std::string& path) { return fs::absolute(path).lexically_normal().string(); }

// 4 vertices and 2 faces, of colours 0 and 5: colour 0 goes by default, leaving 3 and 1.
std::vector<uint8_t> smallModel()
{
    return plainImage({ObjectPlan({{0, 0, 0}, {9, 0, 0}, {0, 9, 0}, {9, 0, 0}}, {{0, {0, 1, 2}}, {5, {0, 3, 2}}})});
}

// A scratch folder that is the working folder while the test runs.
class CleanCommand : public testing::Test {
protected:
    ~CleanCommand() override { clearFileFaults(); }

    TempDir dir;
    WorkingFolder inDir{dir.path()};
};

} // namespace

TEST_F(CleanCommand, FoldersGiveTheirModelsSortedAndRecursively)
{
    const std::vector<uint8_t> image = smallModel();
    for (const char* name : {"m/c.3Do", "m/a.3do", "m/B.3DO", "m/notes.txt", "m/x.3do.bak", "m/sub/d.3do"})
        putFile(name, image);
    fs::create_directories(dir.file("m/dir.3do"));
    // The folder's own files named .3do in any case, sorted, then those below. A
    // dry run touches nothing and writes no log.
    std::string lines;
    for (const char* name : {"m/B.3DO", "m/a.3do", "m/c.3Do", "m/sub/d.3do"})
        lines += fullPath(name) + ": would-change: 4 -> 3 vertices, 2 -> 1 face, 181 -> 131 bytes\n";
    EXPECT_EQ(scour({"--dry-run", "-r", "./m/../m"}).out,
              lines + "4 of 4 files would change; 0 cannot be cleaned: 4 vertices removed, 4 faces removed, "
                      "200 bytes removed (dry run, nothing changed)\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"m"});
    // Without -r only the folder's own files; under --quiet only the summary line.
    CommandRun quiet = scour({"--quiet", "m"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out,
              "3 of 3 files cleaned, 0 unchanged, 0 cannot be cleaned: 3 vertices removed, 3 faces "
              "removed, 150 bytes removed\n");
    const std::string log = readText("log.txt");
    ASSERT_TRUE(contains(log, "\"" + fullPath("m/a.3do") + "\""));
    // The second time they are clean and nothing is written (the batch run's tests
    // hold the files' identities and times).
    EXPECT_EQ(scour({"--no-log", "m/a.3do"}).out,
              fullPath("m/a.3do") + ": unchanged: 3 vertices, 1 face, 131 bytes\n"
                  + "0 of 1 file cleaned, 1 unchanged, 0 cannot be cleaned: 0 vertices removed, 0 faces removed, "
                    "0 bytes removed\n");
    // A folder without models of its own is a warning and replaces no report.
    putFile("mod/objects3d/unit.3do", image);
    CommandRun none = scour({"mod"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err, "scour: no .3do files in mod; --recursive searches its subfolders\n");
    fs::create_directories(dir.file("empty"));
    EXPECT_EQ(scour({"-r", "empty"}).err, "scour: no .3do files in empty\n");
    EXPECT_EQ(readText("log.txt"), log);
}

// Whatever is wrong with the command line, nothing is read, written or replaced.
TEST_F(CleanCommand, NothingIsTouchedUnlessTheCommandLineCanBeHonoured)
{
    const std::vector<uint8_t> image = smallModel();
    putFile("good.3do", image);
    putFile("blocker", {'x'});
    putFile("short.map", std::vector<uint8_t>(1000, 0));
    // Colour 17's entry is neither a colour nor removed.
    std::vector<uint8_t> wrong(1024, 0);
    for (uint32_t c = 0; c < 256; ++c)
        wrong[4 * c] = uint8_t(c);
    wrong[4 * 17] = 44;
    wrong[4 * 17 + 1] = 1;
    putFile("wrong.map", wrong);
    const std::vector<std::string> entries = dir.entries();
    struct Refusal {
        std::vector<std::string> arguments;
        std::string message; // the start of standard error
    };
    for (const Refusal& refusal : std::vector<Refusal>{
             {{"good.3do", "missing.3do", "gone"},
              "scour: no such file or folder: missing.3do\nscour: no such file or folder: gone\n"},
             {{"--remove", "256", "good.3do"}, "scour: colour list \"256\": colour 256 is out of range (0 to 255)\n"},
             {{"--map", "none.map", "good.3do"}, "scour: cannot read the colour map \"none.map\": no such file\n"},
             {{"--map", "short.map", "good.3do"},
              "scour: the colour map \"short.map\" is 1000 bytes; a colour map is exactly 1024 bytes\n"},
             {{"--map=wrong.map", "good.3do"},
              "scour: the colour map \"wrong.map\" is refused: colour 17 has the entry 0x0000012c, which is "
              "neither a colour (0 to 255) nor removed\n"},
             {{"--log", "blocker/log.txt", "good.3do"}, "scour: cannot create the report blocker/log.txt: "},
             {{"--log=", "good.3do"}, "scour: cannot create the report : "},
             {{"--log", "a.txt", "--no-log", "good.3do"}, "scour: --log and --no-log cannot be given together\n"},
             {{"-j0", "good.3do"}, "scour: --jobs takes a number from 1 to 64\n"},
             {{"--dry-run", "--log", "a.txt", "good.3do"},
              "scour: --dry-run writes no report: --log cannot be given with it\n"},
             {{"--check", "--save-map", "map.bin", "good.3do"}, "scour: --check writes nothing"},
             {{"--dry-rn", "good.3do"}, "scour: unknown option --dry-rn (did you mean --dry-run?)\n"},
             {{}, "scour: no model files or folders given\n"}}) {
        const CommandRun run = scour(refusal.arguments);
        const std::string shown = testing::PrintToString(refusal.arguments);
        EXPECT_EQ(run.exitCode, 2) << shown;
        EXPECT_EQ(run.err.substr(0, refusal.message.size()), refusal.message) << shown;
        EXPECT_EQ(dir.entries(), entries) << shown;
        EXPECT_EQ(readBytes(dir.file("good.3do")), image) << shown;
    }
    // The report's refusal says why and how to go on without one.
    EXPECT_TRUE(contains(scour({"--log", "blocker/log.txt", "good.3do"}).err,
                         "; no model was touched (--no-log cleans without a report)\n"));
}

TEST_F(CleanCommand, ColourOptionsReachTheRunAndTheMapIsStoredFirst)
{
    const std::vector<uint8_t> image = smallModel();
    putFile("model.3do", image);
    // Colour 0 kept, colour 5 removed; the map is saved as it stood then.
    CommandRun run = scour({"--keep=0", "--save-map", "saved.map", "--remove", "5", "--no-log", "model.3do"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(contains(run.out, ": cleaned: 4 -> 3 vertices, 2 -> 1 face"));
    // The stored form's layout is the colour map tests' own: entry c at 4 c.
    const std::vector<uint8_t> saved = readBytes(dir.file("saved.map"));
    EXPECT_TRUE(saved.size() == 1024 && saved[0] == 0 && saved[20] == 5) << testing::PrintToString(saved);
    // A map of the program's own is taken back.
    putFile("model.3do", image);
    EXPECT_TRUE(contains(scour({"--map", "saved.map", "--no-log", "model.3do"}).out, ": cleaned: 4 -> 3 vertices"));
    // A map that cannot be stored stops the run before any model is touched.
    putFile("model.3do", image);
    putFile("blocker", {'x'});
    EXPECT_EQ(scour({"--save-map", "blocker/saved.map", "model.3do"}).exitCode, 1);
    EXPECT_EQ(readBytes(dir.file("model.3do")), image);
    EXPECT_FALSE(fileExists(dir.file("log.txt")));
}

TEST_F(CleanCommand, CheckListsWhatWouldChangeAndWritesNothing)
{
    const std::vector<uint8_t> image = smallModel();
    putFile("models/a.3do", image);
    putFile("models/b.3do", image);
    putFile("models/broken.3do", {1, 0, 0, 0});
    CommandRun unclean = scour({"--check", "models"});
    EXPECT_EQ(unclean.exitCode, 1);
    EXPECT_EQ(unclean.out, fullPath("models/a.3do") + ": would-change: 4 -> 3 vertices, 2 -> 1 face, 181 -> 131 bytes\n"
                               + fullPath("models/b.3do")
                               + ": would-change: 4 -> 3 vertices, 2 -> 1 face, 181 -> 131 bytes\n"
                                 "2 of 3 files would change; 1 cannot be cleaned\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"models"});
    EXPECT_EQ(readBytes(dir.file("models/a.3do")), image);
    fs::remove(dir.file("models/broken.3do"));
    // Once cleaned with the same colours, the folder passes; another map fails it
    // again even when only a colour changes and the size stays the same.
    ASSERT_EQ(scour({"--keep-all", "--no-log", "--quiet", "models"}).exitCode, 0);
    CommandRun passed = scour({"--check", "--keep-all", "models"});
    EXPECT_EQ(passed.exitCode, 0);
    EXPECT_EQ(passed.out, "0 of 2 files would change; 0 cannot be cleaned\n");
    CommandRun recoloured = scour({"--check", "--keep-all", "--replace", "5=6", "models/a.3do"});
    EXPECT_EQ(recoloured.exitCode, 1);
    EXPECT_TRUE(contains(recoloured.out, "3 -> 3 vertices, 2 -> 2 faces, 169 -> 169 bytes"));
}

TEST_F(CleanCommand, EachOutcomeInItsWordsAndRepair)
{
    // A helper object with a one-point marker face and no vertices, as real mods
    // hold them: refused unless --repair drops the face.
    ObjectPlan root({{0, 0, 0}, {9, 0, 0}, {0, 9, 0}}, {{1, {0, 1, 2}}});
    root.children = {ObjectPlan({}, {{0, {0}}}, -1, "flare")};
    const std::vector<uint8_t> marker = plainImage({root});
    putFile("marker.3do", marker);
    putFile("empty.3do", {});
    putFile("text.3do", std::vector<uint8_t>(60, ' '));
    putFile("locked.3do", smallModel());
    fs::permissions(dir.file("locked.3do"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    CommandRun refused = scour({"--no-log", "marker.3do", "empty.3do", "text.3do", "locked.3do"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, fullPath("marker.3do")
                               + ": refused: object \"flare\" face 0 names vertex 0, the object has 0 vertices; "
                                 "--repair drops such faces\n"
                               + fullPath("empty.3do") + ": unreadable: the file is empty\n" + fullPath("text.3do")
                               + ": unreadable: not a 3DO model (header version 0x20202020)\n" + fullPath("locked.3do")
                               + ": unwritable: the file is read-only; the file is left as it was\n");
    EXPECT_EQ(refused.out,
              "0 of 4 files cleaned, 0 unchanged, 4 cannot be cleaned: 0 vertices removed, 0 faces "
              "removed, 0 bytes removed\n");
    injectFileFault(FileStep::Write, 1, FileError::NoSpace);
    EXPECT_TRUE(
        contains(scour({"--no-log", "text.3do", "marker.3do", "--repair"}).err,
                 fullPath("marker.3do") + ": unwritable: no space left on device; the file is left as it was\n"));
    clearFileFaults();
    // A check with --repair counts what the repair would change; the repair
    // tells each dropped face, and then even a check without --repair passes.
    const std::string dropped =
        fullPath("marker.3do") + ": object \"flare\" face 0 names vertex 0, the object has 0 vertices: ";
    CommandRun check = scour({"--check", "--repair", "marker.3do"});
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_TRUE(contains(check.err, dropped + "would be dropped\n"));
    CommandRun json = scour({"--json", "--repair", "--no-log", "marker.3do"});
    EXPECT_TRUE(contains(json.out, ", \"outcome\": \"cleaned\", "));
    EXPECT_TRUE(contains(
        json.out, ", \"droppedFaces\": [{\"object\": \"flare\", \"face\": 0, \"index\": 0, \"vertexCount\": 0}]"));
    EXPECT_TRUE(contains(json.err, dropped + "dropped\n"));
    EXPECT_EQ(scour({"--check", "marker.3do"}).exitCode, 0);
}

// Quotes and backslashes are left to json_matches_log.py, which reads such a path back.
TEST(JsonString, EscapesWhatJsonForbidsAndKeepsValidUtf8)
{
    EXPECT_EQ(jsonString("tab\there\nnl\x7f caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82"),
              "\"tab\\u0009here\\u000anl\\u007f caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82\"");
    // Latin-1 bytes of an ANSI path, a cut sequence, overlong and surrogate forms.
    EXPECT_EQ(jsonString("caf\xe9 \xe2\x82 \xc0\xaf \xed\xa0\x80"),
              "\"caf\\u00e9 \\u00e2\\u0082 \\u00c0\\u00af \\u00ed\\u00a0\\u0080\"");
}
