#pragma once
// Letting pending window events run, and waits that do so. Handlers may be re-entered
// from inside these calls (timer ticks, clicks), which the program relies on. Waits run
// on the program's clock (Clock.h): monotonic, so a change of the time of day does not
// shorten or lengthen them; a test's clock makes them take no real time.

namespace platform {

// Runs the window events that are pending now, then returns.
void doEvents();

// Waits ms milliseconds while letting window events run. ms <= 0 runs the pending
// events once.
void waitWithEvents(int ms);

// Like waitWithEvents, but ends early as soon as stop() returns true (checked after
// each round of events). Returns true when it ended early.
template <typename Stop>
bool waitWithEventsUntil(int ms, Stop stop);

} // namespace platform

#include "platform/runtime/Clock.h"

namespace platform {

template <typename Stop>
bool waitWithEventsUntil(int ms, Stop stop)
{
    Clock& time = currentClock();
    const qint64 start = time.now();
    doEvents();
    if (stop())
        return true;
    for (qint64 elapsed = 0; elapsed < ms; elapsed = time.now() - start) {
        time.pause(ms - elapsed);
        if (stop())
            return true;
    }
    return false;
}

} // namespace platform
