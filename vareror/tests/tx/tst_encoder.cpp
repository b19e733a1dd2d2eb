// Checks the transmitter against the published timing, reading the audio back with a tone
// detector of its own (no part of the engine's receiver is used).
#include "encoder.h"
#include "modes.h"

#include <QtTest>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace vareror::core;

namespace {

// ---- an independent frequency meter -------------------------------------------------------
// A phase-continuous tone satisfies x[n-1] + x[n+1] = 2 cos(w) x[n]; for every sample whose
// neighbours lie in the same tone this gives the exact frequency. Samples near a zero
// crossing are ill-conditioned and left out (NaN).
struct Track {
    double fs;
    std::vector<float> f;
};

Track track(const std::vector<float> &x, double fs)
{
    Track t{fs, std::vector<float>(x.size(), NAN)};
    for (size_t n = 1; n + 1 < x.size(); ++n) {
        if (std::fabs(x[n]) < 0.05f) continue;
        const double c = (double(x[n - 1]) + double(x[n + 1])) / (2.0 * x[n]);
        if (c < -1 || c > 1) continue;
        t.f[n] = float(std::acos(c) * fs / (2 * std::numbers::pi));
    }
    return t;
}

// The first sample the meter reads in a tone that starts at ms: its three-sample window must
// lie wholly after the edge, which sits between samples wherever the time axis puts it.
double firstClean(double ms, double fs) { return ms * fs / 1000 + 1; }

size_t sampleAt(const Track &t, double ms) { return size_t(std::max(0.0, std::round(ms * t.fs / 1000.0))); }

// Median frequency over [ms0, ms1).
double freqOver(const Track &t, double ms0, double ms1)
{
    std::vector<float> v;
    for (size_t n = sampleAt(t, ms0); n < std::min(sampleAt(t, ms1), t.f.size()); ++n)
        if (!std::isnan(t.f[n])) v.push_back(t.f[n]);
    if (v.empty()) return NAN;
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

struct Run { size_t first, last; };

// Stretches of samples whose frequency is within tol of hz, at least minMs long, inside
// samples [from, to). Unmeasured samples neither start nor break a run.
std::vector<Run> runsOf(const Track &t, double hz, double tol, double minMs, size_t from, size_t to)
{
    std::vector<Run> runs;
    bool in = false;
    Run r{0, 0};
    to = std::min(to, t.f.size());
    for (size_t n = from; n < to; ++n) {
        const float f = t.f[n];
        if (std::isnan(f)) continue;
        if (std::fabs(f - hz) <= tol) {
            if (!in) r.first = n;
            in = true;
            r.last = n;
        } else if (in) {
            in = false;
            if ((r.last - r.first + 1) * 1000.0 / t.fs >= minMs) runs.push_back(r);
        }
    }
    if (in && (r.last - r.first + 1) * 1000.0 / t.fs >= minMs) runs.push_back(r);
    return runs;
}

// ---- published figures, written out independently of the engine's table -------------------
struct Expect {
    const char *name;
    uint32_t code;
    int bits;
    double syncMs, periodMs;
    int periods;
    double scottieT; // colour scan of Scottie modes (their sync sits 3 + 2T into a period)
};
const Expect kModes[] = {
    {"Robot 24", 0x84, 8, 6.0, 200.0, 120, 0},       {"B/W 8", 0x82, 8, 7.0, 66.9, 120, 0},
    {"B/W 12", 0x86, 8, 7.0, 100.0, 120, 0},         {"Robot 36", 0x88, 8, 9.0, 150.0, 240, 0},
    {"Robot 72", 0x0C, 8, 9.0, 300.0, 240, 0},       {"AVT 90", 0x44, 8, 0, 375.0, 240, 0},
    {"Scottie 1", 0x3C, 8, 9.0, 428.22, 256, 138.24}, {"Scottie 2", 0xB8, 8, 9.0, 277.692, 256, 88.064},
    {"Scottie DX", 0xCC, 8, 9.0, 1050.3, 256, 345.6}, {"Martin 1", 0xAC, 8, 4.862, 446.446, 256, 0},
    {"Martin 2", 0x28, 8, 4.862, 226.798, 256, 0},   {"SC2-180", 0xB7, 8, 5.5225, 711.0225, 256, 0},
    {"SC2-120", 0x3F, 8, 5.5225, 60000 / 126.175, 256, 0}, {"SC2-60", 0xBB, 8, 5.5225, 60000 / 249.6, 256, 0},
    {"PD50", 0xDD, 8, 20, 388.16, 128, 0},           {"PD90", 0x63, 8, 20, 703.04, 128, 0},
    {"PD120", 0x5F, 8, 20, 508.48, 248, 0},          {"PD160", 0xE2, 8, 20, 804.416, 200, 0},
    {"PD180", 0x60, 8, 20, 754.24, 248, 0},          {"PD240", 0xE1, 8, 20, 1000.0, 248, 0},
    {"PD290", 0xDE, 8, 20, 937.28, 308, 0},          {"P3", 0x71, 8, 25 / 4.8, 409.375, 496, 0},
    {"P5", 0x72, 8, 25 / 3.2, 614.0625, 496, 0},     {"P7", 0xF3, 8, 25 / 2.4, 818.75, 496, 0},
    {"MR73", 0x4523, 16, 9, 286.3, 256, 0},          {"MR90", 0x4623, 16, 9, 352.3, 256, 0},
    {"MR115", 0x4923, 16, 9, 450.3, 256, 0},         {"MR140", 0x4A23, 16, 9, 548.3, 256, 0},
    {"MR175", 0x4C23, 16, 9, 684.3, 256, 0},         {"MP73", 0x2523, 16, 9, 570.0, 128, 0},
    {"MP115", 0x2923, 16, 9, 902.0, 128, 0},         {"MP140", 0x2A23, 16, 9, 1090.0, 128, 0},
    {"MP175", 0x2C23, 16, 9, 1370.0, 128, 0},        {"ML180", 0x8523, 16, 9, 363.3, 496, 0},
    {"ML240", 0x8623, 16, 9, 483.3, 496, 0},         {"ML280", 0x8923, 16, 9, 565.3, 496, 0},
    {"ML320", 0x8A23, 16, 9, 645.3, 496, 0},         {"MP73-N", 0x5C256D, 24, 9, 570.0, 128, 0},
    {"MP110-N", 0x44456D, 24, 9, 858.0, 128, 0},     {"MP140-N", 0x40556D, 24, 9, 1090.0, 128, 0},
    {"MC110-N", 0x05456D, 24, 8, 428.5, 256, 0},     {"MC140-N", 0x01556D, 24, 8, 548.5, 256, 0},
    {"MC180-N", 0x0D656D, 24, 8, 704.5, 256, 0},
};
constexpr int kModeTotal = int(sizeof(kModes) / sizeof(kModes[0]));

double headerMsOf(const Expect &e)
{
    return e.bits == 24 ? 950.0 : e.bits == 16 ? 1150.0 : 910.0;
}

constexpr uint8_t kR = 200, kG = 100, kB = 50; // the flat test colour

TxRequest flat(int mode, double fs, uint8_t r = kR, uint8_t g = kG, uint8_t b = kB)
{
    TxRequest q;
    q.mode = mode;
    q.sampleRate = fs;
    q.picture = RgbImage(97, 61); // any size: the encoder scales it
    for (size_t i = 0; i < q.picture.rgb.size(); i += 3) {
        q.picture.rgb[i] = r;
        q.picture.rgb[i + 1] = g;
        q.picture.rgb[i + 2] = b;
    }
    return q;
}

std::vector<float> firstSamples(const TxRequest &q, double ms)
{
    Encoder e(q);
    std::vector<float> x(size_t(ms * q.sampleRate / 1000.0));
    x.resize(e.generate(x.data(), x.size()));
    return x;
}

double pixel(double hz, bool narrow = false)
{
    return narrow ? (hz - 2044) * 255.0 / 256.0 : (hz - 1500) * 255.0 / 800.0;
}

// Studio-range conversion as published.
double studioY(double r, double g, double b) { return 16 + (65.738 * r + 129.057 * g + 25.064 * b) / 256; }
double studioCr(double r, double g, double b) { return 128 + (112.439 * r - 94.154 * g - 18.285 * b) / 256; }
double studioCb(double r, double g, double b) { return 128 + (-37.945 * r - 74.494 * g + 112.439 * b) / 256; }


// Every sync pulse of a whole transmission found in the audio and compared with the
// published position; also the total length.
void checkSyncs(int mode, double fs, double clock = 1.0)
{
    const Expect &e = kModes[mode];
    const QByteArray what = QByteArray(e.name) + " @" + QByteArray::number(fs);
    TxRequest q = flat(mode, fs);
    q.clockFactor = clock;
    const std::vector<float> x = encodeAll(q);
    const double rate = fs * clock; // samples per nominal second
    const double header = headerMsOf(e);
    const double scottieLead = e.scottieT > 0 ? 9.0 : 0.0;
    const double picture = scottieLead + e.periods * e.periodMs;
    const double expectSamples = (header + picture) * rate / 1000;
    QVERIFY2(std::fabs(double(x.size()) - expectSamples) <= 1.0, what);

    Track t = track(x, rate);
    const bool narrow = e.bits == 24;
    const auto runs = runsOf(t, narrow ? 1900 : 1200, 15, e.syncMs * 0.6, sampleAt(t, header), x.size());
    std::vector<double> starts; // expected sync starts, ms
    if (e.scottieT > 0) starts.push_back(header);
    const double first = header + scottieLead + (e.scottieT > 0 ? 3 + 2 * e.scottieT : 0);
    for (int k = 0; k < e.periods; ++k) starts.push_back(first + k * e.periodMs);
    QVERIFY2(runs.size() == starts.size(), what + " syncs found " + QByteArray::number(qsizetype(runs.size())));
    // The meter places each edge to within about a sample; the line period is checked
    // more tightly by a least-squares fit over all syncs, which averages that out.
    double worst = 0, sum = 0, sk = 0, skk = 0, sko = 0;
    for (size_t k = 0; k < runs.size(); ++k) {
        const double len = e.scottieT > 0 && k == 0 ? 9.0 : e.syncMs;
        const double mid = (double(runs[k].first) + double(runs[k].last)) / 2;
        const double off = mid - (starts[k] + len / 2) * rate / 1000;
        worst = std::max(worst, std::fabs(off));
        sum += off;
        sk += double(k);
        skk += double(k) * double(k);
        sko += double(k) * off;
        const double measuredLen = double(runs[k].last - runs[k].first + 1);
        // the meter needs a clean sample on each side of the one it measures, so it loses up
        // to two samples at each edge (a window across an edge may still read close enough)
        QVERIFY2(measuredLen >= len * rate / 1000 - 4.5 && measuredLen <= len * rate / 1000 + 1.0,
                 what + " sync length " + QByteArray::number(measuredLen) + " at " + QByteArray::number(qsizetype(k)));
    }
    const double nk = double(runs.size());
    const double slope = (nk * sko - sk * sum) / (nk * skk - sk * sk); // samples per period
    QVERIFY2(worst <= 1.5, what + " sync off by " + QByteArray::number(worst) + " samples");
    QVERIFY2(std::fabs(sum / nk) <= 0.5, what + " mean sync offset " + QByteArray::number(sum / nk));
    QVERIFY2(std::fabs(slope * (nk - 1)) <= 1.0, what + " drift over the picture " + QByteArray::number(slope * (nk - 1)));
}


struct Probe { double fromMs, toMs, value; bool tone = false; }; // relative to a sync start

// Measures a flat-colour transmission at the given offsets from sync k's published start.
void probe(int mode, int k, const std::vector<Probe> &probes, const TxRequest *req = nullptr)
{
    const Expect &e = kModes[mode];
    const double fs = 11025;
    const TxRequest q = req ? *req : flat(mode, fs);
    const double header = headerMsOf(e) + (e.scottieT > 0 ? 9 : 0);
    const double sync = header + (e.scottieT > 0 ? 3 + 2 * e.scottieT : 0) + k * e.periodMs;
    const std::vector<float> x = firstSamples(q, sync + e.periodMs + 10);
    const Track t = track(x, fs);
    const bool narrow = e.bits == 24;
    for (const Probe &p : probes) {
        const double span = p.toMs - p.fromMs, margin = std::min(span * 0.2, 5.0);
        const double f = freqOver(t, sync + p.fromMs + margin, sync + p.toMs - margin);
        const QByteArray what = QByteArray(e.name) + " at " + QByteArray::number(p.fromMs) + " ms: " +
                                QByteArray::number(p.tone ? f : pixel(f, narrow)) + " expected " +
                                QByteArray::number(p.value);
        if (p.tone) QVERIFY2(std::fabs(f - p.value) < 1, what);
        else QVERIFY2(std::fabs(pixel(f, narrow) - p.value) < 0.3, what);
    }
}


// Instant (ms) where the tone before `ms` gives way to the tone after it, measured from the
// zero crossings: crossing j has phase j*pi, so each steady tone is a straight line of phase
// over time and the edge is where the two lines meet. Crossings within 2 ms of the nominal
// edge are left out; each line is fitted over the 6 ms beyond that.
double measuredEdge(const std::vector<float> &x, double fs, double ms)
{
    std::vector<double> t; // crossing times, ms
    for (size_t n = 1; n < x.size(); ++n)
        if ((x[n - 1] < 0) != (x[n] < 0))
            t.push_back((double(n - 1) + x[n - 1] / (x[n - 1] - x[n])) * 1000 / fs);
    auto fit = [&](double from, double to, double &a, double &w) {
        double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (size_t j = 0; j < t.size(); ++j)
            if (t[j] >= from && t[j] < to) {
                const double y = double(j) * std::numbers::pi;
                n += 1, sx += t[j], sy += y, sxx += t[j] * t[j], sxy += t[j] * y;
            }
        w = (n * sxy - sx * sy) / (n * sxx - sx * sx);
        a = (sy - w * sx) / n;
    };
    double a0, w0, a1, w1;
    fit(ms - 8, ms - 2, a0, w0);
    fit(ms + 2, ms + 8, a1, w1);
    return (a1 - a0) / (w0 - w1);
}

} // namespace

class TxEncoderTest : public QObject {
    Q_OBJECT

private slots:
    void modeTable()
    {
        QCOMPARE(modeCount(), kModeTotal);
        for (int i = 0; i < kModeTotal; ++i) {
            QCOMPARE(QString(modeInfo(i).name), QString(kModes[i].name));
            const uint32_t size = packedImageSize(i);
            if (i <= 2) QCOMPARE(size, uint32_t(320 | (240 << 16)));
            QVERIFY2(modeInfo(i).exposedWidth == int(size & 0xFFFF), kModes[i].name);
        }
        QCOMPARE(packedImageSize(16), uint32_t(640 | (496 << 16)));
        QCOMPARE(packedImageSize(17), uint32_t(512 | (400 << 16)));
        QCOMPARE(packedImageSize(20), uint32_t(800 | (616 << 16)));
        QCOMPARE(packedImageSize(kModeTotal), 0u);
        QCOMPARE(packedImageSize(-1), 0u);
    }

