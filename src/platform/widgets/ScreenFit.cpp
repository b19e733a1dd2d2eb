#include "platform/widgets/ScreenFit.h"

#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>

namespace platform {

QSize fittedSize(const QScrollArea& scroll, QSize layout, QSize designed, QSize room)
{
    const int barWidth = scroll.verticalScrollBar()->sizeHint().width();
    const int barHeight = scroll.horizontalScrollBar()->sizeHint().height();
    QSize wanted = layout.expandedTo(designed);
    for (int pass = 0; pass < 2; ++pass) {
        if (wanted.height() > room.height())
            wanted.setWidth(qMax(wanted.width(), layout.width() + barWidth));
        if (wanted.width() > room.width())
            wanted.setHeight(qMax(wanted.height(), layout.height() + barHeight));
    }
    return wanted.boundedTo(room);
}

void fitToScreen(QWidget& window, const QScrollArea& scroll, QSize layout, QSize designed)
{
    const QScreen* shownOn = window.screen();
    if (!shownOn)
        return;
    const QRect available = shownOn->availableGeometry();
    const QSize frame =
        window.isVisible() ? window.frameGeometry().size() - window.geometry().size() : QSize(0, 0);
    window.resize(fittedSize(scroll, layout, designed, available.size() - frame));
    const QSize outer = window.size() + frame;
    const QPoint at = window.pos();
    window.move(qBound(available.left(), at.x(), available.right() + 1 - outer.width()),
                qBound(available.top(), at.y(), available.bottom() + 1 - outer.height()));
}

} // namespace platform
