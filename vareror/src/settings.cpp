#include "settings.h"

#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    const qint64 size = QFileInfo(path).size();
    if (size > kMaxSettingsFile) {
        refused = true;
        fault = QString("%1 is %2 bytes, far more than the engine's settings; it was not read and is left as "
                        "it is (the engine runs with its defaults and keeps no settings)")
                    .arg(path)
                    .arg(size);
        return;
    }
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

namespace {

// A value as the settings reader reads it back: quoted, with backslash escapes and
// everything outside printable ASCII as a \x escape (a hex digit right after one is
// escaped too, or the reader would take it into the number).
QByteArray iniText(const QString &value)
{
    const QString v = value.startsWith('@') ? "@" + value : value; // a leading @ marks a typed value
    QByteArray out = "\"";
    bool afterHex = false;
    for (const QChar c : v) {
        const char16_t u = c.unicode();
        const bool hexDigit = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
        if (u < 0x20 || u >= 0x7F || (afterHex && hexDigit)) {
            out += "\\x" + QByteArray::number(u, 16);
            afterHex = true;
            continue;
        }
        afterHex = false;
        if (u == '"' || u == '\\')
            out += '\\';
        out += char(u);
    }
    return out + "\"";
}

} // namespace

QByteArray EngineSettings::text() const
{
    QByteArray t;
    auto group = [&](const char *name) { t += (t.isEmpty() ? "[" : "\n[") + QByteArray(name) + "]\n"; };
    auto number = [&](const char *key, qint64 v) { t += QByteArray(key) + "=" + QByteArray::number(v) + "\n"; };
    auto text = [&](const char *key, const QString &v) { t += QByteArray(key) + "=" + iniText(v) + "\n"; };
    group("engine");
    text("fskId", fskId);
    number("lastRxMode", lastRxMode);
    number("lms", lms);
    number("rxControl", rxWord);
    number("tuneControl", tuneWord);
    number("txControl", txWord);
    group("ptt");
    text("method", ptt);
    text("port", pttPort);
    number("rigModel", rigModel);
    number("speed", pttSpeed);
    group("sound");
    text("clock", QString::number(clock, 'g', 12));
    text("input", input);
    text("output", output);
    number("rate", rate);
    text("txClock", QString::number(txClock, 'g', 12));
    return t;
}

bool EngineSettings::save() const
{
    const QString path = filePath();
    if (refused)
        return false; // its fault says why, from the load
    std::string reason;
    if (!QDir().mkpath(folder()))
        reason = "its folder cannot be made";
    else {
        const QByteArray bytes = text();
        if (vareror::files::writeWholeFile(QFile::encodeName(path).toStdString(), bytes.constData(),
                                           size_t(bytes.size()), &reason)) {
            fault.clear();
            return true;
        }
    }
    fault = QString("cannot write %1: %2").arg(path, QString::fromLocal8Bit(reason.c_str()));
    return false;
}

} // namespace vareror::lib