    // The header read back from the audio: leader, break, leader, start bit, data, stop bit.
    void visOfEveryMode()
    {
        for (int m = 0; m < kModeTotal; ++m) {
            const Expect &e = kModes[m];
            const double fs = 11025;
            const Track t = track(firstSamples(flat(m, fs), 1300), fs);
            const QByteArray what = QByteArray(e.name);
            uint32_t code = 0;
            int bits = 0;
            if (e.bits == 24) {
                // leader 300 @1900, marker 100 @2100, start bit and 24 bits of 22 ms
                const auto marks = runsOf(t, 2100, 15, 60, 0, sampleAt(t, 1000));
                QVERIFY2(!marks.empty(), what);
                QVERIFY2(std::fabs(double(marks[0].first) - firstClean(300, fs)) <= 1.0, what);
                QVERIFY2(std::fabs(freqOver(t, 5, 295) - 1900) < 2, what);
                const double t0 = 300 + 100;
                QVERIFY2(std::fabs(freqOver(t, t0 + 4, t0 + 18) - 1900) < 2, what); // start bit
                for (int i = 0; i < 24; ++i) {
                    const double f = freqOver(t, t0 + 22 * (i + 1) + 4, t0 + 22 * (i + 2) - 4);
                    QVERIFY2(std::fabs(f - 1900) < 5 || std::fabs(f - 2100) < 5, what);
                    if (f < 2000) code |= 1u << i;
                }
                bits = 24;
            } else {
                const auto ones = runsOf(t, 1200, 15, 5, 0, sampleAt(t, 1300));
                QVERIFY2(ones.size() >= 2, what);
                // break at 300 ms, start bit at 610 ms, to a sample
                QVERIFY2(std::fabs(double(ones[0].first) - firstClean(300, fs)) <= 1.0, what);
                QVERIFY2(std::fabs(double(ones[1].first) - firstClean(610, fs)) <= 1.0, what);
                const double t0 = double(ones[1].first) * 1000 / fs;
                auto bitAt = [&](int i) {
                    const double f = freqOver(t, t0 + 30 * (i + 1) + 5, t0 + 30 * (i + 2) - 5);
                    if (std::fabs(f - 1100) < 5) return 1;
                    if (std::fabs(f - 1300) < 5) return 0;
                    return -1;
                };
                for (; bits < 8; ++bits) {
                    const int b = bitAt(bits);
                    QVERIFY2(b >= 0, what);
                    code |= uint32_t(b) << bits;
                }
                if (code == 0x23) // an extended header: eight more bits
                    for (; bits < 16; ++bits) {
                        const int b = bitAt(bits);
                        QVERIFY2(b >= 0, what);
                        code |= uint32_t(b) << bits;
                    }
                QVERIFY2(std::fabs(freqOver(t, t0 + 30 * (bits + 1) + 5, t0 + 30 * (bits + 2) - 5) - 1200) < 5,
                         what); // stop bit
            }
            QVERIFY2(bits == e.bits, what);
            QVERIFY2(code == e.code, what + " code " + QByteArray::number(code, 16));
        }
    }

