// Another process's view of the main window, as Windows judges whether a program
// answers: sends it WM_NULL with a timeout over and over and keeps the longest
// wait, and reads the text of its progress line whenever that shows.
// Usage: window_probe WINDOW EVENTS TIMEOUT_MS OUT_FILE; it sets the event
// EVENTS-ready once it is under way, stops when EVENTS-stop is set (or the
// window is gone) and writes to OUT_FILE the longest wait, how many messages it
// sent, and each new progress text.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "res/resource.h"

namespace {

constexpr int MaxTexts = 4096;
constexpr int TextSize = 128;

char texts[MaxTexts][TextSize];
LARGE_INTEGER frequency;
double longest = 0;
unsigned sent = 0;

double milliseconds()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Sends the message with the timeout and notes how long it took; false when it timed out.
bool send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeout)
{
    DWORD_PTR result = 0;
    const double before = milliseconds();
    const bool answered = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeout, &result) != 0;
    const double waited = milliseconds() - before;
    longest = waited > longest ? waited : longest;
    ++sent;
    return answered;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(argv[1], nullptr, 10)));
    const std::string events = argv[2];
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, (events + "-stop").c_str());
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (events + "-ready").c_str());
    const UINT timeout = static_cast<UINT>(std::strtoul(argv[3], nullptr, 10));
    if (stop == nullptr || ready == nullptr)
        return 2;
    QueryPerformanceFrequency(&frequency);
    // The first message sets up the way between the two processes: it is not counted.
    send(window, WM_NULL, 0, 0, timeout);
    longest = 0;
    sent = 0;
    SetEvent(ready);
    int textCount = 0;
    for (; WaitForSingleObject(stop, 0) == WAIT_TIMEOUT && IsWindow(window); Sleep(10)) {
        send(window, WM_NULL, 0, 0, timeout);
        // The text is read from this process as any other program would read it.
        HWND progress = GetDlgItem(window, IDC_PROGRESS);
        char text[TextSize] = {};
        if (progress == nullptr || !IsWindowVisible(progress)
            || !send(progress, WM_GETTEXT, TextSize, reinterpret_cast<LPARAM>(text), timeout))
            continue;
        if (text[0] == '\0' || textCount == MaxTexts || (textCount > 0 && std::strcmp(texts[textCount - 1], text) == 0))
            continue;
        std::memcpy(texts[textCount++], text, TextSize);
    }
    FILE* out = std::fopen(argv[4], "wb");
    if (out == nullptr)
        return 1;
    std::fprintf(out, "longest %.1f\nsent %u\n", longest, sent);
    for (int k = 0; k < textCount; ++k)
        std::fprintf(out, "text %s\n", texts[k]);
    return std::fclose(out) == 0 ? 0 : 1;
}
