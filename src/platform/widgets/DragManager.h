// Drags between the controls of a window, the way the program's handlers
// expect them (not desktop drag and drop): a source sets its drag icon and
// begins; the pointer carries the source's current drag icon; the control under
// the pointer gets DragOver with a state (0 enter, 1 leave, 2 over) and, on
// release of the button, DragDrop(source, x, y) in its own coordinates.
//
// Files dropped from the desktop arrive through Qt's URL drops as an OLE drop
// with the list of local files (see enableFileDrops and the controls' own
// oleDragDrop signals).
#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointF>
#include <QPointer>
#include <QStringList>

class QMimeData;
class QWidget;

namespace platform {

// The local files a desktop drop carries (empty when it carries none).
QStringList localFiles(const QMimeData *mime);

enum DragState : int { vbEnter = 0, vbLeave = 1, vbOver = 2 };
// The Drag method's actions (cancel is vbCancel on the platform; named apart
// here from the message-box answer of the same name).
enum DragAction : int { vbDragCancel = 0, vbBeginDrag = 1, vbEndDrag = 2 };

// Implemented by controls that take drags themselves (picture and image
// boxes): they convert pixels to their own units and raise their own events.
class DragTarget {
public:
    virtual ~DragTarget();
    virtual QPointF dragPoint(const QPointF &pixel) const { return pixel; }
    virtual void deliverDragOver(QWidget *source, double x, double y, int state) = 0;
    virtual void deliverDragDrop(QWidget *source, double x, double y) = 0;
};

class DragManager : public QObject {
    Q_OBJECT
public:
    static DragManager &instance();

    // The drag icon of any control (kept on the widget itself).
    static void setDragIcon(QWidget *control, const QPixmap &icon);
    static QPixmap dragIcon(const QWidget *control);

    // Starts a manual drag of `source`; with a real mouse it follows the
    // pointer until a button is released. A drag already running is cancelled.
    void begin(QWidget *source);
    // Ends the drag without a drop (the target under the pointer gets leave).
    void cancel();
    // Drops on the control under the pointer and ends the drag.
    void release();
    bool active() const { return !source_.isNull(); }
    QWidget *source() const { return source_; }
    QWidget *target() const { return target_; }
    // The picture the pointer carries now: the source's current drag icon, or
    // an outline of the source when it has none.
    QPixmap pointerIcon() const { return pointerIcon_; }

    // Test driving without a mouse: the pointer is over `control` (nullptr:
    // over no control) at widget pixel (x, y).
    void moveOver(QWidget *control, double x, double y);

    // Lets `control` take files dropped from the desktop; each drop raises
    // oleDragDrop(control, files, ...). Picture and image boxes do this
    // themselves.
    void enableFileDrops(QWidget *control);

signals:
    // Raised for every target (also those that implement DragTarget), with
    // coordinates in the target's own units.
    void dragOver(QWidget *target, QWidget *source, double x, double y, int state);
    void dragDrop(QWidget *target, QWidget *source, double x, double y);
    void oleDragDrop(QWidget *target, const QStringList &files, int button, int shift, double x,
                     double y);
    void dragEnded(QWidget *source);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DragManager() = default;
    void deliverOver(QWidget *target, const QPointF &pixel, int state);
    void updateCursor();
    void stopTracking();
    QWidget *dropTargetAt(const QPoint &globalPos) const;

    QPointer<QWidget> source_;
    QPointer<QWidget> target_;
    QPointF lastPixel_;
    bool tracking_ = false;
    bool cursorSet_ = false;
    QPixmap pointerIcon_;
};

}  // namespace platform
