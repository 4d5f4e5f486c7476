// scour clean: cleans models in place and writes the same log.txt as the window
// program, with a line per file on standard output.
#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "clean/BatchRun.h"
#include "clean/ColourMap.h"
#include "clean/ColourMapStore.h"
#include "clean/OutcomeText.h"
#include "cli/ColourOptions.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/JsonLines.h"
#include "cli/ModelFiles.h"
#include "cli/OptionTable.h"
#include "platform/Console.h"
#include "platform/Interrupt.h"

namespace fs = std::filesystem;

namespace {

const char CleanUsage[] =
    "usage: scour [clean] [colour options] [--log FILE] [--no-log] [--dry-run]\n"
    "             [--check] [--json] [--recursive] [--quiet] [--repair] PATH...\n";

const char CleanHelpIntroduction[] =
    "Cleans each 3DO model in place: merges duplicate vertices, drops the untextured\n"
    "faces of the removed colours (except lines and selection faces), recolours the\n"
    "replaced colours, drops unused vertices, stores each texture name once and gives\n"
    "an object left without faces a one-point face. A file is replaced only when its\n"
    "cleaned form is complete and flushed to disk; a file that cannot be read is left\n"
    "untouched.\n"
    "\n"
    "PATH is a model file or a folder; a folder gives its *.3do files (any letter\n"
    "case) in sorted order.\n"
    "\n"
    "Options:\n";

const char ColourOptionsClosing[] = "  Colour options apply in order; without them colour 0 is removed.\n";

const char CleanHelpClosing[] =
    "\n"
    "The report names each file by its full path and ends with the totals. Each\n"
    "file's line gives its vertices, faces and bytes before and after.\n"
    "\n"
    "Example:\n"
    "  scour --remove 0,9 --replace 3=7 --recursive models\n"
    "      removes the untextured faces of colours 0 and 9, recolours colour 3 as 7,\n"
    "      cleans every .3do file under models and writes log.txt here.\n"
    "\n"
    "Exit codes: 0 every file cleaned (with --check: every file already clean),\n"
    "1 a file (or the report) could not be read or written (with --check: a file\n"
    "would change or cannot be read), 2 usage error.\n";

// Progress is worth showing only for more files than scroll by at once.
constexpr size_t ProgressThreshold = 4;

struct CleanOptions {
    std::string logPath;
    bool logGiven = false;
    bool noLog = false;
    bool dryRun = false;
    bool check = false;
    bool json = false;
    bool recursive = false;
    bool quiet = false;
    bool repair = false;
    uint32_t jobs = 0; // one per processor but the one that saves
    bool jobsValid = true;
    std::vector<ColourStep> colourSteps;
};

using CleanOption = Option<CleanOptions>;

const CleanOption CleanOptionTable[] = {
    {"--recursive", "-r", nullptr, [](CleanOptions& o, const char*) { o.recursive = true; },
     "also search the folders inside each folder"},
    {"--log", nullptr, "FILE",
     [](CleanOptions& o, const char* value) {
         o.logPath = value;
         o.logGiven = true;
     },
     "write the report to FILE instead of log.txt in the current folder"},
    {"--no-log", nullptr, nullptr, [](CleanOptions& o, const char*) { o.noLog = true; }, "write no report"},
    {"--dry-run", "-n", nullptr, [](CleanOptions& o, const char*) { o.dryRun = true; },
     "clean in memory only and show what would change: no model is\n"
     "touched, and no report is written unless --log is given\n"
     "(a --save-map file is still written)"},
    {"--check", nullptr, nullptr, [](CleanOptions& o, const char*) { o.check = o.dryRun = true; },
     "clean in memory only and list the files that cleaning would\n"
     "change; writes nothing, not even a report. Exit 0 when every\n"
     "file is already clean, 1 when any would change or cannot be\n"
     "read. For a mod repository's CI or a pre-commit hook"},
    {"--json", nullptr, nullptr, [](CleanOptions& o, const char*) { o.json = true; },
     "one JSON object per line on standard output for each file\n"
     "(path, outcome, sizes, vertex and face counts before and\n"
     "after; \"changed\" in a dry run or check) and a last one with\n"
     "the totals, instead of the text lines"},
    {"--quiet", "-q", nullptr, [](CleanOptions& o, const char*) { o.quiet = true; },
     "no line per file (errors still go to standard error)"},
    {"--repair", nullptr, nullptr, [](CleanOptions& o, const char*) { o.repair = true; },
     "first drop every face that names a vertex its object does not\n"
     "have (each is told on standard error), then clean; without it\n"
     "such a file is refused and left untouched"},
    {"--jobs", "-j", "N",
     [](CleanOptions& o, const char* value) {
         char* end = nullptr;
         unsigned long jobs = std::strtoul(value, &end, 10);
         o.jobs = *end == '\0' && jobs >= 1 && jobs <= 64 ? uint32_t(jobs) : 0;
         o.jobsValid = o.jobs != 0;
     },
     "prepare files on N threads, 1 to 64 (default: one per processor\n"
     "but the one that saves them); the output is the same whatever N"},
    {"--help", "-h", nullptr, nullptr, "this text"},
};

const std::vector<OptionSection<CleanOptions>> CleanSections = {
    {nullptr, CleanOptionTable, std::size(CleanOptionTable)},
    {"Colour options:", ColourOptions<CleanOptions>::table, std::size(ColourOptions<CleanOptions>::table)},
};

// Parses the arguments; 0 to go on, -1 after help, else the exit code.
int parseArguments(int argc, char** argv, CleanOptions& options, std::vector<std::string>& paths)
{
    ParseResult parsed = parseOptions(argc, argv, CleanSections, options, paths, CleanUsage);
    if (parsed == ParseResult::UsageError)
        return 2;
    if (parsed == ParseResult::Help) {
        std::fputs(CleanUsage, stdout);
        std::fputs("\n", stdout);
        std::fputs(CleanHelpIntroduction, stdout);
        printOptions(stdout, CleanSections);
        std::fputs(ColourOptionsClosing, stdout);
        std::fputs(CleanHelpClosing, stdout);
        return -1;
    }
    if (options.check && options.logGiven) {
        std::fputs("scour: --check writes nothing: --log cannot be given with it\n", stderr);
        return 2;
    }
    for (const ColourStep& step : options.colourSteps) {
        if (options.check && step.action == ColourAction::SaveMap) {
            std::fputs("scour: --check writes nothing: --save-map cannot be given with it\n", stderr);
            return 2;
        }
    }
    if (!options.jobsValid) {
        std::fputs("scour: --jobs takes a number from 1 to 64\n", stderr);
        return 2;
    }
    if (options.logGiven && options.noLog) {
        std::fputs("scour: --log and --no-log cannot be given together\n", stderr);
        return 2;
    }
    if (paths.empty()) {
        std::fprintf(stderr, "scour: no model files or folders given\n%s", CleanUsage);
        return 2;
    }
    return 0;
}

const char* reportPath(const CleanOptions& options)
{
    if (options.noLog || options.check)
        return nullptr;
    if (options.logGiven)
        return options.logPath.c_str();
    return options.dryRun ? nullptr : "log.txt";
}

// "4 -> 3 vertices": the noun agrees with the count after.
std::string change(uint32_t before, uint32_t after, Noun noun)
{
    return std::to_string(before) + " -> " + countText(after, noun, Wording::Plain);
}

void printCleaned(const char* path, const FileResult& result)
{
    std::printf("%s: %s, %s, %s\n", path, change(result.verticesBefore, result.verticesAfter, Noun::Vertex).c_str(),
                change(result.facesBefore, result.facesAfter, Noun::Face).c_str(),
                change(result.sizeBefore, result.sizeAfter, Noun::Byte).c_str());
}

// One line on standard error that rewrites itself, for terminals only.
class Progress {
public:
    Progress(size_t fileCount, bool wanted) : total(fileCount), shown(wanted && fileCount > ProgressThreshold) {}

