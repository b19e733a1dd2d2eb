#include "capture/frmMemCapMain.h"

#include "capture/CameraDialogs.h"
#include "capture/frmSelect.h"
#include "interfaces/CanvasRoom.h"
#include "interfaces/EngineRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/ShellRoom.h"
#include "interfaces/StripsRoom.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/CaptureDevice.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Ui.h"
#include "platform/widgets/CaptureView.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "platform/widgets/Controls.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QMenuBar>
#include <QStatusBar>

#include <climits>

namespace capture {

namespace {

using interfaces::kTxHeight;
using interfaces::kTxWidth;
// The camera folder keeps the newest this many of the program's camera pictures.
constexpr int kCameraPictures = 35;
const QString kCameraPrefix = QStringLiteral("Camera");

} // namespace

int centredOffset(int outer, int inner)
{
    const int difference = outer - inner;
    return difference >= 0 ? difference / 2 : -((-difference + 1) / 2);
}

frmMemCapMain::frmMemCapMain(interfaces::Form& form) : frmMemCapMain(form, nullptr) {}

frmMemCapMain::frmMemCapMain(interfaces::Form& form, std::unique_ptr<platform::CaptureDevice> device)
    : QMainWindow(nullptr, Qt::Window), form_(form), device_(std::move(device))
{
    setObjectName(QStringLiteral("frmMemCapMain"));
    setWindowTitle(QStringLiteral("Camera Controller"));
    setAttribute(Qt::WA_QuitOnClose, false);
    if (!device_)
        device_ = std::make_unique<platform::CaptureDevice>();
    buildMenus();
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar"));
    setStatusBar(bar);
    resize(480, 400);
    Form_Load();
}

frmMemCapMain::~frmMemCapMain() { Form_Unload(); }

void frmMemCapMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    auto menu = [&](const char* name, const QString& caption, bool offered) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setEnabled(offered);
        return m;
    };
    auto item = [&](QWidget* owner, const char* name, const QString& caption, bool offered, char shortcut,
                    void (frmMemCapMain::*handler)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(offered);
        if (shortcut)
            action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(shortcut)));
        owner->addAction(action);
        if (handler)
            connect(action, &QAction::triggered, this, handler);
        return action;
    };

    mnuFile = menu("mnuFile", QStringLiteral("&File"), false);
    mnuAllocate = item(mnuFile, "mnuAllocate", QStringLiteral("&Allocate swap file for capture"), false, 0,
                       &frmMemCapMain::mnuAllocate_Click);
    savetoRxPictures = item(mnuFile, "savetoRxPictures", QStringLiteral("&Save Frame to \"CamImages\" Directory"),
                            true, 0, &frmMemCapMain::savetoRxPictures_Click);
    mnuExit = item(mnuFile, "mnuExit", QStringLiteral("E&xit"), true, 0, &frmMemCapMain::mnuExit_Click);

    mnuEdit = menu("mnuEdit", QStringLiteral("&Edit"), false);
    mnuCopy = item(mnuEdit, "mnuCopy", QStringLiteral("&Copy to clipboard"), true, 0, &frmMemCapMain::mnuCopy_Click);
    sendToTxScreen = item(mnuEdit, "sendToTxScreen", QStringLiteral("&Send to TX Screen actual size"), true, 0,
                          &frmMemCapMain::sendToTxScreen_Click);
    sendToTxScreenFull = item(mnuEdit, "sendToTxScreenFull", QStringLiteral("&Send to TX Screen Full"), true, 0,
                              &frmMemCapMain::sendToTxScreenFull_Click);

    mnuControl = menu("mnuControl", QStringLiteral("&Setup"), true);
    mnuStart = item(mnuControl, "mnuStart", QStringLiteral("&Start Making AVI file"), false, 0,
                    &frmMemCapMain::mnuStart_Click);
    mnuDisplay = item(mnuControl, "mnuDisplay", QStringLiteral("&Show Video Display dialog (if driver selected)"),
                      false, 0, &frmMemCapMain::mnuDisplay_Click);
    mnuFormat = item(mnuControl, "mnuFormat", QStringLiteral("&Format"), true, 'F', &frmMemCapMain::mnuFormat_Click);
    mnuSource = item(mnuControl, "mnuSource", QStringLiteral("S&ource"), true, 0, &frmMemCapMain::mnuSource_Click);
    mnuCompression = item(mnuControl, "mnuCompression", QStringLiteral("Co&mpression"), false, 0,
                          &frmMemCapMain::mnuCompression_Click);
    mnuLine1 = mnuControl->addSeparator();
    mnuLine1->setObjectName(QStringLiteral("mnuLine1"));
    mnuSelect = item(mnuControl, "mnuSelect", QStringLiteral("&Select Driver"), false, 'S',
                     &frmMemCapMain::mnuSelect_Click);
    mnuScale = item(mnuControl, "mnuScale", QStringLiteral("Sc&ale"), true, 'A', nullptr);
    mnuPreview = item(mnuControl, "mnuPreview", QStringLiteral("&Preview"), true, 'P', nullptr);
    mnuAlwaysVisible = item(mnuControl, "mnuAlwaysVisible", QStringLiteral("Al&ways Visible"), false, 'W', nullptr);
    // A checkable item flips its mark before it reports the choice; the handlers toggle
    // the mark themselves, as the design has it, so the flip is undone first.
    for (QAction* action : {mnuScale, mnuPreview, mnuAlwaysVisible}) {
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [action] { action->setChecked(!action->isChecked()); });
    }
    connect(mnuScale, &QAction::triggered, this, &frmMemCapMain::mnuScale_Click);
    connect(mnuPreview, &QAction::triggered, this, &frmMemCapMain::mnuPreview_Click);
    connect(mnuAlwaysVisible, &QAction::triggered, this, &frmMemCapMain::mnuAlwaysVisible_Click);
    mnuScale->setChecked(true);
    mnuPreview->setChecked(true);

    grab = new QAction(QStringLiteral("&Grab to file"), this);
    grab->setObjectName(QStringLiteral("grab"));
    bar->addAction(grab);
    connect(grab, &QAction::triggered, this, &frmMemCapMain::savetoRxPictures_Click);
    grabtoscreen = new QAction(QStringLiteral("&Grab to Screen"), this);
    grabtoscreen->setObjectName(QStringLiteral("grabtoscreen"));
    bar->addAction(grabtoscreen);
    connect(grabtoscreen, &QAction::triggered, this, &frmMemCapMain::sendToTxScreenFull_Click);
}

