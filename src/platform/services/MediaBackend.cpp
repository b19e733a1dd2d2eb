#include "platform/services/MediaBackend.h"

#include <QByteArray>
#include <QtGlobal>

namespace platform {

void chooseMediaBackend()
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", QByteArrayLiteral("ffmpeg"));
}

} // namespace platform
