// scour's clean command end to end: the log against the files on disk, dry runs,
// folder searching, colour options and exit codes.
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ModelImage.h"
#include "clean/ColourMap.h"
#include "cli/Commands.h"
#include "cli/JsonLines.h"
#include "model/Model.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct CommandRun {
    int exitCode;
    std::string out;
};

CommandRun scour(std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    int exitCode = runClean(int(arguments.size()), argv.data());
    return {exitCode, testing::internal::GetCapturedStdout()};
}

// Runs the test with the working folder moved to dir, and moves it back.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::string& dir) : previous(fs::current_path()) { fs::current_path(dir); }
    ~WorkingFolder() { fs::current_path(previous); }

private:
    fs::path previous;
};

std::string readText(const std::string& path)
{
    std::vector<uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

// "\t12 vertexes removed" -> 12, "\t1 face added" -> -1.
long long difference(const std::string& line)
{
    std::istringstream words(line);
    long long count = 0;
    std::string word;
    std::string verb;
    words >> count >> word >> verb;
    EXPECT_TRUE(verb == "removed" || verb == "added") << line;
    return verb == "added" ? -count : count;
}

struct LogEntry {
    std::string kind; // "File cleaned", "Error reading file", "Error writing file"
    std::string path;
    long long sizeBefore = 0;
    long long sizeAfter = 0;
    long long vertices = 0;
    long long faces = 0;
};

struct Log {
    std::vector<LogEntry> entries;
    long long cleaned = -1;
    long long processed = -1;
    long long vertices = 0;
    long long faces = 0;
    long long bytes = 0;
};

Log parseLog(const std::string& text)
{
    Log log;
    std::vector<std::string> lines = splitLines(text);
    EXPECT_GE(lines.size(), 5u);
    if (lines.size() < 5)
        return log;
    EXPECT_EQ(lines[0], "Report:");
    size_t i = 1;
    while (i + 4 < lines.size()) {
        const std::string& line = lines[i];
        size_t quote = line.find(": \"");
        EXPECT_NE(quote, std::string::npos) << line;
        EXPECT_EQ(line.back(), '"') << line;
        LogEntry entry;
        entry.kind = line.substr(0, quote);
        entry.path = line.substr(quote + 3, line.size() - quote - 4);
        ++i;
        if (entry.kind == "File cleaned") {
            EXPECT_EQ(std::sscanf(lines[i].c_str(), "\tOriginal file size: %lld bytes", &entry.sizeBefore), 1);
            entry.vertices = difference(lines[i + 1]);
            entry.faces = difference(lines[i + 2]);
            EXPECT_EQ(std::sscanf(lines[i + 3].c_str(), "\tCleaned file size: %lld bytes", &entry.sizeAfter), 1);
            i += 4;
        }
        log.entries.push_back(entry);
    }
    EXPECT_EQ(i + 4, lines.size());
    EXPECT_EQ(std::sscanf(lines[i].c_str(), "%lld out of %lld files cleaned successfully", &log.cleaned, &log.processed),
              2);
    log.vertices = difference(lines[i + 1]);
    log.faces = difference(lines[i + 2]);
    log.bytes = difference(lines[i + 3]);
    return log;
}

// Every step-th file of the corpus, copied into folder under unique names, writable.
std::vector<std::string> copyCorpusPart(const std::string& folder, size_t step)
{
    fs::create_directories(folder);
    std::vector<std::string> originals;
    std::vector<std::string> files = corpusFiles();
    for (size_t i = 0; i < files.size(); i += step) {
        std::string name = std::to_string(10000 + i) + "-" + fs::path(files[i]).filename().string();
        fs::copy_file(files[i], fs::path(folder) / name);
        // The corpus is read-only, and scour refuses to replace read-only files.
        fs::permissions(fs::path(folder) / name, fs::perms::owner_write, fs::perm_options::add);
        originals.push_back(files[i]);
    }
    return originals;
}

std::string fullPath(const std::string& path)
{
    return fs::absolute(path).lexically_normal().string();
}

ObjectPlan smallModel()
{
    ObjectPlan root;
    root.addVertex(0, 0, 0);
    root.addVertex(9, 0, 0);
    root.addVertex(0, 9, 0);
    root.addVertex(9, 0, 0);
    root.addFace({0, 1, 2}, 0);
    root.addFace({0, 3, 2}, 5);
    return root;
}

const std::vector<uint8_t> BrokenImage = {1, 0, 0, 0};

} // namespace