    void preambles()
    {
        const double fs = 11025;
        {
            TxRequest q = flat(9, fs);
            q.preamble = true;
            const Track t = track(firstSamples(q, 1200), fs);
            const double tones[] = {1900, 1500, 1900, 1500, 2300, 1500, 2300, 1500};
            for (int i = 0; i < 8; ++i) QCOMPARE(std::round(freqOver(t, i * 100 + 10, i * 100 + 90)), tones[i]);
            const auto ones = runsOf(t, 1200, 15, 5, 0, t.f.size());
            QVERIFY(!ones.empty());
            QVERIFY(std::fabs(double(ones[0].first) - firstClean(1100, fs)) <= 1.0); // break after 800 + 300
        }
        {
            TxRequest q = flat(41, fs);
            q.preamble = true;
            const Track t = track(firstSamples(q, 900), fs);
            const double tones[] = {1900, 2300, 1900, 2300};
            for (int i = 0; i < 4; ++i) QCOMPARE(std::round(freqOver(t, i * 100 + 10, i * 100 + 90)), tones[i]);
            const auto marks = runsOf(t, 2100, 15, 60, 0, t.f.size());
            QVERIFY(!marks.empty());
            QVERIFY(std::fabs(double(marks[0].first) - firstClean(700, fs)) <= 1.0);
        }
    }

