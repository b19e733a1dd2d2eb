#include "front_end.h"

#include "modes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vareror::core::rx {

namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kWeakCentreHz = 1900, kWeakHalfWidthHz = 550;   // weak signals' picture band: the video tones
constexpr double kNoisyTapsMs = 3.0;                              // its filter's length
constexpr double kBroadCentreHz = 2200, kBroadHalfWidthHz = 2400; // broad picture band: -200..4600 Hz
// Hz: an input overdriven at the working rate (every harmonic folds in), or with no sync to measure its
// harmonic by, is read up to sync's third harmonic: lower loses detail, higher lets harmonics in (overdrive).
constexpr double kFoldedTopHz = 3600, kFoldedBottomHz = -200;
// How far below zero the sync's third harmonic must read against its fundamental to be taken out: a
// clip lowers the peaks (-0.13 clipped 1.4 times), clean reads +-0.005, tuned 100 Hz off +0.13 (overdrive).
constexpr float kLeastHarmonic = 0.05f;
// Pixels under 0.35 ms swing past the broad band: their tone's phase is read for the harmonic through
// 100..5400 Hz (7.3 ms of taps) with 3 passes; longer pixels lose detail through it (overdrive).
constexpr double kPhaseLowHz = 100, kPhaseHighHz = 5400, kPhaseTapsMs = 7.3, kPhasePixelMs = 0.35;
constexpr int kPhasePasses = 3;
// Hz: longer pixels' phase is read under the third harmonic of sync and black (3600-4600 Hz), where
// little of it comes in, with 3 passes, then 1 through the broad band for the sidebands (overdrive).
constexpr double kUnderTopHz = 3800;
constexpr int kUnderPasses = 3, kUnderBroadPasses = 1;
// Short pixels' mirror is taken out whole up to this third harmonic against the fundamental and
// none from the second: a harder clip's higher harmonics spoil the mirror (overdrive).
constexpr float kMirrorWholeHarmonic = 0.28f, kMirrorGoneHarmonic = 0.31f;
// ... and the tone's real part makes their harmonic near its zero crossings (last pass only) up to
// the first, none from the second; longer pixels' is made so in every pass (overdrive).
constexpr float kRealWholeHarmonic = 0.26f, kRealGoneHarmonic = 0.29f;
// A band's output this small (against a full-scale tone's 0.5) is silence: it has no phase.
constexpr float kSilentLevel = 1e-12f;

// Hz: the picture band's half width below kCleanSnrDb, the width at which test cards in white noise
// come out best (noise): at kWeakSnrDb the video tones alone, then 5, 10, 20 dB, and on to the
// broad band (noisyHalfWidthHz's table, one row for luminance/colour-difference modes, one for
// red/green/blue modes read alone, one for those read beside the broad band, narrower still: the
// gratings come back from the broad reading). Red, green and blue scans carry full detail and gain
// from a wider band at 5-10 dB; colour-difference scans click sooner.
// ms, Hz: at 20 dB the band scales with the pixel rate against 0.4 ms pixels, up to 2200 Hz (noise).
constexpr double kRefPixelMs = 0.4, kFastHalfWidthHz = 2200;
// ms, Hz: at 10 dB a red/green/blue band widens so for pixels shorter than Martin 1's, up to
// 1325 Hz, where Scottie 1 is best and shorter pixels gain nothing (noise).
constexpr double kRgb10RefPixelMs = 0.46, kFastRgb10HalfWidthHz = 1325;
// Hz, dB: a red/green/blue band read alone is 900 Hz at 5 dB, below the table, back on it by 7.5 dB:
// a photo loses 1 dB a 100 Hz past 900 there, clicks want it back by 7-9 dB (noise; conditions: clicks).
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
    // (the 20 dB width is at least the 10 dB one of the band read alone: long pixels' photos
    // lose detail on the narrower one)
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

// Hz: the broad band read beside a red/green/blue picture band is that band plus 700 up to 10 dB and
// 400 at 20: wider, its noise hides the columns; narrower, the finest gratings go (noise).
// Pixels longer than Martin 1's (kRgb10RefPixelMs) need less: the margin shrinks with the pixel rate.
constexpr double kRgbColumnMarginHz = 700, kRgbColumnMargin20Hz = 400;

