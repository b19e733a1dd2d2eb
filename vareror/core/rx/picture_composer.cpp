#include "picture_composer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace vareror::core::rx {

namespace {
constexpr int PR = planeOf(Channel::R), PG = planeOf(Channel::G), PB = planeOf(Channel::B), PY = planeOf(Channel::Y),
              PCr = planeOf(Channel::Cr), PCb = planeOf(Channel::Cb), PGrey = planeOf(Channel::Grey);
constexpr int PlaneCount = kPlaneCount;
constexpr float kFlatSpread = 8.0f;   // colour-level rule: a flat stretch's spread (levels)
constexpr int kFlatRun = 8;           // ... and its least length (pixels)
constexpr double kFullLow = 8, kFullHigh = 247; // flat levels only a full-range encoder sends
// Weak signals, across lines: the edge-preserving filter's reach (lines, pixels) and the
// size of a step it keeps, in noise standard deviations; the colour filter's reach, the
// brightness step (levels) at which it stops mixing colours, and how far (levels) a colour
// reading may lie from its area's colour before it counts as a click.
constexpr int kDenoiseLines = 8, kDenoisePixels = 4;
constexpr float kDenoiseStep = 3.5f;
constexpr int kChromaLines = 6, kChromaPixels = 12;
constexpr float kChromaStep = 25.0f, kChromaOutlier = 80.0f;
constexpr int kWeakReach = std::max(kDenoiseLines, kChromaLines); // lines either filter reads

uint8_t clampU8(float v) { return uint8_t(std::clamp(int(std::lround(v)), 0, 255)); }
} // namespace

void PictureComposer::start(const ModeInfo &m, bool weak, bool clear)
{
    m_ = &m;
    weak_ = weak;
    W_ = m.exposedWidth;
    H_ = m.height;
    rowsPerLine_ = m.exposedHeight / std::max(1, m.height);
    for (auto &pl : planes_) pl.clear();
    const auto size = size_t(W_) * size_t(H_);
    switch (m.colour) {
    case ColourEncoding::Rgb:
        for (int pl : {PR, PG, PB}) planes_[pl].assign(size, 0.0f);
        break;
    case ColourEncoding::Grey:
        planes_[PGrey].assign(size, 0.0f);
        break;
    default:
        planes_[PY].assign(size, 0.0f);
        planes_[PCr].assign(size, 128.0f);
        planes_[PCb].assign(size, 128.0f);
        break;
    }
    yClean_.clear();
    done_.assign(size_t(H_), 0);
    fullRange_ = false;
    resetLevels();
    if (clear || pic_.width != m.exposedWidth || pic_.height != m.exposedHeight)
        pic_ = RgbImage(m.exposedWidth, m.exposedHeight, 0);
    markDirty(0, pic_.height);
}

void PictureComposer::lineArrived(int line)
{
    if (line >= 0 && line < H_) done_[size_t(line)] = 1;
}

void PictureComposer::resetLevels() { yCount_ = yLow_ = yHigh_ = 0; }

void PictureComposer::periodDone(int k)
{
    const int lpp = m_->linesPerPeriod;
    const bool wasFull = fullRange_;
    fullRange_ = fullRangeNow();
    if (weak_) {
        // A weak signal's lines are drawn as they arrive, with the neighbours they have,
        // and drawn again once every line their noise filter reaches has arrived.
        for (int l = k * lpp - kWeakReach; l < (k + 1) * lpp - kWeakReach; ++l) composeLine(l);
    }
    if (wasFull != fullRange_) {
        composeAll();
        return;
    }
    for (int l = 0; l < lpp; ++l) {
        const int line = k * lpp + l;
        composeLine(line, weak_);
        if ((m_->colour == ColourEncoding::YccAlternating || m_->colour == ColourEncoding::YccTwoLine) && (line & 1)) {
            // the pair is complete: its first line and the previous pair's second line take
            // its chroma
            composeLine(line - 1, weak_);
            composeLine(line - 2, weak_ && line - 2 > k * lpp - kWeakReach);
        }
    }
}

void PictureComposer::finish(int lines)
{
    if (!weak_) return;
    // the last lines never got all their lower neighbours: drawn with what there is
    for (int l = std::max(0, lines - kWeakReach); l < lines; ++l) composeLine(l);
}

void PictureComposer::redrawAll()
{
    fullRange_ = fullRangeNow();
    composeAll();
}

// Statistics for the colour-level rule: only flat stretches count (kFlatRun pixels or more
// within kFlatSpread levels of each other), judged by their mean, so the overshoot and
// ringing beside a sharp edge and the scatter of noise cannot pass for full-range levels.
void PictureComposer::countLevels(const float *y, int n)
{
    yCount_ += n;
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
            if (mean < kFullLow) yLow_ += j - i;
            if (mean > kFullHigh) yHigh_ += j - i;
        }
        i = j;
    }
}

// Full range when more than 0.4 % of the luminance lies in flat stretches outside the
// studio range.
bool PictureComposer::fullRangeNow() const
{
    if (yCount_ <= 0) return false;
    const int64_t outside = yLow_ + yHigh_;
    return outside * 250 > yCount_;
}

