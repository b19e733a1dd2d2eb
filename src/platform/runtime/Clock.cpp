#include "platform/runtime/Clock.h"

#include "platform/runtime/Events.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace platform {

namespace {

class QtTicker : public Ticker {
public:
    QtTicker(int intervalMs, std::function<void()> tick)
    {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, std::move(tick), Qt::DirectConnection);
        timer_.start(std::max(1, intervalMs));
    }

private:
    QTimer timer_;
};

class SteadyClock : public Clock {
public:
    SteadyClock() { started_.start(); }
    qint64 now() const override { return started_.elapsed(); }

    void pause(qint64 maxMs) override
    {
        const int slice = int(qBound(qint64(1), maxMs, ManualClock::Step));
        if (!QCoreApplication::instance()) {
            QThread::msleep(quint64(slice));
            return;
        }
        // A short nested event loop: it sleeps until an event comes, runs it, and
        // returns after the slice so the caller can look at the clock again.
        QEventLoop loop;
        QTimer::singleShot(slice, &loop, &QEventLoop::quit);
        loop.exec();
    }

    std::unique_ptr<Ticker> every(int intervalMs, std::function<void()> tick) override
    {
        return std::make_unique<QtTicker>(intervalMs, std::move(tick));
    }

private:
    QElapsedTimer started_;
};

Clock* current = nullptr;

} // namespace

QDateTime Clock::localTime() const
{
    return QDateTime::currentDateTime();
}

Clock& currentClock()
{
    static SteadyClock steady;
    return current ? *current : steady;
}

UseClock::UseClock(Clock& clock) : previous_(current)
{
    current = &clock;
}

UseClock::~UseClock()
{
    current = previous_;
}

// A ticker outlives nothing: once its clock is gone it only lets go.
class ManualClock::ManualTicker : public Ticker {
public:
    ManualTicker(std::weak_ptr<State> state, int id) : state_(std::move(state)), id_(id) {}
    ~ManualTicker() override
    {
        if (auto state = state_.lock())
            state->due.erase(id_);
    }

private:
    std::weak_ptr<State> state_;
    int id_;
};

ManualClock::ManualClock() : state_(std::make_shared<State>()), localBase_(QDateTime::currentDateTime()) {}
ManualClock::~ManualClock() = default;

qint64 ManualClock::now() const
{
    return state_->now;
}

QDateTime ManualClock::localTime() const
{
    return localBase_.addMSecs(state_->now - localBaseAt_);
}

void ManualClock::setLocalTime(const QDateTime& when)
{
    localBase_ = when;
    localBaseAt_ = state_->now;
}

int ManualClock::add(qint64 when, qint64 interval, std::function<void()> run)
{
    const int id = state_->nextId++;
    state_->due[id] = Due{when, interval, std::move(run)};
    return id;
}

std::unique_ptr<Ticker> ManualClock::every(int intervalMs, std::function<void()> tick)
{
    const qint64 interval = std::max(1, intervalMs);
    return std::make_unique<ManualTicker>(state_, add(state_->now + interval, interval, std::move(tick)));
}

void ManualClock::after(qint64 ms, std::function<void()> action)
{
    add(state_->now + std::max<qint64>(0, ms), 0, std::move(action));
}

void ManualClock::advance(qint64 ms)
{
    // The state is held here: a tick may end the clock's last user.
    const std::shared_ptr<State> state = state_;
    const qint64 target = state->now + std::max<qint64>(0, ms);
    for (;;) {
        auto next = state->due.end();
        for (auto it = state->due.begin(); it != state->due.end(); ++it)
            if (it->second.when <= target && (next == state->due.end() || it->second.when < next->second.when))
                next = it;
        if (next == state->due.end())
            break;
        state->now = std::max(state->now, next->second.when);
        // The entry may go while it runs (a timer switched off in its own tick).
        std::function<void()> run = next->second.run;
        if (next->second.interval > 0)
            next->second.when += next->second.interval;
        else
            state->due.erase(next);
        run();
        doEvents();
    }
    // A wait inside a tick may have moved the time further already.
    state->now = std::max(state->now, target);
}

void ManualClock::pause(qint64 maxMs)
{
    doEvents();
    advance(qBound(qint64(1), maxMs, Step));
}

} // namespace platform
