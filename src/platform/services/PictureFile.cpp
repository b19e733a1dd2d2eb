#include "platform/services/PictureFile.h"

#include "platform/runtime/Vb.h"

#include <QImageWriter>
#include <QSaveFile>

namespace platform {

void SavePicture(const QImage& picture, const QString& path)
{
    if (picture.isNull())
        throw VbError(481, QStringLiteral("Invalid picture: nothing to save as %1").arg(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw VbError(75, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    QImageWriter writer(&file, "bmp");
    // A bitmap file holds no alpha channel.
    if (!writer.write(picture.convertToFormat(QImage::Format_RGB32))) {
        file.cancelWriting();
        throw VbError(75, QStringLiteral("Cannot write %1: %2").arg(path, writer.errorString()));
    }
    if (!file.commit())
        throw VbError(75, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
}

} // namespace platform
