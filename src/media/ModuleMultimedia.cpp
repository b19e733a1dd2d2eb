#include "media/ModuleMultimedia.h"

#include "media/MediaCommands.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/WindowHandles.h"

#include <QFileInfo>
#include <QRect>
#include <QStringList>

#include <limits>

namespace media {

namespace {

constexpr int CommandField = 128;
constexpr int ReplyBuffer = 128;
// The child-window style bit, as the open command carries it.
constexpr qint64 ChildStyle = 1073741824;

QString num(qint64 v) { return QString::number(v); }

int clampToInt(double v)
{
    if (!(v >= double(std::numeric_limits<int>::min()) && v <= double(std::numeric_limits<int>::max())))
        return -1;
    return int(v);
}

// The path as the open command takes it: the file's path while it is there, else empty.
// A path holding a double quote cannot stand in the command's quotes.
QString shortPath(const QString& path)
{
    if (path.contains(QLatin1Char('"')) || !QFileInfo(path).exists())
        return {};
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

int ModuleMultimedia::send(const QString& command, int field, QString* reply)
{
    QString text = command;
    if (field > 0)
        text = text.leftJustified(field, QLatin1Char(' '), true);
    QString answer;
    const int code = mci_.sendString(text, reply ? &answer : nullptr);
    if (reply)
        *reply = answer.left(ReplyBuffer - 1);
    return code;
}

QString ModuleMultimedia::resultOf(int code) const
{
    if (code == 0)
        return QStringLiteral("No Errors");
    return MediaCommands::errorText(code).left(ReplyBuffer - 1);
}

int ModuleMultimedia::replyNumber(const QString& reply)
{
    return clampToInt(platform::roundHalfEven(platform::Val(reply)));
}

int ModuleMultimedia::numberOf(const QString& command, int field, double divisor)
{
    QString reply;
    if (send(command, field, &reply) != 0)
        return -1;
    return clampToInt(platform::roundHalfEven(platform::Val(reply) / divisor));
}

QString ModuleMultimedia::MciOpenDevice(int parentWindow, const QString& alias, const QString& path,
                                        const QString& deviceType)
{
    const QString command = QStringLiteral("open \"") + shortPath(path) + QStringLiteral("\" type ") + deviceType
        + QStringLiteral(" Alias ") + alias + QStringLiteral(" parent ") + num(parentWindow) + QStringLiteral(" Style ")
        + num(ChildStyle);
    // Sent whole: the path is the file's own (no short form of it exists here), and any
    // path the file system allows must open, however long.
    return resultOf(send(command, 0, nullptr));
}

QString ModuleMultimedia::MciPlay(const QString& alias, QString from, QString to)
{
    if (from.isEmpty())
        from = QStringLiteral("0");
    if (to.isEmpty())
        to = num(MciGetTotalFrames(alias));
    return resultOf(send(QStringLiteral("play ") + alias + QStringLiteral(" from ") + from + QStringLiteral(" to ") + to,
                         CommandField, nullptr));
}

QString ModuleMultimedia::MciClose(const QString& alias) { return resultOf(send(QStringLiteral("Close ") + alias, 0, nullptr)); }
QString ModuleMultimedia::MciPause(const QString& alias) { return resultOf(send(QStringLiteral("Pause ") + alias, 0, nullptr)); }
QString ModuleMultimedia::MciStop(const QString& alias) { return resultOf(send(QStringLiteral("Stop ") + alias, 0, nullptr)); }
QString ModuleMultimedia::MciResume(const QString& alias) { return resultOf(send(QStringLiteral("Resume ") + alias, 0, nullptr)); }
QString ModuleMultimedia::MciCloseAll() { return resultOf(send(QStringLiteral("Close All"), 0, nullptr)); }

QString ModuleMultimedia::MciGetMode(const QString& alias)
{
    QString reply;
    if (send(QStringLiteral("status ") + alias + QStringLiteral(" mode"), 0, &reply) != 0)
        return QStringLiteral("ERROR");
    const int nul = reply.indexOf(QChar(0));
    return nul < 0 ? reply : reply.left(nul);
}

int ModuleMultimedia::MciGetTotalFrames(const QString& alias)
{
    QString ignored;
    send(QStringLiteral("set ") + alias + QStringLiteral(" time format frames"), 0, &ignored);
    return numberOf(QStringLiteral("status ") + alias + QStringLiteral(" length"), 0);
}

int ModuleMultimedia::MciGetTotalMs(const QString& alias)
{
    QString ignored;
    send(QStringLiteral("set ") + alias + QStringLiteral(" time format ms"), 0, &ignored);
    const int ms = numberOf(QStringLiteral("status ") + alias + QStringLiteral(" length"), 0);
    send(QStringLiteral("set ") + alias + QStringLiteral(" time format frames"), 0, nullptr);
    return ms;
}

QString ModuleMultimedia::MciSeekAndPlay(const QString& alias, int frame)
{
    const int code = send(QStringLiteral("seek ") + alias + QStringLiteral(" to ") + num(frame), 0, nullptr);
    send(QStringLiteral("Play ") + alias, 0, nullptr);
    return resultOf(code);
}

int ModuleMultimedia::MciGetPosition(const QString& alias)
{
    return numberOf(QStringLiteral("status ") + alias + QStringLiteral(" position"), 0);
}

QString ModuleMultimedia::MciPutWindow(int window, const QString& alias, int& left, int& top, int& width, int& height)
{
    if (width == 0 || height == 0) {
        QRect rect;
        platform::GetWindowRect(window, rect);
        width = rect.width();
        height = rect.height();
    }
    return resultOf(send(QStringLiteral("put ") + alias + QStringLiteral(" window at ") + num(left) + QLatin1Char(' ')
                             + num(top) + QLatin1Char(' ') + num(width) + QLatin1Char(' ') + num(height),
                         0, nullptr));
}

int ModuleMultimedia::videoSizeField(const QString& reply, const QString& which)
{
    const QStringList fields = reply.split(QLatin1Char(' '));
    if (fields.size() < 4)
        return -1;
    // The width is the third field; the height all that follows the third blank.
    const QString text = which == QLatin1String("cx") ? fields[2] : fields.mid(3).join(QLatin1Char(' '));
    return replyNumber(text);
}

int ModuleMultimedia::MciGetVideoSize(const QString& alias, const QString& which)
{
    const QString w = which.toLower();
    if (w != QLatin1String("cx") && w != QLatin1String("cy"))
        return -1;
    QString reply;
    if (send(QStringLiteral("Where ") + alias + QStringLiteral(" destination"), 0, &reply) != 0)
        return -1;
    return videoSizeField(reply, w);
}

QString ModuleMultimedia::MciSetChannelAudio(const QString& alias, const QString& channel, const QString& state)
{
    return resultOf(send(QStringLiteral("set ") + alias + QStringLiteral(" audio ") + channel + QLatin1Char(' ') + state,
                         CommandField, nullptr));
}

QString ModuleMultimedia::MciSetVolume(const QString& alias, const QString& channel, int percent)
{
    if (percent < 0 || percent > 100)
        return QStringLiteral("out of volume");
    const QString side = channel.toLower();
    QString command;
    if (side == QLatin1String("left") || side == QLatin1String("right"))
        command = QStringLiteral("setaudio ") + alias + QLatin1Char(' ') + channel + QStringLiteral(" Volume to ")
            + num(qint64(percent) * 10);
    else
        command = QStringLiteral("setaudio ") + alias + QStringLiteral(" Volume to ") + num(qint64(percent) * 10);
    return resultOf(send(command, CommandField, nullptr));
}

int ModuleMultimedia::MciGetVolume(const QString& alias, const QString& channel)
{
    const QString side = channel.toLower();
    const QString command = side == QLatin1String("left") || side == QLatin1String("right")
        ? QStringLiteral("status ") + alias + QLatin1Char(' ') + channel + QStringLiteral(" Volume")
        : QStringLiteral("status ") + alias + QStringLiteral(" Volume");
    return numberOf(command, CommandField, 10);
}

QString ModuleMultimedia::MciSetSpeed(const QString& alias, int percent)
{
    return resultOf(send(QStringLiteral("set ") + alias + QStringLiteral(" speed ") + num(qint64(percent) * 10),
                         CommandField, nullptr));
}

int ModuleMultimedia::MciGetSpeed(const QString& alias)
{
    return numberOf(QStringLiteral("status ") + alias + QStringLiteral(" speed"), CommandField, 10);
}

int ModuleMultimedia::MciGetProgressPercent(const QString& alias)
{
    const int total = MciGetTotalFrames(alias);
    const int position = MciGetPosition(alias);
    if (total == -1 || position == -1)
        return -1;
    if (total == 0)
        return 0;
    return clampToInt(platform::roundHalfEven(double(position) * 100.0 / double(total)));
}

int ModuleMultimedia::MciGetFramesPerSecond(const QString& alias)
{
    const int ms = MciGetTotalMs(alias);
    const int frames = MciGetTotalFrames(alias);
    // A clip of no length has no rate: it counts as failed, like the queries.
    if (ms == -1 || frames == -1 || ms == 0)
        return -1;
    return clampToInt(platform::roundHalfEven(double(frames) / (double(ms) / 1000.0)));
}

bool ModuleMultimedia::MciAtEnd(const QString& alias, int& toFrame)
{
    if (toFrame == 0)
        toFrame = MciGetTotalFrames(alias);
    const int position = MciGetPosition(alias);
    return toFrame != -1 && position != -1 && position >= toFrame;
}

QString ModuleMultimedia::ReadMciIniKey(const QString&) { return QStringLiteral("None"); }

void ModuleMultimedia::WriteMciIniKey(const QString&, const QString&) {}

} // namespace media
