#pragma once
// The camera's own settings dialogs: its video formats ("&Format") and its source
// settings ("S&ource": exposure, white balance and zoom where the camera has them).

#include <QCameraFormat>
#include <QString>

class QCamera;
class QWidget;

namespace platform { class CaptureDevice; }

namespace capture {

// A format as the list shows it: "640 x 480  MJPEG  5 to 30 frames/s".
QString formatCaption(const QCameraFormat& format);

// Lists the device's formats with the one in use chosen; OK sets the one chosen.
// Returns true when a format was set.
bool chooseCameraFormat(platform::CaptureDevice& device, QWidget* parent);

// Exposure compensation, white balance and zoom, each only where the camera has it;
// the settings change as they are moved.
void showCameraSource(QCamera& camera, QWidget* parent);

} // namespace capture
