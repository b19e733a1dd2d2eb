// Picture files dropped from the desktop onto the TX screen. The first file of the drop is
// read through the intake's file buffer and, by the editing mode, becomes the pending
// overlay or picture-in-picture centred on the drop point, the quarter of a "4 pics in 1"
// picture under the drop point, or the whole TX picture fitted by the chosen fit label and
// sent to the engine's TX buffer at once.

#include "canvas/TxCanvas.h"

#include "interfaces/EngineRoom.h"
#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/QsoRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Picbuf.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QAction>

#include <exception>

namespace canvas {

namespace {
constexpr double kQuarterPreviewHeight = 128;
} // namespace

void TxCanvas::Picture1_OLEDragDrop(const QStringList& files, int, int, double x, double y)
{
    interfaces::Form& f = form_;
    if (files.isEmpty())
        return;
    // Any failure ends the drop where it is, without a message.
    try {
        auto& engine = f.engine();
        engine.targetWholeModePicture();
        // The file is read before the take-back copy is renewed: a file that cannot be
        // read leaves the picture and the copy of the last change as they were.
        platform::Picbuf& loader = f.intake().fileLoader();
        loader.setFilename(files.first());
        loader.load();
        const QImage picture = loader.picture();
        f.Image13->setPicture(f.Picture1->Image());

        const bool overlays = f.Option6->value();
        const bool picInPic = f.Option7->value();
        if ((overlays || picInPic) && f.Check19->value() != 1)
            desktopElementDrop(picture, x, y);
        else if (picInPic)
            desktopQuarterDrop(picture, x, y);
        else
            desktopPictureDrop(picture);
    } catch (const std::exception& e) {
        qInfo("Picture1_OLEDragDrop: %s", e.what());
    }
}

// The element waits for SET on the persistent layer, as a dropped thumbnail does; the
// committed picture and the engine's buffer stay without it. A shown header is left out:
// the picture under the element carries it already, and renewing it would bake the
// preview into the picture and replace the element's picture in Image6.
void TxCanvas::desktopElementDrop(const QImage& picture, double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    f.Image6->setPicture(picture);
    f.Picture2->setPicture(f.Image6->Picture());
    tx->Cls();
    overlayScale = 240;
    if (f.makeheader->isChecked())
        overlayScale = 40;
    if (f.makeheader16->isChecked())
        overlayScale = 20;
    markElementPending();
    f.Picture2->setCurrentX(x);
    f.Picture2->setCurrentY(y);
    textX = float(x - overlayScale / 2);
    textY = float(y - overlayScale / 2.5);
    tx->setAutoRedraw(true);
    if (f.Option7->value())
        tx->PaintPicture(f.Image6->Picture(), textX, textY, overlayScale, overlayScale * 4 / 5);
    else
        turntransparent();
    if (transparentOn_ == 1)
        tx->PaintPicture(f.Image6->Picture(), 0, 0, kTxWidth, kTxHeight);
    tx->setAutoRedraw(false);
    pushTxPicture();
}

// A small preview in the quarter's corner, committed at once; SET paints the quarter whole
// from Image6, which holds the dropped picture again after the header's renewal.
void TxCanvas::desktopQuarterDrop(const QImage& picture, double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    f.Image6->setPicture(picture);
    textX = x < 320 ? 0 : 320;
    textY = y < 256 ? 0 : 256;
    overlayScale = 160;
    if (f.makeheader->isChecked())
        overlayScale = 40;
    if (f.makeheader16->isChecked())
        overlayScale = 20;
    tx->setAutoRedraw(true);
    tx->PaintPicture(f.Image6->Picture(), textX, textY, overlayScale, kQuarterPreviewHeight);
    tx->setPicture(tx->Image());
    tx->setAutoRedraw(false);
    f.qso().ShowHeaders();
    pushTxPicture();
    f.Image6->setPicture(picture);
}

// The whole TX picture on black, placed by the fit label that is green; none green leaves
// it black. Sizes stay fractional: the paint rounds them.
void TxCanvas::desktopPictureDrop(const QImage& picture)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    tx->setAutoRedraw(true);
    tx->Line(0, 0, kTxWidth, kTxHeight, platform::vbBlack, platform::PictureBox::LineKind::FilledBox);
    bool overEmptied = false;
    const QRectF place = f.intake().txScreenFilePlace(picture.size(), overEmptied);
    if (overEmptied)
        tx->setPicture(QImage());
    if (place.width() != 0)
        tx->PaintPicture(picture, place.left(), place.top(), place.width(), place.height());
    tx->setPicture(tx->Image());
    tx->setAutoRedraw(false);
    f.qso().ShowHeaders();
    pushTxPicture();
    f.Image6->setPicture(tx->Image());
}

} // namespace canvas
