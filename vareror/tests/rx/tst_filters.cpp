// The receiver's filter blocks, each measured on tones against what it is designed to do:
// pass band, stop band and group delay of the decimator, the analytic band-pass and the bands
// the front end makes of it, the carrier notch, the LMS noise smoothing and the automatic notch;
// and the settings they refuse, which no file or operator's setting reaches.
#include "auto_notch.h"
#include "dsp_fft.h"
#include "dsp_filters.h"
#include "rx/declipper.h"
#include "rx/front_end.h"
#include "rx/overdrive.h"
#include "rx_support.h"

#include <QTest>

#include <cmath>
#include <complex>
#include <functional>
#include <limits>
#include <numeric>
#include <numbers>
#include <stdexcept>

using namespace vareror::core;
using namespace vareror::core::rx;
using namespace vareror::rxtest;

namespace {

using cdouble = std::complex<double>;
constexpr double kPi = std::numbers::pi;

double dB(double gain) { return 20 * std::log10(std::max(gain, 1e-12)); }

std::vector<float> cosine(double hz, double rate, size_t n, double amplitude = 1)
{
    std::vector<float> x(n);
    for (size_t i = 0; i < n; ++i) x[i] = float(amplitude * std::cos(2 * kPi * hz * double(i) / rate));
    return x;
}

// The component of samples [from, to) at `hz` (negative: the mirror's), against a cosine of
// amplitude 1 and phase 0 at sample 0 of the series, through a Hann window (whatever else the
// samples hold leaks little into it: a tone's mirror, a block's start).
template<typename T> cdouble component(const std::vector<T> &y, double hz, double rate, size_t from, size_t to)
{
    cdouble sum = 0;
    double weights = 0;
    for (size_t n = from; n < to; ++n) {
        const double w = 0.5 - 0.5 * std::cos(2 * kPi * double(n - from) / double(to - from));
        sum += w * cdouble(y[n]) * std::polar(1.0, -2 * kPi * hz * double(n) / rate);
        weights += w;
    }
    return 2.0 * sum / weights;
}

// A block's gain at `hz` (negative: what a real tone at -hz leaves at that negative frequency of
// a complex output) and its group delay there, in samples, from the phase's slope over +-2 Hz.
using Gain = std::function<cdouble(double hz)>;
double groupDelay(const Gain &gain, double hz, double rate)
{
    return -std::arg(gain(hz + 2) / gain(hz - 2)) / (2 * kPi * 4 / rate);
}

// A Hamming-windowed band's transition, from pass band to stop band, is about 3.3 rate / taps
// wide, centred on its edge (where it passes half the amplitude): a pass band within 0.1 dB
// and a stop band 40 dB down lie half of that either side of it. The gain at the band's
// centre is 1, and it is in phase with the input at the sample it is centred on (no group delay).
void checkBand(const Gain &gain, double lo, double hi, double transition, double rate, double measureUpTo)
{
    const double centre = (lo + hi) / 2, half = (hi - lo) / 2;
    QVERIFY2(std::abs(gain(centre) - 1.0) < 0.01, qPrintable(QString("centre %1 Hz: %2 dB").arg(centre).arg(dB(std::abs(gain(centre))))));
    for (double edge : {lo, hi}) {
        if (std::fabs(edge) > measureUpTo) continue;
        const double g = dB(std::abs(gain(edge)));
        QVERIFY2(std::fabs(g + 6) < 0.5, qPrintable(QString("edge %1 Hz: %2 dB").arg(edge).arg(g)));
    }
    for (double hz = -measureUpTo; hz <= measureUpTo; hz += 50) {
        if (std::fabs(hz) < 20) continue;
        const double off = std::fabs(hz - centre), g = dB(std::abs(gain(hz)));
        if (off <= half - transition / 2) {
            QVERIFY2(std::fabs(g) < 0.1, qPrintable(QString("pass band at %1 Hz: %2 dB").arg(hz).arg(g)));
            const double tau = groupDelay(gain, hz, rate);
            QVERIFY2(std::fabs(tau) < 0.05 && std::fabs(std::arg(gain(hz))) < 0.01,
                     qPrintable(QString("pass band at %1 Hz: group delay %2 samples").arg(hz).arg(tau)));
        } else if (off >= half + transition / 2) {
            QVERIFY2(g < -40, qPrintable(QString("stop band at %1 Hz: %2 dB").arg(hz).arg(g)));
        }
    }
}

} // namespace

