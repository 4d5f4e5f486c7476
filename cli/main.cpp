// scour: cleans TA 3DO model files from the command line.
#include <cstdio>
#include <cstring>

#include "cli/Commands.h"

static const char Usage[] =
    "usage: scour [clean] [options] PATH...   clean models in place and write log.txt\n"
    "       scour info FILE...                show each model's object tree and totals\n"
    "       scour rewrite FILE...             save each model in the compact layout, uncleaned\n"
    "       scour lint [options] PATH...      what the game's engines will trip over in each model\n"
    "       scour render [options] MODEL...   draw each model, or it before and after cleaning, as a PNG\n"
    "       scour --help | --version\n";

static const char Help[] =
    "scour cleans 3DO model files for TA in place: it merges duplicate vertices,\n"
    "drops the untextured faces of the colours you mark (colour 0 by default),\n"
    "recolours faces, drops unused vertices, stores each texture name once, and\n"
    "writes a report to log.txt.\n"
    "\n"
    "Commands:\n"
    "  clean      the default: 'scour clean --help' lists its options\n"
    "  info       for each file, whether it loads and why not; if it does, its objects\n"
    "             (name, offset, vertices and faces) and the whole-tree totals.\n"
    "             Exit 0 when every file loads and cleaning would take it, 1 otherwise.\n"
    "  rewrite    loads and saves each file in place without cleaning, in the compact\n"
    "             layout with each texture name stored once; prints the sizes before\n"
    "             and after. Exit 1 when any file could not be read or written.\n"
    "  lint       reads each model and prints what the game's engines will trip over:\n"
    "             faces naming missing vertices, textures the mod does not ship,\n"
    "             selection faces and colours out of range, and more, one finding a\n"
    "             line; 'scour lint --help' lists them. Exit 1 on any error.\n"
    "  render     draws each model as a PNG picture beside it (MODEL.png), lit and\n"
    "             framed, textured faces in their texture's mean colour; with --compare,\n"
    "             the model before and after cleaning side by side, the faces cleaning\n"
    "             removes in magenta (#FF00FF). 'scour render --help' lists the options.\n"
    "\n"
    "Saving is safe: each file is written beside the original and moved over it only\n"
    "when complete, so a failure never leaves a broken model.\n"
    "\n"
    "Exit codes: 0 success, 1 a file could not be read or written, 2 usage error.\n";

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        std::fputs(Usage, stdout);
        std::fputs("\n", stdout);
        std::fputs(Help, stdout);
        return 0;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::puts("scour 1.1");
        return 0;
    }
    if (std::strcmp(command, "info") == 0)
        return runInfo(argc - 2, argv + 2);
    if (std::strcmp(command, "rewrite") == 0)
        return runRewrite(argc - 2, argv + 2);
    if (std::strcmp(command, "lint") == 0)
        return runLint(argc - 2, argv + 2);
    if (std::strcmp(command, "render") == 0)
        return runRender(argc - 2, argv + 2);
    if (std::strcmp(command, "clean") == 0)
        return runClean(argc - 2, argv + 2);
    return runClean(argc - 1, argv + 1);
}
