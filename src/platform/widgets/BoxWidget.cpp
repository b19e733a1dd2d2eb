#include "platform/widgets/BoxWidget.h"

#include "platform/widgets/Controls.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>

#include <cmath>

namespace platform {

BoxWidget::BoxWidget(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAcceptDrops(true);
}

QPixmap BoxWidget::DragIcon() const { return DragManager::dragIcon(this); }
void BoxWidget::setDragIcon(const QPixmap &icon) { DragManager::setDragIcon(this, icon); }

void BoxWidget::Drag(int action)
{
    DragManager &m = DragManager::instance();
    if (action == vbBeginDrag)
        m.begin(this);
    else if (m.source() == this)
        action == vbEndDrag ? m.release() : m.cancel();
}

void BoxWidget::deliverDragOver(QWidget *source, double x, double y, int state)
{
    emit dragOver(source, std::floor(x), std::floor(y), state);
}

void BoxWidget::deliverDragDrop(QWidget *source, double x, double y)
{
    emit dragDrop(source, std::floor(x), std::floor(y));
}

void BoxWidget::mousePressEvent(QMouseEvent *event)
{
    const int b = vbButton(event->button());
    if (!b)
        return;
    dblPress_ = false;
    const QPointF pt = mousePoint(event->position());
    emit mouseDown(b, vbShift(event->modifiers()), pt.x(), pt.y());
}

void BoxWidget::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF pt = mousePoint(event->position());
    emit mouseMove(vbButtons(event->buttons()), vbShift(event->modifiers()), pt.x(), pt.y());
}

void BoxWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const int b = vbButton(event->button());
    if (!b)
        return;
    const QPointF pt = mousePoint(event->position());
    const int shift = vbShift(event->modifiers());
    // The platform raises Click before MouseUp; the release of a double
    // click raises no second Click.
    if (!dblPress_ && rect().contains(event->position().toPoint()))
        emit click();
    dblPress_ = false;
    emit mouseUp(b, shift, pt.x(), pt.y());
}

void BoxWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!vbButton(event->button()))
        return;
    dblPress_ = true;
    emit dblClick();
}

void BoxWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void BoxWidget::dragMoveEvent(QDragMoveEvent *event)
{
    if (!localFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void BoxWidget::dropEvent(QDropEvent *event)
{
    const QStringList files = localFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    const QPointF pt = mousePoint(event->position());
    emit oleDragDrop(files, vbButtons(event->buttons()), vbShift(event->modifiers()), pt.x(), pt.y());
}

}  // namespace platform
