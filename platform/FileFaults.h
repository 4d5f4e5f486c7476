// Internal to the file layer: the fault-injection hook each implementation
// consults before every system call a test may want to fail.
#pragma once

#include <cstdint>

#include "platform/File.h"

// Saving writes at most this many bytes per write call, so a large file takes
// several calls and a fault can strike part-way through.
constexpr uint32_t MaxWriteChunk = 1u << 20;

// True when the armed fault for step strikes at this call; the caller then
// behaves as if the system call had failed.
bool fileFaultHit(FileStep step);
