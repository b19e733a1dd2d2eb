// The filter across lines: a weak signal's luminance (or red, green and blue) with its noise
// filtered out and its edges kept, and the noise it is measured against.
#include "picture_composer.h"

#include "neighbourhood_sums.h"
#include "picture_composer_parts.h"
#include "picture_composer_tuning.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vareror::core::rx {

namespace {

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

} // namespace

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
    // (luminance: also from the pulse-pair sums where it has them, else from the readings'
    // split halves in strong noise)
    if (broad_ && hasChroma(m_->colour)) {
        productColumnShares(line, {}, 1.0f);
    } else {
        const double snrDb = noiseToSignal_ > 0 ? -10 * std::log10(noiseToSignal_) : 99;
        const double halves = std::clamp((kHalvesToSnrDb - snrDb) / (kHalvesToSnrDb - kHalvesFullSnrDb), 0.0, 1.0);
        if (halves > 0) productColumnShares(line, columnPlanes, float(halves));
    }
    for (int pl : planes) {
        const int col = broad_ ? broadPlaneOf(pl) : pl;
        float *out = clean_[pl].row(line, W_);
        denoiseRow(pl, line, sigma[pl], out, col, sigma[col], share_);
        if (share_ < 1 && alternationGate(pl, line, sigma[pl])) wholeWhereAlternating(pl, line, sigma[pl], out, col, sigma[col]);
        if (pl == PY) count(line, out, W_);
    }
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
    // Each neighbour's differences give their own median, and the smaller counts: at a
    // horizontal edge (the line the last of one area or the first of the next) the whole
    // row differs from the neighbour across the edge, which would pass for strong noise.
    float best = -1;
    for (int nb : {line - step, line + step}) {
        if (!arrived(nb)) continue;
        const float m = pairMedian(pl, std::min(line, nb), step);
        if (best < 0 || m < best) best = m;
    }
    return best < 0 ? -1 : 1.4826f * best / std::numbers::sqrt2_v<float>;
}

// The median of the differences between a line and the line `step` below it, kept until
// either changes.
float PictureComposer::pairMedian(int pl, int line, int step)
{
    float *kept = step >= 1 && step <= kPairSteps ? &pairMedian_[pl][step - 1][size_t(line)] : nullptr;
    if (kept && !std::isnan(*kept)) return *kept;
    const int W = W_;
    const float *a = planes_[pl].row(line, W), *b = planes_[pl].row(line + step, W);
    diff_.resize(size_t(W));
    for (int x = 0; x < W; ++x) diff_[size_t(x)] = std::fabs(a[x] - b[x]);
    const float m = nthSmallest(diff_.data(), W, W / 2);
    if (kept) *kept = m;
    return m;
}

