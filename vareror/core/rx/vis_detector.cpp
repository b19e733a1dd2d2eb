#include "vis_detector.h"

#include "dsp_fft.h"
#include "modes.h"
#include "tone_meter.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>
#include <vector>

namespace vareror::core::rx {

namespace {
// Hz a wide header's start bit, and a narrow header's marker, may lie from where the leader puts
// them (its tone less 700 Hz, plus 200 Hz): all but a few % of a picture's candidates fail so at once (speed).
constexpr double kStartBitWithinHz = 60, kMarkerWithinHz = 50;
// A tone of which the tone meter kept less than half (the rest taken out as crashes) is an erasure;
// a header may have two (each one more code to confirm by its syncs) (crashes).
constexpr double kLeastKept = 0.5;
constexpr int kMostErasures = 2;
// A leader with no more than 3 crashes has its SNR read where they are not; more, they are its noise (crashes).
constexpr int kLoneCrashes = 3;
// ms: the step from the leader into the start bit is looked for within 15 of the candidate, on 6 ms
// either side of it; a crash within 9 of where it was put may have moved it (crashes).
constexpr double kEdgeRangeMs = 15, kEdgeReachMs = 9;

// The mode an 8- or 16-bit VIS code names; -1 none.
int visMode(uint32_t code, int bits)
{
    if (bits == 8) {
        const bool evenParity = std::popcount(code) % 2 == 0;
        for (int n = 0; n < modeCount(); ++n) {
            const ModeInfo &m = modeInfo(n);
            if (m.visBits == 8 && (evenParity || m.visEitherParity) && (code & 0x7F) == (m.visCode & 0x7F)) return n;
        }
    } else if (std::popcount(code >> 8) == 3) {
        for (int n = 0; n < modeCount(); ++n)
            if (modeInfo(n).visBits == 16 && modeInfo(n).visCode == code) return n;
    }
    return -1;
}
} // namespace

std::optional<VisEvent> VisDetector::scan(const ToneMeter &t, const SignalView &s, bool duringPicture)
{
    // (what a candidate reads reaches 660 ms past it; the tone meter's sums already wait for
    // the level after them)
    const int64_t need = ms(660);
    const int64_t step = std::max<int64_t>(1, ms(1.0));
    if (next_ < ms(300)) next_ = ms(300);
    const int64_t lo = t.avail() - ToneMeter::kRing + ms(700);
    if (next_ < lo) next_ = lo;
    toBreak_ = std::polar(1.0, t.lagRadians(kBreakHz - kLeaderHz));
    toMarker_ = std::polar(1.0, t.lagRadians(kNarrowVisMarkerHz - kLeaderHz));
    breakApart_ = t.apartCosine(kStartBitWithinHz);
    markerApart_ = t.apartCosine(kMarkerWithinHz);
    while (next_ + need <= t.avail()) {
        const int64_t c = next_;
        next_ += step;
        // Both kinds of header begin with the same leader, ending 10 ms before the candidate:
        // measured once (with the whole header's stretch in reach, as `need` ensures).
        const int64_t leaderFrom = c - ms(290), leaderTo = c - ms(10);
        if (!t.has(leaderFrom - 2, c + ms(660))) continue;
        if (!t.coherentAtLeast(leaderFrom, leaderTo, 0.4)) continue;
        // A wide header's start bit, and a narrow one's marker, surely not where the leader
        // puts them (ToneMeter::surelyApart: all but a few percent of the candidates in a
        // picture) turn their kind of header down before any frequency is measured; where both
        // are turned down, the leader's frequency is not measured either. (Checks that only
        // turn a candidate down come in any order to the same end.)
        const cdouble leaderProducts = t.products(leaderFrom, leaderTo);
        // (a start bit a crash took out is left to tryWide)
        const bool wide = !ToneMeter::surelyApart(leaderProducts * toBreak_, t.products(c + ms(3), c + ms(27)), breakApart_) ||
                          (!duringPicture && t.keptShare(c + ms(3), c + ms(27)) < kLeastKept);
        const bool narrow = !ToneMeter::surelyApart(leaderProducts * toMarker_, t.products(c + ms(5), c + ms(95)), markerApart_);
        if (!wide && !narrow) continue;
        Leader leader;
        leader.from = leaderFrom;
        leader.to = leaderTo;
        leader.hz = t.freqNear(leaderFrom, leaderTo, kLeaderHz);
        if (std::fabs(leader.hz - kLeaderHz) > 200) continue;
        if (wide)
            if (auto e = tryWide(t, s, c, leader, duringPicture)) return e;
        if (narrow)
            if (auto e = tryNarrow(t, s, c, leader)) return e;
    }
    return std::nullopt;
}

std::optional<VisEvent> VisDetector::tryWide(const ToneMeter &t, const SignalView &s, int64_t c0, const Leader &leader,
                                             bool duringPicture)
{
    // c0: a candidate for the step from the second leader into the start bit
    int64_t c = c0;
    const double leaderHz = leader.hz;
    const double breakHz = leaderHz - (kLeaderHz - kBreakHz);
    // A tone too little of which the tone meter kept (a crash took the rest out) is an
    // erasure: it is not read, and the header is doubtful (see VisEvent::modes). Outside a
    // picture up to kMostErasures of the start bit, the data bits and the stop bit may be.
    int erasures = 0;
    auto erased = [&](int64_t a, int64_t b) {
        if (duringPicture || t.keptShare(a, b) >= kLeastKept || erasures >= kMostErasures) return false;
        ++erasures;
        return true;
    };
    auto bitFreq = [&](double t0, double t1, double &coh) {
        const int64_t a = c + ms(t0), b = c + ms(t1);
        coh = t.coherence(a, b);
        return t.freqNear(a, b, breakHz);
    };
    // The start bit's tone first: all but 3 % of the candidates in a picture fail it, and it
    // takes one measure where the leader's thirds take up to six.
    {
        const int64_t a = c + ms(3), b = c + ms(27);
        if ((std::fabs(t.freqNear(a, b, breakHz) - breakHz) > kStartBitWithinHz || !t.coherentAtLeast(a, b, 0.25)) &&
            (duringPicture || t.keptShare(a, b) >= kLeastKept))
            return std::nullopt;
    }
    for (int j = 0; j < 3; ++j) {
        const int64_t a = leader.from + (leader.to - leader.from) * j / 3,
                      b = leader.from + (leader.to - leader.from) * (j + 1) / 3;
        if (!t.coherentAtLeast(a, b, 0.3) || std::fabs(t.freqNear(a, b, leaderHz) - leaderHz) > 35) return std::nullopt;
    }
    // Every later tone must be about as clean as the leader: a stretch of picture that
    // happens to hold one tone for a while is then not taken for a header.
    const double cohMin = std::max(0.15, 0.45 * t.coherence(leader.from, leader.to));
    double coh;
    // Put c on the step from leader to start bit, then check again around it.
    double edge = placeEdge(t, s, c0, leaderHz, breakHz);
    c = int64_t(std::llround(edge));
    if (!erased(c + ms(3), c + ms(27))) {
        const double fStart = bitFreq(3, 27, coh);
        if (coh < cohMin || std::fabs(fStart - breakHz) > kStartBitWithinHz) return std::nullopt;
    }
    if (duringPicture) {
        // during a picture, insist on the whole header: first leader and break as well
        const int64_t f0 = c - ms(600), f1 = c - ms(330);
        if (!t.has(f0, f1) || !t.coherentAtLeast(f0, f1, cohMin) || std::fabs(t.freqNear(f0, f1, leaderHz) - leaderHz) > 40)
            return std::nullopt;
        const int64_t b0 = c - ms(308), b1 = c - ms(302);
        if (std::fabs(t.freqNear(b0, b1, breakHz) - breakHz) > 100) return std::nullopt;
    }
    if ((std::fabs(t.freqNear(c - ms(30), c - ms(3), leaderHz) - leaderHz) > 50 ||
         !t.coherentAtLeast(c - ms(30), c - ms(3), 0.8 * cohMin)) &&
        (duringPicture || t.keptShare(c - ms(30), c - ms(3)) >= kLeastKept))
        return std::nullopt;
    uint32_t code = 0, unknown = 0;
    // One bit may be less clean than the rest, as long as its tone is plainly one of the two:
    // a burst of clicks (a few milliseconds of impulse noise in one 30 ms bit) spoils its
    // cleanness but not its frequency, and the parity still checks the code. A bit whose tone
    // is plainly neither is an erasure too (the tail of a crash the tone meter did not take).
    bool weakTaken = false;
    auto readBits = [&](int from, int count) {
        for (int i = from; i < from + count; ++i) {
            const double t0 = kVisBitMs * (i + 1) + 4, t1 = kVisBitMs * (i + 2) - 4;
            if (erased(c + ms(t0), c + ms(t1))) {
                unknown |= 1u << i;
                continue;
            }
            const double fb = bitFreq(t0, t1, coh);
            const double d = fb - breakHz;
            bool read = std::fabs(d) >= 25 && std::fabs(d) <= 180;
            if (read && coh < cohMin) {
                if (weakTaken || coh < 0.5 * cohMin || std::fabs(std::fabs(d) - 100) > 30) read = false;
                else weakTaken = true;
            }
            if (!read) {
                if (duringPicture || erasures >= kMostErasures) return false;
                ++erasures;
                unknown |= 1u << i;
                continue;
            }
            if (d < 0) code |= 1u << i;
        }
        return true;
    };
    // the codes the bits may be, the unknown ones read either way
    auto codes = [&] {
        std::vector<uint32_t> v = {code};
        for (int i = 0; i < 16; ++i)
            if (unknown & (1u << i))
                for (size_t k = 0, n = v.size(); k < n; ++k) v.push_back(v[k] | (1u << i));
        return v;
    };
    if (!readBits(0, 8)) return std::nullopt;
    int bits = 8;
    const auto low = codes();
    if (std::any_of(low.begin(), low.end(), [](uint32_t v) { return (v & 0xFF) == kExtendedVisLow; })) {
        if (!readBits(8, 8)) return std::nullopt;
        bits = 16;
    }
    const double stopFrom = kVisBitMs * (bits + 1) + 4, stopTo = kVisBitMs * (bits + 2) - 4;
    if (!erased(c + ms(stopFrom), c + ms(stopTo))) {
        const double fStop = bitFreq(stopFrom, stopTo, coh);
        if (coh < cohMin || std::fabs(fStop - breakHz) > 70) return std::nullopt;
    }
    VisEvent e;
    for (uint32_t v : codes()) {
        const int mode = visMode(v, bits);
        if (mode >= 0 && std::find(e.modes.begin(), e.modes.end(), mode) == e.modes.end()) e.modes.push_back(mode);
    }
    if (e.modes.empty()) return std::nullopt;
    const int mode = e.mode = e.modes[0];
    e.doubtful = erasures > 0;
    if (!e.doubtful) e.modes.clear();
    e.leaderHz = leaderHz;
    e.snrDb = leaderSnrDb(t, s, {{c - ms(290), c - ms(10)}, {c - ms(600), c - ms(320)}}, leaderHz);
    // edge: the start of the start bit, 610 ms into the header
    const double startBitMs = 2 * kVisLeaderMs + kVisBreakMs;
    e.headerStart = edge - startBitMs * rate_.perMs;
    e.headerEnd = edge + (kVisBitMs * (bits + 2)) * rate_.perMs;
    e.firstSync = edge + (modeInfo(mode).syncStartMs(0) - startBitMs) * rate_.perMs;
    next_ = int64_t(e.headerEnd) + ms(100);
    return e;
}

double VisDetector::placeEdge(const ToneMeter &t, const SignalView &s, int64_t c0, double leaderHz, double breakHz) const
{
    const double edge = refineEdge(s, rate_, c0, leaderHz, breakHz, kEdgeRangeMs, true, &t);
    const int64_t c = int64_t(std::llround(edge));
    auto clear = [&](int64_t at) { return t.keptShare(at - ms(kEdgeReachMs), at + ms(kEdgeReachMs)) >= 1; };
    if (clear(c)) return edge;
    // A crash on the step from the leader into the start bit leaves it to the step from the
    // start bit into the first data bit, 30 ms on (100 Hz, where the leader's is 700), or to the
    // step from the break into the second leader, 300 ms before.
    const int64_t next = c + ms(kVisBitMs);
    const double d0 = t.freqNear(next + ms(4), next + ms(kVisBitMs - 4), breakHz) - breakHz;
    if (clear(next) && std::fabs(d0) >= 25 && std::fabs(d0) <= 180) {
        const double bit0Hz = breakHz + (d0 < 0 ? -100 : 100);
        return refineEdge(s, rate_, next, std::max(breakHz, bit0Hz), std::min(breakHz, bit0Hz), kEdgeRangeMs, d0 < 0, &t) -
               kVisBitMs * rate_.perMs;
    }
    const int64_t back = c - ms(kVisLeaderMs);
    if (clear(back) && t.has(back - ms(kEdgeReachMs), back + ms(kEdgeReachMs)))
        return refineEdge(s, rate_, back, leaderHz, breakHz, kEdgeRangeMs, false, &t) + kVisLeaderMs * rate_.perMs;
    return edge;
}

std::optional<VisEvent> VisDetector::tryNarrow(const ToneMeter &t, const SignalView &s, int64_t c, const Leader &leader)
{
    // c: a candidate for the start of the 2100 Hz marker after the 1900 Hz leader
    const double leaderHz = leader.hz;
    // (the marker's tone before its cleanness, which takes the leader's: in a picture all but
    // 1.5 % of the candidates fail the tone)
    const double markerOffset = kNarrowVisMarkerHz - kLeaderHz;
    const double fM = t.freqNear(c + ms(5), c + ms(95), leaderHz + markerOffset);
    if (std::fabs(fM - leaderHz - markerOffset) > kMarkerWithinHz) return std::nullopt;
    const double cohMin = std::max(0.2, 0.6 * t.coherence(leader.from, leader.to));
    if (!t.coherentAtLeast(c + ms(5), c + ms(95), cohMin)) return std::nullopt;
    {
        // The marker check above holds from some 25 ms before the marker on (a window mostly
        // in it passes): the step is looked for that far.
        const double e = refineEdge(s, rate_, c, leaderHz, leaderHz + markerOffset, 30.0, false);
        c = int64_t(std::llround(e));
        if (std::fabs(t.freqNear(c - ms(10), c - ms(2), leaderHz) - leaderHz) > 60) return std::nullopt;
        if (std::fabs(t.freqNear(c + ms(3), c + ms(20), leaderHz + markerOffset) - leaderHz - markerOffset) > 60) return std::nullopt;
    }
    const double edge0 = double(c);
    auto bitIs = [&](double t0, int &bit) {
        const int64_t a = c + ms(t0 + 3), b = c + ms(t0 + 19);
        const double cc = t.coherence(a, b);
        const double d = t.freqNear(a, b, leaderHz + markerOffset / 2) - (leaderHz + markerOffset / 2);
        if (cc < cohMin || std::fabs(d) < 35 || std::fabs(d) > 180) return false;
        bit = d < 0 ? 1 : 0;
        return true;
    };
    int bit;
    if (!bitIs(kNarrowVisMarkerMs, bit) || bit != 1) return std::nullopt; // start bit 1900
    uint32_t code = 0;
    for (int i = 0; i < 24; ++i) {
        if (!bitIs(kNarrowVisMarkerMs + kNarrowVisBitMs * (i + 1), bit)) return std::nullopt;
        if (bit) code |= 1u << i;
    }
    if ((code & 0xFFF) != 0x56D) return std::nullopt;
    const uint32_t n = (code >> 12) & 0x3F;
    if (((code >> 18) & 0x3F) != (n ^ 0x15)) return std::nullopt;
    int mode = -1;
    for (int k = 0; k < modeCount(); ++k)
        if (modeInfo(k).visBits == 24 && modeInfo(k).visCode == code) { mode = k; break; }
    if (mode < 0) return std::nullopt;
    const double edge = refineEdge(s, rate_, int64_t(edge0), leaderHz, leaderHz + markerOffset, 2.0, false);
    VisEvent e;
    e.mode = mode;
    e.narrow = true;
    e.leaderHz = leaderHz;
    e.snrDb = leaderSnrDb(t, s, {{int64_t(edge0) - ms(290), int64_t(edge0) - ms(10)}}, leaderHz);
    e.headerStart = edge - kVisLeaderMs * rate_.perMs;
    e.headerEnd = edge + (kNarrowVisMarkerMs + kNarrowVisBitMs * 25) * rate_.perMs;
    e.firstSync = edge + (modeInfo(mode).syncStartMs(0) - kVisLeaderMs) * rate_.perMs;
    next_ = int64_t(e.headerEnd) + ms(50);
    return e;
}

double VisDetector::leaderSnrDb(const ToneMeter &t, const SignalView &s, std::initializer_list<Stretch> leaders,
                                double leaderHz) const
{
    // Spectrum of the leader: the tone's power against the noise density measured 150 to
    // 450 Hz on either side of it (inside every picture band), scaled to a 3 kHz band.
    // The window: the longest power of two in the first stretch, at its start, unless a crash
    // was left out there (a crash's noise over the whole spectrum would be read as the
    // leader's, and a clean picture given a weak one's filters); then the first placement at
    // that length, or at a half or a quarter of it, over either leader, that no crash touches
    // (the margin: the broad band spreads a crash further than the decision band). Where
    // crashes come often (more than kLoneCrashes over the leaders) they are the band's noise,
    // and are read as such: the picture's filters against clicks follow from the SNR read so.
    const int64_t a = leaders.begin()->from, b = leaders.begin()->to;
    int n = 1;
    while (n * 2 <= b - a) n *= 2;
    if (n < 256 || !s.has(a, a + n)) return 99;
    const int64_t margin = ms(5);
    auto clean = [&](int64_t from, int len) {
        return t.has(from - margin, from + len + margin) && t.keptShare(from - margin, from + len + margin) >= 1.0;
    };
    int crashes = 0;
    for (const Stretch &l : leaders)
        for (int64_t i = std::max(l.from, t.avail() - ToneMeter::kRing + 2); i < l.to && i + 1 < t.avail(); ++i)
            crashes += t.erased(i + 1) && !t.erased(i) ? 1 : 0;
    int64_t from = a;
    if (crashes <= kLoneCrashes && !clean(a, n) && t.has(a - margin, a + n + margin)) {
        bool found = false;
        for (int len = n; len >= 256 && !found; len /= 2)
            for (const Stretch &l : leaders)
                for (int64_t f = l.from; f + len <= l.to && !found; f += ms(5))
                    if (s.has(f, f + len) && clean(f, len)) {
                        from = f;
                        n = len;
                        found = true;
                    }
    }
    fftwf_complex *buf = fftwf_alloc_complex(size_t(n));
    for (int i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / n);
        const cfloat v = s.zAt(from + i);
        buf[i][0] = float(v.real() * w);
        buf[i][1] = float(v.imag() * w);
    }
    fftwf_execute_dft(dsp::complexForwardPlan(n), buf, buf);
    const double binHz = rate_.hz / n;
    double sig = 0;
    std::vector<double> noise;
    for (int k = 0; k < n; ++k) {
        const double hz = (k <= n / 2 ? k : k - n) * binHz;
        const double pw = double(buf[k][0]) * buf[k][0] + double(buf[k][1]) * buf[k][1];
        const double d = std::fabs(hz - leaderHz);
        if (d <= 40) sig += pw;
        else if (d >= 150 && d <= 450) noise.push_back(pw);
    }
    fftwf_free(buf);
    if (noise.empty()) return 99;
    std::nth_element(noise.begin(), noise.begin() + long(noise.size() / 2), noise.end());
    // the median of exponentially distributed bin powers is ln 2 times their mean
    const double perBin = noise[noise.size() / 2] / std::log(2.0);
    const double toneBins = 80.0 / binHz;
    const double signal = std::max(sig - perBin * toneBins, 1e-30);
    const double noise3k = std::max(perBin * 3000.0 / binHz, 1e-30);
    return 10 * std::log10(signal / noise3k);
}

} // namespace vareror::core::rx
