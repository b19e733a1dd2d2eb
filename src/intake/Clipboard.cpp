// Pictures through the system clipboard: "Copy TX Image" and "Copy RX Image" put the TX
// or the received picture on it, "Paste" brings its picture onto the TX screen (the whole
// picture, or the pending overlay or picture-in-picture element), and "RX>TX" chains
// Copy RX Image and Paste.

#include "intake/Intake.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/DragSource.h"
#include "interfaces/EngineRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/ShellRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Engine.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QClipboard>
#include <QGuiApplication>

namespace intake {

namespace {

using interfaces::kTxHeight;
using interfaces::kTxWidth;
// The picture-in-picture element is centred on the middle of the TX screen's top-left
// quarter.
constexpr double kQuarterCentreX = 160;
constexpr double kQuarterCentreY = 128;

QClipboard* clipboard()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

} // namespace

// The committed TX picture: an element waiting for SET is dropped from the screen first.
void Intake::copye_Click()
{
    interfaces::Form& f = form_;
    platform::PictureBox& tx = *f.Picture1;
    platform::StepRunner steps(QStringLiteral("copye_Click"));
    f.canvas().markNothingPending();
    tx.setAutoRedraw(true);
    QClipboard* board = clipboard();
    steps.step(QStringLiteral("clear"), [&] {
        if (board)
            board->clear();
    });
    tx.Cls();
    steps.step(QStringLiteral("put"), [&] {
        if (board)
            board->setImage(tx.Image());
    });
    tx.setAutoRedraw(false);
    f.Text1->setFocus();
}

// The mode's area of the received picture, stretched to 640 x 512, put on the clipboard by
// the engine through a buffer of its own that is freed again.
void Intake::copyrx_Click()
{
    interfaces::Form& f = form_;
    auto& e = f.engine();
    const platform::Engine& engine = e.binding();
    platform::StepRunner steps(QStringLiteral("copyrx_Click"));
    const int32_t dst[4] = {0, 0, int32_t(kTxWidth), int32_t(kTxHeight)};
    const QSize mode = e.modePictureSize();
    const int32_t src[4] = {0, 0, mode.width(), mode.height()};
    int32_t dib = 0;
    steps.step(QStringLiteral("mmsCreateDIB"), [&] { dib = engine.mmsCreateDIB(int32_t(kTxWidth), int32_t(kTxHeight)); });
    steps.step(QStringLiteral("mmsDrawDIBbmp"),
               [&] { engine.mmsDrawDIBbmp(dib, dst, VRR_DIB_AS_BITMAP(e.receivedPictureDib()), src, 4); });
    steps.step(QStringLiteral("mmsCopyDIB"), [&] { engine.mmsCopyDIB(dib); });
    if (dib != 0)
        steps.step(QStringLiteral("mmsDeleteDIB"), [&] { engine.mmsDeleteDIB(dib); });
}

// The clipboard is asked first: without a picture on it nothing changes, the overlay
// buffer included.
void Intake::Command22_Click()
{
    interfaces::Form& f = form_;
    auto& canvas = f.canvas();
    platform::PictureBox& tx = *f.Picture1;
    QImage pasted;
    if (QClipboard* board = clipboard())
        pasted = board->image();
    if (pasted.isNull()) {
        f.ui().msgBox(QStringLiteral("Nothing in Clipboard."), platform::vbOKOnly);
        f.Text1->setFocus();
        return;
    }
    platform::StepRunner steps(QStringLiteral("Command22_Click"));
    f.Text1->setFocus();
    canvas.setElementAngle(0);
    canvas.keepTakeBackCopy();

    if (f.Option7->value() || f.Option6->value()) {
        // The pending element: drawn on the persistent layer, as a thumbnail dropped in
        // these modes is, so that SET commits it and Undo wipes it.
        const double s = canvas.overlayWidth();
        canvas.setDragSource(interfaces::dragNone);
        tx.setAutoRedraw(true);
        tx.Cls();
        platform::PictureBox& overlay = *f.Picture2;
        overlay.setAutoRedraw(true);
        canvas.setCleanPicture(pasted); // the element's own picture while it is pending
        steps.step(QStringLiteral("overlay source"), [&] {
            overlay.PaintPicture(pasted, 0, 0, kTxWidth, kTxHeight);
            overlay.setPicture(overlay.Image());
        });
        overlay.setAutoRedraw(false);
        // The element at its size in the work buffer, which the element's rotated draws
        // read from its top-left corner.
        steps.step(QStringLiteral("work buffer"), [&] {
            const int w = platform::CLng(s), h = platform::CLng(s * 4 / 5);
            putWorkPicture(pasted.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        });
        canvas.markElementPending();
        if (f.Option7->value()) {
            steps.step(QStringLiteral("picture in picture"), [&] {
                tx.PaintPicture(pasted, kQuarterCentreX - s / 2, kQuarterCentreY - s * 2 / 5, s,
                                s * 4 / 5);
            });
        } else {
            steps.step(QStringLiteral("turntransparent"), [&] { canvas.turntransparent(); });
        }
        tx.setAutoRedraw(false);
        canvas.setElementX(float(kQuarterCentreX - s / 2));
        canvas.setElementY(float(kQuarterCentreY - s * 2 / 5));
        return;
    }

    // The whole picture, stretched over the TX screen whatever its shape.
    tx.setUpdatesEnabled(false);
    tx.Cls();
    steps.step(QStringLiteral("picture"), [&] { canvas.setTxPicture(pasted); });
    tx.setAutoRedraw(true);
    steps.step(QStringLiteral("stretch"), [&] {
        tx.PaintPicture(tx.Picture(), 0, 0, kTxWidth, kTxHeight);
        canvas.commitTxScreen();
    });
    tx.setAutoRedraw(false);
    tx.setUpdatesEnabled(true);
    canvas.markNothingPending();
    canvas.keepScreenAsClean();
    f.shell().showTab(interfaces::ShellRoom::Tab::Tx);
}

// "RX>TX": the received picture through the clipboard onto the TX screen.
void Intake::Command51_Click()
{
    copyrx_Click();
    Command22_Click();
    form_.shell().showTab(interfaces::ShellRoom::Tab::Tx);
}

} // namespace intake
