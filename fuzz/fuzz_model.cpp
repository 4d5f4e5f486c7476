// Reads any bytes as a model; whatever loads is cleaned (repaired first when
// the cleaning refuses it), and a cleaned model
// must compose to an image that reads back, composes to the same bytes and is
// left as it is by a second clean that keeps every colour.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "clean/CleaningPass.h"
#include "clean/ColourMap.h"
#include "clean/FaceCheck.h"
#include "model/Model.h"
#include "model/OutputBuffer.h"

namespace {

// The map for an input: the default, keep all, remove all, or the input's own
// leading bytes over the default, chosen by its last byte.
ColourMap mapFor(const uint8_t* data, size_t size)
{
    ColourMap map;
    uint8_t choice = size == 0 ? 0 : data[size - 1] % 4;
    if (choice == 1)
        map.keepAll();
    if (choice == 2)
        map.removeAll();
    if (choice == 3)
        map.fromBytes(data, static_cast<uint32_t>(size < ColourMapBytes ? size : ColourMapBytes));
    return map;
}

bool sameImage(const OutputBuffer& a, const OutputBuffer& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

// Cleans the loaded model; false stops the round trip for this input. A clean
// that refuses the tree must leave it exactly as it was, and once the faces
// naming missing vertices are dropped it must take the tree.
bool transformModel(Model& model, const uint8_t* data, size_t size)
{
    OutputBuffer before;
    bool composed = model.compose(before);
    const ColourMap map = mapFor(data, size);
    CleanResult result = cleanModel(model, map);
    if (result == CleanResult::Cleaned)
        return true;
    OutputBuffer after;
    if (composed && (!model.compose(after) || !sameImage(before, after)))
        std::abort();
    std::vector<FaceFault> dropped;
    if (result != CleanResult::CorruptIndex || !dropBadFaces(model.root, dropped))
        return false;
    if (dropped.empty() || hasBadFaces(model.root))
        std::abort();
    return cleanModel(model, map) == CleanResult::Cleaned;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    Model model;
    if (!model.read(data, static_cast<uint32_t>(size)))
        return 0;
    if (!transformModel(model, data, size))
        return 0;

    OutputBuffer first;
    if (!model.compose(first))
        std::abort();
    Model again;
    if (!again.read(first.data(), first.size()))
        std::abort();
    OutputBuffer second;
    if (!again.compose(second))
        std::abort();
    if (!sameImage(first, second))
        std::abort();
    // A cleaned tree is already as clean as keeping every colour can make it.
    ColourMap keepAll;
    keepAll.keepAll();
    if (cleanModel(again, keepAll) != CleanResult::Cleaned)
        std::abort();
    OutputBuffer third;
    if (!again.compose(third) || !sameImage(first, third))
        std::abort();
    return 0;
}
