// Pictures the receiver must not lose: a Scottie sent without its starting sync by a clock
// off either way.
#include "rx_support.h"

#include <QTest>

#include <cmath>

using namespace vareror::core;
using namespace vareror::rxtest;

namespace {

// Our transmission with the samples of [fromMs, fromMs + lengthMs) of the header's start left
// out (the header starts after the half second of silence transmission() puts before it).
std::vector<float> withCut(std::vector<float> a, double rate, double clock, double fromMs, double lengthMs)
{
    const double perMs = rate * clock / 1000.0;
    const size_t from = size_t(0.5 * rate + fromMs * perMs), n = size_t(lengthMs * perMs);
    a.erase(a.begin() + long(from), a.begin() + long(from + n));
    return a;
}

// A Scottie transmission without the one-off starting sync after the VIS, as some senders do.
std::vector<float> scottieWithoutStartSync(int mode, const RgbImage &pic, double rate, double clock)
{
    const ModeInfo &m = modeInfo(mode);
    return withCut(transmission(mode, pic, rate, false, clock), rate, clock, m.headerMs() - 9.0, 9.0);
}

} // namespace

class LossesTest : public QObject {
    Q_OBJECT
private slots:
    void scottieWithoutStartingSync();
};

void LossesTest::scottieWithoutStartingSync()
{
    // Sent fast and slow, clean and at 10 dB: every picture found, whole, and as good as the
    // same transmission with its starting sync.
    const RgbImage card = loadPicture(pictures() + "testcard_320x256.png");
    unsigned seed = 1;
    for (int mode : {6, 8})
        for (double clock : {0.995, 0.997, 1.005}) {
            if (mode == 8 && clock == 0.997) continue; // Scottie DX is long: two clocks suffice
            const auto whole = transmission(mode, card, 11025, false, clock);
            const auto cut = scottieWithoutStartSync(mode, card, 11025, clock);
            for (double snr : {99.0, 10.0}) {
                if (mode == 8 && snr < 99) continue;
                double psnr[2] = {0, 0};
                for (int i = 0; i < 2; ++i) {
                    auto x = i ? cut : whole;
                    if (snr < 99) addNoise(x, 11025, snr, seed);
                    Receiver rx(11025);
                    const Run r = feed(rx, x);
                    const QString what = QString("%1, clock %2, %3 dB").arg(modeInfo(mode).name).arg(clock).arg(snr);
                    QVERIFY2(r.ends == 1 && r.pictures.front().mode == mode, qPrintable(what));
                    QVERIFY2(r.pictures.front().lines == 256, qPrintable(what + QString(": %1 lines").arg(r.pictures.front().lines)));
                    psnr[i] = alignedPsnr(r.pictures.front().picture, card);
                }
                QVERIFY2(psnr[1] > psnr[0] - 1.0, qPrintable(QString("%1, clock %2, %3 dB: %4 dB, with the starting sync %5")
                                                                .arg(modeInfo(mode).name).arg(clock).arg(snr).arg(psnr[1]).arg(psnr[0])));
                ++seed;
            }
        }
}

QTEST_MAIN(LossesTest)
#include "tst_losses.moc"
