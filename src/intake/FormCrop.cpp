#include "intake/FormCrop.h"

#include "platform/widgets/PictureBox.h"

#include <QFrame>

namespace intake {

FormCrop::FormCrop(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormCrop"));
    setWindowTitle(QStringLiteral("Picture Crop.    Select \"Crop\" then drag and size crop rectangle."));
    setFixedSize(647, 572); // 9705 x 8580 twips
    // The canvas: 640 x 512 inside a two-pixel border, at 30, 0 twips.
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setGeometry(2, 0, 644, 516);
    Picture1 = new platform::PictureBox(frame);
    Picture1->setDesignName(QStringLiteral("Picture1"));
    Picture1->setBoxSize(640, 512);
    Picture1->setBackColor(0x000000);
    Picture1->move(2, 2);
}

} // namespace intake
