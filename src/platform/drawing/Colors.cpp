#include "platform/drawing/Colors.h"

#include <QApplication>
#include <QMetaObject>
#include <QPalette>
#include <QVariant>
#include <QWidget>

namespace platform {

namespace {

const char* const kBackProperty = kBackColorProperty;
const char* const kForeProperty = kForeColorProperty;

QColor systemColor(uint32_t index)
{
    const QPalette pal = QGuiApplication::palette();
    switch (index) {
    case 0: return pal.color(QPalette::Button);                       // scroll bars
    case 1: return QColor(0, 128, 128);                               // desktop
    case 2: return pal.color(QPalette::Highlight);                    // active caption
    case 3: return pal.color(QPalette::Disabled, QPalette::Highlight);// inactive caption
    case 4: return pal.color(QPalette::Window);                       // menu bar
    case 5: return pal.color(QPalette::Base);                         // window background
    case 6: return pal.color(QPalette::Shadow);                       // window frame
    case 7: return pal.color(QPalette::WindowText);                   // menu text
    case 8: return pal.color(QPalette::Text);                         // window text
    case 9: return pal.color(QPalette::HighlightedText);              // caption text
    case 10:
    case 11: return pal.color(QPalette::Window);                      // borders
    case 12: return pal.color(QPalette::Dark);                        // application workspace
    case 13: return pal.color(QPalette::Highlight);
    case 14: return pal.color(QPalette::HighlightedText);
    case 15: return pal.color(QPalette::Button);                      // button face
    case 16: return pal.color(QPalette::Dark);                        // button shadow
    case 17: return pal.color(QPalette::Disabled, QPalette::Text);    // grey text
    case 18: return pal.color(QPalette::ButtonText);
    case 19: return pal.color(QPalette::Disabled, QPalette::WindowText);
    case 20: return pal.color(QPalette::Light);                       // button highlight
    case 21: return pal.color(QPalette::Shadow);                      // 3D dark shadow
    case 22: return pal.color(QPalette::Midlight);                    // 3D light
    case 23: return pal.color(QPalette::ToolTipText);                 // info text
    case 24: return pal.color(QPalette::ToolTipBase);                 // info background
    default: return pal.color(QPalette::Button);
    }
}

} // namespace

QColor toQColor(uint32_t vb)
{
    if (isSystemColor(vb))
        return systemColor(vb & 0xFF);
    return QColor(int(vb & 0xFF), int((vb >> 8) & 0xFF), int((vb >> 16) & 0xFF));
}

uint32_t fromQColor(const QColor& c)
{
    const QColor rgbc = c.toRgb();
    return rgb(rgbc.red(), rgbc.green(), rgbc.blue());
}

void setBackColor(QWidget* w, uint32_t vb)
{
    if (!w)
        return;
    w->setProperty(kBackProperty, QVariant::fromValue<quint32>(vb));
    if (w->metaObject()->indexOfMethod("vbSetBackColor(quint32)") >= 0) {
        QMetaObject::invokeMethod(w, "vbSetBackColor", Qt::DirectConnection, Q_ARG(quint32, vb));
        return;
    }
    const QColor c = toQColor(vb);
    QPalette pal = w->palette();
    // Every role a standard control paints its background with.
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(g, QPalette::Window, c);
        pal.setColor(g, QPalette::Button, c);
        pal.setColor(g, QPalette::Base, c);
    }
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    w->update();
}

uint32_t backColor(const QWidget* w)
{
    if (!w)
        return vbButtonFace;
    const QVariant v = w->property(kBackProperty);
    return v.isValid() ? v.value<quint32>() : vbButtonFace;
}

void setForeColor(QWidget* w, uint32_t vb)
{
    if (!w)
        return;
    w->setProperty(kForeProperty, QVariant::fromValue<quint32>(vb));
    const QColor c = toQColor(vb);
    QPalette pal = w->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(g, QPalette::WindowText, c);
        pal.setColor(g, QPalette::ButtonText, c);
        pal.setColor(g, QPalette::Text, c);
    }
    w->setPalette(pal);
    w->update();
}

uint32_t foreColor(const QWidget* w)
{
    if (!w)
        return vbButtonText;
    const QVariant v = w->property(kForeProperty);
    return v.isValid() ? v.value<quint32>() : vbButtonText;
}

} // namespace platform
