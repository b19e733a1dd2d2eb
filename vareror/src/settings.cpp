#include "settings.h"

#include "whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <cmath>

#include <unistd.h>

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
    if (!QFileInfo::exists(path))
        return;
    // Only a regular file is read: a FIFO in its place would hold the engine's creation, and
    // the program's start with it, for ever.
    std::string notRead;
    const int fd = vareror::files::openForReading(QFile::encodeName(path).toStdString(), &notRead);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        refused = true;
        fault = QString("%1 cannot be read (%2); it is left as it is (the engine runs with its defaults and keeps "
                        "no settings)")
                    .arg(path, fd < 0 ? QString::fromLocal8Bit(notRead.c_str()) : file.errorString());
        return;
    }
    const qint64 size = file.size();
    if (size > kMaxSettingsFile) {
        refused = true;
        fault = QString("%1 is %2 bytes, far more than the engine's settings; it was not read and is left as "
                        "it is (the engine runs with its defaults and keeps no settings)")
                    .arg(path)
                    .arg(size);
        return;
    }
    // The engine writes its file in printable ASCII (escaping everything else): control
    // bytes in it are damage.
    const QByteArray bytes = file.readAll();
    const bool controlBytes = std::any_of(bytes.begin(), bytes.end(), [](char c) {
        return (uchar(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') || uchar(c) == 0x7F;
    });
    QSettings s(path, QSettings::IniFormat);
    const EngineSettings d;
    // A value that is there but cannot be read keeps its default, and is named below.
    QStringList unread;
    auto number = [&](const char *key, int fallback, bool (*valid)(int) = nullptr) {
        if (!s.contains(key))
            return fallback;
        bool ok = false;
        const int v = s.value(key).toString().trimmed().toInt(&ok);
        if (ok && (!valid || valid(v)))
            return v;
        unread << key;
        return fallback;
    };
    auto clockOf = [&](const char *key, const QString &fallback) {
        double f = 1.0;
        if (parseClock(s.value(key, fallback).toString(), f))
            return f;
        unread << key;
        return parseClock(fallback, f) ? f : 1.0;
    };
    rxWord = number("engine/rxControl", d.rxWord);
    txWord = number("engine/txControl", d.txWord);
    tuneWord = number("engine/tuneControl", d.tuneWord);
    lms = number("engine/lms", d.lms, [](int v) { return v >= 0 && v <= 2; });
    fskId = s.value("engine/fskId", d.fskId).toString();
    lastRxMode = number("engine/lastRxMode", d.lastRxMode);
    input = s.value("sound/input", d.input).toString();
    output = s.value("sound/output", d.output).toString();
    rate = number("sound/rate", d.rate, validRate);
    clock = clockOf("sound/clock", "1");
    // A file from before the output had a calibration of its own: both ends share one.
    txClock = clockOf("sound/txClock", QString::number(clock, 'g', 12));
    ptt = s.value("ptt/method", d.ptt).toString();
    if (!validPttMethod(ptt)) {
        unread << "ptt/method";
        ptt = d.ptt;
    }
    pttPort = s.value("ptt/port", d.pttPort).toString();
    rigModel = number("ptt/rigModel", d.rigModel);
    pttSpeed = number("ptt/speed", d.pttSpeed, validSerialSpeed);

    // A file damaged (lines that are no settings, values of no use) is said, with what of it
    // was lost: the settings it no longer holds are at their defaults from now on.
    const bool damaged = controlBytes || s.status() != QSettings::NoError;
    if (!damaged && unread.isEmpty())
        return;
    static const char *const keys[] = {"engine/fskId", "engine/lastRxMode", "engine/lms", "engine/rxControl",
                                       "engine/tuneControl", "engine/txControl", "ptt/method", "ptt/port",
                                       "ptt/rigModel", "ptt/speed", "sound/clock", "sound/input", "sound/output",
                                       "sound/rate", "sound/txClock"};
    if (damaged)
        for (const char *key : keys)
            if (!s.contains(key) && !unread.contains(key))
                unread << key;
    unread.sort();
    if (unread.isEmpty())
        damage = QString("%1 is damaged: it holds lines that are no settings, which are left out when it is written "
                         "again; every setting was read")
                     .arg(path);
    else if (unread.size() == int(std::size(keys)))
        damage = QString("%1 is damaged: none of its settings could be read, and the engine starts from its defaults")
                     .arg(path);
    else
        damage = QString(unread.size() == 1 ? "%1 is damaged: %2 was not found or could not be read, and is at its "
                                              "default; the rest was read"
                                            : "%1 is damaged: %2 were not found or could not be read, and are at "
                                              "their default; the rest was read")
                     .arg(path, unread.join(", "));
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
