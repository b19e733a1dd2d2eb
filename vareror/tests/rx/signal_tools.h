#pragma once
// Helpers shared by the receiver's tests and its benchmark: reading pictures and WAV files,
// noise of a given SNR, an overdriven input, mains hum, audio cut out, the aligned PSNR that
// both judge a decoded picture by, and another sender's transmissions.
#include "dsp_filters.h"
#include "image.h"
#include "modes.h"

#include <QImage>
#include <QString>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vareror::rxtest {

using core::RgbImage;

// Data a test or the benchmark cannot do without: a missing file stops the run and names it.
[[noreturn]] inline void missingData(const QString &path)
{
    qFatal("test data missing or unreadable: %s", qPrintable(path));
}

inline RgbImage loadPicture(const QString &path)
{
    QImage img(path);
    if (img.isNull()) missingData(path);
    img = img.convertToFormat(QImage::Format_RGB888);
    RgbImage out(img.width(), img.height());
    for (int y = 0; y < img.height(); ++y)
        std::memcpy(out.pixel(0, y), img.constScanLine(y), size_t(img.width()) * 3);
    return out;
}

// The first channel of a sound file.
inline std::vector<float> readWav(const std::string &path, int &rate)
{
    SF_INFO info{};
    SNDFILE *sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf) missingData(QString::fromStdString(path));
    std::vector<float> a(size_t(info.frames) * size_t(info.channels));
    sf_readf_float(sf, a.data(), info.frames);
    sf_close(sf);
    std::vector<float> mono(size_t(info.frames));
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = a[i * size_t(info.channels)];
    rate = info.samplerate;
    return mono;
}

// PSNR of a picture already at the reference's size, shifted by (dx, dy), over the reference
// without a border of 12 pixels and 3 lines (what a shift of up to that much uncovers).
inline double shiftedPsnr(const RgbImage &d, const RgbImage &ref, int dx, int dy)
{
    double se = 0;
    long n = 0;
    for (int y = 3; y < ref.height - 3; ++y)
        for (int x = 12; x < ref.width - 12; ++x) {
            const uint8_t *a = d.pixel(x + dx, y + dy), *b = ref.pixel(x, y);
            for (int c = 0; c < 3; ++c) {
                const double e = double(a[c]) - b[c];
                se += e * e;
            }
            n += 3;
        }
    return 10 * std::log10(65025.0 / std::max(se / double(n), 1e-9));
}

// Rows y0 .. y1 - 1 of a picture.
inline RgbImage rows(const RgbImage &from, int y0, int y1)
{
    RgbImage out(from.width, y1 - y0);
    for (int y = y0; y < y1; ++y) std::memcpy(out.pixel(0, y - y0), from.pixel(0, y), size_t(from.width) * 3);
    return out;
}

// Best PSNR of the picture scaled to the reference's size over shifts of up to 12 pixels
// and 3 lines.
inline double alignedPsnr(const RgbImage &decoded, const RgbImage &ref)
{
    const RgbImage d = core::scaled(decoded, ref.width, ref.height);
    double best = 0;
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -12; dx <= 12; ++dx) best = std::max(best, shiftedPsnr(d, ref, dx, dy));
    return best;
}

inline RgbImage greyOf(RgbImage g)
{
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            uint8_t *p = g.pixel(x, y);
            p[0] = p[1] = p[2] = uint8_t(std::lround(core::greyLevel(p[0], p[1], p[2])));
        }
    return g;
}

// White noise for a given SNR of the tone (peak 0.5) against the noise in a 3 kHz band.
inline void addNoise(std::vector<float> &a, double rate, double snrDb, unsigned seed)
{
    std::mt19937 gen(seed);
    std::normal_distribution<float> nd;
    const double tonePower = 0.125;
    const double sigma = std::sqrt(tonePower / std::pow(10.0, snrDb / 10.0) * (rate / 2) / 3000.0);
    for (auto &x : a) x += float(sigma * nd(gen));
}

// A static crash: `ms` of Gaussian noise of RMS `rms` from sample `at` on; `decay` (ms, 0:
// none) lets it die away exponentially from its start instead of stopping at once.
inline void addBurst(std::vector<float> &a, double rate, size_t at, double ms, double rms, std::mt19937 &gen,
                     double decay = 0)
{
    std::normal_distribution<double> nd;
    const size_t n = size_t(ms * rate / 1000);
    for (size_t i = 0; i < n && at + i < a.size(); ++i)
        a[at + i] += float(rms * nd(gen) * (decay > 0 ? std::exp(-1000.0 * double(i) / rate / decay) : 1.0));
}

