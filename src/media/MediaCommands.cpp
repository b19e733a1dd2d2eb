#include "media/MediaCommands.h"

#include "media/MediaDevice.h"
#include "platform/widgets/WindowHandles.h"

#include <QFileInfo>
#include <QStringList>
#include <QWidget>

#include <optional>

namespace media {

namespace {

// The words of a command, a double-quoted text taken as one word without its quotes;
// nullopt when a quote is not closed.
std::optional<QStringList> splitWords(const QString& command)
{
    QStringList words;
    QString word;
    bool inWord = false, quoted = false;
    for (const QChar c : command) {
        if (quoted) {
            if (c == QLatin1Char('"'))
                quoted = false;
            else
                word += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inWord = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inWord)
        words << word;
    return words;
}

bool is(const QString& word, const char* keyword)
{
    return word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

// A whole number as the commands write it; error code when it is not one.
int number(const QString& word, qint64& value)
{
    bool ok = false;
    value = word.toLongLong(&ok);
    return ok ? mediaOk : mediaNumberExpected;
}

// play [from <n>] [to <n>]: a range of one frame is a range.
int play(MediaDevice& device, const QStringList& rest, qint64 length)
{
    const int n = int(rest.size());
    std::optional<qint64> from, to;
    for (int i = 0; i < n; i += 2) {
        if (i + 1 >= n)
            return mediaMissingWord;
        qint64 v = 0;
        if (const int e = number(rest[i + 1], v))
            return e;
        if (v < 0 || v > length)
            return mediaOutOfRange;
        if (is(rest[i], "from"))
            from = v;
        else if (is(rest[i], "to"))
            to = v;
        else
            return mediaUnexpectedWord;
    }
    if (from && to && *from > *to)
        return mediaOutOfRange;
    device.play(from ? std::optional(device.toMs(*from)) : std::nullopt,
                to ? std::optional(device.toMs(*to)) : std::nullopt);
    return mediaOk;
}

// seek to <n|start|end>: the end is the length itself.
int seek(MediaDevice& device, const QStringList& rest, qint64 length)
{
    const int n = int(rest.size());
    if (n != 2 || !is(rest[0], "to"))
        return n < 2 ? mediaMissingWord : mediaUnexpectedWord;
    qint64 v = 0;
    if (is(rest[1], "start"))
        v = 0;
    else if (is(rest[1], "end"))
        v = length;
    else if (const int e = number(rest[1], v))
        return e;
    if (v < 0 || v > length)
        return mediaOutOfRange;
    device.seek(v == length ? device.lengthMs() : device.toMs(v));
    return mediaOk;
}

// status mode|length|position|speed|volume; a side's volume cannot be had.
int status(MediaDevice& device, const QStringList& rest, qint64 length, QString& reply)
{
    const int n = int(rest.size());
    const QString item = rest.join(QLatin1Char(' ')).toLower();
    if (item == QLatin1String("mode")) {
        switch (device.mode()) {
        case MediaDevice::Mode::Playing: reply = QStringLiteral("playing"); break;
        case MediaDevice::Mode::Paused: reply = QStringLiteral("paused"); break;
        case MediaDevice::Mode::Stopped: reply = QStringLiteral("stopped"); break;
        }
    } else if (item == QLatin1String("length")) {
        reply = QString::number(length);
    } else if (item == QLatin1String("position")) {
        reply = QString::number(device.toUnits(device.positionMs()));
    } else if (item == QLatin1String("speed")) {
        reply = QString::number(device.speed());
    } else if (item == QLatin1String("volume")) {
        reply = QString::number(device.volume());
    } else if (item == QLatin1String("left volume") || item == QLatin1String("right volume")) {
        return mediaNoBalance;
    } else {
        return n ? mediaUnexpectedWord : mediaMissingWord;
    }
    return mediaOk;
}

// set time format ..., set audio <side> on|off, set speed <n>.
int set(MediaDevice& device, const QStringList& rest)
{
    const int n = int(rest.size());
    if (n == 3 && is(rest[0], "time") && is(rest[1], "format")) {
        if (is(rest[2], "frames"))
            device.setFramesFormat(true);
        else if (is(rest[2], "ms") || is(rest[2], "milliseconds"))
            device.setFramesFormat(false);
        else
            return mediaUnexpectedWord;
        return mediaOk;
    }
    if (n == 3 && is(rest[0], "audio")) {
        if (!is(rest[2], "on") && !is(rest[2], "off"))
            return mediaUnexpectedWord;
        if (is(rest[1], "left") || is(rest[1], "right"))
            return mediaNoBalance;
        if (!is(rest[1], "all"))
            return mediaUnexpectedWord;
        device.setSoundOn(is(rest[2], "on"));
        return mediaOk;
    }
    if (n == 2 && is(rest[0], "speed")) {
        qint64 v = 0;
        if (const int e = number(rest[1], v))
            return e;
        if (v < 0 || v > 100000)
            return mediaOutOfRange;
        device.setSpeed(int(v));
        return mediaOk;
    }
    return n ? mediaUnexpectedWord : mediaMissingWord;
}

// setaudio [left|right] volume to <n>: the whole device's volume only.
int setAudio(MediaDevice& device, const QStringList& rest)
{
    const int n = int(rest.size());
    int i = 0;
    bool side = false;
    if (n && (is(rest[0], "left") || is(rest[0], "right"))) {
        side = true;
        ++i;
    }
    if (n - i != 3 || !is(rest[i], "volume") || !is(rest[i + 1], "to"))
        return n - i < 3 ? mediaMissingWord : mediaUnexpectedWord;
    qint64 v = 0;
    if (const int e = number(rest[i + 2], v))
        return e;
    if (side)
        return mediaNoBalance;
    if (v < 0 || v > 1000)
        return mediaOutOfRange;
    device.setVolume(int(v));
    return mediaOk;
}

// put window at <left> <top> <width> <height>.
int put(MediaDevice& device, const QStringList& rest)
{
    const int n = int(rest.size());
    if (n != 6 || !is(rest[0], "window") || !is(rest[1], "at"))
        return n < 6 ? mediaMissingWord : mediaUnexpectedWord;
    qint64 v[4];
    for (int i = 0; i < 4; ++i)
        if (const int e = number(rest[2 + i], v[i]))
            return e;
    if (v[2] <= 0 || v[3] <= 0 || v[2] > 32767 || v[3] > 32767 || std::abs(v[0]) > 32767 || std::abs(v[1]) > 32767)
        return mediaOutOfRange;
    if (!device.hasVideo())
        return mediaNoVideo;
    device.window()->setGeometry(int(v[0]), int(v[1]), int(v[2]), int(v[3]));
    return mediaOk;
}

// where destination: the picture's place and size.
int where(MediaDevice& device, const QStringList& rest, QString& reply)
{
    const int n = int(rest.size());
    if (n != 1 || !is(rest[0], "destination"))
        return n ? mediaUnexpectedWord : mediaMissingWord;
    if (!device.hasVideo())
        return mediaNoVideo;
    const QSize size = device.window()->size();
    reply = QStringLiteral("0 0 %1 %2").arg(size.width()).arg(size.height());
    return mediaOk;
}

} // namespace

MediaCommands::MediaCommands() = default;
MediaCommands::~MediaCommands() = default;

QString MediaCommands::errorText(int code)
{
    switch (code) {
    case mediaOk: return QStringLiteral("The command ran.");
    case mediaUnknownCommand: return QStringLiteral("The media player does not know this command.");
    case mediaNoSuchDevice: return QStringLiteral("No media device is open under this name.");
    case mediaAliasInUse: return QStringLiteral("A media device is already open under this name; close it first.");
    case mediaFileNotFound: return QStringLiteral("The media file cannot be found.");
    case mediaCannotPlay: return QStringLiteral("The media player cannot play this file.");
    case mediaOutOfRange: return QStringLiteral("A number is outside the range this command takes.");
    case mediaNumberExpected: return QStringLiteral("A whole number was expected in the command.");
    case mediaMissingWord: return QStringLiteral("The command lacks a word it needs.");
    case mediaUnexpectedWord: return QStringLiteral("The command holds a word it does not take.");
    case mediaUnknownType: return QStringLiteral("The media player does not know this device type.");
    case mediaNoSuchWindow: return QStringLiteral("No window has this handle.");
    case mediaNoVideo: return QStringLiteral("This media device has no picture.");
    case mediaNoBalance:
        return QStringLiteral("The left and right sound channels cannot be set apart on this system.");
    case mediaOpenQuote: return QStringLiteral("A double quote in the command is not closed.");
    default: return QStringLiteral("Unknown media error.");
    }
}

MediaDevice* MediaCommands::device(const QString& alias) const
{
    const auto it = devices_.find(alias.toLower());
    return it == devices_.end() ? nullptr : it->second.get();
}

int MediaCommands::sendString(const QString& command, QString* reply)
{
    received_.push_back(command);
    while (received_.size() > logLimit)
        received_.pop_front();
    const std::optional<QStringList> words = splitWords(command);
    QString answer;
    const int code = words ? run(*words, answer) : int(mediaOpenQuote);
    if (reply)
        *reply = code == mediaOk ? answer : QString();
    return code;
}

int MediaCommands::open(const QStringList& words)
{
    if (words.size() < 2)
        return mediaMissingWord;
    const QString path = words[1];
    QString type = QStringLiteral("MPEGVideo"), alias;
    std::optional<qint64> parent;
    for (int i = 2; i < words.size(); i += 2) {
        if (i + 1 >= words.size())
            return mediaMissingWord;
        const QString& value = words[i + 1];
        if (is(words[i], "type")) {
            type = value;
        } else if (is(words[i], "alias")) {
            alias = value;
        } else if (is(words[i], "parent")) {
            qint64 handle = 0;
            if (const int e = number(value, handle))
                return e;
            parent = handle;
        } else if (is(words[i], "style")) {
            qint64 style = 0;
            if (const int e = number(value, style))
                return e;
        } else {
            return mediaUnexpectedWord;
        }
    }
    // Every device type plays through the one player: the types differ only in the
    // drivers they would have needed elsewhere.
    if (!is(type, "AviVideo") && !is(type, "MPEGVideo") && !is(type, "DvDVideo"))
        return mediaUnknownType;
    if (alias.isEmpty())
        return mediaMissingWord;
    if (device(alias))
        return mediaAliasInUse;
    QWidget* window = nullptr;
    if (parent) {
        window = platform::windowOfHandle(int(*parent));
        if (!window)
            return mediaNoSuchWindow;
    }
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return mediaFileNotFound;
    auto dev = std::make_unique<MediaDevice>(window);
    if (!dev->load(path, openTimeoutMs))
        return mediaCannotPlay;
    // The load lets events run: another open may have taken the alias meanwhile.
    if (device(alias))
        return mediaAliasInUse;
    devices_[alias.toLower()] = std::move(dev);
    return mediaOk;
}

int MediaCommands::run(const QStringList& w, QString& reply)
{
    if (w.isEmpty())
        return mediaUnknownCommand;
    const QString& verb = w[0];
    if (is(verb, "open"))
        return open(w);
    if (is(verb, "close") && w.size() == 2 && is(w[1], "all")) {
        devices_.clear();
        return mediaOk;
    }
    static const char* const verbs[] = {"close", "play", "pause", "stop", "resume", "seek",
                                        "status", "set", "setaudio", "put", "where"};
    if (std::none_of(std::begin(verbs), std::end(verbs), [&](const char* v) { return is(verb, v); }))
        return mediaUnknownCommand;
    if (w.size() < 2)
        return mediaMissingWord;
    MediaDevice* dev = device(w[1]);
    if (!dev)
        return mediaNoSuchDevice;
    const QStringList rest = w.mid(2);
    const int n = int(rest.size());
    const qint64 length = dev->toUnits(dev->lengthMs());

    if (is(verb, "close")) {
        if (n)
            return mediaUnexpectedWord;
        devices_.erase(w[1].toLower());
        return mediaOk;
    }
    if (is(verb, "pause") || is(verb, "stop") || is(verb, "resume")) {
        if (n)
            return mediaUnexpectedWord;
        if (is(verb, "pause"))
            dev->pause();
        else if (is(verb, "stop"))
            dev->stop();
        else
            dev->resume();
        return mediaOk;
    }
    if (is(verb, "play"))
        return play(*dev, rest, length);
    if (is(verb, "seek"))
        return seek(*dev, rest, length);
    if (is(verb, "status"))
        return status(*dev, rest, length, reply);
    if (is(verb, "set"))
        return set(*dev, rest);
    if (is(verb, "setaudio"))
        return setAudio(*dev, rest);
    if (is(verb, "put"))
        return put(*dev, rest);
    if (is(verb, "where"))
        return where(*dev, rest, reply);
    return mediaUnknownCommand;
}

} // namespace media
