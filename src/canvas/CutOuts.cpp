// Overlays cut out along an outline drawn with the pen: "Make overlay" makes the outlined
// figure of the TX picture the whole TX picture, "Overlay RX>TX" lays an outlined area of
// the received picture over the TX picture. Both flood the outside of the outline with
// the drawing colour, take the drawn box round the figure and flood the surround again
// with a near-black the see-through draws leave out.

#include "canvas/TxCanvas.h"

#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/ShellRoom.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/drawing/Gdi.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

namespace canvas {

namespace {

constexpr quint32 kSurround = 0x010101; // near-black, the cut-out's see-through colour
constexpr int kPixels = 3;
using platform::kHourglass;
// A figure wider than tall fills this width from column 40, a taller one this height
// from row 40; either is centred on the screen's middle row or column.
constexpr double kWideWidth = 590;
constexpr double kTallHeight = 462;
constexpr double kMarginX = 40;
constexpr double kMarginY = 40;

} // namespace

// Pixel (0, 0) is lent for the look-up and given its colour back.
void TxCanvas::deviceFillColour(quint32 colour)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    const QString kept = platform::numberText(tx->Point(0, 0));
    tx->PSet(0, 0, colour);
    tx->setFillColor(platform::gdi::Colour(tx->Point(0, 0)));
    tx->PSet(0, 0, platform::gdi::Colour(platform::CLng(platform::Val(kept))));
}

// The outside of a closed outline takes the drawing colour; Picture2 is cleared to that
// colour, the background the figure is painted on.
void TxCanvas::cutOutFlood()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    auto& text = f.text();
    platform::StepRunner steps(QStringLiteral("cut-out flood"));
    tx->setScaleMode(kPixels);
    textStyleRecord[1] = text.drawingColour();
    steps.step(QStringLiteral("fill colour"), [&] {
        deviceFillColour(drawingColour(text));
        tx->setFillStyle(platform::gdi::vbFSSolid);
    });
    steps.step(QStringLiteral("FloodFill"), [&] { platform::gdi::floodFill(tx->hDC(), 0, 0, drawingColour(text)); });
    steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); });
    steps.step(QStringLiteral("background"), [&] {
        f.Picture2->Line(0, 0, kTxWidth, kTxHeight, platform::gdi::Colour(tx->Point(0, 0)),
                         platform::PictureBox::LineKind::FilledBox);
    });
}

void TxCanvas::surroundFlood()
{
    platform::PictureBox* tx = form_.Picture1;
    platform::StepRunner steps(QStringLiteral("surround flood"));
    tx->setScaleMode(kPixels);
    steps.step(QStringLiteral("fill colour"), [&] {
        deviceFillColour(kSurround);
        tx->setFillStyle(platform::gdi::vbFSSolid);
    });
    steps.step(QStringLiteral("ExtFloodFill"), [&] {
        const auto key = platform::gdi::Colour(tx->Point(0, 0));
        platform::gdi::extFloodFill(tx->hDC(), 0, 0, key, platform::gdi::FLOODFILLSURFACE);
    });
}

void TxCanvas::Label30_MouseDown(int, int, double, double)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::PictureBox* work = f.Picture2;
    if (isOn(f.Label34))
        return;
    if (!f.Option8->value() || !isOn(f.Command47)) {
        f.Text1->setFocus();
        return;
    }
    const double left = drawnExtentLeft;
    const double top = drawnExtentTop;
    const double w = drawnExtentRight - drawnExtentLeft;
    const double h = drawnExtentBottom - drawnExtentTop;
    // A box without width or height has nothing to scale up: refused before anything
    // changes. (The empty box of a shape armed and never moved is -640 x -512: the whole
    // picture, turned, which the turn below sets upright again.)
    if (w == 0 || h == 0) {
        f.setMousePointer(0);
        f.Text1->setFocus();
        return;
    }
    platform::StepRunner steps(QStringLiteral("Label30_MouseDown"));
    f.setMousePointer(kHourglass);
    bool shapeCommitted = false;
    if (dragSource == dragShapeTool) {
        steps.step(QStringLiteral("Command47_Click"), [&] { Command47_Click(); });
        shapeCommitted = true;
    }
    tx->setAutoRedraw(true);
    work->setAutoRedraw(true);
    cutOutFlood();
    steps.step(QStringLiteral("scale"), [&] {
        if (w > h) {
            const double height = kWideWidth * h / w;
            work->PaintPicture(tx->Picture(), kMarginX, kTxHeight / 2 - (h / 2) * (kWideWidth / w), kWideWidth, height,
                               left, top, w, h);
        } else {
            const double width = kTallHeight * w / h;
            work->PaintPicture(tx->Picture(), kTxWidth / 2 - (w / 2) * (kTallHeight / h), kMarginY, width, kTallHeight,
                               left, top, w, h);
        }
    });
    steps.step(QStringLiteral("figure"), [&] {
        tx->setPicture(work->Image());
        tx->setPicture(tx->Image());
    });
    surroundFlood();
    steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); });
    // A box of negative width and height takes its figure turned half round: turned back.
    if (shapeCommitted && w < 0 && h < 0)
        steps.step(QStringLiteral("upright"), [&] { tx->PaintPicture(tx->Picture(), kTxWidth, kTxHeight, -kTxWidth, -kTxHeight); });
    steps.step(QStringLiteral("result"), [&] {
        tx->setPicture(tx->Image());
        tx->setAutoRedraw(false);
        work->setAutoRedraw(false);
        tx->setPicture(tx->Image());
        f.Image6->setPicture(tx->Image());
    });
    resetDrawnExtent();
    platform::setBackColor(f.Label30, kToolOffColor);
    markNothingPending();
    f.text().setDrawingColour(textStyleRecord[1]);
    f.setMousePointer(0);
    f.Text1->setFocus();
}

