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
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(runCommand(runRewrite, {good}).exitCode, 0);
        EXPECT_EQ(readBytes(good), compact);
    }
    EXPECT_EQ(runCommand(runRewrite, {broken, good}).exitCode, 1);
    EXPECT_EQ(readBytes(broken), brokenBytes);
    EXPECT_EQ(readBytes(good), compact);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"broken.3do", "good.3do"})) << "no temporary file stays";

    EXPECT_EQ(runCommand(runInfo, {}).exitCode, 2);
    EXPECT_EQ(runCommand(runRewrite, {}).exitCode, 2);
    EXPECT_EQ(runCommand(runInfo, {"--frobnicate", broken}).exitCode, 2);
    EXPECT_EQ(runCommand(runInfo, {"--help"}).exitCode, 0);
    EXPECT_EQ(runCommand(runInfo, {good}).exitCode, 0);
    EXPECT_EQ(runCommand(runInfo, {broken}).exitCode, 1);
}
