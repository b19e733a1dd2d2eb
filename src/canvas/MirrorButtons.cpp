// The mirror buttons: top to bottom and left to right. In Overlays and Pic in Pic they
// mirror the pending element; in Text mode, with nothing pending, the whole TX picture
// (or only the clean picture under a turned text block). While the picture-adjust panel
// is open a press accepts the adjustment instead.

#include "canvas/TxCanvas.h"

#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/drawing/Rotate.h"
#include "platform/runtime/StepRunner.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <algorithm>

namespace canvas {

namespace {

using platform::kHourglass;
constexpr int kDefaultPointer = 0;
constexpr double kPiEighth = 3.14159265359 / 8; // one step of the text rotation
constexpr int kTextTurnedClockwise = 9;
constexpr int kTextTurnedAnticlockwise = 19;

bool isIdle(const QWidget* set) { return platform::backColor(set) == platform::vbButtonFace; }

// The paint that mirrors a TX-size picture: from the far edge with a negative size.
struct Flip {
    double x, y, width, height;
};
Flip flipFor(int32_t bit)
{
    if (bit == int32_t(platform::RotateMirrorTopBottom))
        return {0, kTxHeight, kTxWidth, -kTxHeight};
    return {kTxWidth, 0, -kTxWidth, kTxHeight};
}

} // namespace

void TxCanvas::Command28_MouseDown(int, int, double, double) { mirrorPress(platform::RotateMirrorTopBottom); }
void TxCanvas::Command29_MouseDown(int, int, double, double) { mirrorPress(platform::RotateMirrorLeftRight); }

// The element is drawn mirrored with its angle mirrored too. The TX picture mirrored in
// Text mode is final: nothing waits for SET.
void TxCanvas::mirrorPress(int32_t bit)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    if (isIdle(f.Command47) && !f.Option1->value()) {
        f.Text1->setFocus();
        return;
    }
    if (f.Option6->value() || f.Option7->value()) {
        if (f.MousePointer() == kHourglass)
            return;
        f.setMousePointer(kHourglass);
        overlayAngle = -overlayAngle;
        rotateFlags_ = (rotateFlags_ & bit) ? rotateFlags_ - bit : rotateFlags_ + bit;
        renderElement();
        return;
    }

    platform::setBackColor(f.Label24, kToolOffColor);
    if (!f.Frame9->isHidden()) {
        f.intake().Command38_Click();
        return;
    }
    f.setMousePointer(kHourglass);
    auto done = [&] {
        f.setMousePointer(kDefaultPointer);
        f.Text1->setFocus();
    };
    if (platform::backColor(f.Command47) == kPendingColor) {
        done();
        return;
    }
    const Flip flip = flipFor(bit);
    platform::StepRunner steps(QStringLiteral("mirror"));
    if (f.Image6->hasPicture()) {
        platform::PictureBox* work = f.Picture3;
        work->setAutoRedraw(true);
        steps.step(QStringLiteral("clean picture"), [&] {
            // The buffer takes the size of each picture loaded through it; the whole TX
            // picture must fit for the flip to land on it.
            if (work->width() < kTxWidth || work->height() < kTxHeight)
                work->setBoxSize(std::max(work->width(), int(kTxWidth)), std::max(work->height(), int(kTxHeight)));
            work->PaintPicture(f.Image6->Picture(), flip.x, flip.y, flip.width, flip.height);
            work->setPicture(work->Image());
            f.Image6->setPicture(work->Picture().copy(0, 0, int(kTxWidth), int(kTxHeight)));
        });
        work->setAutoRedraw(false);
    }
    // A turned text block is drawn again over the mirrored picture at the angle of its
    // last step: the turn adds a step after it draws.
    if (txMouseState == kTextTurnedClockwise || txMouseState == kTextTurnedAnticlockwise) {
        overlayAngle += txMouseState == kTextTurnedClockwise ? -kPiEighth : kPiEighth;
        steps.step(QStringLiteral("rotateclockwise"), [&] { f.text().rotateclockwise(); });
        done();
        return;
    }
    tx->setAutoRedraw(true);
    steps.step(QStringLiteral("TX picture"), [&] {
        tx->PaintPicture(tx->Picture(), flip.x, flip.y, flip.width, flip.height);
        tx->setPicture(tx->Image());
    });
    tx->setAutoRedraw(false);
    f.Image6->setPicture(tx->Image());
    done();
}

} // namespace canvas
