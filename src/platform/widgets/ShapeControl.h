#pragma once
// The shape control: a rectangle drawn round a group of controls of its container. It
// keeps the two drawing properties the program sets, DrawMode and FillStyle, and shows
// them as one of two looks: plain (copy pen, transparent: a thin outline) and highlighted
// (merge pen not with horizontal lines: a thick outline with a hatched band inside it,
// which leaves the controls it surrounds uncovered). It follows the controls as the
// layout moves them and takes no mouse input, so clicks reach the controls under it.

#include <QList>
#include <QPointer>
#include <QWidget>

namespace platform {

class ShapeControl : public QWidget {
    Q_OBJECT
public:
    ShapeControl(const QString& name, QWidget* container);

    // The controls to surround (children of the container, at any depth).
    void surround(const QList<QWidget*>& controls);

    int DrawMode() const { return drawMode_; }
    void setDrawMode(int mode);
    int FillStyle() const { return fillStyle_; }
    void setFillStyle(int style);
    // The highlighted look: merge pen not (14) with a hatching fill (2 to 7).
    bool highlighted() const;

    // Room between the controls and the outline, which the band of the highlighted look
    // fills; the layout should leave at least this much round each group.
    static constexpr int kMargin = 6;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void place();
    QList<QPointer<QWidget>> controls_;
    int drawMode_ = 13;
    int fillStyle_ = 1;
};

} // namespace platform
