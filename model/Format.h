// Sizes and limits of the 3DO file format as this program reads and writes it.
#pragma once

#include <cstdint>

// A 32-bit field read past the end of a file image, and every failed write.
constexpr uint32_t InvalidOffset = 0xFFFFFFFFu;

constexpr uint32_t ObjectHeaderSize = 52;
constexpr uint32_t VertexRecordSize = 12;
constexpr uint32_t PrimitiveRecordSize = 32;

// Bounds on what one load may build. Real models have about a hundred objects,
// twenty levels and a few hundred kilobytes; these sit far above that, and keep a
// small hostile file from expanding into an enormous tree or a deep recursion.
constexpr uint32_t MaxModelFileSize = 256u << 20;
constexpr uint64_t MaxTreeBytes = 256ull << 20;
constexpr uint32_t MaxObjects = 65536;
constexpr uint32_t MaxObjectDepth = 1024; // levels of child links below the root