// The log names each file by its full path in sorted order, and its sizes and
// counts are those of the files before and after, however the folder was named.
TEST(CleanCommand, CorpusRunLogMatchesTheFiles)
{
    REQUIRE_CORPUS();
    TempDir dir;
    std::vector<std::string> originals = copyCorpusPart(dir.file("models"), 17);
    WorkingFolder working(dir.path());
    CommandRun run = scour({"--quiet", "models"});

    Log log = parseLog(readText(dir.file("log.txt")));
    ASSERT_EQ(log.entries.size(), originals.size());
    long long cleaned = 0;
    long long vertices = 0;
    long long faces = 0;
    long long bytes = 0;
    bool anyError = false;
    for (size_t i = 0; i < originals.size(); ++i) {
        const LogEntry& entry = log.entries[i];
        std::string copy = fullPath(dir.file("models") + "/" + std::to_string(10000 + i * 17) + "-" +
                                    fs::path(originals[i]).filename().string());
        SCOPED_TRACE(copy);
        EXPECT_EQ(entry.path, copy);
        std::vector<uint8_t> before = readBytes(originals[i]);
        std::vector<uint8_t> after = readBytes(copy);
        if (entry.kind != "File cleaned") {
            EXPECT_EQ(entry.kind, "Error reading file");
            EXPECT_EQ(after, before);
            anyError = true;
            continue;
        }
        Model original;
        Model result;
        ASSERT_TRUE(original.load(originals[i].c_str()));
        ASSERT_TRUE(result.load(copy.c_str()));
        EXPECT_EQ(entry.sizeBefore, static_cast<long long>(before.size()));
        EXPECT_EQ(entry.sizeAfter, static_cast<long long>(after.size()));
        EXPECT_EQ(entry.vertices, static_cast<long long>(original.countVertices()) - result.countVertices());
        EXPECT_EQ(entry.faces, static_cast<long long>(original.countPrimitives()) - result.countPrimitives());
        ++cleaned;
        vertices += entry.vertices;
        faces += entry.faces;
        bytes += entry.sizeBefore - entry.sizeAfter;
    }
    EXPECT_EQ(log.cleaned, cleaned);
    EXPECT_EQ(log.processed, static_cast<long long>(originals.size()));
    EXPECT_EQ(log.vertices, vertices);
    EXPECT_EQ(log.faces, faces);
    EXPECT_EQ(log.bytes, bytes);
    EXPECT_EQ(run.exitCode, anyError ? 1 : 0);
    EXPECT_EQ(run.out.find("\n"), run.out.size() - 1) << "only the summary line under --quiet";
}

TEST(CleanCommand, DryRunTouchesNothing)
{
    REQUIRE_CORPUS();
    TempDir dir;
    std::vector<std::string> originals = copyCorpusPart(dir.file("models"), 41);
    WorkingFolder working(dir.path());
    CommandRun run = scour({"--dry-run", "models"});
    for (size_t i = 0; i < originals.size(); ++i) {
        std::string copy = dir.file("models") + "/" + std::to_string(10000 + i * 41) + "-" +
                           fs::path(originals[i]).filename().string();
        EXPECT_EQ(readBytes(copy), readBytes(originals[i])) << copy;
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"models"}) << "no log without --log";
    EXPECT_NE(run.out.find("would be cleaned"), std::string::npos);

    // With --log, the dry run's report gives the sizes a real run then produces.
    CommandRun dry = scour({"--dry-run", "--quiet", "--log", "dry.txt", "models"});
    CommandRun real = scour({"--quiet", "--log", "real.txt", "models"});
    EXPECT_EQ(dry.exitCode, real.exitCode);
    EXPECT_EQ(readText(dir.file("dry.txt")), readText(dir.file("real.txt")));
    EXPECT_EQ(dry.exitCode, run.exitCode);
}

