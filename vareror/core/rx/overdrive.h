#pragma once
// An input level set too high. A sound card's converter clips an FM tone (an overdriven
// amplifier bends it over smoothly), and what comes out is a function of the tone's phase
// alone: the tone's harmonics, each following k times its phase. They keep the tone's zero
// crossings, so its frequency, but where they fall in the picture band (the third harmonic of
// sync and black from 3600 Hz on, and, folded, every one of them when the clipping was at the
// working rate) they pull the band's phase, and with it every pixel.

#include "signal.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vareror::core::rx {

// How overdriven the input is: the tone's third harmonic against its fundamental, read on the
// working audio against the phase of the decision band (which the third harmonic of no tone
// from 1000 Hz on reaches) over steady low tones (whose third harmonic lies under every
// converter's and resampler's cut-off). It asks nothing of the samples' values, so clipping
// followed by noise or a resampler, and a soft overdrive, read as a hard clip does. Clean
// test cards read under 0.025; clipped 2 times, or bent over by tanh of 4 times, 0.1 to 0.5.
class OverdriveMeter {
public:
    void reset();
    // Working samples x from number `first` on, the decision band's output z at them and its
    // frequencies (Hz): the samples numbered a multiple of kStep are read (so that blocks of any
    // size read the same).
    void add(const float *x, const cfloat *z, const float *hz, size_t n, int64_t first);
    // Ages what was read by n working samples at rateHz.
    void age(size_t n, double rateHz);
    // The third harmonic's share of the fundamental (0 until enough tones were read); `net`:
    // less what noise alone would read. (Clipped at the working rate, where every harmonic folds
    // onto the tones, stretches with no low tones but the syncs read a net 0.)
    double distortion(bool net = true) const;
    // The third harmonic against the fundamental on the sync tone alone (whose third harmonic
    // lies in the middle of the broad picture band, past no converter's cut-off): signed, as
    // the clipping bends the tone (negative for a clip or tanh), and 0 unless enough was read
    // over the last few seconds (a mode without line syncs has only its header's). What the
    // picture band's harmonic is taken out by (FrontEnd::subtractHarmonic).
    double syncHarmonic() const;
    // The same on the high tones whose third harmonic lies above half the working rate: there
    // only while the input was overdriven at the working rate, where every harmonic folds back
    // into the band (a converter's or resampler's low-pass took it away before).
    double foldedHarmonic() const;

    static constexpr size_t kStep = 8, kHighStep = 32;
    // Overdriven from kOverdriven (net), no longer below kNoLonger (not net: a clean tone reads
    // under 0.025 either way) (overdrive).
    static constexpr double kOverdriven = 0.06, kNoLonger = 0.04;

private:
    cdouble fundamental_ = 0, third_ = 0;
    cdouble syncFundamental_ = 0, syncThird_ = 0; // ... of the tones about the sync's alone
    cdouble highFundamental_ = 0, highThird_ = 0; // ... and of the high tones
    double syncWeight_ = 0, highRead_ = 0; // sync tones read (aged), high tones read (weights)
    double read_ = 0, weight_ = 0, rateHz_ = 11025; // samples read (weight_: aged), at what rate
    double power_ = 0;                  // the third harmonic's terms' squares (aged twice)
    cdouble measuredFundamental_ = 0;   // the fundamental at the sync's and high tones' places,
    double measuredWeight_ = 0;         // and how many (aged)
    std::vector<float> xs_;             // the samples read in a block, their band's phase and
    std::vector<cfloat> us_;            // how much of each the range reads, and the sync's
    std::vector<float> ws_, syncWs_;
    std::vector<float> highXs_;         // the same of the high tones
    std::vector<cfloat> highUs_;
    std::vector<float> highWs_;
    float before_[kStep] = {};          // the frequencies of the last samples added
};

// The third harmonic c3 cos 3 phi an overdriven tone adds to the working audio, made from the
// tone's phase: at kUp times the working rate, where three times no tone folds (made at the working
// rate, three times the high tones would fold into the band, where the input's low-pass had taken
// them away), through that low-pass (our decimator's, or a resampler's), and back at the working
// rate. Real, it keeps its mirror (its negative frequencies), which the picture band's short
// filter lets in as it lets in the input's.
class HarmonicModel {
public:
    // `decimation` input samples per working sample through a low-pass to `cutoffHz`, `half`
    // working samples either side (decimation 1: the input came at the working rate); a rate of
    // 0 or less, a decimation under 1 or no low-pass for one is refused (std::invalid_argument)
    void configure(double rateHz, int decimation, double cutoffHz, int half);
    // Working samples read either side of an output.
    int reach() const { return interpHalf_ + lowHalf_; }
    // Outputs 0..n-1: c3 / c1 (`share`) times 2 level[i] cos 3 phi, from the tone's cos phi and
    // level read from -reach() to n - 1 + reach().
    void run(const float *cosine, const float *level, size_t n, float share, float *out);
    // The low-pass's gain at hz (the harmonic the meter read on the working audio went through it).
    double gain(double hz) const;

    static constexpr int kUp = 4;

private:
    double upHz_ = 4 * 11025.0;
    int interpHalf_ = 0, lowHalf_ = 0;
    std::vector<float> interp_, low_; // at kUp times the working rate, centred
    std::vector<float> up_;
};

} // namespace vareror::core::rx
