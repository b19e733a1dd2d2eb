#include "picture_composer.h"

#include "neighbourhood_sums.h"
#include "signal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vareror::core::rx {

namespace {
constexpr int PR = planeOf(Channel::R), PG = planeOf(Channel::G), PB = planeOf(Channel::B), PY = planeOf(Channel::Y),
              PCr = planeOf(Channel::Cr), PCb = planeOf(Channel::Cb), PGrey = planeOf(Channel::Grey);
constexpr float kFlatSpread = 8.0f;   // colour-level rule: a flat stretch's spread (levels)
constexpr int kFlatRun = 8;           // ... and its least length (pixels)
constexpr double kFullLow = 8, kFullHigh = 247; // flat levels only a full-range encoder sends
// Weak signals, across lines: the edge-preserving filter's reach (lines, pixels) and the
// size of a step it keeps, in noise standard deviations; the colour filter's reach, the
// brightness step (levels) at which it stops mixing colours, and how far (levels) a colour
// reading may lie from its area's colour before it counts as a click.
constexpr int kDenoiseLines = 8, kDenoisePixels = 4;
constexpr float kDenoiseStep = 3.5f, kFineDenoiseStep = 2.5f; // (where fine detail is kept)
// Where fine detail is kept, the noise deviations (levels) up to which a pixel's level is
// judged by its nearer line median, and from which by the median of it and its four
// neighbours (denoiseRow).
constexpr float kNearOwnSigma = 20.0f, kPlusSigma = 40.0f;
// The noise deviations (levels) from which, and from which wholly, a weak signal's readings
// are averaged along their line before they are filtered across lines (denoiseRow).
constexpr float kAlongFromSigma = 10.0f, kAlongFullSigma = 60.0f;
// As the noise vanishes, each step of the filter gives way to the pixel's own reading, for
// each also takes away some of the picture: the median a one-pixel line or corner (it takes
// them for clicks), the biweight mean texture within its step, the column's mean what changes
// down a column. Below the first noise deviation (levels) a step is gone, from the second it is
// whole. Clicks stop long before the noise is this light (Martin 1 at 30 dB: about 8 levels),
// so the median goes first; the mean, which takes out what noise is left, goes last. (The
// median and the column's mean are what take clicks out; the noise measured on the picture
// hardly sees clicks, so where the leader's SNR says they may come, both stay: clickFloor_.)
// The mean lasts down to the least noise measured (half a level): going from 1 to 3 levels, it
// was gone while the median and the column's mean went too, from 38 to 42 dB, and P7's card
// fell 0.4 dB there; Martin 1's card and photo gained 0.3-0.8 dB at 40-45 dB, the cleanest
// photos (over 50 dB) lost 0.1-0.4 dB.
constexpr float kMedianFromSigma = 3.0f, kMedianFullSigma = 7.0f;
constexpr float kMeanFromSigma = 0.5f, kMeanFullSigma = 2.0f;
constexpr float kColumnFromSigma = 2.0f, kColumnFullSigma = 5.0f;
// Lines alternating against their neighbours (alternationGate). Each pair of values is where
// a ramp of the gate begins and where it is full.
// - The alternation's deviation against the measured noise's:
constexpr float kAlternationFromZ = 0.1f, kAlternationFullZ = 0.4f;
// - ... and in levels: less is within what an 8-bit picture and a clean decode's rounding
//   carry (a very clean photo lost 0.3 dB to it). Where the leader's SNR leaves the filter a
//   share, that much of the noise is taken out anyway, and the levels count the more.
constexpr float kAlternationFromLevel = 1.0f, kAlternationFullLevel = 2.0f;
// - How much of the deviation is the alternation's mean along the row (the picture's own
//   horizontal grating or rule): the gate shuts as this rises from the first to the second.
constexpr float kCoherentFrom = 0.3f, kCoherentFull = 0.6f;
// - The alternation's part in the filter's change: less, and the filter would smear the picture.
constexpr float kAlternationFromPart = 0.5f, kAlternationFullPart = 1.0f;
// - The pixels on either side that each measure is taken over.
constexpr int kAlternationPixels = 2;
// Columns: where the readings differ across a row clearly more than down a column (vertical
// structure: a grating, a pole, a letter's stem), a pixel takes the mean of its own column
// instead, which keeps one-pixel detail that the noise hides from the neighbourhood's filter.
// How clearly, in standard deviations of that comparison under noise alone (over the
// luminance planes together): from kColumnFromZ it begins, from kColumnFullZ the column's
// mean is taken whole. The comparison spans kColumnPixels on either side, and a difference
// counts up to kColumnClip noise deviations (an FM click weighs no more than a strong edge).
constexpr float kColumnFromZ = 6.0f, kColumnFullZ = 12.0f, kColumnClip = 4.0f;
constexpr int kColumnPixels = 4;
// The same for columns seen in the broad band's pulse-pair sums (productColumnShares): from
// kProductColumnFromZ they begin, from kProductColumnFullZ they are whole, compared over
// kProductColumnPixels on either side (their noise is far stronger: a wider stretch finds a
// grating surely, and the test card at 5 dB gains about 0.4 dB over 4 pixels, the photo
// nothing either way); a column level's step counts up to kProductClip levels.
constexpr double kProductColumnFromZ = 3.0, kProductColumnFullZ = 6.0;
constexpr int kProductColumnPixels = 8;
constexpr float kProductClip = 300.0f;
constexpr int kChromaLines = 6, kChromaPixels = 12;
constexpr int kChromaReach = kChromaLines + 1; // lines whose luminance the colour filter reads
constexpr float kChromaStep = 25.0f, kChromaOutlier = 80.0f;
// As the colour's own noise (its deviation in levels, measured on the colour rows) fades,
// the colour filter's second pass weighs the readings by their likeness to the pixel's own
// colour rather than to the area's: from kChromaOwnFromSigma down it moves over, and from
// kChromaOwnFullSigma down it is wholly the pixel's own. A reading then counts as unlike
// beyond kChromaOutlierSigmas noise deviations, but never below kChromaOutlierLeast levels:
// even a clean colour reading is only as good as the colour subsampling and line pairing
// leave it (Robot 36's test card falls by 0.4 dB from 35 to 50 dB SNR with 30 levels; with
// 40, the MR modes' photos lose up to 0.7 dB against the area's colour from 30 to 70 dB,
// with 60 PD90's card 1.5 dB against 40 when clean).
constexpr float kChromaOwnFromSigma = 20.0f, kChromaOwnFullSigma = 8.0f;
constexpr float kChromaOutlierSigmas = 8.0f, kChromaOutlierLeast = 50.0f;

// Work units of settle(): drawing a line, and a weak line's filtering.
constexpr int kDrawCost = 1, kFilterCost = 8;

uint8_t clampU8(float v) { return uint8_t(std::clamp(int(std::lround(v)), 0, 255)); }


// The luminance planes: the ones a weak signal's noise filter runs on.
std::vector<int> luminancePlanes(ColourEncoding c)
{
    switch (c) {
    case ColourEncoding::Rgb: return {PR, PG, PB};
    case ColourEncoding::Grey: return {PGrey};
    default: return {PY};
    }
}

bool hasChroma(ColourEncoding c) { return c != ColourEncoding::Rgb && c != ColourEncoding::Grey; }

// Median of the 3 x 3 neighbourhood of each inner pixel of a row with both neighbour rows
// (a sorting network of minima and maxima: in SIMD lanes).
__attribute__((target_clones("avx2", "default"))) void median3x3(const float *__restrict a, const float *__restrict b,
                                                                 const float *__restrict c, int W, float *__restrict out)
{
    auto sort2 = [](float &p, float &q) {
        const float lo = q < p ? q : p, hi = p < q ? q : p;
        p = lo;
        q = hi;
    };
    for (int x = 1; x + 1 < W; ++x) {
        float p0 = a[x - 1], p1 = a[x], p2 = a[x + 1], p3 = b[x - 1], p4 = b[x], p5 = b[x + 1], p6 = c[x - 1],
              p7 = c[x], p8 = c[x + 1];
        sort2(p1, p2); sort2(p4, p5); sort2(p7, p8); sort2(p0, p1); sort2(p3, p4); sort2(p6, p7);
        sort2(p1, p2); sort2(p4, p5); sort2(p7, p8); sort2(p0, p3); sort2(p5, p8); sort2(p4, p7);
        sort2(p3, p6); sort2(p1, p4); sort2(p2, p5); sort2(p4, p7); sort2(p4, p2); sort2(p6, p4);
        sort2(p4, p2);
        out[x] = p4;
    }
}
// 0 below `from`, 1 from `full` on, straight between (`full` may lie below `from`).
float ramp(float v, float from, float full)
{
    return std::clamp((v - from) / (full - from), 0.0f, 1.0f);
}

} // namespace

