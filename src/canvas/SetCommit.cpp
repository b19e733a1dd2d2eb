// SET and "OOPS!!". SET commits what waits on the TX screen: the road is chosen by the
// editing mode, the sub-options of Pic in Pic and dragSource, tested in a fixed order,
// and each road writes its own set of the TX picture's holders. The take-back swaps the
// TX picture with the copy taken before the last change.

#include "canvas/TxCanvas.h"

#include "interfaces/EngineRoom.h"
#include "interfaces/Form.h"
#include "interfaces/QsoRoom.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/drawing/MaskedCopy.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragIcons.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/LineControl.h"
#include "platform/widgets/PictureBox.h"

#include <QAction>

#include <algorithm>

namespace canvas {

namespace {

constexpr double kQuarterWidth = kTxWidth / 2;
constexpr double kQuarterHeight = kTxHeight / 2;
// The committed text moves this far off the canvas, so a later press starts anew.
constexpr float kOffCanvas = 1000;
constexpr quint32 kTakenBack = 0;    // OOPS!! after a take-back: a second press brings it back
constexpr quint32 kCanTakeBack = platform::vbWhite;

const QString kNormalText = QStringLiteral("Normal Text");
const QString kGraduatedText = QStringLiteral("Graduated Text");
const QString kResting = QStringLiteral("  Things");

} // namespace

bool TxCanvas::makingHeader() const { return form_.qso().makingHeader(); }

// With Follow Mouse the element is stamped onto the picture by the pointer; the press
// keeps that picture, and the element's own picture is let go.
void TxCanvas::Command47_MouseDown(int, int, double, double)
{
    interfaces::Form& f = form_;
    if (f.Check18->value() == 1 && f.Option7->value()) {
        f.Picture2->setPicture(f.Picture1->Image());
        f.Image6->setPicture(QImage());
    }
}

void TxCanvas::overlayIntoPicture2()
{
    interfaces::Form& f = form_;
    platform::PictureBox* work = f.Picture2;
    work->setAutoRedraw(true);
    if (!f.Image6->hasPicture()) {
        work->setPicture(QImage());
        return;
    }
    work->Cls();
    work->PaintPicture(f.Image6->Picture(), 0, 0, kTxWidth, kTxHeight);
    work->setPicture(work->Image());
}

// The overlay is stretched over the whole screen before its centre colour is read: the
// flat-middle test looked at it that way, and the copy covers the screen whatever the
// overlay's own size.
void TxCanvas::blitSeeThroughOverlay()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    overlayIntoPicture2();
    int32_t rect[4] = {0, 0, platform::CLng(tx->ScaleWidth()), platform::CLng(tx->ScaleHeight())};
    platform::gdi::Colour key = platform::gdi::Colour(f.Picture2->Point(kTxWidth / 2, kTxHeight / 2));
    platform::transparentblit(tx->hDC(), tx->hDC(), f.Picture2->hDC(), rect, 0, 0, key);
    f.Picture2->setAutoRedraw(false);
}

void TxCanvas::endingE()
{
    form_.text().showVerticalSizeBar(true);
}

void TxCanvas::endTextDrag()
{
    if (dragSource != dragCallSign && dragSource != dragFskIdText)
        return;
    dragSource = dragTxPicture;
    const QPixmap neutral = platform::dragIcon(platform::DragIcon::Neutral);
    platform::DragManager::setDragIcon(form_.Text3, neutral);
    platform::DragManager::setDragIcon(form_.Label56, neutral);
}

// The end every road of SET shares: the screen's picture is committed and SET goes idle.
void TxCanvas::commitScreen(platform::StepRunner& steps)
{
    platform::PictureBox* tx = form_.Picture1;
    steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); });
    markNothingPending();
}

// What `draw` adds is drawn into the persistent layer first.
void TxCanvas::commitDrawn(platform::StepRunner& steps, const std::function<void()>& draw)
{
    platform::PictureBox* tx = form_.Picture1;
    tx->setAutoRedraw(true);
    draw();
    tx->setAutoRedraw(false);
    commitScreen(steps);
}

// After an element is committed: the engine gets the picture, the text box the focus on
// the roads that give it, and the vertical text's scroll bar comes back.
void TxCanvas::elementCommitted(bool focusText)
{
    pushTxPicture();
    if (focusText)
        form_.Text1->setFocus();
    endingE();
}

