#include "auto_notch.h"

#include "dsp_fft.h"
#include "dsp_filters.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vareror::core::dsp {

namespace {
constexpr double kPi = std::numbers::pi;
using cdouble = std::complex<double>;

// Hz: carriers are looked for over the band a receiver passes, from kLowHz to kHighHz (or 0.45 of
// the rate), each line against the median of the spectrum kFloorHz about it.
constexpr double kLowHz = 150, kHighHz = 3500, kFloorHz = 150;
// A line is a candidate where it stands kLineOverFloor (12 dB) over that median and carries
// kLeastShare (-40 dB) of the window's power at least. At most kMostCandidates are tested (a test
// card's own lines may stand over a carrier 10 dB under it), kMostCarriers taken out (carriers).
constexpr double kLineOverFloor = 16, kLeastShare = 1e-4;
constexpr int kMostCandidates = 12, kMostCarriers = 3;
// The tests run over kSegments stretches of the window (11.6 ms at 11025 Hz), the first and last
// left out (the band-limited analytic signal rings there). A tone is no carrier where taking it out
// raises the envelope's variance in any stretch by more than kDamage of the window's mean power
// squared (a line of the picture's own, 23 dB under it, beating with the picture where it moves
// away), or lowers the variance over the window to no less than kFlatten of what it was (there
// were no beats to take out). What is left is an FM signal beside it where it is at least
// kLeastRemainder of the carrier's power and its envelope's variance is under kFmLike of its mean
// power squared (noise's is 1) (carriers).
constexpr int kSegments = 32;
constexpr double kDamage = 0.01, kFlatten = 0.5, kLeastRemainder = 0.05, kFmLike = 0.5;
// A stretch whose two halves' power differs by more than kPowerStep (3 dB) is left out of the
// damage test: a signal beginning there, or a static crash, moves the envelope of its own
// (carriers, crashes).
constexpr double kPowerStep = 2;
// Where the envelope's variance is under kQuiet of the mean power squared there are no beats to
// take out: the tone is alone, and a carrier only where steady, leaving less than kSteadyRest of
// its power in every stretch (carriers).
constexpr double kQuiet = 0.005, kSteadyRest = 0.25;
// A carrier is there all through the window: no more than kMostAbsent stretches hold less than
// kPresent of its power (a tone that began within the window is not fitted yet; a picture's tone
// passing the carrier's in the opposite phase cancels it for a stretch or two) (carriers).
constexpr double kPresent = 0.25;
constexpr int kMostAbsent = 2;
// Hz: a line within kFollowHz of a carrier being taken out is that carrier; passes within kTrackHz
// of each other are one track.
constexpr double kFollowHz = 5, kTrackHz = 3;
// The canceller: the carrier's amplitude is the mean of its input on the reference over kAgeShare
// of the time since it was taken, from kLeastSeconds up to kMostSeconds (fast, slow); a
// third-order loop holds the reference on the carrier's phase, 1 Hz wide when it is taken,
// halving in kLoopHalving seconds and again as long, down to kLoopHz (fast, slow): it learns a
// drift there and then follows it without a lag. Measured on carriers 10 dB under Martin 1 and
// Scottie 1 test cards, 1750 Hz steady and drifting 100 Hz in 2 minutes: wider loops and shorter
// means take in more of the picture's spectrum about the carrier, narrower ones lose the drift
// (carriers).
constexpr double kLeastSeconds = 0.05, kAgeShare = 0.5, kFastMostSeconds = 1, kSlowMostSeconds = 3;
constexpr double kLoopFirstHz = 1, kLoopHalving = 0.5, kFastLoopHz = 0.2, kSlowLoopHz = 0.15;
// Where what is left about the carrier (through a kNearHz low-pass) holds more than kNearShare of
// its power, a picture's tone is passing near it: the canceller's steps are weighed down by the
// square of that excess, and a stretch of the grey wedge near a 1750 Hz carrier no longer pulls the
// amplitude 20 % off (another sender's Martin 1 card 43.1 -> 45.3 dB) (carriers).
constexpr double kNearHz = 40, kNearShare = 2;
// Black and the leader's tone, where a picture's uniform stretch or a header stands longest on one
// tone.
constexpr double kPictureTonesHz[] = {1500, 1900};

double median(std::vector<float> &v)
{
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}
} // namespace

AutoNotch::AutoNotch() = default;

AutoNotch::~AutoNotch()
{
    fftwf_free(fftReal_);
    fftwf_free(fftOut_);
    fftwf_free(fftZ_);
}

