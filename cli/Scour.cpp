// The whole command line of scour: its commands, help and version, and the
// default command with its guard against typos.
#include <cstdio>
#include <cstring>
#include <iterator>

#include "cli/Commands.h"
#include "cli/ModelFiles.h"
#include "cli/Suggestion.h"
#include "cli/Version.h"

namespace {

const char Usage[] =
    "usage: scour [clean] [options] PATH...   clean models in place and write log.txt\n"
    "       scour info [options] PATH...      show each model's object tree and totals\n"
    "       scour rewrite [options] PATH...   save each model in the compact layout, uncleaned\n"
    "       scour lint [options] PATH...      what the game's engines will trip over in each model\n"
    "       scour render [options] MODEL...   draw each model, or it before and after cleaning, as a PNG\n"
    "       scour help [COMMAND] | --help | --version\n";

const char Help[] =
    "scour cleans 3DO model files for TA in place: it merges duplicate vertices,\n"
    "drops the untextured faces of the colours you mark (colour 0 by default),\n"
    "recolours faces, drops unused vertices, stores each texture name once, and\n"
    "writes a report to log.txt.\n"
    "\n"
    "Commands ('scour help COMMAND' lists a command's options):\n"
    "  clean      the default: cleans each model in place and writes log.txt.\n"
    "  info       for each file, whether it loads and why not; if it does, its objects\n"
    "             (name, offset, vertices and faces) and the whole-tree totals.\n"
    "  rewrite    loads and saves each file in place without cleaning, in the compact\n"
    "             layout with each texture name stored once; prints the sizes before\n"
    "             and after.\n"
    "  lint       reads each model and prints what the game's engines will trip over:\n"
    "             faces naming missing vertices, textures the mod does not ship,\n"
    "             selection faces and colours out of range, and more, one finding a\n"
    "             line.\n"
    "  render     draws each model as a PNG picture beside it (MODEL.png), lit and\n"
    "             framed, textured faces in their texture's mean colour; with --compare,\n"
    "             the model before and after cleaning side by side, the faces cleaning\n"
    "             removes in magenta (#FF00FF).\n"
    "\n"
    "A PATH is a model or a folder of models (-r: and its subfolders). Every PATH must\n"
    "exist: a word that names nothing stops the command before any file is touched.\n"
    "\n"
    "Saving is safe: each file is written beside the original and moved over it only\n"
    "when complete, and a file that is already clean is not written at all, so a\n"
    "failure never leaves a broken model.\n"
    "\n"
    "Exit codes: 0 success, 1 a file could not be read, cleaned or written (lint: an\n"
    "error was found; clean --check: a file would change), 2 usage error, 130 the\n"
    "run was asked to end (Ctrl+C, SIGTERM).\n";

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
};

const Command Commands[] = {
    {"clean", runClean},
    {"info", runInfo},
    {"rewrite", runRewrite},
    {"lint", runLint},
    {"render", runRender},
};

const char* const CommandNames[] = {"clean", "info", "rewrite", "lint", "render", "help"};

const Command* findCommand(const char* name)
{
    for (const Command& command : Commands) {
        if (std::strcmp(command.name, name) == 0)
            return &command;
    }
    return nullptr;
}

int printHelp()
{
    std::fputs(Usage, stdout);
    std::fputs("\n", stdout);
    std::fputs(Help, stdout);
    return 0;
}

// scour help [COMMAND]
int runHelp(int argc, char** argv)
{
    if (argc == 0)
        return printHelp();
    const Command* command = findCommand(argv[0]);
    if (argc > 1 || command == nullptr) {
        const char* close = closestWord(argv[0], CommandNames, std::size(CommandNames));
        if (argc == 1 && close != nullptr)
            std::fprintf(stderr, "scour: no such command: %s (did you mean '%s'?)\n", argv[0], close);
        else
            std::fprintf(stderr, "scour: no such command: %s\n%s", argc > 1 ? argv[1] : argv[0], Usage);
        return 2;
    }
    char helpOption[] = "--help";
    char* arguments[] = {helpOption, nullptr};
    return command->run(1, arguments);
}

} // namespace

int runScour(int argc, char** argv)
{
    if (argc < 1) {
        std::fputs(Usage, stderr);
        return 2;
    }
    const char* word = argv[0];
    if (std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0)
        return printHelp();
    if (std::strcmp(word, "--version") == 0) {
        std::printf("scour %s\n", ScourVersion);
        return 0;
    }
    if (std::strcmp(word, "help") == 0)
        return runHelp(argc - 1, argv + 1);
    if (const Command* command = findCommand(word))
        return command->run(argc - 1, argv + 1);
    // The default command edits files in place: a first word that names nothing
    // and is close to a command is a typo, never a model to look for.
    if (word[0] != '-' && !pathExists(word)) {
        if (const char* close = closestWord(word, CommandNames, std::size(CommandNames))) {
            std::fprintf(stderr, "scour: no such file or folder: %s (did you mean 'scour %s'?)\n", word, close);
            return 2;
        }
    }
    return runClean(argc, argv);
}
