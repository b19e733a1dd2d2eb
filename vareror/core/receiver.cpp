#include "receiver.h"

#include "dsp_filters.h"
#include "modes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <optional>

#include <fftw3.h>

// How the receiver works
// ----------------------
// Input audio at any rate is decimated to a working rate of about 11-12 kHz, passed through
// the optional notch, auto-notch and LMS filters, then through two complex band-passes: the
// picture band (the "DSP filter") and a narrow decision band (850..2350 Hz) for the VIS,
// the FSK ID and the syncs. The chosen demodulator turns the picture band into
// the "track": one complex value per working sample whose phase advance from the previous
// sample is the instantaneous frequency (Hilbert: z itself; PLL and zero-crossing: a unit
// phasor rebuilt from their frequency estimate, scaled by |z|). Everything downstream reads
// the track:
//  * frequencies over a stretch of time are measured as the phase of the summed products
//    z[n] z*[n-1] (pulse pair), which weighs strong samples more and averages noise;
//  * tone decisions (VIS, FSK ID, leader) use the decision band's products at a lag of 2 ms,
//    where the filtered noise has little correlation left, so a weak tone's frequency is
//    not dragged towards the noise's centre;
//  * line syncs are found as the best step from "not sync" to "sync" on a soft per-sample
//    score near the expected position (found in the decision band, placed exactly in the
//    picture band); a robust straight-line fit of the sync positions
//    versus period number gives the line placement, the sample-clock error (slant) and the
//    phase (resync);
//  * a pixel is the mean frequency over its own time span on that fitted axis (a clean
//    signal: over the middle of it, away from the smeared tone steps);
//  * a weak signal's picture is then filtered across lines and pixels by an edge-preserving
//    filter, and its colour smoothed within areas of like brightness (weakRow, weakChroma).
// The track of the current picture is kept (RX buffer RAM or file) so that the picture can
// be redrawn when the fit improves or on request.
//
// Colour levels: the luminance/colour-difference modes are decoded with the studio-range
// formulas (Y 16..235), the published standard and what our own transmitter sends, unless
// the picture shows flat areas clearly outside the studio range, which only a full-range
// encoder produces: a flat stretch is a run of 8 or more Y pixels within 8 levels of each
// other, and it is outside when its mean is below 8 or above 247. When such stretches hold
// more than 0.4 % of all Y pixels the full-range formulas are used. Overshoot and ringing
// at sharp edges are never flat for long, and noise either scatters a stretch or averages
// out in its mean, so neither can flip a studio-range picture (counting single samples
// outside 8..247 did: ringing behind a narrow receiver filter, or noise at 12 dB SNR).
// The decision is re-taken as lines arrive and the picture recomposed when it changes, so
// both kinds of encoder give correct black, white and saturation.

namespace vareror::core {

namespace {

using cfloat = std::complex<float>;
using cdouble = std::complex<double>;
constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kWeakCentreHz = 1900, kWeakHalfWidthHz = 550; // picture band of weak signals
constexpr double kBroadCentreHz = 2200, kBroadHalfWidthHz = 2400; // broad picture band
constexpr double kCleanPixelWindow = 0.6; // share of a sample's time read for a clean pixel
constexpr float kFlatSpread = 8.0f;   // colour-level rule: a flat stretch's spread (levels)
constexpr int kFlatRun = 8;           // ... and its least length (pixels)
constexpr double kFullLow = 8, kFullHigh = 247; // flat levels only a full-range encoder sends
constexpr double kWeakSmoothMs = 0.55; // weak signals: half-width of the pixel average
// Weak signals, across lines: the edge-preserving filter's reach (lines, pixels) and the
// size of a step it keeps, in noise standard deviations; the colour filter's reach, the
// brightness step (levels) at which it stops mixing colours, and how far (levels) a colour
// reading may lie from its area's colour before it counts as a click.
constexpr int kDenoiseLines = 8, kDenoisePixels = 4;
constexpr float kDenoiseStep = 3.5f;
constexpr int kChromaLines = 6, kChromaPixels = 12;
constexpr float kChromaStep = 25.0f, kChromaOutlier = 80.0f;
constexpr int kWeakReach = std::max(kDenoiseLines, kChromaLines); // lines either filter reads

double wrapPi(double a)
{
    while (a > kPi) a -= kTwoPi;
    while (a < -kPi) a += kTwoPi;
    return a;
}

float fastAtan2(float y, float x)
{
    // Max error about 0.0015 rad, plenty for a frequency score.
    const float ax = std::fabs(x), ay = std::fabs(y);
    const float mx = std::max(ax, ay), mn = std::min(ax, ay);
    if (mx <= 0) return 0;
    const float a = mn / mx;
    const float s = a * a;
    float r = ((-0.0464964749f * s + 0.15931422f) * s - 0.327622764f) * s * a + a;
    if (ay > ax) r = 1.57079637f - r;
    if (x < 0) r = 3.14159274f - r;
    if (y < 0) r = -r;
    return r;
}

constexpr int PR = planeOf(Channel::R), PG = planeOf(Channel::G), PB = planeOf(Channel::B), PY = planeOf(Channel::Y),
              PCr = planeOf(Channel::Cr), PCb = planeOf(Channel::Cb), PGrey = planeOf(Channel::Grey),
              PlaneCount = kPlaneCount;

// A read-only view of a stretch of the track: samples [begin, end) in absolute
// working-sample numbers.
struct Span {
    const cfloat *z = nullptr;
    const float *f = nullptr;   // instantaneous frequency, picture band
    const float *fn = nullptr;  // the same in the narrow decision band
    int64_t begin = 0, end = 0;
    bool has(int64_t a, int64_t b) const { return a >= begin + 1 && b <= end; }
    cfloat zAt(int64_t i) const { return z[i - begin]; }
    float fAt(int64_t i) const { return f[i - begin]; }
    float fnAt(int64_t i) const { return fn[i - begin]; }
};

struct SyncMeas {
    double pos = 0;
    double score = -2;
    bool found = false;
    bool measured = false;
};

struct Fit {
    double a = 0, b = 0;
};

} // namespace

class RxEngine {
public:
    explicit RxEngine(double rate);

    // ---- configuration
    double inRate;
    int decim = 1;
    double fw = 11025;   // working rate
    double spm = 11.025; // working samples per ms
    RxOptions opts;
    int lmsMode = 0;
    double notchHz = 0;
    dsp::Decimator dec;
    dsp::Notch notchF;
    dsp::Lms lmsF;
    dsp::AutoNotch autoNotch;
    int notchModeSet = -1;
    dsp::AnalyticFilter bp;   // picture: broad
    dsp::AnalyticFilter bpTone; // tones and syncs: narrow, for decisions in noise
    dsp::AnalyticFilter bpVideo; // pictures of weak signals: just the video tones
    dsp::AnalyticFilter bpFair;  // pictures of fair signals: the video tones with some margin
    int dBp = 0, dTone = 0, dVideo = 0, dFair = 0;
    bool bpNarrowModes = false; // the broad band is retuned for a narrow mode's picture
    static constexpr int kAlign = 128;
    cfloat alignBp[kAlign] = {}, alignTone[kAlign] = {}, alignVideo[kAlign] = {}, alignFair[kAlign] = {};
    static constexpr int kNz = 1024;
    cfloat nz[kNz] = {};       // recent narrow-band samples, by track index
    cfloat bz[4] = {};         // recent picture-band samples
    int delay = 0; // working samples between the decimator output and the track
    int64_t produced = 0;
    uint64_t inputCount = 0;
    // demodulator state
    double pllPhase = 0, pllFreq = 0;
    double zcLastRe = 0, zcLastCross = -1, zcPrevCross = -1, zcFreq = 0, zcPhase = 0;
    int64_t zcCount = 0;

    // ---- track: z and smoothed instantaneous frequency f, absolute index base..base+size
    std::vector<cfloat> z;
    std::vector<float> f, fn;
    int64_t base = 0;
    int64_t avail() const { return base + int64_t(z.size()); }
    int64_t fAvail() const { return base + int64_t(f.size()); }
    Span span() const { return {z.data(), f.data(), fn.data(), base, fAvail()}; }

    // ---- prefix sums for tone decisions (ring)
    static constexpr int kRingBits = 16;
    static constexpr int64_t kRing = int64_t(1) << kRingBits;
    std::vector<cdouble> ringQ;  // sum of z[n] z*[n-lag] for n < index
    std::vector<double> ringE;   // sum of |z|^2
    std::vector<cdouble> ringP;  // sum of z[n] z*[n-1]
    cdouble accQ = 0, accP = 0;
    double accE = 0;
    int lag = 22;

    // ---- events and results
    unsigned events = 0;
    std::string fskText;
    RgbImage pic{320, 256};
    int dirtyFrom = 0, dirtyTo = 0;
    int curMode = 6;
    double lastOffset = 0;
    double lastSlantPpm = 0;
    double lastStartSec = 0;
    double visSnrDb = 99;      // signal-to-noise ratio (3 kHz) measured on the last VIS leader
    bool weak = false;         // weak signal: pixels from the video-tone band, smoothed
    bool fair = false;         // fair signal: a picture band between broad and video-tone
    cfloat noiseLag1 = 0;      // the noise's share of z[n] z*[n-1] per unit of |z|^2
    Receiver::Finished finished;

    // ---- VIS / FSK scanning
    int64_t visNext = 0;
    int64_t fskNext = 0;
    struct FskState {
        bool active = false;
        double edge = 0, off = 0;
        int symbols = 0;
        std::string text;
        int xr = 0;
        bool ended = false;
        int64_t found = 0;
    } fsk;

    // ---- picture
    struct Pic {
        bool active = false;
        int mode = 6;
        const ModeInfo *m = nullptr;
        std::vector<std::vector<Segment>> layouts;
        bool forced = false;
        bool waitingStart = false; // Force RX phase search or AVT header decode pending
        int64_t forcedFrom = 0;
        double visEnd = 0;         // AVT: end of the VIS stop bit
        double a0 = 0;             // start (sync of period 0) from the VIS / search
        double bNom = 0;           // nominal period in working samples
        double offset = 0;         // AFC
        double thr = 1350, gScale = 150; // sync score
        std::vector<SyncMeas> sync;
        std::vector<double> drawnAt; // sync position used when each period was drawn
        Fit fit;                   // where lines are drawn
        Fit trk;                   // where syncs are looked for
        int next = 0;              // next period to draw
        int lastRedraw = 0;
        int lastGood = -1;
        int missRun = 0;
        int scale = 1;             // exposed / native width
        int rowsPerLine = 1;
        int W = 320, H = 256;      // decode planes: exposed width x native lines
        std::vector<float> planes[PlaneCount];
        std::vector<float> yClean; // weak signals: the luminance after the noise filter
        std::vector<uint8_t> lineDone;
        bool fullRange = false;
        int64_t yCount = 0, yLow = 0, yHigh = 0;
        int parityShift = 0;       // alternating layouts under Force RX: which comes first
        Segment marker;            // the tone that tells alternating layouts apart ...
        double markerHz[2] = {0, 0}; // ... and its frequency in each
        int parVotesSame = 0, parVotesSwap = 0;
        int r24Variant = 0;        // Robot 24: 0 table split, 1 published split
        std::vector<double> syncLens;
        int scottieGap = 0, scottieBlack = 0, scottieSeen = 0;
        int64_t keepFrom = 0;      // first track sample the picture needs
        double porchMs = 0;        // black porch right after the sync (0: none)
        double startSec = 0;
    } p;

