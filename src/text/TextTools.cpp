#include "text/TextTools.h"

#include "canvas/TxCanvas.h"
#include "intake/Intake.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"

namespace text {

TextTools::TextTools(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void TextTools::savefontandcolor_Click() {}

// The style boxes redraw the current text element; until the text painter exists there
// is no element on the TX screen to redraw.
void TextTools::Check13_Click() {}
void TextTools::Check14_Click() {}

void TextTools::Check6_Click()
{
    form_.Picture1->setFontBold(form_.Check6->value() == 1);
}

void TextTools::Label31_Click()
{
    shell::FormMain& f = form_;
    f.VScroll3->hide();
    if (platform::backColor(f.Label31) == canvas::kPendingColor) {
        platform::setBackColor(f.Label31, canvas::kToolOffColor);
        f.Label31->setCaption(QStringLiteral("Horizontal"));
    } else {
        platform::setBackColor(f.Label31, canvas::kPendingColor);
        f.Label31->setCaption(QStringLiteral("Vertical"));
        f.VScroll3->show();
    }
}

void TextTools::VScroll1_Change()
{
    const int v = form_.VScroll1->value();
    shadowDepth = v * v;
}

void TextTools::fontbutton()
{
    for (auto* b : {form_.Command21, form_.Command25, form_.Command23, form_.Command24})
        platform::setBackColor(b, 0xC0C0);
}

void TextTools::Check17_Click() {}
void TextTools::Check15_Click() {}
void TextTools::Label36_Click() {}
void TextTools::drawStyledText() {}
void TextTools::rotateclockwise() {}

} // namespace text
