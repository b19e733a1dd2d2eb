#include "text/TextTools.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

namespace text {

TextTools::TextTools(interfaces::Form& form) : QObject(nullptr), form_(form) {}

// A hint only: presets are stored with a right press on a font button.
void TextTools::savefontandcolor_Click() { form_.Text1->setFocus(); }

namespace {

using interfaces::isOn;

const QString kStriped = QStringLiteral("Striped Text");
const QString kGraduated = QStringLiteral("Graduated Text");

} // namespace

// The style boxes change the pending element at once; in Draw mode they only keep their
// value for the next text (the focus goes back to the text box).
bool TextTools::styleRefusedInDraw()
{
    if (!form_.Option8->value())
        return false;
    form_.Text1->setFocus();
    return true;
}

void TextTools::Check13_Click()
{
    if (!styleRefusedInDraw())
        redrawText();
}

void TextTools::Check14_Click()
{
    if (!styleRefusedInDraw())
        redrawText();
}

void TextTools::Check6_Click()
{
    if (styleRefusedInDraw())
        return;
    form_.Picture1->setFontBold(form_.Check6->value() == 1);
    redrawText();
}

// The step between a vertical text's characters: the font size times 1.0 to 1.9 by the
// size step bar.
double TextTools::verticalStep() const
{
    return form_.Picture1->FontSize() * platform::Val(QStringLiteral("1.") + QString::number(form_.VScroll3->value()));
}

void TextTools::Label31_Click()
{
    interfaces::Form& f = form_;
    auto& cv = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("Label31_Click"));
    if (styledTextPending_ == 0)
        Option1_Click();
    f.VScroll3->hide();
    // With Pattern Fill on the label only takes the fill tool off.
    if (isOn(f.Label32)) {
        cv.toolOff(interfaces::CanvasRoom::Tool::PatternFill);
        return;
    }
    if (isOn(f.Label38))
        cv.Label38_Click();
    textSize_ = verticalStep();
    if (isOn(f.Label31)) {
        platform::setBackColor(f.Label31, interfaces::kStateOff);
        f.Label31->setCaption(QStringLiteral("Horizontal"));
    } else {
        platform::setBackColor(f.Label31, interfaces::kStateOn);
        f.Label31->setCaption(QStringLiteral("Vertical"));
        f.VScroll3->show();
    }
    // The element is pending afterwards in either case: a styled one is laid again over
    // the clean picture, a plain one is the text box's text.
    if (styledTextPending_ == 1) {
        steps.step(QStringLiteral("end tool"), [&] { cv.Command12_Click(); });
        styledTextPending_ = 1;
        cv.markElementPending();
        steps.step(QStringLiteral("Label36_Click"), [&] { Label36_Click(); });
        return;
    }
    textToDraw_ = f.Text1->text();
    cv.markElementPending();
    tx->Cls();
    steps.step(QStringLiteral("drawText"), [&] { drawText(); });
    steps.step(QStringLiteral("Check17_Click"), [&] { Check17_Click(); });
    steps.step(QStringLiteral("Check15_Click"), [&] { Check15_Click(); });
}

void TextTools::horizontalText()
{
    interfaces::Form& f = form_;
    platform::setBackColor(f.Label31, interfaces::kStateOff);
    f.Label31->setCaption(QStringLiteral("Horiz"));
    f.VScroll3->hide();
}

void TextTools::showVerticalSizeBar(bool shown)
{
    if (isOn(form_.Label31))
        form_.VScroll3->setVisible(shown);
}

void TextTools::VScroll3_Change()
{
    interfaces::Form& f = form_;
    f.Picture1->Cls();
    textSize_ = verticalStep();
    textSizeStep_ = textSize_;
    if (f.Combo3->text() == kStriped || f.Combo3->text() == kGraduated) {
        drawStyledText();
        return;
    }
    drawText();
    Check17_Click();
    Check15_Click();
}

void TextTools::fontbutton()
{
    for (auto* b : {form_.Command21, form_.Command25, form_.Command23, form_.Command24})
        platform::setBackColor(b, interfaces::kStateOff);
}

} // namespace text
