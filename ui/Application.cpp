#include "ui/Application.h"

#include <commctrl.h>

#include <cstring>
#include <new>

#include "clean/ColourMapStore.h"
#include "res/resource.h"
#include "ui/BitmapButton.h"
#include "ui/BitmapImage.h"
#include "ui/Dialogs.h"
#include "ui/PaletteSelector.h"
#include "ui/ProgressLine.h"
#include "ui/ScourRun.h"

Application* theApplication = nullptr;

namespace {

struct ButtonLayout {
    POINT position;
    uint32_t normalId;
    uint32_t pushedId;
    uint32_t disabledId;
    uint32_t unfocusedFrameId;
    uint32_t focusedFrameId;
};

const ButtonLayout ButtonLayouts[ButtonCount] = {
    {{107, 179},
     IDB_SELECT_FILES,
     IDB_SELECT_FILES_PUSHED,
     IDB_SELECT_FILES_DISABLED,
     IDB_WIDE_FRAME,
     IDB_WIDE_FRAME_FOCUSED},
    {{107, 223}, IDB_SCOUR, IDB_SCOUR_PUSHED, IDB_SCOUR_DISABLED, IDB_WIDE_FRAME, IDB_WIDE_FRAME_FOCUSED},
    {{107, 280}, IDB_ABOUT, IDB_ABOUT_PUSHED, IDB_ABOUT_DISABLED, IDB_NARROW_FRAME, IDB_NARROW_FRAME_FOCUSED},
    {{263, 280}, IDB_QUIT, IDB_QUIT_PUSHED, IDB_QUIT_DISABLED, IDB_NARROW_FRAME, IDB_NARROW_FRAME_FOCUSED},
};

const char* const FileFilter = "TA 3D Object Files (*.3do)\0*.3do\0All Files (*.*)\0*.*\0";

} // namespace

const char* registrationFailureText(DWORD error)
{
    return error == ERROR_CALL_NOT_IMPLEMENTED ? "This program requires Windows NT!"
                                               : "Could not register the window class!";
}

int centredPosition(int areaSize, int windowSize) { return (areaSize - windowSize) / 2; }

Application::Application(HINSTANCE moduleInstance)
    : instance(moduleInstance), mainWindow(nullptr), tooltipWindow(nullptr), messageHook(nullptr),
      mainClassName(nullptr), selectorClassName(nullptr), windowTitle(nullptr),
      background(new (std::nothrow) BitmapImage(moduleInstance, IDB_BACKGROUND)),
      buttons(new (std::nothrow) BitmapButton*[ButtonCount]), paletteSelector(nullptr), focusedButton(0),
      registryKey(nullptr), fileList(nullptr), progressLine(new (std::nothrow) ProgressLine)
{
    if (buttons == nullptr)
        return;
    for (uint32_t k = 0; k < ButtonCount; ++k) {
        const ButtonLayout& layout = ButtonLayouts[k];
        buttons[k] = new (std::nothrow) BitmapButton(instance, layout.normalId, layout.pushedId, layout.disabledId,
                                                     layout.unfocusedFrameId, layout.focusedFrameId);
    }
}

Application::~Application()
{
    // A run still going reads the chosen files and writes the report: it ends first.
    delete run;
    run = nullptr;
    delete progressLine;
    progressLine = nullptr;
    if (buttons != nullptr) {
        for (uint32_t k = 0; k < ButtonCount; ++k)
            delete buttons[k];
        delete[] buttons;
        buttons = nullptr;
    }
    delete background;
    background = nullptr;
    delete[] mainClassName;
    delete[] selectorClassName;
    delete[] windowTitle;
    mainClassName = selectorClassName = windowTitle = nullptr;
    releaseFileList(fileList);
    fileList = nullptr;
    closeSettingsKey(registryKey);
    registryKey = nullptr;
    if (messageHook != nullptr)
        UnhookWindowsHookEx(messageHook);
    messageHook = nullptr;
}

char* Application::loadStringResource(uint32_t id) const
{
    char buffer[StringBufferSize] = {};
    LoadStringA(instance, id, buffer, static_cast<int>(StringBufferSize));
    buffer[StringBufferSize - 1] = '\0';
    size_t length = std::strlen(buffer);
    char* copy = new (std::nothrow) char[length + 1];
    if (copy != nullptr)
        std::memcpy(copy, buffer, length + 1);
    return copy;
}

