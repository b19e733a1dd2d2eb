#include "capture/frmMemCapMain.h"

#include <QCloseEvent>

namespace capture {

frmMemCapMain::frmMemCapMain(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmMemCapMain"));
    setWindowTitle(QStringLiteral("Camera Controller"));
    resize(480, 400);
}

// No capture is connected before the camera's own work exists, so there is nothing to
// let go of yet.
void frmMemCapMain::Form_Unload() {}

void frmMemCapMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

} // namespace capture
