// Columns: where an area of a weak signal's picture holds vertical structure, found in the
// readings and in the broad band's pulse-pair sums, and the column means taken there.
#include "picture_composer.h"

#include "neighbourhood_sums.h"
#include "picture_composer_parts.h"
#include "picture_composer_tuning.h"
#include "signal.h"

#include <algorithm>
#include <cmath>

namespace vareror::core::rx {

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

// Columns in the split halves of a column's sums, where single readings are lost in clicks:
// raises columnShare_ where they show. Per column, the sums over the filter's lines are split
// into two independent halves (even and odd lines, levels a and b): the product of their steps
// along the row, (a[x+1] - a[x]) (b[x+1] - b[x]), has the column means' squared step as its
// expectation, with no share of the noise. Its noise scale is the variance of such a step,
// measured on the row from the halves' difference (noise alone where a column is
// constant), and neighbouring products share a reading (about 1.5 times the variance of
// independent ones). A step the upper and lower halves of the column differ by beyond that
// noise (a horizontal edge, a slanting line, a photo's texture) counts against the column.
// The halves are the broad band's pulse-pair sums where the luminance has them (Robot 36 at
// 5 dB, whose 2-4 pixel gratings only the broad band carries; `readings` empty), else the
// means of the readings of the planes `readings` names (the columns' planes: red, green and
// blue add their products up): at 0 dB a reading's noise is about half a grating's step,
// and the squared steps of single readings (columnShares) no longer tell a grating from
// noise, where the means of eight do. `most`: the share the columns found here may take.
void PictureComposer::productColumnShares(int line, const std::vector<int> &readings, float most)
{
    const int W = W_;
    constexpr int R = kDenoiseLines;
    if (W < 3 || !arrived(line - 1) || !arrived(line + 1)) return;
    const bool products = readings.empty();
    even_.resize(size_t(W));
    odd_.resize(size_t(W));
    evenOdd2_.assign(size_t(W), 0.0f);
    upDown2_.assign(size_t(W), 0.0f);
    cross_.assign(size_t(W), 0.0f);
    double stepVar2 = 0; // the products' variance, summed over the sources
    for (size_t i = 0; i < std::max<size_t>(1, readings.size()); ++i) {
        // the halves' sums, row by row: even and odd lines, and those above and below
        if (products) halvesZ_.assign(size_t(4 * W), 0.0f);
        else halves_.assign(size_t(4 * W), 0.0f);
        int ne = 0, no = 0, nu = 0, nd = 0;
        for (int dy = -R; dy <= R; ++dy) {
            if (!arrived(line + dy)) continue;
            const size_t half = dy & 1 ? size_t(W) : 0, side = dy < 0 ? size_t(2 * W) : size_t(3 * W);
            ++(dy & 1 ? no : ne);
            if (dy != 0) ++(dy < 0 ? nu : nd);
            if (products) {
                const std::complex<float> *z = broadZ_.data() + size_t(line + dy) * size_t(W);
                std::complex<float> *h = halvesZ_.data();
                for (int x = 0; x < W; ++x) h[half + size_t(x)] += z[x];
                if (dy != 0)
                    for (int x = 0; x < W; ++x) h[side + size_t(x)] += z[x];
            } else {
                const float *r = planes_[readings[i]].row(line + dy, W);
                float *h = halves_.data();
                for (int x = 0; x < W; ++x) h[half + size_t(x)] += r[x];
                if (dy != 0)
                    for (int x = 0; x < W; ++x) h[side + size_t(x)] += r[x];
            }
        }
        const float ie = ne ? 1.0f / float(ne) : 0.0f, io = no ? 1.0f / float(no) : 0.0f;
        const float iu = nu ? 1.0f / float(nu) : 0.0f, id = nd ? 1.0f / float(nd) : 0.0f;
        for (int x = 0; x < W; ++x) {
            const size_t u = size_t(x);
            float v;
            if (products) {
                const std::complex<float> *h = halvesZ_.data();
                even_[u] = productLevel(h[u]);
                odd_[u] = productLevel(h[size_t(W) + u]);
                v = productLevel(h[size_t(2 * W) + u]) - productLevel(h[size_t(3 * W) + u]);
            } else {
                const float *h = halves_.data();
                even_[u] = h[u] * ie;
                odd_[u] = h[size_t(W) + u] * io;
                v = h[size_t(2 * W) + u] * iu - h[size_t(3 * W) + u] * id;
            }
            const float e = std::clamp(even_[u] - odd_[u], -kProductClip, kProductClip);
            v = std::clamp(v, -kProductClip, kProductClip);
            evenOdd2_[u] += e * e;
            upDown2_[u] += v * v;
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
        stepVar2 += double(stepVar) * stepVar;
        for (int x = 0; x + 1 < W; ++x)
            cross_[size_t(x)] += std::clamp(even_[size_t(x + 1)] - even_[size_t(x)], -kProductClip, kProductClip) *
                                 std::clamp(odd_[size_t(x + 1)] - odd_[size_t(x)], -kProductClip, kProductClip);
    }
    cross_[size_t(W - 1)] = cross_[size_t(W - 2)];
    const double stepSd = std::sqrt(stepVar2);
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
        const double z = (sc / k - vertical) / stepSd * std::sqrt(k / 1.5);
        const float share = float(std::clamp((z - kProductColumnFromZ) / (kProductColumnFullZ - kProductColumnFromZ), 0.0, 1.0));
        columnShare_[size_t(x)] = std::max(columnShare_[size_t(x)], most * share);
    }
}

// The column's own biweight mean at each pixel of a line (around the median of the pixel and
// the two above and below it), in column_, taken over columnPlane's readings within
// kDenoiseLines on either side; the filter across lines takes it where columnShare_ says.
void PictureComposer::columnMeans(int line, int columnPlane, float columnSigma)
{
    const int W = W_;
    constexpr int R = kDenoiseLines;
    const float *raw[2 * R + 1] = {}, *rawPresent[2 * R + 1];
    int n = 0;
    for (int dy = -R; dy <= R; ++dy) {
        const int l = line + dy;
        if (arrived(l)) rawPresent[n++] = raw[dy + R] = planes_[columnPlane].row(l, W);
    }
    const float *u = raw[R - 1], *d = raw[R + 1], *c = raw[R];
    const float hc = std::max(1.0f, denoiseStep() * columnSigma);
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
                const float w = std::max(0.0f, 1.0f - e * e * invC);
                sum += w * w * broadZ_[size_t(l) * size_t(W) + size_t(x)];
            }
            if (std::norm(sum) > 0) column_[size_t(x)] = productLevel(sum);
        }
    }
}

} // namespace vareror::core::rx
