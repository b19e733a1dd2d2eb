#pragma once
// The line control: a straight line drawn over its container (a picture box), from
// (X1, Y1) to (X2, Y2) in the container's pixels, in its border colour and width. It
// takes no mouse input, so clicks reach the container under it.

#include <QWidget>

namespace platform {

class LineControl : public QWidget {
    Q_OBJECT
public:
    LineControl(const QString& name, quint32 borderColor, QWidget* container);

    double X1() const { return x1_; }
    double Y1() const { return y1_; }
    double X2() const { return x2_; }
    double Y2() const { return y2_; }
    void setX1(double v) { x1_ = v; place(); }
    void setY1(double v) { y1_ = v; place(); }
    void setX2(double v) { x2_ = v; place(); }
    void setY2(double v) { y2_ = v; place(); }
    quint32 BorderColor() const { return color_; }
    void setBorderColor(quint32 vb);
    int BorderWidth() const { return width_; }
    void setBorderWidth(int w);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void place();
    double x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    quint32 color_ = 0;
    int width_ = 1;
};

} // namespace platform
