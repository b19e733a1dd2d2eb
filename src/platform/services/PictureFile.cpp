#include "platform/services/PictureFile.h"

#include "platform/runtime/Vb.h"

#include "platform/runtime/TextFile.h"

#include <QBuffer>
#include <QImageWriter>

namespace platform {

void SavePicture(const QImage& picture, const QString& path)
{
    if (picture.isNull())
        throw VbError(481, QStringLiteral("Invalid picture: nothing to save as %1").arg(path));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "bmp");
    // A bitmap file holds no alpha channel.
    if (!writer.write(picture.convertToFormat(QImage::Format_RGB32)))
        throw VbError(75, QStringLiteral("Cannot write %1: %2").arg(path, writer.errorString()));
    QString why;
    if (!writeFileBytes(path, bytes, &why))
        throw VbError(75, QStringLiteral("Cannot write %1: %2").arg(path, why));
}

} // namespace platform
