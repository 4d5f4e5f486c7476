// The file work of one batch run on a thread of its own, so that the main window
// keeps painting and answering while a whole mod is cleaned. It tells the window
// how far it is after each group of saves, and can be asked to stop between
// groups: the group being saved is finished and the report closed with the
// totals so far.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "clean/ColourMap.h"

// Posted to the window: wParam files done, lParam files in the run.
constexpr UINT RunProgressMessage = WM_APP + 1;
// Posted to the window once the report is closed and the thread is about to end.
constexpr UINT RunEndedMessage = WM_APP + 2;

class ScourRun {
public:
    // paths (count of them) must stay valid until the run has ended; the map is copied.
    ScourRun(HWND window, const ColourMap& colourMap, const char* const* paths, uint32_t count);
    // Stops the run and waits for it.
    ~ScourRun();
    ScourRun(const ScourRun&) = delete;
    ScourRun& operator=(const ScourRun&) = delete;

    // Starts the thread; where none can be made, the run goes on here and now.
    void start();
    // Asks the run to stop after the group it is saving.
    void stop() { stopping.store(true); }
    // Waits until the thread has ended: the report is then closed.
    void wait();

    // Whether the report was created; valid once the run has ended.
    bool reportOpened() const { return reportOpen; }
    uint32_t fileCount() const { return count; }

private:
    static DWORD WINAPI threadMain(LPVOID run);
    void work();

    HWND window;
    ColourMap colourMap;
    const char* const* paths;
    uint32_t count;
    HANDLE thread = nullptr;
    std::atomic<bool> stopping{false};
    bool reportOpen = false;
};