void AutoNotch::configure(bool on, Speed speed, double rate)
{
    if (!positive(rate)) refuse("dsp::AutoNotch", "a rate of %g Hz; it must be above 0", rate);
    on_ = on;
    speed_ = speed;
    rate_ = rate;
    const int n = std::max(512, 512 * int(std::ceil(kWindowSeconds * rate / 512)));
    if (n != n_ || !fftReal_) {
        fftwf_free(fftReal_);
        fftwf_free(fftOut_);
        fftwf_free(fftZ_);
        n_ = n;
        fftReal_ = fftwf_alloc_real(size_t(n_));
        fftOut_ = fftwf_alloc_complex(size_t(n_ / 2 + 1));
        fftZ_ = fftwf_alloc_complex(size_t(n_));
        win_.resize(size_t(n_));
        windowSum_ = 0;
        for (int i = 0; i < n_; ++i) windowSum_ += win_[size_t(i)] = float(0.5 - 0.5 * std::cos(2 * kPi * i / n_));
    }
    hop_ = std::max(1, int(std::lround(kHopSeconds * rate)));
    tauMost_ = speed == Speed::Fast ? kFastMostSeconds : kSlowMostSeconds;
    loopLeast_ = speed == Speed::Fast ? kFastLoopHz : kSlowLoopHz;
    nearStep_ = 1 - std::exp(-2 * kPi * kNearHz / rate);
    reset();
}

void AutoNotch::reset()
{
    ring_.assign(size_t(2 * n_), 0.0f);
    pos_ = 0;
    count_ = 0;
    sinceAnalysis_ = 0;
    carriers_.clear();
    tracks_.clear();
}

std::vector<double> AutoNotch::carriers() const
{
    std::vector<const Carrier *> by;
    for (const Carrier &c : carriers_) by.push_back(&c);
    std::sort(by.begin(), by.end(), [](const Carrier *a, const Carrier *b) { return std::abs(a->a) > std::abs(b->a); });
    std::vector<double> out;
    for (const Carrier *c : by) out.push_back(hz(*c));
    return out;
}

double AutoNotch::frequency() const
{
    const auto all = carriers();
    return all.empty() ? 0.0 : all.front();
}

void AutoNotch::run(float *x, size_t n)
{
    if (!on_) return;
    for (size_t i = 0; i < n; ++i) {
        // (the analysis reads the input as it came, so a carrier taken out is still seen)
        ring_[size_t(pos_)] = ring_[size_t(pos_ + n_)] = x[i];
        pos_ = pos_ + 1 == n_ ? 0 : pos_ + 1;
        ++count_;
        if (++sinceAnalysis_ >= hop_) {
            sinceAnalysis_ = 0;
            analyse();
        }
        if (carriers_.empty()) continue;
        double y = x[i];
        for (const Carrier &c : carriers_) y -= std::real(c.a * c.osc);
        for (Carrier &c : carriers_) {
            // what is left on the reference: the amplitude's error, and (against the amplitude)
            // the phase's, which turns the reference
            const cdouble e = 2 * y * std::conj(c.osc);
            const double power = std::norm(c.a);
            c.near += nearStep_ * (e - c.near);
            const double near = std::norm(c.near);
            const double w = near > kNearShare * power ? std::pow(kNearShare * power / near, 2) : 1.0;
            const double phase = power > 0 ? w * std::imag(e * std::conj(c.a)) / power : 0.0;
            c.a += c.mu * w * e;
            c.drift += c.loopD * phase;
            c.turn += c.drift + c.loopI * phase;
            const double d = c.loopP * phase + c.turn;
            c.osc *= c.step * cdouble(1 - d * d / 2, d);
        }
        x[i] = float(y);
        if ((count_ & 255) == 0)
            for (Carrier &c : carriers_) {
                c.osc /= std::abs(c.osc);
                settle(c);
            }
    }
}

void AutoNotch::settle(Carrier &c) const
{
    const double age = double(count_ - c.since) / rate_;
    c.mu = 1 / (std::min(tauMost_, kLeastSeconds + kAgeShare * age) * rate_);
    // (the loop's noise bandwidth is 0.78 of w0)
    const double loopHz = std::max(loopLeast_, kLoopFirstHz * kLoopHalving / (kLoopHalving + age));
    const double w0 = 2 * kPi * loopHz / 0.7845 / rate_;
    c.loopP = 2.4 * w0;
    c.loopI = 1.1 * w0 * w0;
    c.loopD = w0 * w0 * w0;
}