void PictureComposer::start(const ModeInfo &m, bool weak, bool clear, bool keepFine, float share, float clickFloor,
                            float colourClicks)
{
    m_ = &m;
    weak_ = weak;
    colourFilter_ = hasChroma(m.colour);
    keepFine_ = keepFine;
    share_ = std::clamp(share, 0.0f, 1.0f);
    clickFloor_ = std::clamp(clickFloor, 0.0f, share_);
    colourClicks_ = std::clamp(colourClicks, 0.0f, 1.0f);
    broad_ = false;
    ended_ = false;
    W_ = m.exposedWidth;
    H_ = m.height;
    rowsPerLine_ = m.exposedHeight / std::max(1, m.height);
    const auto size = size_t(W_) * size_t(H_);
    for (int pl : luminancePlanes(m.colour)) {
        planes_[pl].reserve(size);
        if (weak) clean_[pl].reserve(size);
    }
    if (hasChroma(m.colour))
        for (int pl : {PCr, PCb}) planes_[pl].reserve(size);
    shift_ = 0;
    arrived_.assign(size_t(H_), 0);
    chromaWritten_.assign(size_t(H_), 0);
    filtered_.assign(size_t(H_), 0);
    drawn_.assign(size_t(H_), 0);
    frontier_ = firstUnfiltered_ = firstUndrawn_ = 0;
    levels_.assign(size_t(H_), Levels());
    silent_.assign(size_t(H_), {0, 0});
    total_ = Levels();
    fullRange_ = false;
    if (clear || pic_.width != m.exposedWidth || pic_.height != m.exposedHeight)
        pic_ = RgbImage(m.exposedWidth, m.exposedHeight, 0);
    markDirty(0, pic_.height);
}

void PictureComposer::Plane::reserve(size_t n)
{
    if (capacity >= n) return;
    data = std::make_unique_for_overwrite<float[]>(n);
    capacity = n;
}

void PictureComposer::invalidate(int from, int to, uint8_t drawnAbove)
{
    // lines in [from, to] drawn with more than `drawnAbove` are to be drawn again
    from = std::max(from, 0);
    to = std::min(to, H_ - 1);
    for (int l = from; l <= to; ++l)
        if (drawn_[size_t(l)] > drawnAbove) drawn_[size_t(l)] = 0;
    if (from <= to) firstUndrawn_ = std::min(firstUndrawn_, from);
}

void PictureComposer::lineDecoded(int line)
{
    if (line < 0 || line >= H_) return;
    arrived_[size_t(line)] = 1;
    if (hasChroma(m_->colour)) {
        // a line whose colour never came (as under a layout decided late) has none
        uint8_t &written = chromaWritten_[size_t(line)];
        if (!(written & 1)) std::fill_n(planes_[PCr].row(line, W_), W_, 128.0f);
        if (!(written & 2)) std::fill_n(planes_[PCb].row(line, W_), W_, 128.0f);
        written = 3;
    }
    while (frontier_ < H_ && arrived_[size_t(frontier_)]) ++frontier_;
    // What was drawn from this line's rows is drawn again: the line itself and, where a line
    // pair's colour is blended with the neighbouring pair's, the lines that blend it in.
    switch (m_->colour) {
    case ColourEncoding::YccAlternating: invalidate(line - 2, line + 2, 0); break;
    case ColourEncoding::YccTwoLine: invalidate(line & 1 ? line : line - 1, line & 1 ? line : line + 2, 0); break;
    default: invalidate(line, line, 0); break;
    }
    // (a clean signal's colour filter reads the luminance as decoded)
    if (!weak_ && colourFilter_) invalidate(line - kChromaReach, line + kChromaReach, 1);
    if (weak_) {
        for (int l = std::max(0, line - kDenoiseLines); l <= std::min(H_ - 1, line + kDenoiseLines); ++l)
            filtered_[size_t(l)] = 0;
        firstUnfiltered_ = std::min(firstUnfiltered_, std::max(0, line - kDenoiseLines));
        const int reach = kDenoiseLines + (hasChroma(m_->colour) ? kChromaReach : 0);
        invalidate(line - reach, line + reach, 1);
    }
}

void PictureComposer::forget(int from)
{
    from = std::max(from, 0);
    for (int l = from; l < H_; ++l) {
        if (!arrived_[size_t(l)]) continue;
        arrived_[size_t(l)] = filtered_[size_t(l)] = drawn_[size_t(l)] = chromaWritten_[size_t(l)] = 0;
        Levels &old = levels_[size_t(l)];
        total_.count -= old.count;
        total_.low -= old.low;
        total_.high -= old.high;
        old = Levels();
        silent_[size_t(l)] = {0, 0};
        std::fill_n(pic_.pixel(0, l * rowsPerLine_), size_t(W_) * size_t(rowsPerLine_) * 3, uint8_t(0));
        markDirty(l * rowsPerLine_, (l + 1) * rowsPerLine_);
    }
    frontier_ = std::min(frontier_, from);
    // what read them: the filter across lines, the colour filter, a line pair's blended colour
    const int reach = (weak_ ? kDenoiseLines : 0) + (hasChroma(m_->colour) ? kChromaReach : 0) + 2;
    if (weak_) {
        for (int l = std::max(0, from - kDenoiseLines); l < std::min(from, H_); ++l) filtered_[size_t(l)] = 0;
        firstUnfiltered_ = std::min(firstUnfiltered_, std::max(0, from - kDenoiseLines));
    }
    invalidate(from - reach, std::min(from, H_) - 1, 0);
}

