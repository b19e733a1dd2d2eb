#pragma once
// Windows whose controls lie in a scrolled area, fitted to the screen they are shown on: a
// screen smaller than the window's design (a small one, or a large one at a high scale)
// gets the window at the screen's size, every control reachable by scrolling.

#include <QSize>

class QScrollArea;
class QWidget;

namespace platform {

// The window's size: `layout` (the scrolled controls' whole size with what the window adds
// round the area, such as a menu bar), at least `designed`, within `room`; where a scroll
// bar is needed one way it takes its room from the other.
QSize fittedSize(const QScrollArea& scroll, QSize layout, QSize designed, QSize room);

// `window` fitted to the available area of its screen and moved only as far as it must be
// to lie inside it. The frame round it counts once the window is shown (before that it is
// not known).
void fitToScreen(QWidget& window, const QScrollArea& scroll, QSize layout, QSize designed);

} // namespace platform