    void syncPositionsAndDuration()
    {
        for (int m = 0; m < kModeTotal; ++m)
            if (m != 5) checkSyncs(m, 11025);
    }

    void syncPositionsAtOtherRatesAndClock()
    {
        checkSyncs(3, 48000);
        checkSyncs(16, 44100);
        checkSyncs(10, 11025, 1.0001);  // a sound card running 100 ppm fast
        checkSyncs(13, 11025, 0.99985);
    }

    void avtHeader()
    {
        const double fs = 11025;
        const std::vector<float> x = encodeAll(flat(5, fs));
        QVERIFY(std::fabs(double(x.size()) - (910 + 5312.5 + 90000) * fs / 1000) <= 1.0);
        const Track t = track(x, fs);
        const double bit = 9.765625;
        for (int w = 0; w < 32; ++w) {
            const double w0 = 910 + w * 17 * bit;
            QCOMPARE(std::round(freqOver(t, w0 + 2, w0 + bit - 2)), 1900.0);
            unsigned v = 0;
            for (int b = 0; b < 16; ++b) {
                const double f = freqOver(t, w0 + (b + 1) * bit + 2, w0 + (b + 2) * bit - 2);
                QVERIFY(std::fabs(f - 2200) < 5 || std::fabs(f - 1600) < 5);
                v = (v << 1) | (f > 1900 ? 1u : 0u);
            }
            QCOMPARE(v >> 13, 5u);                 // AVT 90
            QCOMPARE((v >> 8) & 0x1F, unsigned(w)); // counter rises 0..31
            QCOMPARE(v & 0xFF, ~(v >> 8) & 0xFF);
        }
        // The picture starts as the last word ends: R, G, B of 125 ms each, no sync.
        const double p0 = 910 + 5312.5;
        for (int line : {0, 239}) {
            const double l0 = p0 + line * 375.0;
            QVERIFY(std::fabs(pixel(freqOver(t, l0 + 5, l0 + 120)) - kR) < 0.3);
            QVERIFY(std::fabs(pixel(freqOver(t, l0 + 130, l0 + 245)) - kG) < 0.3);
            QVERIFY(std::fabs(pixel(freqOver(t, l0 + 255, l0 + 370)) - kB) < 0.3);
        }
    }

