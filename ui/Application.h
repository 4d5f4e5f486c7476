// The program's one application object: owns the main window's resources, the
// buttons, the tooltip control and its message hook, the registry key and the
// chosen files for the life of the process. Window, dialog and hook procedures
// reach it through theApplication.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/Settings.h"
#include "ui/FileList.h"

class BitmapButton;
class BitmapImage;
class PaletteSelector;
class ProgressLine;
class ScourRun;

constexpr uint32_t ButtonCount = 4;
constexpr int FirstButtonId = 1000;
// The main window: a title bar with a system menu and a minimise box, fixed size.
constexpr DWORD MainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// The buffer for one string-table entry: 4095 characters and the terminator.
constexpr uint32_t StringBufferSize = 4096;

class Application {
public:
    // Loads the background and the button images; no windows yet.
    explicit Application(HINSTANCE instance);
    // Releases what the object owns; destroys no window.
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Strings, tooltip control and hook, palette selector, registry, window
    // classes and the main window with its buttons. False when the program
    // cannot run: a class cannot be registered (after telling the user), or the
    // palette selector or the main window cannot be made.
    bool initialise(int showCommand);
    // A new[]'d copy of string-table entry id, cut to 4095 characters; an absent
    // entry gives "". Null only when memory runs out.
    char* loadStringResource(uint32_t id) const;

    void createButtons(HWND parent);
    // The progress line under the buttons, hidden until a run starts.
    void createProgressLine(HWND parent);
    void onCommand(HWND controlWindow, int controlId, int notificationCode);
    void onDrawItem(HWND window, UINT controlId, const DRAWITEMSTRUCT* drawInfo);
    void onPaint(HWND window);
    // The main window never keeps the focus: it hands it to the last focused button.
    void onSetFocus();
    // Moves the focus step buttons on from index, round the cycle of four.
    void moveFocus(int index, int step);
    // The index of the button whose window this is, or -1.
    int buttonIndex(HWND window) const;

    void selectFiles();
    // The batch run with its window steps: message boxes, buttons disabled
    // while it goes on, Notepad on the report if the user wants it. The file
    // work goes on in the background; the window shows how far it is.
    void cleanFiles();
    // The run's thread has saved done of its files.
    void onRunProgress(uint32_t done);
    // The run's thread has closed the report: the closing steps, or the end of
    // the program when the window was closed meanwhile.
    void onRunEnded();
    // Closing the window during a run waits for the group being saved and the
    // report; the window goes once the run has ended.
    void onClose();
    // The session ends: the process may end as soon as this returns, so a run
    // is stopped and waited for here.
    void onEndSession(bool ending);
    bool running() const { return run != nullptr; }

    HINSTANCE instance;
    HWND mainWindow;
    HWND tooltipWindow;
    HHOOK messageHook;
    char* mainClassName;
    char* selectorClassName;
    char* windowTitle;
    BitmapImage* background;
    BitmapButton** buttons;
    PaletteSelector* paletteSelector;
    uint32_t focusedButton;
    SettingsKey registryKey;
    FileList fileList;
    ProgressLine* progressLine;

private:
    bool registerClasses();
    void setButtonsEnabled(bool enabled);
    bool confirmColours();

    ScourRun* run = nullptr;
    bool closeAfterRun = false;
};

extern Application* theApplication;

// The text of the message shown when a window class cannot be registered.
const char* registrationFailureText(DWORD error);
// Where a window of windowSize is centred on an area of areaSize; negative when
// the area is the smaller, truncated toward zero.
int centredPosition(int areaSize, int windowSize);

// The entry point's work: construct, initialise, run the message loop, tear
// down. Returns the process exit code.
int runApplication(HINSTANCE instance, int showCommand);

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK tooltipRelayHook(int code, WPARAM wParam, LPARAM lParam);