// SET: the road is chosen by the sub-options, the armed shape and the editing mode, in
// this order; each road ends in the commit they share.
void TxCanvas::Command47_Click()
{
    interfaces::Form& f = form_;
    platform::StepRunner steps(QStringLiteral("Command47_Click"));
    if (commitWithoutElement(steps) || !isOn(f.Command47))
        return;

    repeatAction_ = 0;
    const bool sending = isOn(f.Command3);
    auto& engine = f.engine();
    if (sending)
        engine.showTxProgressMarkers(false);
    steps.step(QStringLiteral("dstRect"), [&] {
        engine.targetWholeModePicture();
    });
    f.text().showVerticalSizeBar(false);
    if (dragSource != dragShapeTool)
        resetDrawnExtent();

    if (dragSource == dragShapeTool) {
        commitShape(steps);
        return;
    }
    endTextDrag();
    if (f.Option6->value() && f.Check19->value() == 0)
        commitOverlay(steps);
    else if (f.Option8->value())
        commitDrawing(steps);
    else if (f.Option7->value())
        commitPicInPic(steps);
    else
        commitText(steps, sending);
}

// The roads that commit what the persistent layer holds, with no element waiting for
// SET: "4 pics in 1", the modes without sub-options and Follow Mouse. The rotated
// element is drawn on the way to the last of them. True when one of them was taken.
bool TxCanvas::commitWithoutElement(platform::StepRunner& steps)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    // "4 pics in 1": the quarter is painted for good; the drop pushes it to the engine.
    if (f.Image6->hasPicture() && f.Check19->value() == 1) {
        commitDrawn(steps, [&] {
            steps.step(QStringLiteral("quarter"), [&] {
                tx->PaintPicture(f.Image6->Picture(), textX, textY, kQuarterWidth, kQuarterHeight);
            });
        });
        return true;
    }
    // Overlays, Pic in Pic and Draw without sub-options: what the persistent layer holds
    // is committed; a see-through frame overlay is laid over it first. The TX button
    // brings the committed picture to the engine before it sends.
    if (!f.Option1->value() && f.Check19->value() == 0 && f.Check18->value() == 0 && dragSource != dragShapeTool) {
        commitDrawn(steps, [&] {
            if (f.Option6->value() && transparentOn_ == 1) {
                transparentOn_ = 0;
                steps.step(QStringLiteral("see-through overlay"), [&] { blitSeeThroughOverlay(); });
            }
        });
        return true;
    }
    if (f.Option7->value())
        steps.step(QStringLiteral("rotated draw"), [&] { drawElement(2); });
    if (f.Option6->value())
        steps.step(QStringLiteral("rotated draw"), [&] { drawElement(3); });
    if (f.Option7->value() && f.Check18->value() == 1) {
        commitScreen(steps);
        f.Text1->setFocus();
        return true;
    }
    return false;
}

// An armed shape: the shape drawer draws it for good where its preview stood (it adds
// back the 160 and 128 that a new shape would start from).
void TxCanvas::commitShape(platform::StepRunner& steps)
{
    interfaces::Form& f = form_;
    textX -= 160;
    textY -= 128;
    commitDrawn(steps, [&] {
        steps.step(QStringLiteral("Combo1_Click"), [&] { Combo1_Click(); });
        dragSource = dragNone;
    });
    f.Combo1->setText(kResting);
    f.VScroll4->hide();
    elementCommitted(true);
}

// Overlays: an opaque overlay is made see-through at its place; one already see-through
// is laid over the picture with its centre colour left out.
void TxCanvas::commitOverlay(platform::StepRunner& steps)
{
    if (transparentOn_ == 0) {
        commitDrawn(steps, [&] { steps.step(QStringLiteral("turntransparent"), [&] { turntransparent(); }); });
        elementCommitted(false);
        return;
    }
    transparentOn_ = 0;
    commitDrawn(steps, [&] { steps.step(QStringLiteral("see-through overlay"), [&] { blitSeeThroughOverlay(); }); });
    elementCommitted(true);
}

// Draw: the drawing is committed and becomes the take-back copy.
void TxCanvas::commitDrawing(platform::StepRunner& steps)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    commitScreen(steps);
    if (platform::backColor(f.Command31) == kCanTakeBack && !makingHeader())
        f.Image14->setPicture(tx->Image());
    f.Image13->setPicture(tx->Picture());
    elementCommitted(true);
}

// Pic in Pic: a picture entered at full size grows by a twentieth; committed unless a
// header is being made.
void TxCanvas::commitPicInPic(platform::StepRunner& steps)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    auto& text = f.text();
    if (text.overlayStepped() && overlayAngle == 0) {
        text.clearEditState();
        overlayScale += overlayScale / 20;
    }
    tx->setAutoRedraw(false);
    if (makingHeader()) {
        markNothingPending();
    } else {
        if (platform::backColor(f.Command31) == kCanTakeBack)
            f.Image14->setPicture(tx->Image());
        else
            f.Image13->setPicture(tx->Image());
        commitScreen(steps);
    }
    elementCommitted(true);
}

