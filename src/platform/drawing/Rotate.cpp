#include "platform/drawing/Rotate.h"

#include <QPainter>
#include <QTransform>

#include <cmath>

namespace platform {

namespace {

using gdi::kRgbMask;

// The source pixel at (x, y) if it may be drawn: inside, not transparent and
// not of the key colour.
bool usable(const QImage &src, int x, int y, bool keyed, quint32 key, QRgb &out)
{
    if (x < 0 || y < 0 || x >= src.width() || y >= src.height())
        return false;
    const QRgb p = reinterpret_cast<const QRgb *>(src.constScanLine(y))[x];
    if (qAlpha(p) == 0)
        return false;
    if (keyed && (p & kRgbMask) == key)
        return false;
    out = p;
    return true;
}

}  // namespace

void rotateImage(QImage &dest, double centreX, double centreY, const QImage &source, double angle,
                 gdi::Colour keyColour, quint32 flags)
{
    if (source.isNull() || dest.isNull())
        return;
    const QImage src = source.convertToFormat(QImage::Format_ARGB32);
    const double w = src.width(), h = src.height();
    // Source -> destination: mirror, move the middle to the origin, turn
    // (Qt's positive angle is clockwise on the screen), move to the centre.
    QTransform t;
    t.translate(centreX, centreY);
    t.rotate(angle);
    t.translate(-w / 2.0, -h / 2.0);
    if (flags & RotateMirrorLeftRight) {
        t.translate(w, 0);
        t.scale(-1, 1);
    }
    if (flags & RotateMirrorTopBottom) {
        t.translate(0, h);
        t.scale(1, -1);
    }
    bool invertible = false;
    const QTransform inv = t.inverted(&invertible);
    if (!invertible)
        return;
    const QRect bounds = t.mapRect(QRectF(0, 0, w, h)).toAlignedRect().adjusted(-1, -1, 1, 1).intersected(dest.rect());
    const bool keyed = flags & RotateKeyColour;
    const bool smooth = flags & RotateSmooth;
    const quint32 key = gdi::toRgb(keyColour) & kRgbMask;

    for (int y = bounds.top(); y <= bounds.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(dest.scanLine(y));
        for (int x = bounds.left(); x <= bounds.right(); ++x) {
            // Sample at the destination pixel's centre.
            const QPointF s = inv.map(QPointF(x + 0.5, y + 0.5));
            const int nx = int(std::floor(s.x())), ny = int(std::floor(s.y()));
            QRgb nearest;
            if (!usable(src, nx, ny, keyed, key, nearest))
                continue;
            if (!smooth) {
                line[x] = nearest | 0xFF000000u;
                continue;
            }
            // Bilinear over the usable neighbours; key-coloured ones never bleed in.
            const double fx = s.x() - 0.5, fy = s.y() - 0.5;
            const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
            const double ax = fx - x0, ay = fy - y0;
            double r = 0, g = 0, b = 0, wsum = 0;
            for (int k = 0; k < 4; ++k) {
                const int xx = x0 + (k & 1), yy = y0 + (k >> 1);
                const double wt = ((k & 1) ? ax : 1 - ax) * ((k >> 1) ? ay : 1 - ay);
                QRgb p;
                if (wt <= 0 || !usable(src, xx, yy, keyed, key, p))
                    continue;
                r += wt * qRed(p);
                g += wt * qGreen(p);
                b += wt * qBlue(p);
                wsum += wt;
            }
            if (wsum <= 0) {
                line[x] = nearest | 0xFF000000u;
                continue;
            }
            line[x] = qRgb(int(std::lround(r / wsum)), int(std::lround(g / wsum)), int(std::lround(b / wsum)));
        }
    }
}

bool rotatePicture(gdi::Dc *dest, int centreX, int centreY, int width, int height, const gdi::Dc *source,
                   int sourceX, int sourceY, double angle, gdi::Colour keyColour, quint32 flags)
{
    if (!dest || !source || width <= 0 || height <= 0)
        return false;
    // The piece to turn; what lies outside the source surface stays transparent.
    QImage piece(width, height, QImage::Format_ARGB32);
    piece.fill(Qt::transparent);
    {
        QPainter p(&piece);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), source->surface(), QRect(sourceX, sourceY, width, height));
    }
    QTransform t;
    t.translate(centreX, centreY);
    t.rotate(angle);
    t.translate(-width / 2.0, -height / 2.0);
    const QRect bounds = t.mapRect(QRectF(0, 0, width, height)).toAlignedRect().adjusted(-1, -1, 1, 1);
    dest->paint(bounds, [&](QImage &layer) { rotateImage(layer, centreX, centreY, piece, angle, keyColour, flags); });
    return true;
}

}  // namespace platform