    void scanValuesAndLayout()
    {
        const double Y = studioY(kR, kG, kB), Cr = studioCr(kR, kG, kB), Cb = studioCb(kR, kG, kB);
        probe(9, 100, {{0, 4.862, 1200, true}, {5.434, 151.866, kG}, {152.438, 298.87, kB}, {299.442, 445.874, kR}});
        probe(10, 3, {{5.434, 78.65, kG}, {79.222, 152.438, kB}, {153.010, 226.226, kR}});
        // Scottie: green and blue precede the sync of their line, red follows it.
        probe(6, 10, {{-277.98, -139.74, kG}, {-139.74, -138.24, 1500, true}, {-138.24, 0, kB},
                      {0, 9, 1200, true}, {9, 10.5, 1500, true}, {10.5, 148.74, kR}});
        probe(11, 5, {{6.0225, 241.0225, kR}, {241.0225, 476.0225, kG}, {476.0225, 711.0225, kB}});
        probe(21, 7, {{6.25, 139.583, kR}, {140.625, 273.958, kG}, {275.0, 408.333, kB}});
        probe(16, 2, {{0, 20, 1200, true}, {20, 22.08, 1500, true}, {22.08, 143.68, Y}, {143.68, 265.28, Cr},
                      {265.28, 386.88, Cb}, {386.88, 508.48, Y}});
        probe(3, 4, {{12, 100, Y}, {100, 104.5, 1500, true}, {104.5, 106, 1900, true}, {106, 150, Cr}});
        probe(3, 5, {{12, 100, Y}, {100, 104.5, 2300, true}, {104.5, 106, 1900, true}, {106, 150, Cb}});
        probe(4, 1, {{9, 12, 1500, true}, {12, 150, Y}, {150, 154.5, 1500, true}, {154.5, 156, 1900, true},
                     {156, 225, Cr}, {225, 229.5, 2300, true}, {229.5, 231, 1900, true}, {231, 300, Cb}});
        probe(0, 1, {{8, 100, Y}, {104, 150, Cr}, {154, 200, Cb}});
        probe(24, 9, {{9, 10, 1500, true}, {10, 148, Y}, {148.1, 217.1, Cr}, {217.2, 286.2, Cb}});
        probe(30, 1, {{10, 233, Y}, {233, 456, Cr}, {456, 679, Cb}, {679, 902, Y}});
        probe(2, 3, {{7, 100, 0.299 * kR + 0.587 * kG + 0.114 * kB}});
        probe(41, 2, {{0, 8, 1900, true}, {8.5, 188.5, kR}, {188.5, 368.5, kG}, {368.5, 548.5, kB}});
        probe(37, 2, {{9, 10, 2044, true}, {10, 150, Y}, {150, 290, Cr}, {290, 430, Cb}});
    }

