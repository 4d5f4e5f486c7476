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

// {"path": ..., "outcome": ..., ...}: the sizes and counts of a file that
// cleans, the reason ("error") of one that does not.
std::string jsonFileLine(const char* path, const FileResult& result, bool dryRun);

// {"totals": {...}} with the report's totals, the paths counted and how many
// files had each outcome; outcomes is indexed by FileOutcome.
std::string jsonTotalsLine(const CleanTotals& totals, uint32_t files, bool dryRun, const uint32_t outcomes[]);
