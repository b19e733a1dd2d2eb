// The picture-adjust panel Frame9 as far as it opens, accepts and closes: over the
// received picture (toggleAdjustPanel) or the TX picture (the canvas's Command13_Click).
// Nothing outside its three buffers changes until Accept; the adjust tools themselves
// (filters, levels, restore) work on those buffers.

#include "intake/Intake.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "platform/runtime/StepRunner.h"
#include "platform/services/Picbuf.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"
#include "strips/Strips.h"
#include "text/TextTools.h"

#include <QTabWidget>

#include <algorithm>
#include <climits>

namespace intake {

namespace {

// The display settings the shown buffer gets at each opening.
constexpr int kDisplayMode = 2;
constexpr int kDisplayOption = 5;
// sharedCounter while the panel is open; it clears a pending fill-colour pick or stamp.
constexpr int kAdjusting = 255;

} // namespace

// The panel lies just under the screens, towards their left; the shown buffer covers the
// screen whose picture it holds.
void Intake::placeAdjustPanel()
{
    shell::FormMain& f = form_;
    QWidget* container = f.Frame9->parentWidget();
    const QRect tabs(f.SSTab1->mapTo(container, QPoint(0, 0)), f.SSTab1->size());
    f.Frame9->adjustSize();
    f.Frame9->move(tabs.left() + 148, tabs.bottom() + 4);
    f.Frame9->raise();
    platform::PictureBox* screen = adjustOnRx == 1 ? f.Picture18 : f.Picture1;
    QWidget* shown = f.PicbufVisible;
    shown->setGeometry(QRect(screen->mapTo(shown->parentWidget(), QPoint(0, 0)), screen->size()));
    shown->raise();
}

void Intake::startAdjusting(const QImage& picture)
{
    shell::FormMain& f = form_;
    for (platform::Picbuf* buffer : {f.PicbufEdit, f.PicbufOriginal, f.PicbufVisible})
        buffer->setPicture(picture);
    contrastLevel = 0.5;
    brightnessLevel = 0.5;
    gammaLevel = 5.0;
    f.text().sharedCounter = kAdjusting;
    f.PicbufVisible->setDisplayMode(kDisplayMode);
    f.PicbufVisible->setDisplayOption(kDisplayOption);
    f.PicbufVisible->show();
    f.Frame9->show();
    f.Text1->setFocus();
}

// The TX picture's undo copy is left as it is: the received picture's adjustment never
// changes the TX picture, so there is nothing to take back.
void Intake::toggleAdjustPanel()
{
    shell::FormMain& f = form_;
    if (!f.Frame9->isHidden()) {
        f.Frame9->hide();
        f.PicbufVisible->hide();
        adjustOnRx = 0;
        f.Text1->setFocus();
        return;
    }
    adjustOnRx = 1;
    placeAdjustPanel();
    platform::PictureBox* received = f.Picture19;
    received->Cls();
    auto& engine = f.engine();
    engine.srcRect[0] = 0;
    engine.srcRect[1] = 0;
    engine.srcRect[2] = engine.modeWidth;
    engine.srcRect[3] = engine.modeHeight;
    engine.dstRect[0] = 0;
    engine.dstRect[1] = 0;
    engine.dstRect[2] = 640;
    engine.dstRect[3] = 512;
    platform::StepRunner steps(QStringLiteral("toggleAdjustPanel"));
    steps.step(QStringLiteral("received picture"),
               [&] { engine.drawIntoBox(received, engine.dstRect, engine.rxDib, engine.srcRect); });
    startAdjusting(received->Image());
}

void Intake::Command38_Click()
{
    shell::FormMain& f = form_;
    auto& canvas = f.canvas();
    platform::StepRunner steps(QStringLiteral("Command38_Click"));
    const QImage adjusted = f.PicbufVisible->picture();
    if (adjustOnRx == 0) {
        // The TX picture: the engine takes it at the next commit or before a transmission.
        platform::PictureBox* tx = f.Picture1;
        steps.step(QStringLiteral("TX picture"), [&] {
            tx->setPicture(adjusted);
            tx->setPicture(tx->Image());
        });
        f.Image6->setPicture(tx->Image());
    } else {
        // The received picture joins the recent row and, with "A-Save", the auto-save
        // folder the operator chose, in its own dated file.
        f.strips().shiftRecentRow(adjusted);
        if (f.Check8->value() == 1) {
            auto& engine = f.engine();
            steps.step(QStringLiteral("auto-save"), [&] {
                const double limit = engine.autoSaveLimit.toDouble();
                engine.archivePicture(adjusted, engine.autoSaveDir, int(std::min(limit, double(INT_MAX))), 1);
            });
        }
        adjustOnRx = 0;
    }
    f.PicbufVisible->hide();
    f.Frame9->hide();
    canvas.txMouseState = 0;
    canvas.overlayAngle = 0;
    f.text().sharedCounter = 0;
    steps.step(QStringLiteral("File2"), [&] { f.File2->Refresh(); });
    f.Text1->setFocus();
}

// Cancel drops the result: nothing outside the buffers was changed.
void Intake::Command27_Click()
{
    shell::FormMain& f = form_;
    adjustOnRx = 0;
    f.PicbufVisible->hide();
    f.Frame9->hide();
    auto& canvas = f.canvas();
    canvas.txMouseState = 0;
    canvas.overlayAngle = 0;
    f.text().sharedCounter = 0;
}

} // namespace intake
