#pragma once
// One open media device: a file played by QMediaPlayer, its pictures drawn by a video
// window that is a child of the window the device was opened on, its sound sent to the
// default sound output while the machine has one. The device keeps what the media
// commands ask of it beyond what the player holds: the time format, the end of a play
// range, a position held where play stopped, the speed (0 holds the picture), the
// volume and the sound switch.

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class QAudioOutput;
class QMediaDevices;
class QMediaPlayer;
class QVideoFrame;
class QVideoSink;

namespace media {

// The device's picture: the latest frame stretched over the window.
class VideoWindow : public QWidget {
    Q_OBJECT
public:
    explicit VideoWindow(QWidget* parent);
    void showFrame(const QVideoFrame& frame);
    const QImage& frame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage frame_;
};

class MediaDevice : public QObject {
    Q_OBJECT
public:
    enum class Mode { Stopped, Playing, Paused };

    MediaDevice(QWidget* parent);
    ~MediaDevice() override;

    // Loads the file, letting events run until the player knows it (or gives up after
    // timeoutMs); false with the reason when it cannot be played.
    bool load(const QString& path, int timeoutMs);

    bool hasVideo() const { return hasVideo_; }
    QSize videoSize() const { return videoSize_; }
    // Frames per second of the picture; a file without one counts its frames in
    // milliseconds.
    double frameRate() const { return frameRate_; }
    qint64 lengthMs() const { return lengthMs_; }

    // The time format: frames (true) or milliseconds.
    bool framesFormat() const { return frames_; }
    void setFramesFormat(bool on) { frames_ = on; }
    // Between the time format and milliseconds.
    qint64 toUnits(qint64 ms) const;
    qint64 toMs(qint64 units) const;

    Mode mode() const { return mode_; }
    qint64 positionMs() const;

    // Plays from fromMs (none: where it stands) to toMs (none: the end).
    void play(std::optional<qint64> fromMs, std::optional<qint64> toMs);
    void pause();
    void stop();
    void resume();
    // Moves the play point and stops there.
    void seek(qint64 ms);

    int speed() const { return speed_; }
    void setSpeed(int perMille);
    int volume() const { return volume_; }
    void setVolume(int perMille);
    bool soundOn() const { return soundOn_; }
    void setSoundOn(bool on);
    bool hasSoundOutput() const { return audio_ != nullptr; }

    VideoWindow* window() const { return window_; }

private:
    void positionChanged(qint64 ms);
    void ended();
    void attachSound();
    void applyRun();
    void applyVolume();

    std::unique_ptr<QMediaPlayer> player_;
    std::unique_ptr<QVideoSink> sink_;
    std::unique_ptr<QMediaDevices> devices_;
    QAudioOutput* audio_ = nullptr;
    QPointer<VideoWindow> window_;
    bool hasVideo_ = false;
    QSize videoSize_;
    double frameRate_ = 1000;
    qint64 lengthMs_ = 0;
    bool frames_ = false;
    Mode mode_ = Mode::Stopped;
    std::optional<qint64> held_;   // where play stopped (the player forgets it at the end)
    std::optional<qint64> stopAt_; // the end of the play range
    qint64 playFrom_ = 0;          // where the play under way began, and when
    QElapsedTimer playClock_;
    int retried_ = 0;
    int speed_ = 1000;
    int volume_ = 1000;
    bool soundOn_ = true;
};

} // namespace media
