// One owner-drawn picture button of the main window: a face for each state
// (normal, pushed, disabled) inside a frame that shows the keyboard focus, a
// tooltip over the face, and Tab, Shift+Tab and Enter handling.
#pragma once

#include <windows.h>

#include <cstdint>

class Application;
class BitmapImage;

// Where a framed button's face sits inside its frame.
constexpr POINT FaceOffset = {12, 6};

class BitmapButton {
public:
    // Loads the images; no window yet. Either frame id 0 gives a button without frames.
    BitmapButton(HINSTANCE instance, uint32_t normalId, uint32_t pushedId, uint32_t disabledId,
                 uint32_t unfocusedFrameId, uint32_t focusedFrameId);
    // Releases the images and the tooltip text; the window ends with its parent.
    ~BitmapButton();
    BitmapButton(const BitmapButton&) = delete;
    BitmapButton& operator=(const BitmapButton&) = delete;

    // Creates the button window under parent, subclasses it and registers its
    // tooltip over the face. False when the window cannot be created.
    bool create(Application& application, HWND parent, int controlId, POINT position, uint32_t tooltipStringId);
    // Paints the whole button for one WM_DRAWITEM.
    void drawItem(const DRAWITEMSTRUCT& drawInfo) const;

    bool framed() const { return focusedFrame != nullptr && unfocusedFrame != nullptr; }
    // The face's rectangle in the button's client coordinates: the tooltip's area.
    RECT faceRect() const;

    HWND window;
    BitmapImage* normalFace;
    BitmapImage* pushedFace;
    BitmapImage* disabledFace;
    BitmapImage* focusedFrame;
    BitmapImage* unfocusedFrame;
    char* tooltipText;
    WNDPROC previousProc;
};

LRESULT CALLBACK buttonSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
