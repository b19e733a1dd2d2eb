// The image control: a picture holder that either takes the size of its
// picture (the box resizes to it) or stretches the picture to the box
// (`Stretch`). It raises click and
// mouse events with the platform's codes, carries a drag icon and takes drops
// (from other controls through the drag manager, files from the desktop); see
// BoxWidget for these events.
#pragma once

#include "platform/widgets/BoxWidget.h"

#include <QImage>
#include <QPixmap>

namespace platform {

class ImageBox : public BoxWidget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget *parent = nullptr);

    void setBoxSize(int width, int height);

    QImage Picture() const { return picture_; }
    void setPicture(const QImage &picture);  // a null image empties the box
    bool hasPicture() const { return !picture_.isNull(); }
    bool Stretch() const { return stretch_; }
    void setStretch(bool on);

    // 0 none, 1 a single dark line round the box (drawn over the picture's edge).
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int style);

    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int p);

    // What the box shows, at the box's size (for tests and thumbnails).
    QImage rendered() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    QPointF mousePoint(const QPointF &pos) const override;

private:
    void fitToPicture();

    QImage picture_;
    bool stretch_ = false;
    int mousePointer_ = 0;
    int borderStyle_ = 0;
};

}  // namespace platform
