#pragma once
// A window started with the real engine library: the internal loopback as its input
// (what it sends comes back to its receiver), a WAV file as its output, PTT on the dummy
// rig through CAT, on a clock that moves only when told. The engine is one per process:
// a station deletes it when it ends, so the next one creates its own.
//
//     testsupport::LiveStation s;        // built and started (the load handler has run)
//     s.form().Command3->click();
//     s.advanceUntil([&] { ... }, 60000);

#include "FormFixture.h"

#include "platform/runtime/Clock.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace engine { class EngineControl; }

namespace testsupport {

class LiveStation {
public:
    // start false: only the fixture; call start() after preparing files.
    explicit LiveStation(bool start = true);
    ~LiveStation();
    LiveStation(const LiveStation&) = delete;
    LiveStation& operator=(const LiveStation&) = delete;

    // Builds the window (when it is not built), binds the real engine with the test's
    // devices and runs the load handler; fails the program when the start-up ends.
    void start();
    // The shut-down as the Exit menu runs it, then the window is destroyed; the folder stays.
    void quit();

    platform::ManualClock clock;
    FormFixture& fixture() { return f_; }
    shell::FormMain& form() const { return f_.form(); }
    engine::EngineControl& engine() const;
    // The WAV file that receives what the engine sends.
    QString wav() const { return wav_; }
    QByteArray option(const char* name) const;
    // Moves the clock in polling ticks until done holds (at most maxMs); returns done().
    bool advanceUntil(const std::function<bool()>& done, qint64 maxMs);

private:
    platform::UseClock use_{clock};
    FormFixture f_{false};
    QString wav_;
};

} // namespace testsupport
