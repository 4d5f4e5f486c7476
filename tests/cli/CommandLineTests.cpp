// The command line as people type it: the forms of options, "did you mean",
// a typo in the command's place that must never clean anything, and help.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/Commands.h"
#include "cli/OptionTable.h"
#include "cli/Suggestion.h"
#include "support/ModelBuilder.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

struct Settings {
    std::string log = "-";
    std::string jobs = "-";
    bool recursive = false;
    bool quiet = false;
};

const Option<Settings> Table[] = {
    {"--log", nullptr, "FILE", [](Settings& s, const char* v) { s.log = v; }, ""},
    {"--jobs", "-j", "N", [](Settings& s, const char* v) { s.jobs = v; }, ""},
    {"--recursive", "-r", nullptr, [](Settings& s, const char*) { s.recursive = true; }, ""},
    {"--quiet", "-q", nullptr, [](Settings& s, const char*) { s.quiet = true; }, ""},
};
const std::vector<OptionSection<Settings>> Sections = {{nullptr, Table, std::size(Table)}};

// What a parse made of the arguments, as one line: "log jobs r q | paths".
std::string parsed;

int parseAndTell(int argc, char** argv)
{
    Settings settings;
    std::vector<std::string> paths;
    const ParseResult result = parseOptions(argc, argv, Sections, settings, paths, "usage\n");
    parsed =
        settings.log + " " + settings.jobs + (settings.recursive ? " r" : " -") + (settings.quiet ? " q" : " -") + " |";
    for (const std::string& path : paths)
        parsed += " " + path;
    return int(result);
}

} // namespace

TEST(CommandLine, OptionsTakeTheFormsPeopleType)
{
    struct Case {
        std::vector<std::string> arguments;
        int result;
        std::string parse;  // when it goes on
        std::string errors; // when it does not
    };
    for (const Case& c : std::vector<Case>{
             {{"--log", "a", "-j", "2", "x"}, 0, "a 2 - - | x", ""},
             {{"--log=a=b", "--jobs=3", "x"}, 0, "a=b 3 - - | x", ""},
             {{"-j2", "-rq", "x", "-qj", "4"}, 0, "- 4 r q | x", ""},
             {{"-rqj8", "x"}, 0, "- 8 r q | x", ""},
             {{"--log=", "-", "--", "-r", "--log"}, 0, " - - - | - -r --log", ""},
             {{"-h", "--frobnicate"}, 1, "", ""},
             {{"--recursve"}, 2, "", "scour: unknown option --recursve (did you mean --recursive?)\n"},
             {{"-recursive"}, 2, "", "scour: unknown option -e in -recursive (did you mean --recursive?)\n"},
             {{"--frobnicate"}, 2, "", "scour: unknown option --frobnicate\nusage\n"},
             {{"--quiet=yes"}, 2, "", "scour: --quiet takes no value\n"},
             {{"x", "--log"}, 2, "", "scour: --log needs a value\n"},
             {{"-rj"}, 2, "", "scour: -j needs a value\n"}}) {
        parsed.clear();
        const CommandRun run = runCommand(parseAndTell, c.arguments);
        const std::string shown = testing::PrintToString(c.arguments);
        EXPECT_EQ(run.exitCode, c.result) << shown;
        if (c.result == 0) {
            EXPECT_EQ(parsed, c.parse) << shown;
        }
        EXPECT_EQ(run.err, c.errors) << shown;
    }
}

TEST(CommandLine, ClosestWordIsOneOrTwoSlipsAway)
{
    const char* const commands[] = {"clean", "info", "rewrite", "lint", "help"};
    for (auto [typed, expected] : std::vector<std::pair<const char*, const char*>>{{"lnit", "lint"},
                                                                                   {"lint", "lint"},
                                                                                   {"cleen", "clean"},
                                                                                   {"rewirte", "rewrite"},
                                                                                   {"rewr", "rewrite"},
                                                                                   {"inf", "info"},
                                                                                   {"hepl", "help"},
                                                                                   {"list", "lint"},
                                                                                   {"models", nullptr},
                                                                                   {"t.3do", nullptr},
                                                                                   {"x", nullptr},
                                                                                   {"", nullptr}}) {
        const char* found = closestWord(typed, commands, std::size(commands));
        EXPECT_STREQ(found, expected) << typed;
    }
}

// "scour lnit -r ." must never clean the folder it was run in.
TEST(CommandLine, ATypoInTheCommandsPlaceTouchesNothing)
{
    TempDir dir;
    const WorkingFolder inDir(dir.path());
    const Bytes model = plainImage({ObjectPlan({{0, 0, 0}, {9, 0, 0}, {0, 9, 0}}, {{0, {0, 1, 2}}, {5, {0, 1, 2}}})});
    ASSERT_TRUE(writeBytes(dir.file("t.3do"), model));
    struct Case {
        std::vector<std::string> arguments;
        std::string errors;
    };
    for (const Case& c :
         std::vector<Case>{{{"lnit", "-r", "."}, "scour: no such file or folder: lnit (did you mean 'scour lint'?)\n"},
                           {{"cleen", "t.3do"}, "scour: no such file or folder: cleen (did you mean 'scour clean'?)\n"},
                           {{"t.3do", "lnit"}, "scour: no such file or folder: lnit\n"},
                           {{"info", "nothing.3do"}, "scour: no such file or folder: nothing.3do\n"},
                           {{"rewrite", "t.3do", "nothing"}, "scour: no such file or folder: nothing\n"},
                           {{"lint", "nothing"}, "scour: no such file or folder: nothing\n"},
                           {{"help", "t.3do"}, "scour: no such command: t.3do\n"},
                           {{"help", "lnit"}, "scour: no such command: lnit (did you mean 'lint'?)\n"}}) {
        const CommandRun run = runCommand(runScour, c.arguments);
        const std::string shown = testing::PrintToString(c.arguments);
        EXPECT_EQ(run.exitCode, 2) << shown;
        EXPECT_EQ(run.err.substr(0, c.errors.size()), c.errors) << shown;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"t.3do"}) << shown;
        EXPECT_EQ(readBytes(dir.file("t.3do")), model) << shown;
    }
    // Help for the whole program and for each command, and the exit codes in both.
    const CommandRun help = runCommand(runScour, {"help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(contains(help.out, "130 the\nrun was asked to end"));
    for (const char* command : {"clean", "info", "rewrite", "lint", "render"}) {
        const CommandRun run = runCommand(runScour, {"help", command});
        EXPECT_EQ(run.exitCode, 0) << command;
        EXPECT_TRUE(contains(run.out, "Exit codes: 0 ")) << command;
        EXPECT_TRUE(contains(run.out, "130 the run was asked to end")) << command;
    }
}
