// scour rewrite: saves each file in the compact layout without cleaning it.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/ModelFiles.h"
#include "cli/OptionTable.h"
#include "cli/OutcomeText.h"
#include "model/Model.h"
#include "model/OutputBuffer.h"
#include "platform/Interrupt.h"

namespace {

const char RewriteUsage[] = "usage: scour rewrite [--recursive] [--dry-run] PATH...\n";
const char RewriteHelp[] =
    "Loads and saves each file in place without cleaning it: the compact layout,\n"
    "each texture name stored once. Prints the size before and after; a file\n"
    "already in that layout is not written. A PATH may be a folder of models.\n"
    "\n"
    "Options:\n";
const char RewriteClosing[] =
    "\n"
    "Exit codes: 0 every file rewritten or already compact, 1 a file could not be\n"
    "read or written, 2 usage error (a PATH that does not exist),\n"
    "130 the run was asked to end.\n";

struct RewriteOptions {
    bool recursive = false;
    bool dryRun = false;
};

const Option<RewriteOptions> RewriteOptionTable[] = {
    {"--recursive", "-r", nullptr, [](RewriteOptions& o, const char*) { o.recursive = true; },
     "also search the folders inside each folder"},
    {"--dry-run", "-n", nullptr, [](RewriteOptions& o, const char*) { o.dryRun = true; },
     "compose each file in memory only and show what would change"},
    {"--help", "-h", nullptr, nullptr, "this text"},
};

const std::vector<OptionSection<RewriteOptions>> RewriteSections = {
    {nullptr, RewriteOptionTable, std::size(RewriteOptionTable)},
};

// Rewrites one file; false when it could not be read or written.
bool rewriteFile(const std::string& path, bool dryRun)
{
    Model model;
    uint8_t* original = nullptr;
    if (!model.load(path.c_str(), &original)) {
        std::fprintf(stderr, "%s: unreadable: %s\n", path.c_str(), loadFailureText(model).c_str());
        return false;
    }
    OutputBuffer composed;
    const bool stored = model.compose(composed);
    const bool same = stored && composed.size() == model.loadedSize
        && (composed.size() == 0 || std::memcmp(composed.data(), original, composed.size()) == 0);
    delete[] original;
    SystemError error{FileError::OutOfMemory, 0};
    if (!stored || (!same && !dryRun && !replaceFileContents(path.c_str(), composed.data(), composed.size(), &error))) {
        std::fprintf(stderr, "%s: unwritable: %s; the file is left as it was\n", path.c_str(),
                     systemErrorText(error).c_str());
        return false;
    }
    if (same)
        std::printf("%s: %s: %" PRIu32 " bytes\n", path.c_str(), dryRun ? "clean" : "unchanged", composed.size());
    else
        std::printf("%s: %s: %" PRIu32 " -> %" PRIu32 " bytes\n", path.c_str(), dryRun ? "would-change" : "rewritten",
                    model.loadedSize, composed.size());
    return true;
}

} // namespace

int runRewrite(int argc, char** argv)
{
    RewriteOptions options;
    std::vector<std::string> files;
    int exitCode = 0;
    const int usageResult = parseFileArguments(argc, argv, RewriteSections, options, options.recursive, RewriteUsage,
                                               RewriteHelp, RewriteClosing, files, exitCode);
    if (usageResult >= 0)
        return usageResult;
    for (const std::string& path : files) {
        if (interruptionRequested())
            return interruptedAfter(size_t(&path - files.data()), files.size());
        if (!rewriteFile(path, options.dryRun))
            exitCode = 1;
    }
    return exitCode;
}
