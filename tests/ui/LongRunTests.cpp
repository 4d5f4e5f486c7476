// A run over a few thousand models, as a modder cleans a whole mod: another process
// keeps asking the main window for an answer and reads its progress line, and
// closing the window part-way leaves the report whole and every model sound.

#include <cstdio>
#include <regex>
#include <sstream>

#include "UiTestSupport.h"
#include "clean/BatchRun.h"
#include "clean/ColourMap.h"
#include "res/resource.h"

namespace {

constexpr uint32_t ModelCount = 3000;
// Windows marks a window "Not Responding" after 5 s; a user sees a stall long before.
constexpr double LongestWait = 250;
const char* const ColourDialogTitle = "Choose Colours To Delete Or Replace";

// A small corpus model that cleaning changes, and what the run must make of it.
struct Sample {
    std::vector<uint8_t> original;
    std::vector<uint8_t> cleaned;
};

std::vector<Sample> findSamples()
{
    std::vector<Sample> found;
    const ColourMap defaultMap;
    for (const std::string& path : corpusFiles()) {
        if (found.size() == 32)
            break;
        std::vector<uint8_t> bytes = readBytes(path);
        if (bytes.empty() || bytes.size() > 6000)
            continue;
        PreparedFile file;
        prepareFile(path.c_str(), defaultMap, CleanMode::Save, false, true, nullptr, file);
        if (file.result.outcome == FileOutcome::Cleaned && file.image != nullptr)
            found.push_back({bytes, std::vector<uint8_t>(file.image, file.image + file.result.sizeAfter)});
        delete[] file.image;
    }
    return found;
}

const std::vector<Sample>& samples()
{
    static const std::vector<Sample> found = findSamples();
    return found;
}

// The folder of this test program, with its separator.
std::string programFolder()
{
    char module[MAX_PATH] = {};
    std::string self(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
    return self.substr(0, self.rfind('\\') + 1);
}

// ModelCount copies of the samples, m0000.3do onwards, in a folder beside this test program that
// stays from one start to the next: under Wine, removing thousands of files takes longer than a run.
class Models {
public:
    static Models& shared()
    {
        static Models models;
        return models;
    }

    // Every model as it was: those a run may have cleaned are written again.
    void restore()
    {
        for (uint32_t k = 0; k < touched; ++k)
            EXPECT_TRUE(writeBytes(path(k), sample(k).original)) << path(k);
        touched = 0;
    }
    // A run may have cleaned the first count of them.
    void mayHaveCleaned(uint32_t count) { touched = count; }

    std::string path(uint32_t k) const
    {
        char name[16];
        std::snprintf(name, sizeof name, "m%04u.3do", k);
        return folder + name;
    }
    const Sample& sample(uint32_t k) const { return samples()[k % samples().size()]; }
    // All of them, chosen at once as the open-file dialog gives them.
    FileList fileList() const
    {
        std::string selection = folder.substr(0, folder.size() - 1) + '\0';
        for (uint32_t k = 0; k < ModelCount; ++k)
            selection += path(k).substr(folder.size()) + '\0';
        selection += '\0';
        return fileListFromSelection(selection.data(), uint32_t(selection.size()), true);
    }
    // Whether a run's temporary file lies among them.
    bool holdsTemporary() const
    {
        WIN32_FIND_DATAA entry;
        HANDLE found = FindFirstFileA((folder + "~scourwell-*").c_str(), &entry);
        FindClose(found);
        return found != INVALID_HANDLE_VALUE;
    }

private:
    Models() : folder(programFolder() + "long-run-models\\")
    {
        CreateDirectoryA(folder.c_str(), nullptr);
        restore();
    }

    std::string folder;
    uint32_t touched = ModelCount;
};

// The other process, window_probe.exe beside this test program, for as long as it lives.
class Probe {
public:
    Probe(HWND window, uint32_t timeout)
        : events("scourwell-probe-" + std::to_string(GetCurrentProcessId())),
          output(programFolder() + "window-probe.txt"),
          stop(CreateEventA(nullptr, TRUE, FALSE, (events + "-stop").c_str())),
          ready(CreateEventA(nullptr, TRUE, FALSE, (events + "-ready").c_str()))
    {
        DeleteFileA(output.c_str());
        process = startProcess("\"" + programFolder() + "window_probe.exe\" " + std::to_string(uintptr_t(window)) + " "
                               + events + " " + std::to_string(timeout) + " \"" + output + "\"");
        EXPECT_NE(process, nullptr);
        // Under way before the run starts.
        EXPECT_TRUE(pumpUntil([this] { return WaitForSingleObject(ready, 0) != WAIT_TIMEOUT; }, 30000));
    }
    ~Probe()
    {
        CloseHandle(stop);
        CloseHandle(ready);
        if (process != nullptr)
            CloseHandle(process);
    }

    // Stops it and reads what it saw: the longest wait in milliseconds and each progress text.
    std::pair<double, std::vector<std::string>> finish()
    {
        SetEvent(stop);
        EXPECT_TRUE(pumpUntil([this] { return WaitForSingleObject(process, 0) != WAIT_TIMEOUT; }, 30000));
        DWORD status = 1;
        GetExitCodeProcess(process, &status);
        EXPECT_EQ(status, 0u) << "window_probe failed";
        const std::string seen = readText(output);
        std::printf("window_probe: %s", seen.substr(0, seen.find("text ")).c_str());
        std::istringstream lines(seen);
        double longest = -1, seenAt = 0, longestGap = 0;
        std::vector<std::string> texts;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("longest ", 0) == 0)
                longest = std::stod(line.substr(8));
            if (line.rfind("text ", 0) != 0)
                continue;
            const double at = std::stod(line.substr(5));
            longestGap = texts.empty() || at - seenAt < longestGap ? longestGap : at - seenAt;
            seenAt = at;
            texts.push_back(line.substr(line.find(' ', 5) + 1));
        }
        std::printf("progress: %zu texts, at most %.0f ms apart\n", texts.size(), longestGap);
        return {longest, texts};
    }

private:
    std::string events;
    std::string output;
    HANDLE stop;
    HANDLE ready;
    HANDLE process = nullptr;
};

