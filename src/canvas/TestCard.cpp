#include "canvas/TestCard.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace canvas {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 256;
constexpr QPointF kCentre(160, 128);
constexpr double kRadius = 116;

// Lines converging towards `tip` from a base `length` long across `spread`: the closer
// to the tip, the finer the detail a picture must carry to keep them apart.
void wedge(QPainter& p, QPointF tip, QPointF along, QPointF across, double length, double spread, int lines)
{
    for (int i = 0; i <= lines; ++i) {
        const double t = double(i) / lines - 0.5;
        p.drawLine(tip, tip + along * length + across * (t * spread));
    }
}

} // namespace

QImage testCard()
{
    QImage card(kWidth, kHeight, QImage::Format_RGB32);
    card.fill(QColor(128, 128, 128));
    QPainter p(&card);

    // The grid of the background.
    p.setPen(QPen(QColor(235, 235, 235), 1));
    for (int x = 0; x <= kWidth; x += 32)
        p.drawLine(x, 0, x, kHeight);
    for (int y = 0; y <= kHeight; y += 32)
        p.drawLine(0, y, kWidth, y);

    // The circle, clipped so that everything inside stays inside.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(kCentre, kRadius, kRadius);
    QPainterPath disc;
    disc.addEllipse(kCentre, kRadius - 2, kRadius - 2);
    p.setClipPath(disc);

    // The name band above the centre.
    p.fillRect(QRectF(60, 30, 200, 34), Qt::black);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(26);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(60, 30, 200, 34), Qt::AlignCenter, QStringLiteral("TOVARO"));

    // A star of 24 black and white sectors round the centre.
    p.setPen(Qt::NoPen);
    const QRectF star(kCentre.x() - 34, kCentre.y() - 34, 68, 68);
    for (int i = 0; i < 24; ++i) {
        p.setBrush(i % 2 ? Qt::black : Qt::white);
        p.drawPie(star, i * 15 * 16, 15 * 16);
    }

    // Resolution wedges left and right of the star, pointing at it.
    p.setPen(QPen(Qt::white, 1));
    wedge(p, QPointF(122, 128), QPointF(-1, 0), QPointF(0, 1), 70, 50, 14);
    wedge(p, QPointF(198, 128), QPointF(1, 0), QPointF(0, 1), 70, 50, 14);

    // Colour bars and a grey scale under the star.
    const QColor bars[] = {Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < 3; ++i)
        p.fillRect(QRectF(76 + i * 56, 170, 56, 26), bars[i]);
    for (int i = 0; i < 8; ++i) {
        const int level = i * 255 / 7;
        p.fillRect(QRectF(76 + i * 21, 198, 21, 16), QColor(level, level, level));
    }
    p.end();
    return card;
}

} // namespace canvas
