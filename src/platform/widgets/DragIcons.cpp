#include "platform/widgets/DragIcons.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace platform {

namespace {

constexpr int Size = 32;

// A sheet of paper with a folded corner, the picture being carried.
void sheet(QPainter& p, const QColor& paper)
{
    QPainterPath path;
    path.moveTo(6, 4);
    path.lineTo(20, 4);
    path.lineTo(26, 10);
    path.lineTo(26, 28);
    path.lineTo(6, 28);
    path.closeSubpath();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(paper);
    p.drawPath(path);
    p.drawLine(20, 4, 20, 10);
    p.drawLine(20, 10, 26, 10);
}

QPixmap drawn(DragIcon which)
{
    if (which == DragIcon::Neutral)
        return QPixmap();
    QPixmap icon(Size, Size);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    switch (which) {
    case DragIcon::Drop:
        // The sheet with a green arrow down into it: let go here.
        sheet(p, Qt::white);
        p.setPen(QPen(QColor(0, 150, 0), 3));
        p.drawLine(16, 9, 16, 22);
        p.drawLine(11, 17, 16, 22);
        p.drawLine(21, 17, 16, 22);
        break;
    case DragIcon::Carry:
        // The sheet under a red bar: carried, but not taken here.
        sheet(p, QColor(230, 230, 230));
        p.setPen(QPen(QColor(200, 0, 0), 3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(16, 16), 9, 9);
        p.drawLine(10, 22, 22, 10);
        break;
    case DragIcon::Text:
        // A written sheet: a text to be placed.
        sheet(p, Qt::white);
        p.setPen(QPen(Qt::black, 2));
        for (int y : {12, 17, 22})
            p.drawLine(10, y, 22, y);
        break;
    case DragIcon::Neutral:
        break;
    }
    return icon;
}

} // namespace

QPixmap dragIcon(DragIcon which)
{
    static const std::array<QPixmap, 4> table = {drawn(DragIcon::Drop), drawn(DragIcon::Carry),
                                                 drawn(DragIcon::Text), drawn(DragIcon::Neutral)};
    return table[static_cast<size_t>(which)];
}

} // namespace platform
