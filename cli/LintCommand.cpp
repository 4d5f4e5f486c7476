// scour lint: what the game's engines will trip over, per model, object and face.
#include <condition_variable>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "clean/OutcomeText.h"
#include "cli/Commands.h"
#include "cli/Lint.h"
#include "cli/ModTextures.h"
#include "cli/ModelFiles.h"
#include "cli/OptionTable.h"

namespace {

const char LintUsage[] = "usage: scour lint [--mod DIR] [--json] [--recursive] [--quiet] PATH...\n";

const char LintHelp[] =
    "Reads each model, writes nothing, and prints one finding per line, like a\n"
    "compiler, then a summary:\n"
    "  PATH: object \"torso\" face 12: error: names vertex 40, the object has 36 vertices [bad-index]\n"
    "\n"
    "Findings, with their codes:\n"
    "  unreadable              error: the reader refuses the file\n"
    "  bad-index               a face names a vertex its object does not have (an error\n"
    "                          for drawn faces, a warning for points and lines)\n"
    "  missing-texture         error: a face's texture is not among the mod's textures\n"
    "  unreadable-textures     error: a GAF file of the mod cannot be read\n"
    "  selection-out-of-range  warning: the selection face is not one of the object's\n"
    "  colour-out-of-range     warning: an untextured face's colour word is 256 or more\n"
    "  no-vertices             warning: an object without vertices\n"
    "  several-roots           warning: the root object has siblings\n"
    "  duplicate-name          warning: two objects share a name\n"
    "  not-clean               note: cleaning with the default colours would change it\n"
    "  no-textures             note: no mod root was found, texture findings skipped\n"
    "\n"
    "The mod root is --mod DIR, or else the nearest folder at or above each model's\n"
    "that holds unittextures/tatex/ or textures/. A texture name is found as a\n"
    "bitmap (.bmp or .tga) of unittextures/tatex/ named after it with 00 appended,\n"
    "or as it is when teamtex.txt lists it, or as an entry of a GAF file of\n"
    "textures/; letter case does not matter.\n"
    "\n"
    "Options:\n";

const char LintClosing[] =
    "\n"
    "Exit codes: 0 no finding of severity error, 1 an error (or a file that cannot\n"
    "be read), 2 usage error.\n";

struct LintOptions {
    std::string mod;
    bool json = false;
    bool recursive = false;
    bool quiet = false;
};

const Option<LintOptions> LintOptionTable[] = {
    {"--mod", nullptr, "DIR", [](LintOptions& o, const char* value) { o.mod = value; },
     "check every model against the textures of the mod at DIR"},
    {"--json", nullptr, nullptr, [](LintOptions& o, const char*) { o.json = true; },
     "one JSON object per finding (path, code, severity, object, face,\n"
     "texture, message) and a last one with the totals"},
    {"--recursive", "-r", nullptr, [](LintOptions& o, const char*) { o.recursive = true; },
     "also search the folders inside each folder"},
    {"--quiet", "-q", nullptr, [](LintOptions& o, const char*) { o.quiet = true; }, "only the errors, and no summary"},
    {"--help", "-h", nullptr, nullptr, "this text"},
};

const std::vector<OptionSection<LintOptions>> LintSections = {
    {nullptr, LintOptionTable, std::size(LintOptionTable)},
};

// The findings of each model, made on worker threads and told in order.
class LintQueue {
public:
    LintQueue(const std::vector<std::string>& files, const std::vector<const TextureSet*>& textures)
        : paths(files), sets(textures), results(files.size()), done(files.size(), false)
    {
        unsigned count = std::thread::hardware_concurrency();
        for (unsigned i = 0; i < (count == 0 ? 1 : count); ++i) {
            try {
                threads.emplace_back([this] { work(); });
            } catch (...) {
                break;
            }
        }
    }
    ~LintQueue()
    {
        {
            std::lock_guard<std::mutex> held(lock);
            next = paths.size();
        }
        for (std::thread& thread : threads)
            thread.join();
    }
    LintQueue(const LintQueue&) = delete;
    LintQueue& operator=(const LintQueue&) = delete;