void PictureComposer::end()
{
    ended_ = true;
}

bool PictureComposer::finalReady(int line) const
{
    if (!weak_) {
        // for colour, the lines its colour filter reads (at the end, what there is)
        if (!colourFilter_) return true;
        for (int l = std::max(0, line - kChromaReach); l <= std::min(H_ - 1, line + kChromaReach); ++l)
            if (!arrived_[size_t(l)] && !ended_) return false;
        return true;
    }
    // the luminance of this line, and for colour that of the lines its colour filter reads,
    // filtered (at the end, with what there is)
    const int reach = hasChroma(m_->colour) ? kChromaReach : 0;
    for (int l = std::max(0, line - reach); l <= std::min(H_ - 1, line + reach); ++l)
        if (!filtered_[size_t(l)] && (arrived_[size_t(l)] || !ended_)) return false;
    return true;
}

bool PictureComposer::settle(int budget)
{
    const bool full = fullRangeNow();
    if (full != fullRange_) {
        fullRange_ = full;
        invalidate(0, H_ - 1, 0);
    }
    if (weak_) {
        // the luminance filter runs once every line within its reach has arrived
        int l = firstUnfiltered_;
        for (; l < H_ && budget > 0; ++l) {
            if (filtered_[size_t(l)]) continue;
            if (!arrived_[size_t(l)]) {
                if (ended_) continue;
                break;
            }
            if (!ended_ && std::min(l + kDenoiseLines, H_ - 1) >= frontier_) break;
            filterLuminance(l);
            filtered_[size_t(l)] = 1;
            budget -= kFilterCost;
        }
        firstUnfiltered_ = l;
        while (firstUnfiltered_ < H_ && filtered_[size_t(firstUnfiltered_)]) ++firstUnfiltered_;
        if (budget <= 0) return true;
        // A weak picture's levels are counted as its lines are filtered: the lines just
        // filtered may have changed the range decision, and what is drawn next follows it
        // (taken only above, a settle that filtered the whole picture at once drew it all
        // with the decision of before).
        if (fullRangeNow() != fullRange_) {
            fullRange_ = !fullRange_;
            invalidate(0, H_ - 1, 0);
        }
    }
    const int last = ended_ ? H_ : frontier_;
    int l = firstUndrawn_;
    for (; l < last && budget > 0; ++l) {
        if (!arrived_[size_t(l)] || drawn_[size_t(l)] == 2) continue;
        if (finalReady(l)) {
            composeLine(l, false);
            drawn_[size_t(l)] = 2;
            budget -= colourFilter_ ? kFilterCost : kDrawCost;
        } else if (drawn_[size_t(l)] == 0) {
            composeLine(l, true);
            drawn_[size_t(l)] = 1;
            budget -= kDrawCost;
        }
    }
    while (firstUndrawn_ < H_ && (drawn_[size_t(firstUndrawn_)] == 2 || (ended_ && !arrived_[size_t(firstUndrawn_)])))
        ++firstUndrawn_;
    if (budget <= 0 && l < last) return true;
    // lines still to be filtered or drawn finally wait for neighbours: no work left now
    return false;
}

// Statistics for the colour-level rule: only flat stretches count (kFlatRun pixels or more
// within kFlatSpread levels of each other), judged by their mean, so the overshoot and
// ringing beside a sharp edge and the scatter of noise cannot pass for full-range levels.
void PictureComposer::countLevels(int line, const float *y, int n, int silentFrom, int silentTo)
{
    silent_[size_t(line)] = {std::clamp(silentFrom, 0, n), std::clamp(silentTo, silentFrom, n)};
    // a filtered picture is judged by its filtered luminance: noise scatters the flat
    // stretches of the line as decoded
    if (!weak_) count(line, y, n);
}

void PictureComposer::count(int line, const float *y, int n)
{
    Levels c;
    const auto [silentFrom, silentTo] = silent_[size_t(line)];
    c.count = n - (silentTo - silentFrom);
    int i = 0;
    while (i < n) {
        if (i == silentFrom && silentTo > silentFrom) {
            i = silentTo;
            continue;
        }
        float lo = y[i], hi = y[i];
        double sum = y[i];
        int j = i + 1;
        for (; j < n && !(j == silentFrom && silentTo > silentFrom); ++j) {
            const float nlo = std::min(lo, y[j]), nhi = std::max(hi, y[j]);
            if (nhi - nlo > kFlatSpread) break;
            lo = nlo;
            hi = nhi;
            sum += y[j];
        }
        if (j - i >= kFlatRun) {
            const double mean = sum / (j - i);
            if (mean < kFullLow) c.low += j - i;
            if (mean > kFullHigh) c.high += j - i;
        }
        i = j;
    }
    Levels &old = levels_[size_t(line)];
    total_.count += c.count - old.count;
    total_.low += c.low - old.low;
    total_.high += c.high - old.high;
    old = c;
}

// Full range when more than 0.4 % of the luminance lies in flat stretches outside the
// studio range.
bool PictureComposer::fullRangeNow() const
{
    if (total_.count <= 0) return false;
    return int64_t(total_.low + total_.high) * 250 > total_.count;
}

void PictureComposer::markDirty(int r0, int r1)
{
    if (r1 <= r0) return;
    if (dirtyTo_ <= dirtyFrom_) {
        dirtyFrom_ = r0;
        dirtyTo_ = r1;
        return;
    }
    dirtyFrom_ = std::min(dirtyFrom_, r0);
    dirtyTo_ = std::max(dirtyTo_, r1);
}

void PictureComposer::readBroad(double rateHz)
{
    broad_ = m_->colour != ColourEncoding::Grey;
    rateHz_ = rateHz;
    if (broad_)
        for (int pl : luminancePlanes(m_->colour)) planes_[broadPlaneOf(pl)].reserve(size_t(W_) * size_t(H_));
    if (hasChroma(m_->colour)) broadZ_.assign(size_t(W_) * size_t(H_), 0.0f);
}

float PictureComposer::productLevel(std::complex<float> z) const
{
    return float(hzToLevel(productHz(z, rateHz_), m_->narrow));
}

