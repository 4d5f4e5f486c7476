// scour lint: what the game's engines will trip over, per model, object and face.
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/Lint.h"
#include "cli/ModTextures.h"
#include "cli/ModelFiles.h"
#include "cli/OptionTable.h"
#include "cli/OutcomeText.h"
#include "cli/Suggestion.h"
#include "platform/Interrupt.h"

namespace fs = std::filesystem;

namespace {

const char LintUsage[] =
    "usage: scour lint [--mod DIR] [--format text|json|github] [--severity LEVEL]\n"
    "                  [--ignore CODE,...] [--recursive] [--quiet] PATH...\n";

const char LintHelpOpening[] =
    "Reads each model, writes nothing, and prints one finding per line, like a\n"
    "compiler, then a summary:\n"
    "  PATH: object \"torso\" face 12: error: names vertex 40, the object has 36 vertices; ... [bad-index]\n"
    "\n"
    "Findings, with their codes:\n";

const char LintHelpMods[] =
    "\n"
    "The mod root is --mod DIR, or else the nearest folder at or above each model's\n"
    "that holds unittextures/tatex/ or textures/. A texture name is found as a\n"
    "bitmap (.bmp or .tga) of unittextures/tatex/ named after it with 00 appended,\n"
    "or as it is when teamtex.txt lists it, or as an entry of a GAF file of\n"
    "textures/; letter case does not matter. Paths are shown as given.\n"
    "\n"
    "Options:\n";

const char LintClosing[] =
    "\n"
    "Exit codes: 0 no finding of severity error, 1 an error, 2 usage error (a PATH\n"
    "that does not exist, a --mod folder that is no mod), 130 the run was asked to end.\n";

enum class Format : uint8_t { Text, Json, GitHub };

struct LintOptions {
    std::string mod;
    bool modGiven = false;
    Format format = Format::Text;
    const char* formatValue = nullptr;
    Severity lowest = Severity::Note;
    const char* severityValue = nullptr;
    std::vector<std::string> ignored;
    bool recursive = false;
    bool quiet = false;
};

const Option<LintOptions> LintOptionTable[] = {
    {"--mod", nullptr, "DIR",
     [](LintOptions& o, const char* value) {
         o.mod = value;
         o.modGiven = true;
     },
     "check every model against the textures of the mod at DIR"},
    {"--format", nullptr, "FORMAT", [](LintOptions& o, const char* value) { o.formatValue = value; },
     "text (the default), json (one object per finding and a last one\n"
     "with the totals) or github (GitHub Actions annotations, shown on\n"
     "the pull request)"},
    {"--json", nullptr, nullptr, [](LintOptions& o, const char*) { o.formatValue = "json"; }, "--format json"},
    {"--severity", nullptr, "LEVEL", [](LintOptions& o, const char* value) { o.severityValue = value; },
     "show only findings of LEVEL (error, warning or note) and above"},
    {"--ignore", nullptr, "CODE,...",
     [](LintOptions& o, const char* value) {
         for (size_t start = 0;;) {
             const char* comma = std::strchr(value + start, ',');
             const size_t end = comma != nullptr ? size_t(comma - value) : std::strlen(value);
             o.ignored.push_back(std::string(value + start, end - start));
             if (comma == nullptr)
                 break;
             start = end + 1;
         }
     },
     "drop the findings of these codes"},
    {"--recursive", "-r", nullptr, [](LintOptions& o, const char*) { o.recursive = true; },
     "also search the folders inside each folder"},
    {"--quiet", "-q", nullptr, [](LintOptions& o, const char*) { o.quiet = true; }, "only the errors, and no summary"},
    {"--help", "-h", nullptr, nullptr, "this text"},
};

const std::vector<OptionSection<LintOptions>> LintSections = {
    {nullptr, LintOptionTable, std::size(LintOptionTable)},
};

void printLintHelp()
{
    std::fputs(LintHelpOpening, stdout);
    for (size_t i = 0; i < FindingCodeCount; ++i) {
        std::string meaning = std::string(severityName(FindingCodes[i].severity)) + ": " + FindingCodes[i].meaning;
        for (size_t at = 0; (at = meaning.find('\n', at)) != std::string::npos; at += 26)
            meaning.insert(at + 1, 25, ' ');
        std::printf("  %-22s  %s\n", FindingCodes[i].code, meaning.c_str());
    }
    std::fputs(LintHelpMods, stdout);
}

const FindingCode* findCode(const std::string& code)
{
    for (size_t i = 0; i < FindingCodeCount; ++i) {
        if (code == FindingCodes[i].code)
            return &FindingCodes[i];
    }
    return nullptr;
}

// Checks the values of the options; false (a usage error) after telling why.
bool checkLintOptions(LintOptions& options)
{
    struct Named {
        const char* name;
        int value;
    };
    const Named formats[] = {{"text", int(Format::Text)}, {"json", int(Format::Json)}, {"github", int(Format::GitHub)}};
    const Named levels[] = {
        {"error", int(Severity::Error)}, {"warning", int(Severity::Warning)}, {"note", int(Severity::Note)}};
    auto choose = [](const char* option, const char* value, const Named* names, size_t count, int* chosen) {
        if (value == nullptr)
            return true;
        std::vector<const char*> words;
        for (size_t i = 0; i < count; ++i) {
            if (std::strcmp(value, names[i].name) == 0) {
                *chosen = names[i].value;
                return true;
            }
            words.push_back(names[i].name);
        }
        const char* close = closestWord(value, words.data(), words.size());
        std::fprintf(stderr, "scour: %s takes %s, %s or %s, not \"%s\"%s%s%s\n", option, names[0].name, names[1].name,
                     names[2].name, value, close ? " (did you mean " : "", close ? close : "", close ? "?)" : "");
        return false;
    };
    int format = int(options.format);
    int lowest = int(options.lowest);
    if (!choose("--format", options.formatValue, formats, std::size(formats), &format)
        || !choose("--severity", options.severityValue, levels, std::size(levels), &lowest))
        return false;
    options.format = Format(format);
    options.lowest = Severity(lowest);
    for (const std::string& code : options.ignored) {
        if (findCode(code) != nullptr)
            continue;
        std::vector<const char*> codes;
        for (size_t i = 0; i < FindingCodeCount; ++i)
            codes.push_back(FindingCodes[i].code);
        const char* close = closestWord(code.c_str(), codes.data(), codes.size());
        std::fprintf(stderr, "scour: --ignore: no finding is called \"%s\"%s%s%s\n", code.c_str(),
                     close ? " (did you mean " : "", close ? close : "", close ? "?)" : "");
        return false;
    }
    if (options.modGiven && !isModRoot(options.mod)) {
        std::error_code error;
        const bool folder = fs::is_directory(options.mod, error);
        std::fprintf(stderr, "scour: --mod %s: %s\n", options.mod.c_str(),
                     folder ? "the folder holds neither unittextures/ nor textures/, so it is no mod root"
                            : "no such folder");
        return false;
    }
    return true;
}

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

// What was found, by severity and by code, of the findings shown.
struct Counts {
    uint32_t bySeverity[3] = {};
    uint32_t byCode[32] = {};
};
static_assert(sizeof Counts::byCode / sizeof Counts::byCode[0] >= 11, "a count for every code");

// GitHub's workflow commands: a property value escapes more than the message.
std::string githubEscaped(const std::string& text, bool property)
{
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else if (property && c == ':')
            out += "%3A";
        else if (property && c == ',')
            out += "%2C";
        else
            out += c;
    }
    return out;
}

