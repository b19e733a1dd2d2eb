#include "canvas/TxCanvas.h"

#include "interfaces/EngineRoom.h"
#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/QsoRoom.h"
#include "interfaces/StripsRoom.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/drawing/Gdi.h"
#include "platform/drawing/Rotate.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Picbuf.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragIcons.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QAction>
#include <QGroupBox>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>

namespace canvas {

namespace {

constexpr int SmoothCarry = 4; // rotateFlags + 2 at a commit carries the smoothing bit here

} // namespace

platform::gdi::Colour drawingColour(const interfaces::TextRoom& text)
{
    return platform::gdi::Colour(platform::CLng(platform::Val(text.drawingColour())));
}

TxCanvas::TxCanvas(interfaces::Form& form) : QObject(nullptr), form_(form) {}

void TxCanvas::markNothingPending() { platform::setBackColor(form_.Command47, platform::vbButtonFace); }
void TxCanvas::markElementPending() { platform::setBackColor(form_.Command47, kPendingColor); }

void TxCanvas::toolOff(Tool tool)
{
    interfaces::Form& f = form_;
    switch (tool) {
    case Tool::Crop: platform::setBackColor(f.Label24, kToolOffColor); break;
    case Tool::FixColour: platform::setBackColor(f.Label29, kToolOffColor); break;
    case Tool::PatternFill: platform::setBackColor(f.Label32, kToolOffColor); break;
    case Tool::NoiseLineRepair: platform::setBackColor(f.Label73, kToolOffColor); break;
    }
}

void TxCanvas::commitTxScreen() { form_.Picture1->setPicture(form_.Picture1->Image()); }
void TxCanvas::setTxPicture(const QImage& picture) { form_.Picture1->setPicture(picture); }
void TxCanvas::keepTakeBackCopy() { form_.Image13->setPicture(form_.Picture1->Image()); }
void TxCanvas::keepChangedCopy() { form_.Image14->setPicture(form_.Picture1->Image()); }
void TxCanvas::keepScreenAsClean() { form_.Image6->setPicture(form_.Picture1->Image()); }
void TxCanvas::keepCommittedAsClean() { form_.Image6->setPicture(form_.Picture1->Picture()); }
void TxCanvas::setCleanPicture(const QImage& picture) { form_.Image6->setPicture(picture); }
void TxCanvas::restoreCleanPicture() { form_.Picture1->setPicture(form_.Image6->Picture()); }

void TxCanvas::resetDrawnExtent()
{
    drawnExtentTop = kTxHeight;
    drawnExtentBottom = 0;
    drawnExtentLeft = kTxWidth;
    drawnExtentRight = 0;
}

void TxCanvas::startToolDefaults()
{
    shapeSize_ = 100;
    shapeAspect_ = 0.5;
    shapeScrollLast = 9;
    blendPercent_ = 50;
    blendRest_ = 50;
    resetDrawnExtent();
}

// Ends the current tool. Outside Text mode only what is drawn over the committed picture
// goes; in Text mode also an armed shape, a placed call sign, the press of the size
// buttons and the freehand box. About thirty handlers call it before they start something
// new, so an error inside is logged and ends only this call.
void TxCanvas::Command12_Click()
{
    interfaces::Form& f = form_;
    emit toolEnded();
    platform::StepRunner guard(QStringLiteral("Command12_Click"));
    guard.step(QStringLiteral("end of tool"), [&] {
        platform::PictureBox* tx = f.Picture1;
        if (!f.Option1->value()) {
            tx->setAutoRedraw(true);
            tx->Cls();
            tx->setAutoRedraw(false);
            markNothingPending();
            return;
        }
        tx->setMousePointer(0);
        f.text().clearSelectedText();
        if (dragSource == dragShapeTool) {
            dragSource = dragNone;
            f.VScroll4->hide();
            tx->Cls();
            markNothingPending();
            f.Combo1->setText(QStringLiteral("  Things"));
            f.Text1->setFocus();
        }
        repeatAction_ = 0;
        f.Timer2->setEnabled(false);
        endTextDrag();
        if (f.Option1->value() && f.text().styledTextWaiting())
            tx->setPicture(f.Image6->Picture());
        resetDrawnExtent();
        if (f.Option8->value() && isOn(f.Label73) && isOn(f.Command47)) {
            tx->setPicture(f.Picture3->Picture());
            tx->setMousePointer(0);
            markNothingPending();
            return;
        }
        tx->Cls();
        markNothingPending();
        f.text().setTextToDraw(f.Text1->text());
        if (f.Check18->value() == 1 && f.Option7->value())
            tx->setPicture(f.Picture2->Picture());
    });
}

// On the TX tab every press first closes the browser and the header-loading panels and
// switches Crop off; then it closes the adjust panel, or opens it over the TX picture,
// leaving the overlay modes, header making and the current element first.
void TxCanvas::Command13_Click()
{
    interfaces::Form& f = form_;
    auto& intake = f.intake();
    if (f.SSTab1->currentIndex() == 0) {
        intake.toggleAdjustPanel();
        return;
    }
    if (f.SSTab1->currentIndex() != 1)
        return;
    if (!f.Frame2->isHidden())
        intake.Command20_Click();
    platform::setBackColor(f.Label24, kToolOffColor);
    if (f.Command35->text() == QLatin1String("Exit"))
        f.qso().Command35_Click();
    if (f.Command37->text() == QLatin1String("Exit"))
        f.qso().Command37_Click();
    if (!f.Frame9->isHidden()) {
        intake.closeAdjustPanel();
        f.Text1->setFocus();
        return;
    }
    intake.setAdjustingRx(false);
    intake.placeAdjustPanel();
    f.engine().clearReceivedCopy();
    if (f.Option6->value() || f.Option7->value())
        f.text().Option1_Click();
    platform::doEvents();
    platform::setBackColor(f.Label24, kToolOffColor);
    if (!f.Frame7->isHidden())
        f.qso().Command36_Click();
    Command12_Click();
    f.Image13->setPicture(f.Picture1->Image());
    intake.startAdjusting(f.Picture1->Image());
}

void TxCanvas::pushTxPicture()
{
    platform::StepRunner steps(QStringLiteral("engine push"));
    steps.step(QStringLiteral("mmsDrawDIBbmp"), [&] { form_.engine().copyTxScreenToDib(); });
}

void TxCanvas::drawElement(int addend)
{
    interfaces::Form& f = form_;
    const double os = overlayScale;
    // Positions and sizes go to the rotation as whole pixels, halves to even.
    const int32_t centreX = platform::CLng(textX + os / 2);
    const int32_t centreY = platform::CLng(textY + os * 2 / 5);
    const int32_t width = platform::CLng(os);
    const int32_t height = platform::CLng(os * 4 / 5);
    const platform::gdi::Colour key = platform::gdi::getPixel(f.Picture3->hDC(), 1, 1);
    quint32 flags = quint32(rotateFlags_ + addend);
    // Smoothing plus the commit's 2 carries into 4: the commit stays as smooth as its preview.
    if (flags & SmoothCarry)
        flags |= platform::RotateSmooth;
    platform::rotatePicture(f.Picture1->hDC(), centreX, centreY, width, height, f.Picture3->hDC(), 0, 0,
                            overlayAngle, key, flags);
}

// The tab strip puts SET back to idle; what is drawn stays on the screen.
void TxCanvas::SSTab1_SetIdle(int, int, double, double) { markNothingPending(); }

bool TxCanvas::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == form_.SSTab1->tabBar() && event->type() == QEvent::MouseButtonPress) {
        const auto& e = static_cast<const QMouseEvent&>(*event);
        SSTab1_SetIdle(platform::vbButton(e.button()), platform::vbShift(e.modifiers()), e.position().x(),
                       e.position().y());
    }
    return false;
}