// Static: crashes at the times of a Poisson process of `perSecond`, each 1 to 5 ms long (evenly
// spread) and `rms` loud, over the whole recording.
inline void addStatic(std::vector<float> &a, double rate, double perSecond, double rms, unsigned seed, double decay = 0)
{
    std::mt19937 gen(seed);
    std::exponential_distribution<double> gap(perSecond);
    std::uniform_real_distribution<double> len(1, 5);
    for (double t = gap(gen); t * rate < double(a.size()); t += gap(gen)) addBurst(a, rate, size_t(t * rate), len(gen), rms, gen, decay);
}

// The RMS of the samples from `from` to `to`.
inline double rmsOf(const std::vector<float> &a, size_t from, size_t to)
{
    double s = 0;
    for (size_t i = from; i < to && i < a.size(); ++i) s += double(a[i]) * a[i];
    return std::sqrt(s / double(std::max<size_t>(1, std::min(to, a.size()) - from)));
}

// An input level set too high: the signal brought to full scale, multiplied by `gain` and
// clipped at +-1 as a sound card's converter clips; `soft`: bent over smoothly (tanh) as an
// overdriven amplifier does instead.
inline std::vector<float> overdriven(std::vector<float> a, double gain, bool soft = false)
{
    float peak = 0;
    for (float x : a) peak = std::max(peak, std::fabs(x));
    const float g = float(gain) / std::max(peak, 1e-9f);
    for (float &x : a) x = soft ? std::tanh(g * x) : std::clamp(g * x, -1.0f, 1.0f);
    return a;
}

// Down to a rate `factor` times lower, as a good resampler takes it: a long low-pass that
// stops everything over the new Nyquist frequency (what a sound card's converter did at the
// higher rate must not fold into the band).
inline std::vector<float> downsampled(const std::vector<float> &a, int factor)
{
    const int half = 100 * factor;
    const std::vector<float> h = core::dsp::lowpassTaps(2 * half + 1, 0.47 / factor);
    std::vector<float> out(a.size() / size_t(factor));
    for (size_t n = 0; n < out.size(); ++n) {
        const long c = long(n) * factor;
        double acc = 0;
        for (long k = std::max(-long(half), -c); k <= half && c + k < long(a.size()); ++k)
            acc += double(h[size_t(k + half)]) * a[size_t(c + k)];
        out[n] = float(acc);
    }
    return out;
}

// The signal moved by `hz` (a receiver mistuned by that much) and its carrier turned by `phase`
// (radians): its analytic signal, from a windowed Hilbert transformer, turned by both.
inline std::vector<float> shifted(const std::vector<float> &a, double rate, double hz, double phase = 0)
{
    const int half = 127;
    std::vector<double> h(size_t(2 * half + 1), 0.0);
    for (int k = 1; k <= half; k += 2) {
        const double w = 0.54 + 0.46 * std::cos(M_PI * k / (half + 1));
        h[size_t(half + k)] = 2 / (M_PI * k) * w;
        h[size_t(half - k)] = -2 / (M_PI * k) * w;
    }
    std::vector<float> out(a.size(), 0.0f);
    for (size_t n = 0; n < a.size(); ++n) {
        double im = 0;
        for (int k = -half; k <= half; k += 1) {
            const long j = long(n) - k;
            if (h[size_t(half + k)] != 0 && j >= 0 && j < long(a.size())) im += h[size_t(half + k)] * a[size_t(j)];
        }
        const double ph = 2 * M_PI * hz * double(n) / rate + phase;
        out[n] = float(a[n] * std::cos(ph) - im * std::sin(ph));
    }
    return out;
}

// Mains hum of `mainsHz` with its harmonics below 1000 Hz (each k-th at 1/k of the fundamental's
// amplitude, as a rectifier's buzz has them), `belowDb` under the tone's power (peak 0.5).
inline void addHum(std::vector<float> &a, double rate, double mainsHz, double belowDb)
{
    const int harmonics = int(std::ceil(1000.0 / mainsHz)) - 1;
    double sum = 0;
    for (int k = 1; k <= harmonics; ++k) sum += 1.0 / (k * k);
    const double amp = std::sqrt(2 * 0.125 * std::pow(10.0, -belowDb / 10) / sum);
    for (size_t i = 0; i < a.size(); ++i) {
        double v = 0;
        for (int k = 1; k <= harmonics; ++k) v += amp / k * std::sin(2 * M_PI * k * mainsHz * double(i) / rate + 0.7 * k);
        a[i] += float(v);
    }
}