// Chooses the models, confirms the colour dialog with OK as soon as it shows, and presses Scour.
void startRun(Application& application)
{
    Models::shared().restore();
    application.fileList = Models::shared().fileList();
    DeleteFileA("log.txt");
    std::future<bool> colours = onDialog(ColourDialogTitle, [](HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_COLOURS_OK, BN_CLICKED), 0);
    });
    SendMessageA(application.mainWindow, WM_COMMAND, MAKEWPARAM(IDC_SCOUR, BN_CLICKED), 0);
    EXPECT_TRUE(colours.get());
    Models::shared().mayHaveCleaned(ModelCount);
}

// The number in a progress text, or -1 when the text is not one.
int64_t progressCount(const std::string& text)
{
    static const std::regex form("Scouring ([0-9]{1,3}(,[0-9]{3})*) of 3,000 files");
    std::smatch match;
    if (!std::regex_match(text, match, form))
        return -1;
    std::string digits = match[1].str();
    digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
    return std::stoll(digits);
}

std::string textOf(HWND window)
{
    char text[128] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Whether log.txt can be opened with no sharing: no handle to it is open.
bool reportClosed()
{
    HANDLE alone = CreateFileA("log.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (alone == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(alone);
    return true;
}

} // namespace

TEST_F(ApplicationTest, ALongRunAnswersAtOnceAndShowsHowFarItIs)
{
    REQUIRE_CORPUS();
    ASSERT_FALSE(samples().empty());
    Models& models = Models::shared();
    Probe probe(application->mainWindow, 5000);
    startRun(*application);
    // The README's picture of a run, taken part-way.
    HWND progress = GetDlgItem(application->mainWindow, IDC_PROGRESS);
    bool pictured = false;
    ASSERT_TRUE(pumpUntil(
        [&] {
            if (!pictured && progressCount(textOf(progress)) >= 1200) {
                saveScreenArea(application->mainWindow, application->mainWindow, "main-window-run");
                pictured = true;
            }
            return !recorded.boxes.empty();
        },
        300000));
    auto [longest, texts] = probe.finish();
    EXPECT_TRUE(pictured);

    EXPECT_LT(longest, LongestWait);
    // The progress line counts up while the run goes on, and is gone with the closing question.
    int64_t last = -1;
    for (const std::string& text : texts) {
        EXPECT_GT(progressCount(text), last) << text;
        last = progressCount(text);
    }
    EXPECT_GE(texts.size(), 3u);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(application->mainWindow, IDC_PROGRESS)));
    EXPECT_EQ(std::get<4>(recorded.boxes.at(0)), 0u) << "buttons enabled before the question";

    EXPECT_TRUE(contains(readText("log.txt"), "\r\n3000 out of 3000 files cleaned successfully\r\n"));
    for (uint32_t k = 0; k < ModelCount; ++k)
        ASSERT_EQ(readBytes(models.path(k)), models.sample(k).cleaned) << k;
}

