// scour info and scour rewrite over copies of the corpus and broken files.
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "model/Model.h"
#include "model/OutputBuffer.h"
#include "support/TestSupport.h"

namespace {

int run(int (*command)(int, char**), std::vector<std::string> arguments)
{
    return runCommand(command, std::move(arguments)).exitCode;
}

std::vector<uint8_t> composed(const std::vector<uint8_t>& bytes, bool* loads)
{
    Model model;
    *loads = model.read(bytes.data(), static_cast<uint32_t>(bytes.size()));
    OutputBuffer image;
    if (!*loads || !model.compose(image))
        return {};
    return std::vector<uint8_t>(image.data(), image.data() + image.size());
}

} // namespace

TEST(RewriteCommand, CorpusFilesRoundTripThroughRewrite)
{
    REQUIRE_CORPUS();
    TempDir dir;
    std::vector<std::string> paths;
    std::vector<std::vector<uint8_t>> originals;
    size_t unreadable = 0;
    // Every save is flushed to disk, so a sample keeps this quick; the model
    // tests round-trip every file in memory.
    const std::vector<std::string> files = corpusFiles();
    for (size_t k = 0; k < files.size(); k += 8) {
        originals.push_back(readBytes(files[k]));
        paths.push_back(dir.file(std::to_string(paths.size()) + ".3do"));
        ASSERT_TRUE(writeBytes(paths.back(), originals.back()));
    }
    for (int pass = 0; pass < 2; ++pass) {
        // Two passes: the second rewrites the program's own layout, which must not change.
        std::vector<std::string> arguments(paths);
        bool anyUnreadable = false;
        for (size_t i = 0; i < paths.size(); ++i) {
            bool loads = false;
            composed(readBytes(paths[i]), &loads);
            anyUnreadable |= !loads;
        }
        EXPECT_EQ(run(runRewrite, arguments), anyUnreadable ? 1 : 0);
    }
    for (size_t i = 0; i < paths.size(); ++i) {
        bool loads = false;
        std::vector<uint8_t> expected = composed(originals[i], &loads);
        if (!loads) {
            ++unreadable;
            EXPECT_EQ(readBytes(paths[i]), originals[i]) << "an unreadable file was changed: " << paths[i];
            continue;
        }
        EXPECT_EQ(readBytes(paths[i]), expected) << paths[i];
    }
    // The corpus holds a few dozen files a strict reader refuses; the rest round-trip.
    EXPECT_LT(unreadable, originals.size() / 10);
    EXPECT_EQ(dir.entries().size(), paths.size()) << "a temporary file was left behind";
}

TEST(InfoAndRewrite, ExitCodesForUsageAndBrokenFiles)
{
    TempDir dir;
    const std::string broken = dir.file("broken.3do");
    const std::vector<uint8_t> brokenBytes(40, 0x01); // shorter than one header
    ASSERT_TRUE(writeBytes(broken, brokenBytes));

    EXPECT_EQ(run(runInfo, {}), 2);
    EXPECT_EQ(run(runRewrite, {}), 2);
    EXPECT_EQ(run(runInfo, {"--frobnicate", broken}), 2);
    EXPECT_EQ(run(runInfo, {"--help"}), 0);
    EXPECT_EQ(run(runInfo, {broken}), 1);
    EXPECT_EQ(run(runInfo, {dir.file("missing.3do")}), 1);
    EXPECT_EQ(run(runRewrite, {broken}), 1);
    EXPECT_EQ(readBytes(broken), brokenBytes);
}
