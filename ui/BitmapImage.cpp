#include "ui/BitmapImage.h"

BitmapImage::BitmapImage(HINSTANCE instance, uint32_t resourceId)
    : handle(LoadBitmapA(instance, MAKEINTRESOURCEA(resourceId & 0xFFFFu))), width(0), height(0)
{
    if (handle == nullptr)
        return;
    BITMAP info = {};
    if (GetObjectA(handle, sizeof(info), &info) == 0)
        return;
    width = info.bmWidth;
    height = info.bmHeight;
}

BitmapImage::~BitmapImage()
{
    if (handle != nullptr)
        DeleteObject(handle);
    handle = nullptr;
}

void BitmapImage::draw(HDC deviceContext, POINT point) const
{
    if (handle == nullptr)
        return;
    HDC memory = CreateCompatibleDC(deviceContext);
    if (memory == nullptr)
        return;
    HGDIOBJ previous = SelectObject(memory, handle);
    BitBlt(deviceContext, point.x, point.y, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}
