#include "media/FrmSelectFile.h"

#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "media/FrmMain.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"

#include <QCloseEvent>
#include <QDir>

namespace media {

const QString FrmSelectFile::Pattern = QStringLiteral(
    "*.avi;*.mpg;*.dat;*.mpeg;*.mpe;*.mp3;*.mp2;*.mp1;*.wav;*.aif;*.aiff;*.aifc;*.au;*.mv1;*.mov;*.mpa;*.qt;"
    "*.snd;*.mpm;*.mpv;*.enc;*.mid;*.rmi;*.vob;*.wma;*.wmv");

QString folderFilePath(const QString& folder, const QString& name) { return QDir(folder).filePath(name); }

FrmSelectFile::FrmSelectFile(FrmMain& controller) : QWidget(nullptr, Qt::Window), controller_(controller)
{
    setObjectName(QStringLiteral("FrmSelectFile"));
    setWindowTitle(QStringLiteral("Select file"));
    setFixedSize(420, 300);
    // Above the controller, which stays above the other windows.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);

    Drive1 = new platform::DriveListBox(QStringLiteral("Drive1"), this);
    Drive1->setGeometry(10, 10, 190, 26);
    Dir1 = new platform::DirListBox(QStringLiteral("Dir1"), this);
    Dir1->setGeometry(10, 42, 190, 248);
    File1 = new platform::FileListBox(QStringLiteral("File1"), this);
    File1->setGeometry(210, 10, 200, 240);
    QFont listFont(QStringLiteral("Comic Sans MS"));
    File1->setFont(listFont);
    CmdOk = new platform::CommandButton(QStringLiteral("CmdOk"), QStringLiteral("&OK"), this);
    CmdOk->setGeometry(210, 260, 95, 30);
    cmdCancel = new platform::CommandButton(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"), this);
    cmdCancel->setGeometry(315, 260, 95, 30);

    // The lists start at the program's current folder.
    QString folder = controller.form().intake().dialogFolderPath();
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::currentPath();
    File1->setPattern(Pattern);
    Dir1->setPath(folder);
    Drive1->setDrive(folder);
    File1->setPath(folder);

    connect(Drive1, &platform::DriveListBox::Change, this, [this] { Drive1_Change(); });
    connect(Dir1, &platform::DirListBox::Change, this, [this] { Dir1_Change(); });
    connect(CmdOk, &platform::CommandButton::Click, this, [this] { CmdOk_Click(); });
    connect(cmdCancel, &platform::CommandButton::Click, this, [this] { cmdCancel_Click(); });
    Form_Load();
}

FrmSelectFile::~FrmSelectFile() = default;

void FrmSelectFile::Form_Load() { controller_.setEnabled(false); }

void FrmSelectFile::Form_Unload() { controller_.setEnabled(true); }

void FrmSelectFile::Drive1_Change()
{
    const QString before = Dir1->Path();
    try {
        Dir1->setDrive(Drive1->Drive());
    } catch (const platform::VbError& e) {
        // A drive that is not ready: back to the drive of the folder shown, silently.
        if (e.number() == platform::vbErrDeviceUnavailable) {
            try {
                Drive1->setDrive(before);
            } catch (const platform::VbError&) {
            }
        }
    }
}

void FrmSelectFile::Dir1_Change()
{
    try {
        File1->setPath(Dir1->Path());
    } catch (const platform::VbError&) {
    }
}

QString FrmSelectFile::GetFile()
{
    if (File1->FileName().isEmpty()) {
        controller_.form().ui().msgBox(QStringLiteral("Please select a file"), platform::vbCritical + platform::vbOKOnly,
                                       QStringLiteral("Select file"));
        return QStringLiteral("error");
    }
    return folderFilePath(File1->Path(), File1->FileName());
}

void FrmSelectFile::CmdOk_Click()
{
    const QString path = GetFile();
    if (path == QLatin1String("error"))
        return;
    controller_.LbResult->setCaption(QStringLiteral(" Error Report:  No errors"));
    // One controller in this design: the requesting index names its file-name label.
    bool ok = false;
    const int index = controller_.Tag.toInt(&ok);
    if (ok && index == 0)
        controller_.LbFileName->setCaption(path);
    controller_.unloadFrmSelectFile();
}

void FrmSelectFile::cmdCancel_Click() { controller_.unloadFrmSelectFile(); }

void FrmSelectFile::closeEvent(QCloseEvent* event)
{
    event->ignore();
    controller_.unloadFrmSelectFile();
}

} // namespace media
