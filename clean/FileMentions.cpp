#include "clean/FileMentions.h"

#include <algorithm>
#include <new>

#include "platform/File.h"

namespace {

struct IdentifiedPath {
    FileIdentity identity;
    uint32_t index;
};

bool identifiedBefore(const IdentifiedPath& a, const IdentifiedPath& b)
{
    if (a.identity.device != b.identity.device)
        return a.identity.device < b.identity.device;
    if (a.identity.file != b.identity.file)
        return a.identity.file < b.identity.file;
    return a.index < b.index;
}

} // namespace

FileMentions::~FileMentions()
{
    delete[] previousMention;
    delete[] again;
}

bool FileMentions::find(const char* const* paths, uint32_t count)
{
    delete[] previousMention;
    delete[] again;
    previousMention = new (std::nothrow) uint32_t[count];
    again = new (std::nothrow) bool[count];
    IdentifiedPath* identified = new (std::nothrow) IdentifiedPath[count];
    if (previousMention == nullptr || again == nullptr || identified == nullptr) {
        delete[] identified;
        return false;
    }
    // Two names for one file are one file: the same file sorts next to itself.
    uint32_t identifiedCount = 0;
    for (uint32_t i = 0; i < count; ++i) {
        previousMention[i] = None;
        again[i] = false;
        if (identifyFile(paths[i], &identified[identifiedCount].identity))
            identified[identifiedCount++].index = i;
    }
    std::sort(identified, identified + identifiedCount, identifiedBefore);
    for (uint32_t i = 1; i < identifiedCount; ++i) {
        const IdentifiedPath& a = identified[i - 1];
        const IdentifiedPath& b = identified[i];
        if (a.identity.device != b.identity.device || a.identity.file != b.identity.file)
            continue;
        previousMention[b.index] = a.index;
        again[a.index] = true;
    }
    delete[] identified;
    return true;
}
