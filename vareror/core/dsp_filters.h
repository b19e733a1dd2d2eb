#pragma once

#include <complex>
#include <cstddef>
#include <limits>
#include <vector>

// Small signal-processing blocks of the receiver: FIR design, decimation, the analytic
// band-pass that feeds the demodulators, a carrier notch and the LMS adaptive filters. Each
// runs over a block of samples at a time; those with a state of their own have a reset().
// Each refuses a setting it cannot honour (a rate, length or count of taps of 0 or less, a
// cut-off, centre or notch frequency at or above half the rate) with std::invalid_argument.
namespace vareror::core::dsp {

using cfloat = std::complex<float>;

// Throws std::invalid_argument, its message "block: " and the printf-style rest, which names
// the value refused and its limit.
[[noreturn]] __attribute__((format(printf, 2, 3))) void refuse(const char *block, const char *format, ...);
// A rate (or any quantity that must be) above 0 and finite.
inline bool positive(double v) { return v > 0 && v <= std::numeric_limits<double>::max(); }

// Hamming-windowed sinc low-pass with unity gain at DC. `cutoff` in cycles per sample.
std::vector<float> lowpassTaps(int taps, double cutoff);

// Sum of a[i] * b[i] for i < n, in SIMD lanes where the processor has them.
float dot(const float *a, const float *b, int n);

// Low-pass and keep one sample in `factor`. The filter is linear-phase; its delay is a whole
// number of output samples (delay()).
class Decimator {
public:
    Decimator() = default;
    void configure(int factor, double inputRate);
    void reset();
    // Appends to `out` the outputs that these n inputs complete.
    void run(const float *in, size_t n, std::vector<float> &out);
    int factor() const { return factor_; }
    int delay() const { return delay_; }  // in output samples
    double cutoffHz() const { return cutoffHz_; } // where its low-pass passes half (0: factor 1)

private:
    int factor_ = 1, phase_ = 0, delay_ = 0;
    double cutoffHz_ = 0;
    std::vector<float> taps_;
    std::vector<float> buf_;  // the last taps - 1 inputs, then the block
};

// Complex band-pass (analytic signal of the band) centred on `centreHz`: a low-pass of
// half-width `halfWidthHz` shifted up to the centre. Negative frequencies are rejected, so
// the output's phase advance per sample is the instantaneous frequency. The filter is
// linear-phase and reads its input from a buffer of the caller's: the output at x[0] is
// centred on it and reads x[-delay()] .. x[delay()].
class AnalyticFilter {
public:
    AnalyticFilter() = default;
    void configure(double centreHz, double halfWidthHz, int taps, double rate);
    // New band, same length and delay.
    void retune(double centreHz, double halfWidthHz, double rate);
    int delay() const { return (int(re_.size()) - 1) / 2; }
    cfloat at(const float *x) const
    {
        const float *w = x - delay();
        const int n = int(re_.size());
        return {dot(w, re_.data(), n), dot(w, im_.data(), n)};
    }
    // Outputs at x[0] .. x[n - 1].
    void run(const float *x, size_t n, cfloat *out) const;
    // The gain for a tone of `hz` at `rate`, as the output centred on the input has it (real:
    // the band is linear-phase).
    double gain(double hz, double rate) const;
    // For white noise at the input: the output's noise bandwidth in Hz, against a tone at the
    // centre frequency (the real input's noise in that many Hz, one-sided, has the output's
    // power relative to the tone's), and the correlation of successive output samples
    // (magnitude and the phase of the centre frequency).
    double noiseBandwidthHz() const { return noiseBw_; }
    std::complex<double> noiseLag1() const { return lag1_; }

private:
    void design(double centreHz, double halfWidthHz, double rate, int taps);
    std::vector<float> re_, im_;  // in time order over the window
    double noiseBw_ = 0;
    std::complex<double> lag1_ = 0;
};

// Second-order notch that removes a steady carrier; `hz` 0 turns it off (pass-through).
class Notch {
public:
    void configure(double hz, double rate, double bandwidthHz = 60.0);
    void reset() { x1_ = x2_ = y1_ = y2_ = 0; }
    void run(float *x, size_t n)
    {
        if (on_)
            for (size_t i = 0; i < n; ++i) x[i] = process(x[i]);
    }
    float process(float x)
    {
        if (!on_) return x;
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_; x1_ = x; y2_ = y1_; y1_ = y;
        return float(y);
    }
    bool active() const { return on_; }

private:
    bool on_ = false;
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0, x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Normalised-LMS linear predictor for noise smoothing: the output is the prediction from the
// immediately preceding samples (what is correlated, i.e. the signal, passes; white noise does
// not). (The auto-notch modes are AutoNotch, auto_notch.h.)
class Lms {
public:
    enum Kind { Off, Smoothing };
    void configure(Kind kind, double rate);
    void reset();
    void run(float *x, size_t n)
    {
        if (kind_ != Off)
            for (size_t i = 0; i < n; ++i) x[i] = process(x[i]);
    }
    float process(float x);
    Kind kind() const { return kind_; }

private:
    Kind kind_ = Off;
    int taps_ = 0, delay_ = 0;
    float mu_ = 0;
    std::vector<float> w_;
    std::vector<float> line_; // delay line, twice-written ring
    int pos_ = 0, len_ = 0;
    double power_ = 0;
};

// Mains hum canceller: finds hum (a line near 50 or 60 Hz, where a sound card's clock may move
// it, and its harmonics) below kTopHz in a spectrum of each kFftSeconds of audio, and subtracts
// each harmonic it found, its amplitude and phase followed over kFollowSeconds and its
// fundamental by how its lines' phases turn. Hum lies below the picture's tones, but an FM
// reading takes an interferer in in proportion to its distance from the tone, so hum 26 dB under
// the signal costs a clean picture some 15 dB. A high-pass does not do (the signal's own lower
// sidebands lie there), while the canceller takes out only a tenth of a hertz or so about each
// line. Without hum it only analyses.
class HumCanceller {
public:
    HumCanceller();
    ~HumCanceller();
    HumCanceller(const HumCanceller &) = delete;
    HumCanceller &operator=(const HumCanceller &) = delete;
    void configure(double rate);
    void reset() { configure(rate_); }
    void run(float *x, size_t n);
    // The mains frequency found (0: no hum) and how many of its harmonics are taken out.
    double mainsHz() const { return f0_; }
    int harmonics() const { return int(lines_.size()); }

    // Hz, s, s: followed over less than a second, each line takes in so much of the picture's own
    // spectrum about it that the hum's cost comes back (hum).
    static constexpr double kTopHz = 1000, kFftSeconds = 0.7, kFollowSeconds = 1.0;

private:
    void analyse();
    // The fundamental of the hum in the spectrum just taken, and the harmonics found (none: no
    // hum); `windowedPower`: the sum of the squares of the windowed audio.
    double findHum(double windowedPower, std::vector<int> &harmonics) const;
    void followDrift();
    void cancel(float *x, size_t n);
    double rate_ = 11025;
    int fft_ = 8192;
    std::vector<float> in_, win_;
    float *fftIn_ = nullptr;
    void *fftOut_ = nullptr;
    double f0_ = 0;
    struct Line {
        int k;                    // harmonic number
        std::complex<double> a;   // amplitude and phase against the oscillator's k-th harmonic
        std::complex<double> last; // ... at the last analysis
    };
    std::vector<Line> lines_;
    double phase_ = 0;           // the fundamental's phase, in turns
    int misses_ = 0;             // analyses running that found none of the hum
    size_t skip_ = 0;            // samples still to pass unlooked at
};

} // namespace vareror::core::dsp
