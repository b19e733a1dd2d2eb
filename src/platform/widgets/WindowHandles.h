#pragma once
// Window handles: the number a widget is known by where a command names a window in
// text (the media commands' "parent"). A widget gets its number the first time it is
// asked for; a widget that is gone is no longer found under it.

#include <QRect>

class QWidget;

namespace platform {

// The widget's handle, registering it on first use. Handles start at 1 and are never
// reused within the process.
int hWnd(QWidget* widget);
// The widget registered under a handle, or nullptr (unknown handle, widget gone).
QWidget* windowOfHandle(int handle);
// The window's rectangle in its parent's coordinates; false for an unknown handle.
bool GetWindowRect(int handle, QRect& rect);

} // namespace platform
