#include "ui/ProgressLine.h"

#include <cstdio>

#include "ui/BitmapImage.h"

namespace {

// The colours of the artwork: the subtitle's blue for the text, the title
// rule's amber for the bar over the panel frame's grey.
const COLORREF TextColour = RGB(0x8F, 0xB8, 0xE0);
const COLORREF BarColour = RGB(0xFF, 0x9A, 0x20);
const COLORREF TrackColour = RGB(0x3F, 0x52, 0x66);
const int TextHeight = 16;
const int BarInset = 40;
const int BarHeight = 2;

// value with a comma between thousands: at most ten digits and three commas.
void formatCount(uint32_t value, char text[16])
{
    char digits[11];
    int length = std::snprintf(digits, sizeof digits, "%u", value);
    int written = 0;
    for (int k = 0; k < length; ++k) {
        if (k > 0 && (length - k) % 3 == 0)
            text[written++] = ',';
        text[written++] = digits[k];
    }
    text[written] = '\0';
}

void fill(HDC deviceContext, const RECT& area, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush == nullptr)
        return;
    FillRect(deviceContext, &area, brush);
    DeleteObject(brush);
}

} // namespace

void composeProgressText(uint32_t done, uint32_t total, char text[ProgressTextSize])
{
    char doneText[16], totalText[16];
    formatCount(done, doneText);
    formatCount(total, totalText);
    std::snprintf(text, ProgressTextSize, "Scouring %s of %s files", doneText, totalText);
}

ProgressLine::~ProgressLine()
{
    if (font != nullptr)
        DeleteObject(font);
    font = nullptr;
}

bool ProgressLine::create(HINSTANCE instance, HWND parent, int controlId)
{
    font = CreateFontA(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
    window = CreateWindowExA(0, "static", "", WS_CHILD | SS_OWNERDRAW, ProgressArea.left, ProgressArea.top,
                             ProgressArea.right - ProgressArea.left, ProgressArea.bottom - ProgressArea.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance, nullptr);
    return window != nullptr;
}

void ProgressLine::show(uint32_t filesDone, uint32_t filesTotal)
{
    done = filesDone;
    total = filesTotal;
    if (window == nullptr)
        return;
    char text[ProgressTextSize];
    composeProgressText(done, total, text);
    SetWindowTextA(window, text);
    InvalidateRect(window, nullptr, FALSE);
    ShowWindow(window, SW_SHOWNA);
}

void ProgressLine::hide()
{
    if (window != nullptr)
        ShowWindow(window, SW_HIDE);
}

void ProgressLine::drawItem(const DRAWITEMSTRUCT& drawInfo, const BitmapImage* background) const
{
    const int width = ProgressArea.right - ProgressArea.left;
    const int height = ProgressArea.bottom - ProgressArea.top;
    // Composed off screen, so the line never flickers through the background.
    HDC memory = CreateCompatibleDC(drawInfo.hDC);
    HBITMAP canvas = CreateCompatibleBitmap(drawInfo.hDC, width, height);
    if (memory == nullptr || canvas == nullptr) {
        if (canvas != nullptr)
            DeleteObject(canvas);
        if (memory != nullptr)
            DeleteDC(memory);
        return;
    }
    HGDIOBJ previousBitmap = SelectObject(memory, canvas);
    if (background != nullptr)
        background->draw(memory, POINT{-ProgressArea.left, -ProgressArea.top});

    char text[ProgressTextSize] = {};
    GetWindowTextA(window, text, sizeof text);
    HGDIOBJ previousFont = font != nullptr ? SelectObject(memory, font) : nullptr;
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, TextColour);
    RECT textArea = {0, 0, width, TextHeight};
    DrawTextA(memory, text, -1, &textArea, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (previousFont != nullptr)
        SelectObject(memory, previousFont);

    const int barWidth = width - 2 * BarInset;
    const int filled = total == 0 ? 0 : int(uint64_t(barWidth) * (done < total ? done : total) / total);
    const RECT track = {BarInset, height - BarHeight - 1, BarInset + barWidth, height - 1};
    const RECT bar = {BarInset, track.top, BarInset + filled, track.bottom};
    fill(memory, track, TrackColour);
    fill(memory, bar, BarColour);

    BitBlt(drawInfo.hDC, drawInfo.rcItem.left, drawInfo.rcItem.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previousBitmap);
    DeleteObject(canvas);
    DeleteDC(memory);
}
