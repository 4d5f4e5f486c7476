#include "UiTestSupport.h"

#include <cstdio>
#include <cstring>

#include "ui/BitmapButton.h"
#include "ui/PaletteSelector.h"

namespace {

const char* const ProgramKey = "Software\\Quillon\\Scourwell";

std::string besideTests(const char* relative)
{
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module);
    path = path.substr(0, path.find_last_of("\\/") + 1) + relative;
    char full[MAX_PATH] = {};
    GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return full;
}

Capture captureFrom(HDC source, int32_t width, int32_t height)
{
    Capture image;
    image.width = width;
    image.height = height;
    image.pixels.assign(size_t(width) * size_t(height), 0);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP section = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory == nullptr || section == nullptr || bits == nullptr) {
        if (section != nullptr)
            DeleteObject(section);
        if (memory != nullptr)
            DeleteDC(memory);
        return image;
    }
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    GdiFlush();
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    for (size_t k = 0; k < image.pixels.size(); ++k)
        image.pixels[k] = pixels[k] & 0x00FFFFFFu;
    SelectObject(memory, previous);
    DeleteObject(section);
    DeleteDC(memory);
    return image;
}

} // namespace

bool pumpMessages(uint32_t milliseconds, int* exitCode)
{
    bool quit = false;
    DWORD start = GetTickCount();
    for (;;) {
        MSG message = {};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                if (exitCode != nullptr)
                    *exitCode = static_cast<int>(message.wParam);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds)
            return quit;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

void drainMessages()
{
    MSG message = {};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

void deleteProgramKey() { RegDeleteKeyA(HKEY_CURRENT_USER, ProgramKey); }

bool programKeyExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ProgramKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<uint8_t> storedColourMap()
{
    std::vector<uint8_t> bytes;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ProgramKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return bytes;
    DWORD size = 0;
    if (RegQueryValueExA(key, "PaletteStates", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        bytes.resize(size);
        if (RegQueryValueExA(key, "PaletteStates", nullptr, nullptr, bytes.data(), &size) != ERROR_SUCCESS)
            bytes.clear();
    }
    RegCloseKey(key);
    return bytes;
}

void storeColourMapValue(const std::vector<uint8_t>& bytes)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ProgramKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "PaletteStates", 0, REG_BINARY, bytes.data(), DWORD(bytes.size())), ERROR_SUCCESS);
    RegCloseKey(key);
}

std::string programPath() { return besideTests(SCOURWELL_PROGRAM_RELATIVE); }

std::string screenshotDir()
{
    std::string dir = besideTests(SCOURWELL_SCREENSHOTS_RELATIVE);
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

DialogAnswerer::DialogAnswerer(const char* title, int command, uint32_t timeoutMilliseconds,
                               std::vector<HWND> buttonsToWatch)
    : worker(&DialogAnswerer::run, this, std::string(title), command, timeoutMilliseconds, std::move(buttonsToWatch))
{
}

DialogAnswerer::DialogAnswerer(const char* title, int command, int editId, std::string text)
    : typedInto(editId), typed(std::move(text))
{
    worker = std::thread(&DialogAnswerer::run, this, std::string(title), command, 10000u, std::vector<HWND>());
}

DialogAnswerer::~DialogAnswerer() { join(); }

void DialogAnswerer::join()
{
    if (worker.joinable())
        worker.join();
}

void DialogAnswerer::run(std::string title, int command, uint32_t timeoutMilliseconds, std::vector<HWND> buttons)
{
    for (uint32_t waited = 0; waited < timeoutMilliseconds; waited += 20) {
        HWND box = FindWindowA("#32770", title.c_str());
        if (box == nullptr || !IsWindowVisible(box)) {
            Sleep(20);
            continue;
        }
        char text[1024] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
        boxText = text;
        boxOwner = GetWindow(box, GW_OWNER);
        for (HWND button : buttons)
            enabledWhileShown.push_back(IsWindowEnabled(button) != FALSE);
        if (typedInto != 0) {
            // The dialog may still be filling itself in: let it settle first.
            Sleep(300);
            SetDlgItemTextA(box, typedInto, typed.c_str());
        }
        seen = true;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
        return;
    }
}

Capture captureClient(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    HDC source = GetDC(window);
    Capture image = captureFrom(source, client.right, client.bottom);
    ReleaseDC(window, source);
    return image;
}

Capture captureWindow(HWND window)
{
    RECT frame = {};
    GetWindowRect(window, &frame);
    HDC source = GetWindowDC(window);
    Capture image = captureFrom(source, frame.right - frame.left, frame.bottom - frame.top);
    ReleaseDC(window, source);
    return image;
}

Capture renderBitmap(HINSTANCE instance, uint32_t resourceId)
{
    HBITMAP bitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(resourceId));
    BITMAP info = {};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof(info), &info) == 0)
        return Capture();
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    Capture image = captureFrom(memory, info.bmWidth, info.bmHeight);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    return image;
}

void paste(Capture& target, const Capture& source, int32_t x, int32_t y)
{
    for (int32_t row = 0; row < source.height; ++row) {
        for (int32_t column = 0; column < source.width; ++column) {
            int32_t tx = x + column;
            int32_t ty = y + row;
            if (tx >= 0 && ty >= 0 && tx < target.width && ty < target.height)
                target.pixels[size_t(ty) * size_t(target.width) + size_t(tx)] = source.at(column, row);
        }
    }
}

bool saveBmp(const Capture& image, const std::string& path)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = image.width;
    header.biHeight = -image.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    uint32_t pixelBytes = uint32_t(image.pixels.size() * 4);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + pixelBytes;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;
    bool written = std::fwrite(&file, sizeof(file), 1, out) == 1 && std::fwrite(&header, sizeof(header), 1, out) == 1 &&
                   std::fwrite(image.pixels.data(), 4, image.pixels.size(), out) == image.pixels.size();
    return std::fclose(out) == 0 && written;
}

uint32_t countDifferences(const Capture& a, int32_t x, int32_t y, int32_t width, int32_t height, const Capture& b,
                          int32_t bx, int32_t by)
{
    uint32_t differences = 0;
    for (int32_t row = 0; row < height; ++row) {
        for (int32_t column = 0; column < width; ++column) {
            if (a.at(x + column, y + row) != b.at(bx + column, by + row))
                ++differences;
        }
    }
    return differences;
}

void ApplicationTest::SetUp()
{
    if (freshRegistry)
        deleteProgramKey();
    application = new Application(GetModuleHandleA(nullptr));
    theApplication = application;
    ASSERT_TRUE(application->initialise(SW_SHOWNORMAL));
    pumpMessages(50);
}

void ApplicationTest::TearDown() { shutDown(); }

void ApplicationTest::shutDown()
{
    if (application == nullptr)
        return;
    HINSTANCE instance = application->instance;
    if (application->mainWindow != nullptr)
        DestroyWindow(application->mainWindow);
    if (application->tooltipWindow != nullptr)
        DestroyWindow(application->tooltipWindow);
    if (application->mainClassName != nullptr)
        UnregisterClassA(application->mainClassName, instance);
    if (application->selectorClassName != nullptr)
        UnregisterClassA(application->selectorClassName, instance);
    delete application->paletteSelector;
    delete application;
    application = nullptr;
    theApplication = nullptr;
    drainMessages();
}