// ---------------------------------------------------------------- load and unload

void frmMemCapMain::Form_Load()
{
    platform::StepRunner steps(QStringLiteral("frmMemCapMain.Form_Load"));
    QString name, version;
    steps.step(QStringLiteral("driver description"), [&] { device_->driverDescription(0, name, version); });
    captureWindow = new platform::CaptureView(centralWidget());
    captureWindow->setCaption(name);
    captureWindow->setSizingFrame(true);
    connect(device_.get(), &platform::CaptureDevice::errorOccurred, this, &frmMemCapMain::CaptureErrorCallback);
    connect(device_.get(), &platform::CaptureDevice::previewFrame, captureWindow, &platform::CaptureView::setFrame);
    connect(device_.get(), &platform::CaptureDevice::imageSizeChanged, this, &frmMemCapMain::ResizeCaptureWindow);

    bool connected = false;
    steps.step(QStringLiteral("connect"), [&] { connected = device_->driverConnect(0); });
    if (!connected) {
        // The view stays 160 x 120 without preview; the operator reads why.
        ShowCaptureStatus(noCameraText());
        return;
    }
    steps.step(QStringLiteral("caps"), [&] {
        if (const auto caps = device_->driverCaps()) {
            if (!caps->hasDlgVideoSource)
                mnuSource->setEnabled(false);
            if (!caps->hasDlgVideoFormat)
                mnuFormat->setEnabled(false);
            if (!caps->hasDlgVideoDisplay)
                mnuDisplay->setEnabled(false);
        }
    });
    device_->setScale(true);
    captureWindow->setScale(true);
    device_->setPreviewRate(66);
    device_->setPreview(true);
    ResizeCaptureWindow();
}

