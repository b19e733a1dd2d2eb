// The picture composer's own work: a picture's lines as they arrive, are decoded again or taken
// back, what can be drawn when (settle), and the drawing of a line's planes into RGB rows. The
// filters it runs are each in a file of their own: across lines, the columns, the lines that
// alternate, the colour filter; the colour-level rule too.
#include "picture_composer.h"

#include "picture_composer_parts.h"
#include "picture_composer_tuning.h"
#include "signal.h"

#include <algorithm>
#include <cmath>

namespace vareror::core::rx {

namespace {
// Rounded half away from zero into 0..255 (NaN to 0) without the library call: from 0.5 up
// v + 0.5 is exact, so truncating it rounds.
uint8_t clampU8(float v)
{
    if (!(v >= 0.5f)) return 0;
    return v >= 254.5f ? 255 : uint8_t(int(v + 0.5f));
}
} // namespace

void PictureComposer::start(const ModeInfo &m, bool weak, bool clear, float keepFine, float share, float clickFloor,
                            float colourClicks, float noiseToSignal)
{
    m_ = &m;
    weak_ = weak;
    colourFilter_ = hasChroma(m.colour);
    keepFine_ = std::clamp(keepFine, 0.0f, 1.0f);
    share_ = std::clamp(share, 0.0f, 1.0f);
    clickFloor_ = std::clamp(clickFloor, 0.0f, share_);
    colourClicks_ = std::clamp(colourClicks, 0.0f, 1.0f);
    noiseToSignal_ = std::max(0.0f, noiseToSignal);
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
    if (hasChroma(m.colour)) {
        for (int pl : {PCr, PCb}) planes_[pl].reserve(size);
        for (Plane &p : keptChroma_) p.reserve(size);
    }
    shift_ = 0;
    arrived_.assign(size_t(H_), 0);
    chromaWritten_.assign(size_t(H_), 0);
    filtered_.assign(size_t(H_), 0);
    drawn_.assign(size_t(H_), 0);
    frontier_ = firstUnfiltered_ = firstUndrawn_ = 0;
    levels_.assign(size_t(H_), Levels());
    silent_.assign(size_t(H_), {0, 0});
    for (auto &byStep : pairMedian_)
        for (auto &v : byStep) v.assign(size_t(H_), std::nanf(""));
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
    makePresent(data.get(), n * sizeof(float)); // (a picture's lines fill it)
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

void PictureComposer::rangeChanged()
{
    // Every line is drawn again in the other range. A line drawn finally keeps its filtered
    // colour (the colour filter reads no levels): only its conversion to RGB is done again,
    // where the filter's work was most of its drawing (a full-range sender's picture flips
    // once its flat areas have shown, often a third of the way down).
    fullRange_ = !fullRange_;
    for (uint8_t &d : drawn_) d = d == kFinal && colourFilter_ ? kFinalOtherRange : kUndrawn;
    firstUndrawn_ = 0;
}

void PictureComposer::lineDecoded(int line)
{
    if (line < 0 || line >= H_) return;
    arrived_[size_t(line)] = 1;
    forgetPairs(line, line);
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
    forgetPairs(from, H_ - 1);
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
    if (!live_ && !ended_) return false;
    if (fullRangeNow() != fullRange_) rangeChanged();
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
        if (fullRangeNow() != fullRange_) rangeChanged();
    }
    const int last = ended_ ? H_ : frontier_;
    int l = firstUndrawn_;
    for (; l < last && budget > 0; ++l) {
        if (!arrived_[size_t(l)] || drawn_[size_t(l)] == kFinal) continue;
        if (drawn_[size_t(l)] == kFinalOtherRange) {
            recolour(l);
            drawn_[size_t(l)] = kFinal;
            budget -= kDrawCost;
        } else if (finalReady(l)) {
            composeLine(l, false);
            drawn_[size_t(l)] = kFinal;
            budget -= colourFilter_ ? kFilterCost : kDrawCost;
        } else if (drawn_[size_t(l)] == kUndrawn) {
            composeLine(l, true);
            drawn_[size_t(l)] = kProvisional;
            budget -= kDrawCost;
        }
    }
    while (firstUndrawn_ < H_ && (drawn_[size_t(firstUndrawn_)] == kFinal || (ended_ && !arrived_[size_t(firstUndrawn_)])))
        ++firstUndrawn_;
    if (budget <= 0 && l < last) return true;
    // lines still to be filtered or drawn finally wait for neighbours: no work left now
    return false;
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
        if (colourFilter_ && !provisional) {
            guidedChroma(line, crv.data(), cbv.data());
            std::copy(crv.begin(), crv.end(), keptChroma_[0].row(line, W));
            std::copy(cbv.begin(), cbv.end(), keptChroma_[1].row(line, W));
        }
        yccToRgb(y, crv.data(), cbv.data(), out);
    }
    }
    putRows(line, out);
}

void PictureComposer::recolour(int line)
{
    rgb_.resize(size_t(W_) * 3);
    const size_t row = size_t(line) * size_t(W_);
    const float *y = (weak_ ? clean_[PY] : planes_[PY]).data.get() + row;
    yccToRgb(y, keptChroma_[0].row(line, W_), keptChroma_[1].row(line, W_), rgb_.data());
    putRows(line, rgb_.data());
}

void PictureComposer::yccToRgb(const float *y, const float *cr, const float *cb, uint8_t *out) const
{
    for (int x = 0; x < W_; ++x) {
        if (fullRange_) yccFullToRgb(y[x], cr[x], cb[x], out + 3 * x);
        else yccStudioToRgb(y[x], cr[x], cb[x], out + 3 * x);
    }
}

void PictureComposer::putRows(int line, const uint8_t *rgb)
{
    const int r0 = line * rowsPerLine_;
    for (int rr = 0; rr < rowsPerLine_; ++rr) {
        if (r0 + rr >= pic_.height) break;
        std::copy(rgb, rgb + 3 * W_, pic_.pixel(0, r0 + rr));
    }
    markDirty(r0, std::min(pic_.height, r0 + rowsPerLine_));
}

} // namespace vareror::core::rx
