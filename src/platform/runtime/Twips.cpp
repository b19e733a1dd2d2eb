#include "platform/runtime/Twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace platform {

int displayTwipsPerPixel()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return kTwipsPerPixel;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || screen->logicalDotsPerInch() <= 0)
        return kTwipsPerPixel;
    return int(std::lround(1440.0 / screen->logicalDotsPerInch()));
}

} // namespace platform
