// The 3DO file layout as this program reads and writes it: record sizes, the
// order of the 32-bit fields in each record, and the bounds of one load.
#pragma once

#include <cstdint>

// A 32-bit field read past the end of a file image, and every failed write.
constexpr uint32_t InvalidOffset = 0xFFFFFFFFu;

constexpr uint32_t ObjectHeaderSize = 52;
constexpr uint32_t VertexRecordSize = 12;
constexpr uint32_t PrimitiveRecordSize = 32;
constexpr uint32_t IndexSize = 2;
constexpr uint32_t FieldSize = 4;

// The fields of an object header, in file order.
namespace HeaderField {
enum : uint32_t {
    Version,
    VertexCount,
    PrimitiveCount,
    SelectionPrimitive,
    OffsetX,
    OffsetY,
    OffsetZ,
    NameOffset,
    ReservedZero,
    VertexArrayOffset,
    PrimitiveArrayOffset,
    SiblingOffset,
    ChildOffset,
    Count
};
} // namespace HeaderField

// The fields of a primitive record, in file order.
namespace PrimitiveField {
enum : uint32_t {
    Colour,
    IndexCount,
    ReservedZero,
    IndexArrayOffset,
    TextureNameOffset,
    Trailing1,
    Trailing2,
    Trailing3,
    Count
};
} // namespace PrimitiveField

// The fields of a vertex record, in file order.
namespace VertexField {
enum : uint32_t { X, Y, Z, Count };
} // namespace VertexField

// Where a field lies from the start of its record.
constexpr uint32_t fieldOffset(uint32_t field) { return FieldSize * field; }

static_assert(fieldOffset(HeaderField::Count) == ObjectHeaderSize, "header fields fill the header");
static_assert(fieldOffset(PrimitiveField::Count) == PrimitiveRecordSize, "primitive fields fill the record");
static_assert(fieldOffset(VertexField::Count) == VertexRecordSize, "vertex fields fill the record");

// Bounds on what one load may build. Real models have about a hundred objects,
// twenty levels and a few hundred kilobytes; these sit far above that, and keep a
// small hostile file from expanding into an enormous tree. The walks of a tree
// hold the path to an object in fixed arrays of MaxObjectDepth levels.
constexpr uint32_t MaxModelFileSize = 256u << 20;
constexpr uint64_t MaxTreeBytes = 256ull << 20;
constexpr uint32_t MaxObjects = 65536;
constexpr uint32_t MaxObjectDepth = 1024; // levels of child links below the root
