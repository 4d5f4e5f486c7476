// scour info and scour rewrite: a model rewritten in the compact layout, broken
// files left as they were, and the exit codes.
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "model/Model.h"
#include "support/ModelBuilder.h"
#include "support/TestSupport.h"

namespace {

int run(int (*command)(int, char**), std::vector<std::string> arguments)
{
    return runCommand(command, std::move(arguments)).exitCode;
}

} // namespace

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
        EXPECT_EQ(run(runRewrite, {good}), 0);
        EXPECT_EQ(readBytes(good), compact);
    }
    EXPECT_EQ(run(runRewrite, {broken, good}), 1);
    EXPECT_EQ(readBytes(broken), brokenBytes);
    EXPECT_EQ(readBytes(good), compact);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"broken.3do", "good.3do"})) << "no temporary file stays";

    EXPECT_EQ(run(runInfo, {}), 2);
    EXPECT_EQ(run(runRewrite, {}), 2);
    EXPECT_EQ(run(runInfo, {"--frobnicate", broken}), 2);
    EXPECT_EQ(run(runInfo, {"--help"}), 0);
    EXPECT_EQ(run(runInfo, {good}), 0);
    EXPECT_EQ(run(runInfo, {broken}), 1);
}
