// The whole program started as a process: its window appears, its registry key
// is created at the first start, and both ways of quitting exit with code 0.
#include <windows.h>

#include "UiTestSupport.h"

namespace {

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK findProgramWindow(HWND window, LPARAM lParam)
{
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    if (owner == search.processId && std::string(className) == "QuillonScourwell" && IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// Scourwell.exe started in directory; ended with its process when the test is done.
class RunningProgram {
public:
    explicit RunningProgram(const std::string& directory)
    {
        std::string path = programPath();
        std::string commandLine = "\"" + path + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        started = CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                 directory.c_str(), &startup, &process) != 0;
    }
    ~RunningProgram()
    {
        if (!started)
            return;
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The program's main window once it shows, or null after timeoutMilliseconds.
    HWND waitForWindow(uint32_t timeoutMilliseconds = 20000) const
    {
        for (uint32_t waited = 0; started && waited < timeoutMilliseconds; waited += 50) {
            WindowSearch search = {process.dwProcessId, nullptr};
            EnumWindows(findProgramWindow, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr)
                return search.found;
            if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0)
                return nullptr;
        }
        return nullptr;
    }
    // The exit code, or -1 when the process has not ended within the time.
    long waitForExit(uint32_t timeoutMilliseconds = 20000) const
    {
        if (!started || WaitForSingleObject(process.hProcess, timeoutMilliseconds) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return long(code);
    }

    bool started = false;
    PROCESS_INFORMATION process = {};
};

std::string currentDirectory()
{
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    return directory;
}

} // namespace

TEST(Program, FirstStartCreatesItsKeyShowsItsWindowAndQuitExitsWithZero)
{
    deleteProgramKey();
    ASSERT_FALSE(programKeyExists());
    RunningProgram program(currentDirectory());
    ASSERT_TRUE(program.started) << programPath();
    HWND window = program.waitForWindow();
    ASSERT_NE(window, nullptr);

    char title[64] = {};
    GetWindowTextA(window, title, sizeof(title));
    EXPECT_STREQ(title, "Quillon Scourwell 1.1");
    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 512);
    EXPECT_EQ(client.bottom, 359);
    for (int id = 1000; id <= 1003; ++id) {
        HWND button = GetDlgItem(window, id);
        EXPECT_NE(button, nullptr) << id;
        EXPECT_TRUE(IsWindowVisible(button)) << id;
    }
    // The key exists now; the map was not read (there was none) nor written.
    EXPECT_TRUE(programKeyExists());
    EXPECT_TRUE(storedColourMap().empty());

    PostMessageA(window, WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, 1003)));
    EXPECT_EQ(program.waitForExit(), 0);
}

TEST(Program, ClosingTheWindowExitsWithZero)
{
    RunningProgram program(currentDirectory());
    ASSERT_TRUE(program.started);
    HWND window = program.waitForWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.waitForExit(), 0);
}

TEST(Program, EnterOnTheQuitButtonExitsWithZero)
{
    RunningProgram program(currentDirectory());
    ASSERT_TRUE(program.started);
    HWND window = program.waitForWindow();
    ASSERT_NE(window, nullptr);
    // The key goes through the program's own message loop and the button's subclass.
    PostMessageA(GetDlgItem(window, 1003), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(program.waitForExit(), 0);
}
