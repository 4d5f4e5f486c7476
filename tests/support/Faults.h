// Faults for the tests: a file layer call that fails at its n-th occurrence, as
// the system would report it, and an allocation that fails at its n-th call.
#pragma once

#include <cstdint>

#include "platform/FileSeam.h"

// The occurrence-th call (1-based) of step from now on fails, once, with error.
// Arming a step again replaces its fault; occurrence 0 disarms it.
void injectFileFault(FileStep step, uint32_t occurrence, FileError error = FileError::Other);
void clearFileFaults();

// The occurrence-th nothrow new[] from now on returns null, once; 0 disarms.
// Returns whether the failure armed before was still waiting to strike.
bool failAllocation(uint32_t occurrence);
