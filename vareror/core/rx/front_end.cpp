#include "front_end.h"

#include "modes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vareror::core::rx {

namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kWeakCentreHz = 1900, kWeakHalfWidthHz = 550;   // picture band of weak signals
constexpr double kNoisyTapsMs = 3.0;
constexpr double kBroadCentreHz = 2200, kBroadHalfWidthHz = 2400; // broad picture band
// The picture band of an input overdriven at the working rate (see OverdriveMeter), where every
// harmonic folds back into the band and none can be taken out as the third is (subtractHarmonic),
// or with no syncs to measure the third by (AVT 90, whose clean test card a few seconds in reads
// as overdriven, lost 0.9 dB with the harmonic taken out by its header's measure): up to the
// third harmonic of sync. Lower, the picture loses its own detail (a clean Martin 1
// test card through it: 35.7 dB up to 3200 Hz, 43.5 up to 3600, 45.9 through the broad band);
// higher, the harmonics of sync and black come in (Martin 1 clipped 8 times at 44.1 kHz: 36.4 dB
// up to 3600 Hz, 27.5 up to 3800, 25.6 through the broad band; sharper bands of 57 or 81 taps did
// no better).
constexpr double kFoldedTopHz = 3600, kFoldedBottomHz = -200;
// An overdriven input's third harmonic is taken out where the sync's measure reads it at least
// this strong against the fundamental, and against it (a clip or a bend lowers the tone's peaks:
// clipped 1.4 times, -0.13; a clean recording's start taken for overdriven reads 0.005 either
// way, and a clean Martin 1 tuned 100 Hz off up to 0.13): elsewhere the band is narrowed.
constexpr float kLeastHarmonic = 0.05f;
// A tone's phase is read for its harmonic through bpPhase_, from kPhaseLowHz to kPhaseHighHz
// (or near half the working rate), kPhaseTapsMs long, where a picture's pixels are shorter than
// kPhasePixelMs, and with kPhasePasses passes of the harmonic taken out of it: a short pixel's
// fast swings reach past the broad band, and u^3 made from the broad band's phase missed them.
// Robot 36 (0.28 ms pixels) clipped at 44.1 kHz, twice: 26.6 dB through the broad band, 27.1
// through this one; 8 times 24.5 and 25.2; bent over by tanh of 4 times and resampled 25.9 and
// 26.4. 161 taps did no better at 8 times; a band up to 4800 Hz gained a third as much. Martin 1
// (0.46 ms) lost 0.5 to 0.9 dB through it, and keeps the broad band.
constexpr double kPhaseLowHz = 100, kPhaseHighHz = 5400, kPhaseTapsMs = 7.3, kPhasePixelMs = 0.35;
constexpr int kPhasePasses = 3;
// Longer pixels' phase is read through bpUnder_, from kFoldedBottomHz to kUnderTopHz, as long as
// the broad band, with kUnderPasses passes of the harmonic taken out of it, and then
// kUnderBroadPasses through the broad band. The broad band takes in the third harmonic of sync
// and black (3600 to 4600 Hz), and the phase it reads, with a harmonic made from that phase
// taken out, settles where its own error's harmonic holds it; under 3800 Hz little of the
// harmonic comes in, and the broad pass after puts back the sidebands above it. Martin 1 clipped twice at 44.1 kHz and
// resampled: 42.3 dB with six passes through the broad band, 43.4 so (bent over by tanh of 4 times
// 41.5 and 43.6, clipped 8 times 36.6 and 38.2; Scottie 1 42.2 and 43.1, 42.3 and 43.5, 36.0 and
// 37.7). Up to 3600 Hz 43.3 and 43.2, up to 4000 43.2 and 43.6; two passes 43.1 and 43.0, four
// 43.2 and 43.4; two broad passes after 42.9 and 43.2, none 43.1 and 42.8. The mirror and the
// tone's real part are taken whole there (see kMirrorWholeHarmonic, kRealWholeHarmonic): with
// their ramps, bent over 43.0 and 43.4, clipped 8 times 37.4 and 38.1.
constexpr double kUnderTopHz = 3800;
constexpr int kUnderPasses = 3, kUnderBroadPasses = 1;
// While the tone is read (the passes) and in the picture band, the band's mirror (see
// subtractMirror) is taken out with the harmonic. Short pixels' is taken whole where the sync's
// third harmonic reads kMirrorWholeHarmonic or less against the fundamental, none from
// kMirrorGoneHarmonic on: a harder clip's higher harmonics, left in the band their phase is read
// through, spoil the tone's mirror. Robot 36 clipped twice at 44.1 kHz (0.23) 27.0 dB without,
// 27.9 with; bent over by tanh of 4 times and resampled (0.27) 26.4 and 26.9; clipped 8 times
// (0.33) and resampled it lost 0.4 with it. (Longer pixels' phase is read under the harmonics, and
// their mirror is taken whole: see kUnderTopHz.)
constexpr float kMirrorWholeHarmonic = 0.28f, kMirrorGoneHarmonic = 0.31f;
// The broad band's harmonic is made from the tone's real part near its zero crossings (see
// takeHarmonic), for short pixels wholly up to kRealWholeHarmonic, not from kRealGoneHarmonic on,
// and in their last pass only: Robot 36 clipped twice (0.23) 27.9 and 28.1 dB without and with,
// resampled 28.1 and 28.3, bent over by tanh (0.27) 26.9 and 27.0; through bpPhase_ it lost 0.4
// bent over. Longer pixels' is made so wholly, in every pass (see kUnderTopHz).
constexpr float kRealWholeHarmonic = 0.26f, kRealGoneHarmonic = 0.29f;
// A band's output this small (against a full-scale tone's 0.5) is silence: it has no phase.
constexpr float kSilentLevel = 1e-12f;

