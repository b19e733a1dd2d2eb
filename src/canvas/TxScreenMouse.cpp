// The TX screen's press and pointer move. Each handler is one chain of tests in a fixed
// order; the first that holds does its work and ends the handler. They draw previews
// only (on the screen, or into the persistent layer for the freehand pen): committing is
// SET's. Tests of the buttons ask for exactly one button (1 left, 2 right, 4 middle).

#include "canvas/TxCanvas.h"

#include "platform/drawing/Colors.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"
#include "strips/DragIcons.h"
#include "text/TextTools.h"

#include <algorithm>

namespace canvas {

namespace {

bool isOn(const QWidget* w) { return platform::backColor(w) == kPendingColor; }

constexpr int kLeft = 1;
constexpr int kRight = 2;
constexpr int kCrossPointer = 2;
constexpr int kCropState = 101; // txMouseState while the crop rectangle is drawn

platform::gdi::Colour drawingColour(const text::TextTools& text)
{
    return platform::gdi::Colour(platform::CLng(platform::Val(text.fontRecord[7])));
}

} // namespace

// The shape of Combo1's text, centred on (x, y): ellipse and circle with radius shapeSize
// in the drawing colour, the box shapeSize wide and VScroll4 ninths of that high with its
// top shapeSize / 2 above y. The things list draws its box in the drawing colour, the
// pointer's previews in the screen's fore colour.
bool isShapeItem(const QString& item)
{
    return item == QLatin1String("Ellipse") || item == QLatin1String("Circle") || item == QLatin1String("Box");
}

bool TxCanvas::drawShape(double x, double y, bool boxInDrawingColour)
{
    shell::FormMain& f = form_;
    platform::PictureBox* tx = f.Picture1;
    const QString shape = f.Combo1->text();
    if (shape == QLatin1String("Ellipse")) {
        tx->Circle(x, y, shapeSize, drawingColour(f.text()), {}, {}, float(shapeAspect));
    } else if (shape == QLatin1String("Circle")) {
        tx->Circle(x, y, shapeSize, drawingColour(f.text()));
    } else if (shape == QLatin1String("Box")) {
        const double left = x - shapeSize / 2;
        const double top = y - shapeSize / 2;
        std::optional<platform::gdi::Colour> colour;
        if (boxInDrawingColour)
            colour = drawingColour(f.text());
        tx->Line(left, top, left + shapeSize, top + shapeSize * f.VScroll4->value() / 9, colour,
                 platform::PictureBox::LineKind::Box);
    } else {
        return false;
    }
    return true;
}

// The drawn box is the shape drawn at (x, y), pen included: the preview before it has
// been wiped, so nothing else is drawn over the picture.
void TxCanvas::widenDrawnExtentForShape(double x, double y)
{
    shell::FormMain& f = form_;
    const QString shape = f.Combo1->text();
    double halfWidth = shapeSize;
    double top = y - shapeSize;
    double bottom = y + shapeSize;
    if (shape == QLatin1String("Box")) {
        halfWidth = shapeSize / 2;
        top = y - shapeSize / 2;
        bottom = top + shapeSize * f.VScroll4->value() / 9;
    } else if (shape == QLatin1String("Ellipse") && shapeAspect > 0) {
        const double aspect = float(shapeAspect);
        halfWidth = aspect < 1 ? shapeSize : shapeSize / aspect;
        const double halfHeight = aspect < 1 ? shapeSize * aspect : shapeSize;
        top = y - halfHeight;
        bottom = y + halfHeight;
    }
    const double pen = f.Picture1->DrawWidth() / 2.0;
    drawnExtentLeft = x - halfWidth - pen;
    drawnExtentRight = x + halfWidth + pen;
    drawnExtentTop = std::min(top, bottom) - pen;
    drawnExtentBottom = std::max(top, bottom) + pen;
}

void TxCanvas::Picture1_MouseDown(int button, int, double x, double y)
{
    shell::FormMain& f = form_;
    platform::PictureBox* tx = f.Picture1;
    auto& text = f.text();
    // With nothing pending in Overlays or Pic in Pic, and with "4 pics in 1", a press
    // does nothing but give the text box the focus.
    if (!isOn(f.Command47) && (f.Option6->value() || f.Option7->value())) {
        f.Text1->setFocus();
        return;
    }
    if (f.Check19->value() == 1)
        return;
    // A shape shown in the things list moves to the press, whatever the button and mode.
    if (isShapeItem(f.Combo1->text())) {
        tx->Cls();
        drawShape(x, y, false);
        textX = float(x);
        textY = float(y);
        widenDrawnExtentForShape(x, y);
        return;
    }
    if (isOn(f.Label38))
        Label38_Click();
    if (f.Option1->value() && text.styledTextPending == 1)
        tx->setPicture(f.Image6->Picture());
    if (isOn(f.Label24)) {
        txMouseState = kCropState;
        textX = float(x);
        textY = float(y);
        tx->setDrawWidth(2);
        return;
    }
    if (f.Option8->value() && isOn(f.Label73)) {
        tx->setMousePointer(kCrossPointer);
        return;
    }
    headerBoxDragged = 0;
    if (button == kRight) {
        if (dragSource == dragShapeTool) {
            f.VScroll4->hide();
            tx->Cls();
            Command12_Click();
            f.Text1->setFocus();
            return;
        }
        setIdle();
        tx->Cls();
        tx->setDragIcon(strips::dragIcon(strips::DragIcon::Carry));
        if (!isOn(f.Label32)) {
            dragSource = dragTxPicture;
            tx->Drag(platform::vbBeginDrag);
        }
        return;
    }
    // The pattern pick of Pattern Fill comes with the pattern fill.
    if (isOn(f.Label32))
        return;
    setPending();
    text.textToDraw = f.Text1->text();
    if (dragSource == dragCallSign)
        text.textToDraw = f.Text3->text();
    if (dragSource == dragFskIdText)
        text.textToDraw = f.Label56->caption();
    // Draw mode: the stroke starts here, into the persistent layer, at the slider's width;
    // with Fix Color on, the colour under the pointer becomes the drawing colour.
    if (f.Option8->value()) {
        f.HScroll1->setValue(platform::CInt(platform::Val(f.Text6->text())));
        tx->setDrawWidth(f.HScroll1->value());
        tx->setAutoRedraw(true);
        tx->setCurrentX(x);
        tx->setCurrentY(y);
        textX = float(x);
        textY = float(y);
        if (isOn(f.Label29))
            text.fontRecord[7] = platform::numberText(tx->Point(x, y));
        return;
    }
    if (button == kLeft) {
        setPending();
        tx->Cls();
        tx->setCurrentX(x);
        tx->setCurrentY(y);
        textX = float(x);
        textY = float(y);
        text.drawText();
    }
}

void TxCanvas::Picture1_MouseMove(int button, int, double x, double y)
{
    shell::FormMain& f = form_;
    platform::PictureBox* tx = f.Picture1;
    if (f.Check19->value() == 1)
        return;
    if (!isOn(f.Command47) && (f.Option6->value() || f.Option7->value())) {
        f.Text1->setFocus();
        return;
    }
    // The freehand pen: one segment from the last point, widening the drawn box by the
    // points the pointer passes.
    if (button == kLeft && f.Option8->value() && !isOn(f.Label73) && dragSource != dragShapeTool) {
        if (x > drawnExtentRight)
            drawnExtentRight = x;
        if (x < drawnExtentLeft)
            drawnExtentLeft = x;
        if (y > drawnExtentBottom)
            drawnExtentBottom = y;
        if (y < drawnExtentTop)
            drawnExtentTop = y;
        tx->LineTo(x, y, drawingColour(f.text()));
        return;
    }
    // The overlay drags and the placed texts following the pointer come with their tools.
    if (button != kLeft)
        return;
    if (!isShapeItem(f.Combo1->text()))
        return;
    tx->Cls();
    drawShape(x, y, false);
    textX = float(x);
    textY = float(y);
    widenDrawnExtentForShape(x, y);
}

} // namespace canvas
