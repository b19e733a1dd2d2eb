#pragma once
// The media command interpreter: media devices driven by text commands, each answered
// with a code (0 for success) and, where asked, a reply text. Words are matched without
// regard to case and separated by blanks; a path in double quotes is one word; blanks
// that pad a command to its field are ignored. Every device is known by its alias.
//
//   open "<path>" type <AviVideo|MPEGVideo|DvDVideo> alias <a> parent <handle> style <n>
//   close <a> | close all
//   play <a> [from <n>] [to <n>]    pause <a>    stop <a>    resume <a>
//   seek <a> to <n|start|end>
//   status <a> mode|length|position|speed|volume|left volume|right volume
//   set <a> time format frames|ms|milliseconds
//   set <a> audio all|left|right on|off         set <a> speed <n>  (1000 is normal)
//   setaudio <a> [left|right] volume to <n>      (0 to 1000)
//   put <a> window at <left> <top> <width> <height>
//   where <a> destination
//
// Numbers of times and positions are in the device's time format. The sound has no
// balance here: a left or right channel on its own is refused, never pretended.

#include <QString>

#include <deque>
#include <map>
#include <memory>

namespace media {

class MediaDevice;

// The interpreter's error codes; errorText gives their texts.
enum MediaError : int {
    mediaOk = 0,
    mediaUnknownCommand = 301,
    mediaNoSuchDevice,
    mediaAliasInUse,
    mediaFileNotFound,
    mediaCannotPlay,
    mediaOutOfRange,
    mediaNumberExpected,
    mediaMissingWord,
    mediaUnexpectedWord,
    mediaUnknownType,
    mediaNoSuchWindow,
    mediaNoVideo,
    mediaNoBalance,
    mediaOpenQuote,
};

class MediaCommands {
public:
    MediaCommands();
    ~MediaCommands();
    MediaCommands(const MediaCommands&) = delete;
    MediaCommands& operator=(const MediaCommands&) = delete;

    // Runs one command; the reply (when the command gives one) goes into *reply.
    int sendString(const QString& command, QString* reply = nullptr);
    // The text of a code, at most 127 characters.
    static QString errorText(int code);

    // The commands received, oldest first; the newest kept are at most logLimit.
    const std::deque<QString>& received() const { return received_; }
    void clearReceived() { received_.clear(); }
    static constexpr size_t logLimit = 200;

    // The device open under an alias (nullptr when none).
    MediaDevice* device(const QString& alias) const;
    // How long an open waits for the player to know the file.
    int openTimeoutMs = 120000;

private:
    int run(const QStringList& words, QString& reply);
    int open(const QStringList& words);
    std::map<QString, std::unique_ptr<MediaDevice>> devices_; // by lower-cased alias
    std::deque<QString> received_;
};

} // namespace media
