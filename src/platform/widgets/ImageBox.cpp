#include "platform/widgets/ImageBox.h"

#include "platform/widgets/PictureBox.h"

#include <QPainter>

#include <cmath>

namespace platform {

ImageBox::ImageBox(QWidget *parent) : BoxWidget(parent) {}

void ImageBox::setBoxSize(int width, int height)
{
    setFixedSize(qMax(1, width), qMax(1, height));
    update();
}

void ImageBox::setPicture(const QImage &picture)
{
    picture_ = picture;
    fitToPicture();
    update();
}

void ImageBox::setStretch(bool on)
{
    stretch_ = on;
    fitToPicture();
    update();
}

void ImageBox::fitToPicture()
{
    // Without Stretch the control takes the size of its picture.
    if (!stretch_ && !picture_.isNull())
        setFixedSize(picture_.size());
}

void ImageBox::setMousePointer(int p)
{
    mousePointer_ = p;
    if (p == 0)
        unsetCursor();
    else
        setCursor(PictureBox::cursorFor(p, QPixmap()));
}

QImage ImageBox::rendered() const
{
    // The box itself is see-through: what lies outside the picture is left
    // transparent here and shows the parent when painted.
    QImage out(size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    if (picture_.isNull())
        return out;
    QImage src = picture_.convertToFormat(QImage::Format_ARGB32);
    if (stretch_ && (src.size() != out.size())) {
        // Nearest neighbour, like every other picture copy of the program.
        const int w = out.width(), h = out.height();
        for (int y = 0; y < h; ++y) {
            const int sy = int((qint64(2 * y + 1) * src.height()) / (qint64(2) * h));
            const auto *in = reinterpret_cast<const QRgb *>(src.constScanLine(sy));
            auto *o = reinterpret_cast<QRgb *>(out.scanLine(y));
            for (int x = 0; x < w; ++x)
                o[x] = in[int((qint64(2 * x + 1) * src.width()) / (qint64(2) * w))];
        }
        return out;
    }
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, src);
    return out;
}

void ImageBox::setBorderStyle(int style)
{
    borderStyle_ = style;
    update();
}

void ImageBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (!picture_.isNull())
        p.drawImage(0, 0, rendered());
    if (borderStyle_ == 1) {
        p.setPen(QColor(0x40, 0x40, 0x40));
        p.drawRect(0, 0, width() - 1, height() - 1);
    }
}

QPointF ImageBox::mousePoint(const QPointF &pos) const
{
    return QPointF(std::floor(pos.x()), std::floor(pos.y()));
}

}  // namespace platform
