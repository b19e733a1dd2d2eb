#include "platform/widgets/LineControl.h"

#include "platform/drawing/Colors.h"

#include <QPainter>

#include <cmath>

namespace platform {

LineControl::LineControl(const QString& name, quint32 borderColor, QWidget* container)
    : QWidget(container), color_(borderColor)
{
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    place();
}

void LineControl::setBorderColor(quint32 vb)
{
    color_ = vb;
    update();
}

void LineControl::setBorderWidth(int w)
{
    width_ = w < 1 ? 1 : w;
    place();
}

// The widget covers the line's end points with room for its width; a fraction of a
// pixel in an end point is drawn at the nearest pixel.
void LineControl::place()
{
    const int left = int(std::lround(std::min(x1_, x2_))) - width_;
    const int top = int(std::lround(std::min(y1_, y2_))) - width_;
    const int right = int(std::lround(std::max(x1_, x2_))) + width_;
    const int bottom = int(std::lround(std::max(y1_, y2_))) + width_;
    setGeometry(left, top, right - left + 1, bottom - top + 1);
    update();
}

void LineControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(QPen(toQColor(color_), width_, Qt::SolidLine, Qt::FlatCap));
    const QPointF origin = geometry().topLeft();
    const QPointF a = QPointF(std::lround(x1_), std::lround(y1_)) - origin + QPointF(0.5, 0.5);
    const QPointF b = QPointF(std::lround(x2_), std::lround(y2_)) - origin + QPointF(0.5, 0.5);
    painter.drawLine(a, b);
}

} // namespace platform
