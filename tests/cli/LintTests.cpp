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
        putFile(inner / "UnitTextures" / "TATex" / name, {});
    const std::string team = "Team\r\nlisted\n  ";
    putFile(inner / "UnitTextures" / "TATex" / "teamtex.txt", Bytes(team.begin(), team.end()));
    putFile(outer / "textures" / "one.gaf", gafImage({"Gaf1", "gaf2"}));
    putFile(outer / "textures" / "two.GAF", gafImage({std::string(40, 'n')}));
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
    putFile(mod / "unittextures" / "tatex" / "steel00.bmp", {});
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
    putFile(model, image.bytes);
    ModTextures mods;
    bool first = false;
    std::vector<Finding> findings;
    lintModel(model.string(), mods.forModel(model.string(), &first), findings);
    EXPECT_EQ(places(findings),
              (std::set<Place>{{"bad-index", "error", "base", 0},
                               {"bad-index", "error", "base", 1},
                               {"missing-texture", "error", "base", 3},
                               {"selection-out-of-range", "warning", "base", -1},
                               {"colour-out-of-range", "warning", "base", 5},
                               {"no-vertices", "warning", "flare", -1},
                               {"bad-index", "error", "flare", 0},
                               {"duplicate-name", "warning", "Base", -1},
                               {"several-roots", "warning", "base", -1}}));
    // Both objects of a shared name are told by their places in the tree.
    for (const Finding& finding : findings) {
        if (std::string(finding.code) == "duplicate-name") {
            EXPECT_TRUE(contains(finding.message, "the objects base and base/Base share a name"));
        }
    }
    // A clean model with a sound tree says nothing but that it is clean; cleaning
    // would change a plain image, and an unreadable file is one error.
    const ObjectPlan sound(Three, {{1, {0, 1, 2}}}, -1, "sound");
    putFile(mod / "plain.3do", plainImage({sound}));
    putFile(mod / "clean.3do", composeBytes(sound));
    putFile(mod / "broken.3do", {1, 0, 0, 0});
    for (auto [name, expected] : {std::pair{"plain.3do", std::set<Place>{{"would-change", "note", "", -1}}},
                                  {"clean.3do", std::set<Place>{}},
                                  {"broken.3do", std::set<Place>{{"unreadable", "error", "", -1}}}}) {
        findings.clear();
        lintModel((mod / name).string(), nullptr, findings);
        EXPECT_EQ(places(findings), expected) << name;
    }
}

TEST(Lint, LinesFormatsFiltersAndExitCodes)
{
    TempDir dir;
    const WorkingFolder inDir(dir.path());
    putFile("mod/textures/bad.gaf", Bytes(20, 0));
    putFile("mod/objects3d/warned.3do", plainImage({ObjectPlan({}, {{1, {}}}, -1, "torso")}));
    putFile("mod/objects3d/tex,1.3do", plainImage({ObjectPlan(Three, {{0, {0, 1, 2}, "nothere"}}, -1, "t")}));
    putFile("loose/x.3do", plainImage({ObjectPlan({}, {{1, {}}}, -1, "x")}));
    fs::create_directories("good/unittextures/tatex");

    // Paths as given; warnings and notes alone pass; the summary counts each code.
    CommandRun onlyWarned = lint({"--mod", "good", "mod/objects3d/warned.3do"});
    EXPECT_EQ(onlyWarned.exitCode, 0) << onlyWarned.err;
    EXPECT_EQ(onlyWarned.out,
              "mod/objects3d/warned.3do: object \"torso\": warning: the object has no vertices; some engines measure "
              "every object's height and fail on it [no-vertices]\n"
              "mod/objects3d/warned.3do: note: cleaning with the default colours would change the file "
              "[would-change]\n"
              "lint: 1 model: 0 errors, 1 warning, 1 note (no-vertices 1, would-change 1)\n");
    // A texture the mod lacks is an error, as a GitHub annotation on its file;
    // while a GAF file of the mod cannot be read, that file is the one error.
    const std::string annotation =
        "::error file=mod/objects3d/tex%2C1.3do,title=missing-texture::object \"t\" face 0: "
        "the texture \"nothere\" is not among the mod's textures\n";
    CommandRun missing = lint({"--mod=good", "--format", "github", "--severity=error", "mod/objects3d/tex,1.3do"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, annotation + "lint: 1 model: 1 error, 0 warnings, 0 notes (missing-texture 1)\n");
    CommandRun both = lint({"-r", "mod", "loose", "--ignore", "would-change,no-vertices"});
    EXPECT_EQ(both.exitCode, 1);
    EXPECT_EQ(both.out,
              (fs::path("mod") / "textures" / "bad.gaf").string()
                  + ": error: not a GAF file (version 0); this mod's textures are not checked while it "
                    "cannot be read [unreadable-textures]\n"
                  + (fs::path("loose") / "x.3do").string()
                  + ": note: no mod root (a folder with unittextures/tatex/ or textures/) at or above this model; "
              "texture findings are skipped for the models without one [no-textures]\n"
              "lint: 3 models: 1 error, 0 warnings, 1 note (unreadable-textures 1, no-textures 1)\n");
    CommandRun quiet = lint({"-qr", "mod", "loose"});
    EXPECT_EQ(quiet.out.find("warning"), std::string::npos) << quiet.out;
    EXPECT_EQ(quiet.out.find("lint:"), std::string::npos) << quiet.out;
    struct Refusal {
        std::vector<std::string> arguments;
        std::string errors;
    };
    for (const Refusal& refusal : std::vector<Refusal>{
             {{"--mod", "nothing", "loose"}, "scour: --mod nothing: no such folder\n"},
             {{"--mod", "loose", "loose"},
              "scour: --mod loose: the folder holds neither unittextures/ nor textures/, so it is no mod root\n"},
             {{"--ignore", "no-vertice", "loose"},
              "scour: --ignore: no finding is called \"no-vertice\" (did you mean no-vertices?)\n"},
             {{"--severity", "warnings", "loose"},
              "scour: --severity takes error, warning or note, not \"warnings\" (did you mean warning?)\n"},
             {{"--format", "xml", "loose"}, "scour: --format takes text, json or github, not \"xml\"\n"},
             {{"--mod"}, "scour: --mod needs a value\n"}}) {
        const CommandRun run = lint(refusal.arguments);
        EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(refusal.arguments);
        EXPECT_EQ(run.err, refusal.errors);
        EXPECT_EQ(run.out, "");
    }
}