    // Colour-difference scans averaged over the line pair where the mode says so, and only there.
    void chromaAveraging()
    {
        const uint8_t a[3] = {200, 100, 50}, b[3] = {20, 180, 240};
        auto striped = [&](int mode) {
            TxRequest q;
            q.mode = mode;
            q.sampleRate = 11025;
            q.picture = RgbImage(modeInfo(mode).width, modeInfo(mode).height);
            for (int y = 0; y < q.picture.height; ++y)
                for (int x = 0; x < q.picture.width; ++x)
                    std::copy(y % 2 ? b : a, (y % 2 ? b : a) + 3, q.picture.pixel(x, y));
            return q;
        };
        const double crA = studioCr(a[0], a[1], a[2]), crB = studioCr(b[0], b[1], b[2]);
        const double cbA = studioCb(a[0], a[1], a[2]), cbB = studioCb(b[0], b[1], b[2]);
        const double yA = studioY(a[0], a[1], a[2]), yB = studioY(b[0], b[1], b[2]);
        TxRequest q = striped(14); // PD50: Y(2k), mean Cr, mean Cb, Y(2k+1)
        probe(14, 6, {{22.08, 113.6, yA}, {113.6, 205.12, (crA + crB) / 2}, {205.12, 296.64, (cbA + cbB) / 2},
                      {296.64, 388.16, yB}}, &q);
        q = striped(3); // Robot 36: each line its own Y, the pair's mean Cr / Cb
        probe(3, 6, {{12, 100, yA}, {106, 150, (crA + crB) / 2}}, &q);
        probe(3, 7, {{12, 100, yB}, {106, 150, (cbA + cbB) / 2}}, &q);
        q = striped(4); // Robot 72: 4:2:2, no vertical averaging
        probe(4, 6, {{12, 150, yA}, {156, 225, crA}, {231, 300, cbA}}, &q);
        probe(4, 7, {{12, 150, yB}, {156, 225, crB}, {231, 300, cbB}}, &q);
        q = striped(33); // ML180: same
        probe(33, 7, {{10, 186.5, yB}, {186.6, 275.85, crB}, {275.95, 363.2, cbB}}, &q);

        // Half horizontal chroma resolution in 4:2:2: a picture whose left and right halves
        // differ keeps the split in the middle of the chroma scan.
        q = striped(24);
        for (int y = 0; y < q.picture.height; ++y)
            for (int x = 0; x < q.picture.width; ++x)
                std::copy(x < 160 ? a : b, (x < 160 ? a : b) + 3, q.picture.pixel(x, y));
        probe(24, 4, {{148.1, 182.6, crA}, {182.6, 217.1, crB}}, &q);
    }