void PictureComposer::filterLuminance(int line)
{
    const std::vector<int> planes = luminancePlanes(m_->colour);
    float sigma[kBroadPlanes] = {};
    for (int pl : planes) sigma[pl] = noiseDeviation(pl, line);
    // the broad band's readings say where the columns are, and give their means
    std::vector<int> columnPlanes = planes;
    if (broad_)
        for (int &pl : columnPlanes) {
            pl = broadPlaneOf(pl);
            sigma[pl] = noiseDeviation(pl, line);
        }
    columnShares(line, columnPlanes, sigma);
    // (luminance: also from the pulse-pair sums)
    if (broad_ && hasChroma(m_->colour)) productColumnShares(line);
    for (int pl : planes) {
        const int col = broad_ ? broadPlaneOf(pl) : pl;
        float *out = clean_[pl].row(line, W_);
        denoiseRow(pl, line, sigma[pl], out, col, sigma[col], share_);
        if (share_ < 1 && alternationGate(pl, line, sigma[pl])) {
            // Where lines alternate, the filter's whole work, as far as its change is the
            // alternation: the more it changes a pixel beyond the alternation measured there
            // (over kAlternationPixels on either side), the more it smears the picture itself.
            whole_.resize(size_t(W_));
            denoiseRow(pl, line, sigma[pl], whole_.data(), col, sigma[col], 1.0f);
            for (int x = 0; x < W_; ++x) {
                double change = 0, alternation = 0;
                for (int dx = -kAlternationPixels; dx <= kAlternationPixels; ++dx) {
                    const int i = std::clamp(x + dx, 0, W_ - 1);
                    const float d = whole_[size_t(i)] - out[i];
                    change += d * d;
                    alternation += alternation_[size_t(i)];
                }
                const float part = change > 0 ? float(std::sqrt(alternation / change)) : 1.0f;
                gate_[size_t(x)] *= ramp(part, kAlternationFromPart, kAlternationFullPart);
            }
            for (int x = 0; x < W_; ++x) out[x] += gate_[size_t(x)] * (whole_[size_t(x)] - out[x]);
        }
        if (pl == PY) count(line, out, W_);
    }
}

// Where a line alternates against its neighbours (its error flips sign from line to line, as
// a clean decode's mirror image does in the finest gratings), how far the filter across lines
// is to work whole (0 .. 1, in gate_), whatever its share. The third differences over the line
// and the three above, and over the line and the three below, are blind to the picture's
// smooth vertical structure (level, slope and curvature) and each reads an alternation as its
// own amplitude; a horizontal edge shows in one of them only, so a pixel counts as
// alternating by the lesser of the two where they agree in sign. Their mean square over
// kAlternationPixels on either side, against the measured noise's (the two read noise of
// deviation sigma * sqrt(20) / 8), opens the gate from kAlternationFromZ to kAlternationFullZ,
// and in levels from kAlternationFromLevel to kAlternationFullLevel.
// The mirror image's error changes sign from one grating bar to the next, while a picture's
// own alternation (a horizontal grating, a one-line rule) keeps its sign along the row: the
// more of the alternation's deviation its mean along the row holds, from kCoherentFrom to
// kCoherentFull, the more the gate shuts. Returns false where it is shut all along the line.
bool PictureComposer::alternationGate(int pl, int line, float sigma)
{
    const int W = W_;
    for (int dy = -3; dy <= 3; ++dy)
        if (!arrived(line + dy)) return false;
    const float *r[7];
    for (int k = 0; k < 7; ++k) r[k] = planes_[pl].row(line + k - 3, W);
    alternation_.resize(size_t(W));
    signed_.resize(size_t(W));
    for (int x = 0; x < W; ++x) {
        const float up = (-r[0][x] + 3 * r[1][x] - 3 * r[2][x] + r[3][x]) / 8;
        const float down = (r[3][x] - 3 * r[4][x] + 3 * r[5][x] - r[6][x]) / 8;
        const float a = up * down > 0 ? std::min(std::fabs(up), std::fabs(down)) : 0.0f;
        alternation_[size_t(x)] = a * a;
        signed_[size_t(x)] = up > 0 ? a : -a;
    }
    gate_.resize(size_t(W));
    const float noise2 = 20.0f / 64.0f * sigma * sigma;
    bool open = false;
    for (int x = 0; x < W; ++x) {
        double sum = 0, mean = 0;
        int k = 0;
        for (int i = std::max(0, x - kAlternationPixels); i <= std::min(W - 1, x + kAlternationPixels); ++i, ++k) {
            sum += alternation_[size_t(i)];
            mean += signed_[size_t(i)];
        }
        const float z = float(std::sqrt(sum / k / noise2));
        const float coherent = sum > 0 ? float(std::fabs(mean) / std::sqrt(k * sum)) : 0.0f;
        const float level = float(std::sqrt(sum / k)) / std::max(0.05f, 1.0f - share_);
        gate_[size_t(x)] = ramp(z, kAlternationFromZ, kAlternationFullZ) *
                           ramp(level, kAlternationFromLevel, kAlternationFullLevel) *
                           ramp(coherent, kCoherentFull, kCoherentFrom);
        open = open || gate_[size_t(x)] > 0;
    }
    return open;
}

// The noise deviation of a plane around a line, measured on the picture itself from the
// differences between each line and its neighbour lines (their median, which picture edges
// barely move). A line that differs from both its neighbours all along (a one-line rule, or a
// row that the picture's scaling left between two areas) passes for very noisy on its own,
// and would be blurred along and averaged with its neighbours across the rule: a line's own
// measure counts up to the larger of its neighbours'. (The median of the five lines around
// it let a fading signal's weakest lines pass for as noisy as lines the fading leaves up to
// 8 dB stronger.) A plane carried only on every `step`-th line (a line pair's colour) is
// measured on those lines.
float PictureComposer::noiseDeviation(int pl, int line, int step)
{
    const float own = lineNoise(pl, line, step);
    if (own < 0) return 20; // a lone line: about what 0 dB leaves
    const float nb = std::max(arrived(line - step) ? lineNoise(pl, line - step, step) : -1.0f,
                              arrived(line + step) ? lineNoise(pl, line + step, step) : -1.0f);
    return std::max(0.5f, nb < 0 ? own : std::min(own, nb));
}

// One line's noise deviation (-1 for a line with no neighbour).
float PictureComposer::lineNoise(int pl, int line, int step)
{
    const int W = W_;
    const float *c = planes_[pl].row(line, W);
    // Each neighbour's differences give their own median, and the smaller counts: at a
    // horizontal edge (the line the last of one area or the first of the next) the whole
    // row differs from the neighbour across the edge, which would pass for strong noise.
    float best = -1;
    for (int nb : {line - step, line + step}) {
        if (!arrived(nb)) continue;
        diff_.clear();
        for (int x = 0; x < W; ++x) diff_.push_back(std::fabs(c[x] - planes_[pl].row(nb, W)[x]));
        std::nth_element(diff_.begin(), diff_.begin() + long(diff_.size() / 2), diff_.end());
        if (best < 0 || diff_[diff_.size() / 2] < best) best = diff_[diff_.size() / 2];
    }
    return best < 0 ? -1 : 1.4826f * best / std::numbers::sqrt2_v<float>;
}

