// Weak pictures the receiver must not lose: at 0 dB, with the sender's clock off either way,
// each picture runs to its end; and a picture whose signal truly ends ends there, with only
// the lines whose signal came.
#include "rx_support.h"

#include <QTest>

#include <cmath>
#include <tuple>

using namespace vareror::core;
using namespace vareror::rxtest;

class WeakTest : public QObject {
    Q_OBJECT
private slots:
    void weakPicturesRunToTheirEnd();
    void pictureEndsWithItsSignal();
    void picturesCutShort();
};

void WeakTest::weakPicturesRunToTheirEnd()
{
    // At 0 dB with the clock off either way each picture is drawn to its last line.
    const RgbImage card = loadPicture(pictures() + "testcard_320x256.png");
    struct Case {
        int mode;
        double clock;
    };
    unsigned seed = 100;
    for (const Case c : {Case{15, 1.003}, Case{15, 0.997}, Case{3, 1.003}, Case{3, 0.997}, Case{14, 1.0}, Case{14, 1.003},
                         Case{10, 0.997}, Case{7, 1.003}})
        for (int rep = 0; rep < 2; ++rep) {
            auto a = transmission(c.mode, card, 11025, false, c.clock);
            addNoise(a, 11025, 0.0, ++seed);
            Receiver rx(11025);
            const Run r = feed(rx, a);
            const ModeInfo &m = modeInfo(c.mode);
            const QString what = QString("%1, clock %2, seed %3").arg(m.name).arg(c.clock).arg(seed);
            QVERIFY2(r.starts == 1 && r.ends == 1, qPrintable(what));
            QVERIFY2(r.pictures.front().lines == m.exposedHeight,
                     qPrintable(what + QString(": %1 lines of %2").arg(r.pictures.front().lines).arg(m.exposedHeight)));
        }
    // Weak pictures whose first syncs are mostly too weak to be taken, the sender's clock
    // 0.3 to 0.5 % off: a false sync or two set the grid's phase away from the header's
    // timing, or the grid, its slope held, drifted off the train and four periods folded at
    // the wrong period could not find it again; each of these stopped after 1 to 24 lines.
    // Then sweeps with the clock 0.5 % off: false syncs tilted the grid, or a header timed
    // 7 to 13 ms off went uncorrected, and the train found again was taken for audio lost in
    // a gap (the top drawn off the rest, or the picture stopped at 63 lines; Martin 1 2014,
    // PD90 11024, PD120 11051); with no sync taken the grid drifted beyond the stretch looked
    // at (14 lines); no sync came up to the mark in the first four periods (ended with no
    // line); a train between the periods folded at fell just short (10 lines); Scottie's
    // grid, its slope not yet told by the two syncs found, drifted from the first of them
    // further than allowed from the last (a jump: the top drawn off). Robot 36 0.35 % slow,
    // 9012: a drift taken for a gap, then its last sync, read under the mark as a true pulse
    // at 0 dB is as often as not, was taken for the train's end: the whole picture was moved
    // a period down, its colour-difference lines swapped (7.4 dB).
    const RgbImage big = loadPicture(pictures() + "testcard_640x496.png");
    for (const auto &[mode, clock, seed] :
         {std::tuple{9, 1.005, 2001u}, std::tuple{9, 1.005, 2014u}, std::tuple{9, 1.003, 2011u}, std::tuple{9, 1.003, 2007u},
          std::tuple{15, 0.997, 2014u}, std::tuple{15, 1.003, 2012u}, std::tuple{9, 1.003, 2006u}, std::tuple{15, 1.005, 7006u},
          std::tuple{9, 0.995, 11033u}, std::tuple{15, 0.995, 11024u}, std::tuple{15, 1.005, 11032u},
          std::tuple{16, 0.995, 11051u}, std::tuple{6, 0.995, 11536u}, std::tuple{3, 1.0035, 9012u}}) {
        const ModeInfo &m = modeInfo(mode);
        const RgbImage src = scaled(big, m.width, m.height);
        auto a = transmission(mode, src, 11025, false, clock);
        addNoise(a, 11025, 0.0, seed);
        Receiver rx(11025);
        const Run r = feed(rx, a, 4096);
        const QString what = QString("%1, clock %2, seed %3").arg(m.name).arg(clock).arg(seed);
        QVERIFY2(r.ends == 1, qPrintable(what));
        const RgbImage &pic = r.pictures.front().picture;
        // the top quarter on its own: its colour bars give 20 dB in place, 13 to 15 drawn off
        const int q = m.height / 4;
        const double psnr = alignedPsnr(pic, src), top = alignedPsnr(rows(pic, 0, q), rows(src, 0, q));
        QVERIFY2(r.pictures.front().lines == m.exposedHeight && psnr > 12 && top > 17,
                 qPrintable(what + QString(": %1 lines, %2 dB, top %3 dB").arg(r.pictures.front().lines).arg(psnr).arg(top)));
    }
    // PD's 20 ms syncs at 0 dB, true clock: drawn straight and in place. Places inside a
    // pulse taken for its start once set a grid that leaned (2000 ppm and more) or stood
    // 5 to 15 ms late, and the picture came out at 8 to 10 dB.
    for (const auto &[mode, seed] : {std::pair{15, 207u}, std::pair{15, 208u}, std::pair{16, 202u}, std::pair{16, 205u}}) {
        const ModeInfo &m = modeInfo(mode);
        const RgbImage src = scaled(big, m.width, m.height);
        auto a = transmission(mode, src, 11025);
        addNoise(a, 11025, 0.0, seed);
        Receiver rx(11025);
        const Run r = feed(rx, a, 8192);
        const QString what = QString("%1, seed %2").arg(m.name).arg(seed);
        QVERIFY2(r.ends == 1 && r.pictures.front().lines == m.exposedHeight, qPrintable(what));
        const double ppm = r.pictures.front().slantPpm, psnr = alignedPsnr(r.pictures.front().picture, src);
        QVERIFY2(std::fabs(ppm) < 800 && psnr > 12, qPrintable(what + QString(": slant %1 ppm, %2 dB").arg(ppm).arg(psnr)));
    }
}

