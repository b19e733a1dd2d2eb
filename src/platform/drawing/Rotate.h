// The rotation service: draws a rectangle of a source context onto a
// destination context turned, mirrored and with a key colour left out.
#pragma once

#include "platform/drawing/Gdi.h"

namespace platform {

// Option bits of the rotation service.
enum RotateFlag : quint32 {
    RotateKeyColour = 0x1,           // leave out every source pixel of the key colour
    RotateSmooth = 0x2,              // bilinear sampling instead of nearest neighbour
    RotateMirrorLeftRight = 0x40000,
    RotateMirrorTopBottom = 0x80000,
};

// Takes the width x height rectangle at (sourceX, sourceY) of `source`,
// mirrors it as the flags ask, turns it by `angle` degrees (positive
// clockwise on the screen) about its middle and draws it with that middle at
// (centreX, centreY) of `dest`. Other flag bits are ignored. Returns false
// (drawing nothing) for missing contexts or an empty rectangle.
bool rotatePicture(gdi::Dc *dest, int centreX, int centreY, int width, int height,
                   const gdi::Dc *source, int sourceX, int sourceY, double angle,
                   gdi::Colour keyColour, quint32 flags);

// The same on plain images: the turned picture drawn onto `dest`.
void rotateImage(QImage &dest, double centreX, double centreY, const QImage &source, double angle,
                 gdi::Colour keyColour, quint32 flags);

}  // namespace platform
