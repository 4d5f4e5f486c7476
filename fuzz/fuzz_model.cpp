// Reads any bytes as a model; whatever loads is cleaned (repaired first when
// the cleaning refuses it), and a cleaned model must compose to an image that
// reads back, composes to the same bytes and is left as it is by a second clean
// that keeps every colour.
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

// A broken property ends the run as the fuzzer reports a crash.
void require(bool holds)
{
    if (!holds)
        std::abort();
}

// The map for an input: the default, keep all, remove all, or the input's own
// leading bytes over the default, chosen by its last byte.
ColourMap mapFor(const uint8_t* data, size_t size)
{
    ColourMap map;
    const uint8_t choice = size == 0 ? 0 : data[size - 1] % 4;
    if (choice == 1)
        map.keepAll();
    if (choice == 2)
        map.removeAll();
    if (choice == 3)
        map.fromBytes(data, static_cast<uint32_t>(size < ColourMapBytes ? size : ColourMapBytes));
    return map;
}

bool composesTo(const Model& model, const OutputBuffer& image)
{
    OutputBuffer again;
    return model.compose(again) && again.size() == image.size()
        && std::memcmp(again.data(), image.data(), image.size()) == 0;
}

// Cleans the loaded model; false stops the round trip for this input. A clean
// that refuses the tree must leave it exactly as it was, and once the faces
// naming missing vertices are dropped it must take the tree.
bool transformModel(Model& model, const uint8_t* data, size_t size)
{
    OutputBuffer before;
    const bool composed = model.compose(before);
    const ColourMap map = mapFor(data, size);
    const CleanResult result = cleanModel(model, map);
    if (result == CleanResult::Cleaned)
        return true;
    require(!composed || composesTo(model, before));
    std::vector<FaceFault> dropped;
    if (result != CleanResult::CorruptIndex || !dropBadFaces(model.root, dropped))
        return false;
    require(!dropped.empty() && !hasBadFaces(model.root));
    return cleanModel(model, map) == CleanResult::Cleaned;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Model model;
    if (size > (1u << 20) || !model.read(data, static_cast<uint32_t>(size)) || !transformModel(model, data, size))
        return 0;
    OutputBuffer first;
    require(model.compose(first));
    Model again;
    require(again.read(first.data(), first.size()) && composesTo(again, first));
    // A cleaned tree is already as clean as keeping every colour can make it.
    ColourMap keepAll;
    keepAll.keepAll();
    require(cleanModel(again, keepAll) == CleanResult::Cleaned && composesTo(again, first));
    return 0;
}