    // ---- RX buffer "file"
    FILE *file = nullptr;
    int64_t fileBase = 0, fileEnd = 0;

    ~RxEngine()
    {
        if (file) std::fclose(file);
    }

    void configureFilters();
    void process(const float *x, size_t n);
    void work(float x);
    void append(cfloat v, cfloat n);
    void advance();
    void trim();
    void flushFile();

    // tone measurements over [a, b) in absolute samples (ring)
    bool ringHas(int64_t a, int64_t b) const { return a >= avail() - kRing + lag + 2 && a >= lag + 1 && b <= avail() && a < b; }
    double coherence(int64_t a, int64_t b) const;
    double freqNear(int64_t a, int64_t b, double ref) const;
    double freqP(int64_t a, int64_t b) const;
    int64_t ms(double v) const { return int64_t(std::llround(v * spm)); }

    // VIS / FSK
    void scanVis();
    double leaderSnrDb(int64_t a, int64_t b, double fL) const;
    bool tryVis(int64_t c);
    bool tryNarrowVis(int64_t c);
    double refineEdge(int64_t c, double hiHz, double loHz, double rangeMs, bool falling) const;
    void scanFsk();
    bool decodeFskSymbol(double startPos, int &sym) const;

    // picture
    void startPicture(int mode, double a0, bool forced, double offset, double visEnd);
    void endPicture();
    void progress();
    bool measureSync(const Span &s, int k, double pred, double win, SyncMeas &out) const;
    void refit();
    Fit computeFit(bool slopeFree, bool anchored, const Fit &prev) const;
    double trackPos(int k) const { return p.trk.a + p.trk.b * k; }
    bool hasSyncTrack() const { return p.m && p.m->syncHz > 0; }
    double periodPos(int k) const { return p.fit.a + p.fit.b * k; }
    void decodePeriod(const Span &s, int k, double pos);
    void countLevels(const float *y, int n);
    bool fullRangeNow() const;
    double pixelHz(const Span &s, double t0, double t1) const;
    // provisional: a weak signal's line drawn before all the lines its filters reach have
    // arrived; its colour is left unfiltered until it is drawn again
    void composeLine(int line, bool provisional = false);
    void weakRow(int pl, int line, float *out);
    void weakChroma(int line, float *cr, float *cb) const;
    void composeAll();
    void markDirty(int row0, int row1);
    bool redraw(bool refitAll);
    bool loadSpan(std::vector<cfloat> &zb, std::vector<float> &fb, std::vector<float> &fnb, Span &out);
    void startAvt();
    void startForced();
    int forcedFolds() const { return std::clamp(int(4000.0 / p.m->periodMs), 3, 8); }
    void robot24Check(const Span &s, int k, double pos);
    void scottieCheck(const Span &s, int k, double pos);
    void redecodeDrawn(const Span &s, int upTo);
    double syncLength(const Span &s, double pos) const;
};

RxEngine::RxEngine(double rate) : inRate(rate > 0 ? rate : 11025)
{
    decim = std::max(1, int(std::floor(inRate / 11025.0 + 1e-9)));
    if (inRate / decim < 8000) decim = std::max(1, decim - 1);
    fw = inRate / decim;
    spm = fw / 1000.0;
    lag = std::max(2, int(std::lround(0.002 * fw)));
    dec.configure(decim, inRate);
    ringQ.assign(size_t(kRing), 0);
    ringE.assign(size_t(kRing), 0);
    ringP.assign(size_t(kRing), 0);
    // Room for a few minutes of track up front: growing it sample by sample would copy it
    // again and again, each time into fresh memory.
    const size_t room = size_t(200 * fw);
    z.reserve(room);
    f.reserve(room);
    fn.reserve(room);
    configureFilters();
}

void RxEngine::configureFilters()
{
    // Band-pass of the analytic signal, centred on 1750 Hz (VIS 1100 Hz .. white 2300 Hz).
    // The FM spectrum of fine picture detail reaches well beyond the tone range, so the
    // broad filter passes nearly everything the analytic signal allows: -200..4600 Hz, for
    // the upper sidebands of the fastest pixel changes (the lower ones fold over 0 Hz and
    // are lost anyway); the narrow modes' pictures get 1750 +- 2200 Hz instead (see
    // startPicture). The sharper ones trade detail for noise rejection.
    double half = 2200, lenMs = 2.5;
    switch (opts.dspFilter) {
    case 0: half = 2600; lenMs = 2.0; break;  // only what the analytic signal needs
    case 1: half = kBroadHalfWidthHz; lenMs = 2.5; break;  // keeps the fastest pixel changes
    case 2: half = 1300; lenMs = 3.0; break;
    default: half = 900; lenMs = 4.5; break;  // 850..2650 Hz: for weak signals
    }
    int taps = int(std::lround(lenMs * spm)) | 1;
    bp.configure(opts.dspFilter == 1 ? kBroadCentreHz : 1750, half, taps, fw);
    bpNarrowModes = false;
    // The decisions (VIS, FSK ID, syncs) need no picture detail, so they get a narrower
    // band, 850..2350 Hz, whatever the picture filter: they keep working in noise.
    bpTone.configure(1600, 750, int(std::lround(3.0 * spm)) | 1, fw);
    dBp = bp.delay();
    dTone = bpTone.delay();
    bpVideo.configure(kWeakCentreHz, kWeakHalfWidthHz, int(std::lround(3.0 * spm)) | 1, fw);
    dVideo = bpVideo.delay();
    bpFair.configure(1900, 850, int(std::lround(3.0 * spm)) | 1, fw);
    dFair = bpFair.delay();
    delay = dec.delay() + std::max({dBp, dTone, dVideo, dFair});
    notchF.configure(notchHz, fw);
    // Noise smoothing is an LMS predictor; the auto-notches find a steady carrier and
    // notch it, the fast one after 2 s, the slow one after 6 s.
    const dsp::Lms::Kind k = (lmsMode == 1 || (opts.lmsSmoothing && lmsMode < 2)) ? dsp::Lms::Smoothing : dsp::Lms::Off;
    if (k != lmsF.kind()) lmsF.configure(k, fw);
    const double hold = lmsMode == 2 ? 2.0 : 6.0;
    if (lmsMode != notchModeSet) {
        autoNotch.configure(lmsMode >= 2, hold, fw);
        notchModeSet = lmsMode;
    }
}

void RxEngine::process(const float *x, size_t n)
{
    inputCount += n;
    size_t i = 0;
    while (i < n) {
        const size_t chunk = std::min(n - i, size_t(2048) * size_t(decim));
        for (size_t j = 0; j < chunk; ++j) {
            float out;
            if (dec.push(x[i + j], out)) work(out);
        }
        i += chunk;
        advance();
    }
}

void RxEngine::work(float x)
{
    x = notchF.process(x);
    x = autoNotch.process(x);
    x = lmsF.process(x);
    const int64_t step = produced;
    alignBp[step % kAlign] = bp.push(x);
    alignTone[step % kAlign] = bpTone.push(x);
    if (weak) alignVideo[step % kAlign] = bpVideo.push(x);
    if (fair) alignFair[step % kAlign] = bpFair.push(x);
    const int dMax = std::max({dBp, dTone, dVideo, dFair});
    const cfloat nb = alignTone[std::max<int64_t>(0, step - (dMax - dTone)) % kAlign];
    // the picture band: broad, or only the video tones while the signal is weak
    const cfloat a = weak   ? alignVideo[std::max<int64_t>(0, step - (dMax - dVideo)) % kAlign]
                     : fair ? alignFair[std::max<int64_t>(0, step - (dMax - dFair)) % kAlign]
                            : alignBp[std::max<int64_t>(0, step - (dMax - dBp)) % kAlign];
    cfloat v = a;
    if (opts.demodulator == 0) {
        // PLL: second-order loop following the analytic signal; its NCO is the track.
        const double ph = std::arg(cdouble(a) * std::polar(1.0, -pllPhase));
        const double wn = kTwoPi * 900.0 / fw;
        pllFreq += wn * wn * ph;
        pllFreq = std::clamp(pllFreq, kTwoPi * 900 / fw, kTwoPi * 2700 / fw);
        pllPhase = wrapPi(pllPhase + pllFreq + 1.3 * wn * ph);
        v = std::polar(std::abs(a), float(pllPhase));
    } else if (opts.demodulator == 1) {
        // Zero crossings of the band-passed signal, interpolated between samples; the
        // frequency is held between crossings.
        const double re = a.real();
        const double t = double(zcCount);
        if ((zcLastRe < 0) != (re < 0) && zcCount > 0) {
            const double frac = zcLastRe / (zcLastRe - re);
            const double tc = t - 1 + frac;
            if (zcLastCross >= 0) {
                const double half = tc - zcLastCross;
                if (half > 0.5) zcFreq = std::clamp(0.5 / half, 800.0 / fw, 3000.0 / fw);
            }
            zcLastCross = tc;
        }
        zcLastRe = re;
        ++zcCount;
        zcPhase = wrapPi(zcPhase + kTwoPi * zcFreq);
        v = std::polar(std::abs(a), float(zcPhase));
    }
    const int64_t idx = produced - delay;
    ++produced;
    if (idx < 0) return;
    append(v, nb);
}

void RxEngine::append(cfloat v, cfloat n)
{
    const int64_t i = avail();
    z.push_back(v);
    nz[i % kNz] = n;
    // prefix sums exclusive of sample i are stored at i; write i+1
    const cfloat prev = i >= 1 ? nz[(i - 1) % kNz] : cfloat(0);
    const cfloat lagged = i >= lag ? nz[(i - lag) % kNz] : cfloat(0);
    accP += cdouble(n) * std::conj(cdouble(prev));
    accQ += cdouble(n) * std::conj(cdouble(lagged));
    accE += double(std::norm(n));
    const int64_t m1 = (i + 1) & (kRing - 1);
    ringP[size_t(m1)] = accP;
    ringQ[size_t(m1)] = accQ;
    ringE[size_t(m1)] = accE;
    // smoothed frequencies of sample i-1: phase of p[i-1] + p[i], in both bands
    bz[i % 4] = v;
    if (i >= 2) {
        const cfloat a = nz[(i - 1) % kNz];
        const cfloat b = nz[(i - 2) % kNz];
        const cfloat s = a * std::conj(b) + n * std::conj(a);
        fn.push_back(fastAtan2(s.imag(), s.real()) * float(fw / kTwoPi));
        const cfloat a2 = bz[(i - 1) % 4];
        const cfloat b2 = bz[(i - 2) % 4];
        const cfloat s2 = a2 * std::conj(b2) + v * std::conj(a2);
        f.push_back(fastAtan2(s2.imag(), s2.real()) * float(fw / kTwoPi));
    } else if (i >= 1) {
        f.push_back(0);
        fn.push_back(0);
    }
}

double RxEngine::coherence(int64_t a, int64_t b) const
{
    const cdouble q = ringQ[size_t(b & (kRing - 1))] - ringQ[size_t(a & (kRing - 1))];
    const double e = ringE[size_t(b & (kRing - 1))] - ringE[size_t(a & (kRing - 1))];
    return e > 1e-20 ? std::abs(q) / e : 0.0;
}

double RxEngine::freqNear(int64_t a, int64_t b, double ref) const
{
    const cdouble q = ringQ[size_t(b & (kRing - 1))] - ringQ[size_t(a & (kRing - 1))];
    const double rot = -kTwoPi * ref * lag / fw;
    const double ph = wrapPi(std::arg(q) + rot);
    return ref + ph * fw / (kTwoPi * lag);
}

double RxEngine::freqP(int64_t a, int64_t b) const
{
    const cdouble q = ringP[size_t(b & (kRing - 1))] - ringP[size_t(a & (kRing - 1))];
    return std::arg(q) * fw / kTwoPi;
}

// ---------------------------------------------------------------- VIS

void RxEngine::scanVis()
{
    const int64_t need = ms(680);
    const int64_t step = std::max<int64_t>(1, ms(1.0));
    if (visNext < ms(300)) visNext = ms(300);
    const int64_t lo = avail() - kRing + ms(700);
    if (visNext < lo) visNext = lo;
    while (visNext + need <= avail()) {
        const int64_t c = visNext;
        visNext += step;
        if (tryVis(c) || tryNarrowVis(c)) continue;
    }
}

double RxEngine::refineEdge(int64_t c, double hiHz, double loHz, double rangeMs, bool falling) const
{
    // Best step between a stretch at hiHz and one at loHz (falling: hi before lo), on the
    // per-sample frequency, with a 6 ms box on each side; parabolic peak.
    const Span s = span();
    const double mid = 0.5 * (hiHz + loHz), scale = std::max(20.0, 0.5 * std::fabs(hiHz - loHz));
    const int64_t w = ms(6);
    const int64_t r = ms(rangeMs);
    const int64_t a = c - r - w, b = c + r + w;
    if (!s.has(a, b)) return double(c);
    std::vector<double> pre(size_t(b - a + 1), 0.0);
    for (int64_t i = a; i < b; ++i) {
        double v = std::clamp((s.fAt(i) - mid) / scale, -1.0, 1.0);
        if (!falling) v = -v;
        pre[size_t(i - a + 1)] = pre[size_t(i - a)] + v;
    }
    auto score = [&](int64_t e) {
        const double before = pre[size_t(e - a)] - pre[size_t(e - w - a)];
        const double after = pre[size_t(e + w - a)] - pre[size_t(e - a)];
        return before - after;
    };
    int64_t best = c;
    double bs = -1e30;
    for (int64_t e = c - r; e <= c + r; ++e) {
        const double v = score(e);
        if (v > bs) { bs = v; best = e; }
    }
    double pos = double(best);
    if (best > c - r && best < c + r) {
        const double l = score(best - 1), m = bs, h = score(best + 1);
        const double den = l - 2 * m + h;
        if (den < 0) pos += std::clamp(0.5 * (l - h) / den, -0.5, 0.5);
    }
    // Each f sample measures the phase advance around time i - 0.5 .. i + 0.5; the edge sits
    // between samples best-1 and best.
    return pos - 0.5;
}

bool RxEngine::tryVis(int64_t c0)
{
    int64_t c = c0;
    const int64_t L0 = c - ms(290), L1 = c - ms(10);
    if (!ringHas(L0 - 2, c + ms(560))) return false;
    if (coherence(L0, L1) < 0.4) return false;
    const double fL = freqNear(L0, L1, 1900);
    if (std::fabs(fL - 1900) > 200) return false;
    // Every later tone must be about as clean as the leader: a stretch of picture that
    // happens to hold one tone for a while is then not taken for a header.
    const double cohL = coherence(L0, L1);
    const double cohMin = std::max(0.15, 0.45 * cohL);
    for (int j = 0; j < 3; ++j) {
        const int64_t a = L0 + (L1 - L0) * j / 3, b = L0 + (L1 - L0) * (j + 1) / 3;
        if (coherence(a, b) < 0.3 || std::fabs(freqNear(a, b, fL) - fL) > 35) return false;
    }
    const double fS = fL - 700;
    auto bitFreq = [&](double t0, double t1, double &coh) {
        const int64_t a = c + ms(t0), b = c + ms(t1);
        coh = coherence(a, b);
        return freqNear(a, b, fS);
    };
    double coh;
    double fStart = bitFreq(3, 27, coh);
    if (coh < 0.25 || std::fabs(fStart - fS) > 60) return false;
    // Put c on the step from leader to start bit, then check again around it.
    const double edge = refineEdge(c0, fL, fS, 15.0, true);
    c = int64_t(std::llround(edge));
    fStart = bitFreq(3, 27, coh);
    if (coh < cohMin || std::fabs(fStart - fS) > 60) return false;
    if (p.active) {
        // during a picture, insist on the whole header: first leader and break as well
        const int64_t f0 = c - ms(600), f1 = c - ms(330);
        if (!ringHas(f0, f1) || coherence(f0, f1) < cohMin || std::fabs(freqNear(f0, f1, fL) - fL) > 40) return false;
        const int64_t b0 = c - ms(308), b1 = c - ms(302);
        if (std::fabs(freqNear(b0, b1, fS) - fS) > 100) return false;
    }
    if (std::fabs(freqNear(c - ms(30), c - ms(3), fL) - fL) > 50 || coherence(c - ms(30), c - ms(3)) < 0.8 * cohMin) return false;
    uint32_t code = 0;
    auto readBits = [&](int from, int count) {
        for (int i = from; i < from + count; ++i) {
            const double t0 = 30.0 * (i + 1) + 4, t1 = 30.0 * (i + 2) - 4;
            const double fb = bitFreq(t0, t1, coh);
            const double d = fb - fS;
            if (coh < cohMin || std::fabs(d) < 25 || std::fabs(d) > 180) return false;
            if (d < 0) code |= 1u << i;
        }
        return true;
    };
    if (!readBits(0, 8)) return false;
    int bits = 8;
    if ((code & 0xFF) == kExtendedVisLow) {
        if (!readBits(8, 8)) return false;
        bits = 16;
        if (std::popcount(code >> 8) != 3) return false;
    }
    // stop bit
    const double fStop = bitFreq(30.0 * (bits + 1) + 4, 30.0 * (bits + 2) - 4, coh);
    if (coh < cohMin || std::fabs(fStop - fS) > 70) return false;
    int mode = -1;
    if (bits == 8) {
        const bool evenParity = std::popcount(code) % 2 == 0;
        for (int n = 0; n < modeCount(); ++n) {
            const ModeInfo &m = modeInfo(n);
            if (m.visBits != 8) continue;
            if ((evenParity || m.visEitherParity) && (code & 0x7F) == (m.visCode & 0x7F)) { mode = n; break; }
        }
    } else {
        for (int n = 0; n < modeCount(); ++n)
            if (modeInfo(n).visBits == 16 && modeInfo(n).visCode == code) { mode = n; break; }
    }
    if (mode < 0) return false;
    visSnrDb = leaderSnrDb(c - ms(290), c - ms(10), fL);
    // edge = start of the start bit = 610 ms into the header
    const ModeInfo &m = modeInfo(mode);
    const double visEnd = edge + (30.0 * (bits + 2)) * spm;
    const double a0 = edge + (m.syncStartMs(0) - 610.0) * spm;
    const double off = opts.afc ? fL - 1900 : 0.0;
    visNext = int64_t(visEnd) + ms(100);
    lastOffset = fL - 1900;
    if (p.active) {
        if (!opts.autoRestart) return true;
        // A repeated header right at the start of the same picture re-anchors it.
        if (p.mode == mode && p.next == 0 && !p.forced) {
            const unsigned keepEvents = events;
            startPicture(mode, a0, false, off, visEnd);
            events = keepEvents;
            return true;
        }
        endPicture();
    }
    startPicture(mode, a0, false, off, visEnd);
    return true;
}

bool RxEngine::tryNarrowVis(int64_t c)
{
    // c = start of the 2100 Hz marker after the 1900 Hz leader
    const int64_t L0 = c - ms(290), L1 = c - ms(10);
    if (!ringHas(L0 - 2, c + ms(660))) return false;
    if (coherence(L0, L1) < 0.4) return false;
    const double fL = freqNear(L0, L1, 1900);
    if (std::fabs(fL - 1900) > 200) return false;
    const double cohMin = std::max(0.2, 0.6 * coherence(L0, L1));
    double coh = coherence(c + ms(5), c + ms(95));
    if (coh < cohMin) return false;
    const double fM = freqNear(c + ms(5), c + ms(95), fL + 200);
    if (std::fabs(fM - fL - 200) > 50) return false;
    {
        const double e = refineEdge(c, fL, fL + 200, 15.0, false);
        c = int64_t(std::llround(e));
        if (std::fabs(freqNear(c - ms(10), c - ms(2), fL) - fL) > 60) return false;
        if (std::fabs(freqNear(c + ms(3), c + ms(20), fL + 200) - fL - 200) > 60) return false;
    }
    const double edge0 = double(c);
    auto bitIs = [&](double t0, int &bit) {
        const int64_t a = c + ms(t0 + 3), b = c + ms(t0 + 19);
        const double cc = coherence(a, b);
        const double d = freqNear(a, b, fL + 100) - (fL + 100);
        if (cc < cohMin || std::fabs(d) < 35 || std::fabs(d) > 180) return false;
        bit = d < 0 ? 1 : 0;
        return true;
    };
    int bit;
    if (!bitIs(100, bit) || bit != 1) return false; // start bit 1900
    uint32_t code = 0;
    for (int i = 0; i < 24; ++i) {
        if (!bitIs(122 + 22.0 * i, bit)) return false;
        if (bit) code |= 1u << i;
    }
    if ((code & 0xFFF) != 0x56D) return false;
    const uint32_t n = (code >> 12) & 0x3F;
    if (((code >> 18) & 0x3F) != (n ^ 0x15)) return false;
    int mode = -1;
    for (int k = 0; k < modeCount(); ++k)
        if (modeInfo(k).visBits == 24 && modeInfo(k).visCode == code) { mode = k; break; }
    if (mode < 0) return false;
    const double edge = refineEdge(int64_t(edge0), fL, fL + 200, 2.0, false);
    visSnrDb = leaderSnrDb(int64_t(edge0) - ms(290), int64_t(edge0) - ms(10), fL);
    const ModeInfo &m = modeInfo(mode);
    const double visEnd = edge + (100 + 22.0 * 25) * spm;
    const double a0 = edge + (m.syncStartMs(0) - 300.0) * spm;
    visNext = int64_t(visEnd) + ms(50);
    lastOffset = fL - 1900;
    if (p.active) {
        if (!opts.autoRestart) return true;
        endPicture();
    }
    startPicture(mode, a0, false, opts.afc ? fL - 1900 : 0.0, visEnd);
    return true;
}

double RxEngine::leaderSnrDb(int64_t a, int64_t b, double fL) const
{
    // Spectrum of the leader: the tone's power against the noise density measured 150 to
    // 450 Hz on either side of it (inside every picture band), scaled to a 3 kHz band.
    const Span s = span();
    int n = 1;
    while (n * 2 <= b - a) n *= 2;
    if (n < 256 || !s.has(a, a + n)) return 99;
    fftwf_complex *buf = fftwf_alloc_complex(size_t(n));
    fftwf_plan plan = fftwf_plan_dft_1d(n, buf, buf, FFTW_FORWARD, FFTW_ESTIMATE);
    for (int i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(kTwoPi * i / n);
        const cfloat v = s.zAt(a + i);
        buf[i][0] = float(v.real() * w);
        buf[i][1] = float(v.imag() * w);
    }
    fftwf_execute(plan);
    const double binHz = fw / n;
    double sig = 0;
    std::vector<double> noise;
    for (int k = 0; k < n; ++k) {
        const double hz = (k <= n / 2 ? k : k - n) * binHz;
        const double pw = double(buf[k][0]) * buf[k][0] + double(buf[k][1]) * buf[k][1];
        const double d = std::fabs(hz - fL);
        if (d <= 40) sig += pw;
        else if (d >= 150 && d <= 450) noise.push_back(pw);
    }
    fftwf_destroy_plan(plan);
    fftwf_free(buf);
    if (noise.empty()) return 99;
    std::nth_element(noise.begin(), noise.begin() + long(noise.size() / 2), noise.end());
    // the median of exponentially distributed bin powers is ln 2 times their mean
    const double perBin = noise[noise.size() / 2] / std::log(2.0);
    const double toneBins = 80.0 / binHz;
    const double signal = std::max(sig - perBin * toneBins, 1e-30);
    const double noise3k = std::max(perBin * 3000.0 / binHz, 1e-30);
    return 10 * std::log10(signal / noise3k);
}

// ---------------------------------------------------------------- FSK ID

bool RxEngine::decodeFskSymbol(double startPos, int &sym) const
{
    sym = 0;
    bool confident = true;
    for (int b = 0; b < 6; ++b) {
        const double t = startPos + 22.0 * b * spm;
        const int64_t a = int64_t(t + 3 * spm), e = int64_t(t + 19 * spm);
        const double cc = coherence(a, e);
        const double ref = 2000 + fsk.off;
        const double d = freqNear(a, e, ref) - ref;
        if (cc < 0.2 || std::fabs(d) < 35 || std::fabs(d) > 180) confident = false;
        if (d < 0) sym |= 1 << b;
    }
    return confident;
}

void RxEngine::scanFsk()
{
    const int64_t step = std::max<int64_t>(1, ms(1.0));
    const int64_t lo = avail() - kRing + ms(200);
    if (fskNext < lo) fskNext = lo;
    if (fskNext < ms(120)) fskNext = ms(120);
    for (;;) {
        if (fsk.active) {
            const int j = fsk.symbols;
            const double st = fsk.edge + (22.0 + 132.0 * j) * spm;
            if (int64_t(st + 133 * spm) > avail()) return;
            int sym;
            const bool ok = decodeFskSymbol(st, sym);
            ++fsk.symbols;
            bool done = false, accept = false;
            if (j == 0) {
                if (!ok || sym != 0x2A) done = true;
            } else if (fsk.ended) {
                // check symbol, when present
                accept = !ok || sym == fsk.xr || sym == 0x3F;
                done = true;
            } else if (!ok) {
                done = true;
            } else if (sym == 0x01) {
                fsk.ended = true;
            } else {
                fsk.text.push_back(char(sym + 0x20));
                fsk.xr ^= sym;
                if (fsk.text.size() > 20) done = true;
            }
            if (done) {
                const bool whole = fsk.ended;
                if (accept && !fsk.text.empty() && opts.fskIdRx) {
                    fskText = fsk.text;
                    events |= RxFskId;
                }
                // after a false start, look again right after where it was found
                fskNext = whole ? int64_t(st + 132 * spm) : fsk.found + std::max<int64_t>(1, ms(1.0));
                fsk = FskState();
            }
            continue;
        }
        const int64_t c = fskNext;
        if (c + ms(25) > avail()) return;
        fskNext += step;
        if (!ringHas(c - ms(101), c + ms(20))) continue;
        const int64_t a0 = c - ms(100), a1 = c - ms(4);
        if (coherence(a0, a1) < 0.3) continue;
        const double fa = freqNear(a0, a1, 2100);
        const int64_t b0 = c + ms(3), b1 = c + ms(19);
        if (coherence(b0, b1) < 0.3) continue;
        const double fb = freqNear(b0, b1, 1900);
        if (std::fabs(fa - fb - 200) > 30) continue;
        const double off = 0.5 * (fa + fb) - 2000;
        if (std::fabs(off) > 150) continue;
        fsk = FskState();
        fsk.active = true;
        fsk.found = c;
        fsk.off = off;
        fsk.edge = refineEdge(c, fa, fb, 15.0, true);
        {
            const int64_t e = int64_t(std::llround(fsk.edge));
            if (std::fabs(freqNear(e + ms(3), e + ms(19), fb) - fb) > 50 || std::fabs(freqNear(e - ms(60), e - ms(3), fa) - fa) > 50) {
                fsk = FskState();
                continue;
            }
        }
    }
}

// ---------------------------------------------------------------- picture

void RxEngine::startPicture(int mode, double a0, bool forced, double offset, double visEnd)
{
    if (file) { std::fclose(file); file = nullptr; }
    const ModeInfo &m = modeInfo(mode);
    Pic np;
    np.active = true;
    np.mode = mode;
    np.m = &m;
    np.layouts = m.layouts;
    np.forced = forced;
    np.a0 = a0;
    np.visEnd = visEnd;
    np.bNom = m.periodMs * spm;
    for (const Segment &seg : m.layouts[0])
        if (seg.kind == SegmentKind::Tone && seg.hz == m.syncHz)
            for (const Segment &next : m.layouts[0])
                if (next.kind == SegmentKind::Tone && std::fabs(next.startMs - seg.startMs - seg.lengthMs) < 0.01 &&
                    next.hz == (m.narrow ? kNarrowBlackHz : kBlackHz) && next.lengthMs >= 0.4)
                    np.porchMs = next.lengthMs;
    if (m.layouts.size() == 2) {
        const auto &l0 = m.layouts[0], &l1 = m.layouts[1];
        for (size_t i = 0; i < std::min(l0.size(), l1.size()); ++i)
            if (l0[i].kind == SegmentKind::Tone && l1[i].kind == SegmentKind::Tone && l0[i].hz != l1[i].hz) {
                np.marker = l0[i];
                np.markerHz[0] = l0[i].hz;
                np.markerHz[1] = l1[i].hz;
                break;
            }
    }
    np.offset = offset;
    const double black = m.blackHz();
    np.thr = 0.5 * (m.syncHz + black) + offset;
    np.gScale = std::max(40.0, 0.5 * (black - m.syncHz));
    np.scale = m.exposedWidth / std::max(1, m.width);
    np.rowsPerLine = m.exposedHeight / std::max(1, m.height);
    np.W = m.exposedWidth;
    np.H = m.height;
    for (auto &pl : np.planes) pl.clear();
    np.lineDone.assign(size_t(np.H), 0);
    np.sync.assign(size_t(m.periods), SyncMeas());
    np.drawnAt.assign(size_t(m.periods), 0.0);
    np.fit = {a0, np.bNom};
    np.trk = np.fit;
    np.waitingStart = forced || m.startFromHeader;
    np.forcedFrom = avail();
    np.keepFrom = int64_t(std::floor(std::min(a0, forced ? double(avail()) : a0) - m.leadMs * spm)) - ms(50);
    if (m.startFromHeader && !forced) np.keepFrom = int64_t(visEnd) - ms(50);
    np.startSec = (forced ? double(avail()) : a0 - m.leadMs * spm) / fw;
    p = std::move(np);
    curMode = mode;
    // The picture band follows the signal-to-noise ratio measured on the VIS leader: a
    // clean signal (25 dB or more in 3 kHz) gets the broad band and every detail; a fair
    // one (12 dB or more) the video tones with some margin; a weak one only the video
    // tones, lightly smoothed along and across lines. Short pixels in a broad band would
    // otherwise carry more noise than detail. (DSP filter "off" keeps the broad band.)
    if (opts.dspFilter == 1 && m.narrow != bpNarrowModes) {
        // narrow modes' tones (1900..2300 Hz, 256 Hz deviation) keep the band centred lower
        bpNarrowModes = m.narrow;
        if (m.narrow) bp.retune(1750, 2200, fw);
        else bp.retune(kBroadCentreHz, kBroadHalfWidthHz, fw);
    }
    weak = !forced && visSnrDb < 12 && opts.dspFilter != 0;
    fair = !forced && !weak && visSnrDb < 25 && opts.dspFilter != 0;
    // Noise in the band adds its own lag-1 correlation to the pixel sums, a vector at the
    // band's centre frequency that pulls every pixel towards mid-grey (at 0 dB about a
    // quarter of the contrast). Its share of |z|^2 follows from the SNR measured on the
    // leader and the band filter's own noise bandwidth and correlation (taken from its taps:
    // a short filter's noise bandwidth is well below its nominal width, and taking the
    // nominal one overcorrects, stretching a weak picture's contrast and colour), and
    // pixelHz() subtracts it.
    noiseLag1 = 0;
    if (weak) {
        const double nb = bpVideo.noiseBandwidthHz() / 3000.0 * std::pow(10.0, -visSnrDb / 10.0); // noise/signal in band
        noiseLag1 = cfloat(bpVideo.noiseLag1() * (nb / (1 + nb)));
    }
    lastStartSec = p.startSec;
    lastSlantPpm = 0;
    if (opts.autoClear || pic.width != m.exposedWidth || pic.height != m.exposedHeight)
        pic = RgbImage(m.exposedWidth, m.exposedHeight, 0);
    markDirty(0, pic.height);
    events |= RxStarted;
    if (opts.rxBuffer == 2) {
        file = std::tmpfile();
        fileBase = std::max(base, p.keepFrom);
        fileEnd = fileBase;
    }
}

void RxEngine::endPicture()
{
    if (!p.active) return;
    // Final placement: the whole picture redrawn on the best fit when the buffer allows.
    if (!p.waitingStart && p.next > 0 && (opts.autoSlant || opts.autoResync)) {
        refit();
        redraw(false);
    }
    if (weak && !p.waitingStart) {
        // the last lines never got all their lower neighbours: drawn with what there is
        const int last = std::min(p.H, p.next * p.m->linesPerPeriod);
        for (int l = std::max(0, last - kWeakReach); l < last; ++l) composeLine(l);
    }
    lastSlantPpm = 0;
    if (!p.waitingStart && p.next > 0 && p.m->syncHz > 0) {
        // the clock error, measured whether or not the picture was straightened with it
        const Fit keep = p.fit;
        const RxOptions o = opts;
        opts.autoSlant = true;
        refit();
        lastSlantPpm = (p.fit.b / p.bNom - 1.0) * 1e6;
        opts = o;
        p.fit = keep;
    }
    p.active = false;
    events |= RxEnded;
    finished.picture = pic;
    finished.mode = p.mode;
    finished.lines = std::min(p.H, p.next * p.m->linesPerPeriod) * p.rowsPerLine;
    finished.startSeconds = p.startSec;
    finished.slantPpm = lastSlantPpm;
    ++finished.count;
}

double RxEngine::pixelHz(const Span &s, double t0, double t1) const
{
    // p_i = z_i z*_{i-1} covers [i-1, i]; weight each by its overlap with [t0, t1).
    const int64_t i0 = int64_t(std::floor(t0)) + 1, i1 = int64_t(std::ceil(t1));
    if (i0 - 1 < s.begin || i1 >= s.end) return 0;
    cfloat acc = 0;
    float pw = 0;
    cfloat prev = s.zAt(i0 - 1);
    for (int64_t i = i0; i <= i1; ++i) {
        const cfloat cur = s.zAt(i);
        const float w = float(std::min(double(i), t1) - std::max(double(i - 1), t0));
        if (w > 0) {
            acc += w * (cur * std::conj(prev));
            pw += w * std::norm(cur);
        }
        prev = cur;
    }
    acc -= pw * noiseLag1;
    return fastAtan2(acc.imag(), acc.real()) * fw / kTwoPi;
}

double RxEngine::syncLength(const Span &s, double pos) const
{
    // length of the sync pulse starting at pos: where the score turns negative
    const int64_t a = int64_t(pos) + ms(2);
    const int64_t lim = int64_t(pos) + ms(14);
    if (!s.has(a, lim + 3)) return 0;
    for (int64_t i = a; i < lim; ++i) {
        double m = 0;
        for (int j = 0; j < 3; ++j) m += s.fAt(i + j);
        if (m / 3 > p.thr) return (double(i) + 1.0 - pos) / spm;
    }
    return (double(lim) - pos) / spm;
}

bool RxEngine::measureSync(const Span &s, int k, double pred, double win, SyncMeas &out) const
{
    (void)k;
    const ModeInfo &m = *p.m;
    const int64_t LaWide = std::max<int64_t>(3, ms(0.8 * std::min(m.syncMs, 9.0)));
    const int64_t LbWide = std::max<int64_t>(3, ms(1.5));
    // Step score "sync after, no sync before" on one of the frequency tracks; best position
    // in [c0, c1] with a parabolic peak.
    auto search = [&](bool narrow, int64_t c0, int64_t c1, double &pos, double &bs, int64_t La, int64_t Lb = 0,
                      bool rising = false) {
        if (Lb <= 0) Lb = LbWide;
        const double sign = rising ? -1.0 : 1.0;
        const int64_t a = c0 - Lb, b = c1 + La + 1;
        if (!s.has(a, b)) return false;
        std::vector<double> pre(size_t(b - a + 1), 0.0);
        const double thr = p.thr, sc = p.gScale;
        for (int64_t i = a; i < b; ++i) {
            const double fv = narrow ? s.fnAt(i) : s.fAt(i);
            pre[size_t(i - a + 1)] = pre[size_t(i - a)] + sign * std::clamp((thr - fv) / sc, -1.0, 1.0);
        }
        auto score = [&](int64_t e) {
            const double after = (pre[size_t(e + La - a)] - pre[size_t(e - a)]) / double(La);
            const double before = (pre[size_t(e - a)] - pre[size_t(e - Lb - a)]) / double(Lb);
            return after - before;
        };
        int64_t best = c0;
        bs = -1e30;
        for (int64_t e = c0; e <= c1; ++e) {
            const double v = score(e);
            if (v > bs) { bs = v; best = e; }
        }
        pos = double(best);
        if (best > c0 && best < c1) {
            const double l = score(best - 1), h = score(best + 1);
            const double den = l - 2 * bs + h;
            if (den < 0) pos += std::clamp(0.5 * (l - h) / den, -0.5, 0.5);
        }
        pos -= 0.5;
        return true;
    };
    double pos, bs;
    if (!search(true, int64_t(std::floor(pred - win)), int64_t(std::ceil(pred + win)), pos, bs, LaWide)) return false;
    // The narrow band finds the pulse in noise; the picture band places its edge exactly.
    double pos2, bs2;
    const int64_t r = std::max<int64_t>(2, ms(0.8));
    if (search(false, int64_t(std::floor(pos)) - r, int64_t(std::ceil(pos)) + r, pos2, bs2, LaWide) && bs2 >= 1.2) pos = pos2;
    if (p.porchMs > 0) {
        // The falling edge into the sync comes from whatever tone precedes it; from a bright
        // pixel the smeared step crosses the threshold late. The rising edge out of the sync
        // goes to the black porch, a step the threshold halves, so where the two agree the
        // sync is placed from its end (symmetric windows, inside the pulse and the porch).
        const int64_t L = std::max<int64_t>(2, ms(std::min(1.5, 0.8 * m.syncMs)));
        const double len = m.syncMs * spm * (p.trk.b > 0 ? p.trk.b / p.bNom : 1.0);
        const double end = pos + len;
        double pos3, bs3;
        if (search(false, int64_t(std::floor(end)) - r, int64_t(std::ceil(end)) + r, pos3, bs3, L, L, true) && bs3 >= 1.2 &&
            std::fabs(pos3 - end) < 0.5 * spm)
            pos = pos3 - len;
    }
    out.pos = pos;
    out.score = bs;
    out.measured = true;
    const double need = opts.syncAccuracy <= 0 ? 0.8 : (opts.syncAccuracy == 1 ? 1.0 : 1.2);
    out.found = bs >= need;
    return true;
}

Fit RxEngine::computeFit(bool slopeFree, bool anchored, const Fit &prev) const
{
    // Robust straight line through the found sync positions versus period number.
    std::vector<std::pair<double, double>> pts;
    for (int k = 0; k < int(p.sync.size()); ++k)
        if (p.sync[size_t(k)].found) pts.push_back({double(k), p.sync[size_t(k)].pos});
    const double bMin = p.bNom * (1 - p.m->periodRange), bMax = p.bNom * (1 + p.m->periodRange);
    Fit f{p.a0, p.bNom};
    if (pts.empty() || (p.m->syncHz == 0)) return f;
    auto medianA = [&](double b, const std::vector<std::pair<double, double>> &v) {
        std::vector<double> r;
        for (auto &q : v) r.push_back(q.second - b * q.first);
        std::nth_element(r.begin(), r.begin() + long(r.size() / 2), r.end());
        return r[r.size() / 2];
    };
    const double span = pts.back().first - pts.front().first;
    if (!slopeFree || pts.size() < 3 || span < 2) {
        f.b = p.bNom;
        if (slopeFree && prev.b > 0) f.b = prev.b;
        f.a = anchored ? p.a0 : medianA(f.b, pts);
        return f;
    }
    std::vector<std::pair<double, double>> use = pts;
    for (int it = 0; it < 4; ++it) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        const double n = double(use.size());
        for (auto &q : use) { sx += q.first; sy += q.second; sxx += q.first * q.first; sxy += q.first * q.second; }
        const double den = n * sxx - sx * sx;
        double b = den > 0 ? (n * sxy - sx * sy) / den : p.bNom;
        b = std::clamp(b, bMin, bMax);
        const double a = (sy - b * sx) / n;
        f = {a, b};
        // trim outliers: keep residuals within max(0.5 ms, 3 MAD)
        std::vector<double> res;
        for (auto &q : pts) res.push_back(std::fabs(q.second - (a + b * q.first)));
        std::vector<double> tmp = res;
        std::nth_element(tmp.begin(), tmp.begin() + long(tmp.size() / 2), tmp.end());
        const double lim = std::max(0.5 * spm, 3.0 * tmp[tmp.size() / 2] * 1.4826);
        std::vector<std::pair<double, double>> keep;
        for (size_t i = 0; i < pts.size(); ++i)
            if (res[i] <= lim) keep.push_back(pts[i]);
        if (keep.size() < 3 || keep.size() == use.size()) break;
        use = keep;
    }
    if (anchored) f.a = p.a0;
    return f;
}