double AutoNotch::hz(const Carrier &c) const { return c.hz + c.turn * rate_ / (2 * kPi); }

void AutoNotch::analyse()
{
    frame_.assign(ring_.begin() + pos_, ring_.begin() + pos_ + n_);
    spectrum();
    follow();
    std::vector<Candidate> found = candidates();
    std::vector<Candidate> passed;
    for (Candidate &c : found)
        if (carrierTest(c)) passed.push_back(c);
    take(passed);
}

void AutoNotch::band(int &lo, int &hi) const
{
    const double binHz = rate_ / n_;
    lo = std::max(3, int(std::ceil(kLowHz / binHz)));
    hi = std::min(n_ / 2 - 3, int(std::floor(std::min(kHighHz, 0.45 * rate_) / binHz)));
}

void AutoNotch::spectrum()
{
    for (int i = 0; i < n_; ++i) fftReal_[i] = frame_[size_t(i)] * win_[size_t(i)];
    auto *X = static_cast<fftwf_complex *>(fftOut_);
    fftwf_execute_dft_r2c(realForwardPlan(n_), fftReal_, X);
    power_.resize(size_t(n_ / 2 + 1));
    for (int b = 0; b <= n_ / 2; ++b) power_[size_t(b)] = X[b][0] * X[b][0] + X[b][1] * X[b][1];
    // the window's analytic signal over the band, for the tests (the inverse transform as the
    // forward one of the conjugate)
    int lo = 0, hi = 0;
    band(lo, hi);
    for (int i = 0; i < n_; ++i) fftReal_[i] = frame_[size_t(i)];
    fftwf_execute_dft_r2c(realForwardPlan(n_), fftReal_, X);
    auto *Z = static_cast<fftwf_complex *>(fftZ_);
    for (int b = 0; b < n_; ++b) {
        const bool in = b >= lo - 2 && b <= hi + 2;
        Z[b][0] = in ? 2 * X[b][0] / float(n_) : 0.0f;
        Z[b][1] = in ? -2 * X[b][1] / float(n_) : 0.0f;
    }
    fftwf_execute_dft(complexForwardPlan(n_), Z, Z);
    z_.resize(size_t(n_));
    for (int i = 0; i < n_; ++i) z_[size_t(i)] = {Z[i][0], -Z[i][1]};
}

std::vector<AutoNotch::Candidate> AutoNotch::candidates()
{
    const double binHz = rate_ / n_;
    int lo = 0, hi = 0;
    band(lo, hi);
    const int reach = std::max(8, int(kFloorHz / binHz));
    double mean = 0;
    for (float v : frame_) mean += double(v) * v;
    mean /= n_;
    std::vector<std::pair<float, int>> peaks;
    for (int b = lo; b <= hi; ++b) {
        const float p = power_[size_t(b)];
        if (p > power_[size_t(b - 1)] && p >= power_[size_t(b + 1)] && p >= power_[size_t(b - 2)] && p >= power_[size_t(b + 2)])
            peaks.emplace_back(p, b);
    }
    std::sort(peaks.begin(), peaks.end(), std::greater<>());
    std::vector<Candidate> out;
    std::vector<float> around;
    for (const auto &[p, b] : peaks) {
        if (int(out.size()) >= kMostCandidates) break;
        bool taken = false;
        for (const Carrier &c : carriers_) taken = taken || std::fabs(hz(c) - b * binHz) < kFollowHz + binHz;
        if (taken) continue;
        around.clear();
        for (int k = std::max(1, b - reach); k <= std::min(n_ / 2, b + reach); ++k)
            if (std::abs(k - b) > 3) around.push_back(power_[size_t(k)]);
        if (p < kLineOverFloor * median(around)) continue;
        // between bins: a Hann line's log power is close to a parabola
        const double l = std::log(power_[size_t(b - 1)] + 1e-30), m = std::log(p + 1e-30),
                     r = std::log(power_[size_t(b + 1)] + 1e-30);
        const double den = l - 2 * m + r;
        const double d = den < 0 ? std::clamp(0.5 * (l - r) / den, -0.5, 0.5) : 0.0;
        Candidate c;
        c.hz = (b + d) * binHz;
        // its amplitude and phase at the window's last sample
        const cdouble turn = std::polar(1.0, -2 * kPi * c.hz / rate_);
        cdouble rot = std::polar(1.0, 2 * kPi * c.hz / rate_ * (n_ - 1)), acc = 0;
        for (int i = 0; i < n_; ++i) {
            acc += double(frame_[size_t(i)] * win_[size_t(i)]) * rot;
            rot *= turn;
        }
        c.a = 2.0 * acc / windowSum_;
        if (std::norm(c.a) / 2 >= kLeastShare * mean) out.push_back(c);
    }
    return out;
}