class FiltersTest : public QObject {
    Q_OBJECT
private slots:
    void decimator_data();
    void decimator();
    void analyticBand_data();
    void analyticBand();
    void harmonicModel_data();
    void harmonicModel();
    void frontEndBands_data();
    void frontEndBands();
    void notch_data();
    void notch();
    void lmsSmoothing();
    void autoNotch_data();
    void autoNotch();
    void refusals();
    void settingsReachNoRefusal();
};

void FiltersTest::decimator_data()
{
    QTest::addColumn<double>("rate");
    for (double rate : {22050.0, 44100.0, 48000.0, 96000.0}) QTest::newRow(qPrintable(QString::number(rate))) << rate;
}

// Down to the working rate, the SSTV band and the picture detail's upper sidebands pass (to
// about 4.6 kHz, the broad picture band's edge, where at most half the amplitude is lost),
// the output's Nyquist frequency is stopped, and what would fold into the band below 4 kHz is
// 55 dB down; the delay is delay() output samples at every frequency.
void FiltersTest::decimator()
{
    QFETCH(double, rate);
    const WorkingRate working(rate);
    dsp::Decimator d;
    d.configure(working.decimation, rate);
    const double out = working.hz;
    // the gain at `hz`, read at the frequency it comes out at, against the input at the sample
    // each output stands for
    auto gain = [&](double hz) {
        const auto x = cosine(hz, rate, size_t(0.4 * rate));
        std::vector<float> y;
        d.reset();
        d.run(x.data(), x.size(), y);
        double folded = std::fmod(hz, out);
        if (folded > out / 2) folded = out - folded;
        return component(y, folded, out, size_t(d.delay()) + 50, y.size());
    };
    for (double hz = 300; hz <= 4000; hz += 100) {
        QVERIFY2(std::fabs(dB(std::abs(gain(hz)))) < 0.1, qPrintable(QString("%1 Hz: %2 dB").arg(hz).arg(dB(std::abs(gain(hz))))));
        const double tau = groupDelay(gain, hz, out);
        QVERIFY2(std::fabs(tau - d.delay()) < 0.02, qPrintable(QString("%1 Hz: delay %2, not %3").arg(hz).arg(tau).arg(d.delay())));
    }
    QVERIFY(dB(std::abs(gain(4600))) > -6.5);
    QVERIFY2(dB(std::abs(gain(out / 2 - 1))) < -45, qPrintable(QString("Nyquist: %1 dB").arg(dB(std::abs(gain(out / 2 - 1))))));
    for (double hz = out - 4000; hz < rate / 2 - 50; hz += 97) {
        double folded = std::fmod(hz, out);
        if (folded > out / 2) folded = out - folded;
        if (folded > 4000) continue;
        const double g = dB(std::abs(gain(hz)));
        QVERIFY2(g < -55, qPrintable(QString("%1 Hz folds onto %2 Hz at %3 dB").arg(hz).arg(folded).arg(g)));
    }
}

void FiltersTest::analyticBand_data()
{
    QTest::addColumn<double>("centre");
    QTest::addColumn<double>("half");
    QTest::addColumn<double>("ms");
    QTest::addColumn<double>("rate");
    QTest::newRow("broad") << 2200.0 << 2400.0 << 2.5 << 11025.0;
    QTest::newRow("narrow, over the video tones") << 1900.0 << 550.0 << 3.0 << 11025.0;
    QTest::newRow("very sharp, at 12 kHz") << 1750.0 << 900.0 << 4.5 << 12000.0;
}