// The half width (Hz) of the picture band below kCleanSnrDb, measured on test cards in white
// noise as the width at which the picture comes out best: from the video tones alone (550 Hz
// either side of 1900) at kWeakSnrDb to 1800 Hz at 20 dB, and on to the broad band. The
// red/green/blue modes gain from a wider band at 5 to 10 dB, where every scan carries full
// detail; the luminance/colour-difference modes lose there (their short colour scans click
// sooner). Below kRgbRejoinSnrDb their band is narrower than that line, kRgb5HalfWidthHz at
// 5 dB: a photo, with little fine detail, loses about 1 dB at 5 dB for each 100 Hz past 900
// and came out worse there than at 3 dB, while the test card's gratings want 1000 Hz; at 900
// the card keeps half a dB over its target. By kRgbRejoinSnrDb the band is back on the line
// (pictures hit by clicks, read at 7 to 9 dB, lose with a narrower band there). At 20 dB the
// detail to keep follows the pixel rate: a mode's band there is scaled by kRefPixelMs over
// its pixel time (`pixelMs`, 0: not scaled), from the 10 dB width up to
// kFastHalfWidthHz (PD90's long pixels get about 1350 Hz, PD120's and P3's short ones 2200).
// At 10 dB a red/green/blue mode's band widens the same way for pixels shorter than Martin
// 1's (kRgb10RefPixelMs), but only up to kFastRgb10HalfWidthHz: Scottie 1 is best near
// 1325 Hz, while the modes with still shorter pixels (Scottie 2, Martin 2, P3) gain nothing
// from more and P3 loses past it.
// All that holds for a red/green/blue mode's band read alone (the DSP filters other than
// "broad"). Where its scans are also read through the broad band (FrontEnd::readBroad: the
// fine columns come from there), the band is narrower still from 5 to 20 dB, the third line:
// a photo comes out the better the narrower it is, and the test card's gratings come back
// from the broad reading (Martin 1 at 5 dB: photo 25.4 -> 27.5, card 19.2 -> 21.8).
constexpr double kRefPixelMs = 0.4, kFastHalfWidthHz = 2200;
constexpr double kRgb10RefPixelMs = 0.46, kFastRgb10HalfWidthHz = 1325;
constexpr double kRgb5HalfWidthHz = 900, kRgbRejoinSnrDb = 7.5;
double noisyHalfWidthHz(double snrDb, bool rgb, double pixelMs, bool columns)
{
    static constexpr double snr[] = {kWeakSnrDb, 5, 10, 20, kCleanSnrDb};
    static constexpr double half[3][5] = {{kWeakHalfWidthHz, 707, 1100, 1800, kBroadHalfWidthHz},
                                          {kWeakHalfWidthHz, 1000, 1250, 1800, kBroadHalfWidthHz},
                                          {kWeakHalfWidthHz, 700, 850, 1800, kBroadHalfWidthHz}};
    double h[5];
    const int row = rgb ? (columns ? 2 : 1) : 0;
    std::copy(half[row], half[row] + 5, h);
    // (the 20 dB width is at least the 10 dB one of the band read alone: on the narrower line's,
    // the long pixels' photos fell from 20 to 22 dB)
    double alone10 = half[rgb ? 1 : 0][2];
    if (rgb && pixelMs > 0) {
        h[2] = std::clamp(h[2] * kRgb10RefPixelMs / pixelMs, h[2], kFastRgb10HalfWidthHz);
        alone10 = std::clamp(alone10 * kRgb10RefPixelMs / pixelMs, alone10, kFastRgb10HalfWidthHz);
    }
    if (pixelMs > 0) h[3] = std::clamp(h[3] * kRefPixelMs / pixelMs, alone10, kFastHalfWidthHz);
    if (snrDb <= snr[0]) return h[0];
    if (rgb && !columns && snrDb < kRgbRejoinSnrDb) {
        if (snrDb < snr[1]) return h[0] + (kRgb5HalfWidthHz - h[0]) * (snrDb - snr[0]) / (snr[1] - snr[0]);
        const double rejoin = h[1] + (h[2] - h[1]) * (kRgbRejoinSnrDb - snr[1]) / (snr[2] - snr[1]);
        return kRgb5HalfWidthHz + (rejoin - kRgb5HalfWidthHz) * (snrDb - snr[1]) / (kRgbRejoinSnrDb - snr[1]);
    }
    for (int i = 1; i < 5; ++i)
        if (snrDb < snr[i]) return h[i - 1] + (h[i] - h[i - 1]) * (snrDb - snr[i - 1]) / (snr[i] - snr[i - 1]);
    return h[4];
}

// The broad band read beside a red/green/blue mode's picture band is that band widened by
// kRgbColumnMarginHz up to 10 dB, and by kRgbColumnMargin20Hz at 20 dB (between the two,
// on the line): wider than that, its noise hides the columns; narrower, the finest gratings
// are gone from it too. Pixels longer than Martin 1's (kRgb10RefPixelMs) need less: the
// margin shrinks with the pixel rate (Scottie DX and SC2-180 lost up to 0.6 dB on the test
// card at 0 to 4 dB with the full one).
constexpr double kRgbColumnMarginHz = 700, kRgbColumnMargin20Hz = 400;

