// The line under the main window's buttons that says how far a run is, such as
// "Scouring 1,200 of 3,377 files" over a thin bar, drawn over the background.
// Its window is an owner-drawn static control whose text is the line shown, so
// what it says can be read like any window's text; hidden between runs.
#pragma once

#include <windows.h>

#include <cstdint>

class BitmapImage;

// Where the line lies in the main window's client area: under the buttons' panel.
constexpr RECT ProgressArea = {95, 326, 419, 348};
// Room for the longest line, two ten-digit counts with their separators.
constexpr uint32_t ProgressTextSize = 64;

// "Scouring done of total files", the counts with a comma between thousands.
void composeProgressText(uint32_t done, uint32_t total, char text[ProgressTextSize]);

class ProgressLine {
public:
    ProgressLine() = default;
    // Deletes the font; the window ends with its parent.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Creates the hidden window under parent with the given control id.
    bool create(HINSTANCE instance, HWND parent, int controlId);
    // Shows the line with done of total files, or updates it.
    void show(uint32_t done, uint32_t total);
    void hide();
    // Paints it for one WM_DRAWITEM: the background's part under it, the text and the bar.
    void drawItem(const DRAWITEMSTRUCT& drawInfo, const BitmapImage* background) const;

    HWND window = nullptr;

private:
    HFONT font = nullptr;
    uint32_t done = 0;
    uint32_t total = 0;
};
