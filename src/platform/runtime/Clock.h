#pragma once
// The clock behind the program's waits and timers. The program runs on a monotonic
// clock; a test puts a clock that it moves by hand in its place (ManualClock), so a
// two-second wait or a timer's ticks take no real time and do not depend on the
// machine's speed.
//
//     platform::ManualClock clock;
//     platform::UseClock use(clock);   // before the timers are made
//     ...
//     clock.advance(600);              // timers tick, scheduled actions run, in time order

#include <QDateTime>
#include <QtGlobal>

#include <functional>
#include <map>
#include <memory>

namespace platform {

// A periodic tick; it stops when destroyed.
class Ticker {
public:
    virtual ~Ticker() = default;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a monotonic scale with an arbitrary origin.
    virtual qint64 now() const = 0;
    // Lets pending window events run and returns after at most maxMs by this clock
    // (sooner when an event came).
    virtual void pause(qint64 maxMs) = 0;
    // Calls tick every intervalMs (at least 1) by this clock, from the window's event
    // handling, until the ticker is destroyed.
    virtual std::unique_ptr<Ticker> every(int intervalMs, std::function<void()> tick) = 0;
    // The time of day and date here (the system's local time), for what the program
    // writes down as a time: stamps on the TX picture.
    virtual QDateTime localTime() const;
};

// The clock in use: the monotonic clock unless a test put another in its place.
Clock& currentClock();

// Puts a clock in place for its lifetime. Timers keep the clock they started on, so a
// test puts its clock in place before it builds the window.
class UseClock {
public:
    explicit UseClock(Clock& clock);
    ~UseClock();
    UseClock(const UseClock&) = delete;
    UseClock& operator=(const UseClock&) = delete;

private:
    Clock* previous_;
};

// A clock that stands still until it is moved. Waits move it: each pause lets the
// pending events run, then moves the time on by at most one step (10 ms), firing what
// falls due, so a wait with events runs everything due inside it in time order.
class ManualClock : public Clock {
public:
    ManualClock();
    ~ManualClock() override;

    qint64 now() const override;
    void pause(qint64 maxMs) override;
    std::unique_ptr<Ticker> every(int intervalMs, std::function<void()> tick) override;
    // The local time set last (or the system's at the clock's making), moved on with the
    // clock.
    QDateTime localTime() const override;
    void setLocalTime(const QDateTime& when);

    // Moves the time on by ms: every tick and action that falls due runs at its own
    // time, in time order, with the pending window events run after each.
    void advance(qint64 ms);
    // Runs action once when the time reaches now() + ms.
    void after(qint64 ms, std::function<void()> action);

    static constexpr qint64 Step = 10;

private:
    struct Due {
        qint64 when = 0;
        qint64 interval = 0; // 0: once
        std::function<void()> run;
    };
    struct State {
        qint64 now = 0;
        int nextId = 1;
        std::map<int, Due> due;
    };
    class ManualTicker;
    int add(qint64 when, qint64 interval, std::function<void()> run);
    std::shared_ptr<State> state_;
    QDateTime localBase_;
    qint64 localBaseAt_ = 0;
};

} // namespace platform
