#include "engine/FormRXfloat.h"

#include "engine/EngineControl.h"
#include "engine/Modes.h"
#include "interfaces/Form.h"
#include "platform/runtime/Twips.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"

#include <QCloseEvent>

#include <cmath>

namespace engine {

FormRXfloat::FormRXfloat(interfaces::Form& form) : QWidget(nullptr, Qt::Window), form_(form)
{
    setObjectName(QStringLiteral("FormRXfloat"));
    setWindowTitle(QStringLiteral("RX Monitor"));
    Picture1 = new platform::PictureBox(this);
    Picture1->setDesignName(QStringLiteral("Picture1"));
    Picture1->move(0, 0);
    // Until a picture sets the aspect, the monitor shows the 320 x 240 shape.
    Picture1->setBoxSize(320, 240);
    Picture1->setBackColor(0x000000);
    resize(320, 240);
}

double FormRXfloat::outerWidthTwips() const
{
    return double(width() + FrameWidth) * platform::kTwipsPerPixel;
}

double FormRXfloat::outerHeightTwips() const
{
    return double(height() + FrameHeight) * platform::kTwipsPerPixel;
}

void FormRXfloat::setOuterWidthTwips(double twips)
{
    resize(std::max(1, int(std::lround(twips / platform::kTwipsPerPixel)) - FrameWidth), height());
}

void FormRXfloat::setOuterHeightTwips(double twips)
{
    resize(width(), std::max(1, int(std::lround(twips / platform::kTwipsPerPixel)) - FrameHeight));
}

void FormRXfloat::FormRXfloat_Form_Resize()
{
    const double width = outerWidthTwips() / platform::kTwipsPerPixel - FrameWidth;
    double height = Picture1->height();
    if (const auto aspect = monitorAspect(form_.engine().rxModeNumber()))
        height = width * aspect->height / aspect->width;
    Picture1->setBoxSize(int(std::lround(width)), int(std::lround(height)));
    // Setting the height raises this handler again, which then changes nothing.
    setOuterHeightTwips(double(Picture1->height() + FrameHeight) * platform::kTwipsPerPixel);
}

void FormRXfloat::FormRXfloat_Form_QueryUnload(bool& cancel)
{
    if (!form_.widget().isVisible())
        cancel = true;
    hide();
    form_.Check4->setValue(0); // its click shows the main window again
    form_.widget().show();
}

void FormRXfloat::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormRXfloat_Form_Resize();
}

void FormRXfloat::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    FormRXfloat_Form_QueryUnload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

} // namespace engine
