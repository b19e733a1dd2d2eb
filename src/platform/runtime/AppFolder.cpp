#include "platform/runtime/AppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace platform {

QString appFolder()
{
    // GenericDataLocation is $XDG_DATA_HOME, or ~/.local/share when it is unset.
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return joinPath(base, QStringLiteral("Tovaro"));
}

bool ensureAppFolder()
{
    return QDir().mkpath(appFolder());
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
