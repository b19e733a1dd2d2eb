// A picture dropped on the TX screen in Overlays or Pic in Pic becomes the pending
// element: placed on the drop point, copied into Image6 and drawn over the TX picture
// until SET commits it. An overlay whose middle is one flat colour is laid over the whole
// screen instead, that colour see-through. With Follow Mouse the element is small and
// waits for the pointer; with "4 pics in 1" it fills the quarter under the drop point
// and is committed at once.

#include "canvas/OverlayRender.h"
#include "canvas/TxCanvas.h"

#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/QsoRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/drawing/Rotate.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QAction>
#include <QGroupBox>

#include <algorithm>
#include <cmath>

namespace canvas {

namespace {

using platform::kHourglass;
constexpr int32_t kMirrorBits[] = {int32_t(platform::RotateMirrorLeftRight), int32_t(platform::RotateMirrorTopBottom)};
constexpr int kFollowMouseWidth = 30;

// True when the overlay's middle row (x 160 to 420 on row 256) and middle column (rows
// 180 to 332 of column 330) all have the colour of its centre pixel.
bool flatMiddle(const platform::PictureBox& overlay)
{
    const qint32 centre = overlay.Point(320, 256);
    bool flat = true;
    for (int x = 160; x <= 420; ++x)
        if (overlay.Point(x, 256) != centre)
            flat = false;
    for (int y = 180; y <= 332; ++y)
        if (overlay.Point(330, y) != centre)
            flat = false;
    return flat;
}

} // namespace

void TxCanvas::overlayDrop(double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("overlay drop"));
    const bool overlays = f.Option6->value();
    const bool picInPic = f.Option7->value();

    // Placement: the element centred on the drop point, over the whole screen while the
    // overlay in hand is a see-through frame, or in the quarter under the drop point.
    markElementPending();
    tx->Cls();
    tx->setCurrentX(x);
    tx->setCurrentY(y);
    float dropX = float(x);
    float dropY = float(y);
    if (f.Check19->value() == 0 || overlays) {
        dropX = float(dropX - overlayScale / 2);
        dropY = float(dropY - overlayScale / 2.5);
        textX = dropX;
        textY = dropY;
    }
    if (transparentOn_ == 1 && overlays) {
        dropX = dropY = 0;
        textX = textY = 0;
        overlayScale = kTxWidth;
    }
    if (f.Check19->value() == 1 && picInPic) {
        dropX = dropX < 320 ? 0 : 320;
        dropY = dropY < 256 ? 0 : 256;
        textX = dropX;
        textY = dropY;
        overlayScale = 320;
        if (f.makeheader->isChecked())
            overlayScale = 40;
        if (f.makeheader16->isChecked())
            overlayScale = 20;
    }

    // A browser thumbnail goes through the crop dialog while the browser is open with
    // "With Crop" on, and never becomes an element.
    if (isOn(f.Command20) && isOn(f.Label17) && isBrowserSlot(dragSource)) {
        steps.step(QStringLiteral("loadpic_Click"), [&] { f.intake().loadpic_Click(); });
        steps.step(QStringLiteral("ShowHeaders"), [&] { f.qso().ShowHeaders(); });
        pushTxPicture();
        return;
    }
    // Any other code keeps the picture Image6 already holds.
    if (platform::ImageBox* source = f.thumbnailFor(dragSource))
        f.Image6->setPicture(source->Picture());

    if (f.Check19->value() != 0 || f.Check18->value() != 0) {
        if (overlays && transparentOn_ == 1)
            seeThroughFrameDrop();
        else
            subOptionDrop(dropX, dropY);
        return;
    }
    // A render is in progress.
    if (f.MousePointer() == kHourglass)
        return;
    overlayAngle = 0;
    for (int32_t bit : kMirrorBits)
        if (rotateFlags_ & bit)
            rotateFlags_ -= bit;

    if (overlays) {
        overlayScale = 240;
        tx->setDrawWidth(1);
        f.Picture2->setDrawWidth(1);
        f.Picture2->setAutoRedraw(true);
        f.Picture2->Cls();
        steps.step(QStringLiteral("overlay stretched"), [&] {
            f.Picture2->PaintPicture(f.Image6->Picture(), 0, 0, kTxWidth, kTxHeight);
        });
        transparentOn_ = flatMiddle(*f.Picture2) ? 1 : 0;
        if (transparentOn_ == 1) {
            seeThroughFrameDrop();
            return;
        }
        f.Picture2->setAutoRedraw(false);
    }
    centredElement();
}

// The element centred on the drop point, smoothed, drawn over the TX screen's
// persistent layer by the re-render. It waits for SET; the committed picture and the
// engine's buffer do not have it.
void TxCanvas::centredElement()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::PictureBox* work = f.Picture3;
    platform::StepRunner steps(QStringLiteral("overlay drop"));
    const double s = overlayScale;
    f.setMousePointer(kHourglass);
    textX = float(tx->CurrentX() - s / 2);
    textY = float(tx->CurrentY() - s * 2 / 5);
    tx->setAutoRedraw(true);
    tx->setPicture(tx->Image());
    work->setAutoRedraw(true);
    if (!(rotateFlags_ & kSmoothBit))
        rotateFlags_ += kSmoothBit;
    if (f.Option11->value() || f.Option10->value()) {
        work->setBoxSize(688, 556);
        steps.step(QStringLiteral("work buffer"), [&] {
            work->PaintPicture(f.Image6->Picture(), 0, 0, kTxWidth, kTxHeight);
            work->setPicture(work->Image());
        });
    }
    renderElement();
}

// Follow Mouse: a small element on the drop point, left for the pointer to move and
// stamp. "4 pics in 1": the quarter painted and committed at once, with the header.
void TxCanvas::subOptionDrop(double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("overlay drop"));
    if (f.Check18->value() == 1 && f.Option7->value()) {
        x = float(tx->CurrentX() - 15);
        y = float(tx->CurrentY() - 12);
        textX = float(x);
        textY = float(y);
        overlayScale = kFollowMouseWidth;
    }
    if (!f.Frame7->isHidden()) {
        if (f.makeheader->isChecked())
            overlayScale = 40;
        if (f.makeheader16->isChecked())
            overlayScale = 20;
    }
    if (f.Option6->value()) {
        f.Picture2->setPicture(f.Image6->Picture());
        tx->setAutoRedraw(false);
        steps.step(QStringLiteral("turntransparent"), [&] { turntransparent(); });
    } else {
        steps.step(QStringLiteral("element"), [&] {
            tx->PaintPicture(f.Image6->Picture(), x, y, overlayScale, overlayScale * 4 / 5);
        });
    }
    if (f.Check19->value() == 1 && f.Option7->value()) {
        steps.step(QStringLiteral("Command47_Click"), [&] { Command47_Click(); });
        tx->setPicture(tx->Image());
        pushTxPicture();
        f.Picture2->setPicture(tx->Image());
        steps.step(QStringLiteral("ShowHeaders"), [&] { f.qso().ShowHeaders(); });
        return;
    }
    f.Picture2->setPicture(f.Image6->Picture());
}

// The overlay over the whole screen, its centre colour see-through, on the screen only:
// SET lays it over the persistent layer and commits it.
void TxCanvas::seeThroughFrameDrop()
{
    platform::StepRunner steps(QStringLiteral("overlay drop"));
    steps.step(QStringLiteral("see-through overlay"), [&] { blitSeeThroughOverlay(); });
    pushTxPicture();
    form_.Picture2->setAutoRedraw(false);
}

} // namespace canvas
