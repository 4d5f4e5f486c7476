// The texts of the report: its opening, the entry for each file and the totals
// entry. Each entry begins with CR LF; the report never ends with a line break.
#pragma once

#include <cstdint>

struct CleanTotals;

// The size of an entry buffer, terminator included. An entry that needs more
// (only a very long path can) gets a buffer of its own size instead, so an entry
// is never cut short.
constexpr uint32_t EntrySize = 8192;

constexpr char ReportOpening[] = "Report:";

// Each returns a new[]'d zero-terminated text that the caller releases with
// delete[], or null when memory runs out.
char* composeReadError(const char* path);
char* composeWriteError(const char* path);
// The vertex and face differences are before - after.
char* composeCleaned(const char* path, uint32_t sizeBefore, uint32_t sizeAfter, int32_t verticesRemoved,
                     int32_t facesRemoved);
char* composeTotals(const CleanTotals& totals, uint32_t pathsProcessed);