// How much of each pixel of a line is to be taken from its column's mean (0 .. 1), in
// columnShare_. The squared differences between neighbours along the rows (gx) and down the
// columns (gy) within the filter's lines, in units of each plane's noise variance and summed
// over the luminance planes (red, green and blue share their structure), are compared over
// kColumnPixels on either side: under noise alone their means agree to within
// 4 / sqrt(count) (a difference of two readings has variance 2, its square 8), so their
// difference in those units says how surely the area holds vertical structure. Noise along a
// line is a little correlated (the band filter spans neighbouring pixels), which only makes
// gx smaller: a flat area never passes for a column.
void PictureComposer::columnShares(int line, const std::vector<int> &planes, const float *sigma)
{
    const int W = W_;
    constexpr int R = kDenoiseLines;
    columnShare_.assign(size_t(W), 0.0f);
    if (W < 2 || !arrived(line - 1) || !arrived(line + 1)) return;
    gx_.assign(size_t(W), 0.0f);
    gy_.assign(size_t(W), 0.0f);
    int nx = 0, ny = 0;
    for (int pl : planes) {
        const float inv = 1.0f / (sigma[pl] * sigma[pl]), clip = kColumnClip * kColumnClip;
        for (int l = line - R; l <= line + R; ++l) {
            if (!arrived(l)) continue;
            const float *r = planes_[pl].row(l, W);
            for (int x = 0; x + 1 < W; ++x) {
                const float e = r[x + 1] - r[x];
                gx_[size_t(x)] += std::min(e * e * inv, clip);
            }
            gx_[size_t(W - 1)] += std::min((r[W - 1] - r[W - 2]) * (r[W - 1] - r[W - 2]) * inv, clip);
            ++nx;
            if (l < line + R && arrived(l + 1)) {
                const float *d = planes_[pl].row(l + 1, W);
                for (int x = 0; x < W; ++x) {
                    const float e = d[x] - r[x];
                    gy_[size_t(x)] += std::min(e * e * inv, clip);
                }
                ++ny;
            }
        }
    }
    if (nx == 0 || ny == 0) return;
    // sums over kColumnPixels on either side, running along the row
    double sx = 0, sy = 0;
    int k = 0, from = 0, to = 0; // columns [from, to) are in the sums
    for (int x = 0; x < W; ++x) {
        for (; to <= std::min(W - 1, x + kColumnPixels); ++to, ++k) {
            sx += gx_[size_t(to)];
            sy += gy_[size_t(to)];
        }
        for (; from < x - kColumnPixels; ++from, --k) {
            sx -= gx_[size_t(from)];
            sy -= gy_[size_t(from)];
        }
        const double mx = sx / (k * nx), my = sy / (k * ny);
        const double z = (mx - my) * std::sqrt(double(k) * std::min(nx, ny)) / 4;
        columnShare_[size_t(x)] = float(std::clamp((z - kColumnFromZ) / (kColumnFullZ - kColumnFromZ), 0.0, 1.0));
    }
}

// Columns in the broad band's pulse-pair sums, where its single readings are lost in clicks
// (Robot 36 at 5 dB, whose 2-4 pixel gratings only the broad band carries): raises
// columnShare_ where they show. Per column, the sums over the filter's lines are split into
// two independent halves (even and odd lines, levels a and b): the product of their steps
// along the row, (a[x+1] - a[x]) (b[x+1] - b[x]), has the column means' squared step as its
// expectation, with no share of the noise. Its noise scale is the variance of such a step,
// measured on the row from the halves' difference (noise alone where a column is
// constant), and neighbouring products share a reading (about 1.5 times the variance of
// independent ones). A step the upper and lower halves of the column differ by beyond that
// noise (a horizontal edge, a slanting line, a photo's texture) counts against the column.
void PictureComposer::productColumnShares(int line)
{
    const int W = W_;
    constexpr int R = kDenoiseLines;
    if (W < 3 || !arrived(line - 1) || !arrived(line + 1)) return;
    even_.resize(size_t(W));
    odd_.resize(size_t(W));
    evenOdd2_.resize(size_t(W));
    upDown2_.resize(size_t(W));
    cross_.resize(size_t(W));
    for (int x = 0; x < W; ++x) {
        std::complex<float> even = 0, odd = 0, up = 0, down = 0;
        for (int dy = -R; dy <= R; ++dy) {
            if (!arrived(line + dy)) continue;
            const std::complex<float> z = broadZ_[size_t(line + dy) * size_t(W) + size_t(x)];
            (dy & 1 ? odd : even) += z;
            if (dy < 0) up += z;
            if (dy > 0) down += z;
        }
        even_[size_t(x)] = productLevel(even);
        odd_[size_t(x)] = productLevel(odd);
        const float e = std::clamp(even_[size_t(x)] - odd_[size_t(x)], -kProductClip, kProductClip);
        const float v = std::clamp(productLevel(up) - productLevel(down), -kProductClip, kProductClip);
        evenOdd2_[size_t(x)] = e * e;
        upDown2_[size_t(x)] = v * v;
    }
    // the variance of one half's step along the row, from the median squared step of a - b
    diff_.resize(size_t(W - 1));
    for (int x = 0; x + 1 < W; ++x) {
        const float d = std::clamp((even_[size_t(x + 1)] - odd_[size_t(x + 1)]) - (even_[size_t(x)] - odd_[size_t(x)]),
                                   -2 * kProductClip, 2 * kProductClip);
        diff_[size_t(x)] = d * d;
    }
    std::nth_element(diff_.begin(), diff_.begin() + long(diff_.size() / 2), diff_.end());
    const float stepVar = std::max(1.0f, diff_[diff_.size() / 2] / 0.455f / 2); // 0.455: median of chi-square 1
    for (int x = 0; x + 1 < W; ++x)
        cross_[size_t(x)] = std::clamp(even_[size_t(x + 1)] - even_[size_t(x)], -kProductClip, kProductClip) *
                            std::clamp(odd_[size_t(x + 1)] - odd_[size_t(x)], -kProductClip, kProductClip);
    cross_[size_t(W - 1)] = cross_[size_t(W - 2)];
    // sums over kProductColumnPixels on either side, running along the row
    double sc = 0, sv = 0, se = 0;
    int k = 0, from = 0, to = 0; // columns [from, to) are in the sums
    for (int x = 0; x < W; ++x) {
        for (; to <= std::min(W - 1, x + kProductColumnPixels); ++to, ++k) {
            sc += cross_[size_t(to)];
            sv += upDown2_[size_t(to)];
            se += evenOdd2_[size_t(to)];
        }
        for (; from < x - kProductColumnPixels; ++from, --k) {
            sc -= cross_[size_t(from)];
            sv -= upDown2_[size_t(from)];
            se -= evenOdd2_[size_t(from)];
        }
        const double vertical = std::max(0.0, (sv - se) / k);
        const double z = (sc / k - vertical) / stepVar * std::sqrt(k / 1.5);
        const float share = float(std::clamp((z - kProductColumnFromZ) / (kProductColumnFullZ - kProductColumnFromZ), 0.0, 1.0));
        columnShare_[size_t(x)] = std::max(columnShare_[size_t(x)], share);
    }
}

