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

// The text tools' own parts of the switch (a styled text made pending again, the
// background box, a font borrowed for a stamp) come with those tools.
void TextTools::Option1_Click()
{
    shell::FormMain& f = form_;
    auto& canvas = f.canvas();
    if (platform::backColor(f.Label34) == canvas::kPendingColor) {
        f.Option1->setValue(false);
        canvas::TxCanvas::select(f.Option8);
        return;
    }
    platform::PictureBox* tx = f.Picture1;
    tx->setAutoRedraw(true);
    tx->Cls();
    tx->setAutoRedraw(false);
    platform::setBackColor(f.Label73, canvas::kToolOffColor);
    f.Check18->setValue(0);
    f.Check19->setValue(0);
    canvas.overlayAngle = 0;
    textAngle = 0;
    if (platform::backColor(f.Label29) == canvas::kPendingColor) {
        platform::setBackColor(f.Label29, canvas::kToolOffColor);
        fontRecord[7] = canvas.savedColor;
    }
    platform::setBackColor(f.Command47, platform::vbButtonFace);
    tx->Cls();
    if (f.Check18->value() == 0 && !f.Option6->value() && !f.Option7->value())
        canvas.Command12_Click();
    f.Image6->setPicture(tx->Picture());
    canvas.highlightFrame(f.Shape2);
    f.Option6->setValue(false);
    f.Option7->setValue(false);
    canvas.modeColours(f.Option1);
    canvas::TxCanvas::select(f.Option1);
}

void TextTools::Command8_Click()
{
    shell::FormMain& form = form_;
    auto setBold = [&](bool on) {
        QFont font = form.Command8->font();
        font.setBold(on);
        form.Command8->setFont(font);
    };
    if (form.Command8->text() == QLatin1String("Exit  Msg")) {
        platform::setBackColor(form.Command8, 0xC0C0);
        setBold(false);
        form.Command8->setText(QStringLiteral("Load Msg"));
    } else {
        if (platform::backColor(form.Command20) == 255)
            form.intake().Command20_Click();
        platform::setBackColor(form.Command8, 255);
        setBold(true);
        form.Command8->setText(QStringLiteral("Exit  Msg"));
    }
    form.Text1->setFocus();
}
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

namespace {
constexpr int MaxLines = 20;
constexpr int MaxLineLength = 1501;
constexpr int ForcedDraw = 7270;
} // namespace

void TextTools::drawText()
{
    auto& canvas = form_.canvas();
    if (platform::backColor(form_.Command47) != canvas::kPendingColor && sharedCounter != ForcedDraw)
        return;
    // The log view uses Text1 for its listing, which is never a text to draw.
    if (form_.qso().logViewOn())
        return;
    if (!form_.Option1->value()) {
        canvas.Command12_Click();
        return;
    }
    if (!selectedText.isEmpty())
        textToDraw = selectedText;
    // Lines end at CR; the character after it (LF) is skipped. A line longer than the
    // limit is cut there, and the two characters after the cut are lost with the line end.
    QStringList lines;
    for (qsizetype p = 0; lines.size() < MaxLines;) {
        QString line;
        qsizetype q = p;
        bool end = false;
        for (; q < p + MaxLineLength; ++q) {
            if (q >= textToDraw.size()) {
                end = true;
                break;
            }
            if (textToDraw.at(q) == QLatin1Char('\r'))
                break;
            line += textToDraw.at(q);
        }
        lines << line;
        if (end)
            break;
        p = q + 2;
    }
    platform::PictureBox* tx = form_.Picture1;
    platform::StepRunner steps(QStringLiteral("drawText"));
    steps.step(QStringLiteral("textSize"), [&] { textSize = tx->FontSize() * 1.9; });
    for (int i = 0; i < lines.size(); ++i)
        steps.step(QStringLiteral("line %1").arg(i + 1), [&] {
            tx->setCurrentX(canvas.textX);
            tx->setCurrentY(canvas.textY + i * textSize);
            tx->Print(QLatin1Char(' ') + lines.at(i), false);
        });
    tx->setCurrentX(canvas.textX);
    tx->setCurrentY(canvas.textY);
}

void TextTools::Check17_Click() {}
void TextTools::Check15_Click() {}
void TextTools::Label36_Click() {}
void TextTools::drawStyledText() {}
void TextTools::rotateclockwise() {}

} // namespace text
