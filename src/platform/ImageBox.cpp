#include "platform/ImageBox.h"

#include "platform/PictureBox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <cmath>

namespace platform {

namespace {

QStringList localFiles(const QMimeData *mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &u : mime->urls())
        if (u.isLocalFile())
            files << u.toLocalFile();
    return files;
}

QPointF floored(const QPointF &p) { return QPointF(std::floor(p.x()), std::floor(p.y())); }

}  // namespace

ImageBox::ImageBox(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAcceptDrops(true);
}

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

QPixmap ImageBox::DragIcon() const { return DragManager::dragIcon(this); }
void ImageBox::setDragIcon(const QPixmap &icon) { DragManager::setDragIcon(this, icon); }

void ImageBox::Drag(int action)
{
    DragManager &m = DragManager::instance();
    if (action == vbBeginDrag)
        m.begin(this);
    else if (m.source() == this)
        action == vbEndDrag ? m.release() : m.cancel();
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

void ImageBox::paintEvent(QPaintEvent *)
{
    if (picture_.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, rendered());
}

void ImageBox::mousePressEvent(QMouseEvent *event)
{
    const int b = PictureBox::buttonCode(event->button());
    if (!b)
        return;
    dblPress_ = false;
    const QPointF pt = floored(event->position());
    emit mouseDown(b, PictureBox::shiftCode(event->modifiers()), pt.x(), pt.y());
}

void ImageBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF pt = floored(event->position());
    emit mouseMove(PictureBox::buttonsCode(event->buttons()), PictureBox::shiftCode(event->modifiers()), pt.x(),
                   pt.y());
}

void ImageBox::mouseReleaseEvent(QMouseEvent *event)
{
    const int b = PictureBox::buttonCode(event->button());
    if (!b)
        return;
    const QPointF pt = floored(event->position());
    const int shift = PictureBox::shiftCode(event->modifiers());
    if (!dblPress_ && rect().contains(event->position().toPoint()))
        emit click();
    dblPress_ = false;
    emit mouseUp(b, shift, pt.x(), pt.y());
}

void ImageBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!PictureBox::buttonCode(event->button()))
        return;
    dblPress_ = true;
    emit dblClick();
}

void ImageBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void ImageBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void ImageBox::dropEvent(QDropEvent *event)
{
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    const QPointF pt = floored(event->position());
    emit oleDragDrop(files, PictureBox::buttonsCode(event->buttons()), PictureBox::shiftCode(event->modifiers()),
                     pt.x(), pt.y());
}

void ImageBox::deliverDragOver(QWidget *source, double x, double y, int state)
{
    emit dragOver(source, std::floor(x), std::floor(y), state);
}

void ImageBox::deliverDragDrop(QWidget *source, double x, double y)
{
    emit dragDrop(source, std::floor(x), std::floor(y));
}

}  // namespace platform