    // The findings of file i, once they are made.
    std::vector<Finding> take(size_t i)
    {
        std::unique_lock<std::mutex> held(lock);
        if (threads.empty() && !done[i]) {
            held.unlock();
            lintModel(paths[i], sets[i], results[i]);
            held.lock();
            done[i] = true;
        }
        madeOne.wait(held, [&] { return done[i]; });
        return std::move(results[i]);
    }

private:
    void work()
    {
        for (;;) {
            size_t i;
            {
                std::lock_guard<std::mutex> held(lock);
                if (next >= paths.size())
                    return;
                i = next++;
            }
            std::vector<Finding> findings;
            lintModel(paths[i], sets[i], findings);
            std::lock_guard<std::mutex> held(lock);
            results[i] = std::move(findings);
            done[i] = true;
            madeOne.notify_all();
        }
    }

    const std::vector<std::string>& paths;
    const std::vector<const TextureSet*>& sets;
    std::vector<std::vector<Finding>> results;
    std::vector<bool> done;
    std::vector<std::thread> threads;
    std::mutex lock;
    std::condition_variable madeOne;
    size_t next = 0;
};

struct Counts {
    uint32_t errors = 0;
    uint32_t warnings = 0;
    uint32_t notes = 0;
};

void tell(const Finding& finding, const LintOptions& options, Counts& counts)
{
    uint32_t& count = finding.severity == Severity::Error ? counts.errors
        : finding.severity == Severity::Warning           ? counts.warnings
                                                          : counts.notes;
    ++count;
    if (options.quiet && finding.severity != Severity::Error)
        return;
    std::puts(options.json ? findingJson(finding).c_str() : findingLine(finding).c_str());
}

Finding textureFinding(const std::string& path, const char* code, Severity severity, const std::string& message)
{
    Finding finding;
    finding.path = path;
    finding.code = code;
    finding.severity = severity;
    finding.message = message;
    return finding;
}

} // namespace

int runLint(int argc, char** argv)
{
    LintOptions options;
    std::vector<std::string> paths;
    ParseResult parsed = parseOptions(argc, argv, LintSections, options, paths, LintUsage);
    if (parsed == ParseResult::Help) {
        std::fputs(LintUsage, stdout);
        std::fputs("\n", stdout);
        std::fputs(LintHelp, stdout);
        printOptions(stdout, LintSections);
        std::fputs(LintClosing, stdout);
        return 0;
    }
    if (parsed == ParseResult::UsageError)
        return 2;
    if (paths.empty()) {
        std::fprintf(stderr, "scour: no model files or folders given\n%s", LintUsage);
        return 2;
    }
    int exitCode = 0;
    std::vector<std::string> files;
    if (!collectModelFiles(paths, options.recursive, files, exitCode))
        return 2;

    // The mods' textures are read here, once each, before any model.
    ModTextures mods(options.mod);
    std::vector<const TextureSet*> sets;
    std::vector<std::vector<Finding>> before(files.size());
    bool toldNoRoot = false;
    for (size_t i = 0; i < files.size(); ++i) {
        bool firstTime = false;
        sets.push_back(mods.forModel(files[i], &firstTime));
        if (sets.back() == nullptr && !toldNoRoot) {
            toldNoRoot = true;
            before[i].push_back(textureFinding(files[i], "no-textures", Severity::Note,
                                               "no mod root (a folder with unittextures/tatex/ or textures/) at or "
                                               "above this model; texture findings are skipped for the models "
                                               "without one"));
        }
        for (size_t k = 0; firstTime && k < sets.back()->unreadable.size(); ++k)
            before[i].push_back(textureFinding(sets.back()->unreadable[k].first, "unreadable-textures", Severity::Error,
                                               sets.back()->unreadable[k].second));
    }

    Counts counts;
    {
        LintQueue queue(files, sets);
        for (size_t i = 0; i < files.size(); ++i) {
            for (const Finding& finding : before[i])
                tell(finding, options, counts);
            for (const Finding& finding : queue.take(i))
                tell(finding, options, counts);
        }
    }
    if (options.json)
        std::printf("{\"totals\": {\"models\": %zu, \"errors\": %u, \"warnings\": %u, \"notes\": %u}}\n", files.size(),
                    counts.errors, counts.warnings, counts.notes);
    else if (!options.quiet)
        std::printf("lint: %s: %s, %s, %s\n", countText(uint32_t(files.size()), Noun::Model, Wording::Plain).c_str(),
                    countText(counts.errors, Noun::Error, Wording::Plain).c_str(),
                    countText(counts.warnings, Noun::Warning, Wording::Plain).c_str(),
                    countText(counts.notes, Noun::Note, Wording::Plain).c_str());
    return counts.errors > 0 ? 1 : exitCode;
}
