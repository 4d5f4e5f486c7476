// A run over a few thousand models, as a modder cleans a whole mod: another process
// keeps asking the main window for an answer and reads its progress line, and
// closing the window part-way leaves the report whole and every model sound.

#include <cstdio>
#include <filesystem>
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
        std::vector<uint8_t> bytes = readBytes(path);
        if (found.size() == 32 || bytes.empty() || bytes.size() > 6000)
            continue;
        PreparedFile file;
        PrepareJob job;
        job.path = path.c_str();
        job.colourMap = &defaultMap;
        job.keepImage = true;
        prepareFile(job, file);
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

const Sample& sample(uint32_t k) { return samples()[k % samples().size()]; }

// The folder of this test program, with its separator.
std::string programFolder()
{
    char module[MAX_PATH] = {};
    std::string self(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
    return self.substr(0, self.rfind('\\') + 1);
}

// ModelCount copies of the samples, m0000.3do onwards, beside this test program and kept from one
// start to the next: under Wine, removing thousands of files takes longer than a run.
const std::string ModelFolder = programFolder() + "long-run-models";

std::string modelName(uint32_t k)
{
    char name[16];
    std::snprintf(name, sizeof name, "m%04u.3do", k);
    return name;
}

std::string modelPath(uint32_t k) { return ModelFolder + "\\" + modelName(k); }

// Writes every model as it was and chooses them all, as the open-file dialog gives them.
void chooseModels(Application& application)
{
    CreateDirectoryA(ModelFolder.c_str(), nullptr);
    std::string selection = ModelFolder + '\0';
    for (uint32_t k = 0; k < ModelCount; ++k) {
        EXPECT_TRUE(writeBytes(modelPath(k), sample(k).original)) << k;
        selection += modelName(k) + '\0';
    }
    application.fileList = fileListFromSelection(selection.data(), uint32_t(selection.size() + 1), true);
    DeleteFileA("log.txt");
}

// Presses Scour and confirms the colour dialog with OK as soon as it shows.
void startRun(Application& application)
{
    std::future<bool> colours = onDialog("Choose Colours To Delete Or Replace", [](HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_COLOURS_OK, BN_CLICKED), 0);
    });
    SendMessageA(application.mainWindow, WM_COMMAND, MAKEWPARAM(IDC_SCOUR, BN_CLICKED), 0);
    EXPECT_TRUE(colours.get());
}

// The other process, window_probe.exe beside this test program, under way from construction on.
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
        EXPECT_TRUE(pumpUntil([this] { return WaitForSingleObject(ready, 0) != WAIT_TIMEOUT; }, 30000));
    }
    ~Probe()
    {
        CloseHandle(stop);
        CloseHandle(ready);
        CloseHandle(process);
    }

    // Stops it; the longest wait it saw in milliseconds, and each progress text, in order.
    std::pair<double, std::vector<std::string>> finish()
    {
        SetEvent(stop);
        DWORD status = 1;
        EXPECT_TRUE(pumpUntil([this] { return WaitForSingleObject(process, 0) != WAIT_TIMEOUT; }, 30000));
        EXPECT_TRUE(GetExitCodeProcess(process, &status) && status == 0) << "window_probe failed: " << status;
        std::istringstream lines(readText(output));
        double longest = -1;
        std::vector<std::string> texts;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("longest ", 0) == 0)
                longest = std::stod(line.substr(8));
            else if (line.rfind("text ", 0) == 0)
                texts.push_back(line.substr(5));
        }
        std::printf("window_probe: longest wait %.1f ms, %zu progress texts\n", longest, texts.size());
        return {longest, texts};
    }

private:
    std::string events;
    std::string output;
    HANDLE stop;
    HANDLE ready;
    HANDLE process = nullptr;
};

// The number of files done in a progress text, or -1 when it is not one.
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

