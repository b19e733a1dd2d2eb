#pragma once
// The receiver's front end: input audio at any rate in, working samples out. It fills a hard
// clip's flattened runs again (Declipper), decimates to the working rate, removes mains hum,
// carriers (notch, auto-notch) and noise (LMS), splits the signal into the picture band (an
// overdriven input's harmonic taken out of it) and the narrow decision band (VIS, FSK ID, syncs),
// and demodulates the picture band (Hilbert, PLL or zero crossings).

#include "auto_notch.h"
#include "declipper.h"
#include "dsp_filters.h"
#include "overdrive.h"
#include "signal.h"

#include <vector>

namespace vareror::core::rx {

// The picture band follows the SNR (dB in 3 kHz) measured on the picture's header: the broad band
// (every detail) from kCleanSnrDb, narrowing below it to the video tones alone at kWeakSnrDb. Fine
// detail needs the width, while every hertz of it lets in noise, and FM noise turns into clicks
// once the band's own SNR falls to a few dB; both ends measured on test cards in white noise (noise).
constexpr double kCleanSnrDb = 25, kWeakSnrDb = 3;
// dB: the narrow modes' tones swing over 256 Hz, not 800, and hold the others' noise at this much
// more SNR: their band and the filter across lines follow the SNR that far lower (noise).
constexpr double kNarrowSnrShiftDb = 10;

struct FrontEndSettings {
    int dspFilter = 1;      // 0 off, 1 broad, 2 sharp, 3 very sharp
    int demodulator = 2;    // 0 PLL, 1 zero-crossing, 2 Hilbert
    bool lmsSmoothing = false;
    int lms = 0;            // 0 off, 1 noise smoothing, 2 auto-notch fast, 3 auto-notch slow
    double notchHz = 0;     // 0: off
};

// What one call of FrontEnd::process made. Working samples are numbered from the start; each
// new sample i carries the picture band z (its phase advance from sample i - 1 is the
// instantaneous frequency) and the decision band zn, and completes the smoothed frequencies
// f and fn of sample i - 1 (0 for sample 0); zb holds the broad band's samples while it is
// read beside a narrowed picture band (readBroad), and is empty otherwise.
struct FrontEndBlock {
    int64_t first = 0;                // number of the first new sample
    std::vector<cfloat> z, zn, zb;
    std::vector<float> f, fn;         // of samples first - 1 ...
    std::vector<float> audio;         // the working-rate audio after notch and LMS, from which
                                      // the samples above were made (it leads them by delay())
    size_t size() const { return z.size(); }
};

// Where the tuning and spectrum displays read the front end: called once per block, on the
// thread that feeds the receiver.
class FrontEndTap {
public:
    virtual ~FrontEndTap() = default;
    virtual void frontEndBlock(const FrontEndBlock &block, const WorkingRate &rate) = 0;
};

class FrontEnd {
public:
    explicit FrontEnd(double inputRate);