// The analytic band-pass at any centre, width and length is the windowed band of checkBand,
// for a real tone's positive frequency and its mirror alike.
void FiltersTest::analyticBand()
{
    QFETCH(double, centre);
    QFETCH(double, half);
    QFETCH(double, ms);
    QFETCH(double, rate);
    dsp::AnalyticFilter f;
    const int taps = int(std::lround(ms * rate / 1000)) | 1;
    f.configure(centre, half, taps, rate);
    const int d = f.delay();
    auto gain = [&](double hz) {
        // a tone of phase 0 at the first output's sample, with the history the filter reads before it
        std::vector<float> x(size_t(4000 + 2 * d));
        for (size_t i = 0; i < x.size(); ++i) x[i] = float(std::cos(2 * kPi * std::fabs(hz) * (double(i) - d) / rate));
        std::vector<std::complex<float>> z(4000);
        f.run(x.data() + d, z.size(), z.data());
        return component(z, hz, rate, 0, z.size());
    };
    checkBand(gain, centre - half, centre + half, 3.3 * rate / taps, rate, rate / 2 - 100);
    // what it tells of its gain is what it does
    for (double hz = 100; hz < rate / 2 - 100; hz += 250) {
        const double told = f.gain(hz, rate), measured = gain(hz).real();
        QVERIFY2(std::fabs(told - measured) < 0.005, qPrintable(QString("%1 Hz: gain %2, measured %3").arg(hz).arg(told).arg(measured)));
    }
}

void FiltersTest::harmonicModel_data()
{
    QTest::addColumn<double>("rate");
    for (double rate : {11025.0, 44100.0, 48000.0}) QTest::newRow(qPrintable(QString::number(rate))) << rate;
}

// An overdriven tone's third harmonic as the working audio holds it: 2 share level cos 3 phi from
// the tone's cos phi, in phase with it and through the input's low-pass (as much as gain() says),
// where three times the tone lies under half the working rate; nothing where the low-pass took it
// away (made at the working rate it would fold back into the band, white's to 4125 Hz).
void FiltersTest::harmonicModel()
{
    QFETCH(double, rate);
    const WorkingRate working(rate);
    const double out = working.hz;
    dsp::Decimator dec;
    dec.configure(working.decimation, rate);
    HarmonicModel model;
    model.configure(out, working.decimation, dec.cutoffHz(), dec.delay());
    const size_t n = size_t(0.3 * out), r = size_t(model.reach());
    const std::vector<float> level(n + 2 * r, 0.8f);
    for (double hz : {1100.0, 1300.0, 1500.0, 1700.0, 2000.0, 2300.0}) {
        const auto c = cosine(hz, out, n + 2 * r);
        std::vector<float> y(n);
        model.run(c.data() + r, level.data() + r, n, 0.25f, y.data());
        // (y[i] stands for the tone's sample i + r)
        const cdouble third = component(y, 3 * hz, out, 0, n) * std::polar(1.0, -2 * kPi * 3 * hz * double(r) / out);
        double power = 0;
        for (float v : y) power += double(v) * v / double(n);
        const QString what = QString("%1 Hz: third %2 %3, told %4, rms %5")
                                 .arg(hz).arg(third.real()).arg(third.imag()).arg(0.4 * model.gain(3 * hz)).arg(std::sqrt(power));
        if (3 * hz < out / 2) QVERIFY2(std::abs(third - 0.4 * model.gain(3 * hz)) < 0.01, qPrintable(what));
        else QVERIFY2(std::sqrt(power) < 0.01, qPrintable(what));
        // (sync's and black's third harmonics pass whole)
        if (3 * hz <= 4000) QVERIFY2(model.gain(3 * hz) > 0.9, qPrintable(what));
    }
}