// How the window is closed part-way through: its close box, or the end of the session.
class ClosingMidRun : public ApplicationTest, public testing::WithParamInterface<UINT> {};

TEST_P(ClosingMidRun, FinishesTheGroupClosesTheReportAndEndsTheProgram)
{
    REQUIRE_CORPUS();
    ASSERT_FALSE(samples().empty());
    Models& models = Models::shared();
    HWND window = application->mainWindow;
    startRun(*application);
    HWND progress = GetDlgItem(window, IDC_PROGRESS);
    ASSERT_TRUE(pumpUntil([progress] { return progressCount(textOf(progress)) > 0; }, 60000));
    EXPECT_FALSE(IsWindowEnabled(button(3))) << "Quit enabled during the run";

    if (GetParam() == WM_CLOSE) {
        SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        EXPECT_TRUE(SendMessageA(window, WM_QUERYENDSESSION, 0, 0));
        // The process may end as soon as this returns: the report must be closed by then.
        SendMessageA(window, WM_ENDSESSION, TRUE, 0);
        EXPECT_TRUE(reportClosed());
    }
    bool quit = false;
    for (DWORD start = GetTickCount(); !quit && GetTickCount() - start < 60000;)
        quit = pumpMessages(20);
    EXPECT_TRUE(quit);
    EXPECT_TRUE(reportClosed());
    EXPECT_EQ(recorded.boxes.size(), 0u);

    // The totals of the files done before the close end the report; each of those files is cleaned and
    // every later one as it was.
    const std::string report = readText("log.txt");
    std::smatch totals;
    ASSERT_TRUE(std::regex_search(report, totals,
                                  std::regex("\r\n([0-9]+) out of \\1 files cleaned successfully(\r\n\t[^\r\n]+){3}$")))
        << report.substr(report.size() > 300 ? report.size() - 300 : 0);
    const uint32_t done = uint32_t(std::stoul(totals[1].str()));
    models.mayHaveCleaned(done);
    EXPECT_GT(done, 0u);
    EXPECT_LT(done, ModelCount);
    for (uint32_t k = 0; k < ModelCount; ++k) {
        const Sample& sample = models.sample(k);
        ASSERT_EQ(readBytes(models.path(k)), k < done ? sample.cleaned : sample.original) << k;
    }
    EXPECT_FALSE(models.holdsTemporary());
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosingMidRun, testing::Values(UINT(WM_CLOSE), UINT(WM_ENDSESSION)),
                         [](const testing::TestParamInfo<UINT>& way) {
                             return way.param == WM_CLOSE ? "CloseBox" : "SessionEnd";
                         });
