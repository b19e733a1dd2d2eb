// The size buttons of the element being composed: "+" and "-" size the pending shape,
// overlay, picture-in-picture or text one step per press. Timer2 finishes the text's slow
// effects once the buttons are let go.

#include "canvas/TxCanvas.h"

#include "interfaces/Form.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <cmath>

namespace canvas {

namespace {

using platform::kHourglass;
constexpr int kDefaultPointer = 0;
constexpr int32_t kMirrorLeftRight = 0x40000;
constexpr int32_t kMirrorTopBottom = 0x80000;
constexpr double kMaxOverlayWidth = 600;     // a wider element is not enlarged
constexpr double kMinOverlayWidth = 8;       // nor reduced below this
constexpr double kSmoothOffAbove = 490;      // enlarged past this, the element is drawn unsmoothed
constexpr double kSmoothOnBelow = 460;       // reduced under this, a ticked "Smooth" smooths again
constexpr double kMinFontSize = 2;
constexpr qint64 kRedrawDelay = 250;         // ms from Timer2's tick to the finishing redraw

const QString kStriped = QStringLiteral("Striped Text");
const QString kGraduated = QStringLiteral("Graduated Text");

bool isIdle(const QWidget* set) { return platform::backColor(set) == platform::vbButtonFace; }

// The font size as the font keeps it: a fixed-point number with four decimals.
double currency(double value) { return platform::roundHalfEven(value * 10000) / 10000; }

} // namespace

void TxCanvas::Command44_MouseDown(int, int, double, double) { rotatePress(true); }
void TxCanvas::Command46_MouseDown(int, int, double, double) { rotatePress(false); }
void TxCanvas::Command44_MouseUp(int, int, double, double) { sizeRelease(); }
void TxCanvas::Command46_MouseUp(int, int, double, double) { sizeRelease(); }

// One turn per press, never repeated while the button is held. A pending overlay or
// picture-in-picture turns 10 (a mirrored one the other way) and is drawn again at once;
// in Text mode the text tools turn the text or the picture, and Timer2 finishes the
// text's slow effects after the last release.
void TxCanvas::rotatePress(bool clockwise)
{
    interfaces::Form& f = form_;
    if ((isIdle(f.Command47) && !f.Option1->value()) || f.Option8->value()) {
        f.Text1->setFocus();
        return;
    }
    if (f.Option6->value() || f.Option7->value()) {
        if (f.MousePointer() == kHourglass)
            return;
        f.setMousePointer(kHourglass);
        const bool mirroredOnce = bool(rotateFlags_ & kMirrorTopBottom) != bool(rotateFlags_ & kMirrorLeftRight);
        overlayAngle += clockwise ? 10 : -10;
        if (mirroredOnce)
            overlayAngle += clockwise ? -20 : 20;
        renderElement();
        return;
    }
    f.setMousePointer(kHourglass);
    repeatAction_ = 1;
    f.Timer2->setEnabled(false);
    platform::StepRunner steps(QStringLiteral("rotate"));
    steps.step(QStringLiteral("turn"), [&] { clockwise ? f.text().rotateclockwise() : f.text().rotateanticlockwise(); });
    f.setMousePointer(kDefaultPointer);
}

void TxCanvas::Command6_MouseDown(int, int, double, double) { sizePress(true); }
void TxCanvas::Command10_MouseDown(int, int, double, double) { sizePress(false); }
void TxCanvas::Command6_MouseUp(int, int, double, double) { sizeRelease(); }
void TxCanvas::Command10_MouseUp(int, int, double, double) { sizeRelease(); }

// One step per press, never repeated while the button is held. A press with nothing
// pending, or while Follow Mouse moves the element, only hands the focus back.
void TxCanvas::sizePress(bool enlarge)
{
    interfaces::Form& f = form_;
    if (f.Check18->value() == 1 || isIdle(f.Command47)) {
        f.Text1->setFocus();
        return;
    }
    if (!enlarge) {
        repeatAction_ = 1;
        f.Timer2->setEnabled(false);
    }
    if (isShapeItem(f.Combo1->text())) {
        platform::StepRunner steps(QStringLiteral("shape size"));
        f.Picture1->Cls();
        // A size that would no longer be a number is refused; the shape is drawn as it was.
        const double next = enlarge ? shapeSize_ * 10 / 9 : shapeSize_ * 9 / 10;
        if (std::isfinite(next))
            shapeSize_ = next;
        steps.step(QStringLiteral("shape"), [&] { drawShape(textX, textY, false); });
        return;
    }
    if (f.Option6->value() || f.Option7->value()) {
        overlayStep(enlarge);
        return;
    }
    textStep(enlarge);
}

// The element keeps its middle: the corner moves by half the change in width. It is
// drawn again at every press, also when the size stays (at the limits).
void TxCanvas::overlayStep(bool enlarge)
{
    interfaces::Form& f = form_;
    if (f.MousePointer() == kHourglass)
        return;
    f.setMousePointer(kHourglass);
    f.text().markOverlayStepped();
    platform::StepRunner steps(QStringLiteral("overlay size"));
    const double s = overlayScale;
    const double shift = 2 + s / 40;
    if (enlarge) {
        if (s > kMaxOverlayWidth) {
            steps.step(QStringLiteral("message"),
                       [&] { f.ui().msgBox(QStringLiteral("Max size reached"), platform::vbOKOnly); });
        } else {
            textX = float(textX - shift);
            textY = float(textY - shift);
            overlayScale = s + 8 + s / 20;
            // Large elements are drawn unsmoothed.
            if (overlayScale > kSmoothOffAbove) {
                f.Check9->setText(QStringLiteral("OFF"));
                if (rotateFlags_ & kSmoothBit)
                    rotateFlags_ -= kSmoothBit;
            }
        }
    } else {
        const double smaller = s - 8 - s / 20;
        if (smaller >= kMinOverlayWidth) {
            textX = float(textX + shift);
            textY = float(textY + shift);
            overlayScale = smaller;
            if (f.Check9->value() == 1 && smaller < kSmoothOnBelow) {
                f.Check9->setText(QStringLiteral("Smooth"));
                if (!(rotateFlags_ & kSmoothBit))
                    rotateFlags_ += kSmoothBit;
            }
        }
    }
    renderElement();
}

// The text is printed plain at each press; its style, shadow and outline come back with
// Timer2 after the release.
void TxCanvas::textStep(bool enlarge)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    auto& text = f.text();
    platform::StepRunner steps(QStringLiteral("text size"));
    if (!enlarge && tx->FontSize() < kMinFontSize)
        return;
    const double size = currency(tx->FontSize());
    const double next = currency(enlarge ? size + size / 40 + 2 : size - 2 - size / 40);
    // A size the font cannot take changes nothing.
    if (!(next > 0) || !std::isfinite(next))
        return;
    steps.step(QStringLiteral("font size"), [&] { tx->setFontSize(next); });
    const double n = tx->FontSize();
    const double step = text.textLineStep();
    text.setTextLineStep(enlarge ? step + 2 + n / 40 : step - 2 - n / 40);
    repeatAction_ = 1;
    f.Timer2->setEnabled(false);
    if (f.Combo3->text() == kStriped || f.Combo3->text() == kGraduated) {
        tx->setAutoRedraw(true);
        steps.step(QStringLiteral("clean picture"), [&] { tx->setPicture(f.Image6->Picture()); });
        tx->setAutoRedraw(false);
    }
    tx->Cls();
    tx->setCurrentX(textX);
    tx->setCurrentY(textY);
    steps.step(QStringLiteral("drawText"), [&] { text.drawText(); });
    f.Text1->setFocus();
}

