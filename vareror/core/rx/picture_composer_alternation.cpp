// Lines that alternate against their neighbours: where the filter across lines works whole.
#include "picture_composer.h"

#include "picture_composer_parts.h"
#include "picture_composer_tuning.h"

#include <algorithm>
#include <cmath>

namespace vareror::core::rx {

namespace {
// The loops over a row, in functions of their own: GCC heeds __restrict on parameters only,
// and without it ran them a pixel at a time.

// Each pixel's alternation (the lesser third difference, squared) and its signed amplitude,
// from the seven rows r[0..6] around its line (alternationGate says how).
__attribute__((target_clones("avx2", "default"))) void alternations(
    const float *__restrict r0, const float *__restrict r1, const float *__restrict r2, const float *__restrict r3,
    const float *__restrict r4, const float *__restrict r5, const float *__restrict r6, int W,
    float *__restrict alternation, float *__restrict sign)
{
    for (int x = 0; x < W; ++x) {
        const float up = (-r0[x] + 3 * r1[x] - 3 * r2[x] + r3[x]) / 8;
        const float down = (r3[x] - 3 * r4[x] + 3 * r5[x] - r6[x]) / 8;
        const float a = up * down > 0 ? std::min(std::fabs(up), std::fabs(down)) : 0.0f;
        alternation[x] = a * a;
        sign[x] = up > 0 ? a : -a;
    }
}

// Their sums over kAlternationPixels on either side, in double, each window's pixels added
// from its left (a window wholly in the row starts from its first pixel: the sum from nought,
// as exact; only the mean's sign of nought may differ, and it is taken whole).
__attribute__((target_clones("avx2", "default"))) void windowSums(const float *__restrict alternation,
                                                                  const float *__restrict sign, int W,
                                                                  double *__restrict sums, double *__restrict means)
{
    constexpr int P = kAlternationPixels;
    auto window = [&](int x) {
        double sum = 0, mean = 0;
        for (int i = std::max(0, x - P); i <= std::min(W - 1, x + P); ++i) {
            sum += alternation[i];
            mean += sign[i];
        }
        sums[x] = sum;
        means[x] = mean;
    };
    for (int x = 0; x < std::min(P, W); ++x) window(x);
    for (int x = P; x + P < W; ++x) {
        double sum = alternation[x - P], mean = sign[x - P];
        for (int i = 1; i <= 2 * P; ++i) {
            sum += alternation[x - P + i];
            mean += sign[x - P + i];
        }
        sums[x] = sum;
        means[x] = mean;
    }
    for (int x = std::max(P, W - P); x < W; ++x) window(x);
}
} // namespace

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
    alternation_.resize(size_t(W));
    signed_.resize(size_t(W));
    const Plane &p = planes_[pl];
    alternations(p.row(line - 3, W), p.row(line - 2, W), p.row(line - 1, W), p.row(line, W), p.row(line + 1, W),
                 p.row(line + 2, W), p.row(line + 3, W), W, alternation_.data(), signed_.data());
    windowSum_.resize(size_t(W));
    windowMean_.resize(size_t(W));
    windowSums(alternation_.data(), signed_.data(), W, windowSum_.data(), windowMean_.data());
    // The gate is the product of three ramps. The level's is taken first: where it is nought
    // (on most of a clean picture) so is the product, and the other two, with their square
    // roots and divisions, are not taken.
    constexpr int P = kAlternationPixels;
    gate_.resize(size_t(W));
    const float scale = std::max(0.05f, 1.0f - share_);
    for (int x = 0; x < W; ++x) {
        const int k = std::min(W - 1, x + P) - std::max(0, x - P) + 1;
        gate_[size_t(x)] = ramp(float(std::sqrt(windowSum_[size_t(x)] / k)) / scale, kAlternationFromLevel, kAlternationFullLevel);
    }
    const float noise2 = 20.0f / 64.0f * sigma * sigma;
    bool open = false;
    for (int x = 0; x < W; ++x) {
        const float byLevel = gate_[size_t(x)];
        if (byLevel == 0) continue;
        const double sum = windowSum_[size_t(x)], mean = windowMean_[size_t(x)];
        const int k = std::min(W - 1, x + P) - std::max(0, x - P) + 1;
        const float z = float(std::sqrt(sum / k / noise2));
        const float coherent = sum > 0 ? float(std::fabs(mean) / std::sqrt(k * sum)) : 0.0f;
        gate_[size_t(x)] = ramp(z, kAlternationFromZ, kAlternationFullZ) * byLevel * ramp(coherent, kCoherentFull, kCoherentFrom);
        open = open || gate_[size_t(x)] > 0;
    }
    return open;
}

// Where lines alternate (alternationGate has measured them), the filter's whole work in `out`,
// as far as its change is the alternation: the more it changes a pixel beyond the alternation
// measured there (over kAlternationPixels on either side), the more it smears the picture
// itself. `out` comes in as the filter's work at its share. The gate is open on a tenth to a
// fifth of a clean picture's pixels, and shut pixels keep `out` as it is: the whole filter is
// taken only within reach of the open ones, which halved its cost on a clean Robot 36.
void PictureComposer::wholeWhereAlternating(int pl, int line, float sigma, float *out, int columnPlane, float columnSigma)
{
    whole_.resize(size_t(W_));
    wholeWanted_.assign(size_t(W_), 0);
    for (int x = 0; x < W_; ++x)
        if (gate_[size_t(x)] > 0)
            std::fill(wholeWanted_.begin() + std::max(0, x - kAlternationPixels),
                      wholeWanted_.begin() + std::min(W_, x + kAlternationPixels + 1), uint8_t(1));
    denoiseRow(pl, line, sigma, whole_.data(), columnPlane, columnSigma, 1.0f, wholeWanted_.data());
    for (int x = 0; x < W_; ++x) {
        if (!(gate_[size_t(x)] > 0)) continue;
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
    for (int x = 0; x < W_; ++x)
        if (gate_[size_t(x)] > 0) out[x] += gate_[size_t(x)] * (whole_[size_t(x)] - out[x]);
}

} // namespace vareror::core::rx