void WeakTest::pictureEndsWithItsSignal()
{
    // A picture whose signal stops (the sender stopped, the band went quiet) ends there and
    // keeps what it had: a grid searched again finds no sync train in what follows.
    const RgbImage card = loadPicture(pictures() + "testcard_320x256.png");
    const ModeInfo &m = modeInfo(9);
    auto a = transmission(9, card, 11025);
    const size_t stop = size_t((0.5 + (m.headerMs() + 100 * m.periodMs) / 1000.0) * 11025);
    std::fill(a.begin() + long(stop), a.end(), 0.0f);
    a.resize(a.size() + size_t(40 * 11025), 0.0f); // the rest of the picture's air time and more
    Receiver rx(11025);
    const Run r = feed(rx, a);
    QCOMPARE(r.ends, 1);
    QCOMPARE(r.pictures.front().lines, 100);
}

void WeakTest::picturesCutShort()
{
    // A recording or a sender that stops before the picture's end, followed by silence, by
    // the same noise as before, by noise that a receiver's gain control brings up to the
    // signal's level, or by nothing (the file ends; the picture is stopped there): only the
    // periods whose signal came whole count and are drawn, the rest is left black, and the
    // rows kept are drawn as the whole signal draws them. In noise the period the signal
    // stopped in may read as noise before its end: one period fewer is allowed there. A
    // picture that came whole keeps every line, whatever follows it, and one that stopped a few
    // milliseconds before a period's end does not count that period (it drew the colour that
    // did not come; clean, 2 ms short was counted).
    const RgbImage big = loadPicture(pictures() + "testcard_640x496.png");
    enum After { Silence, Noise, RaisedNoise, FileEnd };
    struct Case {
        int mode;
        double sent, snr; // sent: the share of the picture's time sent
        After after;
        double clock = 1.0;
        double shortMs = 0; // the signal stops this many ms before the end of the period it stops in
    };
    unsigned seed = 300;
    for (const Case c : {Case{3, 0.96, 99, FileEnd}, Case{3, 0.5, 10, Noise}, Case{3, 0.9, 0, RaisedNoise},
                         Case{15, 0.95, 99, Silence}, Case{15, 0.7, 0, Noise, 1.003}, Case{9, 0.97, 20, RaisedNoise},
                         Case{9, 0.4, 0, Silence, 0.997}, Case{6, 0.99, 10, Noise}, Case{6, 0.6, 3, FileEnd},
                         Case{3, 1.0, 0, RaisedNoise, 1.003}, Case{9, 1.0, 0, Noise, 0.997}, Case{3, 0.4, 99, Silence, 1.0, 10},
                         Case{3, 0.62, 20, FileEnd, 1.0, 8}, Case{9, 0.5, 99, Silence, 1.0, 12},
                         Case{3, 0.3, 99, Silence, 1.0, 3}, Case{15, 0.45, 99, Silence, 1.003, 2}}) {
        const ModeInfo &m = modeInfo(c.mode);
        const RgbImage src = scaled(big, m.width, m.height);
        const std::vector<float> tx = transmission(c.mode, src, 11025, false, c.clock);
        std::vector<float> noise(tx.size() + 5 * 11025, 0.0f);
        if (c.snr < 99) addNoise(noise, 11025, c.snr, ++seed);
        // where the signal stops, and the periods whose content was sent whole before it
        double stopMs = m.headerMs() + c.sent * m.pictureMs();
        if (c.shortMs > 0) stopMs = m.headerMs() + std::ceil(c.sent * m.periods) * m.periodMs - c.shortMs;
        const size_t stop = std::min(tx.size(), size_t((0.5 + stopMs * c.clock / 1000) * 11025));
        double endMs = 0;
        for (const auto &lay : m.layouts)
            for (const Segment &seg : lay) endMs = std::max(endMs, seg.startMs + seg.lengthMs);
        int whole = 0;
        while (whole < m.periods && m.syncStartMs(whole) + endMs <= stopMs + 0.5) ++whole;
        const int sentLines = whole * m.linesPerPeriod;
        // the whole signal and the one cut short, in the same noise
        std::vector<float> full = noise, cut = noise;
        for (size_t i = 0; i < tx.size(); ++i) full[i] += tx[i];
        for (size_t i = 0; i < stop; ++i) cut[i] += tx[i];
        double before = 0, after = 0;
        for (size_t i = 0; i < cut.size(); ++i) (i < stop ? before : after) += double(cut[i]) * cut[i];
        if (c.after == Silence) std::fill(cut.begin() + long(stop), cut.end(), 0.0f);
        if (c.after == FileEnd) cut.resize(stop);
        if (c.after == RaisedNoise)
            for (size_t i = stop; i < cut.size(); ++i) cut[i] *= float(std::sqrt(before / double(stop) / (after / double(cut.size() - stop))));
        const QString what = QString("%1, %2 of it sent, %3 dB, %4").arg(m.name).arg(c.sent).arg(c.snr).arg(int(c.after));
        Receiver rxFull(11025), rxCut(11025);
        const Run rf = feed(rxFull, full);
        Run rc = feed(rxCut, cut);
        if (rxCut.receiving()) {
            rxCut.stopScan();
            if (rxCut.takeEvents() & RxEnded) rc.pictures.push_back(rxCut.lastFinished());
        }
        QVERIFY2(rf.pictures.size() == 1 && rc.pictures.size() == 1, qPrintable(what));
        const int lines = rc.pictures.front().lines;
        QVERIFY2(lines <= sentLines && lines >= sentLines - (c.snr <= 3 ? m.linesPerPeriod : 0),
                 qPrintable(what + QString(": %1 lines, %2 sent whole").arg(lines).arg(sentLines)));
        const RgbImage &got = rc.pictures.front().picture;
        long lit = 0;
        for (int y = lines; y < got.height; ++y)
            for (int x = 0; x < got.width; ++x) lit += got.pixel(x, y)[0] | got.pixel(x, y)[1] | got.pixel(x, y)[2];
        QVERIFY2(lit == 0, qPrintable(what + ": rows drawn past the lines received"));
        // The rows kept are drawn as the whole signal draws them, but for the last ones before
        // the stop (filtered across what the whole signal has after them) and a decision taken
        // on fewer lines: the colour range (Robot 36's card cut at half at 10 dB tips to full
        // range, 1.4 dB less; over 260 cut pictures the rows kept move by -0.4 .. +0.5 dB).
        const int same = std::min(lines, sentLines) - 10;
        if (same < 16) continue;
        const RgbImage ref = rows(scaled(src, got.width, got.height), 0, same);
        const double kept = alignedPsnr(rows(got, 0, same), ref);
        const double fromWhole = alignedPsnr(rows(rf.pictures.front().picture, 0, same), ref);
        QVERIFY2(kept > fromWhole - 2,
                 qPrintable(what + QString(": rows kept %1 dB, the whole signal's %2").arg(kept).arg(fromWhole)));
    }
}

QTEST_MAIN(WeakTest)
#include "tst_weak.moc"
