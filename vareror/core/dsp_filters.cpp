#include "dsp_filters.h"

#include "dsp_fft.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <numbers>
#include <stdexcept>
#include <string>

namespace vareror::core::dsp {

namespace {
constexpr double kPi = std::numbers::pi;
} // namespace

void refuse(const char *block, const char *format, ...)
{
    char what[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(what, sizeof what, format, args);
    va_end(args);
    throw std::invalid_argument(std::string(block) + ": " + what);
}

// Four partial sums, so the loop runs in SIMD lanes; a second version for processors with
// 256-bit lanes is chosen when the library loads.
__attribute__((target_clones("avx2", "default"))) float dot(const float *a, const float *b, int n)
{
    float s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += a[i] * b[i];
        s1 += a[i + 1] * b[i + 1];
        s2 += a[i + 2] * b[i + 2];
        s3 += a[i + 3] * b[i + 3];
    }
    for (; i < n; ++i) s0 += a[i] * b[i];
    return (s0 + s1) + (s2 + s3);
}

std::vector<float> lowpassTaps(int taps, double cutoff)
{
    if (taps < 1) refuse("dsp::lowpassTaps", "%d taps; it needs 1 or more", taps);
    if (!(cutoff > 0 && cutoff < 0.5))
        refuse("dsp::lowpassTaps", "a cut-off of %g cycles per sample; it must lie above 0 and below 0.5 (half the rate)", cutoff);
    std::vector<float> h(static_cast<size_t>(taps));
    const double mid = (taps - 1) / 2.0;
    double sum = 0;
    for (int i = 0; i < taps; ++i) {
        const double t = i - mid;
        const double sinc = t == 0 ? 2 * cutoff : std::sin(2 * kPi * cutoff * t) / (kPi * t);
        const double w = taps > 1 ? 0.54 - 0.46 * std::cos(2 * kPi * i / (taps - 1)) : 1.0;
        h[size_t(i)] = float(sinc * w);
        sum += sinc * w;
    }
    for (auto &v : h) v = float(v / sum);
    return h;
}

void Decimator::configure(int factor, double inputRate)
{
    if (factor < 1) refuse("dsp::Decimator", "a factor of %d; it needs 1 or more", factor);
    if (!positive(inputRate)) refuse("dsp::Decimator", "a rate of %g Hz; it must be above 0", inputRate);
    factor_ = factor;
    if (factor_ == 1) {
        taps_ = {1.0f};
        delay_ = 0;
        cutoffHz_ = 0;
    } else {
        // Pass the SSTV band and the upper FM sidebands of fast picture detail (to ~4.6 kHz,
        // what the broad picture band uses); stop before the output Nyquist.
        const double outRate = inputRate / factor_;
        const double cutoffHz = std::min(4800.0, 0.42 * outRate);
        cutoffHz_ = cutoffHz;
        const int m = int(std::ceil(1.2e-3 * outRate)); // filter half-length in output samples
        const int taps = 2 * m * factor_ + 1;
        taps_ = lowpassTaps(taps, cutoffHz / inputRate);
        delay_ = m;
    }
    reset();
}

void Decimator::reset()
{
    phase_ = 0;
    buf_.assign(taps_.size() - 1, 0.0f);
}

void Decimator::run(const float *in, size_t n, std::vector<float> &out)
{
    if (factor_ == 1) {
        out.insert(out.end(), in, in + n);
        return;
    }
    // The taps are symmetric, so they apply to the window in time order as they are.
    const size_t hist = taps_.size() - 1;
    buf_.insert(buf_.end(), in, in + n);
    // Output k is the window centred on input k * factor: it is complete once input
    // (k + delay) * factor has arrived, which lands on every factor-th input from the first.
    const int taps = int(taps_.size());
    for (size_t j = 0; j < n; ++j) {
        const bool due = phase_ == 0;
        phase_ = (phase_ + 1) % factor_;
        if (due) out.push_back(dot(buf_.data() + j, taps_.data(), taps)); // the window ending at input j
    }
    buf_.erase(buf_.begin(), buf_.end() - long(hist));
}

void AnalyticFilter::configure(double centreHz, double halfWidthHz, int taps, double rate)
{
    if (taps < 1) refuse("dsp::AnalyticFilter", "%d taps; it needs 1 or more", taps);
    design(centreHz, halfWidthHz, rate, taps | 1);
}

void AnalyticFilter::retune(double centreHz, double halfWidthHz, double rate)
{
    if (re_.empty()) refuse("dsp::AnalyticFilter", "retuned to %g Hz before it was configured", centreHz);
    design(centreHz, halfWidthHz, rate, int(re_.size()));
}

double AnalyticFilter::gain(double hz, double rate) const
{
    // (re_[j] + j im_[j] multiplies the input j - delay() samples after the output's instant)
    const int taps = int(re_.size());
    std::complex<double> g = 0;
    for (int j = 0; j < taps; ++j)
        g += std::complex<double>(re_[size_t(j)], im_[size_t(j)]) * std::polar(1.0, 2 * kPi * hz / rate * (j - delay()));
    return g.real();
}

void AnalyticFilter::design(double centreHz, double halfWidthHz, double rate, int taps)
{
    // (its edges may lie past 0 Hz and half the rate: there it passes the real input's mirror)
    if (!positive(rate)) refuse("dsp::AnalyticFilter", "a rate of %g Hz; it must be above 0", rate);
    if (!(halfWidthHz > 0 && halfWidthHz < rate / 2))
        refuse("dsp::AnalyticFilter", "a half width of %g Hz at %g Hz; it must lie above 0 and below half the rate (%g Hz)",
               halfWidthHz, rate, rate / 2);
    if (!(centreHz >= 0 && centreHz < rate / 2))
        refuse("dsp::AnalyticFilter", "a centre of %g Hz at %g Hz; it must lie from 0 to below half the rate (%g Hz)",
               centreHz, rate, rate / 2);
    const auto lp = lowpassTaps(taps, halfWidthHz / rate);
    re_.resize(size_t(taps));
    im_.resize(size_t(taps));
    const double mid = (taps - 1) / 2.0;
    // Tap k multiplies x[n-k]: h_c[k] = h[k] e^{jw(k-mid)}. Stored in time order over the
    // window x[n-taps+1] .. x[n], i.e. reversed.
    std::vector<std::complex<double>> h(static_cast<size_t>(taps));
    for (int k = 0; k < taps; ++k) {
        const double ph = 2 * kPi * centreHz / rate * (k - mid);
        h[size_t(k)] = {lp[size_t(k)] * std::cos(ph), lp[size_t(k)] * std::sin(ph)};
        re_[size_t(taps - 1 - k)] = float(h[size_t(k)].real());
        im_[size_t(taps - 1 - k)] = float(h[size_t(k)].imag());
    }
    // A real tone A cos(wt) at the centre comes out as (A/2) e^{jwt} (gain 1 at the centre:
    // the low-pass sums to 1), power A^2/4 against A^2/2 in; white noise of one-sided density
    // N0 comes out with power N0/2 * rate * sum|h|^2. So the output's noise-to-tone ratio is
    // that of the input's noise in rate * sum|h|^2 Hz.
    std::complex<double> e = 0, l1 = 0, gain = 0;
    for (int k = 0; k < taps; ++k) {
        const std::complex<double> hk(float(h[size_t(k)].real()), float(h[size_t(k)].imag()));
        e += std::norm(hk);
        if (k >= 1)
            l1 += hk * std::conj(std::complex<double>(float(h[size_t(k - 1)].real()), float(h[size_t(k - 1)].imag())));
        gain += hk * std::polar(1.0, -2 * kPi * centreHz / rate * (k - mid));
    }
    const double g2 = std::max(std::norm(gain), 1e-30);
    noiseBw_ = e.real() * rate / g2;
    lag1_ = e.real() > 0 ? l1 / e.real() : std::complex<double>(0);
}

__attribute__((target_clones("avx2", "default"))) void AnalyticFilter::run(const float *x, size_t n, cfloat *out) const
{
    // Tap by tap over the whole block (the block's outputs are independent sums, so the loop
    // over them runs in SIMD lanes); in pieces that stay in the first-level cache.
    constexpr size_t kPiece = 1024;
    float re[kPiece], im[kPiece];
    const int taps = int(re_.size());
    for (size_t from = 0; from < n; from += kPiece) {
        const size_t m = std::min(kPiece, n - from);
        const float *w = x + from - delay();
        std::fill(re, re + m, 0.0f);
        std::fill(im, im + m, 0.0f);
        for (int k = 0; k < taps; ++k) {
            const float hr = re_[size_t(k)], hi = im_[size_t(k)];
            const float *__restrict wk = w + k;
            for (size_t i = 0; i < m; ++i) {
                re[i] += hr * wk[i];
                im[i] += hi * wk[i];
            }
        }
        for (size_t i = 0; i < m; ++i) out[from + i] = {re[i], im[i]};
    }
}

void Notch::configure(double hz, double rate, double bandwidthHz)
{
    if (!positive(rate)) refuse("dsp::Notch", "a rate of %g Hz; it must be above 0", rate);
    if (!(hz >= 0 && hz < rate / 2))
        refuse("dsp::Notch", "a notch at %g Hz at %g Hz; it must lie from 0 (off) to below half the rate (%g Hz)", hz, rate,
               rate / 2);
    if (!(bandwidthHz > 0 && bandwidthHz < rate / 2))
        refuse("dsp::Notch", "a width of %g Hz; it must lie above 0 and below half the rate (%g Hz)", bandwidthHz, rate / 2);
    on_ = hz > 0;
    x1_ = x2_ = y1_ = y2_ = 0;
    if (!on_) return;
    const double w = 2 * kPi * hz / rate;
    const double r = std::exp(-kPi * bandwidthHz / rate); // pole radius sets the width
    const double c = std::cos(w);
    // Zeros on the unit circle at +-w, poles just inside; normalised to unity gain at DC
    // and far from the notch.
    b0_ = 1; b1_ = -2 * c; b2_ = 1;
    a1_ = -2 * r * c; a2_ = r * r;
    const double g = (1 + a1_ + a2_) / (b0_ + b1_ + b2_);
    const double gNyq = (1 - a1_ + a2_) / (b0_ - b1_ + b2_);
    const double gain = 0.5 * (g + gNyq);
    b0_ *= gain; b1_ *= gain; b2_ *= gain;
}

void Lms::reset()
{
    power_ = 0;
    std::fill(w_.begin(), w_.end(), 0.0f);
    std::fill(line_.begin(), line_.end(), 0.0f);
    pos_ = 0;
}

void Lms::configure(Kind kind, double rate)
{
    if (!positive(rate)) refuse("dsp::Lms", "a rate of %g Hz; it must be above 0", rate);
    kind_ = kind;
    power_ = 0;
    switch (kind) {
    case Off: taps_ = 0; return;
    case Smoothing: taps_ = 24; delay_ = 1; mu_ = 0.02f; break;
    }
    w_.assign(size_t(taps_), 0.0f);
    len_ = taps_ + delay_;
    line_.assign(size_t(2 * len_), 0.0f);
    pos_ = 0;
}

float Lms::process(float x)
{
    if (kind_ == Off) return x;
    // line_ newest first: line_[pos_ + i] = x[n-1-i]
    const float *past = line_.data() + pos_ + (delay_ - 1);
    const float y = dot(past, w_.data(), taps_);
    const float e = x - y;
    double p = 0;
    for (int i = 0; i < taps_; ++i) p += double(past[i]) * past[i];
    const float g = float(mu_ / (p + 1e-9));
    for (int i = 0; i < taps_; ++i) w_[size_t(i)] += g * e * past[i];
    pos_ = pos_ == 0 ? len_ - 1 : pos_ - 1;
    line_[size_t(pos_)] = x;
    line_[size_t(pos_ + len_)] = x;
    return y;
}

} // namespace vareror::core::dsp