void FiltersTest::frontEndBands_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("filter");      // DSP filter setting
    QTest::addColumn<double>("snr");      // the picture band's; 99: none set
    QTest::addColumn<int>("band");        // 0 picture, 1 decisions, 2 broad read beside the picture band
    QTest::addColumn<double>("lo");       // designed edges (Hz)
    QTest::addColumn<double>("hi");
    QTest::addColumn<double>("ms");       // the band's length
    for (double rate : {11025.0, 48000.0}) {
        const QString r = QString(" at %1 Hz").arg(rate);
        // what the analytic signal needs, the fastest pixel changes, sharp, and the weak signals' band
        QTest::newRow(qPrintable("off" + r)) << rate << 0 << 99.0 << 0 << -850.0 << 4350.0 << 2.0;
        QTest::newRow(qPrintable("broad" + r)) << rate << 1 << 99.0 << 0 << -200.0 << 4600.0 << 2.5;
        QTest::newRow(qPrintable("sharp" + r)) << rate << 2 << 99.0 << 0 << 450.0 << 3050.0 << 3.0;
        QTest::newRow(qPrintable("very sharp" + r)) << rate << 3 << 99.0 << 0 << 850.0 << 2650.0 << 4.5;
        // the decisions' band (VIS, FSK ID, syncs), whatever the picture's
        QTest::newRow(qPrintable("decisions" + r)) << rate << 3 << 99.0 << 1 << 850.0 << 2350.0 << 3.0;
        // at 3 dB the picture band holds the video tones alone, 550 Hz either side of 1900
        QTest::newRow(qPrintable("3 dB" + r)) << rate << 1 << 3.0 << 0 << 1350.0 << 2450.0 << 3.0;
        // ... with the broad band read beside it: so strong a noise would hide the columns its
        // fine detail is read for, and it is narrowed to the video tones' 550 Hz and 700 more,
        // moved up towards the broad band's centre (2013.5 Hz); from 8 dB it is whole
        QTest::newRow(qPrintable("broad beside 3 dB" + r)) << rate << 1 << 3.0 << 2 << 2013.51 - 1250 << 2013.51 + 1250 << 2.5;
        QTest::newRow(qPrintable("broad beside 10 dB" + r)) << rate << 1 << 10.0 << 2 << -200.0 << 4600.0 << 2.5;
    }
}

// Each band the front end makes is the windowed band of checkBand, measured on its output
// against the input at each working sample's instant: the decimation's delay and each band's
// own are taken out, so every band is in phase with its input at every working rate. (From
// 4 kHz up at a decimated rate the decimator's own edge adds to the band's: measured at 11025 Hz.)
void FiltersTest::frontEndBands()
{
    QFETCH(double, rate);
    QFETCH(int, filter);
    QFETCH(double, snr);
    QFETCH(int, band);
    QFETCH(double, lo);
    QFETCH(double, hi);
    QFETCH(double, ms);
    const WorkingRate working(rate);
    auto gain = [&](double hz) {
        FrontEnd fe(rate);
        FrontEndSettings s;
        s.dspFilter = filter;
        fe.configure(s);
        if (snr < 99) fe.setPictureBand(snr, false);
        if (band == 2) fe.readBroad(true);
        const auto x = cosine(std::fabs(hz), rate, size_t(0.3 * rate));
        const FrontEndBlock &b = fe.process(x.data(), x.size());
        const std::vector<std::complex<float>> &z = band == 0 ? b.z : band == 1 ? b.zn : b.zb;
        // sample j of the block is working sample b.first + j: its instant is that many working samples in
        std::vector<std::complex<float>> at(size_t(b.first), 0.0f);
        at.insert(at.end(), z.begin(), z.end());
        return component(at, hz, working.hz, size_t(0.05 * working.hz), at.size());
    };
    const int taps = int(std::lround(ms * working.perMs)) | 1;
    checkBand(gain, lo, hi, 3.3 * working.hz / taps, working.hz, rate == 11025 ? 5400 : 4000);
}

void FiltersTest::notch_data()
{
    QTest::addColumn<double>("hz");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("rate");
    QTest::newRow("1000 Hz") << 1000.0 << 60.0 << 11025.0;
    QTest::newRow("2000 Hz, as the automatic notch") << 2000.0 << 40.0 << 11025.0;
    QTest::newRow("1500 Hz at 12 kHz") << 1500.0 << 60.0 << 12000.0;
}

