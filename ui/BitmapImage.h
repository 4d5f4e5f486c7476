// A bitmap resource loaded with its pixel size, drawn whole at a point.
#pragma once

#include <windows.h>

#include <cstdint>

class BitmapImage {
public:
    // An absent resource gives a null handle and a 0 x 0 image that draws nothing.
    BitmapImage(HINSTANCE instance, uint32_t resourceId);
    ~BitmapImage();
    BitmapImage(const BitmapImage&) = delete;
    BitmapImage& operator=(const BitmapImage&) = delete;

    void draw(HDC deviceContext, POINT point) const;

    HBITMAP handle;
    int32_t width;
    int32_t height;
};