void RxEngine::refit()
{
    // Tracking always follows the syncs, clock error included, so that they stay inside
    // the search window; the drawing follows them as far as Auto-Slant / Auto-Resync say.
    p.trk = computeFit(true, false, p.trk);
    p.fit = computeFit(opts.autoSlant || p.m->periodAlwaysFitted, !opts.autoResync && !p.forced, p.fit);
}

// Statistics for the colour-level rule: only flat stretches count (kFlatRun pixels or more
// within kFlatSpread levels of each other), judged by their mean, so the overshoot and
// ringing beside a sharp edge and the scatter of noise cannot pass for full-range levels.
void RxEngine::countLevels(const float *y, int n)
{
    p.yCount += n;
    int i = 0;
    while (i < n) {
        float lo = y[i], hi = y[i];
        double sum = y[i];
        int j = i + 1;
        for (; j < n; ++j) {
            const float nlo = std::min(lo, y[j]), nhi = std::max(hi, y[j]);
            if (nhi - nlo > kFlatSpread) break;
            lo = nlo; hi = nhi; sum += y[j];
        }
        if (j - i >= kFlatRun) {
            const double mean = sum / (j - i);
            if (mean < kFullLow) p.yLow += j - i;
            if (mean > kFullHigh) p.yHigh += j - i;
        }
        i = j;
    }
}

