#pragma once
// Drawing a pending picture element onto the TX screen without committing it: the masked
// copy with a key colour, and the frame picture round a picture-in-picture.
// (The scaled see-through draw, turntransparent, is a routine of TxCanvas.)

#include "platform/drawing/Gdi.h"

#include <QImage>

#include <cstdint>

namespace canvas {

// Copies the block of `sourceDc` from (left, top) to (right, bottom), both included
// (right - left + 1 wide, bottom - top + 1 high), to (destX, destY) of `outputDc`.
// Wherever the source pixel has the key colour, the pixel of `workDc` at the same place
// of the destination shows instead. Built from a monochrome mask and its inverse, as
// block copies through memory contexts compatible with `workDc`; everything it makes it
// frees again. `keyColour` comes back as the source held it (unchanged). A block of
// more than 32767 pixels on a side is refused with an overflow error.
void transparentblit(platform::gdi::Dc* outputDc, platform::gdi::Dc* workDc, platform::gdi::Dc* sourceDc,
                     int32_t (&sourceRect)[4], int32_t destX, int32_t destY, platform::gdi::Colour& keyColour);

// The frame picture drawn round a picture-in-picture with "Border": 640 x 512, a
// bevelled band 23 pixels wide on every side (the band the element leaves for it at any
// width); the middle, which the picture covers, is a plain colour.
QImage framePicture();
// Width of the frame picture's band, in its own pixels.
inline constexpr int kFrameBand = 23;

} // namespace canvas