void TxCanvas::Label56_MouseDown(int, int, double, double)
{
    if (!form_.Option1->value())
        return;
    dragSource = dragFskIdText;
    platform::DragManager::instance().begin(form_.Label56);
}

void TxCanvas::Picture1_DragOver(QWidget*, double, double, int state)
{
    interfaces::Form& f = form_;
    // In the fill modes what is dragged over the TX screen shows the screen's own cursor:
    // a picture is the pattern, a swatch the fill colour.
    if (f.Option1->value()) {
        const QPixmap screenCursor = f.Picture1->MouseIcon();
        if (isOn(f.Label32))
            for (int code : {2, 3, 4, 5, 21, 22, 23})
                f.thumbnailFor(code)->setDragIcon(screenCursor);
        if (isOn(f.Label32))
            for (int slot = 1; slot <= interfaces::kBrowserSlots; ++slot)
                f.thumbnailFor(interfaces::browserSlotCode(slot))->setDragIcon(screenCursor);
        if (isOn(f.Label32) || isOn(f.Label38))
            for (int n = 1; n <= 12; ++n)
                platform::DragManager::setDragIcon(f.swatch(n), screenCursor);
    }
    const QPixmap textCursor = platform::dragIcon(platform::DragIcon::Text);
    if (dragSource == dragCallSign)
        platform::DragManager::setDragIcon(f.Text3, textCursor);
    if (dragSource == dragFskIdText)
        platform::DragManager::setDragIcon(f.Label56, textCursor);
    if (dragSource == dragTxPicture)
        f.Picture1->setDragIcon(platform::dragIcon(platform::DragIcon::Carry));
    // The TX picture over itself keeps the no-drop cursor it was just given.
    if (state == platform::vbEnter && dragSource != dragTxPicture)
        headerBoxDragged != 0 ? f.qso().headericonon() : f.strips().iconon();
    else if (state == platform::vbLeave)
        headerBoxDragged != 0 ? f.qso().headericonoff() : f.strips().iconoff();
}