    // done files are saved.
    void show(size_t done)
    {
        if (!shown)
            return;
        std::fprintf(stderr, "\rcleaned %zu of %zu", done, total);
        std::fflush(stderr);
    }
    void clear()
    {
        if (!shown)
            return;
        std::fputs("\r                                              \r", stderr);
        std::fflush(stderr);
    }

private:
    size_t total;
    bool shown;
};

// What the lines of the files need, and what they found.
struct FileLines {
    const CleanOptions* options;
    int exitCode;
    uint32_t filesChanged;
};

void printFileLine(FileLines& lines, const char* path, const FileResult& result)
{
    const CleanOptions& options = *lines.options;
    bool cleaned = result.outcome == FileOutcome::Cleaned;
    if (!cleaned)
        lines.exitCode = 1;
    if (cleaned && result.changed) {
        ++lines.filesChanged;
        if (options.check)
            lines.exitCode = 1;
    }
    if (cleaned) {
        for (const FaceFault& fault : result.badFaces)
            std::fprintf(stderr, "%s: %s %s: %s\n", path, faceText(fault).c_str(), badIndexText(fault).c_str(),
                         options.dryRun ? "would be dropped" : "dropped");
    }
    if (options.json) {
        std::puts(jsonFileLine(path, result, options.dryRun, cleaned ? "" : failureReason(result)).c_str());
        return;
    }
    if (!cleaned) {
        std::fprintf(stderr, "%s: %s\n", path, failureReason(result).c_str());
        return;
    }
    // A check lists only the files that would change.
    if (options.check && result.changed) {
        std::printf("would change: ");
        printCleaned(path, result);
    } else if (!options.check && !options.quiet) {
        printCleaned(path, result);
    }
}

} // namespace

