// Where a test can make the file layer's system calls fail. Open is the opening
// of a file to read, to size or to replace; Read serves only loading; the others
// serve only saving. Flush and Close strike per file, also when a group shares
// one flush; Write strikes per chunk of at most MaxWriteChunk bytes.
#pragma once

#include <cstdint>

#include "platform/File.h"

enum class FileStep : uint8_t { Open, Read, CreateTemporary, Write, Flush, CopyAttributes, Close, Replace, Count };

// Saving writes at most this many bytes per write call, so a large file takes
// several calls and a fault can strike part-way through.
constexpr uint32_t MaxWriteChunk = 1u << 20;

// Asked before each step; any answer but FileError::None makes the step fail as
// if the system had reported that error. Null (the default) asks nothing.
using FileFaultHook = FileError (*)(FileStep step);
void setFileFaultHook(FileFaultHook hook);
