// scour info and scour rewrite: a model rewritten in the compact layout, broken
// files left as they were, and the exit codes.
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "model/Model.h"
#include "support/ModelBuilder.h"
#include "support/TestSupport.h"

// The corpus round-trips in memory in the model tests; here the command saves
// what the writer composes, and a second rewrite changes nothing.
TEST(InfoAndRewrite, RewriteSavesTheCompactLayoutAndExitCodes)
{
    TempDir dir;
    const Bytes plain =
        plainImage({ObjectPlan({{0, 0, 0}, {9, 0, 0}, {0, 9, 0}}, {{0, {0, 1, 2}, "steel"}, {0, {2, 1, 0}, "steel"}})});
    Model model;
    ASSERT_TRUE(readExact(model, plain));
    const Bytes compact = composeBytes(model);
    ASSERT_LT(compact.size(), plain.size()) << "the texture name is stored once";
    const std::string good = dir.file("good.3do"), broken = dir.file("broken.3do");
    const Bytes brokenBytes(40, 0x01); // shorter than one header
    ASSERT_TRUE(writeBytes(good, plain) && writeBytes(broken, brokenBytes));
    // A dry run tells and touches nothing; the second rewrite finds nothing to write.
    const std::string sizes = std::to_string(plain.size()) + " -> " + std::to_string(compact.size()) + " bytes\n";
    EXPECT_EQ(runCommand(runRewrite, {"-n", good}).out, good + ": would-change: " + sizes);
    EXPECT_EQ(readBytes(good), plain);
    EXPECT_EQ(runCommand(runRewrite, {good}).out, good + ": rewritten: " + sizes);
    EXPECT_EQ(readBytes(good), compact);
    EXPECT_EQ(runCommand(runRewrite, {"-r", dir.path()}).out,
              good + ": unchanged: " + std::to_string(compact.size()) + " bytes\n");
    const CommandRun both = runCommand(runRewrite, {broken, good});
    EXPECT_EQ(both.exitCode, 1);
    EXPECT_EQ(both.err, broken + ": unreadable: object header lies outside the file (at offset 0)\n");
    EXPECT_EQ(readBytes(broken), brokenBytes);
    EXPECT_EQ(readBytes(good), compact);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"broken.3do", "good.3do"})) << "no temporary file stays";

    EXPECT_EQ(runCommand(runInfo, {}).exitCode, 2);
    EXPECT_EQ(runCommand(runRewrite, {}).exitCode, 2);
    EXPECT_EQ(runCommand(runInfo, {"--frobnicate", broken}).exitCode, 2);
    EXPECT_EQ(runCommand(runInfo, {"--help"}).exitCode, 0);
    EXPECT_EQ(runCommand(runInfo, {good}).exitCode, 0);
    EXPECT_EQ(runCommand(runInfo, {broken}).exitCode, 1);
    const CommandRun folder = runCommand(runInfo, {"--recursive", dir.path()});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_TRUE(contains(folder.out, broken + ": does not load: ") && contains(folder.out, good + ": "));
}