// The broad band read beside a luminance/colour-difference mode's picture band (short pixels:
// Robot 36, PD120) is whole from kLumaBroadWholeSnrDb; below kLumaBroadNarrowSnrDb it is the
// red/green/blue modes' (their columns' band widened by kRgbColumnMarginHz), and between the
// two it widens on a line. Whole, its noise hid the columns of the 3-4 pixel gratings from
// their pulse-pair sums up to about 5 dB, though the sums carry them: taken where the
// gratings are, another sender's Robot 36 card at 0 dB came out at 14.9 dB, not 13.5.
// Another sender's card / ours (seeds 1-3), at 0 / 3 / 5 dB: Robot 36 13.5 / 15.0 / 16.9 ->
// 14.5 / 15.9 / 17.0 and 15.2 / 15.8 / 17.0 -> 15.6 / 16.1 / 17.0, PD120 13.8 / 14.3 / 15.4 ->
// 14.4 / 15.4 / 16.4 and 13.8 / 14.1 / 14.8 -> 14.2 / 15.2 / 15.8; the photos and 10 dB up
// unchanged. (Narrowed up to 5 dB and whole from there, Robot 36 fell 0.2 dB at 5 dB.)
constexpr double kLumaBroadNarrowSnrDb = 4, kLumaBroadWholeSnrDb = 8;

// The narrow modes' tones (black 2044 to white 2300 Hz) lie this much above the others':
// their noisy band is moved up with them (centred on the others', the weak band's upper
// edge cut into white, and below 6 dB their pictures came out at 4 to 8 dB).
constexpr double kNarrowShiftHz = (kNarrowBlackHz + kNarrowWhiteHz - kBlackHz - kWhiteHz) / 2;

// Past its 20 dB width (kNarrowSnrShiftDb lower, so from 30 dB of the leader's SNR) a narrow
// mode's noisy band widens at kNarrowWidenShare of the others' pace, up to where the clean band
// takes over: their pixels hold no detail the wider band adds, only its noise (at the full
// pace MP110-N's photo fell from 33.4 to 32.5 dB from 30 to 33 dB, card 31.6 to 31.3; held at
// the 20 dB width it gained 2 dB at 34 and then fell as much onto the clean band at 35).
constexpr double kNarrowWidenFromSnrDb = 20, kNarrowWidenShare = 0.4;

// The broad band's mirror image (see FrontEnd::subtractMirror) is taken out of a clean
// picture's band from kMirrorFromSnrDb of the leader's SNR, by a share that grows to
// kMirrorMostShare of it at kMirrorWholeSnrDb. Taken out from 25 dB, the cards gained there as
// well, but the photos lost 0.1-0.2 dB at 25-30 dB and PD90's card 0.4 at 30 (seeds 1-3).
// Taken out whole, clean test cards gain about 3.5 dB (Martin 1 44.1 -> 47.6, P5 33.3 ->
// 36.9), but a clean signal through a 300-2700 Hz filter loses 0.3 dB (Martin 1 23.2 ->
// 22.9), in proportion to the share: with 0.3 of it, 0.1, and clean cards gain about 1.1 dB.
// (Outside recordings clipped 3 dB lost 0.4-0.7 dB with 0.3 of it: an overdriven input keeps its
// mirror, see OverdriveMeter.)
constexpr double kMirrorFromSnrDb = 30, kMirrorWholeSnrDb = 40, kMirrorMostShare = 0.3;

// A band of half width `half` below the broad one widens upwards from the video tones,
// towards the broad band's centre.
double noisyCentreHz(double half)
{
    return kWeakCentreHz + (kBroadCentreHz - kWeakCentreHz) * (half - kWeakHalfWidthHz) / (kBroadHalfWidthHz - kWeakHalfWidthHz);
}
} // namespace

FrontEnd::FrontEnd(double inputRate) : rate_(inputRate)
{
    declip_.configure(rate_.input, rate_.decimation);
    dec_.configure(rate_.decimation, rate_.input);
    hum_.configure(rate_.hz);
    configureFilters();
}

void FrontEnd::reset()
{
    declip_.reset();
    dec_.reset();
    hum_.reset();
    notch_.reset();
    lms_.reset();
    autoNotch_.reset();
    hist_.assign(size_t(2 * dMax_), 0.0f);
    steps_ = next_ = 0;
    z1_ = z2_ = zn1_ = zn2_ = 0;
    pllPhase_ = pllFreq_ = 0;
    zcLastRe_ = zcFreq_ = zcPhase_ = 0;
    zcLastCross_ = -1;
    zcCount_ = 0;
    meter_.reset();
    overdriven_ = folded_ = false;
    harmonic_ = 0;
}

void FrontEnd::configure(const FrontEndSettings &s)
{
    const bool filters = s.dspFilter != set_.dspFilter || s.lmsSmoothing != set_.lmsSmoothing || s.lms != set_.lms;
    const bool notch = s.notchHz != set_.notchHz;
    set_ = s;
    if (filters) configureFilters();
    else if (notch) notch_.configure(set_.notchHz, rate_.hz);
}

void FrontEnd::setNotch(double hz)
{
    set_.notchHz = hz > 0 ? hz : 0;
    notch_.configure(set_.notchHz, rate_.hz);
}

