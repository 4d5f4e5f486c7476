// A face, line or point of an object: vertex numbers with a palette colour or a
// texture name, and three words carried through unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Format.h"

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
    // Stores the 32-byte record with the given offsets at at.
    void store(uint8_t* at, uint32_t textureNameOffset, uint32_t indexArrayOffset) const;
    // Moves other's fields into this freshly constructed primitive; other keeps
    // its scalars but no indexes and no texture name.
    void takeFrom(Primitive& other);

    // The palette index: the colour word's low 8 bits.
    uint32_t paletteIndex() const { return colourWord & 0xFFu; }
    // Gives the primitive palette colour c; the word becomes c's low 8 bits.
    void setColour(uint32_t c) { colourWord = c & 0xFFu; }
    uint32_t getIndexCount() const { return indexCount; }
    const uint16_t* getIndexes() const { return indexes; }
    const char* getTextureName() const { return textureName; }
    // The texture name's length without its terminator; 0 without one.
    uint32_t getTextureNameLength() const { return textureNameLength; }
    // True when both have texture names and they are equal, byte for byte.
    bool sameTextureName(const Primitive& other) const
    {
        if (textureName == nullptr || other.textureName == nullptr || textureNameLength != other.textureNameLength)
            return false;
        // Short names sit in zero-padded buffers of one size: compared whole.
        if (textureName == inlineName && other.textureName == other.inlineName)
            return std::memcmp(inlineName, other.inlineName, InlineNameBytes) == 0;
        return std::memcmp(textureName, other.textureName, textureNameLength) == 0;
    }
    // Takes ownership of array (count entries, new[]'d), releasing the old one.
    void setIndexes(uint16_t* array, uint32_t count);
    // Takes ownership of name (new[]'d, zero-terminated, or null for no texture).
    void setTextureName(char* name);

    // Nearly every face has at most four vertices and a texture name of at most
    // 15 characters: those live inside the primitive, which spares a model two
    // allocations per face. Longer ones are new[]'d.
    static constexpr uint32_t InlineIndexes = 4;
    static constexpr uint32_t InlineNameBytes = 16;

    uint32_t colourWord = 0; // as read; only its palette index is written
    uint32_t indexCount = 0;
    uint32_t reservedZero = 0;
    uint16_t* indexes = nullptr; // indexCount entries, owned
    char* textureName = nullptr; // owned; null means untextured
    uint32_t trailing1 = 0;
    uint32_t trailing2 = 0;
    uint32_t trailing3 = 0;

private:
    // Room for count indexes, inside when they fit; null when memory runs out.
    // The old indexes are released.
    uint16_t* makeIndexes(uint32_t count);
    // Room for a name of length bytes with its terminator; the old name is released.
    char* makeTextureName(size_t length);
    void releaseIndexes();
    void releaseTextureName();

    uint32_t textureNameLength = 0;
    uint16_t inlineIndexes[InlineIndexes] = {};
    char inlineName[InlineNameBytes] = {};
};