bool Application::initialise(int showCommand)
{
    mainClassName = loadStringResource(IDS_MAIN_CLASS);
    windowTitle = loadStringResource(IDS_WINDOW_TITLE);
    selectorClassName = loadStringResource(IDS_SELECTOR_CLASS);

    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    tooltipWindow = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    messageHook = SetWindowsHookExA(WH_GETMESSAGE, tooltipRelayHook, nullptr, GetCurrentThreadId());
    if (tooltipWindow != nullptr)
        SendMessageA(tooltipWindow, TTM_ACTIVATE, TRUE, 0);

    RECT frame = {0, 0, background != nullptr ? background->width : 0, background != nullptr ? background->height : 0};
    AdjustWindowRect(&frame, MainWindowStyle, FALSE);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;

    // Without the selector there is no colour map to clean with.
    paletteSelector = new (std::nothrow) PaletteSelector(instance, IDR_PALETTE);
    if (paletteSelector == nullptr || !paletteSelector->valid() || buttons == nullptr)
        return false;

    bool existed = false;
    registryKey = openSettingsKey(&existed);
    if (registryKey != nullptr && existed)
        loadColourMap(registryKey, paletteSelector->colourMap());

    if (!registerClasses())
        return false;

    mainWindow = CreateWindowExA(
        0, mainClassName, windowTitle, MainWindowStyle, centredPosition(GetSystemMetrics(SM_CXMAXIMIZED), width),
        centredPosition(GetSystemMetrics(SM_CYMAXIMIZED), height), width, height, nullptr, nullptr, instance, nullptr);
    // Without its window the program could never be told to quit.
    if (mainWindow == nullptr)
        return false;
    ShowWindow(mainWindow, showCommand);
    UpdateWindow(mainWindow);
    return true;
}

bool Application::registerClasses()
{
    WNDCLASSA selectorClass = {};
    selectorClass.style = CS_HREDRAW | CS_VREDRAW;
    selectorClass.lpfnWndProc = paletteSelectorProc;
    selectorClass.hInstance = instance;
    selectorClass.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    selectorClass.lpszClassName = selectorClassName;

    WNDCLASSA mainClass = {};
    mainClass.style = CS_HREDRAW | CS_VREDRAW;
    mainClass.lpfnWndProc = mainWindowProc;
    mainClass.hInstance = instance;
    mainClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SCOURWELL));
    mainClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    mainClass.lpszClassName = mainClassName;

    if (RegisterClassA(&selectorClass) == 0) {
        DWORD error = GetLastError();
        if (selectorClass.hbrBackground != nullptr)
            DeleteObject(selectorClass.hbrBackground);
        MessageBoxA(nullptr, registrationFailureText(error), windowTitle, MB_OK | MB_ICONHAND);
        return false;
    }
    if (RegisterClassA(&mainClass) == 0) {
        MessageBoxA(nullptr, registrationFailureText(GetLastError()), windowTitle, MB_OK | MB_ICONHAND);
        return false;
    }
    return true;
}

void Application::createButtons(HWND parent)
{
    if (buttons == nullptr)
        return;
    for (uint32_t k = 0; k < ButtonCount; ++k) {
        if (buttons[k] != nullptr)
            buttons[k]->create(*this, parent, FirstButtonId + static_cast<int>(k), ButtonLayouts[k].position,
                               IDS_TIP_SELECT_FILES + k);
    }
}

void Application::createProgressLine(HWND parent)
{
    if (progressLine != nullptr)
        progressLine->create(instance, parent, IDC_PROGRESS);
}

int Application::buttonIndex(HWND window) const
{
    if (buttons == nullptr || window == nullptr)
        return -1;
    for (uint32_t k = 0; k < ButtonCount; ++k) {
        if (buttons[k] != nullptr && buttons[k]->window == window)
            return static_cast<int>(k);
    }
    return -1;
}

void Application::moveFocus(int index, int step)
{
    int next = index + step;
    if (next < 0)
        next = static_cast<int>(ButtonCount) - 1;
    if (next >= static_cast<int>(ButtonCount))
        next = 0;
    if (buttons != nullptr && buttons[next] != nullptr && buttons[next]->window != nullptr)
        SetFocus(buttons[next]->window);
}

void Application::onSetFocus()
{
    if (buttons != nullptr && focusedButton < ButtonCount && buttons[focusedButton] != nullptr
        && buttons[focusedButton]->window != nullptr)
        SetFocus(buttons[focusedButton]->window);
}

