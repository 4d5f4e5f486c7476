// scour render end to end, its pictures decoded again: the comparison of a model
// that cleaning changes and of a clean one, textured faces with and without the
// mod's textures, a file that does not load, usage errors, the same bytes twice.
#include <filesystem>
#include <tuple>

#include <gtest/gtest.h>

#include "RenderSupport.h"
#include "cli/Commands.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t Unit = 65536;

CommandRun render(std::vector<std::string> arguments) { return runCommand(runRender, std::move(arguments)); }

bool exactlyRemoved(const Rgb& colour) { return colour == RemovedColour; }

} // namespace

TEST(RenderCommand, CompareMarksRemovedFacesOnTheLeftOnlyAndACleanModelGivesEqualHalves)
{
    TempDir dir;
    // A face of colour 0, which cleaning removes, beside one of the palette's
    // own magenta (253), which it keeps.
    ObjectPlan changing = blob(0, 0, 0, 2 * Unit, 0, "doomed");
    changing.children = {blob(5 * Unit, 0, 0, 2 * Unit, 253, "kept")};
    putFile(dir.file("changing.3do"), composeBytes(changing));
    const CommandRun run = render({"--compare", "--size", "256", dir.file("changing.3do")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              dir.file("changing.3do") + ": 8 -> 5 faces, wrote " + dir.file("changing.png") + " (256 x "
                  + std::to_string(decodePng(dir.file("changing.png")).height) + ")\n");
    const Pixels picture = decodePng(dir.file("changing.png"));
    ASSERT_EQ(picture.width, 256u);
    const Pixels before = picture.columns(0, 128);
    const Pixels after = picture.columns(128, 256);
    EXPECT_GT(spreadOf(before, exactlyRemoved).count, 100u);
    EXPECT_EQ(spreadOf(after, exactlyRemoved).count, 0u);
    EXPECT_GT(spreadOf(after, [](const Rgb& c) { return c.r > 0 && c.r == c.b && c.g == 0; }).count, 100u);

    // Odd widths leave the middle column out of both halves.
    putFile(dir.file("clean.3do"), composeBytes(changing.children[0]));
    for (const char* width : {"256", "301"}) {
        const CommandRun same =
            render({"--compare", "--size", width, "-o", dir.file("same.png"), dir.file("clean.3do")});
        ASSERT_EQ(same.exitCode, 0) << same.err;
        const Pixels halves = decodePng(dir.file("same.png"));
        const uint32_t half = halves.width / 2;
        EXPECT_EQ(halves.columns(0, half).rgba, halves.columns(halves.width - half, halves.width).rgba) << width;
        EXPECT_EQ(spreadOf(halves, exactlyRemoved).count, 0u) << width;
    }
}

TEST(RenderCommand, TexturedFacesTakeTheMeanColourOfTheModsTexture)
{
    TempDir dir;
    // A square facing the front, textured "plain" in other letter case.
    const ObjectPlan face({{0, 0, 0}, {Unit, 0, 0}, {Unit, Unit, 0}, {0, Unit, 0}}, {{5, {0, 1, 2, 3}, "PLAIN"}});
    const fs::path root(dir.path());
    putFile(root / "bitmaps" / "unittextures" / "TATex" / "plain00.bmp", solidBmp({10, 200, 30}));
    putFile(root / "gafs" / "textures" / "units.gaf", twoEntryGaf());
    putFile(root / "nowhere" / "face.3do", composeBytes(face));
    putFile(root / "gafs" / "objects3d" / "face.3do", composeBytes(face));
    // Lit at 187 of 256: grey 160, the bitmap's colour, the mean of palette
    // colours 1 to 4 (64, 64, 32).
    const std::tuple<const char*, std::vector<std::string>, Rgb> cases[] = {
        {"no mod", {(root / "nowhere" / "face.3do").string()}, {117, 117, 117}},
        {"--mod with bitmaps",
         {"--mod", (root / "bitmaps").string(), (root / "nowhere" / "face.3do").string()},
         {7, 146, 22}},
        {"the mod above, with GAF files", {(root / "gafs" / "objects3d" / "face.3do").string()}, {47, 47, 23}},
    };
    for (const auto& [what, models, colour] : cases) {
        std::vector<std::string> arguments{"--view", "front", "--size", "64", "-o", dir.file("face.png")};
        arguments.insert(arguments.end(), models.begin(), models.end());
        const CommandRun run = render(arguments);
        ASSERT_EQ(run.exitCode, 0) << what << run.err;
        EXPECT_EQ(decodePng(dir.file("face.png")).at(32, 32), colour) << what;
        EXPECT_EQ(run.err.find("drawn grey") != std::string::npos, colour == (Rgb{117, 117, 117})) << what << run.err;
    }
}

TEST(RenderCommand, AFileThatDoesNotLoadIsToldAsInfoTellsItAndDrawsNothing)
{
    TempDir dir;
    putFile(dir.file("broken.3do"), {1, 0, 0});
    const CommandRun run = render({dir.file("broken.3do")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, runCommand(runInfo, {dir.file("broken.3do")}).out);
    EXPECT_FALSE(fileExists(dir.file("broken.png")));
    // A face naming a missing vertex is left out of a picture, and refuses a comparison.
    putFile(dir.file("bad.3do"), composeBytes(ObjectPlan({{0, 0, 0}}, {{1, {0, 3}}, {1, {0}}}, -1, "flare")));
    EXPECT_TRUE(contains(render({dir.file("bad.3do")}).err, "object \"flare\" face 0 names vertex 3"));
    const CommandRun compare = render({"--compare", "-o", dir.file("refused.png"), dir.file("bad.3do")});
    EXPECT_EQ(compare.exitCode, 1);
    EXPECT_TRUE(contains(compare.err, "cannot compare: cleaning refuses it"));
    EXPECT_FALSE(fileExists(dir.file("refused.png")));
}

TEST(RenderCommand, UsageErrors)
{
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"--view", "back", "m.3do"},
                                               {"--size", "15", "m.3do"},
                                               {"--size", "4097", "m.3do"},
                                               {"--size", "2x", "m.3do"},
                                               {"--remove", "3", "m.3do"},
                                               {"-o", "p.png", "a.3do", "b.3do"},
                                               {"-o", "M.3DO", "m.3do"},
                                               {"--frobnicate", "m.3do"}})
        EXPECT_EQ(render(arguments).exitCode, 2) << testing::PrintToString(arguments);
}

TEST(RenderCommand, TheSameModelGivesTheSameBytes)
{
    TempDir dir;
    ObjectPlan plan = blob(0, 0, 0, 3 * Unit, 0, "body");
    plan.children = {blob(4 * Unit, Unit, -2 * Unit, Unit, 40, "flare"),
                     ObjectPlan({{0, 0, 0}, {0, 9 * Unit, 0}}, {{7, {0, 1}}, {9, {1}}})};
    putFile(dir.file("model.3do"), composeBytes(plan));
    for (const char* name : {"first.png", "second.png"})
        ASSERT_EQ(render({"--compare", "-o", dir.file(name), dir.file("model.3do")}).exitCode, 0) << name;
    EXPECT_EQ(readBytes(dir.file("first.png")), readBytes(dir.file("second.png")));
    EXPECT_GT(readBytes(dir.file("first.png")).size(), 100u);
}
