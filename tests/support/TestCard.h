#pragma once
// The picture the engine tests send through the air: colour bars over a brightness ramp,
// 640 x 512, with detail a decoded picture must keep.

#include <QColor>
#include <QImage>

namespace testsupport {

inline QImage testCard()
{
    QImage card(640, 512, QImage::Format_RGB32);
    const QColor bars[] = {Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::red, Qt::blue, Qt::black};
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 640; ++x) {
            const QColor bar = bars[x / 80];
            const double ramp = y < 256 ? 1.0 : 0.35 + 0.65 * (x % 80) / 80.0;
            card.setPixelColor(x, y, QColor(int(bar.red() * ramp), int(bar.green() * ramp), int(bar.blue() * ramp)));
        }
    return card;
}

} // namespace testsupport