void FrontEnd::configureFilters()
{
    // Band-pass of the analytic signal, centred on 1750 Hz (VIS 1100 Hz .. white 2300 Hz).
    // The FM spectrum of fine picture detail reaches well beyond the tone range, so the
    // broad filter passes nearly everything the analytic signal allows: -200..4600 Hz, for
    // the upper sidebands of the fastest pixel changes (the lower ones fold over 0 Hz and
    // are lost anyway); the narrow modes' pictures get 1750 +- 2200 Hz instead (see
    // setPictureBand). The sharper ones trade detail for noise rejection.
    double half = 2200, lenMs = 2.5;
    switch (set_.dspFilter) {
    case 0: half = 2600; lenMs = 2.0; break;  // only what the analytic signal needs
    case 1: half = kBroadHalfWidthHz; lenMs = 2.5; break;  // keeps the fastest pixel changes
    case 2: half = 1300; lenMs = 3.0; break;
    default: half = 900; lenMs = 4.5; break;  // 850..2650 Hz: for weak signals
    }
    const double perMs = rate_.perMs, rateHz = rate_.hz;
    const int taps = int(std::lround(lenMs * perMs)) | 1;
    bp_.configure(set_.dspFilter == 1 ? kBroadCentreHz : 1750, half, taps, rateHz);
    narrowTuned_ = broadRetuned_ = false;
    // The decisions (VIS, FSK ID, syncs) need no picture detail, so they get a narrower
    // band, 850..2350 Hz, whatever the picture filter: they keep working in noise.
    bpTone_.configure(1600, 750, int(std::lround(3.0 * perMs)) | 1, rateHz);
    dBp_ = bp_.delay();
    dTone_ = bpTone_.delay();
    bpNoisy_.configure(kWeakCentreHz, kWeakHalfWidthHz, int(std::lround(kNoisyTapsMs * perMs)) | 1, rateHz);
    dNoisy_ = bpNoisy_.delay();
    // (the broad band's mirror is taken out with kMirrorPasses more passes of it, each
    // reading further ahead: all bands wait for them)
    const int mirrorLook = set_.dspFilter == 1 ? kMirrorPasses * (dBp_ + kMirrorLevelHalf) : 0;
    // (and an overdriven input's harmonic with passes through the harmonic's model, the last
    // through the broad band, the others through bpPhase_, or bpUnder_ and then the broad band)
    const double phaseHigh = std::min(kPhaseHighHz, 0.49 * rateHz);
    bpPhase_.configure((kPhaseLowHz + phaseHigh) / 2, (phaseHigh - kPhaseLowHz) / 2,
                       int(std::lround(kPhaseTapsMs * perMs)) | 1, rateHz);
    bpUnder_.configure((kUnderTopHz + kFoldedBottomHz) / 2, (kUnderTopHz - kFoldedBottomHz) / 2, taps, rateHz);
    harmonicModel_.configure(rateHz, rate_.decimation, dec_.cutoffHz(), dec_.delay());
    const int model = harmonicModel_.reach() + kMirrorLevelHalf, lastPass = dBp_ + model;
    const int phaseLook = bpPhase_.delay() + lastPass + kPhasePasses * (bpPhase_.delay() + model);
    const int underLook = bpUnder_.delay() + (1 + kUnderBroadPasses) * lastPass + kUnderPasses * (bpUnder_.delay() + model);
    const int harmonicLook = set_.dspFilter == 1 ? std::max(phaseLook, underLook) - dBp_ : 0;
    dMax_ = std::max({dBp_ + mirrorLook, dBp_ + harmonicLook, dTone_, dNoisy_});
    lookAhead_ = dMax_ - std::max({dBp_, dTone_, dNoisy_}) + declip_.delay() / rate_.decimation;
    bpFolded_.configure((kFoldedTopHz + kFoldedBottomHz) / 2, (kFoldedTopHz - kFoldedBottomHz) / 2, taps, rateHz);
    delay_ = declip_.delay() / rate_.decimation + dec_.delay() + dMax_;
    hist_.assign(size_t(2 * dMax_), 0.0f); // the bands start again from silence
    if (noisy_) tuneNoisyBand();
    notch_.configure(set_.notchHz, rateHz);
    // Noise smoothing is an LMS predictor; the auto-notches find a steady carrier and
    // notch it, the fast one after 2 s, the slow one after 6 s.
    const dsp::Lms::Kind k =
        (set_.lms == 1 || (set_.lmsSmoothing && set_.lms < 2)) ? dsp::Lms::Smoothing : dsp::Lms::Off;
    if (k != lms_.kind()) lms_.configure(k, rateHz);
    const double hold = set_.lms == 2 ? 2.0 : 6.0;
    if (set_.lms != autoNotchMode_) {
        autoNotch_.configure(set_.lms >= 2, hold, rateHz);
        autoNotchMode_ = set_.lms;
    }
}

