#include "clean/BatchRun.h"

#include <cstring>

#include "clean/CleaningPass.h"
#include "clean/FaceCheck.h"
#include "clean/ReportEntry.h"
#include "model/Model.h"
#include "model/OutputBuffer.h"
#include "platform/File.h"

// Repairs (when asked) and cleans the loaded model and takes the counts; false
// when the tree was refused.
static bool cleanLoaded(Model& model, const ColourMap& colourMap, bool repair, FileResult& result)
{
    result.sizeBefore = model.loadedSize;
    result.verticesBefore = model.countVertices();
    result.facesBefore = model.countPrimitives();
    if (repair && !dropBadFaces(model.root, result.badFaces)) {
        result.cleanResult = CleanResult::OutOfMemory;
        return false;
    }
    result.cleanResult = cleanModel(model, colourMap);
    if (result.cleanResult == CleanResult::CorruptIndex)
        findBadFaces(model.root, result.badFaces);
    if (result.cleanResult != CleanResult::Cleaned)
        return false;
    result.verticesAfter = model.countVertices();
    result.facesAfter = model.countPrimitives();
    return true;
}

// Loads, cleans and composes one file; in Save mode *image receives the new
// contents (new[]'d) to save. The outcome is Cleaned when the file only waits
// for its save.
static void prepareFile(const char* path, const ColourMap& colourMap, CleanMode mode, bool repair, FileResult& result,
                        uint8_t** image)
{
    result = FileResult();
    *image = nullptr;
    Model model;
    // A dry run keeps the original bytes to tell whether cleaning changes them.
    uint8_t* original = nullptr;
    if (!model.load(path, mode == CleanMode::DryRun ? &original : nullptr)) {
        result.loadFailure = model.failure;
        result.loadFailureOffset = model.failureOffset;
        result.loadFailureValue = model.failureValue;
        result.systemError = model.systemError;
        return;
    }
    OutputBuffer composed;
    bool cleaned = cleanLoaded(model, colourMap, repair, result);
    bool stored = cleaned && model.compose(composed);
    if (stored && original != nullptr)
        result.changed =
            composed.size() != model.loadedSize || std::memcmp(composed.data(), original, composed.size()) != 0;
    delete[] original;
    if (!cleaned)
        return;
    result.outcome = stored ? FileOutcome::Cleaned : FileOutcome::WriteError;
    if (!stored)
        return;
    result.sizeAfter = composed.size();
    if (mode == CleanMode::Save)
        *image = composed.release();
}

static void markWriteError(FileResult& result, const SystemError& error)
{
    result.outcome = FileOutcome::WriteError;
    result.sizeAfter = 0;
    result.systemError = error;
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
    uint8_t* image = nullptr;
    prepareFile(path, colourMap, mode, false, outcome, &image);
    SystemError error;
    if (image != nullptr && !replaceFileContents(path, image, outcome.sizeAfter, &error))
        markWriteError(outcome, error);
    delete[] image;
    return settleFile(path, outcome, totals);
}

BatchRun::BatchRun(const ColourMap& map, CleanMode runMode, bool repairFaces)
    : colourMap(&map), mode(runMode), repair(repairFaces)
{
}

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
    prepareFile(path, *colourMap, mode, repair, file.result, &file.image);
    if (file.image)
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
    FileSave saves[GroupFiles];
    uint32_t saveCount = 0;
    for (uint32_t i = 0; i < groupCount; ++i) {
        if (group[i].image == nullptr)
            continue;
        FileSave& save = saves[saveCount++];
        save.path = group[i].path;
        save.data = group[i].image;
        save.size = group[i].result.sizeAfter;
    }
    saveFiles(saves, saveCount);

    uint32_t next = 0;
    for (uint32_t i = 0; i < groupCount; ++i) {
        PendingFile& file = group[i];
        if (file.image) {
            const FileSave& save = saves[next++];
            if (!save.saved)
                markWriteError(file.result, save.error);
            delete[] file.image;
            file.image = nullptr;
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
        delete[] group[i].image;
        group[i].image = nullptr;
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
