// The image control: a picture holder that either takes the size of its
// picture (the box resizes to it) or stretches the picture to the box
// (`Stretch`). It raises click and
// mouse events with the platform's codes, carries a drag icon and takes drops
// (from other controls through the drag manager, files from the desktop).
#pragma once

#include "platform/DragManager.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace platform {

class ImageBox : public QWidget, public DragTarget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget *parent = nullptr);

    void setBoxSize(int width, int height);
    void setDesignName(const QString &name) { setObjectName(name); }

    QImage Picture() const { return picture_; }
    void setPicture(const QImage &picture);  // a null image empties the box
    bool hasPicture() const { return !picture_.isNull(); }
    bool Stretch() const { return stretch_; }
    void setStretch(bool on);

    QPixmap DragIcon() const;
    void setDragIcon(const QPixmap &icon);
    void Drag(int action = vbBeginDrag);
    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int p);

    // What the box shows, at the box's size (for tests and thumbnails).
    QImage rendered() const;

    // DragTarget
    void deliverDragOver(QWidget *source, double x, double y, int state) override;
    void deliverDragDrop(QWidget *source, double x, double y) override;

signals:
    void mouseDown(int button, int shift, double x, double y);
    void mouseMove(int button, int shift, double x, double y);
    void mouseUp(int button, int shift, double x, double y);
    void click();
    void dblClick();
    void dragOver(QWidget *source, double x, double y, int state);
    void dragDrop(QWidget *source, double x, double y);
    void oleDragDrop(const QStringList &files, int button, int shift, double x, double y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void fitToPicture();

    QImage picture_;
    bool stretch_ = false;
    int mousePointer_ = 0;
    Qt::MouseButtons pressed_;
    bool dblPress_ = false;
};

}  // namespace platform