namespace vareror::core::dsp {

namespace {
// Hum's harmonics are looked for where a sound card's clock (and the mains) may put them: the
// fundamental within kMainsTolerance of 50 or 60 Hz. A harmonic counts when its line stands
// kLineOverFloor above the spectrum around it (its median over kFloorBins on either side) and
// carries kLeastLine of the audio's power at least (weaker hum costs a clean picture nothing) (hum).
constexpr double kMainsTolerance = 0.015, kLineOverFloor = 10, kLeastLine = 1e-6;
constexpr int kFloorBins = 40, kLineBins = 4;
// A picture's own spectrum has lines too, at its line rate's multiples, as far down as its
// lower sidebands reach, and taking them for hum costs it. Hum is hum only with a line below
// kLowestLineHz (Hz) standing kFirstLineOverFloor above the spectrum around it, where a picture
// has next to nothing (hum, modes).
constexpr double kLowestLineHz = 200, kFirstLineOverFloor = 100;
// Hum once found is looked for again within kGoingSpreadHz of its fundamental, each line as
// any other; it is taken for gone when none is found kMissesToEnd analyses running (a Robot 36
// picture's own low tones stand as high as the hum table's for seconds) (hum).
constexpr double kGoingSpreadHz = 0.05;
constexpr int kMissesToEnd = 3;
// The canceller follows each line's amplitude over blocks of kCancelBlock samples.
constexpr int kCancelBlock = 64;

// The peak of a Hann-windowed line between bins (close to a parabola in dB), in bins.
double peakBin(const std::vector<double> &pw, int b)
{
    const double l = std::log(pw[size_t(b - 1)]), m = std::log(pw[size_t(b)]), r = std::log(pw[size_t(b + 1)]);
    const double den = l - 2 * m + r;
    return b + (den < 0 ? std::clamp(0.5 * (l - r) / den, -0.5, 0.5) : 0.0);
}
} // namespace

HumCanceller::HumCanceller() { configure(rate_); }

HumCanceller::~HumCanceller()
{
    fftwf_free(fftIn_);
    fftwf_free(fftOut_);
}

void HumCanceller::configure(double rate)
{
    if (!positive(rate)) refuse("dsp::HumCanceller", "a rate of %g Hz; it must be above 0", rate);
    rate_ = rate;
    // (the power of two nearest that length)
    int n = 1024;
    while (n * 1.5 < kFftSeconds * rate) n *= 2;
    if (n != fft_ || !fftIn_) {
        fft_ = n;
        fftwf_free(fftIn_);
        fftwf_free(fftOut_);
        fftIn_ = fftwf_alloc_real(size_t(n));
        fftOut_ = fftwf_alloc_complex(size_t(n / 2 + 1));
        win_.resize(size_t(n));
        for (int i = 0; i < n; ++i) win_[size_t(i)] = float(0.5 - 0.5 * std::cos(2 * kPi * i / n));
    }
    in_.clear();
    in_.reserve(size_t(n));
    lines_.clear();
    f0_ = phase_ = 0;
    misses_ = 0;
    skip_ = 0;
}

void HumCanceller::run(float *x, size_t n)
{
    // The spectrum is taken of the audio as it comes, hum and all. While there is no hum, only
    // every other stretch of kFftSeconds is looked at (hum that starts is found a little later,
    // and clean audio costs half as much).
    for (size_t i = 0; i < n;) {
        if (skip_ > 0) {
            const size_t pass = std::min(n - i, skip_);
            skip_ -= pass;
            i += pass;
            continue;
        }
        const size_t take = std::min(n - i, size_t(fft_) - in_.size());
        in_.insert(in_.end(), x + i, x + i + take);
        if (!lines_.empty()) cancel(x + i, take);
        i += take;
        if (in_.size() == size_t(fft_)) {
            analyse();
            in_.clear();
            if (lines_.empty()) skip_ = size_t(fft_);
        }
    }
}

double HumCanceller::findHum(double windowedPower, std::vector<int> &harmonics) const
{
    // (hum already found is looked for again about its own fundamental, each line as one of it)
    const bool going = f0_ > 0;
    const auto *out = static_cast<const fftwf_complex *>(fftOut_);
    const double binHz = rate_ / fft_;
    // (the power of the bins that hum's lines and the spectrum around them may reach)
    const int bins = std::min(fft_ / 2 + 1, int((1 + kMainsTolerance) * kTopHz / binHz) + kFloorBins + 3);
    std::vector<double> pw(static_cast<size_t>(bins)), around;
    for (int b = 0; b < bins; ++b) pw[size_t(b)] = double(out[b][0]) * out[b][0] + double(out[b][1]) * out[b][1] + 1e-30;
    // (the whole spectrum's power, from the windowed audio: half of it in the positive bins)
    const double total = windowedPower * fft_ / 2;
    // Each family's harmonics in turn, the fundamental refined by every line found (a least-
    // squares fit of k f0 to their frequencies), so that the higher ones are looked for in a
    // narrower window.
    double bestPower = 0, bestF0 = 0;
    harmonics.clear();
    for (const double mains : {50.0, 60.0}) {
        if (going && std::fabs(f0_ - mains) > kMainsTolerance * mains) continue;
        double f0 = going ? f0_ : mains, spread = going ? kGoingSpreadHz : kMainsTolerance * mains; // (of the fundamental)
        double sumKF = 0, sumKK = 0, power = 0;
        std::vector<int> found;
        for (int k = 1; k * f0 < kTopHz; ++k) {
            if (found.empty() && !going && k * f0 > kLowestLineHz) break;
            const double half = k * spread + 1.5 * binHz;
            const int lo = std::max(2, int(std::floor((k * f0 - half) / binHz))), hi = int(std::ceil((k * f0 + half) / binHz));
            if (hi + 1 >= bins) break;
            int b = lo;
            for (int j = lo; j <= hi; ++j)
                if (pw[size_t(j)] > pw[size_t(b)]) b = j;
            if (b == lo || b == hi) continue; // (no peak inside the window)
            around.clear();
            for (int j = std::max(1, b - kFloorBins); j <= std::min(bins - 1, b + kFloorBins); ++j)
                if (std::abs(j - b) > kLineBins) around.push_back(pw[size_t(j)]);
            std::nth_element(around.begin(), around.begin() + long(around.size() / 2), around.end());
            const double mean = around[around.size() / 2] / std::log(2.0); // (of exponentially spread powers)
            const double line = pw[size_t(b - 1)] + pw[size_t(b)] + pw[size_t(b + 1)];
            const double over = found.empty() && !going ? kFirstLineOverFloor : kLineOverFloor;
            if (pw[size_t(b)] < over * mean || line < kLeastLine * total) continue;
            // (the window reaches a bin and a half further, for the line's skirts)
            const double hz = peakBin(pw, b) * binHz;
            if (std::fabs(hz - k * f0) > k * spread + 0.5 * binHz) continue;
            sumKF += k * hz;
            sumKK += double(k) * k;
            f0 = sumKF / sumKK;
            spread = 0.3 * binHz / k;
            power += line;
            found.push_back(k);
        }
        if (power > bestPower) {
            bestPower = power;
            bestF0 = f0;
            harmonics = found;
        }
    }
    return bestF0;
}

void HumCanceller::analyse()
{
    for (int i = 0; i < fft_; ++i) fftIn_[i] = in_[size_t(i)] * win_[size_t(i)];
    const float power = dot(fftIn_, fftIn_, fft_);
    fftwf_execute_dft_r2c(realForwardPlan(fft_), fftIn_, static_cast<fftwf_complex *>(fftOut_));
    std::vector<int> found;
    const double f0 = findHum(power, found);
    misses_ = found.empty() ? misses_ + 1 : 0;
    if (found.empty() && (lines_.empty() || misses_ >= kMissesToEnd)) {
        lines_.clear();
        f0_ = 0;
        return;
    }
    if (lines_.empty()) {
        // hum anew: the spectrum's fundamental
        f0_ = f0;
        phase_ = 0;
    } else {
        followDrift();
    }
    // Harmonics found once are taken out for as long as the hum lasts. A new one starts from its
    // mean over the audio just analysed (windowed as for the spectrum), brought down from its
    // frequency as the oscillator will have it there: it is taken out at once.
    const double step = f0_ / rate_;
    for (int k : found) {
        if (std::any_of(lines_.begin(), lines_.end(), [&](const Line &l) { return l.k == k; })) continue;
        std::complex<double> sum = 0;
        double weight = 0;
        for (int i = 0; i < fft_; ++i) {
            sum += double(in_[size_t(i)] * win_[size_t(i)]) * std::polar(1.0, -2 * kPi * k * (phase_ - (fft_ - i) * step));
            weight += win_[size_t(i)];
        }
        lines_.push_back({k, 2.0 * sum / weight, 0});
    }
    std::sort(lines_.begin(), lines_.end(), [](const Line &a, const Line &b) { return a.k < b.k; });
}

void HumCanceller::followDrift()
{
    // The fundamental of hum that goes on is followed by how far its lines' phases have turned
    // since the last analysis (far more closely than a spectrum's bins tell it). The lowest
    // lines first, whose turn cannot have wrapped; each higher one is unwrapped against the
    // turn the fit so far predicts for it, and weighed by its power.
    double sumKW = 0, sumW = 0, drift = 0; // Hz
    const double seconds = double(fft_) / rate_;
    for (Line &l : lines_) {
        const double w = std::norm(l.a) * l.k * l.k;
        const double predicted = 2 * kPi * l.k * drift * seconds;
        const double turn = predicted + std::arg(l.a * std::conj(l.last) * std::polar(1.0, -predicted));
        if (std::norm(l.last) > 0 && w > 0) {
            sumKW += w * turn / (2 * kPi * l.k * seconds);
            sumW += w;
            drift = sumKW / sumW;
        }
        l.last = l.a;
    }
    f0_ += drift;
}

void HumCanceller::cancel(float *x, size_t n)
{
    // Each line's amplitude is the mean over a block of the audio brought down from its
    // frequency (twice: a real tone's half is at the positive frequency), followed from block
    // to block by a first-order filter; the hum subtracted in a block is that of the amplitude
    // before it.
    const double step = f0_ / rate_;
    float hum[kCancelBlock];
    for (size_t from = 0; from < n; from += kCancelBlock) {
        const size_t m = std::min(size_t(kCancelBlock), n - from);
        const double follow = 1 - std::exp(-double(m) / (kFollowSeconds * rate_));
        std::fill(hum, hum + m, 0.0f);
        for (Line &l : lines_) {
            const std::complex<double> turn = std::polar(1.0, 2 * kPi * l.k * step);
            std::complex<double> e = std::polar(1.0, 2 * kPi * l.k * phase_), down = 0;
            const std::complex<double> a = l.a;
            for (size_t i = 0; i < m; ++i) {
                down += double(x[from + i]) * std::conj(e);
                hum[i] += float(a.real() * e.real() - a.imag() * e.imag());
                e *= turn;
            }
            l.a += follow * (2.0 * down / double(m) - l.a);
        }
        for (size_t i = 0; i < m; ++i) x[from + i] -= hum[i];
        phase_ = std::fmod(phase_ + double(m) * step, 1.0);
    }
}

} // namespace vareror::core::dsp
