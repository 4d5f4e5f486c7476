// A face, line or point of an object: vertex numbers with a palette colour or a
// texture name, and three words carried through unchanged.
#pragma once

#include <cstdint>

#include "Format.h"

class OutputBuffer;
class ReadContext;

class Primitive {
public:
    Primitive() = default;
    ~Primitive();
    Primitive(const Primitive&) = delete;
    Primitive& operator=(const Primitive&) = delete;

    // Fills every field from the 32-byte record at offset, then gives the verdict;
    // records the reason in context when the record is invalid.
    bool read(const uint8_t* buffer, uint32_t size, uint32_t offset, ReadContext& context);
    // Appends the record with the given offsets; its position, or InvalidOffset.
    uint32_t write(OutputBuffer& file, uint32_t textureNameOffset, uint32_t indexArrayOffset) const;
    // Deep copy into a freshly constructed primitive; false when memory runs out.
    bool copyFrom(const Primitive& other);
    // Moves other's fields into this freshly constructed primitive; other keeps
    // its scalars but no indexes and no texture name.
    void takeFrom(Primitive& other);

    uint32_t getColour() const { return colour; }
    void setColour(uint32_t c) { colour = c & 0xFFu; }
    uint32_t getIndexCount() const { return indexCount; }
    const uint16_t* getIndexes() const { return indexes; }
    const char* getTextureName() const { return textureName; }
    // 0xFFFF past the end.
    uint16_t getIndex(uint32_t i) const { return i < indexCount ? indexes[i] : uint16_t(0xFFFF); }
    void setIndex(uint32_t i, uint16_t v)
    {
        if (i < indexCount)
            indexes[i] = v;
    }
    // Takes ownership of array (count entries, new[]'d), releasing the old one.
    void setIndexes(uint16_t* array, uint32_t count);
    // Takes ownership of name (new[]'d, zero-terminated, or null for no texture).
    void setTextureName(char* name);

    uint32_t colour = 0; // always below 256
    uint32_t indexCount = 0;
    uint32_t reservedZero = 0;
    uint16_t* indexes = nullptr; // indexCount entries, owned
    char* textureName = nullptr; // owned; null means untextured
    uint32_t trailing1 = 0;
    uint32_t trailing2 = 0;
    uint32_t trailing3 = 0;

private:
    // The fields that are plain words, the same in a copy and a move.
    void copyWordsFrom(const Primitive& other);
};
