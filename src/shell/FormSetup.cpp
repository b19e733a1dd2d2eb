#include "shell/FormSetup.h"

#include "platform/widgets/Controls.h"

namespace shell {

FormSetup::FormSetup(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormSetup"));
    setWindowTitle(QStringLiteral("Setup Options"));
    resize(640, 480);
    Check27 = new platform::CheckBox(QStringLiteral("Check27"), QStringLiteral("Audio Anounce Mode"), this);
    Check27->hide();
}

} // namespace shell
