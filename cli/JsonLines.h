// scour --json: one JSON object per file and a totals object, one per line, for
// tools that read the results.
#pragma once

#include <cstdint>
#include <string>

#include "clean/CleanTotals.h"
#include "clean/FileResult.h"

// text as a JSON string with its quotes. Valid UTF-8 passes through; any other
// byte is taken as Latin-1, which is close to what Windows' ANSI paths hold.
std::string jsonString(const char* text);

// {"path": ..., "outcome": "cleaned" | "read-error" | "write-error", ...}; a dry
// run adds "changed", a failure "error".
std::string jsonFileLine(const char* path, const FileResult& result, bool dryRun, const std::string& error);

// {"totals": {...}} with the report's totals, the paths counted and, for a dry
// run, how many files would change.
std::string jsonTotalsLine(const CleanTotals& totals, uint32_t files, bool dryRun, uint32_t filesChanged);
