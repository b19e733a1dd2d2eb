#include "media/MediaDevice.h"

#include "platform/runtime/Vb.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaDevices>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>

namespace media {

VideoWindow::VideoWindow(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoWindow"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VideoWindow::showFrame(const QVideoFrame& frame)
{
    if (!frame.isValid())
        return;
    frame_ = frame.toImage();
    update();
}

void VideoWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (frame_.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(rect(), frame_);
}

MediaDevice::MediaDevice(QWidget* parent)
    : player_(std::make_unique<QMediaPlayer>()), sink_(std::make_unique<QVideoSink>()),
      devices_(std::make_unique<QMediaDevices>())
{
    window_ = new VideoWindow(parent);
    window_->hide();
    player_->setVideoSink(sink_.get());
    connect(sink_.get(), &QVideoSink::videoFrameChanged, window_, &VideoWindow::showFrame);
    connect(player_.get(), &QMediaPlayer::positionChanged, this, &MediaDevice::positionChanged);
    connect(player_.get(), &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        // A report that comes after a new play began is old news.
        if (status == QMediaPlayer::EndOfMedia && player_->mediaStatus() == QMediaPlayer::EndOfMedia)
            ended();
    });
    // Debian's backend fails when it plays into an output with no sound device behind
    // it, so the sound goes out only while the machine has one.
    connect(devices_.get(), &QMediaDevices::audioOutputsChanged, this, &MediaDevice::attachSound);
    attachSound();
}

MediaDevice::~MediaDevice()
{
    player_->stop();
    player_->setVideoSink(nullptr);
    player_->setAudioOutput(nullptr);
    delete audio_;
    delete window_.data();
}

void MediaDevice::attachSound()
{
    const bool any = !QMediaDevices::audioOutputs().isEmpty();
    if (any && !audio_) {
        audio_ = new QAudioOutput(QMediaDevices::defaultAudioOutput());
        applyVolume();
        player_->setAudioOutput(audio_);
    } else if (!any && audio_) {
        player_->setAudioOutput(nullptr);
        delete audio_;
        audio_ = nullptr;
    }
}

bool MediaDevice::load(const QString& path, int timeoutMs)
{
    player_->setSource(QUrl::fromLocalFile(path));
    QEventLoop wait;
    auto known = [this] {
        const auto s = player_->mediaStatus();
        return s == QMediaPlayer::LoadedMedia || s == QMediaPlayer::InvalidMedia
            || player_->error() != QMediaPlayer::NoError;
    };
    QDeadlineTimer deadline(timeoutMs);
    QTimer poll;
    connect(&poll, &QTimer::timeout, &wait, [&] {
        if (known() || deadline.hasExpired())
            wait.quit();
    });
    connect(player_.get(), &QMediaPlayer::mediaStatusChanged, &wait, [&] {
        if (known())
            wait.quit();
    });
    if (!known()) {
        poll.start(50);
        wait.exec();
    }
    if (player_->mediaStatus() != QMediaPlayer::LoadedMedia || player_->error() != QMediaPlayer::NoError)
        return false;

    lengthMs_ = std::max<qint64>(player_->duration(), 0);
    hasVideo_ = player_->hasVideo();
    if (hasVideo_) {
        QMediaMetaData meta = player_->metaData();
        if (!player_->videoTracks().isEmpty())
            meta = player_->videoTracks().first();
        videoSize_ = meta.value(QMediaMetaData::Resolution).toSize();
        if (!videoSize_.isValid())
            videoSize_ = player_->metaData().value(QMediaMetaData::Resolution).toSize();
        if (!videoSize_.isValid() || videoSize_.isEmpty())
            videoSize_ = QSize(320, 240);
        const double rate = meta.value(QMediaMetaData::VideoFrameRate).toDouble();
        // A picture whose rate the file does not give is counted at the PAL rate.
        frameRate_ = rate > 0 ? rate : 25.0;
        window_->resize(videoSize_);
    }
    return true;
}

qint64 MediaDevice::toUnits(qint64 ms) const
{
    if (!frames_)
        return ms;
    return qint64(platform::roundHalfEven(double(ms) * frameRate_ / 1000.0));
}

qint64 MediaDevice::toMs(qint64 units) const
{
    if (!frames_)
        return units;
    return qint64(platform::roundHalfEven(double(units) * 1000.0 / frameRate_));
}

qint64 MediaDevice::positionMs() const
{
    return held_ ? *held_ : player_->position();
}

// The player runs while the device plays at a speed above 0; otherwise it holds.
void MediaDevice::applyRun()
{
    if (mode_ == Mode::Playing && speed_ > 0) {
        player_->setPlaybackRate(double(speed_) / 1000.0);
        player_->play();
    } else if (player_->playbackState() == QMediaPlayer::PlayingState) {
        player_->pause();
    }
}

void MediaDevice::play(std::optional<qint64> fromMs, std::optional<qint64> toMs)
{
    const qint64 start = fromMs ? *fromMs : positionMs();
    held_.reset();
    stopAt_ = toMs;
    if (start >= lengthMs_ && lengthMs_ > 0) {
        // Nothing is left to play: the device stands at the end.
        held_ = lengthMs_;
        mode_ = Mode::Stopped;
        applyRun();
        return;
    }
    // After the end of the file the player is stopped first: a seek alone does not always
    // clear its end (it then ends again at once).
    if (player_->mediaStatus() == QMediaPlayer::EndOfMedia)
        player_->stop();
    if (fromMs || player_->position() != start)
        player_->setPosition(start);
    if (hasVideo_)
        window_->show();
    if (stopAt_ && start >= *stopAt_) {
        held_ = start;
        mode_ = Mode::Stopped;
        applyRun();
        return;
    }
    mode_ = Mode::Playing;
    playFrom_ = start;
    retried_ = 0;
    playClock_.start();
    applyRun();
}

void MediaDevice::pause()
{
    if (mode_ == Mode::Playing)
        mode_ = Mode::Paused;
    applyRun();
}

// Stop keeps the play point where it is (the player's own stop goes back to the start).
void MediaDevice::stop()
{
    if (mode_ != Mode::Stopped && !held_)
        held_ = player_->position();
    mode_ = Mode::Stopped;
    applyRun();
}

void MediaDevice::resume()
{
    if (mode_ == Mode::Playing)
        return;
    play(std::nullopt, stopAt_);
}

void MediaDevice::seek(qint64 ms)
{
    mode_ = Mode::Stopped;
    stopAt_.reset();
    applyRun();
    ms = std::clamp<qint64>(ms, 0, lengthMs_);
    player_->setPosition(ms);
    held_ = ms;
}

void MediaDevice::setSpeed(int perMille)
{
    speed_ = perMille;
    applyRun();
}

void MediaDevice::setVolume(int perMille)
{
    volume_ = perMille;
    applyVolume();
}

void MediaDevice::setSoundOn(bool on)
{
    soundOn_ = on;
    applyVolume();
}

// Sound off is a volume of 0: Debian's backend does not act on the output's mute while
// it plays.
void MediaDevice::applyVolume()
{
    if (audio_)
        audio_->setVolume(soundOn_ ? float(volume_) / 1000.0f : 0.0f);
}

void MediaDevice::positionChanged(qint64)
{
    // The position the player holds now: a report from before a new play point was set
    // would end the new range at once.
    const qint64 ms = player_->position();
    if (mode_ != Mode::Playing || !stopAt_ || ms < *stopAt_)
        return;
    // The end of the play range: the device stops there, on that frame.
    mode_ = Mode::Stopped;
    applyRun();
    player_->setPosition(*stopAt_);
    held_ = *stopAt_;
}

void MediaDevice::ended()
{
    if (mode_ == Mode::Stopped && held_)
        return;
    // Debian's backend at times ends a file played again with sound and picture the moment
    // it starts. An end sooner than even twice the speed could reach is that: the range
    // is started once more.
    if (mode_ == Mode::Playing && retried_ < 3 && speed_ > 0) {
        const qint64 span = std::min(stopAt_.value_or(lengthMs_), lengthMs_) - playFrom_;
        if (span > 200 && playClock_.elapsed() * speed_ / 1000 < span / 2) {
            ++retried_;
            // Once the player has finished with its end.
            QTimer::singleShot(0, this, [this] {
                if (mode_ != Mode::Playing)
                    return;
                playClock_.start();
                player_->stop();
                player_->setPosition(playFrom_);
                applyRun();
            });
            return;
        }
    }
    mode_ = Mode::Stopped;
    held_ = lengthMs_;
}

} // namespace media