// The notch takes out its carrier whole, is `width` wide where it halves the power, and leaves
// the rest: within 0.3 dB from two widths away, and with its delay under a sample from five.
void FiltersTest::notch()
{
    QFETCH(double, hz);
    QFETCH(double, width);
    QFETCH(double, rate);
    auto gain = [&](double f) {
        dsp::Notch n;
        n.configure(hz, rate, width);
        auto x = cosine(f, rate, size_t(rate));
        n.run(x.data(), x.size());
        return component(x, f, rate, size_t(0.5 * rate), x.size());
    };
    QVERIFY(dB(std::abs(gain(hz))) < -60);
    for (double f : {hz - width / 2, hz + width / 2}) QVERIFY2(std::fabs(dB(std::abs(gain(f))) + 3) < 0.3, qPrintable(QString::number(f)));
    for (double f = 50; f < rate / 2 - 50; f += 50) {
        const double off = std::fabs(f - hz);
        if (off >= 2 * width) QVERIFY2(std::fabs(dB(std::abs(gain(f)))) < 0.3, qPrintable(QString("%1 Hz: %2 dB").arg(f).arg(dB(std::abs(gain(f))))));
        if (off >= 5 * width) QVERIFY2(std::fabs(groupDelay(gain, f, rate)) < 1, qPrintable(QString("%1 Hz: delay %2").arg(f).arg(groupDelay(gain, f, rate))));
    }
    dsp::Notch off;
    off.configure(0, rate);
    auto x = cosine(1000, rate, 1000);
    const auto before = x;
    off.run(x.data(), x.size());
    QVERIFY(x == before);
}

// Noise smoothing, a predictor of each sample from those before it, passes a tone (what it can
// predict) in phase and whole, and takes out most of white noise (10 dB here).
void FiltersTest::lmsSmoothing()
{
    const double rate = 11025;
    dsp::Lms smooth;
    smooth.configure(dsp::Lms::Smoothing, rate);
    const std::vector<float> tone = cosine(1900, rate, size_t(3 * rate), 0.5);
    std::vector<float> noise(tone.size()), y(tone.size());
    std::mt19937 gen(5);
    std::normal_distribution<float> nd;
    for (size_t i = 0; i < y.size(); ++i) y[i] = tone[i] + (noise[i] = 0.11f * nd(gen)); // 10 dB
    smooth.run(y.data(), y.size());
    const size_t from = size_t(rate); // (once it has learnt the tone)
    const cdouble g = component(y, 1900, rate, from, y.size()) / 0.5;
    double left = 0, in = 0;
    for (size_t i = from; i < y.size(); ++i) {
        const double e = y[i] - std::real(g * 0.5 * std::polar(1.0, 2 * kPi * 1900 * double(i) / rate));
        left += e * e;
        in += double(noise[i]) * noise[i];
    }
    qInfo("tone %.2f dB, %.3f rad; noise %.1f dB", dB(std::abs(g)), std::arg(g), 10 * std::log10(left / in));
    QVERIFY(std::fabs(dB(std::abs(g))) < 0.5 && std::fabs(std::arg(g)) < 0.05);
    QVERIFY(left < in / 4);
}

void FiltersTest::autoNotch_data()
{
    QTest::addColumn<bool>("slow");
    QTest::addColumn<QString>("beside"); // a mode's picture ("9 card", "6 other's", "3 photo"), "noise" or "silence"
    QTest::addColumn<double>("carrier"); // Hz; 0: none
    QTest::addColumn<double>("level");   // dB against the signal beside it (silence: peak 0.2)
    QTest::addColumn<double>("drift");   // Hz over the carrier's 14 s
    QTest::addColumn<bool>("stops");     // ... after 8 s of them
    QTest::newRow("fast, 1000 Hz -10 dB beside Martin 1") << false << "9 card" << 1000.0 << -10.0 << 0.0 << false;
    QTest::newRow("slow, 1750 Hz -10 dB beside another sender's Scottie 1")
        << true << "6 other's" << 1750.0 << -10.0 << 0.0 << false;
    QTest::newRow("fast, 2711 Hz 0 dB beside a Robot 36 photo") << false << "3 photo" << 2711.0 << 0.0 << 0.0 << false;
    QTest::newRow("slow, 1234.5 Hz -15 dB beside PD120") << true << "16 card" << 1234.5 << -15.0 << 0.0 << false;
    QTest::newRow("fast, 1750 Hz drifting 10 Hz") << false << "9 card" << 1750.0 << -10.0 << 10.0 << false;
    QTest::newRow("slow, 1750 Hz drifting -10 Hz") << true << "6 other's" << 1750.0 << -10.0 << -10.0 << false;
    QTest::newRow("fast, 1234.5 Hz stopping") << false << "9 card" << 1234.5 << -10.0 << 0.0 << true;
    QTest::newRow("fast, 437 Hz alone") << false << "silence" << 437.0 << 0.0 << 0.0 << false;
    for (const char *picture : {"9 card", "9 other's", "3 photo", "6 card", "16 other's", "12 card"})
        for (bool slow : {false, true})
            QTest::newRow(qPrintable(QString("%1, %2 alone").arg(slow ? "slow" : "fast", picture)))
                << slow << picture << 0.0 << 0.0 << 0.0 << false;
    QTest::newRow("fast, white noise") << false << "noise" << 0.0 << 0.0 << 0.0 << false;
}

