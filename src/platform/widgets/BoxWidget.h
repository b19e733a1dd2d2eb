// What the picture box and the image box have in common: the platform's mouse
// events in the box's own units (Click comes before MouseUp, and the release
// of a double click raises no second Click), files dropped from the desktop,
// and the drag between controls, as its source (Drag, DragIcon) and as its
// target (DragOver, DragDrop).
#pragma once

#include "platform/widgets/DragManager.h"

#include <QPixmap>
#include <QWidget>

namespace platform {

class BoxWidget : public QWidget, public DragTarget {
    Q_OBJECT
public:
    void setDesignName(const QString &name) { setObjectName(name); }

    QPixmap DragIcon() const;
    void setDragIcon(const QPixmap &icon);
    void Drag(int action = vbBeginDrag);

    // DragTarget: the events carry whole units, as the mouse events do.
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
    explicit BoxWidget(QWidget *parent);
    // The point of the box, in its own whole units, at a widget pixel position.
    virtual QPointF mousePoint(const QPointF &pos) const = 0;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool dblPress_ = false;
};

}  // namespace platform
