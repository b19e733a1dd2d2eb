#pragma once
// The camera controller window "Camera Controller": the live picture of a capture device
// in its capture view, the device's format and source settings, preview and scale
// switches, and the commands that hand the current frame to the camera folder and to the
// TX screen. Loading it (constructing) connects device 0; unloading it lets go of the
// device, so nothing of it stays connected. Its File and Edit menus, the driver chooser,
// the display and compression dialogs and the recording are built but not offered.

#include <QMainWindow>

#include <memory>

class QAction;
class QMenu;

namespace platform { class CaptureDevice; class CaptureView; }
namespace interfaces { class Form; }

namespace capture {

// Where a picture `inner` pixels long is put to stand centred in `outer` pixels: an odd
// difference leaves the extra pixel after it (the offset is floored, also below 0).
int centredOffset(int outer, int inner);

class frmMemCapMain : public QMainWindow {
    Q_OBJECT
public:
    // Over the system's cameras, or over `device` when one is given (a device over a
    // media player, for the tests). The load runs here.
    explicit frmMemCapMain(interfaces::Form& form);
    frmMemCapMain(interfaces::Form& form, std::unique_ptr<platform::CaptureDevice> device);
    ~frmMemCapMain() override;

    platform::CaptureDevice& device() const { return *device_; }
    // The hub of the main window it serves.
    interfaces::Form& form() const { return form_; }
    platform::CaptureView* captureWindow = nullptr; // the capture view, at 0, 0 of the client area

    // --- menus, in menu order ----------------------------------------------------
    QMenu* mnuFile = nullptr;               // "&File" (not offered)
    QAction* mnuAllocate = nullptr;
    QAction* savetoRxPictures = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuEdit = nullptr;               // "&Edit" (not offered)
    QAction* mnuCopy = nullptr;
    QAction* sendToTxScreen = nullptr;
    QAction* sendToTxScreenFull = nullptr;
    QMenu* mnuControl = nullptr;            // "&Setup"
    QAction* mnuStart = nullptr;
    QAction* mnuDisplay = nullptr;
    QAction* mnuFormat = nullptr;
    QAction* mnuSource = nullptr;
    QAction* mnuCompression = nullptr;
    QAction* mnuLine1 = nullptr;
    QAction* mnuSelect = nullptr;
    QAction* mnuScale = nullptr;
    QAction* mnuPreview = nullptr;
    QAction* mnuAlwaysVisible = nullptr;
    QAction* grab = nullptr;                // "&Grab to file"
    QAction* grabtoscreen = nullptr;        // "&Grab to Screen"

    // The status bar's text.
    QString statusText() const;
    void ShowCaptureStatus(const QString& text, int number = 0);
    // The device's reports: number 0 changes nothing, any other shows the text.
    void CaptureStatusCallback(int number, const QString& text);
    void CaptureErrorCallback(int number, const QString& text);

    // Sizes the capture view to the video: image plus frame and caption. Nothing changes
    // while the size of the video is not known.
    void ResizeCaptureWindow();

    void mnuAllocate_Click();
    void mnuExit_Click();
    void mnuCopy_Click();
    void mnuStart_Click();
    void mnuDisplay_Click();
    void mnuFormat_Click();
    void mnuSource_Click();
    void mnuCompression_Click();
    void mnuSelect_Click();
    void mnuScale_Click();
    void mnuPreview_Click();
    void mnuAlwaysVisible_Click();

    // The frame hand-off: to the camera folder, centred on a black TX screen, stretched
    // over the TX screen.
    void savetoRxPictures_Click();
    void sendToTxScreen_Click();
    void sendToTxScreenFull_Click();

    // The window's unload: the device's reports no longer reach it and the device is let
    // go. Never refuses.
    void Form_Unload();

    // The status texts of the window's own.
    static QString noCameraText();
    static QString noFrameText();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildMenus();
    void Form_Load();
    // Why there is no frame to take: no camera, or none delivered yet.
    QString noPictureText() const;
    // The current frame into the main window's work picture Picture3; false (and the
    // status bar says why) when there is none.
    bool takeFrame();
    // The frame in Picture3 painted into the TX screen at (x, y, width, height), over a
    // black screen when `black`; committed, the TX tab shown.
    void frameToTxScreen(bool black, double x, double y, double width, double height);

    interfaces::Form& form_;
    std::unique_ptr<platform::CaptureDevice> device_;
    bool unloaded_ = false;
};

} // namespace capture