// dB: beside a colour-difference mode's band (short pixels: Robot 36, PD120) the broad band is the
// red/green/blue one below 4, widening to whole at 8: whole, its noise hides 3-4 pixel gratings'
// columns from the pulse-pair sums up to about 5 dB (noise: another sender's card and ours).
constexpr double kLumaBroadNarrowSnrDb = 4, kLumaBroadWholeSnrDb = 8;

// Hz: the narrow modes' tones (black 2044 to white 2300) lie this much above the others', and so
// does their noisy band: centred on the others', its upper edge cut into white (noise).
constexpr double kNarrowShiftHz = (kNarrowBlackHz + kNarrowWhiteHz - kBlackHz - kWhiteHz) / 2;

// dB, share: past its 20 dB width (30 dB of the leader) a narrow mode's noisy band widens at 0.4 of the
// others' pace: its pixels hold no detail a wider band adds, only noise (noise: MP110-N).
constexpr double kNarrowWidenFromSnrDb = 20, kNarrowWidenShare = 0.4;

// The broad band's mirror image (FrontEnd::subtractMirror) is taken out of a clean picture's band
// from 30 dB of the leader, by a share growing to 0.3 at 40: photos lose from lower down, and a
// signal through a 300-2700 Hz filter loses in proportion to the share (noise; conditions).
constexpr double kMirrorFromSnrDb = 30, kMirrorWholeSnrDb = 40, kMirrorMostShare = 0.3;

// A band's centre or half width as the working rate can carry it: under half the rate. Only an
// input below about 5.3 kHz makes a working rate that a band reaches; it is held at 0.49 of it.
double carried(double hz, double rateHz) { return hz < rateHz / 2 ? hz : 0.49 * rateHz; }

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
    else if (notch) configureNotch();
}

void FrontEnd::setNotch(double hz)
{
    set_.notchHz = hz > 0 ? hz : 0;
    configureNotch();
}

void FrontEnd::configureNotch()
{
    // (a carrier the working rate does not reach went with the decimator's low-pass)
    notch_.configure(set_.notchHz > 0 && set_.notchHz < rate_.hz / 2 ? set_.notchHz : 0, rate_.hz);
}

void FrontEnd::configureBand(dsp::AnalyticFilter &band, double centreHz, double halfWidthHz, int taps) const
{
    band.configure(carried(centreHz, rate_.hz), carried(halfWidthHz, rate_.hz), taps, rate_.hz);
}

void FrontEnd::retuneBand(dsp::AnalyticFilter &band, double centreHz, double halfWidthHz) const
{
    band.retune(carried(centreHz, rate_.hz), carried(halfWidthHz, rate_.hz), rate_.hz);
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
    configureBand(bp_, set_.dspFilter == 1 ? kBroadCentreHz : 1750, half, taps);
    narrowTuned_ = broadRetuned_ = false;
    // The decisions (VIS, FSK ID, syncs) need no picture detail, so they get a narrower
    // band, 850..2350 Hz, whatever the picture filter: they keep working in noise.
    configureBand(bpTone_, 1600, 750, int(std::lround(3.0 * perMs)) | 1);
    dBp_ = bp_.delay();
    dTone_ = bpTone_.delay();
    configureBand(bpNoisy_, kWeakCentreHz, kWeakHalfWidthHz, int(std::lround(kNoisyTapsMs * perMs)) | 1);
    dNoisy_ = bpNoisy_.delay();
    // (the broad band's mirror is taken out with kMirrorPasses more passes of it, each
    // reading further ahead: all bands wait for them)
    const int mirrorLook = set_.dspFilter == 1 ? kMirrorPasses * (dBp_ + kMirrorLevelHalf) : 0;
    // (and an overdriven input's harmonic with passes through the harmonic's model, the last
    // through the broad band, the others through bpPhase_, or bpUnder_ and then the broad band)
    const double phaseHigh = std::min(kPhaseHighHz, 0.49 * rateHz);
    configureBand(bpPhase_, (kPhaseLowHz + phaseHigh) / 2, (phaseHigh - kPhaseLowHz) / 2,
                  int(std::lround(kPhaseTapsMs * perMs)) | 1);
    configureBand(bpUnder_, (kUnderTopHz + kFoldedBottomHz) / 2, (kUnderTopHz - kFoldedBottomHz) / 2, taps);
    harmonicModel_.configure(rateHz, rate_.decimation, dec_.cutoffHz(), dec_.delay());
    const int model = harmonicModel_.reach() + kMirrorLevelHalf, lastPass = dBp_ + model;
    const int phaseLook = bpPhase_.delay() + lastPass + kPhasePasses * (bpPhase_.delay() + model);
    const int underLook = bpUnder_.delay() + (1 + kUnderBroadPasses) * lastPass + kUnderPasses * (bpUnder_.delay() + model);
    const int harmonicLook = set_.dspFilter == 1 ? std::max(phaseLook, underLook) - dBp_ : 0;
    dMax_ = std::max({dBp_ + mirrorLook, dBp_ + harmonicLook, dTone_, dNoisy_});
    lookAhead_ = dMax_ - std::max({dBp_, dTone_, dNoisy_}) + declip_.delay() / rate_.decimation;
    configureBand(bpFolded_, (kFoldedTopHz + kFoldedBottomHz) / 2, (kFoldedTopHz - kFoldedBottomHz) / 2, taps);
    delay_ = declip_.delay() / rate_.decimation + dec_.delay() + dMax_;
    hist_.assign(size_t(2 * dMax_), 0.0f); // the bands start again from silence
    if (noisy_) tuneNoisyBand();
    configureNotch();
    // Noise smoothing is an LMS predictor; the auto-notches find steady carriers and cancel
    // them, following them fast or slowly (auto_notch.h).
    const dsp::Lms::Kind k =
        (set_.lms == 1 || (set_.lmsSmoothing && set_.lms < 2)) ? dsp::Lms::Smoothing : dsp::Lms::Off;
    if (k != lms_.kind()) lms_.configure(k, rateHz);
    if (set_.lms != autoNotchMode_) {
        autoNotch_.configure(set_.lms >= 2, set_.lms == 3 ? dsp::AutoNotch::Speed::Slow : dsp::AutoNotch::Speed::Fast,
                             rateHz);
        autoNotchMode_ = set_.lms;
    }
}

