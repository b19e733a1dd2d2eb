#include "platform/services/Trash.h"

#include <QFile>
#include <QFileInfo>

namespace platform {

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
    QFile file(path);
    if (!file.moveToTrash())
        return refuse(file.errorString().isEmpty() ? QStringLiteral("The file %1 cannot be moved to the trash.").arg(path)
                                                   : file.errorString());
    return true;
}

} // namespace platform
