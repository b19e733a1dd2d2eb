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
    if (is(verb, "play")) {
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
        dev->play(from ? std::optional(dev->toMs(*from)) : std::nullopt,
                  to ? std::optional(dev->toMs(*to)) : std::nullopt);
        return mediaOk;
    }
    if (is(verb, "seek")) {
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
        dev->seek(v == length ? dev->lengthMs() : dev->toMs(v));
        return mediaOk;
    }
    if (is(verb, "status")) {
        const QString item = rest.join(QLatin1Char(' ')).toLower();
        if (item == QLatin1String("mode")) {
            switch (dev->mode()) {
            case MediaDevice::Mode::Playing: reply = QStringLiteral("playing"); break;
            case MediaDevice::Mode::Paused: reply = QStringLiteral("paused"); break;
            case MediaDevice::Mode::Stopped: reply = QStringLiteral("stopped"); break;
            }
        } else if (item == QLatin1String("length")) {
            reply = QString::number(length);
        } else if (item == QLatin1String("position")) {
            reply = QString::number(dev->toUnits(dev->positionMs()));
        } else if (item == QLatin1String("speed")) {
            reply = QString::number(dev->speed());
        } else if (item == QLatin1String("volume")) {
            reply = QString::number(dev->volume());
        } else if (item == QLatin1String("left volume") || item == QLatin1String("right volume")) {
            return mediaNoBalance;
        } else {
            return n ? mediaUnexpectedWord : mediaMissingWord;
        }
        return mediaOk;
    }
    if (is(verb, "set")) {
        if (n == 3 && is(rest[0], "time") && is(rest[1], "format")) {
            if (is(rest[2], "frames"))
                dev->setFramesFormat(true);
            else if (is(rest[2], "ms") || is(rest[2], "milliseconds"))
                dev->setFramesFormat(false);
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
            dev->setSoundOn(is(rest[2], "on"));
            return mediaOk;
        }
        if (n == 2 && is(rest[0], "speed")) {
            qint64 v = 0;
            if (const int e = number(rest[1], v))
                return e;
            if (v < 0 || v > 100000)
                return mediaOutOfRange;
            dev->setSpeed(int(v));
            return mediaOk;
        }
        return n ? mediaUnexpectedWord : mediaMissingWord;
    }
    if (is(verb, "setaudio")) {
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
        dev->setVolume(int(v));
        return mediaOk;
    }
    if (is(verb, "put")) {
        if (n != 6 || !is(rest[0], "window") || !is(rest[1], "at"))
            return n < 6 ? mediaMissingWord : mediaUnexpectedWord;
        qint64 v[4];
        for (int i = 0; i < 4; ++i)
            if (const int e = number(rest[2 + i], v[i]))
                return e;
        if (v[2] <= 0 || v[3] <= 0 || v[2] > 32767 || v[3] > 32767 || std::abs(v[0]) > 32767 || std::abs(v[1]) > 32767)
            return mediaOutOfRange;
        if (!dev->hasVideo())
            return mediaNoVideo;
        dev->window()->setGeometry(int(v[0]), int(v[1]), int(v[2]), int(v[3]));
        return mediaOk;
    }
    if (is(verb, "where")) {
        if (n != 1 || !is(rest[0], "destination"))
            return n ? mediaUnexpectedWord : mediaMissingWord;
        if (!dev->hasVideo())
            return mediaNoVideo;
        const QSize size = dev->window()->size();
        reply = QStringLiteral("0 0 %1 %2").arg(size.width()).arg(size.height());
        return mediaOk;
    }
    return mediaUnknownCommand;
}

} // namespace media