// First press: the TX picture waits aside while the received picture is outlined on the
// TX screen. Second press: the outlined area, unscaled and centred, becomes a whole-screen
// overlay with a see-through near-black surround over the TX picture, pending in Overlays
// mode.
void TxCanvas::Label34_MouseDown(int, int, double, double)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::PictureBox* work = f.Picture2;
    if (!f.Option8->value() || isOn(f.Label29) || isOn(f.Label73)) {
        f.Text1->setFocus();
        return;
    }
    platform::StepRunner steps(QStringLiteral("Label34_MouseDown"));
    const bool between = isOn(f.Label34);
    platform::setBackColor(f.Label34, kPendingColor);
    if (!isOn(f.Command47)) {
        // Pressed again after an Undo between the presses, the screen shows the received
        // picture: the TX picture kept at the first press stays kept.
        if (!between)
            steps.step(QStringLiteral("keep the TX picture"), [&] { keptTxPicture = tx->Image(); });
        steps.step(QStringLiteral("Command51_Click"), [&] { f.intake().Command51_Click(); });
        markElementPending();
        return;
    }
    if (dragSource == dragShapeTool)
        steps.step(QStringLiteral("Command47_Click"), [&] { Command47_Click(); });
    const double left = drawnExtentLeft;
    const double top = drawnExtentTop;
    const double w = drawnExtentRight - drawnExtentLeft;
    const double h = drawnExtentBottom - drawnExtentTop;
    tx->setAutoRedraw(true);
    work->setAutoRedraw(true);
    cutOutFlood();
    steps.step(QStringLiteral("cut out"), [&] {
        work->PaintPicture(tx->Picture(), kTxWidth / 2 - w / 2, kTxHeight / 2 - h / 2, w, h, left, top, w, h);
    });
    steps.step(QStringLiteral("figure"), [&] {
        tx->setPicture(work->Image());
        tx->setPicture(tx->Image());
    });
    surroundFlood();
    steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); });
    steps.step(QStringLiteral("overlay source"), [&] {
        work->setPicture(tx->Image());
        f.Image6->setPicture(tx->Picture());
    });
    steps.step(QStringLiteral("TX picture back"), [&] { tx->setPicture(keptTxPicture); });
    tx->setAutoRedraw(false);
    work->setAutoRedraw(false);
    steps.step(QStringLiteral("Option6_Click"), [&] { Option6_Click(); });
    overlayScale = kTxWidth;
    textX = float(kTxWidth / 2 - overlayScale / 2);
    textY = float(kTxHeight / 2 - overlayScale / 2.5);
    // Drawn over the committed picture on the persistent layer, as a drop draws an
    // element, so that SET and the blend commit it and Undo removes it.
    tx->setAutoRedraw(true);
    steps.step(QStringLiteral("turntransparent"), [&] { turntransparent(); });
    tx->setAutoRedraw(false);
    steps.step(QStringLiteral("Image6"), [&] { f.Image6->setPicture(work->Image()); });
    overlayScale = kTxWidth;
    if (rotateFlags_ & kSmoothBit)
        rotateFlags_ -= kSmoothBit;
    markElementPending();
    platform::setBackColor(f.Label30, kToolOffColor);
    f.text().setDrawingColour(textStyleRecord[1]);
    platform::setBackColor(f.Label34, kToolOffColor);
    f.Text1->setFocus();
}

} // namespace canvas