// Full range when more than 0.4 % of the luminance lies in flat stretches outside the
// studio range.
bool RxEngine::fullRangeNow() const
{
    if (p.yCount <= 0) return false;
    const int64_t outside = p.yLow + p.yHigh;
    return outside * 250 > p.yCount;
}

void RxEngine::decodePeriod(const Span &s, int k, double pos)
{
    const ModeInfo &m = *p.m;
    const int W = p.W;
    if (p.planes[0].empty()) {
        for (int c = 0; c < PlaneCount; ++c) p.planes[c].assign(size_t(W) * size_t(p.H), c == PCr || c == PCb ? 128.0f : 0.0f);
    }
    const auto &lay = p.layouts[size_t((k + p.parityShift) % int(p.layouts.size()))];
    std::vector<float> tmp;
    for (const Segment &seg : lay) {
        if (seg.kind != SegmentKind::Scan) continue;
        const int plane = planeOf(seg.channel);
        const int line = k * m.linesPerPeriod + seg.line;
        if (line >= p.H) continue;
        // Every scan is sampled at the full picture width: a chroma scan of half the length
        // is still a continuous signal, and reading it finely interpolates it better than
        // stretching its nominal samples afterwards.
        const int n = W;
        // the sample clock's error stretches the whole line, not only the sync spacing
        const double clk = p.fit.b > 0 ? p.fit.b / p.bNom : 1.0;
        const double t0 = pos + seg.startMs * spm * clk;
        const double dt = seg.lengthMs * spm * clk / n;
        // A clean signal's pixel is read over the middle 60 % of the scan's own sample time
        // (centred on each output pixel): the band filter smears every tone step over a
        // fraction of a millisecond, and the edges of the sample are where the neighbours
        // leak in. A noisy signal needs every sample it has: its window is the whole pixel.
        const double nativeDt = seg.samples > 0 ? seg.lengthMs * spm * clk / seg.samples : dt;
        const double win = (weak || fair) ? dt : kCleanPixelWindow * nativeDt;
        tmp.resize(size_t(n));
        for (int i = 0; i < n; ++i) {
            const double c = t0 + (i + 0.5) * dt;
            const double hz = pixelHz(s, c - 0.5 * win, c + 0.5 * win) - p.offset;
            tmp[size_t(i)] = float(m.narrow ? (hz - kNarrowBlackHz) * (255.0 / 256.0) : (hz - kBlackHz) * (255.0 / 800.0));
        }
        // a weak signal's pixels are averaged over about a millisecond, whatever the mode
        const int smoothR = std::max(1, int(std::lround(kWeakSmoothMs / (seg.lengthMs / n))));
        if ((weak || fair) && seg.samples * p.scale < n && n >= 3) {
            // a scan with fewer samples than the picture's width (chroma at half width) is
            // read finely but averaged over about its own sample time: [1 2 1] / 4
            std::vector<float> sm(tmp);
            for (int i = 1; i + 1 < n; ++i) sm[size_t(i)] = 0.25f * (tmp[size_t(i - 1)] + tmp[size_t(i + 1)]) + 0.5f * tmp[size_t(i)];
            tmp.swap(sm);
        }
        if (weak && n >= 5) {
            std::vector<float> sm(tmp);
            for (int i = 0; i < n; ++i) {
                double acc = 0;
                int cnt = 0;
                for (int j = std::max(0, i - smoothR); j <= std::min(n - 1, i + smoothR); ++j) { acc += tmp[size_t(j)]; ++cnt; }
                sm[size_t(i)] = float(acc / cnt);
            }
            tmp.swap(sm);
        }
        float *dst = p.planes[plane].data() + size_t(line) * size_t(W);
        if (n == W) {
            for (int i = 0; i < W; ++i) dst[i] = tmp[size_t(i)];
        } else {
            // chroma at part width: linear interpolation at the sample centres
            for (int x = 0; x < W; ++x) {
                const double u = (x + 0.5) * n / W - 0.5;
                const int i = std::clamp(int(std::floor(u)), 0, n - 1);
                const int j = std::min(i + 1, n - 1);
                const double fr = std::clamp(u - i, 0.0, 1.0);
                dst[x] = float(tmp[size_t(i)] * (1 - fr) + tmp[size_t(j)] * fr);
            }
        }
        if (seg.channel == Channel::Y) countLevels(dst, W);
    }
    for (int l = 0; l < m.linesPerPeriod; ++l) {
        const int line = k * m.linesPerPeriod + l;
        if (line < p.H) p.lineDone[size_t(line)] = 1;
    }
}