// A weak signal's row of luminance (or R, G or B) with its noise filtered out but its edges
// kept. Near the noise floor a pixel's own reading is worth little, so each pixel becomes the
// mean of its neighbourhood (kDenoiseLines x kDenoisePixels on either side), leaving out
// neighbours that differ from it by more than a few noise deviations: flat areas are
// averaged over a hundred readings, while a step between two areas is kept because neither
// side takes part in the other's mean. The pixel's own level is judged by the median of its
// 3 x 3 neighbourhood, so an FM click (one reading far off) neither survives nor spreads, and
// a wide click is left out of its neighbours' means. `sigma` is the noise deviation around
// the line (noiseDeviation); `share`, how much of the filter's work is done (see start()).
void PictureComposer::denoiseRow(int pl, int line, float sigma, float *out, int columnPlane, float columnSigma, float share)
{
    const int W = W_;
    constexpr int R = kDenoiseLines;
    // how much of each step counts (the pixel's own reading the rest)
    auto fade = [&](float from, float full) { return share * ramp(sigma, from, full); };
    const float medianShare = std::max(clickFloor_, fade(kMedianFromSigma, kMedianFullSigma)),
                meanShare = fade(kMeanFromSigma, kMeanFullSigma),
                columnShare = std::max(clickFloor_, fade(kColumnFromSigma, kColumnFullSigma));
    const float *own = planes_[pl].row(line, W);
    if (medianShare == 0 && meanShare == 0 && columnShare == 0) {
        std::copy(own, own + W, out);
        return;
    }
    const float *rows[2 * R + 1] = {};
    const float *present[2 * R + 1];
    const float *raw[2 * R + 1] = {}, *rawPresent[2 * R + 1];
    int n = 0;
    for (int dy = -R; dy <= R; ++dy) {
        const int l = line + dy;
        if (arrived(l)) rawPresent[n++] = raw[dy + R] = planes_[pl].row(l, W);
    }
    // FM noise is blue along a line (most of it at the highest horizontal frequencies) and
    // white down a column, so a filter across lines leaves it as vertical streaks. Where the
    // noise is strong, the neighbourhood's readings are first averaged along their line,
    // [1 2 1] / 4, which takes out most of that noise and little of any picture: from
    // kAlongFromSigma of noise (levels) it begins, from kAlongFullSigma it is whole. A column
    // of fine vertical structure (a grating), which this would blur, takes its column's mean
    // from the readings as they are (below).
    const float along = std::clamp((sigma - kAlongFromSigma) / (kAlongFullSigma - kAlongFromSigma), 0.0f, 1.0f);
    if (along > 0 && W >= 3) {
        along_.resize(size_t(2 * R + 1) * size_t(W));
        int k = 0;
        for (int i = 0; i < 2 * R + 1; ++i) {
            if (!raw[i]) continue;
            const float *r = raw[i];
            float *o = along_.data() + size_t(i) * size_t(W);
            o[0] = r[0];
            o[W - 1] = r[W - 1];
            for (int x = 1; x + 1 < W; ++x) o[x] = r[x] + along * (0.25f * (r[x - 1] + 2 * r[x] + r[x + 1]) - r[x]);
            present[k++] = rows[i] = o;
        }
    } else {
        std::copy(raw, raw + 2 * R + 1, rows);
        std::copy(rawPresent, rawPresent + n, present);
    }
    const float *c = rows[R];
    const float h = std::max(1.0f, (keepFine_ ? kFineDenoiseStep : kDenoiseStep) * sigma);
    const float inv = 1.0f / (h * h);
    centre_.resize(size_t(W));
    acc_.resize(size_t(W));
    ws_.resize(size_t(W));
    // the median of each pixel's 3 x 3 neighbourhood (of what there is at the borders)
    auto scalarMedian = [&](int x) {
        float v[9];
        int k = 0;
        for (int dy = -1; dy <= 1; ++dy)
            if (const float *r = rows[R + dy])
                for (int dx = -1; dx <= 1; ++dx) v[k++] = r[std::clamp(x + dx, 0, W - 1)];
        std::nth_element(v, v + k / 2, v + k);
        return v[k / 2];
    };
    if (rows[R - 1] && rows[R + 1] && W >= 3 && keepFine_) {
        // Fine detail (a grating of one-pixel bars, a one-line rule) is lost to a 3 x 3
        // median, which takes each bar for a click. The median of the pixel and its four
        // nearest neighbours keeps such bars and rules (each agrees with its neighbours
        // along one direction) and still drops a click, and it is alike in every direction.
        // Where the noise is light, the pixel's level is judged closer to its own reading:
        // by the median along its column or along its row, whichever is nearer to it, which
        // also keeps corners. That choice follows the noise, though: with the noise blue
        // along the line the column's median is the nearer more often, so in strong noise it
        // draws vertical streaks and keeps more noise than the pixel's neighbours hold. From
        // kNearOwnSigma to kPlusSigma of noise the level goes over from the one to the other.
        const float *u = rows[R - 1], *d = rows[R + 1];
        auto med3 = [](float a, float b, float e) { return std::max(std::min(a, b), std::min(std::max(a, b), e)); };
        const float plus = std::clamp((sigma - kNearOwnSigma) / (kPlusSigma - kNearOwnSigma), 0.0f, 1.0f);
        for (int x = 1; x + 1 < W; ++x) {
            const float v = med3(u[x], c[x], d[x]), hm = med3(c[x - 1], c[x], c[x + 1]);
            const float near = std::fabs(v - c[x]) < std::fabs(hm - c[x]) ? v : hm;
            // the median of five: of the centre and the middle two of the other four
            const float m5 = med3(c[x], std::max(std::min(u[x], d[x]), std::min(c[x - 1], c[x + 1])),
                                  std::min(std::max(u[x], d[x]), std::max(c[x - 1], c[x + 1])));
            centre_[size_t(x)] = near + plus * (m5 - near);
        }
        centre_[0] = med3(u[0], c[0], d[0]);
        centre_[size_t(W - 1)] = med3(u[W - 1], c[W - 1], d[W - 1]);
    } else if (rows[R - 1] && rows[R + 1] && W >= 3) {
        median3x3(rows[R - 1], c, rows[R + 1], W, centre_.data());
        centre_[0] = scalarMedian(0);
        centre_[size_t(W - 1)] = scalarMedian(W - 1);
    } else {
        for (int x = 0; x < W; ++x) centre_[size_t(x)] = scalarMedian(x);
    }
    if (medianShare < 1)
        for (int x = 0; x < W; ++x) centre_[size_t(x)] = own[x] + medianShare * (centre_[size_t(x)] - own[x]);
    // Tukey's biweight mean around the median, then a second pass around that first mean:
    // the median alone sits off-centre near edges
    if (meanShare < 1) median_.assign(centre_.begin(), centre_.end());
    for (int pass = 0; pass < 2 && meanShare > 0; ++pass) {
        biweightSums(present, n, W, kDenoisePixels, centre_.data(), inv, acc_.data(), ws_.data());
        for (int x = 0; x < W; ++x)
            if (ws_[size_t(x)] > 0) centre_[size_t(x)] = acc_[size_t(x)] / ws_[size_t(x)];
    }
    if (meanShare < 1)
        for (int x = 0; x < W; ++x) centre_[size_t(x)] = median_[size_t(x)] + meanShare * (centre_[size_t(x)] - median_[size_t(x)]);
    // Where the area holds vertical structure, the column's own biweight mean (around the
    // median of the pixel and the two above and below it) replaces the neighbourhood's,
    // taken over columnPlane's readings.
    if (columnShare > 0 && std::any_of(columnShare_.begin(), columnShare_.end(), [](float t) { return t > 0; })) {
        if (columnPlane != pl) {
            n = 0;
            for (int dy = -R; dy <= R; ++dy) {
                const int l = line + dy;
                if (arrived(l)) rawPresent[n++] = raw[dy + R] = planes_[columnPlane].row(l, W);
            }
        }
        const float *u = raw[R - 1], *d = raw[R + 1];
        c = raw[R];
        const float hc = std::max(1.0f, (keepFine_ ? kFineDenoiseStep : kDenoiseStep) * columnSigma);
        const float invC = 1.0f / (hc * hc);
        column_.resize(size_t(W));
        for (int x = 0; x < W; ++x)
            column_[size_t(x)] = std::max(std::min(u[x], c[x]), std::min(std::max(u[x], c[x]), d[x]));
        for (int pass = 0; pass < 2; ++pass) {
            biweightSums(rawPresent, n, W, 0, column_.data(), invC, acc_.data(), ws_.data());
            for (int x = 0; x < W; ++x)
                if (ws_[size_t(x)] > 0) column_[size_t(x)] = acc_[size_t(x)] / ws_[size_t(x)];
        }
        if (columnPlane == kBroadPlane) {
            // The broad band's column: its pulse-pair sums, with the biweight's weights around
            // that mean, added up before the phase is taken (in strong noise the readings
            // themselves are mostly clicks, and their mean is pulled towards mid-grey).
            for (int x = 0; x < W; ++x) {
                std::complex<float> sum = 0;
                for (int dy = -R; dy <= R; ++dy) {
                    const int l = line + dy;
                    if (!arrived(l)) continue;
                    const float e = planes_[kBroadPlane].row(l, W)[x] - column_[size_t(x)];
                    const float u = std::max(0.0f, 1.0f - e * e * invC);
                    sum += u * u * broadZ_[size_t(l) * size_t(W) + size_t(x)];
                }
                if (std::norm(sum) > 0) column_[size_t(x)] = productLevel(sum);
            }
        }
        for (int x = 0; x < W; ++x)
            centre_[size_t(x)] += columnShare * columnShare_[size_t(x)] * (column_[size_t(x)] - centre_[size_t(x)]);
    }
    std::copy(centre_.begin(), centre_.end(), out);
}