int runClean(int argc, char** argv)
{
    watchForInterruption();
    CleanOptions options;
    std::vector<std::string> paths;
    int parsed = parseArguments(argc, argv, options, paths);
    if (parsed == -1)
        return 0;
    if (parsed != 0)
        return parsed;
    ColourMap colourMap;
    std::vector<MapToStore> stores;
    if (!applyColourSteps(options.colourSteps, colourMap, stores))
        return 2;

    int exitCode = 0;
    std::vector<std::string> files;
    if (!collectModelFiles(paths, options.recursive, files, exitCode))
        return 2;

    // Maps are stored before any model is touched.
    for (const MapToStore& store : stores) {
        if (!storeColourMapFile(store.path, store.map)) {
            std::fprintf(stderr, "scour: cannot write the colour map to %s; no model was touched\n", store.path);
            return 1;
        }
    }
    // Nothing to clean: the report of an earlier run stays as it is.
    if (files.empty())
        return exitCode;

    BatchRun run(colourMap, options.dryRun ? CleanMode::DryRun : CleanMode::Save, options.repair, options.jobs);
    const char* report = reportPath(options);
    if (!run.begin(report) && report) {
        std::fprintf(stderr, "scour: cannot create the report %s; cleaning without it\n", report);
        exitCode = 1;
    }

    std::vector<const char*> order;
    for (const std::string& file : files)
        order.push_back(file.c_str());
    run.start(order.data(), uint32_t(order.size()));
    Progress progress(files.size(), standardErrorIsTerminal());
    FileLines lines{&options, exitCode, 0};
    uint32_t count = 0;
    for (const PreparedFile* group; !interruptionRequested() && (group = run.nextGroup(&count)) != nullptr;) {
        progress.clear();
        for (uint32_t i = 0; i < count; ++i)
            printFileLine(lines, group[i].path, group[i].result);
        progress.show(run.pathsProcessed());
    }
    run.finish();
    progress.clear();
    exitCode = lines.exitCode;
    if (interruptionRequested()) {
        std::fprintf(stderr, "scour: interrupted after %s of %zu; the others are untouched\n",
                     countText(run.pathsProcessed(), Noun::File, Wording::Plain).c_str(), files.size());
        interruptionHandled();
        return InterruptedExitStatus;
    }

    const CleanTotals& totals = run.totals();
    if (options.json) {
        std::puts(jsonTotalsLine(totals, run.pathsProcessed(), options.dryRun, lines.filesChanged).c_str());
        return exitCode;
    }
    if (options.check) {
        if (!options.quiet)
            std::printf("%" PRIu32 " of %s would change\n", lines.filesChanged,
                        countText(run.pathsProcessed(), Noun::File, Wording::Plain).c_str());
        return exitCode;
    }
    std::printf("%" PRId32 " of %s %s: %s, %s, %s\n", totals.filesCleaned,
                countText(run.pathsProcessed(), Noun::File, Wording::Plain).c_str(),
                options.dryRun ? "would be cleaned (dry run, nothing changed)" : "cleaned",
                differenceText(totals.verticesRemoved, Noun::Vertex, Wording::Plain).c_str(),
                differenceText(totals.facesRemoved, Noun::Face, Wording::Plain).c_str(),
                differenceText(totals.bytesSaved, Noun::Byte, Wording::Plain).c_str());
    return exitCode;
}
