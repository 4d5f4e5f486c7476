// The batch run: loads, cleans and saves each chosen file in place, in the
// order given, and writes the report with an entry per file and the totals.
// Worker threads prepare the files (load, clean, compose: work on memory only);
// the thread that runs the batch saves them a group at a time and writes the
// report, so every result comes out in the order of the files.
#pragma once

#include <cstdint>

#include "clean/CleanTotals.h"
#include "clean/FilePreparation.h"
#include "clean/GroupSave.h"
#include "clean/ReportBuffer.h"

class ColourMap;

class BatchRun {
public:
    // With repairFaces, faces that name vertices their object does not have are
    // dropped before cleaning instead of making the file refused. workers is the
    // number of threads that prepare files, 0 for one per processor besides the
    // one the batch thread keeps busy with the saves.
    BatchRun(const ColourMap& colourMap, CleanMode mode, bool repairFaces = false, uint32_t workers = 0);
    // Stops the workers and drops what waits unsaved: an interrupted run saves
    // nothing more.
    ~BatchRun();
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // Zeroes the totals, creates the report at reportPath (replacing any file
    // there; null for no report) and writes its opening. False when the report
    // cannot be created, with what the system said in error when given: the run
    // can go on without one.
    bool begin(const char* reportPath, SystemError* error = nullptr);
    // The files to clean, in order; they must stay valid until the run ends. The
    // workers start on them at once. A file named twice (by any of its names) is
    // prepared again only once its first mention has been saved.
    void start(const char* const* paths, uint32_t count);
    // Saves the next group and settles it: each file's entry is written and its
    // part of the totals added. The group's files in order, or null when every
    // file is done; valid until the next call.
    const PreparedFile* saveNextGroup(uint32_t* count);
    // Writes the totals entry of the files done so far and closes the report.
    void finish();
    // Saves at most files (1 to GroupFiles) in each group: a smaller group is
    // settled and told of sooner, and a run asked to stop stops sooner. Where
    // each file is flushed on its own, that costs nothing else.
    void setGroupFiles(uint32_t files) { groupFiles = files < 1 ? 1 : files > GroupFiles ? GroupFiles : files; }

    const CleanTotals& totals() const { return runTotals; }
    uint32_t pathsProcessed() const { return pathCount; }

private:
    struct Workers;

    void stopWorkers();

    const ColourMap* colourMap;
    CleanMode mode;
    bool repair;
    uint32_t workerCount;
    ReportBuffer report;
    CleanTotals runTotals;
    uint32_t pathCount = 0;
    uint32_t groupFiles = GroupFiles;
    Workers* workers = nullptr;
};