void FrontEnd::setPictureBand(double snrDb, bool narrowMode, double offsetHz, bool rgbMode, double pixelMs, bool mirror,
                              bool syncTone)
{
    syncTone_ = syncTone;
    shortPixels_ = pixelMs > 0 && pixelMs < kPhasePixelMs;
    noisyRgb_ = rgbMode;
    noisyNarrow_ = narrowMode;
    noisyPixelMs_ = pixelMs;
    noisyOffsetHz_ = offsetHz;
    // (a narrow mode's picture swings its tone a third as far: its band is that of a picture
    // kNarrowSnrShiftDb weaker)
    if (narrowMode) snrDb -= kNarrowSnrShiftDb;
    noisy_ = snrDb < kCleanSnrDb && set_.dspFilter != 0;
    mirrorShare_ = float(kMirrorMostShare * std::clamp((snrDb - kMirrorFromSnrDb) / (kMirrorWholeSnrDb - kMirrorFromSnrDb), 0.0, 1.0));
    mirrorOff_ = noisy_ || mirrorShare_ <= 0 || !mirror;
    broadRead_ = false;
    if (broadRetuned_) {
        broadRetuned_ = false;
        bp_.retune(narrowTuned_ ? 1750 : kBroadCentreHz, narrowTuned_ ? 2200 : kBroadHalfWidthHz, rate_.hz);
    }
    noisySnrDb_ = snrDb;
    if (noisy_) tuneNoisyBand();
    if (set_.dspFilter == 1 && narrowMode != narrowTuned_) {
        // narrow modes' tones (1900..2300 Hz, 256 Hz deviation) keep the band centred lower
        narrowTuned_ = narrowMode;
        if (narrowMode) bp_.retune(1750, 2200, rate_.hz);
        else bp_.retune(kBroadCentreHz, kBroadHalfWidthHz, rate_.hz);
    }
}

void FrontEnd::tuneNoisyBand()
{
    // (following the tones where the tuning has moved them)
    double half = noisyHalfWidthHz(noisySnrDb_, noisyRgb_, noisyPixelMs_, broadRead_);
    if (noisyNarrow_ && noisySnrDb_ > kNarrowWidenFromSnrDb) {
        const double from = noisyHalfWidthHz(kNarrowWidenFromSnrDb, noisyRgb_, noisyPixelMs_, broadRead_);
        half = from + (half - from) * kNarrowWidenShare;
    }
    bpNoisy_.retune(noisyCentreHz(half) + noisyOffsetHz_ + (noisyNarrow_ ? kNarrowShiftHz : 0.0), half, rate_.hz);
}

void FrontEnd::readBroad(bool on)
{
    broadRead_ = on && noisy_ && set_.dspFilter == 1;
    if (!broadRead_) return;
    if (!noisyRgb_) {
        // luminance: the broad band whole from kLumaBroadWholeSnrDb, narrowed below it
        const double t = std::clamp((noisySnrDb_ - kLumaBroadNarrowSnrDb) / (kLumaBroadWholeSnrDb - kLumaBroadNarrowSnrDb), 0.0, 1.0);
        if (t >= 1) return;
        const double narrow = noisyHalfWidthHz(noisySnrDb_, true, noisyPixelMs_, true) + kRgbColumnMarginHz;
        const double half = std::min(kBroadHalfWidthHz, narrow + t * (kBroadHalfWidthHz - narrow));
        bp_.retune(noisyCentreHz(half) + noisyOffsetHz_, half, rate_.hz);
        broadRetuned_ = true;
        return;
    }
    // red, green and blue: the picture band narrower, and the broad band only so much wider
    tuneNoisyBand();
    double margin = kRgbColumnMarginHz + (kRgbColumnMargin20Hz - kRgbColumnMarginHz) * std::clamp((noisySnrDb_ - 10) / 10, 0.0, 1.0);
    if (noisyPixelMs_ > kRgb10RefPixelMs) margin *= kRgb10RefPixelMs / noisyPixelMs_;
    const double half = std::min(kBroadHalfWidthHz, noisyHalfWidthHz(noisySnrDb_, true, noisyPixelMs_, true) + margin);
    bp_.retune(noisyCentreHz(half) + noisyOffsetHz_, half, rate_.hz);
    broadRetuned_ = true;
}

const FrontEndBlock &FrontEnd::process(const float *in, size_t n)
{
    out_.first = next_;
    out_.z.clear();
    out_.zn.clear();
    out_.zb.clear();
    out_.f.clear();
    out_.fn.clear();
    out_.audio.clear();
    declipped_.clear();
    declip_.run(in, n, declipped_);
    dec_.run(declipped_.data(), n, out_.audio);
    float *x = out_.audio.data();
    const size_t m = out_.audio.size();
    hum_.run(x, m);
    notch_.run(x, m);
    autoNotch_.run(x, m);
    lms_.run(x, m);
    // The first delay_ decimator outputs come before the first working sample; each later
    // one completes the bands at the instant dMax_ samples before it.
    const size_t h0 = hist_.size();
    hist_.insert(hist_.end(), x, x + m);
    const size_t j0 = size_t(std::clamp<int64_t>(delay_ - steps_, 0, int64_t(m)));
    const size_t count = m - j0;
    steps_ += int64_t(m);
    if (count > 0) {
        const float *centre = hist_.data() + h0 + j0 - size_t(dMax_);
        decision_.resize(count);
        picture_.resize(count);
        bpTone_.run(centre, count, decision_.data());
        // (the picture band follows the input's overdrive from fixed places on, so that blocks of
        // any size give the same samples)
        zn_.resize(count + 2);
        zn_[0] = zn2_;
        zn_[1] = zn1_;
        std::copy(decision_.begin(), decision_.end(), zn_.begin() + 2);
        out_.fn.resize(count);
        smoothedFrequency(zn_.data(), count, out_.fn.data());
        for (size_t a = 0; a < count;) {
            const int64_t at = next_ + int64_t(a);
            if (at % kOverdriveEvery == 0) {
                overdriven_ = overdriven_ ? meter_.distortion(false) >= OverdriveMeter::kNoLonger
                                          : meter_.distortion() >= OverdriveMeter::kOverdriven;
                harmonic_ = overdriven_ ? float(meter_.syncHarmonic()) : 0.0f;
                // (the third harmonic of the high tones lies above half the working rate: it is there
                // only where the input was clipped at the working rate; clipped higher, a
                // converter's or resampler's low-pass took it away, and it reads 0.01 or less)
                folded_ = overdriven_ && std::fabs(meter_.foldedHarmonic()) > kFoldedShare * std::fabs(harmonic_);
            }
            const size_t b = std::min(count, a + size_t(kOverdriveEvery - at % kOverdriveEvery));
            pictureBand(centre + a, b - a, picture_.data() + a);
            meter_.age(b - a, rate_.hz);
            meter_.add(centre + a, decision_.data() + a, out_.fn.data() + a, b - a, at);
            a = b;
        }
        if (broadRead_) {
            out_.zb.resize(count);
            bp_.run(centre, count, out_.zb.data());
        }
        // the demodulated picture band, after the last two samples of the block before
        zp_.resize(count + 2);
        zp_[0] = z2_;
        zp_[1] = z1_;
        for (size_t j = 0; j < count; ++j) zp_[j + 2] = demodulate(picture_[j]);
        z2_ = zp_[count];
        z1_ = zp_[count + 1];
        zn2_ = zn_[count];
        zn1_ = zn_[count + 1];
        out_.z.assign(zp_.begin() + 2, zp_.end());
        out_.zn.assign(decision_.begin(), decision_.end());
        out_.f.resize(count);
        smoothedFrequency(zp_.data(), count, out_.f.data());
        // (the first two samples have no frequency yet)
        for (int64_t i = out_.first; i < 2 && i < out_.first + int64_t(count); ++i)
            out_.f[size_t(i - out_.first)] = out_.fn[size_t(i - out_.first)] = 0;
        next_ += int64_t(count);
    }
    hist_.erase(hist_.begin(), hist_.end() - 2 * dMax_);
    if (tap_) tap_->frontEndBlock(out_, rate_);
    return out_;
}