TEST(CleanCommand, FoldersGiveTheirModelsSortedAndRecursively)
{
    TempDir dir;
    std::vector<uint8_t> image = buildModelImage(smallModel());
    fs::create_directories(dir.file("m/sub"));
    for (const char* name : {"m/c.3Do", "m/a.3do", "m/B.3DO", "m/notes.txt", "m/x.3do.bak", "m/sub/d.3do"})
        ASSERT_TRUE(writeBytes(dir.file(name), image));
    fs::create_directories(dir.file("m/dir.3do"));
    WorkingFolder working(dir.path());

    CommandRun flat = scour({"--quiet", "m"});
    EXPECT_EQ(flat.exitCode, 0);
    Log log = parseLog(readText("log.txt"));
    std::vector<std::string> paths;
    for (const LogEntry& entry : log.entries)
        paths.push_back(entry.path);
    EXPECT_EQ(paths, (std::vector<std::string>{fullPath("m/B.3DO"), fullPath("m/a.3do"), fullPath("m/c.3Do")}));
    EXPECT_EQ(readBytes(dir.file("m/sub/d.3do")), image);
    EXPECT_EQ(readBytes(dir.file("m/notes.txt")), image);

    CommandRun deep = scour({"-q", "-r", "--log", "deep.txt", "./m/../m"});
    EXPECT_EQ(deep.exitCode, 0);
    log = parseLog(readText("deep.txt"));
    paths.clear();
    for (const LogEntry& entry : log.entries)
        paths.push_back(entry.path);
    EXPECT_EQ(paths, (std::vector<std::string>{fullPath("m/B.3DO"), fullPath("m/a.3do"), fullPath("m/c.3Do"),
                                               fullPath("m/sub/d.3do")}));
    EXPECT_NE(readBytes(dir.file("m/sub/d.3do")), image);
    EXPECT_EQ(readBytes(dir.file("m/notes.txt")), image);
}

