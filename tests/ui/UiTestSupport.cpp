#include "UiTestSupport.h"

#include <commdlg.h>

#include <fstream>

Recorded recorded;

namespace {

// The area of source at x, y.
Capture captureFrom(HDC source, int32_t x, int32_t y, int32_t width, int32_t height)
{
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    Capture image{width, height, {}};
    for (size_t k = 0; bits != nullptr && k < size_t(width) * size_t(height); ++k)
        image.pixels.push_back(static_cast<const uint32_t*>(bits)[k] & 0x00FFFFFFu);
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    return image;
}

// Points this test program's import of function at replacement, so that its calls,
// the program's code among them, reach replacement; gives the address it held.
template <typename Function> Function replaceImport(const char* function, Function replacement)
{
    uint8_t* base = reinterpret_cast<uint8_t*>(GetModuleHandleA(nullptr));
    const auto* headers =
        reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    DWORD at = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (const auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + at); dll->Name != 0; ++dll) {
        const auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slot) {
            const auto* named = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) || std::strcmp(named->Name, function) != 0)
                continue;
            DWORD protection = 0;
            VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection);
            auto previous = reinterpret_cast<Function>(slot->u1.Function);
            slot->u1.Function = static_cast<decltype(slot->u1.Function)>(reinterpret_cast<uintptr_t>(replacement));
            VirtualProtect(slot, sizeof(*slot), protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

decltype(&SendMessageA) realSendMessage = nullptr;
decltype(&GetOpenFileNameA) realGetOpenFileName = nullptr;
decltype(&CreateProcessA) realCreateProcess = nullptr;

LRESULT WINAPI recordToolMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TTM_ADDTOOLA || message == TTM_DELTOOLA)
        recorded.tools.push_back(reinterpret_cast<const TOOLINFOA*>(lParam)->cbSize);
    return realSendMessage(window, message, wParam, lParam);
}

BOOL WINAPI recordOpenFileSize(OPENFILENAMEA* request)
{
    recorded.openFile = request->lStructSize;
    return realGetOpenFileName(request);
}

BOOL WINAPI recordProcess(LPCSTR, LPSTR line, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                          STARTUPINFOA* startup, PROCESS_INFORMATION*)
{
    recorded.startup = startup->cb;
    recorded.commandLine = line != nullptr ? line : "";
    return FALSE;
}

int WINAPI recordMessageBox(HWND owner, LPCSTR text, LPCSTR title, UINT type)
{
    uint32_t enabled = 0;
    for (uint32_t k = 0; theApplication != nullptr && k < ButtonCount; ++k)
        enabled += IsWindowEnabled(theApplication->buttons[k]->window) != FALSE;
    recorded.boxes.push_back({owner, title, text, type, enabled});
    return recorded.answer;
}

bool recordCalls()
{
    realSendMessage = replaceImport("SendMessageA", &recordToolMessages);
    realGetOpenFileName = replaceImport("GetOpenFileNameA", &recordOpenFileSize);
    return realSendMessage != nullptr && realGetOpenFileName != nullptr
        && (realCreateProcess = replaceImport("CreateProcessA", &recordProcess)) != nullptr
        && replaceImport("MessageBoxA", &recordMessageBox) != nullptr;
}

} // namespace

bool pumpMessages(uint32_t milliseconds)
{
    bool quit = false;
    MSG message = {};
    for (DWORD start = GetTickCount(); GetTickCount() - start <= milliseconds; Sleep(5)) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            quit = quit || message.message == WM_QUIT;
            DispatchMessageA(&message);
        }
    }
    return quit;
}

bool pumpUntil(const std::function<bool()>& condition, uint32_t milliseconds)
{
    for (DWORD start = GetTickCount(); !condition(); pumpMessages(5)) {
        if (GetTickCount() - start > milliseconds)
            return false;
    }
    return true;
}

HANDLE startProcess(std::string commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (realCreateProcess == nullptr
        || !realCreateProcess(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

Tool toolOf(HWND tooltips, UINT message, WPARAM index)
{
    char text[256] = {};
    Tool tool;
    tool.info.cbSize = TTTOOLINFOA_V2_SIZE;
    SendMessageA(tooltips, message, index, reinterpret_cast<LPARAM>(&tool.info));
    // The text as the tooltip shows it, a string-table entry loaded.
    tool.info.lpszText = text;
    SendMessageA(tooltips, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool.info));
    tool.info.lpszText = nullptr;
    tool.text = text;
    return tool;
}

std::future<bool> onDialog(const char* title, std::function<void(HWND)> action)
{
    return std::async(std::launch::async, [name = std::string(title), action] {
        for (int tries = 0; tries < 1500; ++tries, Sleep(20)) {
            HWND box = FindWindowA("#32770", name.c_str());
            if (box != nullptr && IsWindowVisible(box)) {
                action(box);
                return true;
            }
        }
        return false;
    });
}

Capture captureClient(HWND window)
{
    RECT area = {};
    GetClientRect(window, &area);
    HDC source = GetDC(window);
    Capture client = captureFrom(source, 0, 0, area.right, area.bottom);
    ReleaseDC(window, source);
    return client;
}

void saveScreenArea(HWND first, HWND second, const char* screenshotName)
{
    RECT one = {}, two = {}, area = {};
    GetWindowRect(first, &one);
    GetWindowRect(second, &two);
    UnionRect(&area, &one, &two);
    HDC screen = GetDC(nullptr);
    Capture image = captureFrom(screen, area.left, area.top, area.right - area.left, area.bottom - area.top);
    ReleaseDC(nullptr, screen);
    char module[MAX_PATH] = {};
    std::string folder(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
    folder = folder.substr(0, folder.rfind('\\') + 1) + SCOURWELL_BUILD_RELATIVE "screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::ofstream out(folder + "\\" + screenshotName + ".ppm", std::ios::binary);
    out << "P6\n" << image.width << ' ' << image.height << "\n255\n";
    for (uint32_t pixel : image.pixels)
        out << char(pixel >> 16) << char(pixel >> 8) << char(pixel);
    EXPECT_TRUE(out.flush().good()) << folder;
}

Capture renderBitmap(HINSTANCE instance, uint32_t id)
{
    HBITMAP bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(id));
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    Capture image = captureFrom(memory, 0, 0, info.bmWidth, info.bmHeight);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return image;
}

void ApplicationTest::SetUp()
{
    // Once for the whole program; each start counts afresh.
    static const bool recording = recordCalls();
    EXPECT_TRUE(recording);
    recorded = {};
    // As before a first start: the default colour map, whatever an earlier run stored.
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quillon\\Scourwell");
    application = theApplication = new Application(GetModuleHandleA(nullptr));
    ASSERT_TRUE(application->initialise(SW_SHOWNORMAL));
    pumpMessages(50);
}

void ApplicationTest::TearDown()
{
    DestroyWindow(application->mainWindow);
    DestroyWindow(application->tooltipWindow);
    UnregisterClassA(application->mainClassName, application->instance);
    UnregisterClassA(application->selectorClassName, application->instance);
    delete application->paletteSelector;
    delete application;
    application = theApplication = nullptr;
    pumpMessages(0); // and with it the WM_QUIT of the window's end
}
