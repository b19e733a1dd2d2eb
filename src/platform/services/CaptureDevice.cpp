#include "platform/services/CaptureDevice.h"

#include "platform/runtime/Clock.h"

#include <QCamera>
#include <QCameraDevice>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QMediaPlayer>
#include <QMediaRecorder>
#include <QUrl>
#include <QVideoSink>

namespace platform {

CaptureDevice::CaptureDevice(QObject* parent) : QObject(parent) {}

CaptureDevice::CaptureDevice(QMediaPlayer& player, const QString& name, QObject* parent)
    : QObject(parent), player_(&player), overPlayer_(true), playerName_(name)
{
}

CaptureDevice::~CaptureDevice() { release(); }

bool CaptureDevice::driverDescription(int index, QString& name, QString& version) const
{
    version.clear();
    if (overPlayer_) {
        if (index != 0 || !player_)
            return false;
        name = playerName_;
        return true;
    }
    const QList<QCameraDevice> cameras = QMediaDevices::videoInputs();
    if (index < 0 || index >= cameras.size())
        return false;
    name = cameras.at(index).description();
    return true;
}

bool CaptureDevice::driverConnect(int index)
{
    QString name, version;
    if (!driverDescription(index, name, version))
        return false;
    release();
    sink_ = std::make_unique<QVideoSink>();
    connect(sink_.get(), &QVideoSink::videoFrameChanged, this, &CaptureDevice::frameArrived);
    if (overPlayer_) {
        connect(player_, &QMediaPlayer::errorOccurred, this,
                [this](QMediaPlayer::Error error, const QString& text) {
                    if (error != QMediaPlayer::NoError)
                        emit errorOccurred(int(error), text);
                });
        player_->setVideoOutput(sink_.get());
    } else {
        camera_ = std::make_unique<QCamera>(QMediaDevices::videoInputs().at(index));
        connect(camera_.get(), &QCamera::errorOccurred, this, [this](QCamera::Error error, const QString& text) {
            if (error != QCamera::NoError)
                emit errorOccurred(int(error), text);
        });
        session_ = std::make_unique<QMediaCaptureSession>();
        session_->setCamera(camera_.get());
        session_->setVideoSink(sink_.get());
        camera_->start();
    }
    index_ = index;
    updateTicker();
    return true;
}

void CaptureDevice::release()
{
    ticker_.reset();
    if (recorder_)
        recorder_->stop();
    recorder_.reset();
    if (player_ && index_ >= 0) {
        disconnect(player_, nullptr, this, nullptr);
        player_->setVideoOutput(static_cast<QObject*>(nullptr));
    }
    if (camera_)
        camera_->stop();
    session_.reset();
    camera_.reset();
    sink_.reset();
    latest_ = QVideoFrame();
    frameSize_ = QSize();
    fresh_ = false;
    index_ = -1;
}

std::optional<CaptureCaps> CaptureDevice::driverCaps() const
{
    if (index_ < 0)
        return std::nullopt;
    CaptureCaps caps;
    caps.deviceIndex = index_;
    if (camera_) {
        caps.hasDlgVideoFormat = !camera_->cameraDevice().videoFormats().isEmpty();
        const bool exposure = camera_->supportedFeatures().testFlag(QCamera::Feature::ExposureCompensation);
        const bool whiteBalance = camera_->isWhiteBalanceModeSupported(QCamera::WhiteBalanceManual) ||
                                  camera_->isWhiteBalanceModeSupported(QCamera::WhiteBalanceSunlight);
        const bool zoom = camera_->maximumZoomFactor() > camera_->minimumZoomFactor();
        caps.hasDlgVideoSource = exposure || whiteBalance || zoom;
    }
    return caps;
}

void CaptureDevice::setPreview(bool on)
{
    preview_ = on;
    updateTicker();
}

void CaptureDevice::setPreviewRate(int milliseconds)
{
    previewRate_ = std::max(1, milliseconds);
    if (ticker_)
        updateTicker();
}

void CaptureDevice::updateTicker()
{
    ticker_.reset();
    if (!preview_ || index_ < 0)
        return;
    ticker_ = currentClock().every(previewRate_, [this] {
        if (!fresh_)
            return;
        fresh_ = false;
        const QImage frame = latestFrame();
        if (!frame.isNull())
            emit previewFrame(frame);
    });
}

void CaptureDevice::frameArrived(const QVideoFrame& frame)
{
    if (!frame.isValid())
        return;
    latest_ = frame;
    fresh_ = true;
    if (frame.size() != frameSize_) {
        frameSize_ = frame.size();
        emit imageSizeChanged();
    }
}

std::optional<QSize> CaptureDevice::imageSize() const
{
    if (index_ < 0)
        return std::nullopt;
    if (camera_) {
        const QSize chosen = camera_->cameraFormat().resolution();
        if (chosen.isValid() && !chosen.isEmpty())
            return chosen;
    }
    if (frameSize_.isValid() && !frameSize_.isEmpty())
        return frameSize_;
    return std::nullopt;
}

QImage CaptureDevice::latestFrame() const
{
    if (!latest_.isValid())
        return QImage();
    // The program's pictures are 32-bit RGB; a frame with alpha would carry it into
    // the TX picture and the JPEG writer.
    return latest_.toImage().convertToFormat(QImage::Format_RGB32);
}

QList<QCameraFormat> CaptureDevice::formats() const
{
    return camera_ ? camera_->cameraDevice().videoFormats() : QList<QCameraFormat>();
}

QCameraFormat CaptureDevice::format() const { return camera_ ? camera_->cameraFormat() : QCameraFormat(); }

void CaptureDevice::setFormat(const QCameraFormat& format)
{
    if (!camera_)
        return;
    camera_->setCameraFormat(format);
    emit imageSizeChanged();
}

QCamera* CaptureDevice::camera() const { return camera_.get(); }

bool CaptureDevice::startRecording(const QString& path)
{
    if (!session_ || recording())
        return false;
    recorder_ = std::make_unique<QMediaRecorder>();
    session_->setRecorder(recorder_.get());
    QMediaFormat format(QMediaFormat::AVI);
    format.setVideoCodec(QMediaFormat::VideoCodec::MotionJPEG);
    format.setAudioCodec(QMediaFormat::AudioCodec::Unspecified);
    recorder_->setMediaFormat(format);
    recorder_->setOutputLocation(QUrl::fromLocalFile(path));
    connect(recorder_.get(), &QMediaRecorder::errorOccurred, this,
            [this](QMediaRecorder::Error error, const QString& text) {
                if (error != QMediaRecorder::NoError)
                    emit errorOccurred(int(error), text);
            });
    recorder_->record();
    return recorder_->recorderState() == QMediaRecorder::RecordingState ||
           recorder_->error() == QMediaRecorder::NoError;
}

void CaptureDevice::stopRecording()
{
    if (recorder_)
        recorder_->stop();
}

bool CaptureDevice::recording() const
{
    return recorder_ && recorder_->recorderState() != QMediaRecorder::StoppedState;
}

} // namespace platform
