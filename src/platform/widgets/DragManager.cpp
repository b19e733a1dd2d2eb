#include "platform/widgets/DragManager.h"

#include "platform/widgets/Controls.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <QWidget>

namespace platform {

namespace {

const char *const kDragIconProperty = "platformDragIcon";
const char *const kFileDropProperty = "platformFileDrops";

}  // namespace

QStringList localFiles(const QMimeData *mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &u : mime->urls())
        if (u.isLocalFile())
            files << u.toLocalFile();
    return files;
}

DragTarget::~DragTarget() = default;

DragManager &DragManager::instance()
{
    static DragManager manager;
    return manager;
}

void DragManager::setDragIcon(QWidget *control, const QPixmap &icon)
{
    if (!control)
        return;
    control->setProperty(kDragIconProperty, QVariant::fromValue(icon));
    DragManager &m = instance();
    if (m.source_ == control)
        m.updateCursor();
}

QPixmap DragManager::dragIcon(const QWidget *control)
{
    if (!control)
        return QPixmap();
    return control->property(kDragIconProperty).value<QPixmap>();
}

void DragManager::begin(QWidget *source)
{
    if (active())
        cancel();
    if (!source)
        return;
    source_ = source;
    target_ = nullptr;
    lastPixel_ = QPointF();
    // Follow the real pointer until a button is released.
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        qApp->installEventFilter(this);
        tracking_ = true;
    }
    updateCursor();
}

void DragManager::cancel()
{
    if (!active())
        return;
    QPointer<QWidget> src = source_;
    QPointer<QWidget> tgt = target_;
    target_ = nullptr;
    if (tgt)
        deliverOver(tgt, lastPixel_, vbLeave);
    source_ = nullptr;
    stopTracking();
    emit dragEnded(src);
}

void DragManager::release()
{
    if (!active())
        return;
    QPointer<QWidget> src = source_;
    QPointer<QWidget> tgt = target_;
    const QPointF pixel = lastPixel_;
    source_ = nullptr;
    target_ = nullptr;
    stopTracking();
    if (tgt) {
        QPointF p = pixel;
        if (auto *dt = dynamic_cast<DragTarget *>(tgt.data())) {
            p = dt->dragPoint(pixel);
            dt->deliverDragDrop(src, p.x(), p.y());
        }
        if (tgt)
            emit dragDrop(tgt, src, p.x(), p.y());
    }
    emit dragEnded(src);
}

void DragManager::moveOver(QWidget *control, double x, double y)
{
    if (!active())
        return;
    const QPointF pixel(x, y);
    if (control != target_) {
        QPointer<QWidget> old = target_;
        target_ = control;
        if (old) {
            // The leave carries the pointer's position in the old target's pixels.
            QPointF leavePixel = lastPixel_;
            if (control)
                leavePixel = QPointF(old->mapFromGlobal(control->mapToGlobal(pixel.toPoint())));
            deliverOver(old, leavePixel, vbLeave);
        }
        if (control && active() && target_ == control)
            deliverOver(control, pixel, vbEnter);
    } else if (control) {
        deliverOver(control, pixel, vbOver);
    }
    lastPixel_ = pixel;
    if (active())
        updateCursor();
}

void DragManager::deliverOver(QWidget *target, const QPointF &pixel, int state)
{
    QPointer<QWidget> guard = target;
    QPointF p = pixel;
    if (auto *dt = dynamic_cast<DragTarget *>(target)) {
        p = dt->dragPoint(pixel);
        dt->deliverDragOver(source_, p.x(), p.y(), state);
    }
    if (guard)
        emit dragOver(guard, source_, p.x(), p.y(), state);
}

void DragManager::updateCursor()
{
    if (!source_)
        return;
    QPixmap icon = dragIcon(source_);
    if (icon.isNull()) {
        // No icon: the pointer drags the outline of the control.
        const QSize sz = source_->size().boundedTo(QSize(256, 256)).expandedTo(QSize(8, 8));
        icon = QPixmap(sz);
        icon.fill(Qt::transparent);
        QPainter p(&icon);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(0, 0, sz.width() - 1, sz.height() - 1);
    }
    pointerIcon_ = icon;
    if (!tracking_)
        return;
    const QCursor cursor(icon, icon.width() / 2, icon.height() / 2);
    if (cursorSet_) {
        QApplication::changeOverrideCursor(cursor);
    } else {
        QApplication::setOverrideCursor(cursor);
        cursorSet_ = true;
    }
}

void DragManager::stopTracking()
{
    if (tracking_ && qApp)
        qApp->removeEventFilter(this);
    tracking_ = false;
    if (cursorSet_)
        QApplication::restoreOverrideCursor();
    cursorSet_ = false;
    pointerIcon_ = QPixmap();
}

QWidget *DragManager::dropTargetAt(const QPoint &globalPos) const
{
    // The nearest widget under the pointer that is a control: a drag target or
    // a widget with a designer name (not one of Qt's inner parts).
    for (QWidget *w = QApplication::widgetAt(globalPos); w; w = w->parentWidget()) {
        if (dynamic_cast<DragTarget *>(w))
            return w;
        const QString name = w->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")))
            return w;
    }
    return nullptr;
}

void DragManager::enableFileDrops(QWidget *control)
{
    if (!control || control->property(kFileDropProperty).toBool())
        return;
    control->setProperty(kFileDropProperty, true);
    control->setAcceptDrops(true);
    control->installEventFilter(this);
}

bool DragManager::eventFilter(QObject *watched, QEvent *event)
{
    if (tracking_ && !source_)
        stopTracking();  // the source went away during its drag
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto *w = qobject_cast<QWidget *>(watched);
        if (!w || !w->property(kFileDropProperty).toBool())
            break;
        auto *de = static_cast<QDropEvent *>(event);
        const QStringList files = localFiles(de->mimeData());
        if (files.isEmpty())
            break;
        de->acceptProposedAction();
        if (event->type() == QEvent::Drop)
            emit oleDragDrop(w, files, vbButtons(de->buttons()), vbShift(de->modifiers()),
                             de->position().x(), de->position().y());
        return true;
    }
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!tracking_ || !active() || !watched->isWidgetType())
            break;
        auto *me = static_cast<QMouseEvent *>(event);
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease) {
            const QPoint global = me->globalPosition().toPoint();
            QWidget *t = dropTargetAt(global);
            const QPointF local = t ? QPointF(t->mapFromGlobal(global)) : QPointF();
            moveOver(t, local.x(), local.y());
            if (event->type() == QEvent::MouseButtonRelease)
                release();
        }
        return true;  // the source sees no mouse events while it is dragged
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace platform