void PictureComposer::markDirty(int r0, int r1)
{
    if (r1 <= r0) return;
    if (dirtyTo_ <= dirtyFrom_) { dirtyFrom_ = r0; dirtyTo_ = r1; return; }
    dirtyFrom_ = std::min(dirtyFrom_, r0);
    dirtyTo_ = std::max(dirtyTo_, r1);
}

// A weak_ signal's row of luminance (or R, G or B) with its noise filtered out but its edges
// kept. Near the noise floor a pixel's own reading is worth little, so each pixel becomes the
// mean of its neighbourhood (kDenoiseLines x kDenoisePixels on either side), leaving out
// neighbours that differ from it by more than a few noise deviations: flat areas are
// averaged over a hundred readings, while a step between two areas is kept because neither
// side takes part in the other's mean. The pixel's own level is judged by the median of its
// 3 x 3 neighbourhood, so an FM click (one reading far off) neither survives nor spreads, and
// a wide click is left out of its neighbours' means. The noise deviation is measured
// on the picture itself, from the differences between this row and its neighbour rows
// (their median, which picture edges barely move).
void PictureComposer::weakRow(int pl, int line, float *out)
{
    const int W = W_;
    constexpr int R = kDenoiseLines;
    const float *rows[2 * R + 1] = {};
    for (int dy = -R; dy <= R; ++dy) {
        const int l = line + dy;
        if (l >= 0 && l < H_ && done_[size_t(l)]) rows[dy + R] = planes_[pl].data() + size_t(l) * size_t(W);
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
        if (yClean_.size() != planes_[PY].size()) yClean_ = planes_[PY];
        std::copy(out, out + W, yClean_.data() + size_t(line) * size_t(W));
    }
}

// A weak_ signal's colour differences for one line. Colour scans are shorter than luminance
// scans (or shared by two lines), so near the noise floor colour is far noisier than
// brightness, while a picture's colour changes only where its brightness does too. Each
// colour value is therefore averaged over the rows that carry that colour within
// kChromaLines and kChromaPixels on either side, weighted by how close their filtered
// luminance is to this pixel's: colour is smoothed within an area and not across the edge
// between two areas of different brightness.
void PictureComposer::weakChroma(int line, float *cr, float *cb) const
{
    const ModeInfo &m = *m_;
    const int W = W_;
    if (yClean_.size() != planes_[PY].size()) return;
    const float *yc = yClean_.data() + size_t(line) * size_t(W);
    constexpr float inv = 1.0f / (kChromaStep * kChromaStep);
    for (int pl : {PCr, PCb}) {
        float *out = pl == PCr ? cr : cb;
        const float *cRows[2 * kChromaLines + 1], *yRows[2 * kChromaLines + 1];
        int nr = 0;
        for (int r = line - kChromaLines; r <= line + kChromaLines; ++r) {
            if (r < 0 || r >= H_ || !done_[size_t(r)]) continue;
            // which rows hold this colour: every row, the first of each pair, or Cr on even
            // rows and Cb on odd ones
            if (m.colour == ColourEncoding::YccAlternating && (r & 1) != (pl == PCr ? 0 : 1)) continue;
            if (m.colour == ColourEncoding::YccTwoLine && (r & 1)) continue;
            cRows[nr] = planes_[pl].data() + size_t(r) * size_t(W);
            yRows[nr++] = yClean_.data() + size_t(r) * size_t(W);
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

void PictureComposer::composeLine(int line, bool provisional)
{
    const ModeInfo &m = *m_;
    if (!arrived(line)) return;
    const int W = W_;
    const size_t row = size_t(line) * size_t(W);
    std::vector<uint8_t> out(size_t(W) * 3);
    // A weak_ signal's luminance (or R, G, B) is also filtered across its neighbouring lines.
    std::vector<float> smooth[PlaneCount];
    auto P = [&](int pl, size_t r) -> const float * {
        const float *c = planes_[pl].data() + r;
        if (!weak_ || r != row || pl == PCr || pl == PCb) return c;
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
            if (pair < 0 || pair + 1 > H_) return;
            if (m.colour == ColourEncoding::YccAlternating) {
                if (done_[size_t(pair)]) crR = pair;
                if (pair + 1 < H_ && done_[size_t(pair + 1)]) cbR = pair + 1;
            } else if (done_[size_t(pair)]) {
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
                    const bool ownOk = rowOwn >= 0 && rowOwn < H_ && done_[size_t(rowOwn)];
                    const bool othOk = rowOther >= 0 && rowOther < H_ && done_[size_t(rowOther)];
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
        if (weak_ && !provisional) weakChroma(line, crv.data(), cbv.data());
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
        std::copy(out.begin(), out.end(), pic_.pixel(0, r0 + rr));
    }
    markDirty(r0, std::min(pic_.height, r0 + rowsPerLine_));
}

void PictureComposer::composeAll()
{
    if (weak_ && m_->colour != ColourEncoding::Rgb && m_->colour != ColourEncoding::Grey && !planes_[PY].empty()) {
        // each line's colour filter reads the filtered luminance of the lines below it too
        std::vector<float> filtered(size_t(W_), 0.0f);
        for (int l = 0; l < H_; ++l)
            if (done_[size_t(l)]) weakRow(PY, l, filtered.data());
    }
    for (int l = 0; l < H_; ++l) composeLine(l);
}


} // namespace vareror::core::rx