void FrontEnd::pictureBand(const float *centre, size_t count, cfloat *out)
{
    // (an overdriven tone's mirror is not an FM tone's: it is taken out, if at all, with its
    // harmonic)
    if (overdriven_ && !noisy_ && set_.dspFilter == 1) {
        if (folded_ || harmonic_ > -kLeastHarmonic || !syncTone_) bpFolded_.run(centre, count, out);
        else subtractHarmonic(centre, count, out);
    }
    else if (!overdriven_ && !mirrorOff_ && set_.dspFilter == 1) subtractMirror(centre, count, out);
    else picture().run(centre, count, out);
}

void FrontEnd::subtractMirror(const float *centre, size_t count, cfloat *out)
{
    // The band's output z is the filter h applied to the real signal, (w + conj(w)) / 2 for
    // the analytic signal w: z = h * w / 2 + h * conj(w) / 2. The second term, the mirror,
    // is what passes of conj(w) (negative frequencies) through the band's soft lower edge,
    // and of w's own components below 0 Hz folded back onto the positive side: it makes a
    // pixel's reading err with twice the carrier's phase. With u an estimate of w / 2, the
    // mirror is h * conj(u): subtracted from z, the estimate is better, and a second pass
    // better still. u is z brought to the signal's level (its magnitude averaged over
    // 2 kMirrorLevelHalf + 1 samples): an FM signal's level is steady, and the steady level
    // brings back the sidebands the band cut off, that z alone would lack in the mirror.
    // Every pass reads dBp_ + kMirrorLevelHalf samples further on either side; each output
    // depends only on the signal around it, so blocks of any size give the same samples.
    const float share = mirrorShare_;
    const int d = dBp_, half = kMirrorLevelHalf, reach = d + half;
    const size_t n0 = count + size_t(2 * kMirrorPasses * reach);
    z0_.resize(n0);
    bp_.run(centre - kMirrorPasses * reach, n0, z0_.data());
    cur_.assign(z0_.begin(), z0_.end());
    for (int pass = 1; pass <= kMirrorPasses; ++pass) {
        // cur_ covers the block's instants from -(kMirrorPasses - pass + 1) reach on
        const size_t n = cur_.size();
        levelCurrent();
        // h * conj(u) = h * Re u - j h * Im u, the band being linear
        const size_t m = n - size_t(2 * reach);
        hr_.resize(m);
        hi_.resize(m);
        bp_.run(ur_.data() + d, m, hr_.data());
        bp_.run(ui_.data() + d, m, hi_.data());
        const size_t off = size_t(pass * reach);
        cur_.resize(m);
        for (size_t i = 0; i < m; ++i)
            cur_[i] = z0_[off + i] - cfloat(hr_[i].real() + hi_[i].imag(), hr_[i].imag() - hi_[i].real());
    }
    const size_t off = size_t(kMirrorPasses * reach);
    for (size_t i = 0; i < count; ++i) out[i] = z0_[off + i] + share * (cur_[i] - z0_[off + i]);
}

// u (ur_, ui_): cur_ brought to the signal's level, its magnitude averaged over
// 2 kMirrorLevelHalf + 1 samples, from cur_'s sample kMirrorLevelHalf on.
void FrontEnd::levelCurrent()
{
    constexpr int half = kMirrorLevelHalf;
    const size_t n = cur_.size(), nu = n - size_t(2 * half);
    mag_.resize(n);
    for (size_t i = 0; i < n; ++i) mag_[i] = std::sqrt(std::norm(cur_[i]));
    ur_.resize(nu);
    ui_.resize(nu);
    for (size_t i = 0; i < nu; ++i) {
        float level = 0;
        for (int j = 0; j <= 2 * half; ++j) level += mag_[i + size_t(j)];
        const float m = mag_[i + size_t(half)];
        const float g = m > 0 ? level / float(2 * half + 1) / m : 0.0f;
        ur_[i] = cur_[i + size_t(half)].real() * g;
        ui_[i] = cur_[i + size_t(half)].imag() * g;
    }
}

