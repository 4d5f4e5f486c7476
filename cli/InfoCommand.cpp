// scour info: whether each file loads, and its object tree.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "model/Model.h"

static const char InfoUsage[] = "usage: scour info FILE...\n";
static const char InfoHelp[] =
    "Shows, for each file, whether it loads (and why not) and its objects with\n"
    "their names, offsets, vertex and face counts, then the whole-tree totals.\n";

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
        std::printf("  %*s%-*s  offset (%" PRId32 ", %" PRId32 ", %" PRId32 ")  %" PRIu32 " vertices  %" PRIu32
                    " faces\n",
                    2 * depth, "", depth < 12 ? 24 - 2 * depth : 0, object->name, object->offsetX, object->offsetY,
                    object->offsetZ, object->vertexCount, object->primitiveCount);
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
        std::printf("  total: %" PRIu32 " objects, %" PRIu32 " vertices, %" PRIu32 " faces (%" PRIu32
                    " textured, %" PRIu32 " lines)\n",
                    totals.objects, model.countVertices(), model.countPrimitives(), totals.textured, totals.lines);
    }
    return exitCode;
}
