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
    // The two colours are summed together where one's luminance rows are the other's, or a
    // run of them (a line pair's colour sent once: Robot 36's Cr and Cb lines read the same
    // pairs but for the first or the last), their luminance weights taken once. Colour `a`,
    // the one with more rows, is summed in the first of the scratch rows, `b` in the second.
    const int a = nr[1] > nr[0] ? 1 : 0, b = 1 - a;
    GuidedRows both{yRows[a], cRows[a], nullptr, nr[a], 0, 0};
    for (int from = 0; nr[b] > 0 && from + nr[b] <= nr[a]; ++from)
        if (std::equal(yRows[b], yRows[b] + nr[b], yRows[a] + from)) {
            both = GuidedRows{yRows[a], cRows[a], cRows[b], nr[a], from, from + nr[b]};
            break;
        }
    const GuidedRows onlyB{yRows[b], cRows[b], nullptr, nr[b], 0, 0};
    for (auto *v : {&acc_, &accB_, &ws_, &wsB_, &acc2_, &accB2_, &ws2_, &wsB2_, &first_, &firstB_, &centre_, &centreB_})
        v->resize(size_t(W));
    float *const out[2] = {a == 0 ? cr : cb, a == 0 ? cb : cr}, *const first[2] = {first_.data(), firstB_.data()};
    float *const acc[2] = {acc_.data(), accB_.data()}, *const ws[2] = {ws_.data(), wsB_.data()};
    float *const acc2[2] = {acc2_.data(), accB2_.data()}, *const ws2[2] = {ws2_.data(), wsB2_.data()};
    const float ownOf[2] = {own[a], own[b]}, invOutOf[2] = {invOut[a], invOut[b]};
    const int rowsOf[2] = {nr[a], nr[b]};
    // Weighted by luminance likeness ...
    if (nr[a] > 0) guidedFirstPass(both, W, kChromaPixels, yc, inv, acc[0], ws[0], acc[1], ws[1]);
    if (nr[b] > 0 && !both.b) guidedFirstPass(onlyB, W, kChromaPixels, yc, inv, acc[1], ws[1], nullptr, nullptr);
    // ... and, once the area's colour is known, leaving out readings far from it (clicks);
    // in light noise, far from the pixel's own colour (which keeps a colour edge the
    // brightness does not show: a white line over a yellow bar, the colour ramp over grey)
    const float *centre[2] = {first[0], first[1]};
    for (int c = 0; c < 2; ++c) {
        if (rowsOf[c] == 0) continue;
        for (int x = 0; x < W; ++x) first[c][x] = ws[c][x] > 0 ? acc[c][x] / ws[c][x] : 0.0f;
        if (ownOf[c] > 0) {
            float *towardOwn = c == 0 ? centre_.data() : centreB_.data();
            for (int x = 0; x < W; ++x) towardOwn[x] = first[c][x] + ownOf[c] * (out[c][x] - first[c][x]);
            centre[c] = towardOwn;
        }
    }
    if (nr[a] > 0)
        guidedSecondPass(both, W, kChromaPixels, yc, inv, centre[0], invOutOf[0], centre[1], invOutOf[1], acc2[0], ws2[0],
                         acc2[1], ws2[1]);
    if (nr[b] > 0 && !both.b)
        guidedSecondPass(onlyB, W, kChromaPixels, yc, inv, centre[1], invOutOf[1], nullptr, 0, acc2[1], ws2[1], nullptr, nullptr);
    for (int c = 0; c < 2; ++c)
        for (int x = 0; x < W && rowsOf[c] > 0; ++x)
            if (ws[c][x] > 0) out[c][x] = ws2[c][x] > 0 ? acc2[c][x] / ws2[c][x] : first[c][x];
}

} // namespace vareror::core::rx
