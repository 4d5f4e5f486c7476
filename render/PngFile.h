// A picture as a PNG file: the same pixels always give the same bytes.
#pragma once

#include <cstdint>

#include "platform/File.h"

class Canvas;

// The file's bytes (new[]'d), or null when memory runs out.
uint8_t* encodePng(const Canvas& canvas, uint32_t* size);
// Encodes the canvas and replaces the file at path with it in one step; false
// with what the system said in error (kind OutOfMemory when encoding failed).
bool savePng(const Canvas& canvas, const char* path, SystemError* error);