// A weak signal's colour differences for one line. Colour scans are shorter than luminance
// scans (or shared by two lines), so near the noise floor colour is far noisier than
// brightness, while a picture's colour changes only where its brightness does too. Each
// colour value is therefore averaged over the rows that carry that colour within
// kChromaLines and kChromaPixels on either side, weighted by how close their filtered
// luminance is to this pixel's: colour is smoothed within an area and not across the edge
// between two areas of different brightness. `cr` and `cb` come in as the line's colour as
// decoded, and go out filtered.
void PictureComposer::guidedChroma(int line, float *cr, float *cb)
{
    const ModeInfo &m = *m_;
    const int W = W_;
    // the luminance that guides it: a weak signal's filtered, a clean one's as decoded
    const Plane &guide = weak_ ? clean_[PY] : planes_[PY];
    const float *yc = guide.row(line, W);
    constexpr float inv = 1.0f / (kChromaStep * kChromaStep);
    // Each colour's noise, measured on the rows that carry it (with none to measure on, it
    // passes for strong noise: the filter as it is in strong noise), but never taken below
    // the luminance's (as decoded): in noise the two are alike, and colour rows that carry
    // no reading (left alike where audio was lost) must not pass for clean ones.
    const int crRow = m.colour == ColourEncoding::YccAlternating ? line - ((line - shift_) & 1)
                      : m.colour == ColourEncoding::YccTwoLine   ? (line & ~1)
                                                                 : line;
    const int cbRow = m.colour == ColourEncoding::YccAlternating ? crRow + 1 : crRow;
    const int colourStep = m.colour == ColourEncoding::Ycc422 ? 1 : 2;
    float own[2], invOut[2];
    const float lumaSigma = noiseDeviation(PY, line);
    for (int c = 0; c < 2; ++c) {
        const int r = c == 0 ? crRow : cbRow;
        const float sigma = std::max(lumaSigma, noiseDeviation(c == 0 ? PCr : PCb, r, colourStep));
        // Clicks hardly move that measure, and a clicked pixel taken as its own colour's
        // centre keeps its click: where the leader's SNR says they come, the filter stays as
        // it is in strong noise (colourClicks_).
        own[c] = (1 - colourClicks_) *
                 std::clamp((kChromaOwnFromSigma - sigma) / (kChromaOwnFromSigma - kChromaOwnFullSigma), 0.0f, 1.0f);
        const float light = std::clamp(kChromaOutlierSigmas * sigma, kChromaOutlierLeast, kChromaOutlier);
        const float unlike = light + colourClicks_ * (kChromaOutlier - light);
        invOut[c] = 1.0f / (unlike * unlike);
    }
    // The rows that hold each colour: every row, the first of each pair, or Cr on even rows
    // and Cb on odd ones.
    const float *yRows[2][2 * kChromaLines + 1], *cRows[2][2 * kChromaLines + 1];
    int nr[2] = {0, 0};
    // Where a line pair's colour is sent once, it is the colour of both lines (the mean of
    // the two, as our own encoder and most senders make it): a reading is then weighted by
    // how like this pixel the pair's mean luminance is, not the one row it came with.
    const int base = line - kChromaReach;
    bool pairMade[2 * kChromaReach + 1] = {};
    pairY_.resize(size_t(2 * kChromaReach + 1) * size_t(W));
    auto luminanceOf = [&](int r) -> const float * {
        if (m.colour != ColourEncoding::YccAlternating && m.colour != ColourEncoding::YccTwoLine)
            return guide.row(r, W);
        const int p0 = m.colour == ColourEncoding::YccAlternating ? r - ((r - shift_) & 1) : r & ~1;
        if (p0 < 0 || !arrived(p0) || !arrived(p0 + 1)) return guide.row(r, W);
        float *mean = pairY_.data() + size_t(p0 - base) * size_t(W);
        if (!pairMade[p0 - base]) {
            const float *a = guide.row(p0, W), *b = guide.row(p0 + 1, W);
            for (int x = 0; x < W; ++x) mean[x] = 0.5f * (a[x] + b[x]);
            pairMade[p0 - base] = true;
        }
        return mean;
    };
    for (int c = 0; c < 2; ++c)
        for (int r = line - kChromaLines; r <= line + kChromaLines; ++r) {
            if (!arrived(r)) continue;
            if (m.colour == ColourEncoding::YccAlternating && ((r - shift_) & 1) != c) continue;
            if (m.colour == ColourEncoding::YccTwoLine && (r & 1)) continue;
            yRows[c][nr[c]] = luminanceOf(r);
            cRows[c][nr[c]++] = planes_[c == 0 ? PCr : PCb].row(r, W);
        }
    const bool shared = m.colour != ColourEncoding::YccAlternating;
    for (auto *v : {&acc_, &accB_, &ws_, &acc2_, &ws2_, &first_, &firstB_, &centre_}) v->resize(size_t(W));
    // Weighted by luminance likeness (both colours at once where they share their rows) ...
    if (shared && nr[0] > 0)
        guidedFirstPass(yRows[0], cRows[0], cRows[1], nr[0], W, kChromaPixels, yc, inv, acc_.data(), accB_.data(),
                        ws_.data());
    for (int c = 0; c < 2; ++c) {
        if (nr[c] == 0) continue;
        float *out = c == 0 ? cr : cb;
        std::vector<float> &first = c == 0 ? first_ : firstB_;
        std::vector<float> &acc = c == 0 || !shared ? acc_ : accB_;
        if (!shared)
            guidedFirstPass(yRows[c], cRows[c], nullptr, nr[c], W, kChromaPixels, yc, inv, acc_.data(), nullptr,
                            ws_.data());
        for (int x = 0; x < W; ++x) first[size_t(x)] = ws_[size_t(x)] > 0 ? acc[size_t(x)] / ws_[size_t(x)] : 0.0f;
        // ... and, once the area's colour is known, leaving out readings far from it (clicks);
        // in light noise, far from the pixel's own colour (which keeps a colour edge the
        // brightness does not show: a white line over a yellow bar, the colour ramp over grey)
        if (own[c] > 0)
            for (int x = 0; x < W; ++x) centre_[size_t(x)] = first[size_t(x)] + own[c] * (out[x] - first[size_t(x)]);
        guidedSecondPass(yRows[c], cRows[c], nr[c], W, kChromaPixels, yc, inv, own[c] > 0 ? centre_.data() : first.data(),
                         invOut[c], acc2_.data(), ws2_.data());
        for (int x = 0; x < W; ++x)
            if (ws_[size_t(x)] > 0) out[x] = ws2_[size_t(x)] > 0 ? acc2_[size_t(x)] / ws2_[size_t(x)] : first[size_t(x)];
    }
}

