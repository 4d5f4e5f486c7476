// scour clean: cleans models in place and writes the same log.txt as the window
// program, with a line per file on standard output.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clean/BatchRun.h"
#include "clean/ColourMap.h"
#include "clean/ColourMapStore.h"
#include "cli/ColourOptions.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/JsonLines.h"
#include "cli/ModelFiles.h"
#include "cli/OptionTable.h"
#include "cli/OutcomeText.h"
#include "platform/Console.h"
#include "platform/Interrupt.h"

namespace {

const char CleanUsage[] =
    "usage: scour [clean] [colour options] [--log FILE] [--no-log] [--dry-run]\n"
    "             [--check] [--json] [--recursive] [--quiet] [--repair] [--jobs N] PATH...\n";

const char CleanHelpIntroduction[] =
    "Cleans each 3DO model in place: merges duplicate vertices, drops the untextured\n"
    "faces of the removed colours (except lines and selection faces), recolours the\n"
    "replaced colours, drops unused vertices, stores each texture name once and gives\n"
    "an object left without faces a one-point face. A file is replaced only when its\n"
    "cleaned form is complete and flushed to disk, and only when it differs from the\n"
    "file: an already clean file is not written at all. A file that cannot be\n"
    "cleaned is left as it was.\n"
    "\n"
    "PATH is a model file or a folder; a folder gives its *.3do files (any letter\n"
    "case) in sorted order. Every PATH must exist: otherwise nothing is touched.\n"
    "\n"
    "Each file's outcome is one word, the same in the lines and in --json:\n"
    "  cleaned       cleaned and saved             unchanged  already clean: not written\n"
    "  unreadable    the reader refuses the file   refused    a face names a missing vertex\n"
    "  unwritable    its save failed               (and with --dry-run or --check:\n"
    "  would-change  cleaning would change it       clean      already clean)\n"
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
    "Exit codes: 0 every file cleaned or already clean (with --check: every file\n"
    "already clean), 1 a file could not be cleaned (with --check: also a file that\n"
    "would change), 2 usage error (a PATH that does not exist, a report that\n"
    "cannot be created, a colour map that is not one), 130 the run was asked to end.\n";

// Progress is worth showing only for more files than scroll by at once.
constexpr size_t ProgressThreshold = 4;
constexpr uint32_t OutcomeCount = uint32_t(FileOutcome::Unwritable) + 1;

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
     "touched and no report written (a --save-map file is still written)"},
    {"--check", nullptr, nullptr, [](CleanOptions& o, const char*) { o.check = o.dryRun = true; },
     "clean in memory only and list the files that cleaning would\n"
     "change; writes nothing, not even a report. Exit 0 when every\n"
     "file is already clean, 1 when any would change or cannot be\n"
     "cleaned. For a mod repository's CI or a pre-commit hook"},
    {"--json", nullptr, nullptr, [](CleanOptions& o, const char*) { o.json = true; },
     "one JSON object per line on standard output for each file\n"
     "(path, outcome, sizes, vertex and face counts before and\n"
     "after) and a last one with the totals, instead of the text lines"},
    {"--quiet", "-q", nullptr, [](CleanOptions& o, const char*) { o.quiet = true; },
     "no line per file (files that cannot be cleaned still go to\n"
     "standard error)"},
    {"--repair", nullptr, nullptr, [](CleanOptions& o, const char*) { o.repair = true; },
     "first drop every face that names a vertex its object does not\n"
     "have (each is told on standard error), then clean; without it\n"
     "such a file is refused and left as it was"},
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
        printCommandHelp(CleanUsage, CleanHelpIntroduction, CleanSections, ColourOptionsClosing);
        std::fputs(CleanHelpClosing, stdout);
        return -1;
    }
    const char* mode = options.check ? "--check" : "--dry-run";
    if (options.dryRun && options.logGiven) {
        std::fprintf(stderr, "scour: %s writes no report: --log cannot be given with it\n", mode);
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
    if (options.noLog || options.dryRun)
        return nullptr;
    return options.logGiven ? options.logPath.c_str() : "log.txt";
}

