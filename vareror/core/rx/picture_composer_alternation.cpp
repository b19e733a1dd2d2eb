// Lines that alternate against their neighbours: where the filter across lines works whole.
#include "picture_composer.h"

#include "picture_composer_parts.h"
#include "picture_composer_tuning.h"

#include <algorithm>
#include <cmath>

namespace vareror::core::rx {

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
    {
        // (the rows apart from the results, so that the loop runs in SIMD lanes)
        const float *__restrict r0 = planes_[pl].row(line - 3, W), *__restrict r1 = planes_[pl].row(line - 2, W),
                                *__restrict r2 = planes_[pl].row(line - 1, W), *__restrict r3 = planes_[pl].row(line, W),
                                *__restrict r4 = planes_[pl].row(line + 1, W), *__restrict r5 = planes_[pl].row(line + 2, W),
                                *__restrict r6 = planes_[pl].row(line + 3, W);
        float *__restrict alternation = alternation_.data(), *__restrict sign = signed_.data();
        for (int x = 0; x < W; ++x) {
            const float up = (-r0[x] + 3 * r1[x] - 3 * r2[x] + r3[x]) / 8;
            const float down = (r3[x] - 3 * r4[x] + 3 * r5[x] - r6[x]) / 8;
            const float a = up * down > 0 ? std::min(std::fabs(up), std::fabs(down)) : 0.0f;
            alternation[x] = a * a;
            sign[x] = up > 0 ? a : -a;
        }
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
        // The gate is the product of three ramps. The level's is taken first: where it is
        // nought (on most of a clean picture) so is the product, and the other two, with their
        // square roots and divisions, are not taken (a third of this gate's cost).
        const float level = float(std::sqrt(sum / k)) / std::max(0.05f, 1.0f - share_);
        const float byLevel = ramp(level, kAlternationFromLevel, kAlternationFullLevel);
        if (byLevel == 0) {
            gate_[size_t(x)] = 0;
            continue;
        }
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
