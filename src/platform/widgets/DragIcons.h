#pragma once
// The drag cursors of the window's control drags, our own pictures in one table: the drop
// cursor (the target under the pointer takes the drop), the carry cursor (it does not),
// the text cursor of a call sign carried over the TX screen, and the neutral one (no
// picture: the control drags as its plain outline).

#include <QPixmap>

namespace platform {

enum class DragIcon { Drop, Carry, Text, Neutral };

QPixmap dragIcon(DragIcon which);

} // namespace platform
