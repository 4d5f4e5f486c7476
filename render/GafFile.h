// A GAF file, the game's store of named pictures (its textures among them), read
// from its bytes in memory with every offset and size checked against the file:
// the entries' names and the pixels of an entry's first frame.
#pragma once

#include <cstdint>

enum class GafResult : uint8_t {
    Ok,
    NotGaf,        // too short for the header, or another version
    EntryOutside,  // an entry table or entry record lies past the end
    NoFrames,      // the entry has none
    FrameOutside,  // a frame record or its subframe list lies past the end
    BadFrame,      // no pixels, too many, or subframes inside subframes
    PixelsOutside, // a frame's pixels or compressed rows run past the end
    OutOfMemory,
};

// The pixels of one frame: palette indexes, and which of them the frame draws
// (compressed frames skip transparent runs).
class GafFrame {
public:
    GafFrame() = default;
    ~GafFrame();
    GafFrame(const GafFrame&) = delete;
    GafFrame& operator=(const GafFrame&) = delete;

    // width x height pixels, none drawn; false when memory runs out.
    bool make(uint32_t frameWidth, uint32_t frameHeight);

    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t* indexes = nullptr; // width x height, rows top to bottom
    uint8_t* drawn = nullptr;   // 1 where the frame draws its pixel
};

// The most pixels a frame may have: far above any texture.
constexpr uint32_t MaxGafFramePixels = 1u << 24;
constexpr uint32_t GafNameSize = 32;
constexpr uint32_t GafHeaderSize = 12; // version, entry count, a zero word

class GafFile {
public:
    // Checks the header and that the entry table lies inside the file; the
    // bytes must outlive the object.
    GafResult open(const uint8_t* bytes, uint32_t size);
    uint32_t entryCount() const { return entries; }
    // The name of an entry (below entryCount), zero-terminated in name.
    GafResult entryName(uint32_t entry, char name[GafNameSize + 1]) const;
    // The pixels of an entry's first frame, of its first subframe when it has
    // subframes.
    GafResult decodeFirstFrame(uint32_t entry, GafFrame& frame) const;

private:
    // Where the record of entry lies, checked to fit with its first frame's slot.
    GafResult entryAt(uint32_t entry, uint32_t* at) const;
    GafResult decodeFrame(uint32_t record, bool isSubframe, GafFrame& frame) const;
    GafResult decodeRows(uint32_t at, GafFrame& frame) const;

    const uint8_t* data = nullptr;
    uint32_t size = 0;
    uint32_t entries = 0;
};