// Whether the candidate's removal takes out beats and does no harm (see the header), and what is
// beside it.
bool AutoNotch::carrierTest(Candidate &c) const
{
    const int len = n_ / kSegments;
    const cdouble turn = std::polar(1.0, 2 * kPi * c.hz / rate_);
    // the carrier as the analytic signal holds it, from the first stretch tested on
    cdouble carrier = c.a * std::polar(1.0, -2 * kPi * c.hz / rate_ * (n_ - 1)) * std::pow(turn, len);
    const double power = std::norm(c.a);
    double e0 = 0, e1 = 0, mean = 0, fm = 0, rest = 0, worst = -1e300, most = 0;
    int absent = 0;
    for (int k = 1; k + 1 < kSegments; ++k) {
        double s0 = 0, q0 = 0, s1 = 0, q1 = 0, early = 0;
        for (int i = k * len; i < (k + 1) * len; ++i) {
            const cdouble z = z_[size_t(i)];
            const double u = std::norm(z), v = std::norm(z - carrier);
            s0 += u; q0 += u * u; s1 += v; q1 += v * v;
            if (i < k * len + len / 2) early += u;
            carrier *= turn;
        }
        const double late = s0 - early;
        s0 /= len; q0 /= len; s1 /= len; q1 /= len;
        const double v0 = std::max(0.0, q0 - s0 * s0), v1 = std::max(0.0, q1 - s1 * s1);
        e0 += v0;
        e1 += v1;
        mean += s0;
        rest += s1;
        fm += s1 * s1;
        if (std::max(early, late) <= kPowerStep * std::min(early, late)) worst = std::max(worst, v1 - v0);
        absent += s0 < kPresent * power;
        most = std::max(most, s1);
    }
    const int used = kSegments - 2;
    mean /= used;
    rest /= used;
    const double p2 = mean * mean;
    if (worst > kDamage * p2 || absent > kMostAbsent) return false;
    c.steady = most <= kSteadyRest * power;
    if (e0 < kQuiet * p2 * used ? !c.steady : e1 > kFlatten * e0) return false;
    c.beside = rest >= kLeastRemainder * power && e1 < kFmLike * fm;
    return true;
}

void AutoNotch::follow()
{
    // each carrier is tested as it is being taken out: let go where it is gone, or where its
    // removal does harm
    for (size_t k = 0; k < carriers_.size();) {
        const Carrier &c = carriers_[k];
        Candidate now;
        now.hz = hz(c);
        now.a = c.a * c.osc; // (at the window's last sample, the one about to be cancelled)
        if (carrierTest(now)) ++k;
        else carriers_.erase(carriers_.begin() + long(k));
    }
}

void AutoNotch::take(const std::vector<Candidate> &found)
{
    std::vector<Track> next;
    for (const Candidate &c : found) {
        Track t{c.hz, count_, 0, true};
        for (const Track &old : tracks_)
            if (std::fabs(old.hz - c.hz) <= kTrackHz) {
                t = old;
                t.hz = c.hz;
                break;
            }
        ++t.passes;
        t.quick = t.quick && (c.beside || (c.steady && !picture_));
        bool nearPictureTone = false;
        for (double hz : kPictureTonesHz) nearPictureTone = nearPictureTone || std::fabs(c.hz - hz) < kBandHz;
        const double stood = double(count_ - t.since + n_) / rate_;
        const bool take = (!nearPictureTone && t.quick && t.passes >= kQuickPasses) || stood >= kLoneSeconds;
        if (take && int(carriers_.size()) < kMostCarriers) lock(c);
        else next.push_back(t);
    }
    tracks_ = std::move(next);
}

void AutoNotch::lock(const Candidate &c)
{
    Carrier k;
    k.hz = c.hz;
    k.step = std::polar(1.0, 2 * kPi * c.hz / rate_);
    k.a = c.a; // (read at the window's last sample, the one about to be cancelled)
    k.since = count_;
    settle(k);
    carriers_.push_back(k);
}

} // namespace vareror::core::dsp
