#include "media/FrmMain.h"

namespace media {

FrmMain::FrmMain(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(QStringLiteral("Multimedia Controller"));
    resize(480, 360);
}

} // namespace media