// "4 -> 3 vertices, 2 -> 1 face, 181 -> 131 bytes", or for a file cleaning
// leaves as it is "3 vertices, 1 face, 131 bytes".
std::string sizesText(const FileResult& result)
{
    if (result.outcome == FileOutcome::Unchanged)
        return countText(result.verticesAfter, Noun::Vertex) + ", " + countText(result.facesAfter, Noun::Face) + ", "
            + countText(result.sizeAfter, Noun::Byte);
    // The noun agrees with the count after.
    return std::to_string(result.verticesBefore) + " -> " + countText(result.verticesAfter, Noun::Vertex) + ", "
        + std::to_string(result.facesBefore) + " -> " + countText(result.facesAfter, Noun::Face) + ", "
        + std::to_string(result.sizeBefore) + " -> " + countText(result.sizeAfter, Noun::Byte);
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

// How many files had each outcome.
struct Tally {
    uint32_t counts[OutcomeCount] = {};

    uint32_t of(FileOutcome outcome) const { return counts[uint32_t(outcome)]; }
    uint32_t failures() const
    {
        return of(FileOutcome::Unreadable) + of(FileOutcome::Refused) + of(FileOutcome::Unwritable);
    }
};

void printFileLine(const CleanOptions& options, const char* path, const FileResult& result)
{
    const bool failed = isFailure(result.outcome);
    if (!failed) {
        for (const FaceFault& fault : result.badFaces)
            std::fprintf(stderr, "%s: %s %s: %s\n", path, faceText(fault).c_str(), badIndexText(fault).c_str(),
                         options.dryRun ? "would be dropped" : "dropped");
    }
    if (options.json) {
        std::puts(jsonFileLine(path, result, options.dryRun).c_str());
        return;
    }
    const char* word = outcomeWord(result.outcome, options.dryRun);
    if (failed) {
        std::fprintf(stderr, "%s: %s: %s\n", path, word, failureReason(result).c_str());
        return;
    }
    // A check lists only the files that would change.
    const bool listed = options.check ? result.outcome == FileOutcome::Cleaned : !options.quiet;
    if (listed)
        std::printf("%s: %s: %s\n", path, word, sizesText(result).c_str());
}

// "784 of 875 files would change; 6 cannot be cleaned", and for a real run
// "3 of 875 files cleaned, 866 unchanged, 6 cannot be cleaned".
std::string summaryText(const CleanOptions& options, const Tally& tally, uint32_t files)
{
    const std::string counted = countText(files, Noun::File);
    if (options.dryRun)
        return std::to_string(tally.of(FileOutcome::Cleaned)) + " of " + counted + " would change; "
            + std::to_string(tally.failures()) + " cannot be cleaned";
    return std::to_string(tally.of(FileOutcome::Cleaned)) + " of " + counted + " cleaned, "
        + std::to_string(tally.of(FileOutcome::Unchanged)) + " unchanged, " + std::to_string(tally.failures())
        + " cannot be cleaned";
}

// Stores the --save-map files; false (after telling why) when one fails.
bool storeMaps(const std::vector<MapToStore>& stores)
{
    for (const MapToStore& store : stores) {
        if (!storeColourMapFile(store.path, store.map)) {
            std::fprintf(stderr, "scour: cannot write the colour map to %s; no model was touched\n", store.path);
            return false;
        }
    }
    return true;
}

} // namespace

int runClean(int argc, char** argv)
{
    CleanOptions options;
    std::vector<std::string> paths;
    int parsed = parseArguments(argc, argv, options, paths);
    if (parsed == -1)
        return 0;
    if (parsed != 0)
        return parsed;
    if (!everyPathExists(paths))
        return 2;
    ColourMap colourMap;
    std::vector<MapToStore> stores;
    if (!applyColourSteps(options.colourSteps, colourMap, stores))
        return 2;

    int exitCode = 0;
    std::vector<std::string> files;
    if (!collectModelFiles(paths, options.recursive, PathForm::Full, files, exitCode))
        return 2;
    // Maps are stored before any model is touched.
    if (!storeMaps(stores))
        return 1;
    // Nothing to clean: the report of an earlier run stays as it is.
    if (files.empty())
        return exitCode;

    BatchRun run(colourMap, options.dryRun ? CleanMode::DryRun : CleanMode::Save, options.repair, options.jobs);
    const char* report = reportPath(options);
    SystemError reportError;
    if (!run.begin(report, &reportError) && report != nullptr) {
        std::fprintf(
            stderr, "scour: cannot create the report %s: %s; no model was touched (--no-log cleans without a report)\n",
            report, systemErrorText(reportError).c_str());
        return 2;
    }

    std::vector<const char*> order;
    for (const std::string& file : files)
        order.push_back(file.c_str());
    run.start(order.data(), uint32_t(order.size()));
    Progress progress(files.size(), standardErrorIsTerminal());
    Tally tally;
    uint32_t count = 0;
    for (const PreparedFile* group; !interruptionRequested() && (group = run.saveNextGroup(&count)) != nullptr;) {
        progress.clear();
        for (uint32_t i = 0; i < count; ++i) {
            ++tally.counts[uint32_t(group[i].result.outcome)];
            printFileLine(options, group[i].path, group[i].result);
        }
        progress.show(run.pathsProcessed());
    }
    run.finish();
    progress.clear();
    if (interruptionRequested()) {
        std::fprintf(stderr, "scour: interrupted after %s of %zu; the others are untouched\n",
                     countText(run.pathsProcessed(), Noun::File).c_str(), files.size());
        interruptionHandled();
        return InterruptedExitStatus;
    }
    if (tally.failures() > 0 || (options.check && tally.of(FileOutcome::Cleaned) > 0))
        exitCode = 1;

    const CleanTotals& totals = run.totals();
    if (options.json) {
        std::puts(jsonTotalsLine(totals, run.pathsProcessed(), options.dryRun, tally.counts).c_str());
        return exitCode;
    }
    const std::string summary = summaryText(options, tally, run.pathsProcessed());
    if (options.check) {
        if (!options.quiet)
            std::printf("%s\n", summary.c_str());
        return exitCode;
    }
    std::printf("%s: %s, %s, %s%s\n", summary.c_str(), differenceText(totals.verticesRemoved, Noun::Vertex).c_str(),
                differenceText(totals.facesRemoved, Noun::Face).c_str(),
                differenceText(totals.bytesSaved, Noun::Byte).c_str(),
                options.dryRun ? " (dry run, nothing changed)" : "");
    return exitCode;
}
