// The Things list Combo1: three shapes that are armed and wait for SET, whole-picture
// fills and the test card that are committed at once, and the globe, which wraps the TX
// picture onto a disc. Its focus handlers reset the shape tool.

#include "canvas/TxCanvas.h"

#include "interfaces/EngineRoom.h"
#include "interfaces/Form.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/drawing/Gdi.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QAction>

#include <vector>

namespace canvas {

namespace {

const QString kResting = QStringLiteral("  Things");
constexpr int kThingPen = 3;
using platform::kHourglass;
constexpr int kDefaultPointer = 0;
// The globe's background, -16770000 as the colour value: its colour bits are what the
// screen shows; the globe only relies on reading it back from the work buffer.
constexpr platform::gdi::Colour kGlobeBackground = platform::gdi::Colour(-16770000) & platform::gdi::kRgbMask;

// Whole-picture colours by item.
struct Fill {
    const char* item;
    platform::gdi::Colour colour;
};
constexpr Fill kFills[] = {
    {"Red", 0x0000FF}, {"White", 0xFFFFFF}, {"Black", 0x000000}, {"Green", 0x00FF00}, {"Blue", 0xFF0000},
};

} // namespace

void TxCanvas::Combo1_Click()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("Combo1_Click"));
    // Every thing is drawn in Draw mode; while a header is made nothing is drawn.
    if (!f.Option8->value())
        steps.step(QStringLiteral("Draw mode"), [&] { Option8_Click(); });
    if (f.makeheader->isChecked())
        return;
    auto& engine = f.engine();
    steps.step(QStringLiteral("dstRect"), [&] {
        engine.targetWholeModePicture();
    });
    if (!f.Frame9->isHidden())
        steps.step(QStringLiteral("adjust panel"), [&] { Command13_Click(); });
    f.VScroll4->hide();
    overlayAngle = 0;
    f.text().setTextToDraw({});
    tx->Cls();
    markNothingPending();
    f.Image13->setPicture(tx->Image());
    // A new shape starts at the centre; an armed one (SET's and the swatches' redraw)
    // stays where it is.
    if (dragSource != dragShapeTool) {
        textX = 160;
        textY = 128;
    }
    tx->setDrawWidth(kThingPen);

    const QString item = f.Combo1->text();
    if (item == QLatin1String("Globe")) {
        globe();
        return;
    }
    if (isShapeItem(item)) {
        if (item == QLatin1String("Ellipse"))
            f.VScroll4->show();
        tx->setFillStyle(platform::gdi::vbFSTransparent);
        textX += 160;
        textY += 128;
        steps.step(QStringLiteral("shape"), [&] { drawShape(textX, textY, true); });
        // Armed: the shape waits for SET; a press on the TX screen moves it.
        markElementPending();
        dragSource = dragShapeTool;
        f.Text1->setFocus();
        return;
    }
    wholePicturePass(item);
}

// Every other text, the resting one included, changes the whole picture (or nothing) and
// commits it.
void TxCanvas::wholePicturePass(const QString& item)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("Combo1_Click"));
    tx->setAutoRedraw(true);
    const auto wholeBox = [&](platform::gdi::Colour colour, platform::PictureBox::LineKind kind) {
        tx->Line(0, 0, kTxWidth, kTxHeight, colour, kind);
    };
    if (item == QLatin1String("X-Hatch")) {
        steps.step(QStringLiteral("X-Hatch"), [&] {
            tx->setFillStyle(platform::gdi::vbCross);
            wholeBox(platform::vbBlack, platform::PictureBox::LineKind::Box);
        });
    }
    for (const Fill& fill : kFills)
        if (item == QLatin1String(fill.item))
            steps.step(item, [&] { wholeBox(fill.colour, platform::PictureBox::LineKind::FilledBox); });
    if (item == QLatin1String("User Color")) {
        // A cancelled colour dialog skips the fill only: the picture is still committed.
        steps.step(item, [&] {
            platform::CommonDialog& dialog = *f.CommonDialog1;
            dialog.CancelError = true;
            try {
                dialog.ShowColor();
            } catch (const platform::DialogCancelled&) {
                return;
            }
            wholeBox(dialog.Color, platform::PictureBox::LineKind::FilledBox);
        });
    }
    if (item == QLatin1String("Test Patern"))
        steps.step(item, [&] { tx->PaintPicture(f.Image1->Picture(), 0, 0, kTxWidth, kTxHeight); });
    thingCommitTail();
}

