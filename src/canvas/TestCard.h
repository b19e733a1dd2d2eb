#pragma once
// The test card of the Things list ("Test Patern"), also the window's splash picture:
// 320 x 256, drawn in code.

#include <QImage>

namespace canvas {

// A circular chart on a grey grid: a star of black and white sectors and resolution
// wedges of converging lines inside the circle, red, green and blue bars and a grey
// scale below its centre, and the program's name above it.
QImage testCard();

} // namespace canvas