// The text element, printed in a colour a little lighter than the chosen one, which stays
// chosen, then moved off the canvas so that a later press starts anew.
void TxCanvas::commitText(platform::StepRunner& steps, bool sending)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    auto& text = f.text();
    if (f.Combo3->text() == kGraduatedText && text.textRotation() != 0) {
        f.ui().msgBox(QStringLiteral("Does not work correctly with rotated texts. Will exit without change."),
                      platform::vbOKOnly);
        f.Text1->setFocus();
        endingE();
        return;
    }
    const QString savedColour = text.drawingColour();
    const quint32 varied = lighterColour(tx->ForeColor() & platform::gdi::kRgbMask);
    tx->setForeColor(varied);
    text.setDrawingColour(platform::numberText(varied));

    tx->setCurrentX(textX);
    tx->setCurrentY(textY);
    commitDrawn(steps, [&] {
        if (f.Combo3->text() == kNormalText) {
            steps.step(QStringLiteral("drawText"), [&] { text.drawText(); });
            steps.step(QStringLiteral("Check17_Click"), [&] { text.Check17_Click(); });
            steps.step(QStringLiteral("Check15_Click"), [&] { text.Check15_Click(); });
        } else {
            steps.step(QStringLiteral("drawStyledText"), [&] { text.drawStyledText(); });
        }
        textX += kOffCanvas;
        textY += kOffCanvas;
    });
    f.Image6->setPicture(tx->Image());
    if (!makingHeader()) {
        if (platform::backColor(f.Command31) == kCanTakeBack)
            f.Image14->setPicture(tx->Image());
        f.Image13->setPicture(tx->Picture());
    }
    text.setTextToDraw(f.Text1->text());
    text.setTextRotation(0);
    steps.step(QStringLiteral("colour back"), [&] {
        tx->setForeColor(platform::gdi::Colour(platform::CLng(platform::Val(savedColour))));
    });
    text.setDrawingColour(savedColour);
    text.showVerticalSizeBar(true);
    pushTxPicture();
    if (sending)
        f.engine().showTxProgressMarkers(true);
    f.Timer2->setEnabled(false);
    text.clearSelectedText();
}

// Each component 1 to 17 steps lighter, at most 255.
quint32 TxCanvas::lighterColour(quint32 chosen)
{
    auto lighter = [&](quint32 component) {
        return std::min(255, platform::lighterComponent(int(component), random_));
    };
    const int red = lighter(chosen & 0xFF);
    const int green = lighter((chosen >> 8) & 0xFF);
    const int blue = lighter((chosen >> 16) & 0xFF);
    return platform::rgb(red, green, blue);
}

// Refused while Pattern Fill is on (the picture from before the fill comes back instead),
// while a header is made and while the adjust panel is open. Otherwise it ends the
// current tool and swaps: white takes the last change back, black brings it back. An
// error inside is logged and ends the call.
void TxCanvas::Command31_Click()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner guard(QStringLiteral("Command31_Click"));
    guard.step(QStringLiteral("take-back"), [&] {
        f.text().clearSelectedText();
        if (isOn(f.Label32)) {
            tx->setPicture(f.Image14->Picture());
            f.Text1->setFocus();
            return;
        }
        if (makingHeader())
            return;
        if (!f.Frame9->isHidden()) {
            f.Text1->setFocus();
            return;
        }
        repeatAction_ = 0;
        f.Timer2->setEnabled(false);
        overlayAngle = 0;
        tx->Cls();
        endTextDrag();
        markNothingPending();
        platform::setBackColor(f.Label32, kToolOffColor);
        Command12_Click();
        const quint32 state = platform::backColor(f.Command31);
        QImage restored;
        if (state == kTakenBack) {
            platform::setBackColor(f.Command31, kCanTakeBack);
            restored = f.Image14->Picture();
        } else if (state == kCanTakeBack) {
            f.Image14->setPicture(tx->Picture());
            platform::setBackColor(f.Command31, kTakenBack);
            restored = f.Image13->Picture();
        } else {
            return;
        }
        tx->setPicture(restored);
        f.qso().ShowHeaders();
        f.Image6->setPicture(restored);
        f.Picture2->setPicture(f.Image6->Picture());
        f.Text1->setFocus();
    });
}

} // namespace canvas
