// The pending overlay's draws that commit nothing: the scaled see-through draw through the engine (turntransparent), the re-render of the
// pending overlay or picture-in-picture (UpdatePic, shared by the drop, "Border",
// "Smooth", the size and the mirror buttons) and the frame picture of a
// picture-in-picture.

#include "canvas/OverlayRender.h"

#include "canvas/TxCanvas.h"
#include "interfaces/EngineRoom.h"
#include "interfaces/Form.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Engine.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QColor>

#include <algorithm>
#include <cmath>

namespace canvas {

namespace gdi = platform::gdi;

namespace {

using platform::kHourglass;
constexpr int kDefaultPointer = 0;

} // namespace

// The overlay of Picture2, scaled into Picture20, drawn onto the TX screen at the
// element's corner by the engine with the overlay's corner colour left out. The scaled
// overlay covers 0.94 of the element's width and 0.77 of its width in height; the rest
// of Picture20 takes the key colour, so that only the overlay lands on the screen.
void TxCanvas::turntransparent()
{
    interfaces::Form& f = form_;
    platform::PictureBox* scratch = f.Picture20;
    const double s = overlayScale;
    scratch->setBoxSize(platform::CLng(s), platform::CLng(s * 4 / 5));
    const gdi::Colour key = gdi::Colour(f.Picture2->Point(0, 0)) & gdi::kRgbMask;
    const bool wasAutoRedraw = scratch->AutoRedraw();
    scratch->setAutoRedraw(true);
    scratch->Line(0, 0, scratch->ScaleWidth(), scratch->ScaleHeight(), key, platform::PictureBox::LineKind::FilledBox);
    scratch->PaintPicture(f.Picture2->Picture(), 0, 0, s * 0.94, s * 0.77);
    scratch->setAutoRedraw(wasAutoRedraw);
    scratch->setPicture(scratch->Image());

    const QImage overlay = scratch->Picture();
    const int32_t x = platform::CLng(textX);
    const int32_t y = platform::CLng(textY);
    const platform::Engine& engine = f.engine().binding();
    gdi::Dc* target = f.Picture1->hDC();
    target->paint(QRect(x, y, overlay.width(), overlay.height()),
                  [&](QImage& layer) { engine.mmsDrawTransDIBdc(&layer, x, y, &overlay, int32_t(key)); });
}

void TxCanvas::paintElement()
{
    interfaces::Form& f = form_;
    platform::PictureBox* work = f.Picture3;
    const double s = overlayScale;
    // The buffer takes the size of each picture loaded through it; it must hold the
    // whole element, or the rotation would read beyond it.
    const int needWidth = int(std::ceil(s));
    const int needHeight = int(std::ceil(s * 4 / 5));
    if (work->width() < needWidth || work->height() < needHeight)
        work->setBoxSize(std::max(work->width(), needWidth), std::max(work->height(), needHeight));
    // Sizes and margins stay fractional; the paint rounds them to pixels.
    if (f.Option7->value() && f.Check3->value() == 1) {
        const double band = s * kFrameBand / kTxWidth;
        work->PaintPicture(f.Image20->Picture(), 0, 0, s, s * 4 / 5);
        work->PaintPicture(f.Image6->Picture(), band, band, s - 2 * band, (s - s * 2 * kFrameBand / kTxHeight) * 4 / 5);
    } else {
        work->PaintPicture(f.Image6->Picture(), 0, 0, s, s * 4 / 5);
    }
}

// No events run inside: whatever arrives meanwhile finds the hourglass afterwards or
// nothing at all, and the pointer is always put back.
void TxCanvas::renderElement()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::PictureBox* work = f.Picture3;
    platform::StepRunner steps(QStringLiteral("overlay render"));
    tx->setAutoRedraw(true);
    work->setAutoRedraw(true);
    tx->Cls();
    steps.step(QStringLiteral("element"), [&] { paintElement(); });
    steps.step(QStringLiteral("rotated draw"), [&] { drawElement(f.Option6->value() ? 1 : 0); });
    work->setAutoRedraw(false);
    tx->setAutoRedraw(false);
    f.setMousePointer(kDefaultPointer);
}

// Only a pending element is drawn again: with nothing pending Image6 holds the clean TX
// picture (or a committed element), and drawing it as an element would leave a copy that
// the next SET bakes into the picture.
void TxCanvas::UpdatePic()
{
    interfaces::Form& f = form_;
    if (!f.Option6->value() && !f.Option7->value())
        return;
    if (platform::backColor(f.Command47) != kPendingColor)
        return;
    if (f.MousePointer() == kHourglass)
        return;
    f.setMousePointer(kHourglass);
    renderElement();
}

void TxCanvas::Check3_Click() { UpdatePic(); }

// The box and the bit agree afterwards, whichever way they stood.
void TxCanvas::Check9_Click()
{
    interfaces::Form& f = form_;
    if (f.Check9->value() == 1 && !(rotateFlags_ & kSmoothBit))
        rotateFlags_ += kSmoothBit;
    if (f.Check9->value() == 0 && (rotateFlags_ & kSmoothBit))
        rotateFlags_ -= kSmoothBit;
    UpdatePic();
}

QImage framePicture()
{
    constexpr int width = int(kTxWidth);
    constexpr int height = int(kTxHeight);
    constexpr int raised = 9; // the outer bevel, lit from the top left
    constexpr int face = 5;   // the flat between the bevels
    const QColor base(196, 160, 92);
    QImage frame(width, height, QImage::Format_RGB32);
    frame.fill(QColor(128, 128, 128));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int fromLeft = x, fromTop = y, fromRight = width - 1 - x, fromBottom = height - 1 - y;
            const int d = std::min({fromLeft, fromTop, fromRight, fromBottom});
            if (d >= kFrameBand)
                continue;
            // Mitred corners: a pixel belongs to the side it is nearest.
            const bool litSide = std::min(fromLeft, fromTop) <= std::min(fromRight, fromBottom);
            QColor c = base;
            if (d == 0 || d == kFrameBand - 1) {
                c = base.darker(300); // the outline of the frame and of its opening
            } else if (d < raised) {
                const int step = d * 4;
                c = litSide ? base.lighter(150 - step) : base.darker(190 - step);
            } else if (d >= raised + face) {
                // The inner bevel sinks: light and shade swap sides.
                const int step = (d - raised - face) * 4;
                c = litSide ? base.darker(160 - step) : base.lighter(140 - step);
            }
            frame.setPixel(x, y, c.rgb());
        }
    }
    return frame;
}

} // namespace canvas
