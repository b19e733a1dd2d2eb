#pragma once
// Drawing a pending picture element onto the TX screen without committing it: the frame
// picture round a picture-in-picture. (The masked copy with a key colour is
// platform::transparentblit; the scaled see-through draw, turntransparent, is a routine of
// TxCanvas.)

#include <QImage>

namespace canvas {

// The frame picture drawn round a picture-in-picture with "Border": 640 x 512, a
// bevelled band 23 pixels wide on every side (the band the element leaves for it at any
// width); the middle, which the picture covers, is a plain colour.
QImage framePicture();
// Width of the frame picture's band, in its own pixels.
inline constexpr int kFrameBand = 23;

} // namespace canvas