void TxCanvas::thingCommitTail()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    tx->setPicture(tx->Image());
    f.Picture2->setPicture(tx->Image());
    tx->setAutoRedraw(false);
    pushTxPicture();
    f.Image14->setPicture(tx->Image());
    f.Image6->setPicture(tx->Image());
    f.setMousePointer(kDefaultPointer);
    f.Text1->setFocus();
}

// The TX picture wrapped onto a disc of radius 256 round the screen's centre: each row
// is squeezed into the disc's chord on that row, found by scanning the screen out from
// the centre to the disc's outline (or to a pixel of the key colour inside it).
void TxCanvas::globe()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::PictureBox* source = f.Picture2;
    platform::PictureBox* work = f.Picture3;
    platform::StepRunner steps(QStringLiteral("Globe"));
    f.Picture13->setPicture(tx->Image());
    f.setMousePointer(kHourglass);
    source->setAutoRedraw(true);
    work->setAutoRedraw(true);
    work->setBoxSize(688, 565);
    qint32 key = 0;
    steps.step(QStringLiteral("background"), [&] {
        work->Line(0, 0, kTxWidth, kTxHeight, kGlobeBackground, platform::PictureBox::LineKind::FilledBox);
        key = work->Point(0, 0);
    });
    source->setPicture(tx->Image());
    const double top = tx->ScaleHeight() / 2 - source->ScaleHeight() / 2;
    const double cx = tx->ScaleWidth() / 2;
    const double cy = tx->ScaleHeight() / 2;
    source->hide();
    tx->setDrawWidth(2);
    tx->setFillStyle(platform::gdi::vbFSTransparent);
    tx->Circle(cx, cy, source->ScaleHeight() / 2, platform::gdi::Colour(key));
    platform::doEvents();

    struct Chord {
        double left = 0, y = 0, width = 0;
    };
    std::vector<Chord> rows;
    const double width = tx->ScaleWidth();
    for (double y = top; y <= top + source->ScaleHeight(); ++y) {
        Chord row;
        double x = cx;
        while (tx->Point(x, y) != key && x > 0)
            --x;
        row.left = x;
        row.y = y;
        x = cx;
        while (tx->Point(x, y) != key && x < width)
            ++x;
        row.width = x - row.left;
        rows.push_back(row);
    }
    steps.step(QStringLiteral("squeeze"), [&] {
        const int sourceWidth = platform::CLng(source->ScaleWidth());
        for (int k = 0; k < int(rows.size()); ++k)
            platform::gdi::stretchBlt(work->hDC(), platform::CLng(rows[k].left), platform::CLng(rows[k].y),
                                      platform::CLng(rows[k].width), 2, source->hDC(), 0, k, sourceWidth, 2,
                                      platform::gdi::SRCCOPY);
    });
    platform::doEvents();
    source->setAutoRedraw(false);
    work->setAutoRedraw(false);
    tx->setPicture(work->Image());
    tx->setPicture(tx->Image());
    pushTxPicture();
    f.Image6->setPicture(tx->Image());
    f.Image14->setPicture(tx->Image());
    f.setMousePointer(kDefaultPointer);
    f.Text1->setFocus();
}

void TxCanvas::Combo1_Change() { dragSource = dragNone; }

// Each visit of the list starts the shape tool afresh: the resting text (which clears an
// armed shape), no preview, nothing pending, the default size and aspect at the centre.
void TxCanvas::Combo1_GotFocus()
{
    interfaces::Form& f = form_;
    f.Combo1->setText(kResting);
    f.VScroll4->hide();
    f.Picture1->Cls();
    markNothingPending();
    shapeSize_ = 200;
    shapeAspect_ = 0.5;
    shapeScrollLast = 9;
    f.VScroll4->setValue(9);
    textX = 320;
    textY = 256;
}

// The ellipse's aspect grows or shrinks by a tenth once per change, however far the bar
// moved; the box's height follows the bar's value. Only those two are drawn again, at the
// armed shape's place.
void TxCanvas::VScroll4_Change()
{
    interfaces::Form& f = form_;
    const int value = f.VScroll4->value();
    f.Picture1->Cls();
    if (value > shapeScrollLast)
        shapeAspect_ = shapeAspect_ * 10 / 9;
    if (value < shapeScrollLast)
        shapeAspect_ = shapeAspect_ * 9 / 10;
    const QString shape = f.Combo1->text();
    if (shape == QLatin1String("Ellipse") || shape == QLatin1String("Box"))
        drawShape(textX, textY, false);
    shapeScrollLast = value;
}

// An armed shape keeps its name in the box; anything else goes back to the resting text.
void TxCanvas::Combo1_LostFocus()
{
    if (!isShapeItem(form_.Combo1->text()))
        form_.Combo1->setText(kResting);
}

} // namespace canvas