    void phaseContinuity()
    {
        for (double fs : {11025.0, 48000.0}) {
            TxRequest q = flat(3, fs);
            // A picture with sharp steps everywhere, so tones change at every pixel.
            for (size_t i = 0; i < q.picture.rgb.size(); ++i) q.picture.rgb[i] = (i / 3) % 2 ? 255 : 0;
            q.fskId = q.cwId = true;
            q.idText = "N0CALL";
            q.preamble = true;
            const std::vector<float> x = encodeAll(q);
            const double bound = std::sin(std::numbers::pi * 2300 / fs) + 1e-4; // 2 * 0.5 * sin(w/2)
            double worst = 0;
            for (size_t n = 1; n < x.size(); ++n) worst = std::max(worst, double(std::fabs(x[n] - x[n - 1])));
            QVERIFY2(worst <= bound, QByteArray::number(worst) + " > " + QByteArray::number(bound));
            const float peak = *std::max_element(x.begin(), x.end());
            QVERIFY(peak > 0.49f && peak <= 0.5f);
            QCOMPARE(x.front(), 0.0f);
        }
    }

    // A tone edge that falls between two samples is placed at its true instant, not moved to the
    // nearer sample: the header edges of Martin 1 at 300, 310, 610, 640 and 700 ms sit a quarter
    // or half sample off the sample grid at 11025 Hz, and anywhere with a clock calibration.
    void edgesBetweenSamples()
    {
        for (double clock : {1.0, 1.000137}) {
            TxRequest q = flat(9, 11025);
            q.clockFactor = clock;
            const double rate = 11025 * clock;
            const std::vector<float> x = firstSamples(q, 800);
            for (double ms : {300.0, 310.0, 610.0, 640.0, 700.0}) {
                const double err = (measuredEdge(x, rate, ms) - ms) * rate / 1000; // samples
                QVERIFY2(std::fabs(err) < 0.05, QByteArray::number(ms) + " ms off by " +
                                                    QByteArray::number(err) + " samples");
            }
        }
    }

    void fskId()
    {
        const double fs = 11025;
        TxRequest q = flat(1, fs); // B/W 8: a short picture
        q.fskId = true;
        q.idText = "dl1abc/p";
        const std::vector<float> x = encodeAll(q);
        const double end = 910 + 120 * 66.9;
        const int n = 8;
        QVERIFY(std::fabs(double(x.size()) - (end + 300 + (n + 4) * 132 + 100) * fs / 1000) <= 1.0);
        const Track t = track(x, fs);
        QCOMPARE(std::round(freqOver(t, end + 5, end + 295)), 1500.0); // lead
        const auto zeros = runsOf(t, 2100, 15, 50, sampleAt(t, end), x.size());
        QVERIFY(!zeros.empty());
        const double t0 = double(zeros[0].first) * 1000 / fs;
        QVERIFY(std::fabs(t0 - (end + 300)) < 0.2);
        std::vector<int> syms;
        for (int s = 0; s < n + 4; ++s) {
            int v = 0;
            for (int b = 0; b < 6; ++b) {
                const double b0 = t0 + (s * 6 + b) * 22.0;
                const double f = freqOver(t, b0 + 4, b0 + 18);
                QVERIFY(std::fabs(f - 1900) < 5 || std::fabs(f - 2100) < 5);
                if (f < 2000) v |= 1 << b;
            }
            syms.push_back(v);
        }
        const char *text = "DL1ABC/P";
        QCOMPARE(syms[0], 0x20);
        QCOMPARE(syms[1], 0x2A);
        int check = 0;
        for (int i = 0; i < n; ++i) {
            QCOMPARE(syms[size_t(2 + i)], text[i] - 0x20);
            check ^= text[i] - 0x20;
        }
        QCOMPARE(syms[size_t(n + 2)], 0x01);
        QCOMPARE(syms[size_t(n + 3)], check & 0x3F);
        const double tail = t0 + (n + 4) * 132.0;
        QCOMPARE(std::round(freqOver(t, tail + 5, tail + 95)), 1900.0);
    }

