#include "qso/Stamps.h"

#include "platform/runtime/Vb.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>

namespace qso {

StampTime stampTime(const QDateTime& local, const QString& zoneWord, double utcOffset)
{
    // The wall-clock reading taken as it is: a shift across a daylight-saving change
    // moves it by exactly the offset.
    QDateTime t(local.date(), local.time(), Qt::UTC);
    if (zoneWord == QLatin1String("UTC") && std::isfinite(utcOffset))
        t = t.addSecs(qint64(std::llround(utcOffset * 60)) * 60);
    return {platform::Format(t, QStringLiteral("hh:mm")), platform::Format(t, QStringLiteral("mmm dd yyyy"))};
}

QString qslCall(const QString& own)
{
    for (qsizetype i = 0; i < own.size(); ++i)
        if (own.at(i).unicode() < u'0')
            return own.left(i + 1);
    return own;
}

QString dateStampCall(const QString& own)
{
    if (own.isEmpty())
        return QStringLiteral("NOCALL");
    for (qsizetype i = 0; i < 5 && i < own.size(); ++i)
        if (own.at(i) == QLatin1Char(' '))
            return own.left(i + 1);
    return own.left(6);
}

QslLines qslLines(const QString& other, const QString& report, const QString& band, const StampTime& time,
                  const QString& zoneWord)
{
    return {QStringLiteral("Confirms  ") + (other.isEmpty() ? QStringLiteral("NOTHING") : other) +
                QStringLiteral("   2xSSTV"),
            QStringLiteral("RSV -  ") + report + QStringLiteral("       Band - ") + band,
            time.date + QStringLiteral("    ") + time.time + QLatin1Char(' ') + zoneWord};
}

QImage stampPanelPicture()
{
    QImage panel(250, 96, QImage::Format_RGB32);
    QPainter p(&panel);
    QLinearGradient sky(0, 0, 0, 96);
    sky.setColorAt(0, QColor(0xFF, 0xF4, 0xC8));
    sky.setColorAt(0.55, QColor(0xFF, 0xFF, 0xF0));
    sky.setColorAt(1, QColor(0xC8, 0xE4, 0xFF));
    p.fillRect(panel.rect(), sky);
    // A few soft rays from the lower left corner, then a two-colour frame.
    p.setPen(QPen(QColor(0xF0, 0xDC, 0xA0), 1));
    for (int x = 40; x <= 250; x += 30)
        p.drawLine(0, 95, x, 0);
    p.setPen(QPen(QColor(0x20, 0x40, 0x90), 3));
    p.drawRect(QRectF(1.5, 1.5, 247, 93));
    p.setPen(QPen(QColor(0xC0, 0x90, 0x20), 1));
    p.drawRect(QRectF(5.5, 5.5, 239, 85));
    return panel;
}

} // namespace qso