void FrontEnd::subtractHarmonic(const float *centre, size_t count, cfloat *out)
{
    // An overdriven tone x = g(cos phi) is a sum of odd harmonics of its phase. Through the
    // converter's or resampler's low-pass, and our decimator, the third still reaches the broad
    // band wherever three times the tone lies below about 4.6 kHz (sync, black and the dark greys,
    // and every fast swing's sidebands), c3 cos 3 phi against the fundamental's c1 cos phi. With u
    // the band's output at the signal's level, an estimate of c1 e^(j phi) / 2, the harmonic is
    // made from u's phase (harmonicModel_), c3 / c1 being what the meter read on the sync's tone
    // (through the low-pass's gain at its third harmonic), and taken through the band. Subtracted
    // from the band, the estimate is better, and each pass better still (the first reads u off
    // the band with the harmonic in it): the test card clipped twice at 44.1 kHz, Robot 36 25.9 dB
    // after one pass through the broad band, 26.4 after two and 26.6 after four, no more after
    // five; Martin 1 38.9, 40.2, 40.4 (with the harmonic made and the mirror taken out as below,
    // 41.9 after four, 42.1 after seven; no more after nine). Narrowing the picture band under the
    // harmonics instead cost clean detail: through -200..3600 Hz Robot 36's clean test card lost
    // 4.5 dB, and clipped twice it came out at 24.2 dB (Martin 1 38.5). The harmonic reaches into
    // the band as far as a resampler or the decimator let it: taken out as if it passed the
    // decimator whole, it left Martin 1 at 37.5 dB after two passes. Made as c3 e^(3 j phi) / 2 at
    // the working rate, without its mirror and with the high tones' folded, it left Martin 1 at
    // 40.4 dB, 40.6 made as here; Robot 36 clipped 8 times 25.2 and 25.3. u is read through
    // bpPhase_ for short pixels (see kPhasePixelMs), through bpUnder_ and then once through the
    // broad band for longer ones (see kUnderTopHz), and the last pass reads it through the broad
    // band; the band's mirror is taken out with the harmonic (see kMirrorWholeHarmonic). Each pass
    // reads the model's reach, its band's delay and kMirrorLevelHalf further on either side; each
    // output depends only on the signal around it, so blocks of any size give the same samples.
    // What limits it is u's phase, not the model or the share: fed the clean tone's own cos phi,
    // the model with the meter's share gives Martin 1 clipped twice and resampled 44.7 dB (bent
    // over by tanh 45.0), against 42.3 (41.5) with u read through the broad band alone, where its
    // cos phi errs by -38 dB of the tone, most where the tone steps, against -43 for the clean card
    // through the same passes. Relaxing those passes, reading cos phi off the audio less the
    // harmonic, the sidebands put back from u's steady level, or u read through bpPhase_ all did
    // worse than reading it under the harmonic.
    const dsp::AnalyticFilter &band = shortPixels_ ? bpPhase_ : bpUnder_;
    const int passes = shortPixels_ ? kPhasePasses : kUnderPasses;
    const int broadPasses = shortPixels_ ? 0 : kUnderBroadPasses;
    const int model = harmonicModel_.reach() + kMirrorLevelHalf;
    const int last = dBp_ + model, reach = band.delay() + model;
    // (the sync is at the VIS break's tone)
    const float share = harmonic_ / float(harmonicModel_.gain(3 * kBreakHz));
    const float mirror = shortPixels_ ? std::clamp((kMirrorGoneHarmonic - std::fabs(harmonic_)) /
                                                       (kMirrorGoneHarmonic - kMirrorWholeHarmonic),
                                                   0.0f, 1.0f)
                                      : 1.0f;
    const int outer = last + passes * reach + broadPasses * last;
    const size_t n0 = count + size_t(2 * outer);
    z0_.resize(n0);
    band.run(centre - outer, n0, z0_.data());
    cur_.assign(z0_.begin(), z0_.end());
    harmonicPasses(band, z0_, reach, passes, share, mirror);
    // (cur_ covers the block and last + broadPasses * last either side)
    const int broadOuter = last + broadPasses * last;
    if (broadPasses > 0) {
        zBroad_.resize(cur_.size());
        bp_.run(centre - broadOuter, zBroad_.size(), zBroad_.data());
        harmonicPasses(bp_, zBroad_, last, broadPasses, share, mirror);
    }
    // (cur_ now covers the block and `last` either side)
    levelCurrent();
    takeHarmonic(bp_, share, mirror);
    // (the broad band over the block, if it was read for the passes)
    if (broadPasses > 0) std::copy(zBroad_.begin() + broadOuter, zBroad_.begin() + broadOuter + long(count), out);
    else bp_.run(centre, count, out);
    for (size_t i = 0; i < count; ++i) out[i] -= hr_[i];
}

// `passes` passes of the harmonic of cur_'s tone taken out of z, `band`'s output at cur_'s
// instants, into cur_: each through `band`, and `reach` samples shorter on either side.
void FrontEnd::harmonicPasses(const dsp::AnalyticFilter &band, const std::vector<cfloat> &z, int reach, int passes,
                              float share, float mirror)
{
    for (int pass = 1; pass <= passes; ++pass) {
        levelCurrent();
        takeHarmonic(band, share, mirror);
        const size_t off = size_t(pass * reach);
        cur_.resize(hr_.size());
        for (size_t i = 0; i < cur_.size(); ++i) cur_[i] = z[off + i] - hr_[i];
    }
}

