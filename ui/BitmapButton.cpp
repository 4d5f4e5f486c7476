#include "ui/BitmapButton.h"

#include <commctrl.h>

#include <cstddef>
#include <new>

#include "ui/Application.h"
#include "ui/BitmapImage.h"

// The tooltip record up to and including lParam, as the 32-bit program sends it.
#ifndef _WIN64
static_assert(offsetof(TOOLINFOA, lParam) + sizeof(LPARAM) == 44, "TOOLINFOA must be 44 bytes up to lParam");
#endif

namespace {

const DWORD ButtonStyle = WS_CHILD | WS_VISIBLE | BS_NOTIFY | BS_OWNERDRAW;

// An image that could not be allocated draws nothing, like an absent resource.
int32_t widthOf(const BitmapImage* image) { return image != nullptr ? image->width : 0; }
int32_t heightOf(const BitmapImage* image) { return image != nullptr ? image->height : 0; }

void drawImage(const BitmapImage* image, HDC deviceContext, POINT point)
{
    if (image != nullptr)
        image->draw(deviceContext, point);
}

BitmapImage* loadImage(HINSTANCE instance, uint32_t resourceId)
{
    return new (std::nothrow) BitmapImage(instance, resourceId);
}

} // namespace

BitmapButton::BitmapButton(HINSTANCE instance, uint32_t normalId, uint32_t pushedId, uint32_t disabledId,
                           uint32_t unfocusedFrameId, uint32_t focusedFrameId)
    : window(nullptr), normalFace(loadImage(instance, normalId)), pushedFace(loadImage(instance, pushedId)),
      disabledFace(loadImage(instance, disabledId)), focusedFrame(nullptr), unfocusedFrame(nullptr),
      tooltipText(nullptr), previousProc(nullptr)
{
    if (unfocusedFrameId == 0 || focusedFrameId == 0)
        return;
    unfocusedFrame = loadImage(instance, unfocusedFrameId);
    focusedFrame = loadImage(instance, focusedFrameId);
}

BitmapButton::~BitmapButton()
{
    delete normalFace;
    delete pushedFace;
    delete disabledFace;
    delete focusedFrame;
    delete unfocusedFrame;
    delete[] tooltipText;
    normalFace = pushedFace = disabledFace = focusedFrame = unfocusedFrame = nullptr;
    tooltipText = nullptr;
}

RECT BitmapButton::faceRect() const
{
    LONG left = framed() ? FaceOffset.x : 0;
    LONG top = framed() ? FaceOffset.y : 0;
    return RECT{left, top, left + widthOf(normalFace), top + heightOf(normalFace)};
}

bool BitmapButton::create(Application& application, HWND parent, int controlId, POINT position,
                          uint32_t tooltipStringId)
{
    const BitmapImage* sizeSource = framed() ? unfocusedFrame : normalFace;
    window = CreateWindowExA(0, "button", "", ButtonStyle, position.x, position.y, widthOf(sizeSource),
                             heightOf(sizeSource), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                             application.instance, nullptr);
    if (window == nullptr)
        return false;
    previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(buttonSubclassProc)));

    delete[] tooltipText;
    tooltipText = application.loadStringResource(tooltipStringId);
    if (application.tooltipWindow == nullptr || tooltipText == nullptr)
        return true;
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = 0;
    tool.hwnd = window;
    tool.uId = static_cast<UINT_PTR>(controlId);
    tool.rect = faceRect();
    tool.hinst = application.instance;
    tool.lpszText = tooltipText;
    tool.lParam = 0;
    SendMessageA(application.tooltipWindow, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    return true;
}

void BitmapButton::drawItem(const DRAWITEMSTRUCT& drawInfo) const
{
    POINT facePosition = {0, 0};
    if (framed()) {
        const BitmapImage* frame = (drawInfo.itemState & ODS_FOCUS) != 0 ? focusedFrame : unfocusedFrame;
        drawImage(frame, drawInfo.hDC, POINT{0, 0});
        facePosition = FaceOffset;
    }
    const BitmapImage* face = normalFace;
    if ((drawInfo.itemState & ODS_SELECTED) != 0)
        face = pushedFace;
    else if ((drawInfo.itemState & ODS_DISABLED) != 0)
        face = disabledFace;
    drawImage(face, drawInfo.hDC, facePosition);
}

LRESULT CALLBACK buttonSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (theApplication == nullptr)
        return 0;
    Application& application = *theApplication;
    int index = application.buttonIndex(window);
    if (index < 0)
        return 0;
    if (message == WM_SETFOCUS)
        application.focusedButton = static_cast<uint32_t>(index);
    else if (message == WM_KEYDOWN && wParam == VK_TAB)
        application.moveFocus(index, GetAsyncKeyState(VK_SHIFT) != 0 ? -1 : 1);
    else if (message == WM_KEYDOWN && wParam == VK_RETURN)
        SendMessageA(window, BM_CLICK, 0, 0);
    WNDPROC previous = application.buttons[index]->previousProc;
    if (previous == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(previous, window, message, wParam, lParam);
}
