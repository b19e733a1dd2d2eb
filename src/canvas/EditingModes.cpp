// The editing modes Overlays, Pic in Pic and Draw, the sub-options of Pic in Pic, and the
// tool toggles of the TX screen. The mode lives in the four option buttons (Text and Draw
// one group on the window, Overlays and Pic in Pic another in Frame4); the tools live in
// their labels' back colours. Setting a button or a box from code runs its handler at
// once, nested in the running one, and the switches rely on that: a switch may run
// inside another and then once more when its own button is set again at its end.

#include "canvas/TxCanvas.h"

#include "interfaces/Form.h"
#include "interfaces/ShellRoom.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "platform/widgets/ShapeControl.h"

namespace canvas {

namespace {

void switchOff(QWidget* label) { platform::setBackColor(label, kToolOffColor); }

constexpr int kDrawThickness = 3; // the pen width Draw mode starts with
constexpr int kHighlightedDrawMode = 14; // merge pen not
constexpr int kHighlightedFill = 2;      // horizontal lines
constexpr int kPlainDrawMode = 13;       // copy pen
constexpr int kPlainFill = 1;            // transparent

} // namespace

void TxCanvas::highlightFrame(platform::ShapeControl* current)
{
    for (platform::ShapeControl* shape : {form_.Shape1, form_.Shape2, form_.Shape3}) {
        const bool lit = shape == current;
        shape->setDrawMode(lit ? kHighlightedDrawMode : kPlainDrawMode);
        shape->setFillStyle(lit ? kHighlightedFill : kPlainFill);
    }
}

void TxCanvas::modeColours(platform::OptionButton* current)
{
    interfaces::Form& f = form_;
    platform::setBackColor(f.Text6, platform::vbBlack);
    for (platform::OptionButton* option : {f.Option8, f.Option7, f.Option6})
        platform::setBackColor(option, option == current ? kModeOnColor : kToolOffColor);
    f.text().showTextModeCurrent(current == f.Option1);
}

void TxCanvas::chooseDrawMode() { select(form_.Option8); }

void TxCanvas::leaveOverlayModes()
{
    form_.Option6->setValue(false);
    form_.Option7->setValue(false);
}

void TxCanvas::clearPicInPicOptions()
{
    form_.Check18->setValue(0);
    form_.Check19->setValue(0);
}

void TxCanvas::tickFourPicsInOne() { form_.Check19->setValue(1); }

// What Overlays and Pic in Pic both discard on the way in: the drawing over the picture,
// the fill tools and a styled text that was not set.
void TxCanvas::leaveForOverlays()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    tx->setAutoRedraw(true);
    tx->Cls();
    overlayAngle = 0;
    tx->setAutoRedraw(false);
    if (isOn(f.Label32))
        Label32_Click();
    if (isOn(f.Label38))
        Label38_Click();
    overlayAngle = 0;
    auto& text = f.text();
    if (text.styledTextWaiting())
        tx->setPicture(f.Image6->Picture());
    text.clearStyledTextWaiting();
}

void TxCanvas::Option6_Click()
{
    interfaces::Form& f = form_;
    // "Overlay RX>TX" ends, leaving the TX screen with the picture it was working on.
    if (isOn(f.Label34)) {
        switchOff(f.Label34);
        f.Picture1->setPicture(keptTxPicture);
    }
    leaveForOverlays();
    clearPicInPicOptions();
    switchOff(f.Label73);
    switchOff(f.Label32);
    if (isOn(f.Label29)) {
        switchOff(f.Label29);
        f.text().setDrawingColour(savedColor);
    }
    highlightFrame(f.Shape3);
    modeColours(f.Option6);
    Command12_Click();
    f.Option8->setValue(false);
    f.text().leaveTextMode();
    select(f.Option6);
}

void TxCanvas::Option7_Click()
{
    interfaces::Form& f = form_;
    // "Overlay RX>TX" works on a drawing: Pic in Pic is refused and Draw mode entered.
    if (isOn(f.Label34)) {
        f.Option7->setValue(false);
        select(f.Option8);
        return;
    }
    leaveForOverlays();
    if (isOn(f.Label29)) {
        switchOff(f.Label29);
        f.text().setDrawingColour(savedColor);
    }
    f.Picture2->setPicture(f.Picture1->Picture());
    highlightFrame(f.Shape3);
    modeColours(f.Option7);
    Command12_Click();
    f.text().leaveTextMode();
    f.Option8->setValue(false);
    select(f.Option7);
}

