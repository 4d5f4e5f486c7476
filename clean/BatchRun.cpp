#include "clean/BatchRun.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

#include "clean/FileMentions.h"
#include "clean/ReportEntry.h"

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
constexpr uint32_t WindowFiles = 2 * GroupFiles;
constexpr uint64_t WindowBytes = 2 * uint64_t(GroupBytes);

} // namespace

// What the batch thread and the workers share; everything below the lock is
// guarded by it.
struct BatchRun::Workers {
    const ColourMap* colourMap;
    CleanMode mode;
    bool repair;

    PreparedFile* files = nullptr;
    FileMentions mentions;
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

    ~Workers()
    {
        for (uint32_t i = 0; i < count; ++i)
            delete[] files[i].image;
        delete[] files;
        delete[] stages;
        delete[] threads;
    }

    // True when file k may be prepared now; the lock is held.
    bool mayPrepare(uint32_t k) const
    {
        if (k >= count || k >= saved + WindowFiles || waitingBytes >= WindowBytes)
            return false;
        return mentions.previous(k) == FileMentions::None || mentions.previous(k) < saved;
    }

    // Prepares file k without the lock, then publishes it; the lock is held on
    // entry and on return.
    void prepare(uint32_t k, std::unique_lock<std::mutex>& held)
    {
        stages[k] = Stage::Preparing;
        const uint32_t previous = mentions.previous(k);
        PrepareJob job;
        job.path = files[k].path;
        job.colourMap = colourMap;
        job.mode = mode;
        job.repair = repair;
        job.keepImage = mentions.mentionedAgain(k);
        // An earlier mention's new contents stand for the file: a dry run saved
        // none, and a save through another hard link left this name on the old.
        if (previous != FileMentions::None) {
            const PreparedFile& earlier = files[previous];
            const FileOutcome outcome = earlier.result.outcome;
            if (earlier.image != nullptr && (outcome == FileOutcome::Cleaned || outcome == FileOutcome::Unchanged))
                job.source = &earlier;
        }
        held.unlock();
        prepareFile(job, files[k]);
        held.lock();
        stages[k] = Stage::Prepared;
        if (mode == CleanMode::Save && files[k].image != nullptr && !mentions.mentionedAgain(k))
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

BatchRun::~BatchRun() { stopWorkers(); }

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
    runTotals = CleanTotals();
    pathCount = 0;
    return report.create(reportPath, error);
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
    w.stages = new (std::nothrow) Stage[count];
    if (w.files == nullptr || w.stages == nullptr || !w.mentions.find(paths, count)) {
        delete workers;
        workers = nullptr;
        return;
    }
    w.count = count;
    for (uint32_t i = 0; i < count; ++i) {
        w.files[i].path = paths[i];
        w.stages[i] = Stage::Waiting;
    }

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

const PreparedFile* BatchRun::saveNextGroup(uint32_t* count)
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
            const uint32_t previous = w.mentions.previous(k);
            if (size > 0 && previous != FileMentions::None && previous >= first)
                break;
            while (w.stages[k] != Stage::Prepared) {
                if (w.threadCount == 0 && w.stages[k] == Stage::Waiting && w.nextToPrepare == k)
                    w.prepare(w.nextToPrepare++, held);
                else
                    w.prepared.wait(held);
            }
            if (w.files[k].image != nullptr)
                bytes += w.files[k].result.sizeAfter;
            if (w.files[k].image != nullptr && mode == CleanMode::Save && !w.mentions.mentionedAgain(k))
                counted += w.files[k].result.sizeAfter;
            ++size;
        }
    }

    PreparedFile* group = w.files + first;
    saveGroup(group, size, mode);
    for (uint32_t i = 0; i < size; ++i) {
        PreparedFile& file = group[i];
        if (mode == CleanMode::Save && !w.mentions.mentionedAgain(first + i)) {
            delete[] file.image;
            file.image = nullptr;
        }
        report.add(settleFile(file.path, file.result, runTotals));
        ++pathCount;
    }
    {
        std::lock_guard<std::mutex> held(w.lock);
        w.saved = first + size;
        w.waitingBytes -= counted;
    }
    w.work.notify_all();
    report.flush();
    *count = size;
    return group;
}

void BatchRun::finish()
{
    if (report.isOpen())
        report.add(composeTotals(runTotals, pathCount));
    report.close();
}
