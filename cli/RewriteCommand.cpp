// scour rewrite: saves each file in the compact layout without cleaning it.
#include <cinttypes>
#include <cstdio>

#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "model/Model.h"

static const char RewriteUsage[] = "usage: scour rewrite FILE...\n";
static const char RewriteHelp[] =
    "Loads and saves each file in place without cleaning it: the compact layout,\n"
    "each texture name stored once. Prints the size before and after.\n";

int runRewrite(int argc, char** argv)
{
    const int usageResult = checkFileArguments(argc, argv, RewriteUsage, RewriteHelp);
    if (usageResult >= 0)
        return usageResult;

    int exitCode = 0;
    for (int i = 0; i < argc; ++i) {
        const char* path = argv[i];
        Model model;
        if (!model.load(path)) {
            std::printf("%s: cannot read: %s\n", path, loadFailureText(model).c_str());
            exitCode = 1;
            continue;
        }
        uint32_t savedSize = 0;
        if (!model.save(path, &savedSize)) {
            std::printf("%s: cannot write; the file is unchanged\n", path);
            exitCode = 1;
            continue;
        }
        std::printf("%s: %" PRIu32 " -> %" PRIu32 " bytes\n", path, model.loadedSize, savedSize);
    }
    return exitCode;
}