// Draw keeps what is drawn, Fix Color and "Rem noise  lines": those work in Draw mode.
void TxCanvas::Option8_Click()
{
    interfaces::Form& f = form_;
    if (isOn(f.Label32))
        Label32_Click();
    if (isOn(f.Label38))
        Label38_Click();
    overlayAngle = 0;
    auto& text = f.text();
    if (text.styledTextWaiting())
        f.Picture1->setPicture(f.Image6->Picture());
    text.clearStyledTextWaiting();
    f.Image6->setPicture(f.Picture1->Image());
    if (!f.Option6->value() && !f.Option7->value())
        Command12_Click();
    clearPicInPicOptions();
    switchOff(f.Label32);
    select(f.Option8);
    // The pen starts 3 wide also when the slider stood at 3 already.
    f.HScroll1->setValue(kDrawThickness);
    f.Text6->setText(platform::Str(f.HScroll1->value()));
    HScroll1_Change();
    highlightFrame(f.Shape1);
    modeColours(f.Option8);
    if (f.Option8->value()) {
        text.leaveTextMode();
        leaveOverlayModes();
    } else {
        text.chooseTextMode();
    }
    Command12_Click();
    text.setTextToDraw({});
}

void TxCanvas::Check18_Click()
{
    interfaces::Form& f = form_;
    if (f.Check18->value() == 1)
        f.Check19->setValue(0);
    f.Text1->setFocus();
    Option7_Click();
}

void TxCanvas::Check19_Click()
{
    interfaces::Form& f = form_;
    if (f.Check19->value() == 1)
        f.Check18->setValue(0);
    f.Text1->setFocus();
    Option7_Click();
}

void TxCanvas::Label24_Click()
{
    interfaces::Form& f = form_;
    if (!f.Frame9->isHidden()) {
        f.Text1->setFocus();
        return;
    }
    const quint32 colour = platform::backColor(f.Label24);
    if (colour == kPendingColor) {
        switchOff(f.Label24);
        return;
    }
    if (colour == kToolOffColor) {
        f.text().Option1_Click();
        platform::setBackColor(f.Label24, kPendingColor);
        overlayAngle = 0;
        Command12_Click();
    }
}

void TxCanvas::Label29_Click()
{
    interfaces::Form& f = form_;
    if (isOn(f.Label34))
        return;
    Option8_Click();
    switchOff(f.Label73);
    markNothingPending();
    if (!f.Option8->value())
        return;
    auto& text = f.text();
    if (isOn(f.Label29)) {
        switchOff(f.Label29);
        text.setDrawingColour(savedColor);
        f.Picture1->setForeColor(platform::gdi::Colour(platform::Val(foreColourBeforeFix)));
    } else {
        platform::setBackColor(f.Label29, kPendingColor);
        savedColor = text.drawingColour();
        foreColourBeforeFix = platform::numberText(f.Picture1->ForeColor());
    }
    f.Text1->setFocus();
}

void TxCanvas::Label32_Click()
{
    interfaces::Form& f = form_;
    f.text().Option1_Click();
    if (isOn(f.Label32)) {
        switchOff(f.Label32);
        f.Picture1->setMousePointer(0);
        return;
    }
    if (isOn(f.Label38))
        Label38_Click();
    Command12_Click();
    if (!f.Option1->value())
        return;
    platform::setBackColor(f.Label32, kPendingColor);
    dragSource = dragNone;
    // A pattern fill works on horizontal text only.
    endVerticalText();
    f.Image6->setPicture(f.Picture1->Image());
}

void TxCanvas::Label38_Click()
{
    interfaces::Form& f = form_;
    auto& text = f.text();
    platform::PictureBox* tx = f.Picture1;
    // A fill takes the plain text colour: a striped or graduated text waiting is dropped.
    if (f.Combo3->text() != QLatin1String("Normal Text")) {
        tx->Cls();
        text.dropStyledText();
    }
    text.Option1_Click();
    if (isOn(f.Label38)) {
        switchOff(f.Label38);
        text.showTextColour(foreColourBeforeFill);
        return;
    }
    if (isOn(f.Label32))
        Label32_Click();
    foreColourBeforeFill = tx->ForeColor();
    tx->Cls();
    dragSource = dragNone;
    Command12_Click();
    platform::setBackColor(f.Label38, kPendingColor);
}

void TxCanvas::Label73_Click()
{
    interfaces::Form& f = form_;
    if (isOn(f.Label34))
        return;
    Option8_Click();
    // Only the label: the colours Fix Color put aside stay where they are.
    switchOff(f.Label29);
    markNothingPending();
    if (!f.Option8->value())
        return;
    const quint32 colour = platform::backColor(f.Label73);
    if (colour == kPendingColor)
        switchOff(f.Label73);
    else if (colour == kToolOffColor)
        platform::setBackColor(f.Label73, kPendingColor);
}

void TxCanvas::HScroll1_Change()
{
    interfaces::Form& f = form_;
    f.Picture1->setDrawWidth(f.HScroll1->value());
    f.Text6->setText(platform::Str(f.HScroll1->value()));
}

} // namespace canvas
