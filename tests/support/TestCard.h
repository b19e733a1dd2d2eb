#pragma once
// The picture the engine tests send through the air: colour bars over a brightness ramp,
// 640 x 512, with detail a decoded picture must keep.

#include <QColor>
#include <QImage>

#include <algorithm>
#include <cmath>

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

// The peak signal-to-noise ratio in dB of a picture against the one sent, scaled to its size,
// over the three colour channels.
inline double psnr(const QImage& got, const QImage& sent)
{
    const QImage a = got.convertToFormat(QImage::Format_RGB32);
    const QImage b = sent.convertToFormat(QImage::Format_RGB32).scaled(a.size());
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            for (int shift : {0, 8, 16}) {
                const double d = double((a.pixel(x, y) >> shift) & 0xFF) - double((b.pixel(x, y) >> shift) & 0xFF);
                sum += d * d;
            }
    return 10 * std::log10(255.0 * 255.0 / std::max(sum / (3.0 * a.width() * a.height()), 1e-9));
}

} // namespace testsupport
