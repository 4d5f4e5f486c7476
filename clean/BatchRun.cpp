#include "clean/BatchRun.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

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
    if (result.cleanResult == CleanResult::CorruptIndex) {
        result.outcome = FileOutcome::Refused;
        findBadFaces(model.root, result.badFaces);
    }
    if (result.cleanResult != CleanResult::Cleaned)
        return false;
    result.verticesAfter = model.countVertices();
    result.facesAfter = model.countPrimitives();
    return true;
}

static void markWriteError(FileResult& result, const SystemError& error)
{
    result.outcome = FileOutcome::Unwritable;
    result.sizeAfter = 0;
    result.systemError = error;
}

void prepareFile(const char* path, const ColourMap& colourMap, CleanMode mode, bool repair, bool keepImage,
                 const PreparedFile* source, PreparedFile& file)
{
    FileResult& result = file.result;
    result = FileResult();
    delete[] file.image;
    file.image = nullptr;
    file.path = path;
    Model model;
    // The bytes the cleaned form is compared with: it is written only when it differs.
    uint8_t* kept = nullptr;
    const uint8_t* original = nullptr;
    uint32_t originalSize = 0;
    bool loaded = false;
    if (source != nullptr && source->image != nullptr) {
        loaded = model.read(source->image, source->result.sizeAfter);
        if (mode == CleanMode::DryRun) {
            // Nothing was saved: the earlier mention's contents stand for the file.
            original = source->image;
            originalSize = source->result.sizeAfter;
        } else if (readWholeFile(path, MaxModelFileSize, &kept, &originalSize) == ReadFileResult::Ok) {
            // The save went to one name: another name of the file still holds the old bytes.
            original = kept;
        }
    } else {
        loaded = model.load(path, &kept);
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
    const bool cleaned = cleanLoaded(model, colourMap, repair, result);
    const bool stored = cleaned && model.compose(composed);
    const bool same = stored && original != nullptr && composed.size() == originalSize
        && std::memcmp(composed.data(), original, composed.size()) == 0;
    delete[] kept;
    if (!cleaned)
        return;
    if (!stored) {
        markWriteError(result, SystemError{FileError::OutOfMemory, 0});
        return;
    }
    result.sizeAfter = composed.size();
    result.outcome = same ? FileOutcome::Unchanged : FileOutcome::Cleaned;
    if (keepImage || (!same && mode == CleanMode::Save))
        file.image = composed.release();
}

// The file's report entry; a cleaned file adds to totals.
static char* settleFile(const char* path, const FileResult& result, CleanTotals& totals)
{
    if (result.outcome == FileOutcome::Unreadable || result.outcome == FileOutcome::Refused)
        return composeReadError(path);
    if (result.outcome == FileOutcome::Unwritable)
        return composeWriteError(path);
    int32_t bytes = wrappedDifference(result.sizeBefore, result.sizeAfter);
    int32_t vertices = wrappedDifference(result.verticesBefore, result.verticesAfter);
    int32_t faces = wrappedDifference(result.facesBefore, result.facesAfter);
    totals.addFile(bytes, vertices, faces);
    return composeCleaned(path, result.sizeBefore, result.sizeAfter, vertices, faces);
}

namespace {

enum class Stage : uint8_t { Waiting, Preparing, Prepared };

// The workers prepare at most the group being saved and the next one ahead.
constexpr uint32_t WindowFiles = 2 * BatchRun::GroupFiles;
constexpr uint64_t WindowBytes = 2 * uint64_t(BatchRun::GroupBytes);

struct IdentifiedPath {
    FileIdentity identity;
    uint32_t index;
};

bool identifiedBefore(const IdentifiedPath& a, const IdentifiedPath& b)
{
    if (a.identity.device != b.identity.device)
        return a.identity.device < b.identity.device;
    if (a.identity.file != b.identity.file)
        return a.identity.file < b.identity.file;
    return a.index < b.index;
}

} // namespace

// What the batch thread and the workers share; everything below the lock is
// guarded by it.
struct BatchRun::Workers {
    const ColourMap* colourMap;
    CleanMode mode;
    bool repair;

    PreparedFile* files = nullptr;
    uint32_t* previousMention = nullptr; // of the same file; NoMention for none
    bool* mentionedAgain = nullptr;
    Stage* stages = nullptr;
    uint32_t count = 0;

    std::thread* threads = nullptr;
    uint32_t threadCount = 0;

    std::mutex lock;
    std::condition_variable work;     // a file may be prepared, or the run stops
    std::condition_variable prepared; // a file was prepared
    uint32_t nextToPrepare = 0;
    uint32_t saved = 0;        // files before it are saved and settled
    uint64_t waitingBytes = 0; // images prepared and not yet saved
    bool stopping = false;

    static constexpr uint32_t NoMention = 0xFFFFFFFFu;

    ~Workers()
    {
        for (uint32_t i = 0; i < count; ++i)
            delete[] files[i].image;
        delete[] files;
        delete[] previousMention;
        delete[] mentionedAgain;
        delete[] stages;
        delete[] threads;
    }

    // True when file k may be prepared now; the lock is held.
    bool mayPrepare(uint32_t k) const
    {
        if (k >= count || k >= saved + WindowFiles || waitingBytes >= WindowBytes)
            return false;
        return previousMention[k] == NoMention || previousMention[k] < saved;
    }

    // Prepares file k without the lock, then publishes it; the lock is held on
    // entry and on return.
    void prepare(uint32_t k, std::unique_lock<std::mutex>& held)
    {
        stages[k] = Stage::Preparing;
        const uint32_t previous = previousMention[k];
        // An earlier mention's new contents stand for the file: a dry run saved
        // none, and a save through another hard link left this name on the old.
        const PreparedFile* source = nullptr;
        if (previous != NoMention) {
            const PreparedFile& earlier = files[previous];
            const FileOutcome outcome = earlier.result.outcome;
            if (earlier.image != nullptr && (outcome == FileOutcome::Cleaned || outcome == FileOutcome::Unchanged))
                source = &earlier;
        }
        held.unlock();
        prepareFile(files[k].path, *colourMap, mode, repair, mentionedAgain[k], source, files[k]);
        held.lock();
        stages[k] = Stage::Prepared;
        if (mode == CleanMode::Save && files[k].image != nullptr && !mentionedAgain[k])
            waitingBytes += files[k].result.sizeAfter;
        prepared.notify_all();
    }

    void run()
    {
        std::unique_lock<std::mutex> held(lock);
        while (!stopping) {
            if (mayPrepare(nextToPrepare)) {
                prepare(nextToPrepare++, held);
                continue;
            }
            work.wait(held);
        }
    }
};

BatchRun::BatchRun(const ColourMap& map, CleanMode runMode, bool repairFaces, uint32_t workerThreads)
    : colourMap(&map), mode(runMode), repair(repairFaces), workerCount(workerThreads)
{
    // The batch thread keeps a processor busy with the saves; the workers take
    // the others, and on a single processor share it.
    if (workerCount == 0)
        workerCount = std::thread::hardware_concurrency() > 1 ? std::thread::hardware_concurrency() - 1 : 1;
}

BatchRun::~BatchRun()
{
    stopWorkers();
    flushReport();
    report.close();
    delete[] pendingText;
}

void BatchRun::stopWorkers()
{
    if (workers == nullptr)
        return;
    {
        std::lock_guard<std::mutex> held(workers->lock);
        workers->stopping = true;
    }
    workers->work.notify_all();
    for (uint32_t i = 0; i < workers->threadCount; ++i)
        workers->threads[i].join();
    delete workers;
    workers = nullptr;
}

bool BatchRun::begin(const char* reportPath, SystemError* error)
{
    stopWorkers();
    pendingLength = 0;
    runTotals = CleanTotals();
    pathCount = 0;
    report.close();
    if (!reportPath)
        return false;
    if (!report.create(reportPath, error))
        return false;
    report.write(ReportOpening, static_cast<uint32_t>(std::strlen(ReportOpening)));
    return true;
}

void BatchRun::flushReport()
{
    // Report writes that fail are ignored: the files matter, the report follows.
    if (pendingLength > 0 && report.isOpen())
        report.write(pendingText, pendingLength);
    pendingLength = 0;
}

void BatchRun::start(const char* const* paths, uint32_t count)
{
    stopWorkers();
    workers = new (std::nothrow) Workers;
    if (workers == nullptr)
        return;
    Workers& w = *workers;
    w.colourMap = colourMap;
    w.mode = mode;
    w.repair = repair;
    w.files = new (std::nothrow) PreparedFile[count];
    w.previousMention = new (std::nothrow) uint32_t[count];
    w.mentionedAgain = new (std::nothrow) bool[count];
    w.stages = new (std::nothrow) Stage[count];
    IdentifiedPath* identified = new (std::nothrow) IdentifiedPath[count];
    if (w.files == nullptr || w.previousMention == nullptr || w.mentionedAgain == nullptr || w.stages == nullptr
        || identified == nullptr) {
        delete[] identified;
        delete workers;
        workers = nullptr;
        return;
    }
    w.count = count;
    // Two names for one file are one file: the same file sorts next to itself.
    uint32_t identifiedCount = 0;
    for (uint32_t i = 0; i < count; ++i) {
        w.files[i].path = paths[i];
        w.previousMention[i] = Workers::NoMention;
        w.mentionedAgain[i] = false;
        w.stages[i] = Stage::Waiting;
        if (identifyFile(paths[i], &identified[identifiedCount].identity))
            identified[identifiedCount++].index = i;
    }
    std::sort(identified, identified + identifiedCount, identifiedBefore);
    for (uint32_t i = 1; i < identifiedCount; ++i) {
        const IdentifiedPath& a = identified[i - 1];
        const IdentifiedPath& b = identified[i];
        if (a.identity.device != b.identity.device || a.identity.file != b.identity.file)
            continue;
        w.previousMention[b.index] = a.index;
        w.mentionedAgain[a.index] = true;
    }
    delete[] identified;

    // Without threads the batch thread prepares each file itself.
    w.threads = new (std::nothrow) std::thread[workerCount];
    if (w.threads == nullptr)
        return;
    for (uint32_t i = 0; i < workerCount; ++i) {
        try {
            w.threads[i] = std::thread([&w] { w.run(); });
        } catch (...) {
            break;
        }
        ++w.threadCount;
    }
}

const PreparedFile* BatchRun::nextGroup(uint32_t* count)
{
    *count = 0;
    if (workers == nullptr || workers->saved == workers->count)
        return nullptr;
    Workers& w = *workers;
    const uint32_t first = w.saved;
    uint32_t size = 0;
    uint64_t bytes = 0;
    uint64_t counted = 0; // of the bytes that count against the window
    {
        std::unique_lock<std::mutex> held(w.lock);
        while (first + size < w.count && size < groupFiles && bytes < GroupBytes) {
            const uint32_t k = first + size;
            // A file's second mention waits for the save of its first.
            if (size > 0 && w.previousMention[k] != Workers::NoMention && w.previousMention[k] >= first)
                break;
            while (w.stages[k] != Stage::Prepared) {
                if (w.threadCount == 0 && w.stages[k] == Stage::Waiting && w.nextToPrepare == k)
                    w.prepare(w.nextToPrepare++, held);
                else
                    w.prepared.wait(held);
            }
            if (w.files[k].image != nullptr)
                bytes += w.files[k].result.sizeAfter;
            if (w.files[k].image != nullptr && mode == CleanMode::Save && !w.mentionedAgain[k])
                counted += w.files[k].result.sizeAfter;
            ++size;
        }
    }

    PreparedFile* group = w.files + first;
    FileSave saves[GroupFiles];
    uint32_t saveCount = 0;
    for (uint32_t i = 0; i < size; ++i) {
        if (!awaitsSave(group[i]))
            continue;
        FileSave& save = saves[saveCount++];
        save.path = group[i].path;
        save.data = group[i].image;
        save.size = group[i].result.sizeAfter;
    }
    saveFiles(saves, saveCount);

    uint32_t next = 0;
    for (uint32_t i = 0; i < size; ++i) {
        PreparedFile& file = group[i];
        if (awaitsSave(file)) {
            const FileSave& save = saves[next++];
            if (!save.saved)
                markWriteError(file.result, save.error);
        }
        if (mode == CleanMode::Save && !w.mentionedAgain[first + i]) {
            delete[] file.image;
            file.image = nullptr;
        }
        writeEntry(settleFile(file.path, file.result, runTotals));
        ++pathCount;
    }
    {
        std::lock_guard<std::mutex> held(w.lock);
        w.saved = first + size;
        w.waitingBytes -= counted;
    }
    w.work.notify_all();
    flushReport();
    *count = size;
    return group;
}

bool BatchRun::awaitsSave(const PreparedFile& file) const
{
    return mode == CleanMode::Save && file.image != nullptr && file.result.outcome == FileOutcome::Cleaned;
}

void BatchRun::finish()
{
    if (report.isOpen())
        writeEntry(composeTotals(runTotals, pathCount));
    flushReport();
    report.close();
}

void BatchRun::writeEntry(char* entry)
{
    if (entry == nullptr || !report.isOpen()) {
        delete[] entry;
        return;
    }
    const uint32_t length = static_cast<uint32_t>(std::strlen(entry));
    if (length > pendingCapacity - pendingLength) {
        // Grown geometrically; when memory runs out, what waits is written first.
        const uint64_t wanted = uint64_t(pendingLength) + length;
        uint64_t grown = pendingCapacity < 4096 ? 4096 : 2 * uint64_t(pendingCapacity);
        if (grown < wanted)
            grown = wanted;
        char* larger = grown < InvalidOffset ? new (std::nothrow) char[grown] : nullptr;
        if (larger == nullptr) {
            flushReport();
            report.write(entry, length);
            delete[] entry;
            return;
        }
        if (pendingLength > 0)
            std::memcpy(larger, pendingText, pendingLength);
        delete[] pendingText;
        pendingText = larger;
        pendingCapacity = static_cast<uint32_t>(grown);
    }
    std::memcpy(pendingText + pendingLength, entry, length);
    pendingLength += length;
    delete[] entry;
}