void frmMemCapMain::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    // The device's reports in the order the window took them, then the device itself.
    disconnect(device_.get(), &platform::CaptureDevice::errorOccurred, this, nullptr);
    disconnect(device_.get(), &platform::CaptureDevice::previewFrame, nullptr, nullptr);
    disconnect(device_.get(), &platform::CaptureDevice::imageSizeChanged, this, nullptr);
    device_->stopRecording();
    device_->setPreview(false);
    device_->driverDisconnect();
}

void frmMemCapMain::closeEvent(QCloseEvent* event)
{
    event->accept();
    // The window goes with its unload; the next "Camera" loads a new one.
    form_.unloadFrmMemCapMain();
}

void frmMemCapMain::keyPressEvent(QKeyEvent* event)
{
    // Escape ends a recording, as the capture's own stop key.
    if (event->key() == Qt::Key_Escape && device_->recording()) {
        device_->stopRecording();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// ---------------------------------------------------------------- status and size

QString frmMemCapMain::noCameraText() { return QStringLiteral("No camera was found."); }
QString frmMemCapMain::noFrameText() { return QStringLiteral("The camera has delivered no picture yet."); }

QString frmMemCapMain::statusText() const { return statusBar()->currentMessage(); }

QString frmMemCapMain::noPictureText() const
{
    return device_->isConnected() ? noFrameText() : noCameraText();
}

bool frmMemCapMain::event(QEvent* event)
{
    // The status bar holds the capture's status alone: a menu's (empty) tip would wipe it.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

void frmMemCapMain::ShowCaptureStatus(const QString& text, int) { statusBar()->showMessage(text); }

void frmMemCapMain::CaptureStatusCallback(int number, const QString& text)
{
    if (number == 0)
        return;
    ShowCaptureStatus(text, number);
}

void frmMemCapMain::CaptureErrorCallback(int number, const QString& text)
{
    if (number == 0)
        return;
    ShowCaptureStatus(text, number);
}

void frmMemCapMain::ResizeCaptureWindow()
{
    if (!captureWindow)
        return;
    const auto size = device_->imageSize();
    if (!size)
        return;
    captureWindow->resize(platform::CaptureView::sizeFor(*size));
}

// ---------------------------------------------------------------- menu items

// Nothing to preallocate: the recording writes its file as it goes.
void frmMemCapMain::mnuAllocate_Click() {}

void frmMemCapMain::mnuExit_Click() { close(); }

void frmMemCapMain::mnuCopy_Click()
{
    const QImage frame = device_->latestFrame();
    if (frame.isNull()) {
        ShowCaptureStatus(noPictureText());
        return;
    }
    QApplication::clipboard()->setImage(frame);
}

void frmMemCapMain::mnuStart_Click()
{
    // The operator confirms the start; Escape ends the recording.
    const int answer = form_.ui().msgBox(
        QStringLiteral("Record the camera's video into \"myvideo.avi\"? Press Escape to stop."),
        platform::vbYesNo + platform::vbQuestion, QStringLiteral("Camera Controller"));
    if (answer != platform::vbYes)
        return;
    if (!device_->startRecording(platform::appPath(QStringLiteral("myvideo.avi"))))
        ShowCaptureStatus(QStringLiteral("The video cannot be recorded."));
}

// The display and compression settings have no counterpart: their items stay off.
void frmMemCapMain::mnuDisplay_Click() {}
void frmMemCapMain::mnuCompression_Click() {}

void frmMemCapMain::mnuFormat_Click()
{
    chooseCameraFormat(*device_, this);
    ResizeCaptureWindow();
}

void frmMemCapMain::mnuSource_Click()
{
    if (QCamera* camera = device_->camera())
        showCameraSource(*camera, this);
}

void frmMemCapMain::mnuSelect_Click()
{
    frmSelect chooser(*this);
    chooser.exec();
    if (device_->isConnected() && statusText() == noCameraText())
        statusBar()->clearMessage();
}

void frmMemCapMain::mnuScale_Click()
{
    const bool on = !mnuScale->isChecked();
    mnuScale->setChecked(on);
    device_->setScale(on);
    captureWindow->setScale(on);
    captureWindow->setSizingFrame(on);
    ResizeCaptureWindow();
}

void frmMemCapMain::mnuPreview_Click()
{
    // Without a camera the status goes on saying so.
    if (device_->isConnected())
        statusBar()->clearMessage();
    else
        ShowCaptureStatus(noCameraText());
    const bool on = !mnuPreview->isChecked();
    mnuPreview->setChecked(on);
    device_->setPreview(on);
}

void frmMemCapMain::mnuAlwaysVisible_Click() { mnuAlwaysVisible->setChecked(!mnuAlwaysVisible->isChecked()); }

// ---------------------------------------------------------------- the frame hand-off

bool frmMemCapMain::takeFrame()
{
    const QImage frame = device_->latestFrame();
    if (frame.isNull()) {
        ShowCaptureStatus(noPictureText());
        return false;
    }
    form_.intake().putWorkPicture(frame);
    return true;
}

void frmMemCapMain::savetoRxPictures_Click()
{
    interfaces::Form& f = form_;
    if (!takeFrame())
        return;
    platform::StepRunner steps(QStringLiteral("savetoRxPictures_Click"));
    const QString folder = platform::appPath(QStringLiteral("CamImages"));
    platform::FileListBox& list = *f.File2;
    steps.step(QStringLiteral("File2"), [&] { list.setPath(folder); });

    QString name;
    try {
        name = f.engine().saveDatedJpeg(f.Picture3->Picture(), folder, kCameraPrefix, f.engine().jpegWriteQuality());
    } catch (const std::exception& e) {
        // Nothing was written: nothing is pruned and the strip stays as it is.
        ShowCaptureStatus(QStringLiteral("The camera picture could not be saved: %1").arg(QString::fromUtf8(e.what())));
        steps.step(QStringLiteral("refresh"), [&] { list.Refresh(); });
        return;
    }
    const QString path = QDir(folder).filePath(name);
    // Only the program's camera pictures count and go, the oldest first, and only now
    // that the new one is on disk.
    steps.step(QStringLiteral("cap"), [&] {
        f.engine().pruneDatedFolder(folder, kCameraPictures, INT_MAX, name, kCameraPrefix);
    });
    steps.step(QStringLiteral("refresh"), [&] { list.Refresh(); });
    auto& strips = f.strips();
    if (strips.category() == interfaces::StripsRoom::Category::Camera && f.HScroll2->value() == 1)
        steps.step(QStringLiteral("strip"), [&] { strips.shiftStripSlots(f.Picture3->Picture(), path); });
    steps.step(QStringLiteral("refresh again"), [&] { list.Refresh(); });
}

void frmMemCapMain::sendToTxScreen_Click()
{
    if (!takeFrame())
        return;
    const QImage frame = form_.Picture3->Picture();
    frameToTxScreen(true, centredOffset(int(kTxWidth), frame.width()), centredOffset(int(kTxHeight), frame.height()),
                    frame.width(), frame.height());
}

void frmMemCapMain::sendToTxScreenFull_Click()
{
    if (!takeFrame())
        return;
    frameToTxScreen(false, 0, 0, kTxWidth, kTxHeight);
}

void frmMemCapMain::frameToTxScreen(bool black, double x, double y, double width, double height)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("camera frame to TX screen"));
    // The picture before the frame, for the take-back; the frame becomes the clean TX
    // picture, so the next Undo or text preview keeps it.
    auto& canvas = f.canvas();
    steps.step(QStringLiteral("Image13"), [&] { canvas.keepTakeBackCopy(); });
    tx->setAutoRedraw(true);
    if (black)
        steps.step(QStringLiteral("black"), [&] {
            tx->Line(0, 0, kTxWidth, kTxHeight, 0, platform::PictureBox::LineKind::FilledBox);
        });
    steps.step(QStringLiteral("frame"), [&] { tx->PaintPicture(f.Picture3->Picture(), x, y, width, height); });
    tx->setAutoRedraw(false);
    steps.step(QStringLiteral("commit"), [&] { canvas.commitTxScreen(); });
    steps.step(QStringLiteral("Image6"), [&] { canvas.keepCommittedAsClean(); });
    steps.step(QStringLiteral("TX tab"), [&] { f.shell().showTab(interfaces::ShellRoom::Tab::Tx); });
}

} // namespace capture