// Two-path propagation: the signal plus a copy `delayMs` later and `echoDb` weaker (a -3 dB
// echo 1 ms late puts the channel's notches at 500, 1500 and 2500 Hz), then both faded together
// by up to `fadeDb`, slowly (`fadeHz`, from `fadePhase`, radians). The late copy is delayed by
// whole samples and a third-order Thiran all-pass for the fraction (flat in level, its delay
// within a hundredth of a sample up to 3 kHz at 11025 Hz): an IIR path, unlike the receiver's
// windowed-sinc filters.
inline std::vector<float> withEcho(const std::vector<float> &a, double rate, double delayMs, double echoDb, double fadeDb,
                                   double fadeHz, double fadePhase = 0)
{
    constexpr int order = 3;
    const double d = delayMs * rate / 1000;
    const long whole = std::max(0L, long(std::floor(d)) - order);
    const double D = d - double(whole); // the all-pass's share, order .. order + 1 samples
    double c[order + 1];
    for (int k = 0; k <= order; ++k) {
        double v = (k % 2 ? -1.0 : 1.0) * (k == 0 || k == order ? 1 : 3); // (-1)^k C(3, k)
        for (int n = 0; n <= order; ++n) v *= (D - order + n) / (D - order + k + n);
        c[k] = v;
    }
    const double gain = std::pow(10.0, -echoDb / 20);
    std::vector<double> x(order + 1, 0.0), y(order + 1, 0.0); // the all-pass's last inputs and outputs
    std::vector<float> out(a.size());
    for (size_t n = 0; n < a.size(); ++n) {
        const long j = long(n) - whole;
        std::rotate(x.rbegin(), x.rbegin() + 1, x.rend());
        std::rotate(y.rbegin(), y.rbegin() + 1, y.rend());
        x[0] = j >= 0 ? a[size_t(j)] : 0.0;
        double v = 0;
        for (int k = 0; k <= order; ++k) v += c[order - k] * x[size_t(k)];
        for (int k = 1; k <= order; ++k) v -= c[k] * y[size_t(k)];
        y[0] = v;
        const double fade = std::pow(10.0, -fadeDb * 0.5 * (1 - std::cos(2 * M_PI * fadeHz * double(n) / rate + fadePhase)) / 20);
        out[n] = float(fade * (a[n] + gain * v));
    }
    return out;
}

// A transmission with `lengthMs` of its samples from `fromMs` after the header's start left
// out (a header tone a sender skips, or audio lost in a gap); the header starts after the
// half second of silence the transmissions of the tests and the benchmark begin with.
inline std::vector<float> withCut(std::vector<float> a, double rate, double clock, double fromMs, double lengthMs)
{
    const double perMs = rate * clock / 1000.0;
    const size_t from = size_t(0.5 * rate + fromMs * perMs), n = size_t(lengthMs * perMs);
    a.erase(a.begin() + long(from), a.begin() + long(from + n));
    return a;
}

// The full-range conversion some encoders use, as published (Y 0..255).
struct FullRange {
    double y, cr, cb;
};
inline FullRange fullRange(double r, double g, double b)
{
    const double y = 0.299 * r + 0.587 * g + 0.114 * b;
    return {y, 128 + (r - y) / 1.402, 128 + (b - y) / 1.772};
}

// How another sender makes a transmission, where the mode table leaves it a choice.
struct SenderStyle {
    double scanCutMs = 0;        // each scan sent that much short, black for the rest
    bool startSync = true;       // Scottie's starting sync after the header (some senders leave it out)
    bool stepPerSample = false;  // the tone changes at output samples only (each sample's phase
                                 // advances by the frequency due at it), not between them
    bool chromaPairMean = false; // a line pair's colour (PD) is the mean of the pair's, not the first line's
    double clock = 1.0;          // the sender's clock against the receiver's (above 1: slow)
};

