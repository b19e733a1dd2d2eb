// The colour filter: a colour-difference picture's colour, guided by its luminance.
#include "picture_composer.h"

#include "neighbourhood_sums.h"
#include "picture_composer_parts.h"
#include "picture_composer_tuning.h"

#include <algorithm>

namespace vareror::core::rx {

// A colour-difference picture's colour for one line (weak or clean). Colour scans are shorter
// than luminance scans (or shared by two lines), so near the noise floor colour is far noisier
// than brightness, while a picture's colour changes only where its brightness does too. Each
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

} // namespace vareror::core::rx