void Application::onCommand(HWND controlWindow, int controlId, int notificationCode)
{
    if (notificationCode == BN_SETFOCUS) {
        int index = buttonIndex(controlWindow);
        if (index >= 0)
            focusedButton = static_cast<uint32_t>(index);
        return;
    }
    // The buttons are disabled during a run; a click sent by another program must
    // not start a second run or free the files the run is cleaning.
    if (notificationCode != BN_CLICKED || running())
        return;
    switch (controlId) {
    case IDC_SELECT_FILES:
        selectFiles();
        break;
    case IDC_SCOUR:
        cleanFiles();
        break;
    case IDC_ABOUT:
        DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), mainWindow, aboutDialogProc, 0);
        break;
    case IDC_QUIT:
        PostQuitMessage(0);
        break;
    default:
        break;
    }
}

void Application::onDrawItem(HWND, UINT controlId, const DRAWITEMSTRUCT* drawInfo)
{
    if (drawInfo != nullptr && controlId == IDC_PROGRESS && progressLine != nullptr) {
        progressLine->drawItem(*drawInfo, background);
        return;
    }
    if (drawInfo == nullptr || buttons == nullptr || controlId < UINT(FirstButtonId)
        || controlId >= UINT(FirstButtonId) + ButtonCount)
        return;
    const BitmapButton* button = buttons[controlId - UINT(FirstButtonId)];
    if (button != nullptr)
        button->drawItem(*drawInfo);
}

void Application::onPaint(HWND window)
{
    PAINTSTRUCT paint = {};
    HDC deviceContext = BeginPaint(window, &paint);
    if (deviceContext != nullptr && background != nullptr)
        background->draw(deviceContext, POINT{0, 0});
    EndPaint(window, &paint);
}

void Application::selectFiles()
{
    releaseFileList(fileList);
    fileList = chooseFiles(mainWindow, instance, FileFilter, "Open 3DO File(s)", true, true);
}

bool Application::confirmColours()
{
    // Only OK goes on: a dialog that cannot be shown answers -1, which must not
    // clean files the user never confirmed.
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_COLOURS), mainWindow, colourDialogProc, 0) == 1;
}

void Application::setButtonsEnabled(bool enabled)
{
    for (uint32_t k = 0; k < ButtonCount; ++k) {
        if (buttons != nullptr && buttons[k] != nullptr && buttons[k]->window != nullptr)
            EnableWindow(buttons[k]->window, enabled ? TRUE : FALSE);
    }
}

namespace {

void openReportInNotepad()
{
    // CreateProcessA may write into the command line.
    char commandLine[] = "notepad log.txt";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) == 0)
        return;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace

void Application::cleanFiles()
{
    if (fileList == nullptr) {
        MessageBoxA(mainWindow, "No 3DO files have been selected.\nYou must select one or more 3DO files.",
                    "No 3DO Files Selected!", MB_OK | MB_ICONHAND);
        return;
    }
    if (running() || paletteSelector == nullptr || !confirmColours())
        return;
    setButtonsEnabled(false);
    ColourMap& colourMap = paletteSelector->colourMap();
    storeColourMap(registryKey, colourMap);

    uint32_t count = 0;
    while (fileList[count] != nullptr)
        ++count;
    run = new (std::nothrow) ScourRun(mainWindow, colourMap, fileList, count);
    if (run == nullptr) {
        setButtonsEnabled(true);
        return;
    }
    closeAfterRun = false;
    if (progressLine != nullptr)
        progressLine->show(0, count);
    run->start();
}

void Application::onRunProgress(uint32_t done)
{
    if (run != nullptr && progressLine != nullptr)
        progressLine->show(done, run->fileCount());
}

void Application::onRunEnded()
{
    if (run == nullptr)
        return;
    run->wait();
    const bool reportOpen = run->reportOpened();
    delete run;
    run = nullptr;
    if (progressLine != nullptr)
        progressLine->hide();
    // Closed during the run: the user asked to leave, not for the report.
    if (closeAfterRun) {
        DestroyWindow(mainWindow);
        return;
    }

    int answer =
        MessageBoxA(mainWindow, "File cleaning complete.\nWould you like to see the log file for more details?",
                    "Cleaning Completed!", MB_YESNO | MB_ICONINFORMATION);
    if (answer == IDYES && reportOpen)
        openReportInNotepad();
    setButtonsEnabled(true);
    if (buttons != nullptr && buttons[1] != nullptr && buttons[1]->window != nullptr)
        SetFocus(buttons[1]->window);
}

void Application::onClose()
{
    if (run == nullptr) {
        DestroyWindow(mainWindow);
        return;
    }
    closeAfterRun = true;
    run->stop();
}

void Application::onEndSession(bool ending)
{
    if (!ending || run == nullptr)
        return;
    closeAfterRun = true;
    run->stop();
    onRunEnded();
}
