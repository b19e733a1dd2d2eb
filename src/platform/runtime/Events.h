#pragma once
// Letting pending window events run, and waits that do so. Handlers may be re-entered
// from inside these calls (timer ticks, clicks), which the program relies on.

namespace platform {

// Runs the window events that are pending now, then returns.
void doEvents();

// Waits ms milliseconds on a monotonic clock while letting window events run; a
// change of the time of day does not shorten or lengthen the wait. ms <= 0 runs the
// pending events once.
void waitWithEvents(int ms);

// Like waitWithEvents, but ends early as soon as stop() returns true (checked after
// each round of events). Returns true when it ended early.
template <typename Stop>
bool waitWithEventsUntil(int ms, Stop stop);

} // namespace platform

#include <QElapsedTimer>

namespace platform {
namespace detail {
void waitSlice(qint64 remainingMs);
}

template <typename Stop>
bool waitWithEventsUntil(int ms, Stop stop)
{
    QElapsedTimer clock;
    clock.start();
    doEvents();
    if (stop())
        return true;
    while (clock.elapsed() < ms) {
        detail::waitSlice(ms - clock.elapsed());
        if (stop())
            return true;
    }
    return false;
}

} // namespace platform