// What `band` took in of the harmonic of the tone u (ur_, ui_; see levelCurrent), and `mirror`
// times its mirror of u, into hr_: ur_.size() - 2 (harmonicModel_.reach() + band.delay()) of them,
// from that far in.
void FrontEnd::takeHarmonic(const dsp::AnalyticFilter &band, float share, float mirror)
{
    const size_t n = ur_.size();
    cos_.resize(n);
    level_.resize(n);
    // (through its unit phasor: in silence u has no phase) cos phi is u's real part against its
    // level, or its phase's cosine: the first errs with the level, most at the peaks, the second
    // with the phase, most at the zero crossings, where the tone's analytic signal, band-limited,
    // does not follow its phase; they are weighed by `real` times the squared sine and cosine
    // (see kRealWholeHarmonic for when)
    const float real = !shortPixels_ ? 1.0f
                       : &band != &bp_
                           ? 0.0f
                           : std::clamp((kRealGoneHarmonic - std::fabs(harmonic_)) / (kRealGoneHarmonic - kRealWholeHarmonic),
                                        0.0f, 1.0f);
    for (size_t i = 0; i < n; ++i) {
        const float m = std::sqrt(ur_[i] * ur_[i] + ui_[i] * ui_[i]);
        level_[i] = m;
        const float c = m > kSilentLevel ? ur_[i] / m : 0.0f;
        const float w = m > kSilentLevel ? real * (1 - c * c) : 0.0f;
        cos_[i] = w > 0 ? w * std::clamp(cur_[i + kMirrorLevelHalf].real() / m, -1.0f, 1.0f) + (1 - w) * c : c;
    }
    const int r = harmonicModel_.reach(), d = band.delay();
    harmonic3_.resize(n - size_t(2 * r));
    harmonicModel_.run(cos_.data() + r, level_.data() + r, harmonic3_.size(), share, harmonic3_.data());
    const size_t m = harmonic3_.size() - size_t(2 * d);
    hr_.resize(m);
    band.run(harmonic3_.data() + d, m, hr_.data());
    if (mirror <= 0) return;
    // the mirror, band * conj(u) = band * Re u - j band * Im u
    hi_.resize(m);
    zm_.resize(m);
    band.run(ur_.data() + r + d, m, zm_.data());
    band.run(ui_.data() + r + d, m, hi_.data());
    for (size_t i = 0; i < m; ++i)
        hr_[i] += mirror * cfloat(zm_[i].real() + hi_[i].imag(), zm_[i].imag() - hi_[i].real());
}

// The frequency of sample j - 1 (of z[j + 1] here, the array starting two samples back): the
// phase of the sum of the pulse-pair products on either side of it, z[j-1] z*[j-2] + z[j] z*[j-1].
__attribute__((target_clones("avx2", "default"))) void FrontEnd::smoothedFrequency(const cfloat *z, size_t n,
                                                                                     float *out) const
{
    const float toHz = float(rate_.hz / kTwoPi);
    const float *__restrict p = reinterpret_cast<const float *>(z);
    for (size_t j = 0; j < n; ++j) {
        const float ar = p[2 * j], ai = p[2 * j + 1], br = p[2 * j + 2], bi = p[2 * j + 3], cr = p[2 * j + 4],
                    ci = p[2 * j + 5];
        // b conj(a) + c conj(b)
        const float sr = (br * ar + bi * ai) + (cr * br + ci * bi);
        const float si = (bi * ar - br * ai) + (ci * br - cr * bi);
        out[j] = fastAtan2(si, sr) * toHz;
    }
}

cfloat FrontEnd::demodulate(cfloat a)
{
    const double rateHz = rate_.hz;
    if (set_.demodulator == 0) {
        // PLL: second-order loop following the analytic signal; its NCO is the track.
        const double ph = std::arg(cdouble(a) * std::polar(1.0, -pllPhase_));
        const double wn = kTwoPi * 900.0 / rateHz;
        pllFreq_ += wn * wn * ph;
        pllFreq_ = std::clamp(pllFreq_, kTwoPi * 900 / rateHz, kTwoPi * 2700 / rateHz);
        pllPhase_ = wrapPi(pllPhase_ + pllFreq_ + 1.3 * wn * ph);
        return std::polar(std::abs(a), float(pllPhase_));
    }
    if (set_.demodulator == 1) {
        // Zero crossings of the band-passed signal, interpolated between samples; the
        // frequency is held between crossings.
        const double re = a.real();
        const double t = double(zcCount_);
        if ((zcLastRe_ < 0) != (re < 0) && zcCount_ > 0) {
            const double frac = zcLastRe_ / (zcLastRe_ - re);
            const double tc = t - 1 + frac;
            if (zcLastCross_ >= 0) {
                const double half = tc - zcLastCross_;
                if (half > 0.5) zcFreq_ = std::clamp(0.5 / half, 800.0 / rateHz, 3000.0 / rateHz);
            }
            zcLastCross_ = tc;
        }
        zcLastRe_ = re;
        ++zcCount_;
        zcPhase_ = wrapPi(zcPhase_ + kTwoPi * zcFreq_);
        return std::polar(std::abs(a), float(zcPhase_));
    }
    return a;
}

} // namespace vareror::core::rx
