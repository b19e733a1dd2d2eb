#pragma once
// A video capture device: the cameras the system lists (QMediaDevices::videoInputs(), by
// index from 0), one of them connected at a time: a QCamera in a QMediaCaptureSession
// into a QVideoSink. The program's camera window reaches the camera only through this:
// the device's description, its capabilities, the preview and its rate, the scale
// switch, the video's size, the latest frame and the errors it reports as (number, text).
//
// A media player can stand in for the cameras: it plays into the same sink, so its
// frames reach the window by the same road (a clip as a camera; the tests use it).

#include <QCameraFormat>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVideoFrame>

#include <memory>
#include <optional>

class QCamera;
class QMediaCaptureSession;
class QMediaPlayer;
class QMediaRecorder;
class QVideoSink;

namespace platform {

class Ticker;

// What a connected device offers.
struct CaptureCaps {
    int deviceIndex = -1;            // the index it was connected by
    bool hasDlgVideoSource = false;  // exposure, white balance or zoom can be set
    bool hasDlgVideoFormat = false;  // the device lists its video formats
    bool hasDlgVideoDisplay = false; // no counterpart here: always false
};

class CaptureDevice : public QObject {
    Q_OBJECT
public:
    // Over the system's cameras.
    explicit CaptureDevice(QObject* parent = nullptr);
    // Over `player` as the only device (index 0), described as `name`. The player is
    // not owned; its video output becomes this device's sink when it is connected.
    CaptureDevice(QMediaPlayer& player, const QString& name, QObject* parent = nullptr);
    ~CaptureDevice() override;

    // The name (and version, empty here) of device `index`; false when there is none.
    bool driverDescription(int index, QString& name, QString& version) const;
    // Connects device `index` and starts it; the one connected before is let go. False
    // when there is no such device (the one connected before stays connected).
    bool driverConnect(int index);
    bool isConnected() const { return index_ >= 0; }
    // Lets go of the connected device (a player keeps playing, into nothing).
    void driverDisconnect() { release(); }
    // The connected device's capabilities; nullopt when none is connected.
    std::optional<CaptureCaps> driverCaps() const;

    // Preview: while on, previewFrame is emitted with the latest frame every rate
    // milliseconds (on the program's clock) when a new frame came since the last one.
    bool preview() const { return preview_; }
    void setPreview(bool on);
    int previewRate() const { return previewRate_; }
    void setPreviewRate(int milliseconds);
    // Scale: the preview stretched over the view (on) or at its own size (off). The
    // device only keeps the switch; the view shows it.
    bool scale() const { return scale_; }
    void setScale(bool on) { scale_ = on; }

    // The size in pixels of the current video: the chosen format's, else the frames'.
    // nullopt when no device is connected or nothing is known yet.
    std::optional<QSize> imageSize() const;
    // The latest frame the device delivered; a null picture when none came yet.
    QImage latestFrame() const;

    // The connected camera's video formats and the one in use (none for a player).
    QList<QCameraFormat> formats() const;
    QCameraFormat format() const;
    void setFormat(const QCameraFormat& format);
    // The connected camera, for its source settings (exposure, white balance, zoom);
    // null for a player or when none is connected.
    QCamera* camera() const;

    // Records the camera's video (no sound) into `path` until stopRecording. False when
    // nothing can be recorded (no camera connected, or the recorder refused).
    bool startRecording(const QString& path);
    void stopRecording();
    bool recording() const;

signals:
    // An error the device reports: its number (never 0) and its text.
    void errorOccurred(int number, const QString& text);
    void previewFrame(const QImage& frame);
    // The video's size changed (a first frame, another format).
    void imageSizeChanged();

private:
    void frameArrived(const QVideoFrame& frame);
    void updateTicker();
    void release();

    QPointer<QMediaPlayer> player_;
    bool overPlayer_ = false;
    QString playerName_;
    int index_ = -1;
    std::unique_ptr<QVideoSink> sink_;
    std::unique_ptr<QMediaCaptureSession> session_;
    std::unique_ptr<QCamera> camera_;
    std::unique_ptr<QMediaRecorder> recorder_;
    QVideoFrame latest_;
    QSize frameSize_;
    bool fresh_ = false;
    bool preview_ = false;
    bool scale_ = false;
    int previewRate_ = 66;
    std::unique_ptr<Ticker> ticker_;
};

} // namespace platform
