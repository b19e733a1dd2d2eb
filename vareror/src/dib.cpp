#include "dib.h"

#include <QLabel>
#include <QMetaObject>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <cmath>

namespace vareror::lib {

namespace {
// Handles stay below this bound, so a handle can never be mistaken for the address of a
// QImage (the first 64 KiB of an address space are never mapped).
constexpr int kMaxHandle = 0xFFFF;
// A DIB larger than this is refused rather than risking an allocation failure.
constexpr qint64 kMaxPixels = qint64(8192) * 8192;
// Rectangles reaching beyond this are taken as garbage rather than drawn.
constexpr int32_t kMaxCoordinate = 1 << 20;
} // namespace

DibTable &DibTable::instance()
{
    static DibTable table;
    return table;
}

int DibTable::create(int width, int height)
{
    if (width <= 0 || height <= 0 || qint64(width) * height > kMaxPixels)
        return 0;
    if (int(dibs_.size()) >= kMaxHandle)
        return 0;
    // The smallest free number from next_ on, wrapping: a deleted handle is reused only after
    // the others, so a stale handle rarely meets a new picture.
    int h = next_;
    while (dibs_.count(h))
        h = h >= kMaxHandle ? 1 : h + 1;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return 0;
    image.fill(Qt::black);
    dibs_.emplace(h, std::move(image));
    next_ = h >= kMaxHandle ? 1 : h + 1;
    return h;
}

bool DibTable::remove(int handle) { return dibs_.erase(handle) > 0; }

QImage *DibTable::find(int handle)
{
    auto it = dibs_.find(handle);
    return it == dibs_.end() ? nullptr : &it->second;
}

const QImage *DibTable::resolveBitmap(const QImage *bitmap)
{
    const auto value = reinterpret_cast<uintptr_t>(bitmap);
    if (value == 0)
        return nullptr;
    if (value <= uintptr_t(kMaxHandle))
        return find(int(value));
    return bitmap->isNull() ? nullptr : bitmap;
}

QRgb fromBgr(int32_t colour)
{
    const auto c = uint32_t(colour);
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QRect rectArg(const int32_t *r, const QRect &bounds)
{
    if (!r || (r[0] == 0 && r[1] == 0 && r[2] == 0 && r[3] == 0))
        return bounds;
    for (int i = 0; i < 4; ++i)
        if (r[i] > kMaxCoordinate || r[i] < -kMaxCoordinate)
            return {};
    if (r[2] <= r[0] || r[3] <= r[1])
        return {};
    return QRect(QPoint(r[0], r[1]), QPoint(r[2] - 1, r[3] - 1));
}

namespace {

// Clips src to the image and moves the target edges in proportion.
bool clipPair(const QRect &imageRect, const QRect &src, QRectF &dst)
{
    const QRect clipped = src.intersected(imageRect);
    if (clipped.isEmpty())
        return false;
    const double sx = dst.width() / src.width(), sy = dst.height() / src.height();
    dst = QRectF(dst.left() + (clipped.left() - src.left()) * sx,
                 dst.top() + (clipped.top() - src.top()) * sy, clipped.width() * sx,
                 clipped.height() * sy);
    return true;
}

bool deviceUsable(QPaintDevice *device)
{
    if (!device || device->width() <= 0 || device->height() <= 0)
        return false;
    if (device->devType() == QInternal::Image && static_cast<QImage *>(device)->isNull())
        return false;
    return true;
}

} // namespace

bool stretchDraw(QPaintDevice *device, const int32_t *dstRect, const QImage &image,
                 const int32_t *srcRect, bool smooth)
{
    if (!deviceUsable(device) || image.isNull())
        return false;
    const QRect deviceRect(0, 0, device->width(), device->height());
    const QRect dst = rectArg(dstRect, deviceRect);
    const QRect src = rectArg(srcRect, image.rect());
    if (dst.isEmpty() || src.isEmpty())
        return false;
    QRectF target(dst);
    const QRect clipped = src.intersected(image.rect());
    if (!clipPair(image.rect(), src, target))
        return false;
    if (!target.intersects(QRectF(deviceRect)))
        return false;
    QPainter painter(device);
    if (!painter.isActive())
        return false;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(target, image, QRectF(clipped));
    return true;
}

bool keyedDraw(QPaintDevice *device, int x, int y, const QImage &image, QRgb key)
{
    if (!deviceUsable(device) || image.isNull())
        return false;
    if (!QRect(x, y, image.width(), image.height())
             .intersects(QRect(0, 0, device->width(), device->height())))
        return false;
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb rgbKey = key & 0xFFFFFF;
    for (int row = 0; row < masked.height(); ++row) {
        auto *line = reinterpret_cast<QRgb *>(masked.scanLine(row));
        for (int col = 0; col < masked.width(); ++col)
            line[col] = (line[col] & 0xFFFFFF) == rgbKey ? 0u : (line[col] | 0xFF000000u);
    }
    QPainter painter(device);
    if (!painter.isActive())
        return false;
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(x, y), masked);
    return true;
}

// A window cannot be painted on from outside its paint event, so the window is handed a
// finished picture of its own size: a widget that offers the invokable
// setEngineImage(QImage) takes it there; a QLabel shows it as its pixmap; any other widget
// finds it in its dynamic property "varerorImage" and is asked to repaint.
bool drawToWidget(QWidget *widget, const int32_t *dstRect, const QImage &image,
                  const int32_t *srcRect, bool smooth)
{
    if (!widget || image.isNull())
        return false;
    const QSize size = widget->contentsRect().size();
    if (size.isEmpty())
        return false;
    QImage frame(size, QImage::Format_RGB32);
    frame.fill(Qt::black);
    if (!stretchDraw(&frame, dstRect, image, srcRect, smooth))
        return false;
    if (widget->metaObject()->indexOfMethod("setEngineImage(QImage)") >= 0) {
        return QMetaObject::invokeMethod(widget, "setEngineImage", Qt::DirectConnection,
                                         Q_ARG(QImage, frame));
    }
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        label->setPixmap(QPixmap::fromImage(frame));
        return true;
    }
    widget->setProperty("varerorImage", frame);
    widget->update();
    return true;
}

} // namespace vareror::lib
