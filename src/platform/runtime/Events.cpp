#include "platform/runtime/Events.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace platform {

void doEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace detail {
void waitSlice(qint64 remainingMs)
{
    const int slice = int(qBound(qint64(1), remainingMs, qint64(10)));
    if (!QCoreApplication::instance()) {
        QThread::msleep(quint64(slice));
        return;
    }
    // A short nested event loop: sleeps until an event comes, runs it, and returns
    // after the slice so the caller can look at its clock and its stop test.
    QEventLoop loop;
    QTimer::singleShot(slice, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace detail

void waitWithEvents(int ms)
{
    waitWithEventsUntil(ms, [] { return false; });
}

} // namespace platform
