// Small pieces shared by the commands: the reason a model did not load, the
// arguments of the commands that take models, and the end of an interrupted run.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/ModelFiles.h"
#include "cli/OptionTable.h"

class Model;

// Why model did not load: "object header lies outside the file (at offset 52)".
std::string loadFailureText(const Model& model);

// Tells that the run ended at a request after done of total files, and gives
// the exit status of such a run.
int interruptedAfter(size_t done, size_t total);

// A command's help: its usage, what it does, its options and closing.
template <typename Settings>
void printCommandHelp(const char* usage, const char* introduction, const std::vector<OptionSection<Settings>>& sections,
                      const char* closing)
{
    std::fputs(usage, stdout);
    std::fputs("\n", stdout);
    std::fputs(introduction, stdout);
    printOptions(stdout, sections);
    std::fputs(closing, stdout);
}

// For the commands that read models: applies the options, prints the help when
// asked, refuses a command line without paths or with one that names nothing,
// and gathers the model files as the user named them. -1 to go on, else the
// exit code (0 after the help). recursive is the setting the options set.
template <typename Settings>
int parseFileArguments(int argc, char** argv, const std::vector<OptionSection<Settings>>& sections, Settings& settings,
                       const bool& recursive, const char* usage, const char* help, const char* closing,
                       std::vector<std::string>& files, int& exitCode)
{
    std::vector<std::string> paths;
    const ParseResult parsed = parseOptions(argc, argv, sections, settings, paths, usage);
    if (parsed == ParseResult::Help) {
        printCommandHelp(usage, help, sections, closing);
        return 0;
    }
    if (parsed == ParseResult::UsageError)
        return 2;
    if (paths.empty()) {
        std::fprintf(stderr, "scour: no model files or folders given\n%s", usage);
        return 2;
    }
    if (!everyPathExists(paths) || !collectModelFiles(paths, recursive, PathForm::AsGiven, files, exitCode))
        return 2;
    return -1;
}
