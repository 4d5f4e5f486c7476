// The preparation of one file of a run, on memory only: load it, clean it,
// compose its new contents and tell whether they differ from its bytes.
#pragma once

#include <cstdint>

#include "clean/CleanResult.h"
#include "clean/FileResult.h"

class ColourMap;
class Model;
class OutputBuffer;

enum class CleanMode : uint8_t {
    Save,   // replace each file with its cleaned form
    DryRun, // clean in memory only; sizes after are those of the composed image
};

// One file of a run: its path, its result, and its new contents while they wait
// for their group's save.
struct PreparedFile {
    const char* path = nullptr;
    FileResult result;
    uint8_t* image = nullptr; // new[]'d, result.sizeAfter bytes
};

// What to prepare and how.
struct PrepareJob {
    const char* path = nullptr;
    const ColourMap* colourMap = nullptr;
    CleanMode mode = CleanMode::Save;
    bool repair = false;    // drop the faces that name missing vertices before cleaning
    bool keepImage = false; // keep the new contents even when nothing waits for them
    // The contents an earlier mention of the same file would have saved, which
    // stand for the file; null to load it.
    const PreparedFile* source = nullptr;
};

// Loads the job's file with one read (or takes its source), cleans it and
// composes its new contents into file. Touches no file. A file whose cleaned
// form is its bytes is Unchanged, with no image; a Cleaned file keeps its image
// in Save mode (to wait for its save) or when keepImage is set.
void prepareFile(const PrepareJob& job, PreparedFile& file);

// Whether cleaning changes a loaded model's file.
enum class CleaningChange : uint8_t {
    Refused,    // cleaning refused the tree
    Uncomposed, // memory ran out composing the new contents
    Unchanged,  // the new contents are the file's bytes
    Changed,    // they differ, or the file's bytes are not known (original is null)
};

// Cleans model with colourMap, composes its new contents into composed and
// compares them with original, the originalSize bytes the model was read from;
// cleanResult, when given, receives what the cleaning said.
CleaningChange cleanAndCompare(Model& model, const ColourMap& colourMap, const uint8_t* original, uint32_t originalSize,
                               OutputBuffer& composed, CleanResult* cleanResult = nullptr);

// Marks a file whose new contents could not be saved (or composed).
void markWriteError(FileResult& result, const SystemError& error);
