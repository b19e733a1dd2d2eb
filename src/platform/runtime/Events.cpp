#include "platform/runtime/Events.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace platform {

void doEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void waitWithEvents(int ms)
{
    waitWithEventsUntil(ms, [] { return false; });
}

} // namespace platform
