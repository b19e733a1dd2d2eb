#include "shell/FormSetup.h"

namespace shell {

FormSetup::FormSetup(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormSetup"));
    setWindowTitle(QStringLiteral("Setup Options"));
    resize(640, 480);
}

} // namespace shell
