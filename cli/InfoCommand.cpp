// scour info: whether each file loads, and its object tree.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include <string>
#include <vector>

#include "clean/FaceCheck.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/OutcomeText.h"
#include "model/Model.h"
#include "model/ObjectWalk.h"
#include "platform/Interrupt.h"

namespace {

const char InfoUsage[] = "usage: scour info [--recursive] PATH...\n";
const char InfoHelp[] =
    "Shows, for each file, whether it loads (and why not) and its objects with\n"
    "their names, offsets, vertex and face counts, then the whole-tree totals, and\n"
    "each face that names a vertex its object does not have, which cleaning\n"
    "refuses unless --repair drops them. A PATH may be a folder of models.\n"
    "\n"
    "Options:\n";
const char InfoClosing[] =
    "\n"
    "Exit codes: 0 every file loads and cleaning would take it, 1 otherwise, 2 usage\n"
    "error (a PATH that does not exist), 130 the run was asked to end.\n";

struct InfoOptions {
    bool recursive = false;
};

const Option<InfoOptions> InfoOptionTable[] = {
    {"--recursive", "-r", nullptr, [](InfoOptions& o, const char*) { o.recursive = true; },
     "also search the folders inside each folder"},
    {"--help", "-h", nullptr, nullptr, "this text"},
};

const std::vector<OptionSection<InfoOptions>> InfoSections = {
    {nullptr, InfoOptionTable, std::size(InfoOptionTable)},
};

struct TreeTotals {
    uint32_t objects = 0;
    uint32_t textured = 0;
    uint32_t lines = 0;
};

void printObjects(const ModelObject* first, TreeTotals& totals)
{
    ObjectWalk walk(first);
    while (const ModelObject* object = walk.next()) {
        const int depth = int(walk.depth());
        ++totals.objects;
        for (uint32_t i = 0; i < object->primitiveCount; ++i) {
            const Primitive& primitive = object->primitives[i];
            if (primitive.getTextureName())
                ++totals.textured;
            if (primitive.getIndexCount() == 2)
                ++totals.lines;
        }
        std::printf("  %*s%-*s  offset (%" PRId32 ", %" PRId32 ", %" PRId32 ")  %s  %s\n", 2 * depth, "",
                    depth < 12 ? 24 - 2 * depth : 0, object->name, object->offsetX, object->offsetY, object->offsetZ,
                    countText(object->vertexCount, Noun::Vertex).c_str(),
                    countText(object->primitiveCount, Noun::Face).c_str());
    }
}

} // namespace

int runInfo(int argc, char** argv)
{
    InfoOptions options;
    std::vector<std::string> files;
    int exitCode = 0;
    const int usageResult = parseFileArguments(argc, argv, InfoSections, options, options.recursive, InfoUsage,
                                               InfoHelp, InfoClosing, files, exitCode);
    if (usageResult >= 0)
        return usageResult;
    for (const std::string& file : files) {
        if (interruptionRequested())
            return interruptedAfter(size_t(&file - files.data()), files.size());
        const char* path = file.c_str();
        Model model;
        if (!model.load(path)) {
            std::printf("%s: does not load: %s\n", path, loadFailureText(model).c_str());
            exitCode = 1;
            continue;
        }
        std::printf("%s: %" PRIu32 " bytes\n", path, model.loadedSize);
        TreeTotals totals;
        printObjects(model.root, totals);
        std::printf("  total: %s, %s, %s (%" PRIu32 " textured, %s)\n", countText(totals.objects, Noun::Object).c_str(),
                    countText(model.countVertices(), Noun::Vertex).c_str(),
                    countText(model.countPrimitives(), Noun::Face).c_str(), totals.textured,
                    countText(totals.lines, Noun::Line).c_str());
        std::vector<FaceFault> faults;
        findBadFaces(model.root, faults);
        for (const FaceFault& fault : faults)
            std::printf("  %s %s\n", faceText(fault).c_str(), badIndexText(fault).c_str());
        if (!faults.empty()) {
            std::printf("  cleaning refuses this file; scour --repair drops %s\n",
                        faults.size() == 1 ? "this face" : "these faces");
            exitCode = 1;
        }
    }
    return exitCode;
}
