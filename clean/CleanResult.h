// The outcome of cleaning a model: cleaned, or left alone for a reason the
// batch run reports.
#pragma once

#include <cstdint>

enum class CleanResult : uint8_t {
    Cleaned,
    CorruptIndex, // a primitive names a vertex at or past its object's vertex count
    OutOfMemory,
};