void RxEngine::markDirty(int r0, int r1)
{
    if (r1 <= r0) return;
    if (dirtyTo <= dirtyFrom) { dirtyFrom = r0; dirtyTo = r1; return; }
    dirtyFrom = std::min(dirtyFrom, r0);
    dirtyTo = std::max(dirtyTo, r1);
}

static inline uint8_t clampU8(float v)
{
    return uint8_t(std::clamp(int(std::lround(v)), 0, 255));
}

// A weak signal's row of luminance (or R, G or B) with its noise filtered out but its edges
// kept. Near the noise floor a pixel's own reading is worth little, so each pixel becomes the
// mean of its neighbourhood (kDenoiseLines x kDenoisePixels on either side), leaving out
// neighbours that differ from it by more than a few noise deviations: flat areas are
// averaged over a hundred readings, while a step between two areas is kept because neither
// side takes part in the other's mean. The pixel's own level is judged by the median of its
// 3 x 3 neighbourhood, so an FM click (one reading far off) neither survives nor spreads, and
// a wide click is left out of its neighbours' means. The noise deviation is measured
// on the picture itself, from the differences between this row and its neighbour rows
// (their median, which picture edges barely move).
void RxEngine::weakRow(int pl, int line, float *out)
{
    const int W = p.W;
    constexpr int R = kDenoiseLines;
    const float *rows[2 * R + 1] = {};
    for (int dy = -R; dy <= R; ++dy) {
        const int l = line + dy;
        if (l >= 0 && l < p.H && p.lineDone[size_t(l)]) rows[dy + R] = p.planes[pl].data() + size_t(l) * size_t(W);
    }
    const float *c = rows[R];
    std::vector<float> d;
    d.reserve(size_t(2 * W));
    for (int dy : {-1, 1})
        if (const float *n = rows[R + dy])
            for (int x = 0; x < W; ++x) d.push_back(std::fabs(c[x] - n[x]));
    float sigma = 20; // a lone line: about what 0 dB leaves
    if (!d.empty()) {
        std::nth_element(d.begin(), d.begin() + long(d.size() / 2), d.end());
        sigma = 1.4826f * d[d.size() / 2] / std::numbers::sqrt2_v<float>;
    }
    const float h = std::max(1.0f, kDenoiseStep * sigma);
    const float inv = 1.0f / (h * h);
    // Tukey's biweight mean around `centre`: full weight for a neighbour at the same level,
    // none beyond h
    auto biweightMean = [&](int x, float centre) {
        float acc = 0, ws = 0;
        for (int dy = -R; dy <= R; ++dy) {
            const float *r = rows[dy + R];
            if (!r) continue;
            for (int xx = std::max(0, x - kDenoisePixels); xx <= std::min(W - 1, x + kDenoisePixels); ++xx) {
                const float e = r[xx] - centre;
                const float u = std::max(0.0f, 1.0f - e * e * inv);
                acc += u * u * r[xx];
                ws += u * u;
            }
        }
        return ws > 0 ? acc / ws : centre;
    };
    for (int x = 0; x < W; ++x) {
        float v[9];
        int n = 0;
        for (int dy = -1; dy <= 1; ++dy)
            if (const float *r = rows[R + dy])
                for (int dx = -1; dx <= 1; ++dx) v[n++] = r[std::clamp(x + dx, 0, W - 1)];
        std::nth_element(v, v + n / 2, v + n);
        // a second pass around the first mean: the median alone sits off-centre near edges
        out[x] = biweightMean(x, biweightMean(x, v[n / 2]));
    }
    if (pl == PY) {
        if (p.yClean.size() != p.planes[PY].size()) p.yClean = p.planes[PY];
        std::copy(out, out + W, p.yClean.data() + size_t(line) * size_t(W));
    }
}

