// Pictures the receiver must not lose: a Scottie sent without its starting sync by a clock
// off either way, and a piece of audio missing in the middle of a picture.
#include "rx_support.h"

#include <QTest>

#include <cmath>

using namespace vareror::core;
using namespace vareror::rxtest;

namespace {

// A Scottie transmission without the one-off starting sync after the VIS, as some senders do.
// A Scottie transmission (noise and all) with its starting sync cut out.
std::vector<float> withoutStartSync(int mode, std::vector<float> a, double rate, double clock)
{
    const ModeInfo &m = modeInfo(mode);
    return withCut(std::move(a), rate, clock, m.headerMs() - 9.0, 9.0);
}

} // namespace

class LossesTest : public QObject {
    Q_OBJECT
private slots:
    void scottieWithoutStartingSync();
    void dropoutMidPicture();
};

void LossesTest::scottieWithoutStartingSync()
{
    // Sent fast and slow, clean and at 10 dB: every picture found, whole, and as good as the
    // same transmission with its starting sync (the same noise on both: the sync is cut out of
    // the noisy signal, as one noise draw against another differs by a dB or more at 10 dB).
    const RgbImage card = loadPicture(pictures() + "testcard_320x256.png");
    unsigned seed = 1;
    for (int mode : {6, 8})
        for (double clock : {0.995, 0.997, 1.005}) {
            if (mode == 8 && clock == 0.997) continue; // Scottie DX is long: two clocks suffice
            const auto sent = transmission(mode, card, 11025, false, clock);
            for (double snr : {99.0, 10.0}) {
                if (mode == 8 && snr < 99) continue;
                auto whole = sent;
                if (snr < 99) addNoise(whole, 11025, snr, seed);
                const auto cut = withoutStartSync(mode, whole, 11025, clock);
                double psnr[2] = {0, 0};
                for (int i = 0; i < 2; ++i) {
                    const auto &x = i ? cut : whole;
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

void LossesTest::dropoutMidPicture()
{
    // Audio lost in the middle of a picture (a sound-card overrun): the line grid is found
    // again after the gap and the rest of the picture drawn where it belongs. A gap of more
    // than a period also takes whole periods with it: they are counted from where the sync
    // train stops before the picture's end, so every row after the gap is drawn exactly as
    // the same signal without the gap draws it (a row too high or too low shows at once).
    // A gap of about a whole number of periods moves the syncs after it by no more than a
    // search window: found there, they must not bend the line through the picture.
    // Audio lost and filled with digital silence keeps the time: the grid stays, and the
    // silent stretch must not pass for a full-range sender's black (it turned the colours of
    // whole Robot 36 and PD pictures).
    struct Case {
        int mode;
        double gapMs, at, snr; // at: where in the picture the gap starts (fraction of it)
        bool zeros = false;    // the gap filled with silence instead of cut out
    };
    unsigned seed = 40;
    for (const Case c : {Case{9, 200, 0.5, 99}, Case{3, 200, 0.5, 99}, Case{15, 200, 0.5, 99}, Case{9, 500, 0.3, 99},
                         Case{6, 1000, 0.55, 99}, Case{15, 2000, 0.75, 99}, Case{3, 500, 0.3, 99}, Case{9, 1000, 0.3, 10},
                         Case{3, 1000, 0.55, 99, true}, Case{15, 1000, 0.55, 99, true},
                         // about a whole period: the syncs after it come within the search
                         // window or just past its edge, a few ms late or early
                         Case{9, 440, 0.5, 99}, Case{9, 434.4, 0.5, 10}, Case{9, 889.9, 0.45, 10},
                         Case{16, 496, 0.5, 99}, Case{3, 292, 0.4, 99},
                         // early, before the syncs have set the line's slope, in noise that
                         // still lets them all be found: a jump, not a drift to bend the line to
                         Case{9, 60, 0.08, 6},
                         // about a whole period, in noise: 2 ms off one, and late in the
                         // picture, where only its last tenth shows the step
                         Case{9, 444.4, 0.58, 10}, Case{9, 438.4, 0.86, 10}, Case{10, 220.8, 0.91, 10},
                         // late in the picture, its syncs found past the window one in four: the
                         // grid jumped only where the train stopped a period early
                         Case{6, 420.2, 0.86, 99}}) {
        const ModeInfo &m = modeInfo(c.mode);
        const RgbImage ref = loadPicture(pictures() + (m.exposedHeight == 240 ? "testcard_320x240.png" : "testcard_320x256.png"));
        auto whole = transmission(c.mode, ref, 11025);
        whole.resize(whole.size() + size_t(c.gapMs / 1000 * 11025), 0.0f); // the grid runs on by the time lost
        if (c.snr < 99) addNoise(whole, 11025, c.snr, ++seed);
        const double fromMs = m.pictureMs() * c.at + 37;
        auto cut = withCut(whole, 11025, 1.0, m.headerMs() + fromMs, c.gapMs);
        if (c.zeros) {
            cut = whole;
            const size_t from = size_t((0.5 + (m.headerMs() + fromMs) / 1000) * 11025);
            std::fill(cut.begin() + long(from), cut.begin() + long(from + size_t(c.gapMs / 1000 * 11025)), 0.0f);
        }
        const QString what = QString("%1, %2 ms %5 at %3, %4 dB").arg(m.name).arg(c.gapMs).arg(c.at).arg(c.snr).arg(c.zeros ? "silent" : "cut");
        RgbImage pics[2];
        for (int i = 0; i < 2; ++i) {
            Receiver rx(11025);
            const Run r = feed(rx, i ? cut : whole);
            QVERIFY2(r.ends == 1, qPrintable(what));
            QVERIFY2(r.pictures.front().lines == m.exposedHeight, qPrintable(what + QString(": %1 lines").arg(r.pictures.front().lines)));
            pics[i] = r.pictures.front().picture;
        }
        // rows before the gap, and from the first period after it
        const double rowsPerMs = double(pics[0].height) / m.pictureMs();
        const int r0 = int(fromMs * rowsPerMs) - 4, r1 = int((fromMs + c.gapMs) * rowsPerMs) + 2 * m.linesPerPeriod + 4;
        const double need = c.snr < 99 ? 22 : 30;
        const double top = shiftedPsnr(rows(pics[1], 0, r0), rows(pics[0], 0, r0), 0, 0);
        const double bottom = shiftedPsnr(rows(pics[1], r1, pics[0].height), rows(pics[0], r1, pics[0].height), 0, 0);
        QVERIFY2(top > need && bottom > need, qPrintable(what + QString(": against the whole signal's picture %1 dB above the gap, %2 dB below")
                                                                   .arg(top).arg(bottom)));
    }
}

QTEST_MAIN(LossesTest)
#include "tst_losses.moc"