// The automatic notch takes a steady carrier beside a picture or alone within half a second of its
// start, at its frequency, and leaves of it and takes of the picture together 20 dB or more under
// the carrier (one drifting by 0.7 Hz a second once its loop has learnt the drift, 6 s on); it
// lets one that stops go within 0.15 s. A picture alone, whose tones repeat line after line (a colour down a column, a test card's
// grey wedge, a uniform border scanned with no porch between its colours in SC2-120), is no carrier,
// nor is noise.
void FiltersTest::autoNotch()
{
    QFETCH(bool, slow);
    QFETCH(QString, beside);
    QFETCH(double, carrier);
    QFETCH(double, level);
    QFETCH(double, drift);
    QFETCH(bool, stops);
    const double rate = 11025;
    std::vector<float> signal(size_t(22 * rate), 0.0f);
    double pictureFrom = 0, pictureTo = 0; // s
    if (beside == "noise") {
        addNoise(signal, rate, 10, 3);
    } else if (beside != "silence") {
        const int mode = beside.section(' ', 0, 0).toInt();
        const ModeInfo &mi = modeInfo(mode);
        const bool other = beside.contains("other's");
        const RgbImage pic = loadPicture(pictures() + (beside.contains("photo") ? "photo_640x496.png" : "testcard_640x496.png"));
        const RgbImage sized = scaled(pic, mi.width, mi.height);
        const auto sstv = other ? fullRangeTransmission(mode, sized, rate, outsideSender(mi)) : transmission(mode, sized, rate);
        std::copy(sstv.begin(), sstv.begin() + long(std::min(sstv.size(), signal.size())), signal.begin());
        pictureFrom = 0.5 + mi.headerMs() / 1000;
        pictureTo = 22;
    }
    const double rms = std::sqrt(std::inner_product(signal.begin(), signal.end(), signal.begin(), 0.0) / double(signal.size()));
    const double amplitude = beside == "silence" ? 0.2 : std::sqrt(2.0) * rms * std::pow(10.0, level / 20);
    const double from = beside == "silence" ? 1.0 : 6.0, to = stops ? from + 8 : 20.0; // s
    dsp::AutoNotch n;
    n.configure(true, slow ? dsp::AutoNotch::Speed::Slow : dsp::AutoNotch::Speed::Fast, rate);
    double phase = 0, foundAt = -1, goneAt = -1, found = 0, left = 0, in = 0;
    for (size_t i = 0; i < signal.size(); ++i) {
        const double t = double(i) / rate;
        const double hz = carrier + drift * std::clamp((t - from) / 14, 0.0, 1.0);
        phase += 2 * kPi * hz / rate;
        const double c = carrier > 0 && t >= from && t < to ? amplitude * std::cos(phase) : 0.0;
        float y = float(signal[i] + c);
        n.pictureGoing(t >= pictureFrom && t < pictureTo);
        n.run(&y, 1);
        if (foundAt < 0 && n.frequency() > 0) {
            foundAt = t;
            found = n.frequency() - (hz - carrier);
        }
        if (stops && goneAt < 0 && t >= to && n.frequency() == 0) goneAt = t;
        if (t >= from + (drift != 0 ? 6 : 2) && t < to) {
            left += (y - signal[i]) * (y - signal[i]);
            in += c * c;
        }
    }
    if (carrier == 0) {
        QVERIFY2(foundAt < 0, qPrintable(QString("a carrier taken at %1 s, %2 Hz").arg(foundAt).arg(found)));
        return;
    }
    QVERIFY2(foundAt >= from && foundAt < from + 0.5 && std::fabs(found - carrier) < 0.5,
             qPrintable(QString("taken at %1 s (%2 s after it began), %3 Hz").arg(foundAt).arg(foundAt - from).arg(found)));
    const double leftDb = 10 * std::log10(left / in);
    QVERIFY2(leftDb < -20, qPrintable(QString("%1 dB of the carrier left, or of the picture taken").arg(leftDb)));
    if (stops) QVERIFY2(goneAt >= to && goneAt < to + 0.15, qPrintable(QString("let go at %1 s").arg(goneAt)));
}

