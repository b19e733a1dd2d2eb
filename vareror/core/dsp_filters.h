#pragma once

#include <complex>
#include <cstddef>
#include <vector>

// Small signal-processing blocks of the receiver: FIR design, decimation, the analytic
// band-pass that feeds the demodulators, a carrier notch and the LMS adaptive filters.
namespace vareror::core::dsp {

using cfloat = std::complex<float>;

// Hamming-windowed sinc low-pass with unity gain at DC. `cutoff` in cycles per sample.
std::vector<float> lowpassTaps(int taps, double cutoff);

// Keeps the last `taps` inputs contiguous (twice-written ring) so a dot product with the
// taps runs over plain memory.
class History {
public:
    explicit History(int taps = 1) { reset(taps); }
    void reset(int taps);
    void push(float x)
    {
        pos_ = pos_ == 0 ? n_ - 1 : pos_ - 1;
        buf_[pos_] = x;
        buf_[pos_ + n_] = x;
    }
    const float *data() const { return buf_.data() + pos_; } // newest first
    int size() const { return n_; }

private:
    std::vector<float> buf_;
    int n_ = 1, pos_ = 0;
};

// Low-pass and keep one sample in `factor`. The filter is linear-phase; its delay is a whole
// number of output samples (delay()).
class Decimator {
public:
    Decimator() = default;
    void configure(int factor, double inputRate);
    // Returns true when an output sample is ready in `out`.
    bool push(float x, float &out);
    int factor() const { return factor_; }
    int delay() const { return delay_; }  // in output samples

private:
    int factor_ = 1, phase_ = 0, delay_ = 0;
    std::vector<float> taps_;
    History hist_;
};

// Complex band-pass (analytic signal of the band) centred on `centreHz`: a low-pass of
// half-width `halfWidthHz` shifted up to the centre. Negative frequencies are rejected, so
// the output's phase advance per sample is the instantaneous frequency. Delay (taps-1)/2.
class AnalyticFilter {
public:
    AnalyticFilter() = default;
    void configure(double centreHz, double halfWidthHz, int taps, double rate);
    // New band, same length and delay; the input history is kept, so the output carries on
    // without a restart.
    void retune(double centreHz, double halfWidthHz, double rate);
    cfloat push(float x);
    int delay() const { return (int(re_.size()) - 1) / 2; }
    // For white noise at the input: the output's noise bandwidth in Hz, against a tone at the
    // centre frequency (the real input's noise in that many Hz, one-sided, has the output's
    // power relative to the tone's), and the correlation of successive output samples
    // (magnitude and the phase of the centre frequency).
    double noiseBandwidthHz() const { return noiseBw_; }
    std::complex<double> noiseLag1() const { return lag1_; }

private:
    void design(double centreHz, double halfWidthHz, double rate, int taps);
    std::vector<float> re_, im_;
    double noiseBw_ = 0;
    std::complex<double> lag1_ = 0;
    History hist_;
};

// Second-order notch that removes a steady carrier; `hz` 0 turns it off (pass-through).
class Notch {
public:
    void configure(double hz, double rate, double bandwidthHz = 60.0);
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

// Normalised-LMS linear predictor. As noise smoothing the output is the prediction from
// the immediately preceding samples (what is correlated, i.e. the signal, passes; white
// noise does not). As an auto-notch the prediction reaches `delay` samples back, where only
// a steady tone is still predictable, and the output is the prediction error: the carrier
// goes, the ever-changing SSTV tone stays.
class Lms {
public:
    enum Kind { Off, Smoothing, NotchFast, NotchSlow };
    void configure(Kind kind, double rate);
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

// Automatic notch: finds a steady carrier (a spectral line present in nearly every block
// over the last `holdSeconds`) and notches it out. SSTV tones never stay that long on one
// frequency (the VIS leader lasts 0.6 s), so only interfering carriers qualify.
class AutoNotch {
public:
    AutoNotch();
    ~AutoNotch();
    AutoNotch(const AutoNotch &) = delete;
    AutoNotch &operator=(const AutoNotch &) = delete;
    void configure(bool on, double holdSeconds, double rate);
    float process(float x);
    double frequency() const { return freq_; } // 0 while no carrier is notched

private:
    void analyse();
    bool on_ = false;
    double rate_ = 11025, freq_ = 0;
    int blocks_ = 40, fill_ = 0;
    std::vector<float> in_, win_;
    std::vector<std::vector<uint8_t>> seen_; // per block: bins above the floor
    std::vector<float> lastPower_;
    int head_ = 0, count_ = 0;
    Notch notch_;
    float *fftIn_ = nullptr;
    void *fftOut_ = nullptr;
};

} // namespace vareror::core::dsp
