#include "settings.h"

#include <QDir>
#include <QSettings>

#include <algorithm>
#include <cmath>

namespace vareror::lib {

QString EngineSettings::folder()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + "/.local/share";
    return base + "/Tovaro";
}

QString EngineSettings::filePath() { return folder() + "/vareror.ini"; }

bool validRate(int rate) { return rate == 11025 || rate == 44100 || rate == 48000; }

bool validPttMethod(const QString &method)
{
    return method == "none" || method == "rts" || method == "dtr" || method == "cat";
}

bool validSerialSpeed(int speed)
{
    static const int speeds[] = {0, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return std::find(std::begin(speeds), std::end(speeds), speed) != std::end(speeds);
}

bool parseClock(const QString &text, double &factor)
{
    QString t = text.trimmed().toLower();
    bool ppm = false;
    if (t.endsWith("ppm")) {
        ppm = true;
        t.chop(3);
        t = t.trimmed();
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    if (!ppm && v >= 0.5 && v <= 2.0) {
        factor = v;
        return true;
    }
    // A clock off by more than 10 % is no sound card.
    if (std::abs(v) > 100000)
        return false;
    factor = 1.0 + v * 1e-6;
    return true;
}

void EngineSettings::load()
{
    const QString path = filePath();
    if (!QFile::exists(path))
        return;
    QSettings s(path, QSettings::IniFormat);
    const EngineSettings d;
    rxWord = s.value("engine/rxControl", d.rxWord).toInt();
    txWord = s.value("engine/txControl", d.txWord).toInt();
    tuneWord = s.value("engine/tuneControl", d.tuneWord).toInt();
    lms = s.value("engine/lms", d.lms).toInt();
    if (lms < 0 || lms > 2)
        lms = d.lms;
    fskId = s.value("engine/fskId", d.fskId).toString();
    lastRxMode = s.value("engine/lastRxMode", d.lastRxMode).toInt();
    input = s.value("sound/input", d.input).toString();
    output = s.value("sound/output", d.output).toString();
    rate = s.value("sound/rate", d.rate).toInt();
    if (!validRate(rate))
        rate = d.rate;
    double f = 1.0;
    clock = parseClock(s.value("sound/clock", "1").toString(), f) ? f : 1.0;
    // A file from before the output had a calibration of its own: both ends share one.
    txClock = parseClock(s.value("sound/txClock", QString::number(clock, 'g', 12)).toString(), f) ? f : clock;
    ptt = s.value("ptt/method", d.ptt).toString();
    if (!validPttMethod(ptt))
        ptt = d.ptt;
    pttPort = s.value("ptt/port", d.pttPort).toString();
    rigModel = s.value("ptt/rigModel", d.rigModel).toInt();
    pttSpeed = s.value("ptt/speed", d.pttSpeed).toInt();
    if (!validSerialSpeed(pttSpeed))
        pttSpeed = d.pttSpeed;
}

bool EngineSettings::save() const
{
    if (!QDir().mkpath(folder()))
        return false;
    QSettings s(filePath(), QSettings::IniFormat);
    s.setValue("engine/rxControl", rxWord);
    s.setValue("engine/txControl", txWord);
    s.setValue("engine/tuneControl", tuneWord);
    s.setValue("engine/lms", lms);
    s.setValue("engine/fskId", fskId);
    s.setValue("engine/lastRxMode", lastRxMode);
    s.setValue("sound/input", input);
    s.setValue("sound/output", output);
    s.setValue("sound/rate", rate);
    s.setValue("sound/clock", QString::number(clock, 'g', 12));
    s.setValue("sound/txClock", QString::number(txClock, 'g', 12));
    s.setValue("ptt/method", ptt);
    s.setValue("ptt/port", pttPort);
    s.setValue("ptt/rigModel", rigModel);
    s.setValue("ptt/speed", pttSpeed);
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace vareror::lib
