// The TX screen's press and pointer move. Each handler is one chain of tests in a fixed
// order; the first that holds does its work and ends the handler. They draw previews
// only (on the screen, or into the persistent layer for the freehand pen): committing is
// SET's. Tests of the buttons ask for exactly one button (1 left, 2 right, 4 middle).

#include "canvas/TxCanvas.h"

#include "interfaces/Form.h"
#include "interfaces/QsoRoom.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragIcons.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <algorithm>
#include <cmath>

namespace canvas {

namespace {

constexpr int kLeft = 1;
constexpr int kRight = 2;
constexpr int kCrossPointer = 2;
constexpr int kCropState = 101; // txMouseState while the crop rectangle is drawn
constexpr int kHatchFill = 5;   // FillStyle: downward diagonal hatch

// The draw thickness box read as the pen width: a number is taken within the slider's
// range, anything else leaves the slider as it is.
void takeThickness(platform::ScrollBar* slider, const QString& box)
{
    bool isNumber = false;
    const double value = box.trimmed().toDouble(&isNumber);
    if (!isNumber || !std::isfinite(value))
        return;
    slider->setValue(platform::CInt(std::clamp(value, double(slider->minimum()), double(slider->maximum()))));
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

bool TxCanvas::shapeChosen() const
{
    return isShapeItem(form_.Combo1->text());
}

bool TxCanvas::drawShape(double x, double y, bool boxInDrawingColour)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    const QString shape = f.Combo1->text();
    if (shape == QLatin1String("Ellipse")) {
        tx->Circle(x, y, shapeSize_, drawingColour(f.text()), {}, {}, float(shapeAspect_));
    } else if (shape == QLatin1String("Circle")) {
        tx->Circle(x, y, shapeSize_, drawingColour(f.text()));
    } else if (shape == QLatin1String("Box")) {
        const double left = x - shapeSize_ / 2;
        const double top = y - shapeSize_ / 2;
        std::optional<platform::gdi::Colour> colour;
        if (boxInDrawingColour)
            colour = drawingColour(f.text());
        tx->Line(left, top, left + shapeSize_, top + shapeSize_ * f.VScroll4->value() / 9, colour,
                 platform::PictureBox::LineKind::Box);
    } else {
        return false;
    }
    return true;
}

// The armed shape's preview redrawn at (x, y), where SET will commit it.
void TxCanvas::moveShapePreview(double x, double y)
{
    form_.Picture1->Cls();
    drawShape(x, y, false);
    textX = float(x);
    textY = float(y);
    widenDrawnExtentForShape(x, y);
}

// The drawn box is the shape drawn at (x, y), pen included: the preview before it has
// been wiped, so nothing else is drawn over the picture.
void TxCanvas::widenDrawnExtentForShape(double x, double y)
{
    interfaces::Form& f = form_;
    const QString shape = f.Combo1->text();
    double halfWidth = shapeSize_;
    double top = y - shapeSize_;
    double bottom = y + shapeSize_;
    if (shape == QLatin1String("Box")) {
        halfWidth = shapeSize_ / 2;
        top = y - shapeSize_ / 2;
        bottom = top + shapeSize_ * f.VScroll4->value() / 9;
    } else if (shape == QLatin1String("Ellipse") && shapeAspect_ > 0) {
        const double aspect = float(shapeAspect_);
        halfWidth = aspect < 1 ? shapeSize_ : shapeSize_ / aspect;
        const double halfHeight = aspect < 1 ? shapeSize_ * aspect : shapeSize_;
        top = y - halfHeight;
        bottom = y + halfHeight;
    }
    // Clipped to the screen: what lies beyond it was never drawn and cannot be cut out.
    // The press is on the screen, so the box always holds it and never turns inside out.
    const double pen = f.Picture1->DrawWidth() / 2.0;
    drawnExtentLeft = std::max(0.0, x - halfWidth - pen);
    drawnExtentRight = std::min(kTxWidth, x + halfWidth + pen);
    drawnExtentTop = std::max(0.0, std::min(top, bottom) - pen);
    drawnExtentBottom = std::min(kTxHeight, std::max(top, bottom) + pen);
}

void TxCanvas::Picture1_MouseDown(int button, int, double x, double y)
{
    interfaces::Form& f = form_;
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
    // A click places the pending overlay or picture-in-picture centred on the pointer.
    const bool overlayMode = f.Option6->value() || f.Option7->value();
    if (button == kLeft && f.Check18->value() == 0 && overlayMode) {
        placeElementAt(x, y);
        return;
    }
    // A shape shown in the things list moves to the press, whatever the button and mode.
    if (isShapeItem(f.Combo1->text())) {
        moveShapePreview(x, y);
        return;
    }
    if (isOn(f.Label38))
        Label38_Click();
    if (f.Option1->value() && text.styledTextWaiting())
        tx->setPicture(f.Image6->Picture());
    if (isOn(f.Label24)) {
        txMouseState = kCropState;
        textX = float(x);
        textY = float(y);
        tx->setDrawWidth(2);
        return;
    }
    // The log listing fills the text box: there is no text to place.
    if (f.qso().logViewOn())
        return;
    if (f.Option8->value() && isOn(f.Label73)) {
        tx->setMousePointer(kCrossPointer);
        return;
    }
    headerBoxDragged = 0;
    // Pattern Fill's pick: the colour under the pointer is the one the fill replaces; the
    // drag ends with the drop on the TX screen, which fills.
    if (isOn(f.Label32) && button == kLeft) {
        tx->setDragIcon(tx->MouseIcon());
        tx->Drag(platform::vbBeginDrag);
        tx->setMousePointer(kCrossPointer);
        fillColour_ = tx->Point(x, y);
        text.markFillColourPicked();
        return;
    }
    if (button == kRight) {
        rightPressOnTxScreen();
        return;
    }
    if (isOn(f.Label32))
        return;
    markElementPending();
    if (overlayMode) {
        layOverlayAt(x, y);
        return;
    }
    text.setTextToDraw(f.Text1->text());
    if (dragSource == dragCallSign)
        text.setTextToDraw(f.Text3->text());
    if (dragSource == dragFskIdText)
        text.setTextToDraw(f.Label56->caption());
    // Draw mode: the stroke starts here, into the persistent layer, at the slider's width;
    // with Fix Color on, the colour under the pointer becomes the drawing colour.
    if (f.Option8->value()) {
        takeThickness(f.HScroll1, f.Text6->text());
        tx->setDrawWidth(f.HScroll1->value());
        tx->setAutoRedraw(true);
        tx->setCurrentX(x);
        tx->setCurrentY(y);
        textX = float(x);
        textY = float(y);
        if (isOn(f.Label29))
            text.setDrawingColour(platform::numberText(tx->Point(x, y)));
        return;
    }
    if (button == kLeft) {
        markElementPending();
        tx->Cls();
        tx->setCurrentX(x);
        tx->setCurrentY(y);
        textX = float(x);
        textY = float(y);
        text.drawText();
    }
}

// The right button ends an armed shape; otherwise it wipes the preview and drags the TX
// picture, unless Pattern Fill is on.
void TxCanvas::rightPressOnTxScreen()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    if (dragSource == dragShapeTool) {
        f.VScroll4->hide();
        tx->Cls();
        Command12_Click();
        f.Text1->setFocus();
        return;
    }
    markNothingPending();
    tx->Cls();
    tx->setDragIcon(platform::dragIcon(platform::DragIcon::Carry));
    if (!isOn(f.Label32)) {
        dragSource = dragTxPicture;
        tx->Drag(platform::vbBeginDrag);
    }
}

// Any button but the right one in Overlays or Pic in Pic lays the element on the screen
// see-through at the pointer; with Follow Mouse a trail of small copies starts here.
void TxCanvas::layOverlayAt(double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    if (f.Check18->value() == 1 && f.Option7->value()) {
        overlayScale = 1;
        trailX_ = x;
        trailY_ = y;
        f.Picture2->setPicture(tx->Image());
    }
    tx->Cls();
    tx->setCurrentX(x);
    tx->setCurrentY(y);
    textX = float(x - overlayScale / 2);
    textY = float(y - overlayScale / 2.5);
    platform::StepRunner steps(QStringLiteral("Picture1_MouseDown"));
    steps.step(QStringLiteral("AutoRedraw"), [&] { tx->setAutoRedraw(false); });
    steps.step(QStringLiteral("turntransparent"), [&] { turntransparent(); });
}

// Centred on the pointer: the element's box is S wide and S * 4 / 5 high.
void TxCanvas::placeElementAt(double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::PictureBox* work = f.Picture3;
    const double s = overlayScale;
    textX = float(x - s / 2);
    textY = float(y - s / 2 * 4 / 5);
    tx->setAutoRedraw(true);
    work->setAutoRedraw(true);
    tx->Cls();
    paintElement();
    drawElement(f.Option6->value() ? 1 : 0);
    work->setAutoRedraw(false);
    tx->setAutoRedraw(false);
}

void TxCanvas::Picture1_MouseMove(int button, int, double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    const bool overlayMode = f.Option6->value() || f.Option7->value();
    const bool left = button == kLeft;
    if (f.Check19->value() == 1)
        return;
    if (!isOn(f.Command47) && overlayMode) {
        f.Text1->setFocus();
        return;
    }
    // The freehand pen: one segment from the last point, widening the drawn box by the
    // points the pointer passes.
    if (left && f.Option8->value() && !isOn(f.Label73) && dragSource != dragShapeTool) {
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
    // The pending overlay or picture-in-picture dragged, centred on the pointer.
    if (left && f.Check18->value() == 0 && overlayMode) {
        placeElementAt(x, y);
        return;
    }
    if (left && f.Check18->value() == 1 && f.Option7->value()) {
        followMouseTrail(x, y);
        return;
    }
    if (left && (dragSource == dragCallSign || dragSource == dragFskIdText)) {
        textFollows(x, y);
        return;
    }
    if (left && isShapeItem(f.Combo1->text())) {
        moveShapePreview(x, y);
        return;
    }
    // Overlays with Follow Mouse: the see-through overlay follows the pointer.
    if (overlayMode && left) {
        tx->Cls();
        textX = float(x - overlayScale / 2);
        textY = float(y - overlayScale / 2.5);
        tx->setCurrentX(textX);
        tx->setCurrentY(textY);
        f.text().clearEditState();
        turntransparent();
        return;
    }
    if (overlayMode && f.Image6->Picture().isNull()) {
        f.Text1->setFocus();
        return;
    }
    if (isOn(f.Label24) && left && txMouseState == kCropState) {
        cropRubberBand(x, y);
        return;
    }
    if (isOn(f.Label32))
        return;
    if (f.Option8->value() && isOn(f.Label73))
        return;
    if (left)
        textFollows(x, y);
}

// Every move grows the trail's picture by one; a copy is stamped only once the pointer
// has left the window round the last stamp's corner (S / 15 up and left, S / 5 right and
// down, its edge outside).
void TxCanvas::followMouseTrail(double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    overlayScale += 1;
    const double s = overlayScale;
    if (trailX_ - s / 15 < x && x < trailX_ + s / 5 && trailY_ - s / 15 < y && y < trailY_ + s / 5)
        return;
    trailX_ = x;
    trailY_ = y;
    tx->setAutoRedraw(true);
    tx->PaintPicture(f.Image6->Picture(), x, y, s, s * 4 / 5);
    tx->setAutoRedraw(false);
}

// The text element printed afresh with its top left at the pointer.
void TxCanvas::textFollows(double x, double y)
{
    platform::PictureBox* tx = form_.Picture1;
    tx->Cls();
    tx->setCurrentX(x);
    textX = float(x);
    tx->setCurrentY(y);
    textY = float(y);
    form_.text().drawText();
}

// The crop rectangle from the press point to the pointer, hatched in black, its outline
// the inverse of the picture under the pointer (white where the pointer is off the
// screen, there being no pixel there).
void TxCanvas::cropRubberBand(double x, double y)
{
    platform::PictureBox* tx = form_.Picture1;
    tx->setFillColor(0);
    tx->setFillStyle(kHatchFill);
    tx->Cls();
    const qint32 under = tx->Point(x, y);
    const quint32 outline = under < 0 ? platform::vbWhite : (quint32(under) ^ 0xFFFFFFu);
    tx->Line(textX, textY, x, y, outline, platform::PictureBox::LineKind::Box);
}

} // namespace canvas
