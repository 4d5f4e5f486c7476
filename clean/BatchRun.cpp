#include "clean/BatchRun.h"

#include <cstring>

#include "clean/ReportEntry.h"
#include "model/Model.h"
#include "model/OutputBuffer.h"
#include "platform/File.h"

// Cleans the loaded model and takes the counts; false when the tree was refused.
static bool cleanLoaded(Model& model, const ColourMap& colourMap, FileResult& result)
{
    result.sizeBefore = model.loadedSize;
    result.verticesBefore = model.countVertices();
    result.facesBefore = model.countPrimitives();
    result.cleanResult = model.clean(colourMap);
    if (result.cleanResult != CleanResult::Cleaned)
        return false;
    result.verticesAfter = model.countVertices();
    result.facesAfter = model.countPrimitives();
    return true;
}

// Loads, cleans and composes one file and, in Save mode, stages its new contents
// in *staged. The image is released as soon as it is written out. The outcome
// is Cleaned when the file only waits for its save.
static void prepareFile(const char* path, const ColourMap& colourMap, CleanMode mode, FileResult& result,
                        StagedFile** staged)
{
    result = FileResult();
    *staged = nullptr;
    Model model;
    // A dry run keeps the original bytes to tell whether cleaning changes them.
    uint8_t* original = nullptr;
    if (!model.load(path, mode == CleanMode::DryRun ? &original : nullptr)) {
        result.loadFailure = model.failure;
        result.loadFailureOffset = model.failureOffset;
        return;
    }
    OutputBuffer image;
    bool cleaned = cleanLoaded(model, colourMap, result);
    bool stored = cleaned && model.compose(image);
    if (stored && original != nullptr)
        result.changed = image.size() != model.loadedSize || std::memcmp(image.data(), original, image.size()) != 0;
    delete[] original;
    if (!cleaned)
        return;
    if (stored && mode == CleanMode::Save) {
        *staged = stageFileContents(path, image.data(), image.size());
        stored = *staged != nullptr;
    }
    result.outcome = stored ? FileOutcome::Cleaned : FileOutcome::WriteError;
    if (stored)
        result.sizeAfter = image.size();
}

static void markWriteError(FileResult& result)
{
    result.outcome = FileOutcome::WriteError;
    result.sizeAfter = 0;
}

// Flushes the staged files together, moves each over its original in order and
// releases them all; committed[i] tells whether files[i] replaced its original.
static void saveStaged(StagedFile* const* files, bool* committed, uint32_t count)
{
    flushStagedFiles(files, count, committed);
    for (uint32_t i = 0; i < count; ++i)
        committed[i] = committed[i] && commitStagedFile(files[i]);
    syncStagedFolders(files, count);
    for (uint32_t i = 0; i < count; ++i)
        releaseStagedFile(files[i]);
}

// The file's report entry; a cleaned file adds to totals.
static char* settleFile(const char* path, const FileResult& result, CleanTotals& totals)
{
    if (result.outcome == FileOutcome::ReadError)
        return composeReadError(path);
    if (result.outcome == FileOutcome::WriteError)
        return composeWriteError(path);
    int32_t bytes = wrappedDifference(result.sizeBefore, result.sizeAfter);
    int32_t vertices = wrappedDifference(result.verticesBefore, result.verticesAfter);
    int32_t faces = wrappedDifference(result.facesBefore, result.facesAfter);
    totals.addFile(bytes, vertices, faces);
    return composeCleaned(path, result.sizeBefore, result.sizeAfter, vertices, faces);
}

char* cleanFile(const char* path, const ColourMap& colourMap, CleanTotals& totals, CleanMode mode, FileResult* result)
{
    FileResult local;
    FileResult& outcome = result ? *result : local;
    StagedFile* staged = nullptr;
    prepareFile(path, colourMap, mode, outcome, &staged);
    if (staged) {
        bool committed = false;
        saveStaged(&staged, &committed, 1);
        if (!committed)
            markWriteError(outcome);
    }
    return settleFile(path, outcome, totals);
}

BatchRun::BatchRun(const ColourMap& map, CleanMode runMode) : colourMap(&map), mode(runMode) {}

BatchRun::~BatchRun()
{
    abandonGroup();
    report.close();
}

void BatchRun::onFileDone(FileDoneHandler fileDone, void* context)
{
    handler = fileDone;
    handlerContext = context;
}

bool BatchRun::begin(const char* reportPath)
{
    abandonGroup();
    runTotals = CleanTotals();
    pathCount = 0;
    report.close();
    if (!reportPath)
        return false;
    if (!report.create(reportPath))
        return false;
    report.write(ReportOpening, static_cast<uint32_t>(std::strlen(ReportOpening)));
    return true;
}

void BatchRun::cleanOne(const char* path)
{
    PendingFile& file = group[groupCount++];
    file.path = path;
    prepareFile(path, *colourMap, mode, file.result, &file.staged);
    if (file.staged)
        groupBytes += file.result.sizeAfter;
    if (groupCount == GroupFiles || groupBytes >= GroupBytes)
        saveGroup();
}

void BatchRun::finish()
{
    saveGroup();
    if (report.isOpen())
        writeEntry(composeTotals(runTotals, pathCount));
    report.close();
}

void BatchRun::saveGroup()
{
    StagedFile* staged[GroupFiles] = {};
    bool committed[GroupFiles] = {};
    uint32_t stagedCount = 0;
    for (uint32_t i = 0; i < groupCount; ++i) {
        if (group[i].staged)
            staged[stagedCount++] = group[i].staged;
    }
    saveStaged(staged, committed, stagedCount);

    uint32_t next = 0;
    for (uint32_t i = 0; i < groupCount; ++i) {
        PendingFile& file = group[i];
        if (file.staged) {
            if (!committed[next++])
                markWriteError(file.result);
            file.staged = nullptr;
        }
        writeEntry(settleFile(file.path, file.result, runTotals));
        ++pathCount;
        if (handler)
            handler(handlerContext, file.path, file.result);
    }
    groupCount = 0;
    groupBytes = 0;
}

void BatchRun::abandonGroup()
{
    for (uint32_t i = 0; i < groupCount; ++i) {
        releaseStagedFile(group[i].staged);
        group[i].staged = nullptr;
    }
    groupCount = 0;
    groupBytes = 0;
}

void BatchRun::writeEntry(char* entry)
{
    // Report writes that fail are ignored: the files matter, the report follows.
    if (entry && report.isOpen())
        report.write(entry, static_cast<uint32_t>(std::strlen(entry)));
    delete[] entry;
}
