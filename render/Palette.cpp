#include "render/Colour.h"

// The game's palette, built in from res/palette.bin: red, green, blue and a zero
// byte per colour.
extern const uint8_t PaletteBytes[1024];

Rgb paletteColour(uint32_t index)
{
    const uint8_t* entry = PaletteBytes + 4 * (index & 0xFFu);
    return Rgb{entry[0], entry[1], entry[2]};
}
