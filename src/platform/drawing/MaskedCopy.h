#pragma once
// The masked copy: a block of one context copied onto another with a key colour left out.
// The TX screen's see-through overlay and the text's stripes and gradients both draw by it.

#include "platform/drawing/Gdi.h"

#include <cstdint>

namespace platform {

// Copies the block of `sourceDc` from (left, top) to (right, bottom), both included
// (right - left + 1 wide, bottom - top + 1 high), to (destX, destY) of `outputDc`.
// Wherever the source pixel has the key colour, the pixel of `workDc` at the same place
// of the destination shows instead. Built from a monochrome mask and its inverse, as
// block copies through memory contexts compatible with `workDc`; everything it makes it
// frees again. `keyColour` comes back as the source held it (unchanged). A block of
// more than 32767 pixels on a side is refused with an overflow error.
void transparentblit(gdi::Dc* outputDc, gdi::Dc* workDc, gdi::Dc* sourceDc, int32_t (&sourceRect)[4], int32_t destX,
                     int32_t destY, gdi::Colour& keyColour);

} // namespace platform
