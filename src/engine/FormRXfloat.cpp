#include "engine/FormRXfloat.h"

#include "platform/widgets/PictureBox.h"

namespace engine {

FormRXfloat::FormRXfloat(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormRXfloat"));
    setWindowTitle(QStringLiteral("RX Monitor"));
    Picture1 = new platform::PictureBox(this);
    Picture1->setDesignName(QStringLiteral("Picture1"));
    // Until a picture sets the aspect, the monitor shows the 320 x 240 shape.
    Picture1->setBoxSize(320, 240);
    Picture1->setBackColor(0x000000);
    resize(320, 240);
}

} // namespace engine
