// The window steps of a batch run started from the Scour button: the message
// boxes, the buttons disabled while it runs, the stored map, Notepad on the
// report, and the focus on the Scour button afterwards.
#include <windows.h>

#include "../batch/ModelImage.h"
#include "UiTestSupport.h"
#include "clean/ColourMap.h"
#include "res/resource.h"
#include "support/TestSupport.h"
#include "ui/PaletteSelector.h"

namespace {

const char* const CompleteTitle = "Cleaning Completed!";
const char* const CompleteText = "File cleaning complete.\nWould you like to see the log file for more details?";

// One object with a duplicate vertex and a face of colour 0, which the default map removes.
std::vector<uint8_t> dirtyModel()
{
    ObjectPlan root;
    root.name = "base";
    root.addVertex(0, 0, 0);
    root.addVertex(65536, 0, 0);
    root.addVertex(0, 65536, 0);
    root.addVertex(0, 0, 0);
    root.addFace({0, 1, 2}, 1);
    root.addFace({3, 1, 2}, 0);
    return buildModelImage(root);
}

std::string readText(const std::string& path)
{
    std::vector<uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

BOOL CALLBACK findNotepad(HWND window, LPARAM lParam)
{
    char className[32] = {};
    GetClassNameA(window, className, sizeof(className));
    if (_stricmp(className, "Notepad") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(lParam) = window;
    return FALSE;
}

HWND notepadWindow()
{
    HWND found = nullptr;
    EnumWindows(findNotepad, reinterpret_cast<LPARAM>(&found));
    return found;
}

void endNotepad(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    ASSERT_NE(process, nullptr);
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
}

class BatchWindowTest : public ApplicationTest {
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        GetCurrentDirectoryA(MAX_PATH, previousDirectory);
        ASSERT_TRUE(SetCurrentDirectoryA(scratch.path().c_str()));
        model = scratch.file("tank.3do");
        original = dirtyModel();
        ASSERT_TRUE(writeBytes(model, original));
        // As the open-file dialog leaves a choice of two files in one folder.
        std::string selection = scratch.path() + '\0' + "tank.3do" + '\0' + "missing.3do" + '\0' + '\0';
        application->fileList =
            fileListFromSelection(selection.data(), static_cast<uint32_t>(selection.size()), true);
        ASSERT_NE(application->fileList, nullptr);
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(previousDirectory);
        ApplicationTest::TearDown();
    }

    // Presses Scour as a click does and answers the closing question.
    void scour(DialogAnswerer& answerer)
    {
        SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(IDC_SCOUR, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button(1)));
        answerer.join();
    }

    std::vector<HWND> allButtons() const { return {button(0), button(1), button(2), button(3)}; }

    TempDir scratch;
    char previousDirectory[MAX_PATH] = {};
    std::string model;
    std::vector<uint8_t> original;
};

} // namespace

TEST_F(ApplicationTest, ScourWithoutFilesSaysSoAndDoesNothingElse)
{
    TempDir scratch;
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.path().c_str()));
    SetFocus(button(3));
    DialogAnswerer answerer("No 3DO Files Selected!", IDOK, 10000, {button(0)});
    SendMessageA(application->mainWindow, WM_COMMAND, MAKEWPARAM(IDC_SCOUR, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button(1)));
    answerer.join();
    SetCurrentDirectoryA(previous);

    ASSERT_TRUE(answerer.found());
    EXPECT_EQ(answerer.text(), "No 3DO files have been selected.\nYou must select one or more 3DO files.");
    EXPECT_EQ(answerer.owner(), application->mainWindow);
    ASSERT_EQ(answerer.buttonsEnabled().size(), 1u);
    EXPECT_TRUE(answerer.buttonsEnabled()[0]);
    EXPECT_FALSE(fileExists(scratch.file("log.txt")));
    EXPECT_TRUE(storedColourMap().empty());
    EXPECT_EQ(FindWindowA("#32770", CompleteTitle), nullptr);
}

TEST_F(BatchWindowTest, RunDisablesTheButtonsStoresTheMapAndAnswersNoWithoutNotepad)
{
    SetFocus(button(3));
    application->paletteSelector->colourMap().setEntry(7, ColourRemoved);
    FileList chosen = application->fileList;
    DialogAnswerer answerer(CompleteTitle, IDNO, 30000, allButtons());
    scour(answerer);

    ASSERT_TRUE(answerer.found());
    EXPECT_EQ(answerer.text(), CompleteText);
    EXPECT_EQ(answerer.owner(), application->mainWindow);
    EXPECT_EQ(answerer.buttonsEnabled(), std::vector<bool>(4, false));
    for (uint32_t k = 0; k < ButtonCount; ++k)
        EXPECT_TRUE(IsWindowEnabled(button(k))) << k;
    EXPECT_EQ(GetFocus(), button(1));
    EXPECT_EQ(application->fileList, chosen);

    std::string report = readText(scratch.file("log.txt"));
    EXPECT_EQ(report.rfind("Report:\r\n", 0), 0u);
    EXPECT_NE(report.find("File cleaned: \"" + model + "\""), std::string::npos) << report;
    EXPECT_NE(report.find("Error reading file: \"" + scratch.file("missing.3do") + "\""), std::string::npos);
    EXPECT_NE(report.find("1 out of 2 files cleaned successfully"), std::string::npos);
    EXPECT_NE(readBytes(model), original);

    std::vector<uint8_t> stored = storedColourMap();
    ASSERT_EQ(stored.size(), ColourMapBytes);
    ColourMap expected;
    expected.setEntry(7, ColourRemoved);
    std::vector<uint8_t> expectedBytes(ColourMapBytes);
    expected.toBytes(expectedBytes.data());
    EXPECT_EQ(stored, expectedBytes);

    pumpMessages(300);
    EXPECT_EQ(notepadWindow(), nullptr);
}

TEST_F(BatchWindowTest, YesOpensTheReportInNotepad)
{
    DialogAnswerer answerer(CompleteTitle, IDYES, 30000);
    scour(answerer);
    ASSERT_TRUE(answerer.found());
    HWND notepad = nullptr;
    EXPECT_TRUE(pumpUntil([&notepad] { return (notepad = notepadWindow()) != nullptr; }, 20000));
    if (notepad == nullptr)
        return;
    // Notepad names the file in its title once it has opened it.
    char title[256] = {};
    auto titleNamesTheReport = [&notepad, &title] {
        GetWindowTextA(notepad, title, sizeof(title));
        return std::string(title).find("log") != std::string::npos;
    };
    EXPECT_TRUE(pumpUntil(titleNamesTheReport, 10000)) << title;
    endNotepad(notepad);
    // Notepad takes the activation; the Scour button had the focus before it did.
    EXPECT_EQ(application->focusedButton, 1u);
}

TEST_F(BatchWindowTest, WithoutAReportTheRunStillCleansAndYesStartsNothing)
{
    // A folder where the report should go: the report cannot be created.
    ASSERT_TRUE(CreateDirectoryA(scratch.file("log.txt").c_str(), nullptr));
    DialogAnswerer answerer(CompleteTitle, IDYES, 30000);
    scour(answerer);
    ASSERT_TRUE(answerer.found());
    EXPECT_EQ(answerer.text(), CompleteText);
    EXPECT_NE(readBytes(model), original);
    pumpMessages(1500);
    EXPECT_EQ(notepadWindow(), nullptr);
    for (uint32_t k = 0; k < ButtonCount; ++k)
        EXPECT_TRUE(IsWindowEnabled(button(k))) << k;
    RemoveDirectoryA(scratch.file("log.txt").c_str());
}
