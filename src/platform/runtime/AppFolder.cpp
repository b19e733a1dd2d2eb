#include "platform/runtime/AppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace platform {

QString appFolder()
{
    // GenericDataLocation is $XDG_DATA_HOME, or ~/.local/share when it is unset.
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return joinPath(base, QStringLiteral("Tovaro"));
}

bool ensureAppFolder(QString* why)
{
    const QString folder = QDir::cleanPath(QDir(appFolder()).absolutePath());
    // The missing folders, made from the top down: the first that cannot be made is the
    // cause, whatever the folders under it would say.
    QStringList missing;
    for (QString at = folder; !QFileInfo::exists(at) && at != QFileInfo(at).path(); at = QFileInfo(at).path())
        missing.prepend(at);
    for (const QString& made : missing)
        if (::mkdir(QFile::encodeName(made).constData(), 0777) != 0 && errno != EEXIST) {
            if (why)
                *why = QStringLiteral("%1 cannot be made in %2: %3")
                           .arg(QFileInfo(made).fileName(), QFileInfo(made).path(), QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
    if (QFileInfo(folder).isDir())
        return true;
    if (why)
        *why = QStringLiteral("%1 is not a folder").arg(folder);
    return false;
}

QString joinPath(const QString& a, const QString& b)
{
    QString tail = b;
    tail.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (tail.startsWith(QLatin1Char('/')))
        tail.remove(0, 1);
    QString head = a;
    while (head.size() > 1 && head.endsWith(QLatin1Char('/')))
        head.chop(1);
    if (head.isEmpty())
        return tail;
    if (tail.isEmpty())
        return head;
    return head == QLatin1String("/") ? head + tail : head + QLatin1Char('/') + tail;
}

QString appPath(const QString& relative)
{
    return joinPath(appFolder(), relative);
}

QString exeFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString engineLibraryPath()
{
    return joinPath(exeFolder(), QStringLiteral("libvareror.so"));
}

} // namespace platform
