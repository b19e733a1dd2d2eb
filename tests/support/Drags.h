#pragma once
// A drag inside the main window as the operator makes it: from source, whose drag code the
// canvas records, over target, and let go there unless release is false.

#include "canvas/TxCanvas.h"
#include "platform/widgets/DragManager.h"
#include "shell/FormMain.h"

namespace testsupport {

inline void drag(QWidget* source, int code, QWidget* target, shell::FormMain& form, bool release = true)
{
    form.canvas().setDragSource(code);
    platform::DragManager::instance().begin(source);
    platform::DragManager::instance().moveOver(target, 5, 5);
    if (release)
        platform::DragManager::instance().release();
}

} // namespace testsupport
