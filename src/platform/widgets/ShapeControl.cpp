#include "platform/widgets/ShapeControl.h"

#include "platform/drawing/Gdi.h"

#include <QEvent>
#include <QPainter>

namespace platform {

ShapeControl::ShapeControl(const QString& name, QWidget* container) : QWidget(container)
{
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    if (container)
        container->installEventFilter(this);
}

void ShapeControl::surround(const QList<QWidget*>& controls)
{
    for (const QPointer<QWidget>& w : controls_)
        if (w)
            w->removeEventFilter(this);
    controls_.clear();
    for (QWidget* w : controls) {
        controls_ << w;
        w->installEventFilter(this);
    }
    place();
}

void ShapeControl::setDrawMode(int mode)
{
    drawMode_ = mode;
    update();
}

void ShapeControl::setFillStyle(int style)
{
    fillStyle_ = style;
    update();
}

bool ShapeControl::highlighted() const
{
    return drawMode_ == gdi::vbMergePenNot && fillStyle_ >= gdi::vbHorizontalLine && fillStyle_ <= gdi::vbDiagonalCross;
}

bool ShapeControl::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::LayoutRequest:
        place();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// Covers the visible controls with room for the outline, above them.
void ShapeControl::place()
{
    QWidget* container = parentWidget();
    if (!container)
        return;
    QRect bounds;
    for (const QPointer<QWidget>& w : controls_)
        if (w && !w->isHidden())
            bounds |= QRect(w->mapTo(container, QPoint(0, 0)), w->size());
    if (bounds.isEmpty()) {
        hide();
        return;
    }
    setGeometry(bounds.adjusted(-kMargin, -kMargin, kMargin, kMargin));
    show();
    raise();
    update();
}

void ShapeControl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    if (!highlighted()) {
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(r);
        return;
    }
    const QColor ink = palette().color(QPalette::Highlight);
    p.setPen(QPen(ink, 2));
    p.drawRect(rect().adjusted(1, 1, -1, -1));
    // The band between the outline and the controls, hatched with horizontal lines.
    p.setPen(QPen(ink, 1));
    const int band = kMargin - 2;
    for (int y = 3; y < height() - 3; y += 2) {
        const bool inBand = y < kMargin || y >= height() - kMargin;
        if (inBand)
            p.drawLine(3, y, width() - 4, y);
        else {
            p.drawLine(3, y, 2 + band, y);
            p.drawLine(width() - 3 - band, y, width() - 4, y);
        }
    }
}

} // namespace platform
