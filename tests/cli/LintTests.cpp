// scour lint: the mod's textures by both layouts, malformed GAF files, every
// finding's code, severity and place, and the command's lines and exit codes.
#include <filesystem>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "clean/CleaningPass.h"
#include "clean/ColourMap.h"
#include "clean/FaceCheck.h"
#include "cli/Commands.h"
#include "cli/Lint.h"
#include "cli/ModTextures.h"
#include "support/ModelBuilder.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

void put(const fs::path& path, const Bytes& bytes)
{
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(writeBytes(path.string(), bytes)) << path;
}

// (code, severity, object, face) of each finding.
using Place = std::tuple<std::string, std::string, std::string, int64_t>;
std::set<Place> places(const std::vector<Finding>& findings)
{
    std::set<Place> found;
    for (const Finding& f : findings)
        found.insert({f.code, severityName(f.severity), f.object, f.face});
    return found;
}

CommandRun lint(std::vector<std::string> arguments) { return runCommand(runLint, std::move(arguments)); }

const std::vector<Vertex> Three{{0, 0, 0}, {9, 0, 0}, {0, 9, 0}};

} // namespace

TEST(ModTextures, BothLayoutsTheZeroZeroRuleAndTheNearestRoot)
{
    TempDir dir;
    const fs::path outer = fs::path(dir.path()) / "outer", inner = outer / "inner";
    // The open engine's layout, in any letter case, inside the original game's.
    for (const char* name : {"ArmMetal00.bmp", "skin00.TGA", "team.bmp", "notes.txt"})
        put(inner / "UnitTextures" / "TATex" / name, {});
    const std::string team = "Team\r\nlisted\n  ";
    put(inner / "UnitTextures" / "TATex" / "teamtex.txt", Bytes(team.begin(), team.end()));
    put(outer / "textures" / "one.gaf", gafImage({"Gaf1", "gaf2"}));
    put(outer / "textures" / "two.GAF", gafImage({std::string(40, 'n')}));
    ModTextures mods;
    bool first = false;
    const TextureSet* near = mods.forModel((inner / "objects3d" / "sub" / "unit.3do").string(), &first);
    ASSERT_TRUE(near != nullptr && first);
    EXPECT_EQ(fs::path(near->root), inner);
    for (const char* name : {"armmetal", "ARMMETAL", "skin", "team", "TEAM"})
        EXPECT_TRUE(near->holds(name)) << name;
    for (const char* name : {"armmetal00", "listed", "notes", "team00", "gaf1"})
        EXPECT_FALSE(near->holds(name)) << name;
    const TextureSet* far = mods.forModel((outer / "objects3d" / "unit.3do").string(), &first);
    ASSERT_TRUE(far != nullptr && first);
    EXPECT_TRUE(far->holds("GAF1") && far->holds("gaf2") && far->holds(std::string(32, 'N')) && !far->holds("gaf3"));
    EXPECT_FALSE(far->holds("armmetal"));
    // Each root is read once. A model outside every mod, unreadable GAF files and
    // --mod the command's tests meet.
    EXPECT_EQ(mods.forModel((outer / "unit.3do").string(), &first), far);
    EXPECT_FALSE(first);
}

TEST(ModTextures, MalformedGafFilesAreReasonsNeverCrashes)
{
    Bytes good = gafImage({"alpha", "beta"});
    Image wide{good};
    wide.put32(4, 0x40000000u); // a count whose offsets cannot fit
    Image past{good};
    past.put32(16, past.size() - 39); // the second entry's name runs past the end
    Image version{good};
    version.put32(0, 0x00010101u);
    for (auto [what, bytes, says] : std::initializer_list<std::tuple<const char*, Bytes, const char*>>{
             {"cut in the header", Bytes(good.begin(), good.begin() + 11), "shorter than a GAF header"},
             {"another version", version.bytes, "not a GAF file"},
             {"a count that does not fit", wide.bytes, "do not fit"},
             {"an entry past the end", past.bytes, "entry 1 lies outside"},
             {"the last name cut short", Bytes(good.begin(), good.end() - 1), "entry 1 lies outside"}}) {
        std::vector<std::string> names;
        // A copy of exactly the file's size, so the sanitizer sees any overread.
        std::vector<unsigned char> exact(bytes.begin(), bytes.end());
        EXPECT_NE(readGafNames(exact.data(), exact.size(), names).find(says), std::string::npos) << what;
    }
}

