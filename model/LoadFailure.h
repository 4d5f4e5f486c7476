// Why a model did not load. Faults found while parsing come with the offset in
// the file where they were found and, where it says something, the wrong value.
#pragma once

#include <cstdint>

enum class LoadFailure : uint8_t {
    None,
    CannotOpen,
    CannotRead,
    FileTooLarge,
    OutOfMemory,
    EmptyFile,
    NotAModel,     // the first header's version is unknown (the value)
    HeaderOutside, // header does not lie wholly inside the file
    BadVersion,
    BadHeaderField, // a count or offset field holds 0xFFFFFFFF
    HeaderReservedNotZero,
    VertexArrayOutside,
    PrimitiveArrayOutside,
    NameOutside, // no zero-terminated name inside the file
    PrimitiveReservedNotZero,
    BadIndexCount, // indexCount is 0xFFFFFFFF
    IndexArrayOutside,
    TextureNameOutside,
    Cycle, // a header leads back to itself
    TooDeep,
    TooManyObjects,
    TreeTooLarge, // the tree would take more memory than a load may use
};

// One load's outcome: recorded once by the reader and handed on whole.
struct LoadFault {
    LoadFailure what = LoadFailure::None;
    uint32_t offset = 0; // where in the file it was found
    uint32_t value = 0;  // the value that was wrong, when it says something
};