// ::error file=PATH,title=CODE::object "torso" face 12: names vertex 40, ...
std::string githubLine(const Finding& finding)
{
    static const char* const Commands[] = {"error", "warning", "notice"};
    std::string message = finding.message;
    if (finding.inObject) {
        std::string place = "object \"" + finding.object + "\"";
        if (finding.face != Finding::NoFace)
            place += " face " + std::to_string(finding.face);
        message = place + ": " + message;
    }
    return std::string("::") + Commands[uint32_t(finding.severity)] + " file=" + githubEscaped(finding.path, true)
        + ",title=" + githubEscaped(finding.code, true) + "::" + githubEscaped(message, false);
}

void tell(const Finding& finding, const LintOptions& options, Counts& counts)
{
    for (const std::string& code : options.ignored) {
        if (code == finding.code)
            return;
    }
    if (finding.severity > options.lowest || (options.quiet && finding.severity != Severity::Error))
        return;
    ++counts.bySeverity[uint32_t(finding.severity)];
    for (size_t i = 0; i < FindingCodeCount; ++i) {
        if (std::strcmp(FindingCodes[i].code, finding.code) == 0)
            ++counts.byCode[i];
    }
    if (options.format == Format::Json)
        std::puts(findingJson(finding).c_str());
    else if (options.format == Format::GitHub)
        std::puts(githubLine(finding).c_str());
    else
        std::puts(findingLine(finding).c_str());
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

void printSummary(const LintOptions& options, const Counts& counts, size_t models)
{
    if (options.format == Format::Json) {
        std::string codes;
        for (size_t i = 0; i < FindingCodeCount; ++i) {
            if (counts.byCode[i] > 0)
                codes += std::string(codes.empty() ? "\"" : ", \"") + FindingCodes[i].code
                    + "\": " + std::to_string(counts.byCode[i]);
        }
        std::printf(
            "{\"totals\": {\"models\": %zu, \"errors\": %u, \"warnings\": %u, \"notes\": %u, \"codes\": {%s}}}\n",
            models, counts.bySeverity[0], counts.bySeverity[1], counts.bySeverity[2], codes.c_str());
        return;
    }
    if (options.quiet)
        return;
    std::string codes;
    for (size_t i = 0; i < FindingCodeCount; ++i) {
        if (counts.byCode[i] > 0)
            codes += std::string(codes.empty() ? " (" : ", ") + FindingCodes[i].code + " "
                + std::to_string(counts.byCode[i]);
    }
    std::printf("lint: %s: %s, %s, %s%s\n", countText(uint32_t(models), Noun::Model).c_str(),
                countText(counts.bySeverity[0], Noun::Error).c_str(),
                countText(counts.bySeverity[1], Noun::Warning).c_str(),
                countText(counts.bySeverity[2], Noun::Note).c_str(), codes.empty() ? "" : (codes + ")").c_str());
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
        printLintHelp();
        printOptions(stdout, LintSections);
        std::fputs(LintClosing, stdout);
        return 0;
    }
    if (parsed == ParseResult::UsageError || !checkLintOptions(options))
        return 2;
    if (paths.empty()) {
        std::fprintf(stderr, "scour: no model files or folders given\n%s", LintUsage);
        return 2;
    }
    int exitCode = 0;
    std::vector<std::string> files;
    if (!everyPathExists(paths) || !collectModelFiles(paths, options.recursive, PathForm::AsGiven, files, exitCode))
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
                                               sets.back()->unreadable[k].second
                                                   + "; this mod's textures are not checked while it cannot be read"));
    }

    Counts counts;
    {
        LintQueue queue(files, sets);
        for (size_t i = 0; i < files.size(); ++i) {
            if (interruptionRequested())
                return interruptedAfter(i, files.size());
            for (const Finding& finding : before[i])
                tell(finding, options, counts);
            for (const Finding& finding : queue.take(i))
                tell(finding, options, counts);
        }
    }
    printSummary(options, counts, files.size());
    return counts.bySeverity[uint32_t(Severity::Error)] > 0 ? 1 : exitCode;
}