void TxCanvas::sizeRelease()
{
    repeatAction_ = 0;
    if (form_.Option1->value())
        form_.Timer2->setEnabled(true);
}

// Waits a quarter of a second with events running; a size or rotate button held again
// meanwhile makes it give up and leave the redraw to that button's release.
void TxCanvas::Timer2_Timer()
{
    interfaces::Form& f = form_;
    if (redrawWaiting_)
        return;
    platform::Clock& clock = platform::currentClock();
    const qint64 deadline = clock.now() + kRedrawDelay;
    redrawWaiting_ = true;
    for (;;) {
        if (repeatAction_ == 1) {
            redrawWaiting_ = false;
            return;
        }
        const qint64 left = deadline - clock.now();
        if (left <= 0)
            break;
        clock.pause(left);
    }
    redrawWaiting_ = false;
    auto& text = f.text();
    platform::StepRunner steps(QStringLiteral("Timer2_Timer"));
    if (f.Combo3->text() == kStriped || f.Combo3->text() == kGraduated) {
        steps.step(QStringLiteral("drawStyledText"), [&] { text.drawStyledText(); });
    } else {
        steps.step(QStringLiteral("Check17_Click"), [&] { text.Check17_Click(); });
        if (f.Check17->value() == 0 && f.Check15->value() == 1)
            steps.step(QStringLiteral("Check15_Click"), [&] { text.Check15_Click(); });
    }
    f.Timer2->setEnabled(false);
}

} // namespace canvas