// Each block refuses a setting it cannot honour, naming itself, the value and its limit; a
// notch of 0 Hz (off) and a band whose edges lie past 0 Hz and half the rate it takes.
void FiltersTest::refusals()
{
    struct Case {
        const char *block, *words;
        std::function<void()> make;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"dsp::lowpassTaps", "0.5 cycles per sample", [] { dsp::lowpassTaps(31, 0.5); }},
        {"dsp::Decimator", "factor of 0", [] { dsp::Decimator().configure(0, 44100); }},
        {"dsp::AnalyticFilter", "half width of 5512.5 Hz at 11025 Hz; it must lie above 0 and below half the rate (5512.5 Hz)",
         [] { dsp::AnalyticFilter().configure(1900, 5512.5, 31, 11025); }},
        {"dsp::AnalyticFilter", "centre of -100 Hz", [] { dsp::AnalyticFilter().configure(-100, 500, 31, 11025); }},
        {"dsp::Notch", "notch at 6000 Hz", [] { dsp::Notch().configure(6000, 11025); }},
        {"dsp::Notch", "notch at -50 Hz", [] { dsp::Notch().configure(-50, 11025); }},
        {"dsp::Lms", "rate of 0 Hz", [] { dsp::Lms().configure(dsp::Lms::Smoothing, 0); }},
        {"dsp::AutoNotch", "rate of 0 Hz", [] { dsp::AutoNotch().configure(true, dsp::AutoNotch::Speed::Fast, 0); }},
        {"dsp::HumCanceller", "rate of inf Hz", [inf] { dsp::HumCanceller().configure(inf); }},
        {"dsp::realForwardPlan", "0 points", [] { dsp::realForwardPlan(0); }},
        {"rx::WorkingRate", "rate of -11025 Hz", [] { WorkingRate(-11025.0); }},
        {"rx::Declipper", "multiple of 0", [] { Declipper().configure(44100, 0); }},
        {"rx::HarmonicModel", "half length of 0", [] { HarmonicModel().configure(11025, 4, 4000, 0); }},
    };
    for (const Case &c : cases) {
        QString message;
        try {
            c.make();
        } catch (const std::invalid_argument &e) {
            message = e.what();
        }
        QVERIFY2(message.startsWith(QString(c.block) + ": ") && message.contains(c.words),
                 qPrintable(QString("%1, %2: \"%3\"").arg(c.block, c.words, message)));
    }
    dsp::Notch off;
    off.configure(0, 11025);
    QVERIFY(!off.active());
    dsp::AnalyticFilter().configure(2200, 2400, 31, 8000); // -200..4600 Hz, the broad band at 8000 Hz
}

// What a recording or the operator may set reaches no refusal: a recording at 4800 Hz, where the
// broad band's width reaches half the rate, is received, and a notch at 6000 Hz (taken from a
// 44.1 kHz card, above what the working rate carries) is off: the picture is as without it.
void FiltersTest::settingsReachNoRefusal()
{
    const RgbImage card = loadPicture(pictures() + "testcard_160x120.png");
    Receiver low(4800);
    const Run r = feed(low, transmission(1, card, 4800));
    QCOMPARE(r.pictures.size(), size_t(1));
    QCOMPARE(r.pictures[0].mode, 1);
    QCOMPARE(r.pictures[0].lines, r.pictures[0].picture.height);
    const auto a = transmission(1, card, 44100);
    Receiver plain(44100), notched(44100);
    notched.setNotch(6000);
    QCOMPARE(notched.notch(), 6000.0);
    const Run p = feed(plain, a), n = feed(notched, a);
    QCOMPARE(n.pictures.size(), size_t(1));
    QVERIFY(n.pictures[0].picture.rgb == p.pictures[0].picture.rgb);
}

QTEST_MAIN(FiltersTest)
#include "tst_filters.moc"
