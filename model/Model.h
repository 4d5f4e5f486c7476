// A whole 3DO model: the object tree read from one file, cleaned and saved back.
#pragma once

#include <cstdint>

#include "ModelObject.h"
#include "ReadContext.h"
#include "platform/File.h"

class OutputBuffer;

class Model {
public:
    Model() = default;
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // Reads the whole file with one read and parses it; all or nothing. With
    // keptImage, a successful load hands over the file's bytes (new[]'d, the
    // caller releases them) instead of releasing them.
    bool load(const char* path, uint8_t** keptImage = nullptr);
    // Parses a file image already in memory.
    bool read(const uint8_t* buffer, uint32_t size);

    uint32_t countVertices() const;
    uint32_t countPrimitives() const;

    // Composes the file image in the program's compact layout.
    bool compose(OutputBuffer& file) const;
    // Composes the image and replaces the file at path with it atomically: on
    // failure the file that was there is untouched. savedSize, when given,
    // receives the size of the file written.
    bool save(const char* path, uint32_t* savedSize = nullptr) const;

    ModelObject* root = nullptr;

    // The size of the file image read by the last load or read.
    uint32_t loadedSize = 0;

    // Why the last load or read failed and, for a file that could not be opened
    // or read, what the system said.
    LoadFault fault;
    SystemError systemError;
};