// A weak signal's colour differences for one line. Colour scans are shorter than luminance
// scans (or shared by two lines), so near the noise floor colour is far noisier than
// brightness, while a picture's colour changes only where its brightness does too. Each
// colour value is therefore averaged over the rows that carry that colour within
// kChromaLines and kChromaPixels on either side, weighted by how close their filtered
// luminance is to this pixel's: colour is smoothed within an area and not across the edge
// between two areas of different brightness.
void RxEngine::weakChroma(int line, float *cr, float *cb) const
{
    const ModeInfo &m = *p.m;
    const int W = p.W;
    if (p.yClean.size() != p.planes[PY].size()) return;
    const float *yc = p.yClean.data() + size_t(line) * size_t(W);
    constexpr float inv = 1.0f / (kChromaStep * kChromaStep);
    for (int pl : {PCr, PCb}) {
        float *out = pl == PCr ? cr : cb;
        const float *cRows[2 * kChromaLines + 1], *yRows[2 * kChromaLines + 1];
        int nr = 0;
        for (int r = line - kChromaLines; r <= line + kChromaLines; ++r) {
            if (r < 0 || r >= p.H || !p.lineDone[size_t(r)]) continue;
            // which rows hold this colour: every row, the first of each pair, or Cr on even
            // rows and Cb on odd ones
            if (m.colour == ColourEncoding::YccAlternating && (r & 1) != (pl == PCr ? 0 : 1)) continue;
            if (m.colour == ColourEncoding::YccTwoLine && (r & 1)) continue;
            cRows[nr] = p.planes[pl].data() + size_t(r) * size_t(W);
            yRows[nr++] = p.yClean.data() + size_t(r) * size_t(W);
        }
        if (nr == 0) continue;
        // weighted by luminance likeness and, once the area's colour is known, leaving out
        // readings far from it (clicks)
        constexpr float invOut = 1.0f / (kChromaOutlier * kChromaOutlier);
        auto mean = [&](int x, const float *centre) {
            float acc = 0, ws = 0;
            for (int k = 0; k < nr; ++k)
                for (int xx = std::max(0, x - kChromaPixels); xx <= std::min(W - 1, x + kChromaPixels); ++xx) {
                    const float e = yRows[k][xx] - yc[x];
                    float u = std::max(0.0f, 1.0f - e * e * inv);
                    if (centre) {
                        const float ec = cRows[k][xx] - *centre;
                        u *= std::max(0.0f, 1.0f - ec * ec * invOut);
                    }
                    acc += u * u * cRows[k][xx];
                    ws += u * u;
                }
            return ws > 0 ? std::optional<float>(acc / ws) : std::nullopt;
        };
        for (int x = 0; x < W; ++x)
            if (const auto first = mean(x, nullptr)) out[x] = mean(x, &*first).value_or(*first);
    }
}

void RxEngine::composeLine(int line, bool provisional)
{
    const ModeInfo &m = *p.m;
    if (line < 0 || line >= p.H || !p.lineDone[size_t(line)] || p.planes[0].empty()) return;
    const int W = p.W;
    const size_t row = size_t(line) * size_t(W);
    std::vector<uint8_t> out(size_t(W) * 3);
    // A weak signal's luminance (or R, G, B) is also filtered across its neighbouring lines.
    std::vector<float> smooth[PlaneCount];
    auto P = [&](int pl, size_t r) -> const float * {
        const float *c = p.planes[pl].data() + r;
        if (!weak || r != row || pl == PCr || pl == PCb) return c;
        auto &buf = smooth[pl];
        if (buf.empty()) {
            buf.resize(size_t(W));
            weakRow(pl, line, buf.data());
        }
        return buf.data();
    };
    switch (m.colour) {
    case ColourEncoding::Rgb: {
        const float *r = P(PR, row), *g = P(PG, row), *b = P(PB, row);
        for (int x = 0; x < W; ++x) {
            out[size_t(3 * x)] = clampU8(r[x]);
            out[size_t(3 * x + 1)] = clampU8(g[x]);
            out[size_t(3 * x + 2)] = clampU8(b[x]);
        }
        break;
    }
    case ColourEncoding::Grey: {
        const float *v = P(PGrey, row);
        for (int x = 0; x < W; ++x) out[size_t(3 * x)] = out[size_t(3 * x + 1)] = out[size_t(3 * x + 2)] = clampU8(v[x]);
        break;
    }
    default: {
        // Chroma rows: 4:2:2 modes carry their own; Robot 36 and the two-line modes carry one
        // chroma row per pair of lines, centred between them, so each line takes 3/4 of its
        // own pair's and 1/4 of the neighbouring pair's (when it has arrived).
        const float *y = P(PY, row);
        std::vector<float> crv(size_t(W), 128.0f), cbv(size_t(W), 128.0f);
        auto pairRows = [&](int pair, int &crR, int &cbR) {
            crR = cbR = -1;
            if (pair < 0 || pair + 1 > p.H) return;
            if (m.colour == ColourEncoding::YccAlternating) {
                if (p.lineDone[size_t(pair)]) crR = pair;
                if (pair + 1 < p.H && p.lineDone[size_t(pair + 1)]) cbR = pair + 1;
            } else if (p.lineDone[size_t(pair)]) {
                crR = cbR = pair;
            }
        };
        if (m.colour == ColourEncoding::Ycc422) {
            std::copy(P(PCr, row), P(PCr, row) + W, crv.begin());
            std::copy(P(PCb, row), P(PCb, row) + W, cbv.begin());
        } else {
            const int pair = line & ~1;
            const int other = (line & 1) ? pair + 2 : pair - 2;
            int cr0, cb0, cr1, cb1;
            pairRows(pair, cr0, cb0);
            pairRows(other, cr1, cb1);
            if (cb0 < 0 && m.colour == ColourEncoding::YccAlternating) {
                // the pair's Cb has not arrived yet: borrow the previous pair's
                int a1, b1;
                pairRows(pair - 2, a1, b1);
                cb0 = b1;
            }
            auto mix = [&](std::vector<float> &dst, int pl, int r0, int r1) {
                if (r0 < 0) return;
                const float *a0 = P(pl, size_t(r0) * size_t(W));
                if (r1 < 0) { std::copy(a0, a0 + W, dst.begin()); return; }
                const float *a1 = P(pl, size_t(r1) * size_t(W));
                for (int x = 0; x < W; ++x) dst[size_t(x)] = 0.75f * a0[x] + 0.25f * a1[x];
            };
            if (m.colour == ColourEncoding::YccAlternating) {
                // Robot 36 senders differ in where a line pair's chroma sits: some average
                // the pair, others take Cr from the even line and Cb from the odd one. The
                // weights below sit halfway between the two conventions, which costs either
                // kind of sender well under a dB and suits both.
                const int k = line / 2;
                auto blend = [&](std::vector<float> &dst, int pl, int rowOwn, int rowOther, float wOwn) {
                    const bool ownOk = rowOwn >= 0 && rowOwn < p.H && p.lineDone[size_t(rowOwn)];
                    const bool othOk = rowOther >= 0 && rowOther < p.H && p.lineDone[size_t(rowOther)];
                    if (!ownOk && !othOk) return;
                    const float *a0 = P(pl, size_t(ownOk ? rowOwn : rowOther) * size_t(W));
                    if (!ownOk || !othOk) { std::copy(a0, a0 + W, dst.begin()); return; }
                    const float *a1 = P(pl, size_t(rowOther) * size_t(W));
                    for (int x = 0; x < W; ++x) dst[size_t(x)] = wOwn * a0[x] + (1 - wOwn) * a1[x];
                };
                if (!(line & 1)) {
                    blend(crv, PCr, 2 * k, 2 * k - 2, 0.875f);
                    blend(cbv, PCb, 2 * k + 1, 2 * k - 1, 0.625f);
                } else {
                    blend(crv, PCr, 2 * k, 2 * k + 2, 0.625f);
                    blend(cbv, PCb, 2 * k + 1, 2 * k + 3, 0.875f);
                }
            } else {
                mix(crv, PCr, cr0, cr1);
                mix(cbv, PCb, cb0, cb1);
            }
        }
        if (weak && !provisional) weakChroma(line, crv.data(), cbv.data());
        uint8_t px[3];
        for (int x = 0; x < W; ++x) {
            if (p.fullRange) yccFullToRgb(y[x], crv[size_t(x)], cbv[size_t(x)], px);
            else yccStudioToRgb(y[x], crv[size_t(x)], cbv[size_t(x)], px);
            out[size_t(3 * x)] = px[0];
            out[size_t(3 * x + 1)] = px[1];
            out[size_t(3 * x + 2)] = px[2];
        }
    }
    }
    const int r0 = line * p.rowsPerLine;
    for (int rr = 0; rr < p.rowsPerLine; ++rr) {
        if (r0 + rr >= pic.height) break;
        std::copy(out.begin(), out.end(), pic.pixel(0, r0 + rr));
    }
    markDirty(r0, std::min(pic.height, r0 + p.rowsPerLine));
}