TEST(CleanCommand, PerFileLinesAndExitCodes)
{
    TempDir dir;
    std::vector<uint8_t> image = buildModelImage(smallModel());
    ASSERT_TRUE(writeBytes(dir.file("good.3do"), image));
    ASSERT_TRUE(writeBytes(dir.file("broken.3do"), BrokenImage));
    WorkingFolder working(dir.path());

    // Usage errors touch nothing and write no log.
    for (std::vector<std::string> arguments : std::vector<std::vector<std::string>>{
             {"--remove", "256", "good.3do"},
             {"--remove", "3,,4", "good.3do"},
             {"--replace", "3", "good.3do"},
             {"--replace", "3=300", "good.3do"},
             {"--map", "missing.map", "good.3do"},
             {"--frobnicate", "good.3do"},
             {"good.3do", "--log"},
             {"--log", "a.txt", "--no-log", "good.3do"},
             {"--quiet"},
             {}}) {
        CommandRun run = scour(arguments);
        EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(arguments);
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"broken.3do", "good.3do"}));
        EXPECT_EQ(readBytes(dir.file("good.3do")), image);
    }

    CommandRun mixed = scour({"broken.3do", "good.3do", "missing.3do"});
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_NE(mixed.out.find(fullPath("broken.3do") + ": cannot read: "), std::string::npos) << mixed.out;
    EXPECT_NE(mixed.out.find(fullPath("missing.3do") + ": cannot read: "), std::string::npos) << mixed.out;
    // Colour 0 goes by default: 4 vertices and 2 faces become 3 and 1.
    EXPECT_NE(mixed.out.find(fullPath("good.3do") + ": 4 -> 3 vertices, 2 -> 1 faces, " +
                             std::to_string(image.size()) + " -> "),
              std::string::npos)
        << mixed.out;
    Log log = parseLog(readText("log.txt"));
    ASSERT_EQ(log.entries.size(), 3u);
    EXPECT_EQ(log.entries[0].kind, "Error reading file");
    EXPECT_EQ(log.entries[1].kind, "File cleaned");
    EXPECT_EQ(log.entries[2].kind, "Error reading file");
    EXPECT_EQ(log.cleaned, 1);
    EXPECT_EQ(readBytes(dir.file("broken.3do")), BrokenImage);

    CommandRun again = scour({"--no-log", "good.3do"});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_NE(again.out.find("1 of 1 files cleaned: 0 vertexes removed, 0 faces removed, 0 bytes removed"),
              std::string::npos)
        << again.out;

    CommandRun help = scour({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--log", "--no-log", "--dry-run", "--recursive", "--quiet", "--remove", "--keep",
                               "--replace", "--map", "--save-map", "--keep-all", "--remove-all", "Example"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}

TEST(CleanCommand, ColourOptionsReachTheRunAndTheMapIsStoredFirst)
{
    TempDir dir;
    std::vector<uint8_t> image = buildModelImage(smallModel());
    ASSERT_TRUE(writeBytes(dir.file("model.3do"), image));
    WorkingFolder working(dir.path());

    // Colour 0 kept, colour 5 removed; the map is saved as it stood then.
    CommandRun run = scour({"--keep", "0", "--save-map", "saved.map", "--remove", "5", "--no-log", "model.3do"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find(": 4 -> 3 vertices, 2 -> 1 faces"), std::string::npos) << run.out;
    std::vector<uint8_t> saved = readBytes(dir.file("saved.map"));
    ASSERT_EQ(saved.size(), 1024u);
    ColourMap expected;
    expected.keepAll();
    std::vector<uint8_t> expectedBytes(1024);
    expected.toBytes(expectedBytes.data());
    EXPECT_EQ(saved, expectedBytes);

    // A map that cannot be stored stops the run before any model is touched.
    ASSERT_TRUE(writeBytes(dir.file("model.3do"), image));
    ASSERT_TRUE(writeBytes(dir.file("blocker"), {'x'}));
    CommandRun blocked = scour({"--save-map", "blocker/saved.map", "model.3do"});
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_EQ(readBytes(dir.file("model.3do")), image);
    EXPECT_FALSE(fileExists(dir.file("log.txt")));

    // A report that cannot be created: every file is still cleaned, exit 1.
    CommandRun noReport = scour({"--log", "blocker/log.txt", "model.3do"});
    EXPECT_EQ(noReport.exitCode, 1);
    EXPECT_NE(readBytes(dir.file("model.3do")), image);
}

TEST(CleanCommand, CheckListsWhatWouldChangeAndWritesNothing)
{
    TempDir dir;
    std::vector<uint8_t> image = buildModelImage(smallModel());
    fs::create_directories(dir.file("models"));
    ASSERT_TRUE(writeBytes(dir.file("models/a.3do"), image));
    ASSERT_TRUE(writeBytes(dir.file("models/b.3do"), image));
    WorkingFolder working(dir.path());
    auto untouched = [&dir, &image] {
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"models"});
        EXPECT_EQ(readBytes(dir.file("models/a.3do")), image);
        EXPECT_EQ(readBytes(dir.file("models/b.3do")), image);
    };

    CommandRun unclean = scour({"--check", "models"});
    EXPECT_EQ(unclean.exitCode, 1);
    EXPECT_NE(unclean.out.find("would change: " + fullPath("models/a.3do") + ": 4 -> 3 vertices"), std::string::npos)
        << unclean.out;
    EXPECT_NE(unclean.out.find("2 of 2 files would change"), std::string::npos) << unclean.out;
    untouched();
    // Nothing may be written, so the options that write are usage errors.
    EXPECT_EQ(scour({"--check", "--log", "log.txt", "models"}).exitCode, 2);
    EXPECT_EQ(scour({"--check", "--save-map", "map.bin", "models"}).exitCode, 2);
    untouched();

    // Once cleaned with the same colours, the folder passes; another map fails it
    // again even when only a colour changes and the size stays the same.
    ASSERT_EQ(scour({"--keep-all", "--no-log", "--quiet", "models"}).exitCode, 0);
    std::vector<uint8_t> cleaned = readBytes(dir.file("models/a.3do"));
    CommandRun clean = scour({"--check", "--keep-all", "models"});
    EXPECT_EQ(clean.exitCode, 0) << clean.out;
    EXPECT_EQ(clean.out.find("would change:"), std::string::npos) << clean.out;
    CommandRun recoloured = scour({"--check", "--keep-all", "--replace", "5=6", "models/a.3do"});
    EXPECT_EQ(recoloured.exitCode, 1);
    EXPECT_NE(recoloured.out.find("3 -> 3 vertices, 2 -> 2 faces, " + std::to_string(cleaned.size()) + " -> " +
                                  std::to_string(cleaned.size()) + " bytes"),
              std::string::npos)
        << recoloured.out;

    // A file that cannot be read fails the check too.
    ASSERT_TRUE(writeBytes(dir.file("models/c.3do"), BrokenImage));
    EXPECT_EQ(scour({"--check", "--keep-all", "models"}).exitCode, 1);
    EXPECT_EQ(readBytes(dir.file("models/a.3do")), cleaned);
}

