#include "cli/TextureColours.h"

#include <set>
#include <string>

#include "cli/ModTextures.h"
#include "model/ModelObject.h"
#include "model/ObjectWalk.h"
#include "platform/File.h"
#include "render/GafFile.h"
#include "render/TextureColour.h"

namespace {

// Far above any real texture file; a larger file is left unread.
constexpr uint32_t MaxTextureFileSize = 256u << 20;

using NameSet = std::set<std::string, NoCaseLess>;

void gatherNames(const ModelObject* first, NameSet& names)
{
    ObjectWalk walk(first);
    while (const ModelObject* object = walk.next()) {
        for (uint32_t p = 0; p < object->primitiveCount; ++p) {
            const char* name = object->primitives[p].getTextureName();
            if (name != nullptr)
                names.insert(name);
        }
    }
}

// The file's bytes (new[]'d) or null, with its size.
uint8_t* readTextureFile(const std::string& path, uint32_t* size)
{
    uint8_t* bytes = nullptr;
    if (readWholeFile(path.c_str(), MaxTextureFileSize, &bytes, size) != ReadFileResult::Ok)
        return nullptr;
    return bytes;
}

// Colours the wanted names that the GAF file's entries give, first entry first.
void colourFromGaf(const std::string& path, const NameSet& wanted, TextureColours& colours)
{
    uint32_t size = 0;
    uint8_t* bytes = readTextureFile(path, &size);
    GafFile gaf;
    if (bytes == nullptr || gaf.open(bytes, size) != GafResult::Ok) {
        delete[] bytes;
        return;
    }
    for (uint32_t entry = 0; entry < gaf.entryCount(); ++entry) {
        char name[GafNameSize + 1];
        if (gaf.entryName(entry, name) != GafResult::Ok || wanted.count(name) == 0 || colours.count(name) != 0)
            continue;
        GafFrame frame;
        Rgb mean;
        if (gaf.decodeFirstFrame(entry, frame) == GafResult::Ok && meanFrameColour(frame, &mean))
            colours.emplace(name, mean);
    }
    delete[] bytes;
}

} // namespace

uint32_t findTextureColours(const ModelObject* first, const TextureSet& set, TextureColours& colours)
{
    NameSet wanted;
    gatherNames(first, wanted);
    for (const std::string& path : set.gafFiles) {
        colourFromGaf(path, wanted, colours);
        if (colours.size() >= wanted.size())
            break;
    }
    uint32_t missing = 0;
    for (const std::string& name : wanted) {
        if (colours.count(name) != 0)
            continue;
        const std::string path = set.bitmapFile(name);
        uint32_t size = 0;
        uint8_t* bytes = path.empty() ? nullptr : readTextureFile(path, &size);
        Rgb mean;
        if (bytes != nullptr && meanImageColour(bytes, size, &mean))
            colours.emplace(name, mean);
        else
            ++missing;
        delete[] bytes;
    }
    return missing;
}

uint32_t countTextureNames(const ModelObject* first)
{
    NameSet names;
    gatherNames(first, names);
    return uint32_t(names.size());
}