    const WorkingRate &rate() const { return rate_; }
    const FrontEndSettings &settings() const { return set_; }
    // Filters are designed again (and their history cleared) when the band or LMS settings
    // change; the demodulator and the notch change without a restart.
    void configure(const FrontEndSettings &s);
    void setNotch(double hz);
    // The picture band for the coming picture, from its SNR (dB in 3 kHz); `narrowMode` keeps
    // the broad band lower for the narrow modes' tones; below kCleanSnrDb the band is moved
    // by `offsetHz`, the mistuning the AFC measured, widened for red/green/blue modes
    // (`rgbMode`) and, from 10 dB, for short pixels (`pixelMs`, a pixel's time; 0: not
    // known). DSP filter "off" keeps the broad band. `mirror`: the broad band's mirror image
    // may be taken out of a clean picture's band (see subtractMirror). `syncTone`: the picture
    // has line syncs at the VIS break's tone, by which an overdriven input's harmonic is measured
    // and taken out (see subtractHarmonic); without, an overdriven picture's band is narrowed.
    void setPictureBand(double snrDb, bool narrowMode, double offsetHz = 0, bool rgbMode = false, double pixelMs = 0,
                        bool mirror = true, bool syncTone = true);
    bool noisyBand() const { return noisy_; }
    // The picture band's noise figures (see dsp::AnalyticFilter); `broad`: the broad band's.
    double noiseBandwidthHz(bool broad = false) const { return (broad ? bp_ : picture()).noiseBandwidthHz(); }
    // The decision band's gain for a tone of `hz`.
    double decisionGain(double hz) const { return bpTone_.gain(hz, rate_.hz); }
    std::complex<double> noiseLag1(bool broad = false) const { return (broad ? bp_ : picture()).noiseLag1(); }
    // While the picture band is narrowed for noise, the broad band (DSP filter "broad") can be
    // read beside it: the fine detail the narrow band loses is still there, under more noise,
    // for a reading that averages that noise away down a column. Off again with the picture
    // band's next setting. For a red/green/blue mode both bands narrow for it: the picture
    // band below what it would be alone, the broad band to a margin over the picture band; for
    // luminance the broad band narrows so in strong noise only.
    void readBroad(bool on);
    bool broadRead() const { return broadRead_; }

    // Runs n input samples through; the block holds what they made until the next call.
    const FrontEndBlock &process(const float *in, size_t n);
    int64_t produced() const { return next_; }
    // Working samples the front end's output waits beyond what its bands need, for the
    // broad band's mirror to be taken out (see subtractMirror) and a clipped input's runs to be
    // filled (see Declipper): decisions taken at fixed places in the working samples see as far
    // as they would without either.
    int lookAhead() const { return lookAhead_; }
    // The input is overdriven (bent over, or clipped where no rail was left to find: clipped
    // and then resampled, or under noise), and the harmonic that adds to its picture band taken
    // out (see subtractHarmonic); decided afresh every kOverdriveEvery samples.
    bool overdriven() const { return overdriven_; }
    double distortion() const { return meter_.distortion(); }
    static constexpr int64_t kOverdriveEvery = 4096;
    // The picture has ended: until the next one's band is set, the broad band is read as it
    // is (a leader's SNR is measured on it, as before the mirror was taken out).
    void pictureEnded()
    {
        mirrorOff_ = true;
        autoNotch_.pictureGoing(false);
    }
    void setTap(FrontEndTap *tap) { tap_ = tap; }
    // Back to the state of a new front end with the same settings.
    void reset();

private:
    void configureFilters();
    // The operator's notch, off where the working rate does not reach it.
    void configureNotch();
    // A band configured (or retuned) as the working rate can carry it (see carried()).
    void configureBand(dsp::AnalyticFilter &band, double centreHz, double halfWidthHz, int taps) const;
    void retuneBand(dsp::AnalyticFilter &band, double centreHz, double halfWidthHz) const;
    void tuneNoisyBand();
    void pictureBand(const float *centre, size_t count, cfloat *out);
    void subtractMirror(const float *centre, size_t count, cfloat *out);
    void subtractHarmonic(const float *centre, size_t count, cfloat *out);
    void harmonicPasses(const dsp::AnalyticFilter &band, const std::vector<cfloat> &z, int reach, int passes,
                        float share, float mirror);
    void takeHarmonic(const dsp::AnalyticFilter &band, float share, float mirror);
    void levelCurrent();
    cfloat demodulate(cfloat a);
    void smoothedFrequency(const cfloat *z, size_t n, float *out) const;

