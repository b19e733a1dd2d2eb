#include "declipper.h"

#include "dsp_filters.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numbers>

namespace vareror::core::rx {

namespace {
constexpr double kPi = std::numbers::pi;
// A run, and the kept samples beside it, last no longer than half a period of the lowest tone
// that comes clipped (the CW ID's 800 Hz); a walk over kSideCrossings of them is allowed a
// quarter more.
constexpr double kLowestHz = 800, kReachMargin = 1.25;
// The crossings read on either side of a run, through which the phase is drawn as a natural
// cubic spline: four do as well as a spline through all of the signal's (overdrive).
constexpr int kSideCrossings = 4;
// Two equal samples this high or more (full scale 1) are at a rail, and once it is seen, so is
// every sample at it (at 11025 Hz a white pixel's runs are often one sample long), until one
// comes over it: two equal samples are also a tone's peak halfway between them. A converter's
// rails are its full scale (or, the recording's level changed since, near it): equal samples far
// under it are a quiet tone's peaks rounded to the converter's steps.
constexpr float kLeastRail = 0.1f;
// Samples this close to one another (a share of their level) are equal: a recording clipped and
// then dithered to 16 bits holds its rails within a few of the converter's steps, not at one
// value (8 steps of 16 bits). Once a rail is seen, a sample this close to it (kNearRail) is at
// it: with light noise after the clip the rails' samples scatter further, and those taken for
// kept ones spoil the level's measure and the phase (overdrive). Where the rails' samples stray
// from one another by more than kRailTolerance on average, nothing is filled (see clip): the
// noise was added after the clip, and the harmonic is taken out downstream as from a soft one.
constexpr float kRailTolerance = 1.0f / 4096, kNearRail = 0.002f;
// How far the tone reaches over the rail, A, from the share q of the samples kept over the
// last kPeriods periods (each from a run at the positive rail to the next that follows one at
// the negative rail, kLevelLowHz to kLevelHighHz apart): a tone's phase runs evenly over the
// samples, and it lies within the rail for a share (2 / pi) asin(1 / A) of them (of
// (1 - kNearRail) / A, where a sample counts as kept). None older than kLevelSeconds, and nothing
// is filled before kLeastPeriods of them came. (Two kept samples at a crossing and the period
// say little of the frequency there in gratings, and at 8 times few crossings keep two.) (overdrive)
constexpr int kPeriods = 64, kLeastPeriods = 8;
constexpr double kLevelLowHz = 900, kLevelHighHz = 2600, kLevelSeconds = 5;
// A run is filled only where A is at least this (a tone at full scale, rounded to the
// converter's steps, shows equal samples at its peaks too), and where those periods cover
// kFollowing of their time at least: where only some of the runs were found, the stretch is no
// hard clip, and what was found of it says nothing of the level.
constexpr double kLeastClip = 1.1, kFollowing = 0.9;
// ... and while few of the crossings went straight from rail to rail: such a crossing lies
// somewhere between its two samples, and where many do (a tone clipped 4 times or more at 11025
// Hz) there is too little to draw the phase through, and the runs are left for the harmonic's
// removal downstream. Filling starts where, over the last kFlipPeriods periods, fewer than
// kFewFlips of the crossings did, and stops where more than kMostFlips did: the share follows
// the picture (more where it is bright), and a picture filled in some stretches and not in
// others comes out worse than either (overdrive, and other senders' recordings clipped at 11025 Hz).
constexpr int kFlipPeriods = 1024;
constexpr double kFewFlips = 0.4, kMostFlips = 0.5;
// (periods are kept for the longer of the two reads, and as many to spare)
constexpr int kPeriodsKept = 2 * kFlipPeriods;
} // namespace

void Declipper::configure(double rateHz, int multiple)
{
    if (!dsp::positive(rateHz)) dsp::refuse("rx::Declipper", "a rate of %g Hz; it must be above 0", rateHz);
    if (multiple < 1) dsp::refuse("rx::Declipper", "a delay multiple of %d; it needs 1 or more", multiple);
    rateHz_ = rateHz;
    maxRun_ = int(std::ceil(rateHz_ / (2 * kLowestHz)));
    reach_ = int(std::ceil(kSideCrossings * maxRun_ * kReachMargin));
    history_ = reach_ + 2;
    // (the run, the walk past it, and the sample after that, whose class waits for its next)
    delay_ = (maxRun_ + reach_ + 3 + multiple - 1) / multiple * multiple;
    shortestPeriod_ = int64_t(rateHz_ / kLevelHighHz);
    longestPeriod_ = int64_t(rateHz_ / kLevelLowHz);
    reset();
}

void Declipper::reset()
{
    // (the output starts with delay_ samples of silence, which come before the input)
    buf_.assign(size_t(delay_), 0.0f);
    rail_.assign(size_t(delay_), 0);
    base_ = next_ = -delay_;
    end_ = classified_ = 0;
    lastRail_ = base_ - 1;
    railValue_[0] = railValue_[1] = std::numeric_limits<float>::infinity();
    periods_.clear();
    period_ = Period{};
    lastSign_ = 0;
    flipsSoFar_ = 0;
    filling_ = false;
    filled_ = 0;
}

void Declipper::run(const float *in, size_t n, std::vector<float> &out)
{
    buf_.insert(buf_.end(), in, in + n);
    rail_.resize(buf_.size(), 0);
    end_ += int64_t(n);
    while (classified_ + 1 < end_) {
        const int64_t plain = plainUpTo(classified_, end_ - 1);
        period_.kept += int(plain - classified_);
        classified_ = plain;
        if (classified_ + 1 < end_) classify(classified_++);
    }
    const int64_t last = end_ - delay_;
    // (where no sample came at a rail, the input goes out as it came)
    if (lastRail_ < next_) {
        out.insert(out.end(), buf_.begin() + long(next_ - base_), buf_.begin() + long(last - base_));
        next_ = last;
    }
    out.reserve(out.size() + n);
    for (; next_ < last; ++next_) {
        const int8_t r = railAt(next_);
        if (r != 0 && railAt(next_ - 1) != r) {
            int64_t b = next_;
            while (railAt(b + 1) == r && b - next_ < maxRun_) ++b;
            if (b - next_ < maxRun_) fill(next_, b);
        }
        out.push_back(at(next_));
    }
    if (next_ - base_ > 2 * int64_t(history_) + 4096) {
        const size_t drop = size_t(next_ - history_ - base_);
        buf_.erase(buf_.begin(), buf_.begin() + long(drop));
        rail_.erase(rail_.begin(), rail_.begin() + long(drop));
        base_ += int64_t(drop);
    }
}

// The first sample from `from` on (before `to`) that may lie at a rail: not quiet, and equal to
// a neighbour or at a rail seen. (Most input has none: it is passed over sixteen at a time.)
int64_t Declipper::plainUpTo(int64_t from, int64_t to) const
{
    const float *x = buf_.data() + (from - base_);
    const float lowRail = (1 - kNearRail) * std::min(railValue_[0], railValue_[1]);
    auto maybe = [&](int64_t i) {
        const float v = x[i], m = std::fabs(v), near = kRailTolerance * m;
        return int(m >= kLeastRail) & (int(std::fabs(v - x[i - 1]) <= near) | int(std::fabs(v - x[i + 1]) <= near) | int(m >= lowRail));
    };
    const int64_t n = to - from;
    int64_t i = 0;
    for (; i + 16 <= n; i += 16) {
        int any = 0;
        for (int j = 0; j < 16; ++j) any |= maybe(i + j);
        if (any) break;
    }
    for (; i < n; ++i)
        if (maybe(i)) break;
    return from + i;
}

// Sample k at a rail or not (its neighbours have come), and the period it ends counted.
void Declipper::classify(int64_t k)
{
    const float v = at(k), m = std::fabs(v);
    int8_t r = 0;
    if (m >= kLeastRail) {
        float &known = railValue_[v > 0]; // (its level)
        const float near = kRailTolerance * m;
        if (std::fabs(v - at(k - 1)) <= near || std::fabs(v - at(k + 1)) <= near) known = m;
        // (a sample over a rail shows it was none: two equal samples were a tone's peak)
        else if (m > (1 + kNearRail) * known) known = std::numeric_limits<float>::infinity();
        if (m >= (1 - kNearRail) * known) r = v > 0 ? 1 : -1;
    }
    rail_[size_t(k - base_)] = r;
    period_.kept += r == 0;
    if (r == 0) return;
    lastRail_ = k;
    // (a period runs from one run at the positive rail to the next that follows one at the
    // negative rail: a run split by noise is one run)
    if (r == 1 && lastSign_ == -1) {
        const int64_t len = k - period_.at;
        if (len >= shortestPeriod_ && len <= longestPeriod_) {
            flipsSoFar_ += period_.flips;
            periods_.push_back({k, period_.kept, int(len), period_.flips, period_.pairs, period_.steps, flipsSoFar_});
            if (periods_.size() > size_t(2 * kPeriodsKept))
                periods_.erase(periods_.begin(), periods_.begin() + kPeriodsKept);
        }
        period_ = Period{k, 0, 0, 0, 0, 0, 0};
    }
    period_.flips += railAt(k - 1) == -r;
    if (railAt(k - 1) == r) {
        period_.steps += std::fabs(m - std::fabs(at(k - 1))) / m;
        ++period_.pairs;
    }
    lastSign_ = r;
}

// A, how far the tone reached over the rail before sample `before`, or 0 where it is not
// known, or not a hard clip.
double Declipper::clip(int64_t before) const
{
    int64_t kept = 0, len = 0, last = -1, first = 0, pairs = 0;
    double steps = 0;
    int n = 0;
    const int64_t oldest = before - int64_t(kLevelSeconds * rateHz_);
    for (auto it = std::make_reverse_iterator(periodsBefore(before)); it != periods_.rend() && n < kPeriods; ++it) {
        if (it->at < oldest) break;
        if (last < 0) last = it->at;
        first = it->at - it->len;
        kept += it->kept;
        len += it->len;
        pairs += it->pairs;
        steps += it->steps;
        ++n;
    }
    if (n < kLeastPeriods || kept == 0 || double(len) < kFollowing * double(last - first)) return 0;
    // (and the rails must hold still: under noise they scatter, and some of their samples fall
    // under kNearRail, taken for kept ones)
    if (pairs == 0 || steps > kRailTolerance * double(pairs)) return 0;
    // (a sample counts as kept under (1 - kNearRail) of the rail)
    return (1 - kNearRail) / std::sin(kPi / 2 * double(kept) / double(len));
}

// The end of the periods that ended before sample `before` (later ones were counted ahead of it).
std::vector<Declipper::Period>::const_iterator Declipper::periodsBefore(int64_t before) const
{
    return std::partition_point(periods_.begin(), periods_.end(), [&](const Period &p) { return p.at < before; });
}

// Whether runs are filled at sample `before`, by the share of the crossings that went from rail
// to rail over the periods before it (see kFewFlips).
bool Declipper::fewFlips(int64_t before)
{
    const auto hi = periodsBefore(before);
    const auto n = std::min<ptrdiff_t>(kFlipPeriods, hi - periods_.begin());
    if (n < kLeastPeriods) return false;
    const int64_t flips = (hi - 1)->flipsSoFar - ((hi - n)->flipsSoFar - (hi - n)->flips);
    const double share = double(flips) / double(2 * n);
    filling_ = filling_ ? share <= kMostFlips : share < kFewFlips;
    return filling_;
}

// The knots of kSideCrossings crossings walking from sample `from` away from the run (side -1
// back, +1 on), the run at the rail `sign`, whose phase lies between 0 and pi: crossing c at
// c pi. False where the samples there do not look like a clipped tone's.
bool Declipper::crossings(int64_t from, int side, int8_t sign, double level)
{
    const int64_t lo = base_, hi = classified_ - 1;
    auto inside = [&](int64_t p) { return p >= lo && p <= hi && std::abs(p - from) <= reach_; };
    int64_t p = from;
    int8_t leaving = sign; // the rail of the run the walk leaves
    for (int i = 0; i < kSideCrossings; ++i) {
        const int c = side < 0 ? -i : i + 1;
        // the kept samples up to the next run, which must be at the other rail
        const int64_t first = p;
        while (inside(p) && railAt(p) == 0) p += side;
        if (!inside(p) || railAt(p) != -leaving) return false;
        if (p == first) {
            // straight from rail to rail: the crossing lies between the two samples
            knots_.push_back({double(p) - 0.5 * side - double(origin_), c * kPi});
        } else {
            // u: the samples as the run being filled sees them (its rail positive); on the
            // tone's way from one rail to the other they pass zero once, steadily: walking back
            // they fall before an even crossing and rise before an odd one, walking on the
            // other way round
            const double flip = (c & 1) ? -1.0 : 1.0; // sin(c pi + d) = flip sin d
            float last = float(sign) * at(first - side);
            for (int64_t k = first;; k += side) {
                const float u = float(sign) * at(k);
                if ((u - last) * float(side) * float(flip) <= 0) return false;
                if (k == p) break;
                last = u;
                const double d = std::asin(std::clamp(double(u) / level, -1.0, 1.0));
                knots_.push_back({double(k - origin_), c * kPi + flip * d});
            }
        }
        leaving = int8_t(-leaving);
        if (i + 1 == kSideCrossings) break;
        while (inside(p) && railAt(p) == leaving) p += side; // over the next run
        if (!inside(p)) return false;
    }
    return true;
}

// Fills the run a..b (at one rail) with the tone at its level, its phase a natural cubic spline
// through the crossings on either side.
void Declipper::fill(int64_t a, int64_t b)
{
    const int8_t sign = railAt(a);
    const double reach = clip(a);
    if (!(reach >= kLeastClip) || !fewFlips(a)) return;
    float rail = 0; // (the run's highest sample: under noise the rail's samples scatter)
    for (int64_t k = a; k <= b; ++k) rail = std::max(rail, std::fabs(at(k)));
    const double level = reach * rail;
    origin_ = a;
    knots_.clear();
    if (!crossings(a - 1, -1, sign, level)) return;
    std::reverse(knots_.begin(), knots_.end());
    const size_t before = knots_.size();
    if (!crossings(b + 1, 1, sign, level)) return;
    const size_t n = knots_.size();
    // the spline's second derivatives, zero at both ends: a tridiagonal solve
    moments_.assign(n, 0.0);
    work_.assign(n, 0.0);
    for (size_t i = 1; i + 1 < n; ++i) {
        const double h0 = knots_[i].t - knots_[i - 1].t, h1 = knots_[i + 1].t - knots_[i].t;
        const double rhs = 6 * ((knots_[i + 1].phase - knots_[i].phase) / h1 - (knots_[i].phase - knots_[i - 1].phase) / h0);
        const double den = 2 * (h0 + h1) - h0 * work_[i - 1];
        work_[i] = h1 / den;
        moments_[i] = (rhs - h0 * moments_[i - 1]) / den;
    }
    moments_[n - 1] = 0;
    for (size_t i = n - 1; i-- > 1;) moments_[i] -= work_[i] * moments_[i + 1];
    moments_[0] = 0;
    // the run lies between the last knot before it and the first after
    const Knot &k0 = knots_[before - 1], &k1 = knots_[before];
    const double m0 = moments_[before - 1], m1 = moments_[before], h = k1.t - k0.t;
    for (int64_t k = a; k <= b; ++k) {
        const double t = double(k - a), u = (k1.t - t) / h, v = (t - k0.t) / h;
        const double phase = u * k0.phase + v * k1.phase + ((u * u * u - u) * m0 + (v * v * v - v) * m1) * h * h / 6;
        const double value = std::clamp(level * std::sin(phase), double(std::fabs(at(k))), level);
        buf_[size_t(k - base_)] = float(sign) * float(value);
    }
    ++filled_;
}

} // namespace vareror::core::rx
