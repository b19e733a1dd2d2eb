#include "LiveStation.h"

#include "engine/EngineControl.h"
#include "platform/services/Engine.h"
#include "shell/FormMain.h"
#include "shell/Shell.h"

#include <QFile>
#include <QSignalSpy>

#include <utility>

namespace testsupport {

LiveStation::LiveStation(bool startNow)
{
    wav_ = f_.dataHome() + "/sent.wav";
    if (startNow)
        start();
}

LiveStation::~LiveStation()
{
    if (f_.built() && !engine().binding().deleted())
        engine().Form_QueryUnload();
}

engine::EngineControl& LiveStation::engine() const
{
    return f_.form().engine();
}

void LiveStation::start()
{
    f_.build();
    QString why;
    platform::Engine real = platform::Engine::load(REAL_ENGINE_PATH, &why);
    if (!real.present())
        qFatal("no engine: %s", qPrintable(why));
    for (const auto& [name, value] :
         {std::pair<const char*, QByteArray>{"input", "loopback"}, {"output", "wav:" + QFile::encodeName(wav_)},
          {"rate", "11025"}, {"jobms", "200"}, {"ptt", "cat"}, {"rigmodel", "1"}})
        if (!real.vrrSetOption(name, value.constData()))
            qFatal("option %s refused", name);
    real.vrrSetOutputGain(0xFFFFFFFF); // the gain is the process's: earlier tests changed it
    engine().setEngine(std::move(real));
    if (form().shell().Form_Load() != shell::Shell::LoadResult::Running)
        qFatal("the start-up ended");
}

void LiveStation::quit()
{
    QSignalSpy ended(&form(), &shell::FormMain::ended);
    form().exits->trigger();
    if (ended.isEmpty())
        qFatal("the shut-down did not end");
    f_.destroy();
}

QByteArray LiveStation::option(const char* name) const
{
    return QByteArray(engine().binding().vrrGetOption(name));
}

bool LiveStation::advanceUntil(const std::function<bool()>& done, qint64 maxMs)
{
    for (qint64 t = 0; t < maxMs && !done(); t += 200)
        clock.advance(200);
    return done();
}

} // namespace testsupport