void RxEngine::composeAll()
{
    if (weak && p.m->colour != ColourEncoding::Rgb && p.m->colour != ColourEncoding::Grey && !p.planes[PY].empty()) {
        // each line's colour filter reads the filtered luminance of the lines below it too
        std::vector<float> row(size_t(p.W));
        for (int l = 0; l < p.H; ++l)
            if (p.lineDone[size_t(l)]) weakRow(PY, l, row.data());
    }
    for (int l = 0; l < p.H; ++l) composeLine(l);
}

bool RxEngine::loadSpan(std::vector<cfloat> &zb, std::vector<float> &fb, std::vector<float> &fnb, Span &out)
{
    if (opts.rxBuffer == 1 || !file) {
        out = span();
        return opts.rxBuffer != 0;
    }
    // file: read the whole kept stretch (16 bytes a sample: z, f, fn)
    if (p.active) flushFile();
    std::fflush(file);
    const int64_t n = fileEnd - fileBase;
    zb.resize(size_t(n));
    fb.resize(size_t(n));
    fnb.resize(size_t(n));
    std::fseek(file, 0, SEEK_SET);
    std::vector<char> raw(size_t(n) * 16);
    const size_t got = std::fread(raw.data(), 16, size_t(n), file);
    for (size_t i = 0; i < got; ++i) {
        std::memcpy(&zb[i], raw.data() + 16 * i, 8);
        std::memcpy(&fb[i], raw.data() + 16 * i + 8, 4);
        std::memcpy(&fnb[i], raw.data() + 16 * i + 12, 4);
    }
    out = {zb.data(), fb.data(), fnb.data(), fileBase, fileBase + int64_t(got)};
    return true;
}

bool RxEngine::redraw(bool remeasure)
{
    if (opts.rxBuffer == 0 || p.m == nullptr || p.waitingStart) return false;
    std::vector<cfloat> zb;
    std::vector<float> fb, fnb;
    Span s;
    if (!loadSpan(zb, fb, fnb, s)) return false;
    if (remeasure && p.m->syncHz > 0) {
        // find the syncs again from the start, following them line by line
        for (auto &sm : p.sync) sm = SyncMeas();
        p.trk = {p.a0, p.bNom};
        const double early = std::max(10.0, p.m->syncMs) * spm, late = 5.0 * spm;
        int miss = 0;
        for (int k = 0; k < p.next; ++k) {
            SyncMeas sm;
            if (measureSync(s, k, trackPos(k), (k < 8 || miss >= 3) ? early : late, sm)) p.sync[size_t(k)] = sm;
            miss = sm.found ? 0 : miss + 1;
            if (sm.found) p.trk = computeFit(true, false, p.trk);
        }
        refit();
    }
    p.yCount = p.yLow = p.yHigh = 0; // the levels are counted again as the picture is redrawn
    for (int k = 0; k < p.next; ++k) {
        const double pos = periodPos(k);
        decodePeriod(s, k, pos);
        p.drawnAt[size_t(k)] = pos;
    }
    p.fullRange = fullRangeNow();
    composeAll();
    p.lastRedraw = p.next;
    return true;
}

void RxEngine::robot24Check(const Span &s, int k, double pos)
{
    if (p.m->altLayout.empty() || k >= 8) return;
    const double len = syncLength(s, pos);
    if (len > 0) p.syncLens.push_back(len);
    if (p.syncLens.size() >= 3 && k < 8) {
        std::vector<double> v = p.syncLens;
        std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
        const int variant = v[v.size() / 2] > 0.5 * (p.m->syncMs + p.m->altLayoutSyncMs) ? 1 : 0;
        if (variant != p.r24Variant) {
            p.r24Variant = variant;
            if (variant == 1) {
                p.layouts = {p.m->altLayout};
            } else {
                p.layouts = p.m->layouts;
            }
            redecodeDrawn(s, k);
        }
    }
}

void RxEngine::redecodeDrawn(const Span &s, int upTo)
{
    // Lines drawn before a layout decision, decoded again where their signal is still kept.
    double lo = 0, hi = 0;
    for (const auto &lay : p.layouts)
        for (const auto &seg : lay) { lo = std::min(lo, seg.startMs); hi = std::max(hi, seg.startMs + seg.lengthMs); }
    for (int j = 0; j < upTo; ++j) {
        const double pos = p.drawnAt[size_t(j)];
        if (s.has(int64_t(pos + lo * spm) - 2, int64_t(pos + hi * spm) + 2)) decodePeriod(s, j, pos);
    }
    composeAll();
}

void RxEngine::scottieCheck(const Span &s, int k, double pos)
{
    // Some encoders keep the Scottie line but shorten each colour scan by 1.5 ms, leaving
    // 1.5 ms of black at the end of every scan. When the last 1.5 ms of the scans are black
    // on nearly every line while the picture just before them mostly is not (so it is not
    // a black picture edge), the scans are read at that shorter length.
    if (p.m->shortenedScanMs <= 0 || p.scottieSeen < 0 || k >= 160) return;
    const ModeInfo &m = *p.m;
    for (const Segment &seg : m.layout(k)) {
        if (seg.kind != SegmentKind::Scan) continue;
        const double end = pos + (seg.startMs + seg.lengthMs) * spm;
        // the cut-off part (its ends left out) and a stretch of picture just before it
        const double cut = m.shortenedScanMs;
        const double g = pixelHz(s, end - (cut - 0.2) * spm, end - 0.5 * spm) - p.offset;
        const double c = pixelHz(s, end - (cut + 1.8) * spm, end - (cut + 0.4) * spm) - p.offset;
        ++p.scottieSeen;
        if (std::fabs(g - kBlackHz) < 80) ++p.scottieGap;
        if (std::fabs(c - kBlackHz) < 80) ++p.scottieBlack;
    }
    if (k >= 8 && p.scottieGap >= 0.95 * p.scottieSeen && p.scottieBlack <= 0.75 * p.scottieSeen) {
        p.scottieSeen = -1; // decided
        for (auto &lay : p.layouts)
            for (auto &seg : lay)
                if (seg.kind == SegmentKind::Scan) seg.lengthMs -= m.shortenedScanMs;
        redecodeDrawn(s, k);
    }
}

void RxEngine::startAvt()
{
    // AVT 90: decode the 32 header words; any word that checks gives the image start.
    const Span s = span();
    const double W = 17 * kAvtBitMs * spm;
    const double bit = kAvtBitMs * spm;
    std::vector<std::pair<int, int>> good; // (slot, counter)
    for (int j = 0; j < kAvtWords + 2; ++j) {
        const double w0 = p.visEnd + j * W;
        unsigned word = 0;
        bool ok = true;
        for (int b = 0; b < 16; ++b) {
            const double c = w0 + (b + 1.5) * bit;
            const double hz = pixelHz(s, c - 0.3 * bit, c + 0.3 * bit);
            if (hz == 0) { ok = false; break; }
            if (hz - p.offset > kAvtMarkerHz) word |= 1u << (15 - b);
        }
        if (!ok) continue;
        const unsigned hi = word >> 8, lo = word & 0xFF;
        if (((~hi) & 0xFF) != lo) continue;
        good.push_back({j, int(hi & 0x1F)});
    }
    double start = p.visEnd + kAvtWords * W;
    if (!good.empty()) {
        int dir = 1;
        for (size_t i = 1; i < good.size(); ++i) {
            const int ds = good[i].first - good[i - 1].first, dc = good[i].second - good[i - 1].second;
            if (ds == 1 && dc == -1) { dir = -1; break; }
            if (ds == 1 && dc == 1) { dir = 1; break; }
        }
        std::vector<double> est;
        for (auto &g : good) {
            const double end = p.visEnd + (g.first + 1) * W;
            est.push_back(end + (dir > 0 ? 31 - g.second : g.second) * W);
        }
        std::nth_element(est.begin(), est.begin() + long(est.size() / 2), est.end());
        start = est[est.size() / 2];
    }
    p.a0 = start;
    p.fit = {start, p.bNom};
    p.trk = p.fit;
    p.waitingStart = false;
}

void RxEngine::startForced()
{
    // Force RX: find the sync phase by folding the edge score over three periods.
    const ModeInfo &m = *p.m;
    const Span s = span();
    const double P = p.bNom;
    const double from = double(p.forcedFrom) + m.leadMs * spm;
    if (m.syncHz == 0) {
        p.a0 = double(p.forcedFrom);
        p.fit = {p.a0, P};
        p.trk = p.fit;
        p.waitingStart = false;
        return;
    }
    const int steps = int(P);
    double best = -1e30, bestPos = from;
    // Coarse scan at 1 ms over one period, summed over several periods: a lone sync-like
    // stretch (a VIS bit, dark picture content) does not win against a regular sync train.
    const int folds = forcedFolds();
    const int stride = std::max(1, int(spm));
    std::vector<double> acc(size_t(steps), 0.0);
    for (int j = 0; j < folds; ++j) {
        SyncMeas sm;
        for (int ph = 0; ph < steps; ph += stride)
            if (measureSync(s, 0, from + ph + j * P, 0, sm)) acc[size_t(ph)] += std::max(sm.score, -0.5);
    }
    for (int ph = 0; ph < steps; ph += stride)
        if (acc[size_t(ph)] > best) { best = acc[size_t(ph)]; bestPos = from + ph; }
    SyncMeas sm;
    if (measureSync(s, 0, bestPos, spm, sm)) bestPos = sm.pos;
    p.a0 = bestPos;
    p.fit = {bestPos, P};
    p.trk = p.fit;
    p.waitingStart = false;
}

