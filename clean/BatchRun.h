// The batch run: loads, cleans and saves each chosen file in place, in the
// order given, and writes the report with an entry per file and the totals.
// Front ends add their own steps (dialogs, buttons, console lines) around
// begin, cleanOne and finish.
#pragma once

#include <cstdint>

#include "clean/CleanTotals.h"
#include "clean/FileResult.h"
#include "platform/ReportFile.h"

class ColourMap;

enum class CleanMode : uint8_t {
    Save,   // replace each file with its cleaned form
    DryRun, // clean in memory only; sizes after are those of the composed image
};

// Loads path with one read, cleans it with colourMap and (in Save mode) replaces
// it atomically with one write. A file that cannot be loaded or whose tree the
// cleaning refuses is left untouched; a failed save leaves the original as it
// was. Only a cleaned and saved file adds to totals. Returns the file's report
// entry, new[]'d for the caller to release, or null when memory ran out;
// result, when given, receives the details.
char* cleanFile(const char* path, const ColourMap& colourMap, CleanTotals& totals, CleanMode mode,
                FileResult* result = nullptr);

// Told of each file's final result, in the order the files were given.
using FileDoneHandler = void (*)(void* context, const char* path, const FileResult& result);

// Files are saved in groups that share one flush to disk, so a file's entry,
// its part of the totals and its result follow when its group is saved: when
// the group is full, or at finish.
class BatchRun {
public:
    // The most files, and about the most bytes of new contents, waiting at once.
    static constexpr uint32_t GroupFiles = 64;
    static constexpr uint32_t GroupBytes = 64u << 20;

    // With repairFaces, faces that name vertices their object does not have are
    // dropped before cleaning instead of making the file refused.
    BatchRun(const ColourMap& colourMap, CleanMode mode, bool repairFaces = false);
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // handler, when given, is told of each file's result with context.
    void onFileDone(FileDoneHandler handler, void* context);
    // Zeroes the totals, creates the report at reportPath (replacing any file
    // there; null for no report) and writes its opening. False when the report
    // cannot be created: the run then goes on without one.
    bool begin(const char* reportPath);
    // Loads, cleans and stages one file; every call counts one path once its
    // group is saved. path must stay valid until its result has been told, at
    // the latest until finish returns.
    void cleanOne(const char* path);
    // Saves the last group, writes the totals entry and closes the report.
    void finish();

    bool reportOpen() const { return report.isOpen(); }
    const CleanTotals& totals() const { return runTotals; }
    uint32_t pathsProcessed() const { return pathCount; }

private:
    struct PendingFile {
        const char* path;
        FileResult result;
        uint8_t* image; // the new contents (new[]'d), until the group is saved
    };

    // Saves the group's new contents together, then writes each entry and tells
    // each result in order.
    void saveGroup();
    // Drops what a group holds, when a run ends without finishing.
    void abandonGroup();
    void writeEntry(char* entry);

    const ColourMap* colourMap;
    CleanMode mode;
    bool repair;
    ReportFile report;
    CleanTotals runTotals;
    uint32_t pathCount = 0;
    FileDoneHandler handler = nullptr;
    void* handlerContext = nullptr;

    PendingFile group[GroupFiles] = {};
    uint32_t groupCount = 0;
    uint64_t groupBytes = 0;
};