TEST(CleanCommand, JsonGivesOneObjectPerFileAndTheTotals)
{
    TempDir dir;
    ASSERT_TRUE(writeBytes(dir.file("good.3do"), buildModelImage(smallModel())));
    ASSERT_TRUE(writeBytes(dir.file("broken.3do"), BrokenImage));
    WorkingFolder working(dir.path());
    CommandRun run = scour({"--json", "--dry-run", "broken.3do", "good.3do"});
    EXPECT_EQ(run.exitCode, 1);
    std::vector<std::string> lines;
    std::istringstream out(run.out);
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    // The sizes are those a real run then gives.
    size_t sizeBefore = readBytes("good.3do").size();
    ASSERT_EQ(scour({"--quiet", "--no-log", "good.3do"}).exitCode, 0);
    EXPECT_EQ(lines[0].rfind("{\"path\": " + jsonString(fullPath("broken.3do").c_str()) + ", \"outcome\": \"read-error\", \"error\": ", 0),
              0u)
        << lines[0];
    EXPECT_EQ(lines[1], "{\"path\": " + jsonString(fullPath("good.3do").c_str()) +
                            ", \"outcome\": \"cleaned\", \"changed\": true, \"sizeBefore\": " +
                            std::to_string(sizeBefore) + ", \"sizeAfter\": " +
                            std::to_string(readBytes("good.3do").size()) + ", \"verticesBefore\": 4, \"verticesAfter\": 3, \"facesBefore\": 2, "
                            "\"facesAfter\": 1}");
    EXPECT_EQ(lines[2].rfind("{\"totals\": {\"files\": 2, \"filesCleaned\": 1, \"filesChanged\": 1, ", 0), 0u)
        << lines[2];
}

TEST(JsonString, EscapesWhatJsonForbidsAndKeepsValidUtf8)
{
    EXPECT_EQ(jsonString("C:\\Units\\\"a\".3do"), "\"C:\\\\Units\\\\\\\"a\\\".3do\"");
    EXPECT_EQ(jsonString("tab\there\nnl\x7f"), "\"tab\\u0009here\\u000anl\\u007f\"");
    EXPECT_EQ(jsonString("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82"), "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x99\x82\"");
    // Latin-1 bytes of an ANSI path, a cut sequence, overlong and surrogate forms.
    EXPECT_EQ(jsonString("caf\xe9"), "\"caf\\u00e9\"");
    EXPECT_EQ(jsonString("\xe2\x82"), "\"\\u00e2\\u0082\"");
    EXPECT_EQ(jsonString("\xc0\xaf"), "\"\\u00c0\\u00af\"");
    EXPECT_EQ(jsonString("\xed\xa0\x80"), "\"\\u00ed\\u00a0\\u0080\"");
    EXPECT_EQ(jsonString(""), "\"\"");
}
