#include "signal_presence.h"

#include <algorithm>
#include <cmath>

namespace vareror::core::rx {

namespace {
// ms: a window holds a few dozen independent samples even in the narrowest picture band, and is short
// against fading (20 dB at 0.5 Hz moves the level by 6 % within it) (losses; conditions: fading).
constexpr double kWindowMs = 20, kEndMarginMs = 3;
// The share of a period's windows its reading is the mean of (the lowest spreads).
constexpr double kLowerShare = 0.8;
// A window whose level is under this share of the picture's typical level is silence, and
// reads kSilentSpread.
constexpr double kSilentLevel = 0.1, kSilentSpread = 1.0;
// Separations of the picture's periods from noise: under 0.05 (a signal some 3 dB under the noise)
// only silence tells; under 0.12 (the broad band at 0 dB reads 0.05, a header's narrowed band 0.15) a run
// needs more evidence and a single window tells nothing (losses).
constexpr double kLeastSeparation = 0.05, kClearSeparation = 0.12;
// A period's (or a window's) score: from its picture's reading (-) to noise's (+), in quarters of the
// gap, held to +-2 (noise about +2, signal at 0 dB about -2, each within about 0.7). A run at the
// end is taken from kEvidence summed (more where the separation is not clear); a period's last
// windows from kTailEvidence once the signal is known to have stopped, else from kWholeTailEvidence:
// one window of signal at 0 dB now and then reads as noise, two together hardly ever (losses).
constexpr double kScoreLimit = 2, kEvidence = 1.0, kTailEvidence = 2.0, kWholeTailEvidence = 3.5;
// A period's own reading, where it is noisier than the picture's: the spread its best quarter
// of windows stays under.
constexpr double kOwnQuantile = 0.25;

// A period's last 56 steps of 0.5 ms, up to 0.5 ms before its end (the band filters take a signal cut
// to silence, under a tenth of its level, within 1 ms), are read for where its signal fell silent: it
// came whole only if that was no earlier than the fit may have put its end late: never for a clean
// picture (its reading under 0.002; every mode sent whole with its clock up to 0.5 % off, and other
// senders' recordings at 8000 to 44100 Hz, end with no silent step), up to 13 ms for one at 0 dB
// (reading 0.01), whose end the fit may put 5-10 ms late (losses).
constexpr double kTailStepMs = 0.5, kTailEndMs = 0.5, kCleanSlackMs = 0, kNoisySlackMs = 13;
constexpr int kTailSteps = 56;
constexpr double kCleanReading = 0.002, kNoisyReading = 0.01;

double quantile(std::vector<double> v, double q)
{
    if (v.empty()) return 0;
    const size_t i = std::min(v.size() - 1, size_t(q * double(v.size())));
    std::nth_element(v.begin(), v.begin() + long(i), v.end());
    return v[i];
}
} // namespace

void SignalPresence::start(int periods)
{
    periods_.assign(size_t(std::max(periods, 0)), Period());
}

void SignalPresence::read(const SignalView &s, int k, double from, double to)
{
    if (k < 0 || k >= int(periods_.size())) return;
    Period &p = periods_[size_t(k)];
    p.windows.clear();
    p.lost = false;
    const int64_t w = std::max<int64_t>(8, int64_t(std::lround(kWindowMs * s.rateHz / 1000)));
    // laid from the period's end back, so that its last window ends with it (less the few
    // samples the band filters smear a signal's end over: a period the signal just filled
    // reads whole)
    const int64_t first = int64_t(std::ceil(from)), end = int64_t(to - kEndMarginMs * s.rateHz / 1000);
    for (int64_t a = first + (end - first) % w; a + w <= end; a += w) {
        if (!s.has(a, a + w)) continue;
        double sum = 0, sum2 = 0;
        for (int64_t i = a; i < a + w; ++i) {
            const double v = magnitude(s.zAt(i));
            sum += v;
            sum2 += v * v;
        }
        const double mean = sum / double(w), var = std::max(0.0, sum2 / double(w) - mean * mean);
        p.windows.push_back({float(mean), float(mean > 1e-9 ? var / (mean * mean) : kSilentSpread)});
    }
    p.tail.clear();
    const int64_t step = std::max<int64_t>(2, int64_t(std::lround(kTailStepMs * s.rateHz / 1000)));
    for (int64_t b = int64_t(to - kTailEndMs * s.rateHz / 1000); int(p.tail.size()) < kTailSteps && b - step >= first; b -= step) {
        if (!s.has(b - step, b)) break;
        double sum = 0;
        for (int64_t i = b - step; i < b; ++i) sum += magnitude(s.zAt(i));
        p.tail.push_back(float(sum / double(step)));
    }
    p.tailStepMs = double(step) * 1000 / s.rateHz;
}

void SignalPresence::moveOn(int first, int by)
{
    const int n = int(periods_.size());
    if (by <= 0 || first < 0 || first >= n) return;
    for (int k = n - 1; k >= first + by; --k) periods_[size_t(k)] = periods_[size_t(k - by)];
    for (int k = first; k < std::min(n, first + by); ++k) {
        periods_[size_t(k)].windows.clear();
        periods_[size_t(k)].tail.clear();
        periods_[size_t(k)].lost = true;
    }
}

double SignalPresence::typicalLevel(int drawn) const
{
    std::vector<double> levels;
    for (int k = 0; k < std::min(drawn, int(periods_.size())); ++k) {
        const Period &p = periods_[size_t(k)];
        if (p.windows.empty()) continue;
        std::vector<double> l;
        for (const Window &w : p.windows) l.push_back(w.level);
        levels.push_back(quantile(std::move(l), 0.5));
    }
    return quantile(std::move(levels), 0.5);
}

double SignalPresence::readingAt(int k, double silentBelow) const
{
    const Period &p = periods_[size_t(k)];
    if (p.windows.empty()) return -1;
    std::vector<double> v;
    for (const Window &w : p.windows) v.push_back(w.level < silentBelow ? kSilentSpread : w.spread);
    std::sort(v.begin(), v.end());
    const size_t n = std::max<size_t>(1, size_t(std::ceil(kLowerShare * double(v.size()))));
    double sum = 0;
    for (size_t i = 0; i < n; ++i) sum += v[i];
    return sum / double(n);
}

double SignalPresence::reading(int k) const
{
    if (k < 0 || k >= int(periods_.size())) return -1;
    return readingAt(k, kSilentLevel * typicalLevel(int(periods_.size())));
}

int SignalPresence::received(int drawn, bool stopped) const
{
    drawn = std::clamp(drawn, 0, int(periods_.size()));
    const double silentBelow = kSilentLevel * typicalLevel(drawn);
    std::vector<double> readings(size_t(drawn), -1), own;
    for (int k = 0; k < drawn; ++k) {
        if (periods_[size_t(k)].lost) continue;
        readings[size_t(k)] = readingAt(k, silentBelow);
        if (readings[size_t(k)] >= 0) own.push_back(readings[size_t(k)]);
    }
    // how the picture's own periods read (a low quantile: the run at its end, read as noise,
    // may be long when nothing ended the picture early)
    const double signal = quantile(own, 0.1), gap = kNoiseSpread - signal;
    auto silence = [](double v) { return v >= 0.5 * kSilentSpread ? kScoreLimit : -kScoreLimit; };
    auto score = [&](double v) {
        if (gap < kLeastSeparation) return silence(v);
        return std::clamp((v - signal - 0.5 * gap) / (0.25 * gap), -kScoreLimit, kScoreLimit);
    };
    const double clear = std::min(1.0, gap / kClearSeparation), evidence = kEvidence / (clear * clear);
    // The run at the end: where it began, as far as its score summed from the end is highest.
    // Periods that clearly carry the signal end the search (a gap filled with silence before
    // the last lines leaves them received).
    double sum = 0, best = 0;
    int cut = drawn;
    for (int k = drawn - 1; k >= 0 && sum >= best - 1.5 * kScoreLimit; --k) {
        sum += periods_[size_t(k)].lost ? -kScoreLimit : readings[size_t(k)] < 0 ? 0.0 : score(readings[size_t(k)]);
        if (sum > best) {
            best = sum;
            cut = k;
        }
    }
    // The last period before the run (or the last one drawn, when there is none) counts only
    // when it came whole: its last windows read as the picture's (one the signal left part of
    // the way through reads as the picture early on and as noise or silence at its end). Until
    // the signal is known to have ended, that takes the evidence a run takes.
    if (best < evidence) cut = drawn;
    // The highest sum of window scores over the period's last windows, but for the very last
    // one: at 0 dB with the clock off the fit may put a whole picture's end 5 to 10 ms after
    // its signal's, and that window reads partly the silence or noise after it.
    // A period whose own best windows read nearer noise than the picture's do (a tone at the
    // picture band's edge: a white line through the band narrowed at 0 dB) is judged against
    // its own reading, and takes as much more evidence as its gap to noise is narrower.
    auto tailScore = [&](int k, double &needs) {
        if (periods_[size_t(k)].lost) return -kScoreLimit;
        const std::vector<Window> &w = periods_[size_t(k)].windows;
        std::vector<double> spreads;
        for (const Window &x : w) spreads.push_back(x.level < silentBelow ? kSilentSpread : x.spread);
        const double own = std::max(signal, quantile(spreads, kOwnQuantile)), ownGap = kNoiseSpread - own;
        if (own > signal) {
            if (ownGap < kLeastSeparation) return -kScoreLimit; // only silence could tell, and the silent steps do
            needs *= (gap / ownGap) * (gap / ownGap);
        }
        double sum = 0, most = -kScoreLimit;
        for (size_t i = spreads.size() - (spreads.size() >= 3 ? 1 : 0); i-- > 0;) {
            const double v = spreads[i];
            sum += clear < 1 ? silence(v) : std::clamp((v - own - 0.5 * ownGap) / (0.25 * ownGap), -kScoreLimit, kScoreLimit);
            most = std::max(most, sum);
        }
        return most;
    };
    auto cameShort = [&](int k) {
        double needs = stopped || k + 1 < drawn ? kTailEvidence : kWholeTailEvidence;
        const double s = tailScore(k, needs);
        return s >= needs;
    };
    while (cut > 0 && cameShort(cut - 1)) --cut;
    // ... and only when its signal came to its end (a cut within its last window)
    if (cut > 0 && !periods_[size_t(cut - 1)].lost) {
        const Period &p = periods_[size_t(cut - 1)];
        size_t silent = 0;
        while (silent < p.tail.size() && p.tail[silent] < silentBelow) ++silent;
        const double noisiness = std::clamp((signal - kCleanReading) / (kNoisyReading - kCleanReading), 0.0, 1.0);
        if (double(silent) * p.tailStepMs > kCleanSlackMs + noisiness * (kNoisySlackMs - kCleanSlackMs)) --cut;
    }
    return cut;
}

} // namespace vareror::core::rx