void PictureComposer::composeLine(int line, bool provisional)
{
    const ModeInfo &m = *m_;
    if (!arrived(line)) return;
    const int W = W_;
    const size_t row = size_t(line) * size_t(W);
    rgb_.resize(size_t(W) * 3);
    uint8_t *out = rgb_.data();
    // A weak signal's luminance (or R, G, B), once final, is the one filtered across lines.
    auto P = [&](int pl, size_t r) -> const float * {
        if (weak_ && !provisional && r == row && pl != PCr && pl != PCb) return clean_[pl].data.get() + r;
        return planes_[pl].data.get() + r;
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
        cr_.assign(size_t(W), 128.0f);
        cb_.assign(size_t(W), 128.0f);
        std::vector<float> &crv = cr_, &cbv = cb_;
        if (m.colour == ColourEncoding::Ycc422) {
            std::copy(P(PCr, row), P(PCr, row) + W, crv.begin());
            std::copy(P(PCb, row), P(PCb, row) + W, cbv.begin());
        } else {
            if (m.colour == ColourEncoding::YccAlternating) {
                // Robot 36 senders differ in where a line pair's chroma sits: some average
                // the pair, others take Cr from the even line and Cb from the odd one. The
                // weights below sit halfway between the two conventions, which costs either
                // kind of sender well under a dB and suits both.
                // (a picture that began on a Cb line carries Cr on its odd lines)
                const int cr = line - ((line - shift_) & 1); // the Cr line of this line's pair
                auto blend = [&](std::vector<float> &dst, int pl, int rowOwn, int rowOther, float wOwn) {
                    const bool ownOk = arrived(rowOwn), othOk = arrived(rowOther);
                    if (!ownOk && !othOk) return;
                    const float *a0 = P(pl, size_t(ownOk ? rowOwn : rowOther) * size_t(W));
                    if (!ownOk || !othOk) { std::copy(a0, a0 + W, dst.begin()); return; }
                    const float *a1 = P(pl, size_t(rowOther) * size_t(W));
                    for (int x = 0; x < W; ++x) dst[size_t(x)] = wOwn * a0[x] + (1 - wOwn) * a1[x];
                };
                if (line == cr) {
                    blend(crv, PCr, cr, cr - 2, 0.875f);
                    blend(cbv, PCb, cr + 1, cr - 1, 0.625f);
                } else {
                    blend(crv, PCr, cr, cr + 2, 0.625f);
                    blend(cbv, PCb, cr + 1, cr + 3, 0.875f);
                }
            } else {
                // the line pair's colour, and the neighbouring pair's (when it has arrived)
                const int pair = line & ~1;
                const int other = (line & 1) ? pair + 2 : pair - 2;
                auto mix = [&](std::vector<float> &dst, int pl) {
                    if (!arrived(pair)) return;
                    const float *a0 = P(pl, size_t(pair) * size_t(W));
                    if (!arrived(other)) {
                        std::copy(a0, a0 + W, dst.begin());
                        return;
                    }
                    const float *a1 = P(pl, size_t(other) * size_t(W));
                    for (int x = 0; x < W; ++x) dst[size_t(x)] = 0.75f * a0[x] + 0.25f * a1[x];
                };
                mix(crv, PCr);
                mix(cbv, PCb);
            }
        }
        if (colourFilter_ && !provisional) guidedChroma(line, crv.data(), cbv.data());
        uint8_t px[3];
        for (int x = 0; x < W; ++x) {
            if (fullRange_) yccFullToRgb(y[x], crv[size_t(x)], cbv[size_t(x)], px);
            else yccStudioToRgb(y[x], crv[size_t(x)], cbv[size_t(x)], px);
            out[size_t(3 * x)] = px[0];
            out[size_t(3 * x + 1)] = px[1];
            out[size_t(3 * x + 2)] = px[2];
        }
    }
    }
    const int r0 = line * rowsPerLine_;
    for (int rr = 0; rr < rowsPerLine_; ++rr) {
        if (r0 + rr >= pic_.height) break;
        std::copy(out, out + 3 * W, pic_.pixel(0, r0 + rr));
    }
    markDirty(r0, std::min(pic_.height, r0 + rowsPerLine_));
}

} // namespace vareror::core::rx