    WorkingRate rate_;
    FrontEndSettings set_;
    Declipper declip_;            // first of all: a hard clip's flattened runs filled again
    std::vector<float> declipped_;
    dsp::Decimator dec_;
    dsp::HumCanceller hum_;
    dsp::Notch notch_;
    dsp::Lms lms_;
    dsp::AutoNotch autoNotch_;
    int autoNotchMode_ = -1;
    dsp::AnalyticFilter bp_;      // picture, broad
    dsp::AnalyticFilter bpTone_;  // decisions: narrow, for noise
    dsp::AnalyticFilter bpNoisy_; // picture below kCleanSnrDb: retuned to each picture's SNR
    HarmonicModel harmonicModel_;      // an overdriven input's harmonic as it came into the bands
    dsp::AnalyticFilter bpPhase_;      // where an overdriven tone's phase is read for its harmonic
                                       // while the pixels are short,
    dsp::AnalyticFilter bpUnder_;      // and under most of the harmonic while they are longer
    bool shortPixels_ = false;         // while the pixels are short (see subtractHarmonic)
    dsp::AnalyticFilter bpFolded_;     // picture from kCleanSnrDb while the input is overdriven at
                                       // the working rate, or no sync was read lately
    int dBp_ = 0, dTone_ = 0, dNoisy_ = 0;
    bool narrowTuned_ = false;    // the broad band is retuned for a narrow mode
    bool broadRead_ = false;      // bp_ is read beside bpNoisy_ (zb)
    bool broadRetuned_ = false;   // ... narrowed for a red/green/blue mode
    bool noisy_ = false;          // the picture band is bpNoisy_, tuned to this SNR and mistuning:
    double noisySnrDb_ = 99, noisyOffsetHz_ = 0;
    bool noisyRgb_ = false, noisyNarrow_ = false;
    double noisyPixelMs_ = 0;
    const dsp::AnalyticFilter &picture() const { return noisy_ ? bpNoisy_ : bp_; }
    // The bands are linear-phase filters of different lengths; each is evaluated centred on
    // the same instant, dMax_ samples back, on this history of the filtered working audio.
    std::vector<float> hist_;
    int dMax_ = 0, lookAhead_ = 0;
    // The broad band's mirror image, taken out of a clean picture's band
    static constexpr int kMirrorPasses = 2, kMirrorLevelHalf = 3;
    bool mirrorOff_ = true;       // until a clean picture's band is set
    // How overdriven the input is: while it is, a clean picture's band has the harmonic taken
    // out of it, by harmonic_ (the meter's measure on the sync), or where it was overdriven at the
    // working rate (folded_: the high tones' third harmonic reads more than kFoldedShare of the
    // sync's), or with no sync read (harmonic_ 0, or a picture without syncs at that tone) or
    // none that reads a clip's harmonic (kLeastHarmonic), is read through bpFolded_; the broad
    // band's mirror is left in (see pictureBand)
    OverdriveMeter meter_;
    bool overdriven_ = false, folded_ = false, syncTone_ = true;
    float harmonic_ = 0;
    static constexpr double kFoldedShare = 0.5;
    float mirrorShare_ = 0;       // how much of the mirror is taken out, by the picture's SNR
    std::vector<cfloat> z0_, zBroad_, cur_, hr_, hi_, zm_;
    std::vector<float> ur_, ui_, mag_, cos_, level_, harmonic3_;
    std::vector<cfloat> picture_, decision_; // the bands' outputs for the block
    std::vector<cfloat> zp_, zn_;            // ... after the two samples before the block
    int delay_ = 0;               // working samples from the decimator's output to a working sample
    int64_t steps_ = 0;           // decimator outputs so far
    int64_t next_ = 0;            // working samples so far
    cfloat z1_ = 0, z2_ = 0, zn1_ = 0, zn2_ = 0; // the last two of each band
    // demodulators
    double pllPhase_ = 0, pllFreq_ = 0;
    double zcLastRe_ = 0, zcLastCross_ = -1, zcFreq_ = 0, zcPhase_ = 0;
    int64_t zcCount_ = 0;
    FrontEndBlock out_;
    FrontEndTap *tap_ = nullptr;
};

} // namespace vareror::core::rx
