#include "overdrive.h"

#include "dsp_filters.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>

namespace vareror::core::rx {

namespace {
// The tones read: low enough that their third harmonic passes every converter's and
// resampler's low-pass, high enough that it misses the decision band.
constexpr float kLowToneHz = 1000, kHighToneHz = 1600;
// The sync's tones, for the harmonic's own measure (syncHarmonic), and the high tones whose third
// harmonic lies above half the working rate (from kFoldLowHz, and past a sixth of the rate, to
// kFoldHighHz), where only clipping at the working rate leaves it (foldedHarmonic).
constexpr float kSyncLowHz = 1100, kSyncHighHz = 1300, kFoldLowHz = 1850, kFoldHighHz = 2350;
constexpr float kEdgeHz = 150, kSyncEdgeHz = 75;
constexpr float kLowEdgeHz = 100;
// A tone is read where the band's frequency held within kSteadyHz over the kStep / 2 samples
// before: where it moves, the band's phase lags it.
constexpr float kSteadyHz = 40;
// The working sample numbered k, scattered: a sample is read where its top bits are 0. (A
// multiplier alone keeps a period: the golden ratio's, whose twice and four times follow twice
// and four times the phase of a 1300 Hz tone at 11025 Hz, so that a sync 100 Hz up, or a
// header's bits, were read near their zero crossings only and looked clipped.)
uint32_t scattered(uint32_t k)
{
    k ^= k >> 16;
    k *= 0x7feb352du;
    k ^= k >> 15;
    k *= 0x846ca68bu;
    return k ^ (k >> 16);
}
// How much of a tone at `hz` a range from lo to hi Hz reads: all of it from `edge` Hz inside,
// none at the ends
float inRange(float hz, float lo, float hi, float edge)
{
    return std::clamp((hz - lo) / edge, 0.0f, 1.0f) * std::clamp((hi - hz) / edge, 0.0f, 1.0f);
}
// The reading follows the input over kFollowSeconds (overdrive is a knob's setting, not a
// picture's: a bright stretch with no low tones but the syncs keeps the reading it had), and
// says nothing until kLeastSeconds of tones were read.
constexpr double kFollowSeconds = 2.0, kLeastSeconds = 0.05;
// Noise adds to the third harmonic's sum as a random walk: the reading is what stands that
// many times its spread above it, or a clean picture in noise reads as clipped (noise, overdrive)
constexpr double kSigmas = 3;
// The sync's measure says nothing unless this much of its tone was read over the last
// kFollowSeconds or so (Martin 1's syncs, the rarest, give about 0.02 s) (overdrive)
constexpr double kLeastSyncSeconds = 0.005;
} // namespace

void OverdriveMeter::reset()
{
    fundamental_ = measuredFundamental_ = third_ = syncFundamental_ = syncThird_ = highFundamental_ = highThird_ = 0;
    read_ = weight_ = measuredWeight_ = power_ = syncWeight_ = highRead_ = 0;
    std::fill(std::begin(before_), std::end(before_), 0.0f);
}

void OverdriveMeter::add(const float *x, const cfloat *z, const float *hz, size_t n, int64_t first)
{
    constexpr size_t back = kStep / 2;
    xs_.clear();
    us_.clear();
    ws_.clear();
    syncWs_.clear();
    highXs_.clear();
    highUs_.clear();
    highWs_.clear();
    const float foldLow = std::max(kFoldLowHz, float(rateHz_ / 6));
    cfloat f = 0, fm = 0;
    float weight = 0;
    size_t measuredCount = 0;
    for (size_t i = 0; i < n; ++i) {
        // (one sample in kStep, at places that follow no period: at a fixed step, or a
        // multiplier's, a tone's own twice and four times its frequency fold onto 0 Hz at some
        // frequencies. The sync's and the high tones' measures, by which the harmonic is taken
        // out, keep the places they were tuned on, a multiplier's: `kept`.)
        const uint32_t place = scattered(uint32_t(first + int64_t(i)));
        const uint32_t kept = uint32_t(first + int64_t(i)) * 0x9E3779B1u;
        const bool read = place >> 29 == 0, measured = kept >> 29 == 0;
        if (!read && !measured) continue;
        const float was = i >= back ? hz[i - back] : before_[kStep - back + i];
        if (std::fabs(hz[i] - was) > kSteadyHz) continue;
        const bool low = hz[i] >= kLowToneHz && hz[i] <= kHighToneHz;
        // (the high tones, many and only told apart from none, one sample in kHighStep)
        if (!low && (hz[i] < foldLow || hz[i] > kFoldHighHz || kept >> 27 != 0))
            continue;
        const float m = std::abs(z[i]);
        if (m <= 0) continue;
        const cfloat u = z[i] / m;
        // The tone's frequency for the measures' ranges: the mean of the last kStep, and the
        // ranges' edges soft, kLowEdgeHz, kSyncEdgeHz and kEdgeHz wide. (The band's
        // frequency ripples a little with twice the tone's phase: a tone on a hard edge, read by
        // its single sample, is read at some of its phases only, at which a pure tone's terms do
        // not cancel. Martin 1 tuned 100 Hz down, its sync on 1100 Hz, read a sync harmonic of
        // up to 0.13 either way in place of 0.)
        const bool sync = low && hz[i] > kSyncLowHz - kSteadyHz && hz[i] < kSyncHighHz + kSteadyHz;
        float mean = 0;
        if (i >= kStep - 1)
            for (size_t k = 0; k < kStep; ++k) mean += hz[i - k];
        else
            for (size_t k = 0; k < kStep; ++k) mean += i >= k ? hz[i - k] : before_[kStep - k + i];
        mean /= float(kStep);
        if (!low) {
            highXs_.push_back(x[i]);
            highUs_.push_back(u);
            highWs_.push_back(inRange(mean, foldLow, kFoldHighHz, kEdgeHz));
            continue;
        }
        // (the range's edges soft too: black 100 Hz up, or a 1600 Hz tone, once read as clipped)
        const float w = read ? inRange(mean, kLowToneHz, kHighToneHz, kLowEdgeHz) : 0.0f;
        if (w <= 0 && !measured) continue;
        xs_.push_back(x[i]);
        us_.push_back(u);
        ws_.push_back(w);
        syncWs_.push_back(sync && measured ? inRange(mean, kSyncLowHz, kSyncHighHz, kSyncEdgeHz) : 0.0f);
        f += w * x[i] * std::conj(u);
        weight += w;
        if (measured) {
            fm += x[i] * std::conj(u);
            ++measuredCount;
        }
    }
    fundamental_ += cdouble(f);
    weight_ += double(weight);
    read_ += double(weight);
    measuredFundamental_ += cdouble(fm);
    measuredWeight_ += double(measuredCount);
    // The tone itself, x = Re(a u), adds (a conj(u)^2 + conj(a) conj(u)^4) / 2 to each product
    // with conj(u)^3: taken out with the tone's amplitude a as read so far (left in, it is
    // what a few syncs alone read, up to 0.2 on a clean picture's bright stretches).
    if (weight_ > 0 || measuredWeight_ > 0) {
        const cfloat a = weight_ > 0 ? cfloat(2.0 * fundamental_ / weight_) : 0.0f;
        const cfloat am = measuredWeight_ > 0 ? cfloat(2.0 * measuredFundamental_ / measuredWeight_) : 0.0f;
        cfloat t = 0, st = 0, sf = 0;
        float power = 0, sn = 0;
        for (size_t k = 0; k < xs_.size(); ++k) {
            const cfloat c = std::conj(us_[k]), c2 = c * c;
            const cfloat term = xs_[k] * c2 * c - 0.5f * (a * c2 + std::conj(a) * c2 * c2);
            t += ws_[k] * term;
            power += ws_[k] * ws_[k] * std::norm(term);
            if (syncWs_[k] > 0) {
                st += syncWs_[k] * (xs_[k] * c2 * c - 0.5f * (am * c2 + std::conj(am) * c2 * c2));
                sf += syncWs_[k] * xs_[k] * c;
                sn += syncWs_[k];
            }
        }
        third_ += cdouble(t);
        power_ += double(power);
        syncThird_ += cdouble(st);
        syncFundamental_ += cdouble(sf);
        syncWeight_ += double(sn);
        cfloat ht = 0, hf = 0;
        float hn = 0;
        for (size_t k = 0; k < highXs_.size(); ++k) {
            const cfloat c = std::conj(highUs_[k]), c2 = c * c;
            ht += highWs_[k] * (highXs_[k] * c2 * c - 0.5f * (am * c2 + std::conj(am) * c2 * c2));
            hf += highWs_[k] * highXs_[k] * c;
            hn += highWs_[k];
        }
        highThird_ += cdouble(ht);
        highFundamental_ += cdouble(hf);
        highRead_ += double(hn);
    }
    // (before_[j]: the frequency kStep - j samples before the next block)
    for (size_t j = 0; j < kStep; ++j) {
        const int64_t k = int64_t(n) - int64_t(kStep) + int64_t(j);
        before_[j] = k >= 0 ? hz[k] : before_[size_t(int64_t(j) + int64_t(n))];
    }
}

void OverdriveMeter::age(size_t n, double rateHz)
{
    rateHz_ = rateHz;
    const double keep = std::exp(-double(n) / (kFollowSeconds * rateHz));
    fundamental_ *= keep;
    measuredFundamental_ *= keep;
    measuredWeight_ *= keep;
    third_ *= keep;
    syncFundamental_ *= keep;
    syncThird_ *= keep;
    syncWeight_ *= keep;
    highFundamental_ *= keep;
    highThird_ *= keep;
    weight_ *= keep;
    power_ *= keep * keep;
}

double OverdriveMeter::distortion(bool net) const
{
    const double f = std::abs(fundamental_);
    if (f <= 0 || read_ * double(kStep) < kLeastSeconds * rateHz_) return 0.0;
    // (less what noise alone would read: kSigmas times the sum's own spread)
    return std::max(0.0, std::abs(third_) - (net ? kSigmas * std::sqrt(power_) : 0.0)) / f;
}

double OverdriveMeter::syncHarmonic() const
{
    const double f = std::abs(syncFundamental_);
    if (f <= 0 || syncWeight_ * double(kStep) < kLeastSyncSeconds * rateHz_) return 0.0;
    // (the fundamental's phase is the tone's own, so the ratio is real but for noise)
    return (syncThird_ / syncFundamental_).real();
}

double OverdriveMeter::foldedHarmonic() const
{
    const double f = std::abs(highFundamental_);
    if (f <= 0 || highRead_ * double(kHighStep) < kLeastSeconds * rateHz_) return 0.0;
    return (highThird_ / highFundamental_).real();
}

namespace {
// The tone's cosine is brought to kUp times the rate by a low-pass to half the working rate
// kInterpHalf working samples either side; a working-rate input's resampler is taken to have
// passed up to kResamplerCutoff of the rate through kResamplerHalf working samples either side
// (as a good one does; neither was tuned: longer ones did no better on the clipped test cards).
constexpr int kInterpHalf = 3, kResamplerHalf = 14;
constexpr double kResamplerCutoff = 0.47;
} // namespace

void HarmonicModel::configure(double rateHz, int decimation, double cutoffHz, int half)
{
    if (!dsp::positive(rateHz)) dsp::refuse("rx::HarmonicModel", "a rate of %g Hz; it must be above 0", rateHz);
    if (decimation < 1) dsp::refuse("rx::HarmonicModel", "a decimation of %d; it needs 1 or more", decimation);
    if (decimation > 1 && half < 1) dsp::refuse("rx::HarmonicModel", "a low-pass half length of %d; it needs 1 or more", half);
    upHz_ = kUp * rateHz;
    interpHalf_ = kInterpHalf;
    interp_ = dsp::lowpassTaps(2 * interpHalf_ * kUp + 1, 0.5 / kUp);
    for (float &t : interp_) t *= float(kUp);
    // (decimated by kUp, the low-pass is the decimator's own)
    lowHalf_ = decimation > 1 ? half : kResamplerHalf;
    low_ = dsp::lowpassTaps(2 * lowHalf_ * kUp + 1, (decimation > 1 ? cutoffHz : kResamplerCutoff * rateHz) / upHz_);
}

double HarmonicModel::gain(double hz) const
{
    double g = 0;
    const int mid = int(low_.size() / 2);
    for (int k = 0; k < int(low_.size()); ++k) g += low_[size_t(k)] * std::cos(2 * std::numbers::pi * hz / upHz_ * (k - mid));
    return g;
}

void HarmonicModel::run(const float *cosine, const float *level, size_t n, float share, float *out)
{
    // cos 3 phi = 4 cos^3 phi - 3 cos phi at kUp times the rate, from -lowHalf_ working samples
    // to n - 1 + lowHalf_
    const int ih = interpHalf_ * kUp, lh = lowHalf_ * kUp;
    const long first = -long(lh), count = long(n - 1) * kUp + 2 * lh + 1;
    up_.resize(size_t(count));
    for (long q = 0; q < count; ++q) {
        const long at = first + q; // kUp times the working sample
        // (the working samples i within the interpolator's reach, kUp i from at - ih to at + ih)
        const long shift = interpHalf_ + lowHalf_ + 1; // (so that the division rounds down)
        float c = 0;
        for (long i = (at - ih + kUp * shift + kUp - 1) / kUp - shift; kUp * i <= at + ih; ++i)
            c += interp_[size_t(at - kUp * i + ih)] * cosine[i];
        up_[size_t(q)] = (4 * c * c - 3) * c;
    }
    for (size_t k = 0; k < n; ++k) {
        const float *u = up_.data() + k * kUp + size_t(lh);
        float acc = 0;
        for (int t = -lh; t <= lh; ++t) acc += low_[size_t(t + lh)] * u[t];
        out[k] = 2 * share * level[k] * acc;
    }
}

} // namespace vareror::core::rx
