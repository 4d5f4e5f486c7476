// The save of a group of prepared files: the files whose new contents wait are
// saved together, sharing one flush to disk, and each result says how it went.
#pragma once

#include <cstdint>

#include "clean/FilePreparation.h"

// The most files, and about the most bytes of new contents, in one group of
// saves; two groups at most wait in memory.
constexpr uint32_t GroupFiles = 64;
constexpr uint32_t GroupBytes = 64u << 20;

// True for a file whose new contents wait for its group's save.
bool awaitsSave(const PreparedFile& file, CleanMode mode);

// Saves the files of group (at most GroupFiles) that await their save; a file
// whose save failed is Unwritable, with what the system said.
void saveGroup(PreparedFile* group, uint32_t count, CleanMode mode);