int64_t progressCount(HWND progress)
{
    char text[128] = {};
    GetWindowTextA(progress, text, sizeof text);
    return progressCount(std::string(text));
}

// Whether log.txt can be opened with no sharing: no handle to it is open.
bool reportClosed()
{
    HANDLE alone = CreateFileA("log.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(alone);
    return alone != INVALID_HANDLE_VALUE;
}

} // namespace

TEST_F(ApplicationTest, ALongRunAnswersAtOnceAndShowsHowFarItIs)
{
    REQUIRE_CORPUS();
    ASSERT_FALSE(samples().empty());
    chooseModels(*application);
    Probe probe(application->mainWindow, 5000);
    startRun(*application);
    // The README's picture of a run, taken part-way.
    HWND progress = GetDlgItem(application->mainWindow, IDC_PROGRESS);
    bool pictured = false;
    ASSERT_TRUE(pumpUntil(
        [&] {
            if (!pictured && progressCount(progress) >= 1200) {
                saveScreenArea(application->mainWindow, application->mainWindow, "main-window-run");
                pictured = true;
            }
            return !recorded.boxes.empty();
        },
        300000));
    auto [longest, texts] = probe.finish();
    EXPECT_LT(longest, LongestWait);
    // The progress line counts up while the run goes on, and is gone with the closing question.
    EXPECT_GE(texts.size(), 3u);
    for (size_t k = 0; k < texts.size(); ++k)
        EXPECT_GT(progressCount(texts[k]), k > 0 ? progressCount(texts[k - 1]) : -1) << texts[k];
    EXPECT_TRUE(pictured);
    EXPECT_FALSE(IsWindowVisible(progress));
    EXPECT_EQ(std::get<4>(recorded.boxes.at(0)), 0u) << "buttons enabled before the question";

    EXPECT_TRUE(contains(readText("log.txt"), "\r\n3000 out of 3000 files cleaned successfully\r\n"));
    for (uint32_t k = 0; k < ModelCount; ++k)
        ASSERT_EQ(readBytes(modelPath(k)), sample(k).cleaned) << k;
}

// How the window is closed part-way through: its close box, or the end of the session.
class ClosingMidRun : public ApplicationTest, public testing::WithParamInterface<UINT> {};

TEST_P(ClosingMidRun, FinishesTheGroupClosesTheReportAndEndsTheProgram)
{
    REQUIRE_CORPUS();
    ASSERT_FALSE(samples().empty());
    HWND window = application->mainWindow;
    chooseModels(*application);
    startRun(*application);
    ASSERT_TRUE(pumpUntil([window] { return progressCount(GetDlgItem(window, IDC_PROGRESS)) > 0; }, 60000));
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

    // The totals of the files done before the close end the report; each of those files is cleaned,
    // every later one is as it was, and no temporary file is left.
    const std::string report = readText("log.txt");
    std::smatch totals;
    ASSERT_TRUE(std::regex_search(report, totals,
                                  std::regex("\r\n([0-9]+) out of \\1 files cleaned successfully(\r\n\t[^\r\n]+){3}$")))
        << report.substr(report.size() > 300 ? report.size() - 300 : 0);
    const uint32_t done = uint32_t(std::stoul(totals[1].str()));
    EXPECT_TRUE(done > 0 && done < ModelCount) << done;
    for (uint32_t k = 0; k < ModelCount; ++k)
        ASSERT_EQ(readBytes(modelPath(k)), k < done ? sample(k).cleaned : sample(k).original) << k;
    const auto entries = std::distance(std::filesystem::directory_iterator(ModelFolder), {});
    EXPECT_EQ(entries, std::ptrdiff_t(ModelCount)) << "a temporary was left";
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosingMidRun, testing::Values(UINT(WM_CLOSE), UINT(WM_ENDSESSION)),
                         [](const testing::TestParamInfo<UINT>& way) {
                             return way.param == WM_CLOSE ? "CloseBox" : "SessionEnd";
                         });