// The drop decides what it means from dragSource, headerBoxDragged, the editing mode and
// the fill toggles, always in this order. Its first steps and the text drops end the drop
// when one fails (logged); from the header test on, a failing step is skipped.
void TxCanvas::Picture1_DragDrop(QWidget*, double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    bool ended = true;
    platform::StepRunner frame(QStringLiteral("Picture1_DragDrop"));
    frame.step(QStringLiteral("frame"), [&] {
        tx->setAutoRedraw(true);
        tx->Cls();
        tx->setAutoRedraw(false);
        resetDrawnExtent();
        auto& engine = f.engine();
        engine.targetWholeModePicture();
        if (dragSource == dragCallSign)
            textDrop(f.Text3, f.Text3->text(), x, y);
        else if (dragSource == dragFskIdText)
            textDrop(f.Label56, f.Label56->caption(), x, y);
        else
            ended = false;
    });
    if (ended)
        return;

    overlayAngle = 0;
    txMouseState = 0;
    platform::StepRunner steps(QStringLiteral("Picture1_DragDrop"));
    if (headerBoxDragged > 0) {
        headerDrop(y);
        return;
    }
    if (!makingHeader())
        steps.step(QStringLiteral("Image13"), [&] { f.Image13->setPicture(tx->Picture()); });
    steps.step(QStringLiteral("Command12_Click"), [&] { Command12_Click(); });
    steps.step(QStringLiteral("Command31"), [&] { platform::setBackColor(f.Command31, platform::vbWhite); });
    if (f.Option1->value() && isOn(f.Label38)) {
        colorFillDrop(x, y);
        return;
    }
    if (f.Option1->value() && isOn(f.Label32)) {
        patternFillDrop(x, y);
        return;
    }
    overlayScale = 240;
    if (f.makeheader->isChecked())
        overlayScale = 40;
    if (f.makeheader16->isChecked())
        overlayScale = 20;
    if (f.Option7->value() || f.Option6->value()) {
        overlayDrop(x, y);
        return;
    }
    wholePictureDrop(x, y);
}

// Painted whether header display is on or not; ShowHeaders paints the same header over
// later pictures only while it is.
void TxCanvas::headerDrop(double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("header drop"));
    const int box = headerBoxDragged;
    steps.step(QStringLiteral("Image13"), [&] { f.Image13->setPicture(tx->Image()); });
    steps.step(QStringLiteral("Command12_Click"), [&] { Command12_Click(); });
    tx->setAutoRedraw(true);
    steps.step(QStringLiteral("header"), [&] {
        const bool atTop = y < 200;
        const double rows = box <= 6 ? 64 : 32;
        f.qso().setHeaderNumber(atTop ? box : box + 9);
        if (platform::PictureBox* header = f.headerBox(box))
            tx->PaintPicture(header->Picture(), 0, atTop ? 0 : kTxHeight - rows, kTxWidth, rows);
    });
    tx->setAutoRedraw(false);
    steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); });
    pushTxPicture();
    steps.step(QStringLiteral("Image6"), [&] { f.Image6->setPicture(tx->Image()); });
    headerBoxDragged = 0;
}

