#include "clean/FilePreparation.h"

#include <cstring>

#include "clean/CleaningPass.h"
#include "clean/FaceCheck.h"
#include "model/Model.h"
#include "model/OutputBuffer.h"
#include "platform/File.h"

CleaningChange cleanAndCompare(Model& model, const ColourMap& colourMap, const uint8_t* original, uint32_t originalSize,
                               OutputBuffer& composed, CleanResult* cleanResult)
{
    const CleanResult cleaned = cleanModel(model, colourMap);
    if (cleanResult != nullptr)
        *cleanResult = cleaned;
    if (cleaned != CleanResult::Cleaned)
        return CleaningChange::Refused;
    if (!model.compose(composed))
        return CleaningChange::Uncomposed;
    const bool same = original != nullptr && composed.size() == originalSize
        && std::memcmp(composed.data(), original, composed.size()) == 0;
    return same ? CleaningChange::Unchanged : CleaningChange::Changed;
}

void markWriteError(FileResult& result, const SystemError& error)
{
    result.outcome = FileOutcome::Unwritable;
    result.sizeAfter = 0;
    result.systemError = error;
}

// Repairs (when asked), cleans and composes the loaded model and takes the
// counts; the cleaning's answer.
static CleaningChange cleanLoaded(Model& model, const PrepareJob& job, const uint8_t* original, uint32_t originalSize,
                                  OutputBuffer& composed, FileResult& result)
{
    result.sizeBefore = model.loadedSize;
    result.verticesBefore = model.countVertices();
    result.facesBefore = model.countPrimitives();
    if (job.repair && !dropBadFaces(model.root, result.badFaces)) {
        result.cleanResult = CleanResult::OutOfMemory;
        return CleaningChange::Refused;
    }
    const CleaningChange change =
        cleanAndCompare(model, *job.colourMap, original, originalSize, composed, &result.cleanResult);
    if (result.cleanResult == CleanResult::CorruptIndex) {
        result.outcome = FileOutcome::Refused;
        findBadFaces(model.root, result.badFaces);
    }
    if (change == CleaningChange::Refused)
        return change;
    result.verticesAfter = model.countVertices();
    result.facesAfter = model.countPrimitives();
    return change;
}

void prepareFile(const PrepareJob& job, PreparedFile& file)
{
    FileResult& result = file.result;
    result = FileResult();
    delete[] file.image;
    file.image = nullptr;
    file.path = job.path;
    const PreparedFile* source = job.source;
    Model model;
    // The bytes the cleaned form is compared with: it is written only when it differs.
    uint8_t* kept = nullptr;
    const uint8_t* original = nullptr;
    uint32_t originalSize = 0;
    bool loaded = false;
    if (source != nullptr && source->image != nullptr) {
        loaded = model.read(source->image, source->result.sizeAfter);
        if (job.mode == CleanMode::DryRun) {
            // Nothing was saved: the earlier mention's contents stand for the file.
            original = source->image;
            originalSize = source->result.sizeAfter;
        } else if (readWholeFile(job.path, MaxModelFileSize, &kept, &originalSize) == ReadFileResult::Ok) {
            // The save went to one name: another name of the file still holds the old bytes.
            original = kept;
        }
    } else {
        loaded = model.load(job.path, &kept);
        original = kept;
        originalSize = model.loadedSize;
    }
    if (!loaded) {
        delete[] kept;
        result.loadFault = model.fault;
        result.systemError = model.systemError;
        return;
    }
    OutputBuffer composed;
    const CleaningChange change = cleanLoaded(model, job, original, originalSize, composed, result);
    delete[] kept;
    if (change == CleaningChange::Refused)
        return;
    if (change == CleaningChange::Uncomposed) {
        markWriteError(result, SystemError{FileError::OutOfMemory, 0});
        return;
    }
    result.sizeAfter = composed.size();
    result.outcome = change == CleaningChange::Unchanged ? FileOutcome::Unchanged : FileOutcome::Cleaned;
    if (job.keepImage || (change == CleaningChange::Changed && job.mode == CleanMode::Save))
        file.image = composed.release();
}
