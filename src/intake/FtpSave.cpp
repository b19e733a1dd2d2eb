// "  T X      to   FTP": one press saves the TX picture as a dated JPEG into the FTP folder,
// from which another program publishes it; the right button sets that folder.

#include "intake/Intake.h"

#include "interfaces/EngineRoom.h"
#include "interfaces/Form.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/StepRunner.h"
#include "platform/services/Picbuf.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/PictureBox.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace intake {

namespace {

// The modes whose pictures the FTP folder gets at the TX screen's full size; the others
// get them at 320 x 256.
bool sendsFullSize(int mode) { return (mode >= 16 && mode <= 23) || (mode >= 33 && mode <= 36); }

QString withSeparator(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// Only an absolute path of an existing folder will do: a relative one would name a
// folder beside whatever the process happens to run in.
bool usableFolder(const QString& folder)
{
    return !folder.isEmpty() && QDir::isAbsolutePath(folder) && QFileInfo(folder).isDir();
}

} // namespace

// The reduced copy is made on a box of its own: the overlay work buffer may hold the
// element waiting for SET.
QImage Intake::ftpPicture() const
{
    interfaces::Form& f = form_;
    if (sendsFullSize(f.engine().txModeNumber()))
        return f.Picture1->Image();
    platform::PictureBox reduced;
    reduced.setBoxSize(320, 256);
    reduced.setAutoRedraw(true);
    reduced.PaintPicture(f.Picture1->Picture(), 0, 0, 320, 256);
    return reduced.Image();
}

void Intake::Command26_MouseDown(int button, int, double, double)
{
    interfaces::Form& f = form_;
    platform::StepRunner steps(QStringLiteral("Command26_MouseDown"));
    if (button == 1) {
        if (!ftpDir_.isEmpty())
            ftpDir_ = withSeparator(ftpDir_);
        if (!usableFolder(ftpDir_)) {
            f.ui().msgBox(QStringLiteral("No Directory Defined, create and try again"), platform::vbOKOnly);
            f.Picture17->setFocus();
            return;
        }
        // The browser follows to the FTP folder and lists the new file.
        const QString folder = QDir::cleanPath(ftpDir_);
        steps.step(QStringLiteral("Dir1"), [&] { f.Dir1->setPath(folder); });
        dialogFolder_ = platform::appFolder();
        steps.step(QStringLiteral("File1"), [&] { f.File1->setPath(folder); });
        try {
            f.engine().saveDatedJpeg(ftpPicture(), folder, {}, f.engine().jpegWriteQuality());
        } catch (const std::exception& e) {
            f.ui().msgBox(QString::fromStdString(e.what()), platform::vbOKOnly);
        }
        steps.step(QStringLiteral("refresh"), [&] { f.File1->Refresh(); });
        // " >>>> Next 4" shows the folder from its first file, as after any change of folder.
        selectFirstFile(steps, true);
        dialogFolder_ = platform::appFolder();
    } else if (button == 2) {
        // The box's corner: half the window's width from the screen's left, a third of
        // its height from the top.
        const QPoint corner(f.widget().width() / 2, f.widget().height() / 3);
        const std::optional<QString> answer = f.ui().inputBox(QStringLiteral("Type FTP Directory"),
                                                              QStringLiteral("Set FTP Directory"), ftpDir_, corner);
        if (!answer || answer->isEmpty()) {
            f.Picture17->setFocus();
            return;
        }
        // Kept even when the folder does not exist (yet).
        ftpDir_ = withSeparator(*answer);
        if (!usableFolder(ftpDir_)) {
            f.ui().msgBox(QStringLiteral("No such Directory, create and try again"), platform::vbOKOnly);
            f.Picture17->setFocus();
            return;
        }
        steps.step(QStringLiteral("Dir1"), [&] { f.Dir1->setPath(QDir::cleanPath(ftpDir_)); });
        steps.step(QStringLiteral("refresh"), [&] { f.File1->Refresh(); });
        dialogFolder_ = platform::appFolder();
    }
    f.Picture17->setFocus();
}

} // namespace intake