TEST(Lint, EveryFindingWithItsSeverityAndPlace)
{
    TempDir dir;
    const fs::path mod = fs::path(dir.path()) / "mod";
    put(mod / "unittextures" / "tatex" / "steel00.bmp", {});
    ObjectPlan root(Three,
                    {{1, {0, 1, 5}},
                     {1, {7}},
                     {0, {0, 1, 2}, "steel"},
                     {0, {0, 1, 2}, "rust"},
                     {0, {2, 1, 0}, "RUST"},
                     {3, {0, 1, 2}}},
                    9, "base");
    root.children = {ObjectPlan({}, {{0, {0}}}, -1, "flare"), ObjectPlan(Three, {{2, {0, 1, 2}}}, 0, "Base")};
    TreePlan tree{root, ObjectPlan(Three, {{2, {0, 1, 2}}}, -1, "extra")};
    Image image{plainImage(tree)};
    // The sixth face of the root: untextured, with a colour word past the palette.
    const uint32_t records = image.getField(0, HeaderField::PrimitiveArrayOffset);
    image.put32(records + 5 * PrimitiveRecordSize, 0x105);
    const fs::path model = mod / "objects3d" / "unit.3do";
    put(model, image.bytes);
    ModTextures mods;
    bool first = false;
    std::vector<Finding> findings;
    lintModel(model.string(), mods.forModel(model.string(), &first), findings);
    EXPECT_EQ(places(findings),
              (std::set<Place>{{"bad-index", "error", "base", 0},
                               {"bad-index", "warning", "base", 1},
                               {"missing-texture", "error", "base", 3},
                               {"selection-out-of-range", "warning", "base", -1},
                               {"colour-out-of-range", "warning", "base", 5},
                               {"no-vertices", "warning", "flare", -1},
                               {"bad-index", "warning", "flare", 0},
                               {"duplicate-name", "warning", "Base", -1},
                               {"several-roots", "warning", "base", -1}}));
    // A clean model with a sound tree says nothing but that it is clean; cleaning
    // would change a plain image, and an unreadable file is one error.
    const ObjectPlan sound(Three, {{1, {0, 1, 2}}}, -1, "sound");
    put(mod / "plain.3do", plainImage({sound}));
    Model clean;
    clean.root = buildObject(sound);
    put(mod / "clean.3do", composeBytes(clean));
    put(mod / "broken.3do", {1, 0, 0, 0});
    for (auto [name, expected] : {std::pair{"plain.3do", std::set<Place>{{"not-clean", "note", "", -1}}},
                                  {"clean.3do", std::set<Place>{}},
                                  {"broken.3do", std::set<Place>{{"unreadable", "error", "", -1}}}}) {
        findings.clear();
        lintModel((mod / name).string(), nullptr, findings);
        EXPECT_EQ(places(findings), expected) << name;
    }
}

TEST(Lint, LinesSummaryAndExitCodes)
{
    TempDir dir;
    const fs::path mod = fs::path(dir.path()) / "mod";
    put(mod / "textures" / "bad.gaf", Bytes(20, 0));
    put(mod / "objects3d" / "warned.3do", plainImage({ObjectPlan({}, {{1, {}}}, -1, "torso")}));
    put(fs::path(dir.path()) / "loose" / "x.3do", plainImage({ObjectPlan({}, {{1, {}}}, -1, "x")}));
    const std::string warned = (mod / "objects3d" / "warned.3do").string();
    const std::string loose = (fs::path(dir.path()) / "loose" / "x.3do").string();

    // Warnings and notes alone pass; the malformed GAF file is an error, told once.
    CommandRun onlyWarned = lint({"--mod", (fs::path(dir.path()) / "loose").string(), warned});
    EXPECT_EQ(onlyWarned.exitCode, 0) << onlyWarned.out;
    EXPECT_TRUE(contains(onlyWarned.out,
                         warned
                             + ": object \"torso\": warning: the object has no vertices; some "
                               "engines measure every object's height and fail on it [no-vertices]\n"));
    EXPECT_TRUE(contains(onlyWarned.out, "lint: 1 model: 0 errors, 1 warning, 1 note\n"));
    CommandRun both = lint({"-r", fs::path(dir.path()).string()});
    EXPECT_EQ(both.exitCode, 1);
    EXPECT_TRUE(contains(both.out, "bad.gaf: error: not a GAF file (version 0) [unreadable-textures]\n"));
    EXPECT_TRUE(contains(both.out, loose + ": note: no mod root"));
    CommandRun quiet = lint({"-q", "-r", fs::path(dir.path()).string()});
    EXPECT_EQ(quiet.out.find("warning"), std::string::npos) << quiet.out;
    EXPECT_EQ(quiet.out.find("lint:"), std::string::npos) << quiet.out;
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{}, {"--mod"}, {"--frobnicate", warned}})
        EXPECT_EQ(lint(arguments).exitCode, 2) << testing::PrintToString(arguments);
}
