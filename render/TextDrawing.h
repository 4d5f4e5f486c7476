// One line of text on a canvas, in a small bitmap font scaled up by whole pixels.
#pragma once

#include <cstdint>

#include "render/Colour.h"

class Canvas;

// The size of text at scale 1, in pixels.
uint32_t textWidth(const char* text);
uint32_t textHeight(const char* text);

// Draws text with its top left at (left, top), each font pixel scale pixels
// square; false when memory runs out.
bool drawText(Canvas& canvas, int32_t left, int32_t top, uint32_t scale, const char* text, Rgb colour);