void FrontEnd::setPictureBand(double snrDb, bool narrowMode, double offsetHz, bool rgbMode, double pixelMs, bool mirror,
                              bool syncTone)
{
    syncTone_ = syncTone;
    autoNotch_.pictureGoing(true);
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
        retuneBand(bp_, narrowTuned_ ? 1750 : kBroadCentreHz, narrowTuned_ ? 2200 : kBroadHalfWidthHz);
    }
    noisySnrDb_ = snrDb;
    if (noisy_) tuneNoisyBand();
    if (set_.dspFilter == 1 && narrowMode != narrowTuned_) {
        // narrow modes' tones (1900..2300 Hz, 256 Hz deviation) keep the band centred lower
        narrowTuned_ = narrowMode;
        if (narrowMode) retuneBand(bp_, 1750, 2200);
        else retuneBand(bp_, kBroadCentreHz, kBroadHalfWidthHz);
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
    retuneBand(bpNoisy_, noisyCentreHz(half) + noisyOffsetHz_ + (noisyNarrow_ ? kNarrowShiftHz : 0.0), half);
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
        retuneBand(bp_, noisyCentreHz(half) + noisyOffsetHz_, half);
        broadRetuned_ = true;
        return;
    }
    // red, green and blue: the picture band narrower, and the broad band only so much wider
    tuneNoisyBand();
    double margin = kRgbColumnMarginHz + (kRgbColumnMargin20Hz - kRgbColumnMarginHz) * std::clamp((noisySnrDb_ - 10) / 10, 0.0, 1.0);
    if (noisyPixelMs_ > kRgb10RefPixelMs) margin *= kRgb10RefPixelMs / noisyPixelMs_;
    const double half = std::min(kBroadHalfWidthHz, noisyHalfWidthHz(noisySnrDb_, true, noisyPixelMs_, true) + margin);
    retuneBand(bp_, noisyCentreHz(half) + noisyOffsetHz_, half);
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
    // (through the low-pass's gain at its third harmonic), taken through the band as far as a
    // resampler or the decimator let it in, and subtracted: the estimate is better, and each pass
    // better still (the first reads u off the band with the harmonic in it). u is read through
    // bpPhase_ for short pixels (kPhasePixelMs), through bpUnder_ and then once through the broad
    // band for longer ones (kUnderTopHz), and the last pass reads it through the broad band; the
    // band's mirror is taken out with the harmonic (kMirrorWholeHarmonic). What limits it is u's
    // phase, not the model or the share. Each pass reads the model's reach, its band's delay and
    // kMirrorLevelHalf further on either side; each output depends only on the signal around it,
    // so blocks of any size give the same samples.
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