void RxEngine::progress()
{
    if (!p.active) return;
    const ModeInfo &m = *p.m;
    if (p.waitingStart) {
        if (m.startFromHeader && !p.forced) {
            if (p.visEnd + (kAvtWords + 2.5) * 17 * kAvtBitMs * spm >= double(fAvail())) return;
            startAvt();
        } else {
            if (double(p.forcedFrom) + ((forcedFolds() + 0.2) * m.periodMs + m.syncMs + 10 + m.leadMs) * spm >= double(fAvail())) return;
            startForced();
        }
    }
    const Span s = span();
    // end of period content relative to its sync
    double endMs = 0;
    for (const auto &lay : p.layouts)
        for (const auto &seg : lay) endMs = std::max(endMs, seg.startMs + seg.lengthMs);
    const double winEarly = std::max(10.0, m.syncMs) * spm;
    const double winLate = (opts.syncAccuracy >= 2 ? 3.0 : opts.syncAccuracy == 1 ? 5.0 : 8.0) * spm;
    const double minPix = 0.1 * spm;
    (void)minPix;
    while (p.next < m.periods) {
        const int k = p.next;
        double pred = hasSyncTrack() ? trackPos(k) : periodPos(k);
        const bool hasSync = m.syncHz > 0;
        const double win = (k < 8 || p.missRun >= 3) ? winEarly : winLate;
        const double needSync = pred + win + m.syncMs * spm + 2 * spm;
        const double needData = std::max(needSync, pred + endMs * spm + win + 2 * spm);
        if (needData >= double(fAvail())) break;
        if (hasSync) {
            SyncMeas sm;
            measureSync(s, k, pred, win, sm);
            p.sync[size_t(k)] = sm;
            if (sm.score < 0.6) ++p.missRun;
            else { p.missRun = 0; p.lastGood = k; }
            if (sm.found) refit();
            pred = periodPos(k);
            robot24Check(s, k, sm.found ? sm.pos : pred);
            scottieCheck(s, k, pred);
            // Alternating layouts without a VIS (Robot 36): the tone that tells them apart (the
            // separator) says which of them a period carries.
            if (p.marker.lengthMs > 0 && p.forced && k < 16) {
                const double t0 = pred + (p.marker.startMs + 0.5) * spm, t1 = pred + (p.marker.startMs + p.marker.lengthMs - 0.5) * spm;
                const double sep = pixelHz(s, t0, t1) - p.offset;
                const bool firstLayout = std::fabs(sep - p.markerHz[0]) < std::fabs(sep - p.markerHz[1]);
                if (firstLayout == (k % 2 == 0)) ++p.parVotesSame;
                else ++p.parVotesSwap;
                const int shift = p.parVotesSwap > 2 * p.parVotesSame && p.parVotesSwap >= 4 ? 1 : 0;
                if (shift != p.parityShift) {
                    p.parityShift = shift;
                    for (int j = 0; j < k; ++j) decodePeriod(s, j, p.drawnAt[size_t(j)]);
                    composeAll();
                }
            }
        } else {
            // no sync (AVT): the signal's presence is judged from the envelope
            const int64_t a = int64_t(pred), b = int64_t(pred + p.bNom);
            double m1 = 0, m2 = 0;
            for (int64_t i = a; i < b; ++i) {
                const double v = std::abs(s.zAt(i));
                m1 += v; m2 += v * v;
            }
            const double n = double(std::max<int64_t>(1, b - a));
            m1 /= n; m2 /= n;
            const bool present = m1 > 1e-4 && m2 / (m1 * m1) - 1 < 0.12;
            if (present) { p.missRun = 0; p.lastGood = k; }
            else ++p.missRun;
        }
        decodePeriod(s, k, pred);
        p.drawnAt[size_t(k)] = pred;
        const bool wasFull = p.fullRange;
        p.fullRange = fullRangeNow();
        ++p.next;
        if (weak) {
            // A weak signal's lines are drawn as they arrive, with the neighbours they have,
            // and drawn again once every line their noise filter reaches has arrived.
            for (int l = k * m.linesPerPeriod - kWeakReach; l < (k + 1) * m.linesPerPeriod - kWeakReach; ++l) composeLine(l);
        }
        if (wasFull != p.fullRange) composeAll();
        else
            for (int l = 0; l < m.linesPerPeriod; ++l) {
                const int line = k * m.linesPerPeriod + l;
                composeLine(line, weak);
                if ((m.colour == ColourEncoding::YccAlternating || m.colour == ColourEncoding::YccTwoLine) && (line & 1)) {
                    // the pair is complete: its first line and the previous pair's second
                    // line take its chroma
                    composeLine(line - 1, weak);
                    composeLine(line - 2, weak && line - 2 > k * m.linesPerPeriod - kWeakReach);
                }
            }
        // lost signal
        const int lostAfter = std::max(4, int(std::ceil(1500.0 / m.periodMs)));
        if (opts.autoStop && p.missRun >= lostAfter) {
            p.next = std::max(0, p.lastGood + 1);
            endPicture();
            return;
        }
        // redraw when the fit has moved lines already drawn
        if (hasSync && opts.rxBuffer != 0 && (opts.autoSlant || opts.autoResync) && p.next - p.lastRedraw >= 8) {
            double worst = 0;
            for (int j = 0; j < p.next; ++j) worst = std::max(worst, std::fabs(periodPos(j) - p.drawnAt[size_t(j)]));
            // (a weak signal's pixels are averaged over half a millisecond or more, and its
            // redraw, filters and all, costs far more: it waits for a larger move)
            if (worst > (weak ? 0.25 : 0.08) * spm) redraw(false);
        }
    }
    if (p.next >= m.periods) endPicture();
}

void RxEngine::flushFile()
{
    const int64_t to = fAvail();
    std::vector<char> raw(size_t(std::max<int64_t>(0, to - fileEnd)) * 16);
    size_t o = 0;
    for (int64_t i = std::max(fileEnd, base); i < to; ++i, o += 16) {
        std::memcpy(raw.data() + o, &z[size_t(i - base)], 8);
        std::memcpy(raw.data() + o + 8, &f[size_t(i - base)], 4);
        std::memcpy(raw.data() + o + 12, &fn[size_t(i - base)], 4);
    }
    if (o) std::fwrite(raw.data(), 1, o, file);
    fileEnd = to;
}

void RxEngine::trim()
{
    int64_t keep = avail() - ms(3000);
    if (p.active) {
        if (opts.rxBuffer == 1) keep = std::min(keep, p.keepFrom);
        else if (p.waitingStart) keep = std::min(keep, p.keepFrom);
        else keep = std::min(keep, int64_t(periodPos(p.next) - p.m->leadMs * spm - p.bNom) - ms(100));
    } else if (p.m && opts.rxBuffer == 1 && double(avail()) < double(p.keepFrom) + p.bNom * p.m->periods + 60 * fw) {
        // the last picture stays available for a redraw for a minute after its end
        keep = std::min(keep, p.keepFrom);
    }
    if (file && p.active) {
        // the file holds the picture's own signal, up to its end
        flushFile();
        keep = std::min(keep, fileEnd - ms(10));
    }
    if (keep - base > (int64_t(1) << 20)) {
        const int64_t drop = keep - base;
        z.erase(z.begin(), z.begin() + drop);
        f.erase(f.begin(), f.begin() + drop);
        fn.erase(fn.begin(), fn.begin() + drop);
        base = keep;
    }
}

void RxEngine::advance()
{
    scanVis();
    scanFsk();
    progress();
    trim();
}

} // namespace vareror::core

// ---------------------------------------------------------------- public interface

#include <cstdlib>
#include <cstring>

namespace vareror::core {

Receiver::Receiver(double sampleRate) : d(std::make_unique<RxEngine>(sampleRate)) {}
Receiver::~Receiver() = default;

void Receiver::setOptions(const RxOptions &o)
{
    const bool filt = o.dspFilter != d->opts.dspFilter || o.lmsSmoothing != d->opts.lmsSmoothing;
    d->opts = o;
    d->opts.syncAccuracy = std::clamp(o.syncAccuracy, 0, 2);
    d->opts.rxBuffer = std::clamp(o.rxBuffer, 0, 2);
    d->opts.demodulator = std::clamp(o.demodulator, 0, 2);
    d->opts.dspFilter = std::clamp(o.dspFilter, 0, 3);
    if (filt) d->configureFilters();
}
RxOptions Receiver::options() const { return d->opts; }
void Receiver::setLms(int mode)
{
    d->lmsMode = std::clamp(mode, 0, 3);
    d->configureFilters();
}
int Receiver::lms() const { return d->lmsMode; }
void Receiver::setNotch(double hz)
{
    d->notchHz = hz > 0 ? hz : 0;
    d->notchF.configure(d->notchHz, d->fw);
}
double Receiver::notch() const { return d->notchHz; }
void Receiver::process(const float *samples, size_t n) { d->process(samples, n); }
unsigned Receiver::takeEvents()
{
    const unsigned e = d->events;
    d->events = 0;
    return e;
}
void Receiver::startScan(int mode)
{
    if (!validMode(mode)) return;
    if (d->p.active) d->endPicture();
    d->startPicture(mode, double(d->avail()), true, 0.0, 0.0);
}
void Receiver::stopScan()
{
    if (d->p.active) d->endPicture();
}
bool Receiver::receiving() const { return d->p.active; }
int Receiver::mode() const { return d->curMode; }
int Receiver::linesReceived() const
{
    if (!d->p.m) return 0;
    const int lines = std::min(d->p.H, d->p.next * d->p.m->linesPerPeriod);
    return lines * d->p.rowsPerLine;
}
const RgbImage &Receiver::picture() const { return d->pic; }
int Receiver::dirtyFrom() const { return d->dirtyFrom; }
int Receiver::dirtyTo() const { return d->dirtyTo; }
void Receiver::clearDirty() { d->dirtyFrom = d->dirtyTo = 0; }
std::string Receiver::fskId() const { return d->fskText; }
bool Receiver::resync()
{
    if (d->opts.rxBuffer == 0 || !d->p.m || d->p.next == 0) return false;
    return d->redraw(true);
}
bool Receiver::correctSlant()
{
    if (d->opts.rxBuffer == 0 || !d->p.m || d->p.next == 0 || d->p.m->syncHz == 0) return false;
    const RxOptions keep = d->opts;
    d->opts.autoSlant = true;
    d->opts.autoResync = true;
    const bool ok = d->redraw(true);
    d->opts = keep;
    d->lastSlantPpm = (d->p.fit.b / d->p.bNom - 1.0) * 1e6;
    return ok;
}
double Receiver::slantPpm() const { return d->lastSlantPpm; }
const Receiver::Finished &Receiver::lastFinished() const { return d->finished; }
double Receiver::sampleRate() const { return d->inRate; }
double Receiver::pictureStartSeconds() const { return d->lastStartSec; }
double Receiver::tuningOffsetHz() const { return d->lastOffset; }
uint64_t Receiver::samplesProcessed() const { return d->inputCount; }

} // namespace vareror::core
