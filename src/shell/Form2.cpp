#include "shell/Form2.h"

namespace shell {

Form2::Form2(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Tovaro"));
    setFixedSize(320, 256); // the inner size of the splash, 4800 x 3840 twips
}

} // namespace shell