    void cwId()
    {
        const double fs = 11025;
        TxRequest q = flat(1, fs);
        q.cwId = true;
        q.idText = "ab 5";
        const std::vector<float> x = encodeAll(q);
        const double end = 910 + 120 * 66.9;
        // Keyed intervals by envelope (peak over one 800 Hz period) crossing half amplitude.
        const size_t from = sampleAt(track({}, fs), end), win = size_t(fs / 800) + 1;
        std::vector<std::pair<double, double>> on;
        bool keyed = true; // the picture's last tone is still on at the start
        double since = 0;
        for (size_t n = from; n + win < x.size() + win; ++n) {
            float peak = 0;
            for (size_t k = n; k < std::min(n + win, x.size()); ++k) peak = std::max(peak, std::fabs(x[k]));
            const bool now = peak > 0.25f;
            const double ms = (double(n) + win / 2.0) * 1000 / fs;
            if (now && !keyed) since = ms;
            if (!now && keyed && since > 0) on.push_back({since, ms});
            keyed = now;
        }
        // A .-  B -...  (word gap)  5 .....
        const int units[] = {1, 3, 3, 1, 1, 1, 1, 1, 1, 1, 1};
        QCOMPARE(int(on.size()), 11);
        const double dot = 60.0;
        for (size_t i = 0; i < on.size(); ++i) {
            QVERIFY2(std::fabs(on[i].second - on[i].first - units[i] * dot) < 2.0, QByteArray::number(int(i)));
            if (i == 0) continue;
            const double gap = on[i].first - on[i - 1].second;
            const double want = (i == 2) ? 3 * dot : (i == 6) ? 7 * dot : dot;
            QVERIFY2(std::fabs(gap - want) < 2.0, "gap before element " + QByteArray::number(int(i)));
        }
        QVERIFY(std::fabs(on[0].first - end - 7 * dot) < 2.0);
        const Track t = track(x, fs);
        QVERIFY(std::fabs(freqOver(t, on[1].first + 10, on[1].second - 10) - kCwToneHz) < 1);
    }

    void progressAndBadRequests()
    {
        TxRequest q = flat(1, 11025);
        Encoder e(q);
        QVERIFY(e.valid());
        QCOMPARE(e.totalLines(), 120);
        QCOMPARE(e.currentLine(), 0);
        std::vector<float> buf(1000);
        int last = 0;
        bool sawMiddle = false;
        while (e.generate(buf.data(), buf.size()) > 0) {
            QVERIFY(e.currentLine() >= last);
            last = e.currentLine();
            sawMiddle = sawMiddle || (last > 0 && last < 120);
        }
        QVERIFY(sawMiddle);
        QCOMPARE(e.currentLine(), 120);
        QVERIFY(e.finished());
        QCOMPARE(e.position(), e.totalSamples());
        QVERIFY(std::fabs(e.totalSeconds() - (0.910 + 8.028)) < 1e-9);

        for (int bad : {-1, kModeTotal, 1000}) {
            q.mode = bad;
            Encoder b(q);
            QVERIFY(!b.valid());
            QCOMPARE(b.generate(buf.data(), buf.size()), size_t(0));
            QVERIFY(encodeAll(q).empty());
        }
        q = flat(9, 0);
        QVERIFY(!Encoder(q).valid());
        q = flat(9, 11025);
        q.picture = RgbImage(); // no picture: sent black rather than crashing
        QCOMPARE(encodeAll(q).size(), Encoder(q).totalSamples());
        ToneGenerator g(1000, 8000);
        std::vector<float> tone(80);
        QCOMPARE(g.generate(tone.data(), 40), size_t(40));
        QCOMPARE(g.generate(tone.data() + 40, 40), size_t(40));
        const Track tt = track(tone, 8000);
        QCOMPARE(std::round(freqOver(tt, 0, 10)), 1000.0); // continuous over the two calls
    }
};

QTEST_GUILESS_MAIN(TxEncoderTest)
#include "tst_encoder.moc"
