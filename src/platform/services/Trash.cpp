#include "platform/services/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

// The trash in the user's data folder, made when it is missing. It is where a file goes
// when its own file system has no trash; without it Qt's trash would fall back to the
// working directory.
bool homeTrashReady()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        return false;
    const QString trash = QDir(data).filePath(QStringLiteral("Trash"));
    if (!QFileInfo(trash).isDir() && QDir().mkpath(trash))
        QFile::setPermissions(trash, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return QFileInfo(trash).isDir() && !QFileInfo(trash).isSymLink();
}

} // namespace

bool moveToTrash(const QString& path, QString* error)
{
    auto refuse = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return refuse(QStringLiteral("The file %1 is not there.").arg(path));
    if (info.isSymLink() || !info.isFile())
        return refuse(QStringLiteral("%1 is not a picture file.").arg(path));
    if (!homeTrashReady())
        return refuse(QStringLiteral("There is no trash to move %1 into.").arg(path));
    QFile file(path);
    if (!file.moveToTrash())
        return refuse(file.errorString().isEmpty() ? QStringLiteral("The file %1 cannot be moved to the trash.").arg(path)
                                                   : file.errorString());
    // A trash that was found nowhere leaves a name relative to the working directory: the
    // file goes back where it was.
    const QString inTrash = file.fileName();
    if (QDir::isRelativePath(inTrash)) {
        QFile::rename(inTrash, path);
        return refuse(QStringLiteral("There is no trash to move %1 into.").arg(path));
    }
    return true;
}

} // namespace platform
