// Makes a chosen nothrow allocation fail, to reach the out-of-memory paths.
#pragma once

#include <cstdint>

// The occurrence-th nothrow new from now on (1-based) returns null; 0 disarms.
void failNothrowAllocation(uint32_t occurrence);
