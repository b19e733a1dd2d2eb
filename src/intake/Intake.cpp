#include "intake/Intake.h"

#include "platform/runtime/Vb.h"
#include "shell/FormMain.h"

#include <QDir>
#include <QFileInfo>

namespace intake {

Intake::Intake(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void Intake::loadpic_Click() {}
void Intake::copyrx_Click() {}
void Intake::copye_Click() {}
void Intake::savepic_Click() {}
void Intake::Command27_Click() {}

// The browser's thumbnails come with the browser; nothing is shown to load them into.
void Intake::Label13_Click() {}

namespace {
QString existingFolder(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        throw platform::VbError(76, QStringLiteral("Path not found"));
    return QDir::cleanPath(info.absoluteFilePath());
}
} // namespace

void Intake::setFile1Path(const QString& path)
{
    file1Path_ = existingFolder(path);
}

void Intake::setDir1Path(const QString& path)
{
    dir1Path_ = existingFolder(path);
}

void Intake::setDrive1Drive(const QString& path)
{
    existingFolder(path);
    drive1_ = QDir(path).rootPath();
}

} // namespace intake
