// scour info: whether each file loads, and its object tree.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include <vector>

#include "clean/FaceCheck.h"
#include "clean/OutcomeText.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "model/Model.h"

static const char InfoUsage[] = "usage: scour info FILE...\n";
static const char InfoHelp[] =
    "Shows, for each file, whether it loads (and why not) and its objects with\n"
    "their names, offsets, vertex and face counts, then the whole-tree totals, and\n"
    "each face that names a vertex its object does not have, which cleaning\n"
    "refuses unless --repair drops them. Exit 0 when every file loads and\n"
    "cleaning would take it, 1 otherwise.\n";

struct TreeTotals {
    uint32_t objects = 0;
    uint32_t textured = 0;
    uint32_t lines = 0;
};

// Children recurse (the loader bounds their depth); siblings loop.
static void printObjects(const ModelObject* object, int depth, TreeTotals& totals)
{
    for (; object; object = object->sibling) {
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
                    countText(object->vertexCount, Noun::Vertex, Wording::Plain).c_str(),
                    countText(object->primitiveCount, Noun::Face, Wording::Plain).c_str());
        printObjects(object->child, depth + 1, totals);
    }
}

int runInfo(int argc, char** argv)
{
    const int usageResult = checkFileArguments(argc, argv, InfoUsage, InfoHelp);
    if (usageResult >= 0)
        return usageResult;

    int exitCode = 0;
    for (int i = 0; i < argc; ++i) {
        const char* path = argv[i];
        Model model;
        if (!model.load(path)) {
            std::printf("%s: does not load: %s\n", path, loadFailureText(model).c_str());
            exitCode = 1;
            continue;
        }
        std::printf("%s: %" PRIu32 " bytes\n", path, model.loadedSize);
        TreeTotals totals;
        printObjects(model.root, 0, totals);
        std::printf("  total: %s, %s, %s (%" PRIu32 " textured, %s)\n",
                    countText(totals.objects, Noun::Object, Wording::Plain).c_str(),
                    countText(model.countVertices(), Noun::Vertex, Wording::Plain).c_str(),
                    countText(model.countPrimitives(), Noun::Face, Wording::Plain).c_str(), totals.textured,
                    countText(totals.lines, Noun::Line, Wording::Plain).c_str());
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
