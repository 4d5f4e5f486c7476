// scour render: a model as a PNG picture, or the model before and after cleaning
// side by side.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "clean/CleaningPass.h"
#include "clean/ColourMap.h"
#include "clean/ColourMapStore.h"
#include "clean/FaceCheck.h"
#include "cli/ColourOptions.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/LowerCase.h"
#include "cli/ModTextures.h"
#include "cli/ModelFiles.h"
#include "cli/OptionTable.h"
#include "cli/OutcomeText.h"
#include "cli/TextureColours.h"
#include "model/Model.h"
#include "platform/Interrupt.h"
#include "render/Canvas.h"
#include "render/Picture.h"
#include "render/PngFile.h"
#include "render/Scene.h"

namespace {

const char RenderUsage[] =
    "usage: scour render [--compare] [--view iso|front|side|top] [--size N] [--mod DIR]\n"
    "                    [colour options] [-o FILE.png] MODEL.3do...\n";

const char RenderHelpIntroduction[] =
    "Draws each model as the game shows it at rest and writes the picture as a PNG\n"
    "file beside the model (MODEL.png), or to -o FILE. Every object sits at its\n"
    "offset from its parent; faces are filled in their palette colour, or in the\n"
    "mean colour of their texture when the mod's textures can be read (grey\n"
    "otherwise), and lit by one fixed light; lines are drawn as lines and one-point\n"
    "faces as dots. The camera frames the whole model, and the background is\n"
    "transparent. The same model and options always give the same bytes.\n"
    "\n"
    "With --compare the picture holds the model before cleaning (left) and after\n"
    "(right), cleaned with the colour options as clean is (colour 0 removed unless\n"
    "told otherwise), seen by the same camera. The faces that cleaning removes are\n"
    "drawn in magenta, #FF00FF, on the left; nothing else is drawn in that colour\n"
    "(lit faces never reach full brightness). Each side's face count is written\n"
    "under it. A model that cleaning leaves as it is gives two identical halves.\n"
    "\n"
    "Options:\n";

const char RenderClosing[] =
    "  Colour options apply in order, and only with --compare.\n"
    "\n"
    "The mod's textures are found as scour lint finds them: --mod DIR, or the nearest\n"
    "folder at or above the model that holds unittextures/tatex/ or textures/.\n"
    "\n"
    "Exit codes: 0 every picture written, 1 a model could not be read or cleaned or\n"
    "its picture written, 2 usage error (a MODEL that does not exist),\n"
    "130 the run was asked to end.\n";

struct RenderOptions {
    bool compare = false;
    View view = View::Iso;
    bool viewValid = true;
    uint32_t size = 512;
    bool sizeValid = true;
    std::string mod;
    std::string output;
    std::vector<ColourStep> colourSteps;
};

const Option<RenderOptions> RenderOptionTable[] = {
    {"--compare", nullptr, nullptr, [](RenderOptions& o, const char*) { o.compare = true; },
     "the model before and after cleaning side by side, the faces\n"
     "that cleaning removes in magenta (#FF00FF) on the left"},
    {"--view", nullptr, "VIEW", [](RenderOptions& o, const char* value) { o.viewValid = parseView(value, &o.view); },
     "iso (the default: the three-quarter view from above of unit\n"
     "pictures, the unit's front to the lower left), front, side\n"
     "(from the unit's right) or top (its front up)"},
    {"--size", nullptr, "N",
     [](RenderOptions& o, const char* value) {
         char* end = nullptr;
         const unsigned long size = std::strtoul(value, &end, 10);
         o.sizeValid = *end == '\0' && size >= MinPictureWidth && size <= MaxPictureWidth;
         o.size = o.sizeValid ? uint32_t(size) : 0;
     },
     "the picture's width in pixels, 16 to 4096 (default 512)"},
    {"--mod", nullptr, "DIR", [](RenderOptions& o, const char* value) { o.mod = value; },
     "colour textured faces from the textures of the mod at DIR"},
    {"--output", "-o", "FILE", [](RenderOptions& o, const char* value) { o.output = value; },
     "write the picture to FILE (for one model)"},
    {"--help", "-h", nullptr, nullptr, "this text"},
};

const std::vector<OptionSection<RenderOptions>> RenderSections = {
    {nullptr, RenderOptionTable, std::size(RenderOptionTable)},
    {"Colour options:", ColourOptions<RenderOptions>::table, std::size(ColourOptions<RenderOptions>::table)},
};

// True for a path that ends in .3do, in any letter case.
bool hasModelExtension(const std::string& path)
{
    return path.size() >= 4 && lowerCase(path.substr(path.size() - 4)) == ".3do";
}

// MODEL.png for MODEL.3do, else the name with .png added: never the model itself.
std::string picturePathFor(const std::string& model)
{
    return (hasModelExtension(model) ? model.substr(0, model.size() - 4) : model) + ".png";
}

// Parses the arguments; 0 to go on, -1 after help, else the exit code.
int parseArguments(int argc, char** argv, RenderOptions& options, std::vector<std::string>& models)
{
    const ParseResult parsed = parseOptions(argc, argv, RenderSections, options, models, RenderUsage);
    if (parsed == ParseResult::UsageError)
        return 2;
    if (parsed == ParseResult::Help) {
        printCommandHelp(RenderUsage, RenderHelpIntroduction, RenderSections, RenderClosing);
        return -1;
    }
    const char* fault = nullptr;
    if (!options.viewValid)
        fault = "--view takes iso, front, side or top";
    else if (!options.sizeValid)
        fault = "--size takes a width in pixels from 16 to 4096";
    else if (!options.compare && !options.colourSteps.empty())
        fault = "colour options need --compare";
    else if (!options.output.empty() && models.size() > 1)
        fault = "-o names one picture: give one model";
    else if (hasModelExtension(options.output))
        fault = "-o names the picture, which must not be a .3do file";
    if (fault != nullptr) {
        std::fprintf(stderr, "scour: %s\n", fault);
        return 2;
    }
    if (models.empty()) {
        std::fprintf(stderr, "scour: no model file given\n%s", RenderUsage);
        return 2;
    }
    return 0;
}

// The colours of the model's textures, with a note when some are drawn grey;
// a missing mod root is told once a run.
void findColours(const char* path, const Model& model, ModTextures& mods, bool* toldNoRoot, TextureColours& colours)
{
    const uint32_t names = countTextureNames(model.root);
    if (names == 0)
        return;
    bool firstTime = false;
    const TextureSet* set = mods.forModel(path, &firstTime);
    if (set == nullptr && !*toldNoRoot) {
        *toldNoRoot = true;
        std::fprintf(stderr,
                     "%s: no mod root (a folder with unittextures/tatex/ or textures/) at or above it; textured "
                     "faces drawn grey, here and in the models after it without one\n",
                     path);
    }
    if (set == nullptr)
        return;
    const uint32_t missing = findTextureColours(model.root, *set, colours);
    if (missing > 0)
        std::fprintf(stderr, "%s: textures drawn grey: %u of its %u not readable from the mod at %s\n", path, missing,
                     names, set->root.c_str());
}

// Faces that name a vertex their object lacks cannot be drawn; a comparison
// cannot be made at all, as cleaning refuses the model. False for the latter.
bool tellBadFaces(const char* path, const Model& model, bool compare)
{
    std::vector<FaceFault> faults;
    findBadFaces(model.root, faults);
    if (faults.empty())
        return true;
    if (compare) {
        std::fprintf(stderr, "%s: cannot compare: cleaning refuses it, as %s %s%s; scour --repair drops such faces\n",
                     path, faceText(faults.front()).c_str(), badIndexText(faults.front()).c_str(),
                     faults.size() > 1
                         ? (" (and " + countText(uint32_t(faults.size() - 1), Noun::Face) + " more like it)").c_str()
                         : "");
        return false;
    }
    for (const FaceFault& fault : faults)
        std::fprintf(stderr, "%s: %s %s: not drawn\n", path, faceText(fault).c_str(), badIndexText(fault).c_str());
    return true;
}

// The comparison of model with its cleaned self, read again from its file image.
bool drawComparison(const char* path, const Model& model, const uint8_t* image, const ColourMap& colourMap,
                    const TextureColours& colours, const PictureSettings& settings, Canvas& canvas)
{
    Model cleaned;
    if (!cleaned.read(image, model.loadedSize) || cleanModel(cleaned, colourMap) != CleanResult::Cleaned) {
        std::fprintf(stderr, "%s: cannot compare: out of memory\n", path);
        return false;
    }
    Scene before;
    Scene after;
    const std::string beforeLabel = countText(model.countPrimitives(), Noun::Face);
    const std::string afterLabel = countText(cleaned.countPrimitives(), Noun::Face);
    if (!before.build(model.root, {&colours, &colourMap}) || !after.build(cleaned.root, {&colours, nullptr})
        || !drawComparisonPicture(before, after, beforeLabel.c_str(), afterLabel.c_str(), settings, canvas)) {
        std::fprintf(stderr, "%s: cannot draw: out of memory\n", path);
        return false;
    }
    std::printf("%s: %u -> %s, ", path, model.countPrimitives(), afterLabel.c_str());
    return true;
}

// Draws one model and saves its picture; the command's exit code for it.
int renderModel(const char* path, const std::string& output, const RenderOptions& options, const ColourMap& colourMap,
                ModTextures& mods, bool* toldNoRoot)
{
    Model model;
    uint8_t* image = nullptr;
    if (!model.load(path, &image)) {
        std::fprintf(stderr, "%s: does not load: %s\n", path, loadFailureText(model).c_str());
        return 1;
    }
    TextureColours colours;
    findColours(path, model, mods, toldNoRoot, colours);
    const PictureSettings settings{options.view, options.size};
    Canvas canvas;
    bool drawn = tellBadFaces(path, model, options.compare);
    if (drawn && options.compare) {
        drawn = drawComparison(path, model, image, colourMap, colours, settings, canvas);
    } else if (drawn) {
        Scene scene;
        drawn = scene.build(model.root, {&colours, nullptr}) && drawModelPicture(scene, settings, canvas);
        if (!drawn)
            std::fprintf(stderr, "%s: cannot draw: out of memory\n", path);
        else
            std::printf("%s: ", path);
    }
    delete[] image;
    if (!drawn)
        return 1;
    SystemError error;
    if (!savePng(canvas, output.c_str(), &error)) {
        std::printf("not written\n");
        std::fprintf(stderr, "%s: cannot write the picture %s: %s\n", path, output.c_str(),
                     systemErrorText(error).c_str());
        return 1;
    }
    std::printf("wrote %s (%u x %u)\n", output.c_str(), canvas.width(), canvas.height());
    return 0;
}

} // namespace

int runRender(int argc, char** argv)
{
    RenderOptions options;
    std::vector<std::string> models;
    const int parsed = parseArguments(argc, argv, options, models);
    if (parsed == -1)
        return 0;
    if (parsed != 0)
        return parsed;
    if (!everyPathExists(models))
        return 2;
    ColourMap colourMap;
    std::vector<MapToStore> stores;
    if (!applyColourSteps(options.colourSteps, colourMap, stores))
        return 2;
    for (const MapToStore& store : stores) {
        if (!storeColourMapFile(store.path, store.map)) {
            std::fprintf(stderr, "scour: cannot write the colour map to %s\n", store.path);
            return 1;
        }
    }
    ModTextures mods(options.mod);
    bool toldNoRoot = false;
    int exitCode = 0;
    for (const std::string& model : models) {
        if (interruptionRequested())
            return interruptedAfter(size_t(&model - models.data()), models.size());
        const std::string output = options.output.empty() ? picturePathFor(model) : options.output;
        if (renderModel(model.c_str(), output, options, colourMap, mods, &toldNoRoot) != 0)
            exitCode = 1;
    }
    return exitCode;
}