// The colour under the drop point is replaced everywhere by the dropped picture,
// stretched over the screen, and committed at once. The drawing colour lends its place
// to the picked colour for the pass and gets it back on every road.
void TxCanvas::patternFillDrop(double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    auto& text = f.text();
    platform::StepRunner steps(QStringLiteral("Pattern Fill drop"));
    steps.step(QStringLiteral("Image13"), [&] { f.Image13->setPicture(tx->Image()); });
    textStyleRecord[1] = text.drawingColour();
    steps.step(QStringLiteral("pick"), [&] { text.setDrawingColour(platform::numberText(tx->Point(x, y))); });
    f.Label33->setCaption(QString());
    if (isOn(f.Command20) && isOn(f.Label17) && isBrowserSlot(dragSource)) {
        steps.step(QStringLiteral("loadpic_Click"), [&] { f.intake().loadpic_Click(); });
        steps.step(QStringLiteral("ShowHeaders"), [&] { f.qso().ShowHeaders(); });
        pushTxPicture();
        text.setDrawingColour(textStyleRecord[1]);
        return;
    }
    f.Picture2->setAutoRedraw(true);
    steps.step(QStringLiteral("pattern"), [&] {
        if (platform::ImageBox* source = f.thumbnailFor(dragSource))
            f.Picture2->PaintPicture(source->Picture(), 0, 0, kTxWidth, kTxHeight);
    });
    f.Picture2->setAutoRedraw(false);
    steps.step(QStringLiteral("patternfill"), [&] { patternfill(); });
    steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); });
    steps.step(QStringLiteral("ShowHeaders"), [&] { f.qso().ShowHeaders(); });
    pushTxPicture();
    steps.step(QStringLiteral("Image6"), [&] { f.Image6->setPicture(tx->Image()); });
    text.setDrawingColour(textStyleRecord[1]);
}

// The call sign or the received identification waits as a text element at the drop
// point; the engine keeps the committed picture, without the text, until SET.
void TxCanvas::textDrop(QWidget* source, const QString& text, double x, double y)
{
    interfaces::Form& f = form_;
    auto& tt = f.text();
    platform::DragManager::setDragIcon(source, platform::dragIcon(platform::DragIcon::Neutral));
    markElementPending();
    tt.setTextToDraw(text);
    placeTextAt(x, y);
    pushTxPicture();
}

// The area of the colour under the drop point takes the current drawing colour and is
// committed at once, whatever was dragged.
void TxCanvas::colorFillDrop(double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("Color Fill drop"));
    platform::gdi::Colour under = 0;
    steps.step(QStringLiteral("ScaleMode"), [&] { tx->setScaleMode(3); });
    steps.step(QStringLiteral("FillColor"), [&] {
        tx->setFillColor(drawingColour(f.text()));
        tx->setFillStyle(platform::gdi::vbFSSolid);
    });
    steps.step(QStringLiteral("Point"), [&] { under = platform::gdi::Colour(tx->Point(x, y)); });
    tx->setAutoRedraw(true);
    steps.step(QStringLiteral("ExtFloodFill"), [&] {
        platform::gdi::extFloodFill(tx->hDC(), platform::CLng(x), platform::CLng(y), under,
                                    platform::gdi::FLOODFILLSURFACE);
    });
    tx->setAutoRedraw(false);
    steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); });
    pushTxPicture();
    f.Text1->setFocus();
}

// A thumbnail dropped in Text or Draw mode becomes the TX picture: fitted, committed,
// re-headed and pushed to the engine, no SET needed. A browser thumbnail goes through
// the crop dialog instead while the browser is open with "With Crop" on. Any other drop
// re-commits the picture there is.
void TxCanvas::wholePictureDrop(double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("whole-picture drop"));
    auto atDropPoint = [&] {
        tx->setCurrentX(x);
        tx->setCurrentY(y);
        textX = float(x);
        textY = float(y);
    };
    atDropPoint();

    if (isOn(f.Command20) && isOn(f.Label17) && isBrowserSlot(dragSource)) {
        steps.step(QStringLiteral("loadpic_Click"), [&] { f.intake().loadpic_Click(); });
        steps.step(QStringLiteral("ShowHeaders"), [&] { f.qso().ShowHeaders(); });
        pushTxPicture();
        return;
    }
    if (isPictureSource(dragSource)) {
        steps.step(QStringLiteral("picturecorrectaspect"), [&] { f.intake().picturecorrectaspect(); });
        steps.step(QStringLiteral("focus"), [&] { f.Text1->setFocus(); });
        steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); });
        tx->setAutoRedraw(false);
        steps.step(QStringLiteral("Image6"), [&] { f.Image6->setPicture(tx->Image()); });
        steps.step(QStringLiteral("ShowHeaders"), [&] { f.qso().ShowHeaders(); });
        pushTxPicture();
        return;
    }
    atDropPoint();
    if (dragSource != dragTxPicture)
        markElementPending();
    tx->Cls();
    tx->setAutoRedraw(true);
    steps.step(QStringLiteral("redraw"), [&] { tx->PaintPicture(tx->Picture(), 0, 0, kTxWidth, kTxHeight); });
    steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); });
    tx->setAutoRedraw(false);
    tx->setVisible(true);
    steps.step(QStringLiteral("ShowHeaders"), [&] { f.qso().ShowHeaders(); });
    pushTxPicture();
    f.Text1->setFocus();
}

} // namespace canvas
