// The pixel passes over the TX screen: Pattern Fill, which gives every pixel of one colour
// the pattern's pixel (or the fill colour) at its place, and the blend, which commits the
// pending element and mixes it with the picture it was laid on. Each pass reads the layer
// reads come from once and writes the layers drawing goes to once, as single-pixel reads
// and writes would; no events run inside a pass.

#include "canvas/TxCanvas.h"

#include "interfaces/Form.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/drawing/Gdi.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace canvas {

namespace {

// While a header is made its band is filled only: the rows above it are the canvas's.
constexpr int kHeaderFirstRow = 220;
using platform::kHourglass;
constexpr double kBlendMargin = 0.3; // of the element's width, round its box: room for a turn

const QString kResourcesLow =
    QStringLiteral("Memory allocation error. Possible low on resources. May need reboot to clear.");

// The pixel of a 32-bit layer as a colour value (red in the low byte).
inline platform::gdi::Colour colourAt(const QImage& layer, int x, int y)
{
    return platform::gdi::fromRgb(reinterpret_cast<const QRgb*>(layer.constScanLine(y))[x]);
}

} // namespace

// Vertical text ends with a fill: the orientation back to horizontal. The text box keeps
// what the operator typed.
void TxCanvas::endVerticalText()
{
    if (isOn(form_.Label31))
        form_.text().horizontalText();
}

void TxCanvas::patternfill()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::PictureBox* pattern = f.Picture2;
    auto& text = f.text();
    tx->setDrawWidth(1);
    tx->setAutoRedraw(true);
    pattern->setAutoRedraw(true);
    f.Image13->setPicture(tx->Image());

    // The colour as the screen holds it: what a pixel set to it reads back.
    const qint32 kept = tx->Point(0, 0);
    tx->PSet(0, 0, drawingColour(text));
    text.setDrawingColour(platform::numberText(tx->Point(0, 0)));
    tx->PSet(0, 0, platform::gdi::Colour(kept));
    const auto target = drawingColour(text);

    const bool paintFillColour = text.fillColourPicked();
    const QImage before = tx->hDC()->surface();
    const QImage source = pattern->hDC()->surface();
    // Every row down to the last one and every column of the picture (no further).
    const int firstRow = makingHeader() ? kHeaderFirstRow : 0;
    const int lastRow = std::min(int(kTxHeight), before.height()) - 1;
    const int lastColumn = std::min(int(kTxWidth), before.width()) - 1;
    struct Change {
        int x, y;
        QRgb to;
    };
    std::vector<Change> changes;
    for (int y = firstRow; y <= lastRow; ++y) {
        for (int x = 0; x <= lastColumn; ++x) {
            if (colourAt(before, x, y) != target)
                continue;
            if (paintFillColour)
                changes.push_back({x, y, platform::gdi::toRgb(fillColour_)});
            else if (source.rect().contains(x, y))
                changes.push_back({x, y, reinterpret_cast<const QRgb*>(source.constScanLine(y))[x] | 0xFF000000u});
        }
    }
    if (!changes.empty()) {
        const QRect area(0, firstRow, lastColumn + 1, lastRow - firstRow + 1);
        tx->hDC()->paint(area, [&](QImage& layer) {
            for (const Change& c : changes)
                if (layer.rect().contains(c.x, c.y))
                    reinterpret_cast<QRgb*>(layer.scanLine(c.y))[c.x] = c.to;
        });
    }

    tx->setAutoRedraw(false);
    pattern->setAutoRedraw(false);
    endVerticalText();
    f.Image14->setPicture(tx->Image());
    platform::setBackColor(f.Label32, kToolOffColor);
    text.clearSharedCounter();
    tx->setMousePointer(0);
}

quint32 TxCanvas::blendcolor(quint32 colourA, quint32 colourB) const
{
    const auto mix = [&](int shift) {
        const int a = int((colourA >> shift) & 0xFF);
        const int b = int((colourB >> shift) & 0xFF);
        return (a * blendPercent_ + b * blendRest_) / 100;
    };
    return platform::rgb(mix(0), mix(8), mix(16));
}

// The element committed by SET, then mixed with the picture from before the commit over
// its box and a margin of three tenths of its width on every side. Any failure says so
// and ends the blend where it is.
void TxCanvas::blendpicture()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::PictureBox* before = f.Picture2;
    try {
        if (f.Option6->value() || f.Option7->value()) {
            before->setAutoRedraw(true);
            f.Picture13->setPicture(tx->Picture());
            Command47_Click();
            tx->setAutoRedraw(true);
            before->setPicture(f.Picture13->Picture());

            const double s = overlayScale;
            const int top = platform::CLng(textY - kBlendMargin * s);
            const int bottom = platform::CLng(textY + s * 4 / 5 + kBlendMargin * s);
            const int left = platform::CLng(textX - kBlendMargin * s);
            const int right = platform::CLng(textX + (1 + kBlendMargin) * s);
            // Pixels off either picture are left as they are.
            const QImage committed = tx->hDC()->surface();
            const QImage under = before->hDC()->surface();
            const QRect box = QRect(QPoint(left, top), QPoint(right, bottom))
                                  .intersected(committed.rect())
                                  .intersected(under.rect());
            if (!box.isEmpty()) {
                QImage mixed(box.size(), QImage::Format_RGB32);
                for (int y = box.top(); y <= box.bottom(); ++y)
                    for (int x = box.left(); x <= box.right(); ++x)
                        mixed.setPixel(x - box.left(), y - box.top(),
                                       platform::gdi::toRgb(blendcolor(colourAt(committed, x, y), colourAt(under, x, y))));
                tx->hDC()->paint(box, [&](QImage& layer) {
                    const QRect r = box.intersected(layer.rect());
                    for (int y = r.top(); y <= r.bottom(); ++y)
                        std::copy_n(reinterpret_cast<const QRgb*>(mixed.constScanLine(y - box.top())) +
                                        (r.left() - box.left()),
                                    r.width(), reinterpret_cast<QRgb*>(layer.scanLine(y)) + r.left());
                });
            }
        }
        tx->setPicture(tx->Image());
        tx->setAutoRedraw(false);
        before->setAutoRedraw(false);
    } catch (const std::exception&) {
        f.ui().msgBox(kResourcesLow, platform::vbOKOnly);
    }
}

// The blend weight in tenths: the element's share in percent and the rest the picture's.
void TxCanvas::HScroll7_Change()
{
    blendPercent_ = form_.HScroll7->value() * 10;
    blendRest_ = 100 - blendPercent_;
}

void TxCanvas::HScroll7_Scroll() { HScroll7_Change(); }

// "%Blend >": only an overlay or picture-in-picture placed by hand waits to be blended;
// any other click does nothing at all.
void TxCanvas::Label14_Click()
{
    interfaces::Form& f = form_;
    if (!f.Option6->value() && !f.Option7->value())
        return;
    if (!isOn(f.Command47) || f.Check18->value() == 1 || f.Check19->value() == 1)
        return;
    platform::setBackColor(f.Label14, kPendingColor);
    f.setMousePointer(kHourglass);
    blendpicture();
    platform::setBackColor(f.Label14, kToolOffColor);
    f.setMousePointer(0);
}

} // namespace canvas
