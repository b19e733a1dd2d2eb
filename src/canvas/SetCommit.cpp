// SET and "OOPS!!". SET commits what waits on the TX screen: the road is chosen by the
// editing mode, the sub-options of Pic in Pic and dragSource, tested in a fixed order,
// and each road writes its own set of the TX picture's holders. The take-back swaps the
// TX picture with the copy taken before the last change.

#include "canvas/OverlayRender.h"
#include "canvas/TxCanvas.h"

#include "engine/EngineControl.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/LineControl.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "strips/DragIcons.h"
#include "text/TextTools.h"

#include <QAction>

#include <algorithm>

namespace canvas {

namespace {

constexpr double kQuarterWidth = 320;
constexpr double kQuarterHeight = 256;
// The committed text moves this far off the canvas, so a later press starts anew.
constexpr float kOffCanvas = 1000;
// Each committed text is 1 to this many steps lighter per colour component.
constexpr int kColourVariation = 17;
constexpr quint32 kTakenBack = 0;    // OOPS!! after a take-back: a second press brings it back
constexpr quint32 kCanTakeBack = platform::vbWhite;

const QString kNormalText = QStringLiteral("Normal Text");
const QString kGraduatedText = QStringLiteral("Graduated Text");
const QString kResting = QStringLiteral("  Things");

} // namespace

bool TxCanvas::makingHeader() const { return form_.makeheader->isChecked() || form_.makeheader16->isChecked(); }

// With Follow Mouse the element is stamped onto the picture by the pointer; the press
// keeps that picture, and the element's own picture is let go.
void TxCanvas::Command47_MouseDown(int, int, double, double)
{
    shell::FormMain& f = form_;
    if (f.Check18->value() == 1 && f.Option7->value()) {
        f.Picture2->setPicture(f.Picture1->Image());
        f.Image6->setPicture(QImage());
    }
}

void TxCanvas::overlayIntoPicture2()
{
    shell::FormMain& f = form_;
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
    shell::FormMain& f = form_;
    platform::PictureBox* tx = f.Picture1;
    overlayIntoPicture2();
    int32_t rect[4] = {0, 0, platform::CLng(tx->ScaleWidth()), platform::CLng(tx->ScaleHeight())};
    platform::gdi::Colour key = platform::gdi::Colour(f.Picture2->Point(kTxWidth / 2, kTxHeight / 2));
    transparentblit(tx->hDC(), tx->hDC(), f.Picture2->hDC(), rect, 0, 0, key);
    f.Picture2->setAutoRedraw(false);
}

void TxCanvas::endingE()
{
    if (isOn(form_.Label31))
        form_.VScroll3->show();
}

void TxCanvas::Command47_Click()
{
    shell::FormMain& f = form_;
    platform::PictureBox* tx = f.Picture1;
    auto& text = f.text();
    platform::StepRunner steps(QStringLiteral("Command47_Click"));
    auto commit = [&] { steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); }); };
    auto focusText = [&] { f.Text1->setFocus(); };

    // "4 pics in 1": the quarter is painted for good; the drop pushes it to the engine.
    if (f.Image6->hasPicture() && f.Check19->value() == 1) {
        tx->setAutoRedraw(true);
        steps.step(QStringLiteral("quarter"), [&] {
            tx->PaintPicture(f.Image6->Picture(), textX, textY, kQuarterWidth, kQuarterHeight);
        });
        commit();
        tx->setAutoRedraw(false);
        setIdle();
        return;
    }
    // Overlays, Pic in Pic and Draw without sub-options: what the persistent layer holds
    // is committed; a see-through frame overlay is laid over it first. The TX button
    // brings the committed picture to the engine before it sends.
    if (!f.Option1->value() && f.Check19->value() == 0 && f.Check18->value() == 0 && dragSource != dragShapeTool) {
        tx->setAutoRedraw(true);
        if (f.Option6->value() && transparentOn == 1) {
            transparentOn = 0;
            steps.step(QStringLiteral("see-through overlay"), [&] { blitSeeThroughOverlay(); });
        }
        commit();
        tx->setAutoRedraw(false);
        setIdle();
        return;
    }
    if (f.Option7->value())
        steps.step(QStringLiteral("rotated draw"), [&] { drawElement(2); });
    if (f.Option6->value())
        steps.step(QStringLiteral("rotated draw"), [&] { drawElement(3); });
    if (f.Option7->value() && f.Check18->value() == 1) {
        commit();
        setIdle();
        focusText();
        return;
    }
    if (!isOn(f.Command47))
        return;

    repeatAction = 0;
    const bool sending = isOn(f.Command3);
    if (sending) {
        f.Line2->hide();
        f.Line1->hide();
    }
    auto& engine = f.engine();
    steps.step(QStringLiteral("dstRect"), [&] {
        engine.dstRect[0] = 0;
        engine.dstRect[1] = 0;
        engine.dstRect[2] = platform::CLng(engine.modeWidth);
        engine.dstRect[3] = platform::CLng(engine.modeHeight);
    });
    if (isOn(f.Label31))
        f.VScroll3->hide();
    if (dragSource != dragShapeTool)
        resetDrawnExtent();

    // An armed shape: the shape drawer draws it for good where its preview stood (it
    // adds back the 160 and 128 that a new shape would start from).
    if (dragSource == dragShapeTool) {
        tx->setAutoRedraw(true);
        textX -= 160;
        textY -= 128;
        steps.step(QStringLiteral("Combo1_Click"), [&] { Combo1_Click(); });
        dragSource = dragNone;
        commit();
        tx->setAutoRedraw(false);
        setIdle();
        f.Combo1->setText(kResting);
        f.VScroll4->hide();
        pushTxPicture();
        focusText();
        endingE();
        return;
    }
    if (dragSource == dragCallSign || dragSource == dragFskIdText) {
        dragSource = dragTxPicture;
        const QPixmap neutral = strips::dragIcon(strips::DragIcon::Neutral);
        platform::DragManager::setDragIcon(f.Text3, neutral);
        platform::DragManager::setDragIcon(f.Label56, neutral);
    }
    if (f.Option6->value() && f.Check19->value() == 0) {
        if (transparentOn == 0) {
            tx->setAutoRedraw(true);
            steps.step(QStringLiteral("turntransparent"), [&] { turntransparent(); });
            commit();
            tx->setAutoRedraw(false);
            setIdle();
            pushTxPicture();
            endingE();
            return;
        }
        transparentOn = 0;
        tx->setAutoRedraw(true);
        steps.step(QStringLiteral("see-through overlay"), [&] { blitSeeThroughOverlay(); });
        tx->setAutoRedraw(false);
        commit();
        setIdle();
        pushTxPicture();
        focusText();
        endingE();
        return;
    }
    if (f.Option8->value()) {
        setIdle();
        commit();
        pushTxPicture();
        focusText();
        if (platform::backColor(f.Command31) == kCanTakeBack && !makingHeader())
            f.Image14->setPicture(tx->Image());
        f.Image13->setPicture(tx->Picture());
        endingE();
        return;
    }
    if (f.Option7->value()) {
        tx->setAutoRedraw(true);
        if (text.textEditState == 100 && overlayAngle == 0) {
            text.textEditState = 0;
            overlayScale += overlayScale / 20;
        }
        tx->setAutoRedraw(false);
        focusText();
        if (!makingHeader()) {
            if (platform::backColor(f.Command31) == kCanTakeBack)
                f.Image14->setPicture(tx->Image());
            else
                f.Image13->setPicture(tx->Image());
            commit();
        }
        setIdle();
        pushTxPicture();
        endingE();
        return;
    }

    // The text element.
    if (f.Combo3->text() == kGraduatedText && text.textAngle != 0) {
        f.ui().msgBox(QStringLiteral("Does not work correctly with rotated texts. Will exit without change."),
                      platform::vbOKOnly);
        focusText();
        endingE();
        return;
    }
    // Each committed text is a little lighter than the chosen colour, which stays chosen.
    const quint32 chosen = tx->ForeColor() & platform::gdi::kRgbMask;
    const QString savedColour = text.fontRecord[7];
    auto lighter = [&](quint32 component) {
        const int r = 1 + int(platform::Int(random.next() * kColourVariation));
        return std::min(255, int(component) + r);
    };
    const int red = lighter(chosen & 0xFF);
    const int green = lighter((chosen >> 8) & 0xFF);
    const int blue = lighter((chosen >> 16) & 0xFF);
    const quint32 varied = platform::rgb(red, green, blue);
    tx->setForeColor(varied);
    text.fontRecord[7] = platform::numberText(varied);

    tx->setAutoRedraw(true);
    tx->setCurrentX(textX);
    tx->setCurrentY(textY);
    if (f.Combo3->text() == kNormalText) {
        steps.step(QStringLiteral("drawText"), [&] { text.drawText(); });
        steps.step(QStringLiteral("Check17_Click"), [&] { text.Check17_Click(); });
        steps.step(QStringLiteral("Check15_Click"), [&] { text.Check15_Click(); });
    } else {
        steps.step(QStringLiteral("drawStyledText"), [&] { text.drawStyledText(); });
    }
    tx->setAutoRedraw(false);
    setIdle();
    textX += kOffCanvas;
    textY += kOffCanvas;
    commit();
    f.Image6->setPicture(tx->Image());
    if (!makingHeader()) {
        if (platform::backColor(f.Command31) == kCanTakeBack)
            f.Image14->setPicture(tx->Image());
        f.Image13->setPicture(tx->Picture());
    }
    text.textToDraw = f.Text1->text();
    text.textAngle = 0;
    steps.step(QStringLiteral("colour back"), [&] {
        tx->setForeColor(platform::gdi::Colour(platform::CLng(platform::Val(savedColour))));
    });
    text.fontRecord[7] = savedColour;
    if (isOn(f.Label31))
        f.VScroll3->show();
    pushTxPicture();
    if (sending) {
        f.Line2->show();
        f.Line1->show();
    }
    f.Timer2->setEnabled(false);
    text.selectedText.clear();
}

// Refused while Pattern Fill is on (the picture from before the fill comes back instead),
// while a header is made and while the adjust panel is open. Otherwise it ends the
// current tool and swaps: white takes the last change back, black brings it back. An
// error inside is logged and ends the call.
void TxCanvas::Command31_Click()
{
    shell::FormMain& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner guard(QStringLiteral("Command31_Click"));
    guard.step(QStringLiteral("take-back"), [&] {
        f.text().selectedText.clear();
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
        repeatAction = 0;
        f.Timer2->setEnabled(false);
        overlayAngle = 0;
        tx->Cls();
        if (dragSource == dragCallSign || dragSource == dragFskIdText) {
            dragSource = dragTxPicture;
            const QPixmap neutral = strips::dragIcon(strips::DragIcon::Neutral);
            platform::DragManager::setDragIcon(f.Text3, neutral);
            platform::DragManager::setDragIcon(f.Label56, neutral);
        }
        setIdle();
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