void PictureComposer::forgetPairs(int from, int to)
{
    for (auto &byStep : pairMedian_)
        for (int s = 0; s < kPairSteps; ++s) {
            std::vector<float> &v = byStep[s];
            const int last = std::min(to, int(v.size()) - 1);
            for (int l = std::max(0, from - (s + 1)); l <= last; ++l) v[size_t(l)] = std::nanf("");
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
// With `wanted` (a flag for each pixel), only the pixels flagged are certain in `out`.
void PictureComposer::denoiseRow(int pl, int line, float sigma, float *out, int columnPlane, float columnSigma, float share,
                                 const uint8_t *wanted)
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
    averageAlong(sigma, raw, rawPresent, n, rows, present);
    const float h = std::max(1.0f, denoiseStep() * sigma);
    const float inv = 1.0f / (h * h);
    centre_.resize(size_t(W));
    acc_.resize(size_t(W));
    ws_.resize(size_t(W));
    medianLevels(rows, sigma);
    if (medianShare < 1)
        for (int x = 0; x < W; ++x) centre_[size_t(x)] = own[x] + medianShare * (centre_[size_t(x)] - own[x]);
    // Tukey's biweight mean around the median, then a second pass around that first mean:
    // the median alone sits off-centre near edges
    if (meanShare < 1) median_.assign(centre_.begin(), centre_.end());
    for (int pass = 0; pass < 2 && meanShare > 0; ++pass) {
        biweightSums(present, n, W, kDenoisePixels, centre_.data(), inv, acc_.data(), ws_.data(), wanted);
        for (int x = 0; x < W; ++x)
            if (ws_[size_t(x)] > 0) centre_[size_t(x)] = acc_[size_t(x)] / ws_[size_t(x)];
    }
    if (meanShare < 1)
        for (int x = 0; x < W; ++x) centre_[size_t(x)] = median_[size_t(x)] + meanShare * (centre_[size_t(x)] - median_[size_t(x)]);
    // Where the area holds vertical structure, the column's own mean replaces the
    // neighbourhood's.
    if (columnShare > 0 && std::any_of(columnShare_.begin(), columnShare_.end(), [](float t) { return t > 0; })) {
        columnMeans(line, columnPlane, columnSigma);
        for (int x = 0; x < W; ++x)
            centre_[size_t(x)] += columnShare * columnShare_[size_t(x)] * (column_[size_t(x)] - centre_[size_t(x)]);
    }
    std::copy(centre_.begin(), centre_.end(), out);
}

float PictureComposer::denoiseStep() const { return kDenoiseStep + keepFine_ * (kFineDenoiseStep - kDenoiseStep); }

// The filter's rows around a line (`raw`, kDenoiseLines on either side, null where a line has
// not arrived; `rawPresent` the n of them that have) as the filter reads them, in `rows` and
// `present`. FM noise is blue along a line (most of it at the highest horizontal frequencies)
// and white down a column, so a filter across lines leaves it as vertical streaks. Where the
// noise is strong, the neighbourhood's readings are first averaged along their line,
// [1 2 1] / 4, which takes out most of that noise and little of any picture: from
// kAlongFromSigma of noise (levels) it begins, from kAlongFullSigma it is whole. A column
// of fine vertical structure (a grating), which this would blur, takes its column's mean
// from the readings as they are (columnMeans).
void PictureComposer::averageAlong(float sigma, const float *const *raw, const float *const *rawPresent, int n,
                                   const float **rows, const float **present)
{
    const int W = W_;
    constexpr int R = kDenoiseLines;
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
}

// Each pixel's level as a median of its neighbourhood in the filter's `rows` (kDenoiseLines on
// either side of the line, null where a line has not arrived), in centre_: of its 3 x 3
// neighbourhood (of what there is at the borders), or where fine detail is kept, as below.
void PictureComposer::medianLevels(const float *const *rows, float sigma)
{
    const int W = W_;
    constexpr int R = kDenoiseLines;
    const float *c = rows[R];
    auto scalarMedian = [&](int x) {
        float v[9];
        int k = 0;
        for (int dy = -1; dy <= 1; ++dy)
            if (const float *r = rows[R + dy])
                for (int dx = -1; dx <= 1; ++dx) v[k++] = r[std::clamp(x + dx, 0, W - 1)];
        std::nth_element(v, v + k / 2, v + k);
        return v[k / 2];
    };
    if (rows[R - 1] && rows[R + 1] && W >= 3 && keepFine_ > 0) {
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
        if (keepFine_ < 1) {
            // (going over from the 3 x 3 median as the noise comes near what leaves detail)
            fine_.assign(centre_.begin(), centre_.end());
            median3x3(u, c, d, W, centre_.data());
            centre_[0] = scalarMedian(0);
            centre_[size_t(W - 1)] = scalarMedian(W - 1);
            for (int x = 0; x < W; ++x) centre_[size_t(x)] += keepFine_ * (fine_[size_t(x)] - centre_[size_t(x)]);
        }
    } else if (rows[R - 1] && rows[R + 1] && W >= 3) {
        median3x3(rows[R - 1], c, rows[R + 1], W, centre_.data());
        centre_[0] = scalarMedian(0);
        centre_[size_t(W - 1)] = scalarMedian(W - 1);
    } else {
        for (int x = 0; x < W; ++x) centre_[size_t(x)] = scalarMedian(x);
    }
}

} // namespace vareror::core::rx
