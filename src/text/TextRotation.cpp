// Turning the element: a pending text 10 degrees a step within ±90 (its printer turns
// the font), otherwise a picture 22.5 degrees a step pixel by pixel, always from the
// unturned picture: the whole TX picture in Text or Draw mode, the pending overlay or
// picture-in-picture in its modes.

#include "text/TextTools.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <cmath>

namespace text {

namespace {

constexpr double kPi = 3.14159265359; // the turn's own pi: the steps add up to a whole turn at 16
constexpr double kStep = kPi / 8;
constexpr double kWrapAt = 6;
constexpr double kTextStep = 100; // tenths of a degree
constexpr double kTextLimit = 900;
constexpr int kTurnedClockwise = 9;
constexpr int kTurnedAnticlockwise = 19;

using interfaces::isOn;

} // namespace

void TextTools::rotateclockwise() { rotate(true); }
void TextTools::rotateanticlockwise() { rotate(false); }

void TextTools::rotate(bool clockwise)
{
    interfaces::Form& f = form_;
    auto& cv = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    const QString striped = QStringLiteral("Striped Text");
    const QString graduated = QStringLiteral("Graduated Text");
    if (f.Check16->value() == 1)
        return;
    if (!isOn(f.Command47)) {
        f.Combo3->setText(QStringLiteral("Normal Text"));
        styledTextPending_ = 0;
    }
    const bool textMode = f.Option1->value();
    if (textMode && isOn(f.Label31)) {
        f.ui().msgBox(QStringLiteral("Cannot rotate vertical text"), platform::vbOKOnly);
        f.Text1->setFocus();
        return;
    }
    if (textMode && (f.Combo3->text() == striped || f.Combo3->text() == graduated)) {
        f.ui().msgBox(QStringLiteral("Cannot rotate graduated or striped text"), platform::vbOKOnly);
        f.Text1->setFocus();
        return;
    }
    if (f.Option7->value() && (f.Check18->value() == 1 || f.Check19->value() == 1)) {
        f.Text1->setFocus();
        return;
    }

    platform::StepRunner steps(clockwise ? QStringLiteral("rotateclockwise") : QStringLiteral("rotateanticlockwise"));
    if (textMode && isOn(f.Command47)) {
        tx->Cls();
        // At the limit the text is only drawn again.
        textAngle_ += clockwise ? -kTextStep : kTextStep;
        if (textAngle_ < -kTextLimit)
            textAngle_ += kTextStep;
        if (textAngle_ > kTextLimit)
            textAngle_ -= kTextStep;
        steps.step(QStringLiteral("drawText"), [&] { drawText(); });
        if (styledTextPending_ == 1)
            steps.step(QStringLiteral("drawStyledText"), [&] { drawStyledText(); });
        f.Text1->setFocus();
        return;
    }

    cv.toolOff(interfaces::CanvasRoom::Tool::Crop);
    if (!f.Frame9->isHidden()) {
        steps.step(QStringLiteral("Accept"), [&] { f.intake().Command38_Click(); });
        return;
    }
    // No events run here: a second press would find the picture half turned.
    steps.step(QStringLiteral("Command12_Click"), [&] { cv.Command12_Click(); });
    const bool overlays = f.Option6->value();
    const bool picInPic = f.Option7->value();
    if (overlays || picInPic)
        cv.markElementPending();
    // The angle is kept in the direction of the last turn: a change of direction counts
    // it the other way.
    if (cv.mouseState() == (clockwise ? kTurnedAnticlockwise : kTurnedClockwise))
        cv.setElementAngle(-cv.elementAngle());
    cv.setMouseState(clockwise ? kTurnedClockwise : kTurnedAnticlockwise);

    platform::PictureBox* turned = f.Picture2;
    platform::PictureBox* source = f.Picture3;
    turned->setAutoRedraw(true);
    source->setAutoRedraw(true);
    steps.step(QStringLiteral("source"), [&] { source->setPicture(f.Image6->Picture()); });
    steps.step(QStringLiteral("corners"), [&] {
        const platform::gdi::Colour corner = platform::gdi::getPixel(source->hDC(), 1, 1);
        turned->Line(0, 0, interfaces::kTxWidth, interfaces::kTxHeight, corner, platform::PictureBox::LineKind::FilledBox);
    });
    const double angle = clockwise ? -(cv.elementAngle() + kStep) : cv.elementAngle() + kStep;
    steps.step(QStringLiteral("bmp_rotate"), [&] { bmp_rotate(*source, *turned, float(angle)); });
    turned->setPicture(turned->Image());
    turned->setAutoRedraw(false);
    if (!overlays && !picInPic)
        steps.step(QStringLiteral("TX picture"), [&] { cv.setTxPicture(turned->Image()); });
    if (overlays)
        steps.step(QStringLiteral("turntransparent"), [&] { cv.turntransparent(); });
    if (picInPic)
        steps.step(QStringLiteral("picture in picture"), [&] {
            tx->PaintPicture(turned->Image(), cv.elementX(), cv.elementY(), cv.overlayWidth(),
                             cv.overlayWidth() * 4 / 5);
        });
    tx->setAutoRedraw(false);
    source->setAutoRedraw(false);
    f.Text1->setFocus();
    cv.setElementAngle(cv.elementAngle() + kStep);
    if (cv.elementAngle() >= kWrapAt) {
        cv.setElementAngle(0);
        cv.setMouseState(0);
    }
}

// Inverse mapping about the two centres, one angle for four destination pixels (the
// point turned by a quarter turn each). Source points outside the picture are skipped,
// so the destination keeps what it had there.
void TextTools::bmp_rotate(platform::PictureBox& source, platform::PictureBox& destination, float angle)
{
    const int sx = int(platform::roundHalfEven(source.ScaleWidth())) / 2;
    const int sy = int(platform::roundHalfEven(source.ScaleHeight())) / 2;
    const int dx = int(platform::roundHalfEven(destination.ScaleWidth())) / 2;
    const int dy = int(platform::roundHalfEven(destination.ScaleHeight())) / 2;
    const int m = dx < dy ? dy - 1 : dx;
    const platform::gdi::Dc* from = source.hDC();
    platform::gdi::Dc* to = destination.hDC();
    auto at = [](double v) { return int(platform::roundHalfEven(v)); };
    auto copy = [&](double u, double v, int x, int y) {
        const platform::gdi::Colour c = platform::gdi::getPixel(from, at(u), at(v));
        if (c != platform::gdi::kInvalidColour)
            platform::gdi::setPixel(to, x, y, c);
    };
    for (int x = 0; x <= m; ++x) {
        for (int y = 0; y <= m; ++y) {
            const float a = x == 0 ? float(kPi / 2) : float(std::atan(double(y) / double(x)));
            const double r = std::sqrt(double(x) * x + double(y) * y);
            const float turn = a + angle;
            const double u = r * std::cos(double(turn));
            const double v = r * std::sin(double(turn));
            copy(sx + u, sy + v, dx + x, dy + y);
            copy(sx - u, sy - v, dx - x, dy - y);
            copy(sx + v, sy - u, dx + y, dy - x);
            copy(sx - v, sy + u, dx - y, dy + x);
        }
    }
}

} // namespace text
