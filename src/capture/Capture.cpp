#include "capture/Capture.h"

#include "capture/frmMemCapMain.h"
#include "interfaces/CanvasRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/ShellRoom.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/services/Scanner.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QProgressDialog>

namespace capture {

namespace {

using interfaces::kTxHeight;
using interfaces::kTxWidth;

} // namespace

Capture::Capture(interfaces::Form& form) : QObject(nullptr), form_(form) {}

// The camera and the player are never open together; a second "Camera" only brings the
// window on top.
void Capture::camera_Click()
{
    interfaces::Form& f = form_;
    if (QWidget* player = f.loaded(interfaces::Form::Window::Multimedia); player && player->isVisible())
        player->close();
    frmMemCapMain& window = f.frmMemCapMain();
    f.shell().keepOnTop(window);
    window.show();
    window.raise();
    window.activateWindow();
}

void Capture::selectsource_Click()
{
    QList<platform::ScannerDevice> found;
    try {
        found = platform::Scanner::devices();
    } catch (const platform::ScanError&) {
        // SANE itself cannot start: the chooser shows no source.
    }
    QStringList items;
    int current = -1;
    for (const platform::ScannerDevice& device : found) {
        if (device.name == scannerSource_)
            current = int(items.size());
        items.append(QStringLiteral("%1 %2 (%3)").arg(device.vendor, device.model, device.name));
    }
    const QString prompt = items.isEmpty() ? QStringLiteral("No scanner was found.") : QStringLiteral("Scan from:");
    const std::optional<int> chosen = form_.ui().chooseItem(QStringLiteral("Select Source"), prompt, items, current);
    if (chosen)
        scannerSource_ = found.at(*chosen).name;
}

void Capture::acquire_Click()
{
    interfaces::Form& f = form_;
    // The progress dialog lets events run: a second Acquire meanwhile is not a second scan.
    if (acquiring_)
        return;
    acquiring_ = true;
    platform::PictureBox* tx = f.Picture1;
    auto& canvas = f.canvas();
    platform::StepRunner steps(QStringLiteral("acquire_Click"));
    steps.step(QStringLiteral("Command12_Click"), [&] { canvas.Command12_Click(); });
    QImage scanned;
    try {
        QString device = scannerSource_;
        if (device.isEmpty()) {
            const QList<platform::ScannerDevice> found = platform::Scanner::devices();
            if (found.isEmpty())
                throw platform::ScanError(0, QStringLiteral("No scanner was found."));
            device = found.first().name;
        }
        platform::Scanner scanner(device);
        if (scanner.choices(QStringLiteral("mode")).contains(QStringLiteral("Color")))
            scanner.setOption(QStringLiteral("mode"), QStringLiteral("Color"));
        QProgressDialog progress(QStringLiteral("Scanning..."), QStringLiteral("Cancel"), 0, 100, &f.widget());
        progress.setObjectName(QStringLiteral("scanProgress"));
        progress.setWindowTitle(QStringLiteral("Twain Acquire"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setAutoReset(false);
        progress.setAutoClose(false);
        progress.setValue(0);
        scanned = scanner.scan([&](int, qint64 done, qint64 total) {
            // A height not known shows the busy bar.
            if (total > 0) {
                progress.setMaximum(100);
                progress.setValue(int(done * 100 / total));
            } else {
                progress.setMaximum(0);
            }
            platform::doEvents();
            return !progress.wasCanceled();
        });
    } catch (const std::exception&) {
        scanned = QImage();
    }
    if (scanned.isNull()) {
        // Any failure, no scanner, an empty picture or Cancel: the clean TX picture back,
        // without a word.
        steps.step(QStringLiteral("Image6"), [&] { canvas.restoreCleanPicture(); });
        f.Text1->setFocus();
        acquiring_ = false;
        return;
    }
    steps.step(QStringLiteral("Image13"), [&] { canvas.keepTakeBackCopy(); });
    tx->setAutoRedraw(true);
    steps.step(QStringLiteral("scan"), [&] { tx->PaintPicture(scanned, 0, 0, kTxWidth, kTxHeight); });
    tx->setAutoRedraw(false);
    steps.step(QStringLiteral("commit"), [&] { canvas.commitTxScreen(); });
    steps.step(QStringLiteral("Image14"), [&] { canvas.keepChangedCopy(); });
    steps.step(QStringLiteral("Image6"), [&] { canvas.keepCommittedAsClean(); });
    f.Text1->setFocus();
    acquiring_ = false;
}

} // namespace capture
