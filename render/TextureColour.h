// The one colour a textured face is drawn in: the mean colour of its texture,
// from a bitmap file's bytes or from a GAF frame.
#pragma once

#include <cstdint>

#include "render/Colour.h"

class GafFrame;

// The mean colour of the opaque pixels (alpha 128 and above) of a BMP, TGA or
// PNG image; false when it cannot be decoded or has no opaque pixel.
bool meanImageColour(const uint8_t* bytes, uint32_t size, Rgb* mean);
// The mean palette colour of the pixels the frame draws; false when it draws none.
bool meanFrameColour(const GafFrame& frame, Rgb* mean);
