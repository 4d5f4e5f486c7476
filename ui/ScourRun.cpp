#include "ui/ScourRun.h"

#include "clean/BatchRun.h"

namespace {

const char* const ReportPath = "log.txt";
// Windows flushes each saved file on its own, so a smaller group costs nothing:
// the progress moves and a close is answered several times a second even on a
// disk where a flush takes tens of milliseconds.
const uint32_t WindowGroupFiles = 16;

} // namespace

ScourRun::ScourRun(HWND owner, const ColourMap& map, const char* const* files, uint32_t fileCount)
    : window(owner), colourMap(map), paths(files), count(fileCount)
{
}

ScourRun::~ScourRun()
{
    stop();
    wait();
}

void ScourRun::start()
{
    thread = CreateThread(nullptr, 0, threadMain, this, 0, nullptr);
    if (thread == nullptr)
        work();
}

void ScourRun::wait()
{
    if (thread == nullptr)
        return;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    thread = nullptr;
}

DWORD WINAPI ScourRun::threadMain(LPVOID run)
{
    static_cast<ScourRun*>(run)->work();
    return 0;
}

void ScourRun::work()
{
    {
        BatchRun run(colourMap, CleanMode::Save);
        run.setGroupFiles(WindowGroupFiles);
        reportOpen = run.begin(ReportPath);
        run.start(paths, count);
        uint32_t done = 0;
        uint32_t groupSize = 0;
        while (!stopping.load() && run.saveNextGroup(&groupSize) != nullptr) {
            done += groupSize;
            PostMessageA(window, RunProgressMessage, done, static_cast<LPARAM>(count));
        }
        run.finish();
        // The workers stop and what waits unsaved is dropped before the window hears of the end.
    }
    PostMessageA(window, RunEndedMessage, 0, 0);
}
