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
    // Qt scales a display set to more than 96 dpi by its device pixel ratio and reports
    // the logical dpi as 96 again: what the operator has is the product of the two.
    return int(std::lround(1440.0 / (screen->logicalDotsPerInch() * screen->devicePixelRatio())));
}

} // namespace platform