// The outside encoder A's ways (README.md beside the recordings), each measured by making its
// recordings here from their pictures and comparing the two frequency tracks (RMS difference
// over the picture, Hz): the tone stepped at the samples (Martin 1 42 -> 28), Scottie's scans
// 1.5 ms short and no starting sync (Scottie 1 380 with the standard's scans and sync, 26 with
// both), a PD line pair's colour the pair's mean (PD90 20 -> 16), Robot 36's Cr from the even
// line and Cb from the odd one (12; the pair's mean 14). What is left is the fine detail's
// ringing, where the two oscillators' phases differ.
inline SenderStyle outsideSender(const core::ModeInfo &mi)
{
    SenderStyle s;
    s.scanCutMs = mi.shortenedScanMs;
    s.startSync = mi.omittableStartMs <= 0;
    s.stepPerSample = true;
    s.chromaPairMean = mi.colour == core::ColourEncoding::YccTwoLine;
    return s;
}

// A transmission built straight from the mode table (header and every period's layout) by a
// phase-continuous oscillator of peak 0.5 after half a second of silence, colour-converted with
// the full-range formulas as some other encoders do (Y 0..255), each scan's samples the
// nearest pixels of `pic` (at the mode's native size), made in `style`.
inline std::vector<float> fullRangeTransmission(int mode, const RgbImage &pic, double rate, const SenderStyle &style = {})
{
    using namespace core;
    const ModeInfo &mi = modeInfo(mode);
    std::vector<std::pair<double, double>> steps; // (ms, Hz), back to back
    for (size_t i = 0; i < mi.header.size(); ++i)
        if (style.startSync || i + 1 < mi.header.size() || mi.omittableStartMs <= 0)
            steps.emplace_back(mi.header[i].ms, mi.header[i].hz);
    const bool pairs = mi.colour == ColourEncoding::YccTwoLine && style.chromaPairMean;
    double lastHz = kBlackHz;
    for (int k = 0; k < mi.periods; ++k)
        for (const Segment &seg : mi.layout(k)) {
            if (seg.kind == SegmentKind::Tone) { steps.emplace_back(seg.lengthMs, lastHz = seg.hz); continue; }
            if (seg.kind == SegmentKind::Hold) { steps.emplace_back(seg.lengthMs, lastHz); continue; }
            const int row = std::min(pic.height - 1, k * mi.linesPerPeriod + seg.line);
            const bool chroma = seg.channel == Channel::Cr || seg.channel == Channel::Cb;
            for (int i = 0; i < seg.samples; ++i) {
                const int x = std::min(pic.width - 1, (i * pic.width + pic.width / 2) / seg.samples);
                auto level = [&](int y) {
                    const uint8_t *px = pic.pixel(x, y);
                    const FullRange c = fullRange(px[0], px[1], px[2]);
                    switch (seg.channel) {
                    case Channel::Y: case Channel::Grey: return c.y;
                    case Channel::Cr: return c.cr;
                    case Channel::Cb: return c.cb;
                    case Channel::R: return double(px[0]);
                    case Channel::B: return double(px[2]);
                    default: return double(px[1]);
                    }
                };
                const double v = chroma && pairs ? 0.5 * (level(row) + level(std::min(pic.height - 1, row + 1))) : level(row);
                steps.emplace_back((seg.lengthMs - style.scanCutMs) / seg.samples, lastHz = pixelToHz(v, mi.narrow));
            }
            if (style.scanCutMs > 0) steps.emplace_back(style.scanCutMs, lastHz = kBlackHz);
        }
    std::vector<float> a(size_t(0.5 * rate), 0.0f);
    double t = 0, phase = 0;
    const double dt = 1000.0 / (rate * style.clock), twoPi = 2 * 3.14159265358979323846;
    double next = 0; // ms at which the next output sample is due
    for (const auto &[ms, hz] : steps) {
        const double end = t + ms;
        while (next < end) {
            phase += twoPi * hz * (style.stepPerSample ? dt : next - std::max(t, next - dt)) / 1000.0;
            a.push_back(float(0.5 * std::sin(phase)));
            next += dt;
        }
        // the rest of this step up to its end, carried into the next one
        if (!style.stepPerSample) phase += twoPi * hz * (end - std::max(t, next - dt)) / 1000.0;
        t = end;
    }
    a.resize(a.size() + size_t(rate * 1.5), 0.0f);
    return a;
}

} // namespace vareror::rxtest
