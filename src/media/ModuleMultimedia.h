#pragma once
// The player's command layer: each routine builds its media command texts, sends them
// to the interpreter and turns the outcome into a result text ("No Errors" or the error
// text), a number (-1 when the command failed) or a reply word. The layer keeps no state:
// the open device, its alias and its time format live in the interpreter.

#include <QString>

namespace media {

class MediaCommands;

class ModuleMultimedia {
public:
    explicit ModuleMultimedia(MediaCommands& commands) : mci_(commands) {}
    MediaCommands& commands() const { return mci_; }

    QString MciOpenDevice(int parentWindow, const QString& alias, const QString& path, const QString& deviceType);
    QString MciPlay(const QString& alias, QString from, QString to);
    QString MciClose(const QString& alias);
    QString MciPause(const QString& alias);
    QString MciStop(const QString& alias);
    QString MciResume(const QString& alias);
    QString MciCloseAll();
    QString MciGetMode(const QString& alias);
    int MciGetTotalFrames(const QString& alias);
    int MciGetTotalMs(const QString& alias);
    QString MciSeekAndPlay(const QString& alias, int frame);
    int MciGetPosition(const QString& alias);
    // A width or height of 0 takes both from the parent window, written back.
    QString MciPutWindow(int window, const QString& alias, int& left, int& top, int& width, int& height);
    int MciGetVideoSize(const QString& alias, const QString& which);
    QString MciSetChannelAudio(const QString& alias, const QString& channel, const QString& state);
    QString MciSetVolume(const QString& alias, const QString& channel, int percent);
    int MciGetVolume(const QString& alias, const QString& channel);
    QString MciSetSpeed(const QString& alias, int percent);
    int MciGetSpeed(const QString& alias);
    int MciGetProgressPercent(const QString& alias);
    int MciGetFramesPerSecond(const QString& alias);
    // A to frame of 0 is first replaced by the clip's length, written back.
    bool MciAtEnd(const QString& alias, int& toFrame);
    // There is no system table of media drivers here: a read finds nothing ("None") and
    // a write changes nothing.
    QString ReadMciIniKey(const QString& key);
    void WriteMciIniKey(const QString& key, const QString& value);

    // A reply's leading number, rounded to an integer, halves to even.
    static int replyNumber(const QString& reply);
    // The width ("cx") or height ("cy") field of a "where" reply; -1 for fewer than four
    // fields.
    static int videoSizeField(const QString& reply, const QString& which);

private:
    // Sends a command (blank-padded or cut to field characters when field is not 0)
    // and returns the code; the reply when asked for.
    int send(const QString& command, int field, QString* reply);
    QString resultOf(int code) const;
    int numberOf(const QString& command, int field, double divisor = 1);
    MediaCommands& mci_;
};

} // namespace media
