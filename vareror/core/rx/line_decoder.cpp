#include "line_decoder.h"

#include "picture_composer.h"
#include "sync_tracker.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vareror::core::rx {

namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kCleanPixelWindow = 0.6; // share of a sample's time read for a clean pixel
// ms either side a weak signal's pixels are averaged over along the line, whole at 1 dB and below,
// none from 6, by the cube of the way between: a step in it set seeds and pictures apart (noise, spread).
constexpr double kWeakSmoothMs = 0.55, kSmoothFullSnrDb = 1, kSmoothCleanSnrDb = 6;
// dB: the reading goes over from a weak signal's to a clean one's between these (noise). Robot 36
// sends each colour difference once a line pair in half the luminance's time, and its luminance
// pixels are short: its readings are weak from higher up, though from 9 dB, to keep its gratings.
constexpr double kWeakReadSnrDb = 0, kCleanReadSnrDb = 6;
constexpr double kAlternatingWeakReadSnrDb = 6, kAlternatingCleanReadSnrDb = 9;
// Shortened scans (checkShortenedScans), told from the means of the periods from the 8th on: a
// reading counts up to 300 Hz beyond the picture's range (a click no further); the picture just
// before the cut-off part must fall to it by 50 Hz and 4 standard errors more, and that part lie
// within half the way from the separator's black to that picture (in noise the band smears the
// picture into it: at 3 dB some 90 Hz above the separator). Scottie 1 from another sender (files, noise).
constexpr int kShortFirstPeriod = 8;
constexpr double kShortClipHz = 300, kShortDropHz = 50, kShortSigmas = 4, kShortRestShare = 0.5;

// (inlined into both callers: a call per pixel costs the clean decode about a tenth of its speed)
[[gnu::always_inline]] inline cfloat productSum(const SignalView &s, double t0, double t1, cfloat noiseLag1, bool broad)
{
    // p_i = z_i z*_{i-1} covers [i-1, i]; weight each by its overlap with [t0, t1).
    const int64_t i0 = int64_t(std::floor(t0)) + 1, i1 = int64_t(std::ceil(t1));
    if (i0 - 1 < s.begin || i1 >= s.end) return 0;
    cfloat acc = 0;
    float pw = 0;
    cfloat prev = broad ? s.zbAt(i0 - 1) : s.zAt(i0 - 1);
    for (int64_t i = i0; i <= i1; ++i) {
        const cfloat cur = broad ? s.zbAt(i) : s.zAt(i);
        const float w = float(std::min(double(i), t1) - std::max(double(i - 1), t0));
        if (w > 0) {
            acc += w * (cur * std::conj(prev));
            pw += w * std::norm(cur);
        }
        prev = cur;
    }
    acc -= pw * noiseLag1;
    return acc;
}
} // namespace

cfloat pixelProduct(const SignalView &s, double t0, double t1, cfloat noiseLag1, bool broad)
{
    return productSum(s, t0, t1, noiseLag1, broad);
}

double pixelHz(const SignalView &s, double t0, double t1, cfloat noiseLag1, bool broad)
{
    return productHz(productSum(s, t0, t1, noiseLag1, broad), s.rateHz);
}

double avtPictureStart(const SignalView &s, const WorkingRate &rate, double headerEnd, double offsetHz, cfloat noiseLag1)
{
    const double W = 17 * kAvtBitMs * rate.perMs; // a marker bit and 16 data bits
    const double bit = kAvtBitMs * rate.perMs;
    std::vector<std::pair<int, int>> good;          // (slot, counter)
    for (int j = 0; j < kAvtWords + 2; ++j) {
        const double w0 = headerEnd + j * W;
        unsigned word = 0;
        bool ok = true;
        for (int b = 0; b < 16; ++b) {
            const double c = w0 + (b + 1.5) * bit;
            const double hz = pixelHz(s, c - 0.3 * bit, c + 0.3 * bit, noiseLag1);
            if (hz == 0) { ok = false; break; }
            if (hz - offsetHz > kAvtMarkerHz) word |= 1u << (15 - b);
        }
        if (!ok) continue;
        const unsigned hi = word >> 8, lo = word & 0xFF;
        if (((~hi) & 0xFF) != lo) continue;
        good.push_back({j, int(hi & 0x1F)});
    }
    double start = headerEnd + kAvtWords * W;
    if (!good.empty()) {
        int dir = 1;
        for (size_t i = 1; i < good.size(); ++i) {
            const int ds = good[i].first - good[i - 1].first, dc = good[i].second - good[i - 1].second;
            if (ds == 1 && dc == -1) { dir = -1; break; }
            if (ds == 1 && dc == 1) { dir = 1; break; }
        }
        std::vector<double> est;
        for (auto &g : good) {
            const double end = headerEnd + (g.first + 1) * W;
            est.push_back(end + (dir > 0 ? kAvtWords - 1 - g.second : g.second) * W);
        }
        std::nth_element(est.begin(), est.begin() + long(est.size() / 2), est.end());
        start = est[est.size() / 2];
    }
    return start;
}

void LineDecoder::start(const ModeInfo &m, const WorkingRate &rate, int width, double snrDb, double offsetHz,
                        cfloat noiseLag1)
{
    m_ = &m;
    rate_ = rate;
    width_ = width;
    scale_ = m.exposedWidth / std::max(1, m.width);
    // a clean signal's pixel is read over the middle of its time; near the noise floor it
    // needs every sample it has, and an average over about a millisecond along the line
    const bool alternating = m.colour == ColourEncoding::YccAlternating;
    const double weak = alternating ? kAlternatingWeakReadSnrDb : kWeakReadSnrDb;
    const double clean = alternating ? kAlternatingCleanReadSnrDb : kCleanReadSnrDb;
    weakness_ = std::clamp((clean - snrDb) / (clean - weak), 0.0, 1.0);
    const double smooth = std::clamp((kSmoothCleanSnrDb - snrDb) / (kSmoothCleanSnrDb - kSmoothFullSnrDb), 0.0, 1.0);
    smoothing_ = smooth * smooth * smooth;
    offset_ = offsetHz;
    noiseLag1_ = noiseLag1;
    broad_ = false;
    layouts_ = m.layouts;
    syncLengths_.clear();
    altLayout_ = false;
    shortSeen_ = 0;
    shortDrop_ = shortDrop2_ = shortRest_ = shortRest2_ = shortLevel_ = 0;
    marker_ = Segment();
    markerHz_[0] = markerHz_[1] = 0;
    votesSame_ = votesSwap_ = shift_ = 0;
    if (m.layouts.size() == 2) {
        const auto &l0 = m.layouts[0], &l1 = m.layouts[1];
        for (size_t i = 0; i < std::min(l0.size(), l1.size()); ++i)
            if (l0[i].kind == SegmentKind::Tone && l1[i].kind == SegmentKind::Tone && l0[i].hz != l1[i].hz) {
                marker_ = l0[i];
                markerHz_[0] = l0[i].hz;
                markerHz_[1] = l1[i].hz;
                break;
            }
    }
    plan();
}

void LineDecoder::plan()
{
    const double perMs = rate_.perMs;
    schedule_.clear();
    for (const auto &lay : layouts_) {
        std::vector<Scan> scans;
        for (const Segment &seg : lay) {
            if (seg.kind != SegmentKind::Scan) continue;
            Scan scan;
            scan.plane = planeOf(seg.channel);
            scan.line = seg.line;
            scan.start = seg.startMs * perMs;
            scan.length = seg.lengthMs * perMs;
            scan.samples = seg.samples;
            // a weak signal's pixels are averaged over about a millisecond, whatever the mode
            scan.smoothRadius = smoothing_ * kWeakSmoothMs / (seg.lengthMs / width_);
            scan.luminance = seg.channel == Channel::Y;
            scan.broad = scan.luminance || seg.channel == Channel::R || seg.channel == Channel::G || seg.channel == Channel::B;
            scans.push_back(scan);
        }
        schedule_.push_back(std::move(scans));
    }
}

void LineDecoder::extentMs(double &from, double &to) const
{
    from = to = 0;
    for (const auto &lay : layouts_)
        for (const auto &seg : lay) {
            from = std::min(from, seg.startMs);
            to = std::max(to, seg.startMs + seg.lengthMs);
        }
}

double LineDecoder::moved(double pos0, double clock0, double pos1, double clock1) const
{
    double from = 0, to = 0;
    extentMs(from, to);
    double worst = std::fabs(pos1 - pos0);
    for (double ms : {from, to}) worst = std::max(worst, std::fabs(pos1 + ms * rate_.perMs * clock1 - pos0 - ms * rate_.perMs * clock0));
    return worst;
}

void LineDecoder::decode(const SignalView &s, int k, double pos, double clk, PictureComposer &out) const
{
    const ModeInfo &m = *m_;
    const int W = width_;
    const float wk = float(weakness_);
    const auto &scans = schedule_[size_t((k + shift_) % int(schedule_.size()))];
    std::vector<float> &tmp = row_;
    for (const Scan &scan : scans) {
        const int line = k * m.linesPerPeriod + scan.line;
        if (line >= out.lines()) continue;
        // Every scan is sampled at the full picture width: a chroma scan of half the length
        // is still a continuous signal, and reading it finely interpolates it better than
        // stretching its nominal samples afterwards.
        const int n = W;
        // the sample clock's error stretches the whole line, not only the sync spacing
        const double t0 = pos + scan.start * clk;
        const double dt = scan.length * clk / n;
        // A clean signal's pixel is read over the middle 60 % of the scan's own sample time
        // (centred on each output pixel): the band filter smears every tone step over a
        // fraction of a millisecond, and the edges of the sample are where the neighbours
        // leak in. A noisy signal needs every sample it has: its window grows to the whole
        // pixel.
        const double nativeDt = scan.samples > 0 ? scan.length * clk / scan.samples : dt;
        const double win = kCleanPixelWindow * nativeDt + (dt - kCleanPixelWindow * nativeDt) * weakness_;
        tmp.resize(size_t(n));
        for (int i = 0; i < n; ++i) {
            const double c = t0 + (i + 0.5) * dt;
            const double hz = pixelHz(s, c - 0.5 * win, c + 0.5 * win, noiseLag1_) - offset_;
            tmp[size_t(i)] = float(hzToLevel(hz, m.narrow));
        }
        if (wk > 0 && scan.samples * scale_ < n && n >= 3) {
            // a scan with fewer samples than the picture's width (chroma at half width) is
            // read finely but, as the noise grows, averaged over about its own sample time:
            // [1 2 1] / 4
            tmp_ = tmp;
            for (int i = 1; i + 1 < n; ++i)
                tmp_[size_t(i)] = tmp[size_t(i)] + 0.5f * wk * (0.5f * (tmp[size_t(i - 1)] + tmp[size_t(i + 1)]) - tmp[size_t(i)]);
            tmp.swap(tmp_);
        }
        float *dst = out.row(scan.plane, line);
        if (scan.smoothRadius > 0 && n >= 5) {
            // a box of 2 R + 1 pixels, the pair just outside it weighed by the fraction left
            const int r = int(scan.smoothRadius);
            const float edge = float(scan.smoothRadius - r);
            for (int i = 0; i < n; ++i) {
                double acc = 0, cnt = 0;
                for (int j = std::max(0, i - r); j <= std::min(n - 1, i + r); ++j) {
                    acc += tmp[size_t(j)];
                    cnt += 1;
                }
                if (edge > 0)
                    for (int j : {i - r - 1, i + r + 1})
                        if (j >= 0 && j < n) {
                            acc += edge * tmp[size_t(j)];
                            cnt += edge;
                        }
                dst[i] = float(acc / cnt);
            }
        } else {
            std::copy(tmp.begin(), tmp.end(), dst);
        }
        if (scan.broad && broad_) {
            // the same pixels through the broad band, as they come: the composer averages
            // them only down columns (luminance also as its pulse-pair sums, turned by the
            // tuning offset, so that their phase reads as the offset-corrected frequency)
            float *b = out.broadRow(scan.plane, line);
            cfloat *bz = scan.luminance ? out.broadProducts(line) : nullptr;
            const cfloat turn = std::polar(1.0f, float(-kTwoPi * offset_ / s.rateHz));
            for (int i = 0; i < n; ++i) {
                const double c = t0 + (i + 0.5) * dt;
                const cfloat p = pixelProduct(s, c - 0.5 * win, c + 0.5 * win, broadLag1_, true);
                if (bz) bz[i] = p * turn;
                b[i] = float(hzToLevel(productHz(p, s.rateHz) - offset_, m.narrow));
            }
        }
        if (scan.luminance) {
            // Pixels read from digital silence (audio lost and filled with zeros) read far
            // below black: they are no vote for a full-range sender (counted, a second of
            // them turned a whole studio-range picture's colours).
            int silentFrom = n, silentTo = 0;
            for (int i = 0; i < n; ++i)
                if (magnitude(s.zAt(std::clamp(int64_t(t0 + (i + 0.5) * dt), s.begin, s.end - 1))) < 1e-4f) {
                    silentFrom = std::min(silentFrom, i);
                    silentTo = i + 1;
                }
            out.countLevels(line, dst, W, silentFrom, std::max(silentFrom, silentTo));
        }
    }
    for (int l = 0; l < m.linesPerPeriod; ++l) out.lineDecoded(k * m.linesPerPeriod + l);
}

bool LineDecoder::checkSyncLength(const SignalView &s, int k, double pos, const SyncTracker &sync)
{
    // Two splits of one line, told apart by the length of the sync pulse over the first
    // periods (the median, so that a pulse misread in noise does not decide).
    const ModeInfo &m = *m_;
    if (m.altLayout.empty() || k >= 8) return false;
    const double len = sync.pulseLength(s, pos);
    if (len > 0) syncLengths_.push_back(len);
    if (syncLengths_.size() < 3) return false;
    std::vector<double> v = syncLengths_;
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    const bool alt = v[v.size() / 2] > 0.5 * (m.syncMs + m.altLayoutSyncMs);
    if (alt == altLayout_) return false;
    altLayout_ = alt;
    layouts_ = alt ? std::vector<std::vector<Segment>>{m.altLayout} : m.layouts;
    plan();
    return true;
}

bool LineDecoder::checkShortenedScans(const SignalView &s, int k, const SyncTracker &sync)
{
    // Some senders keep the line but cut each colour scan short, sending black for the rest.
    // When the end of the scans reads as black as the separator does, while the picture just
    // before it does not (so it is not a black picture edge), the scans are read at that
    // shorter length. Where the scans end is taken from the syncs as tracked, the sender's
    // clock included: 0.3 % moves the end of a scan sent 140 ms before its sync by 0.4 ms,
    // a quarter of the cut-off part. In noise a reading of so short a stretch says little on
    // its own, so the readings are averaged over the scans seen so far, and the decision waits
    // until those means tell, kShortSigmas standard errors apart: the sooner the cleaner the signal.
    const ModeInfo &m = *m_;
    if (m.shortenedScanMs <= 0 || shortSeen_ < 0) return false;
    const double perMs = rate_.perMs * sync.trackClock(), cut = m.shortenedScanMs, pos = sync.trackPos(k);
    // a stretch's frequency above black, a click held to the picture's range and a little beyond
    auto level = [&](double t0, double t1) {
        const double hz = pixelHz(s, pos + t0 * perMs, pos + t1 * perMs, noiseLag1_) - offset_ - m.blackHz();
        return std::clamp(hz, -kShortClipHz, kWhiteHz - kBlackHz + kShortClipHz);
    };
    double separator = 0;
    int separators = 0;
    const std::vector<Segment> &layout = m.layout(k);
    for (size_t i = 1; i < layout.size(); ++i)
        if (layout[i].kind == SegmentKind::Tone && layout[i].hz == m.blackHz() && layout[i].lengthMs >= cut &&
            layout[i - 1].kind == SegmentKind::Scan) {
            // a separator after a scan, as long a stretch as the cut-off part, its ends left out as there
            separator += level(layout[i].startMs + 0.2, layout[i].startMs + cut - 0.5);
            ++separators;
        }
    if (separators == 0) return false;
    separator /= separators;
    for (const Segment &seg : m.layout(k)) {
        if (seg.kind != SegmentKind::Scan) continue;
        const double end = seg.startMs + seg.lengthMs;
        // the cut-off part (its ends left out), and a stretch of picture just before it
        const double rest = level(end - (cut - 0.2), end - 0.5), before = level(end - (cut + 1.8), end - (cut + 0.4));
        ++shortSeen_;
        shortDrop_ += before - rest;
        shortDrop2_ += (before - rest) * (before - rest);
        shortRest_ += rest - separator;
        shortRest2_ += (rest - separator) * (rest - separator);
        shortLevel_ += before - separator;
    }
    if (k < kShortFirstPeriod) return false;
    const double n = shortSeen_;
    auto meanAndError = [n](double sum, double sum2, double &mean) {
        mean = sum / n;
        return std::sqrt(std::max(0.0, sum2 / n - mean * mean) / (n - 1));
    };
    double drop = 0, rest = 0;
    const double dropError = meanAndError(shortDrop_, shortDrop2_, drop), restError = meanAndError(shortRest_, shortRest2_, rest);
    // the picture falls to black at the cut, clearly: and the cut-off part is as black as the
    // separator, not merely darker than the picture (a dark edge on most lines)
    if (drop < kShortSigmas * dropError + kShortDropHz || rest > kShortRestShare * shortLevel_ / n + kShortSigmas * restError)
        return false;
    shortSeen_ = -1; // decided
    for (auto &lay : layouts_)
        for (auto &seg : lay)
            if (seg.kind == SegmentKind::Scan) seg.lengthMs -= cut;
    plan();
    return true;
}

int LineDecoder::layoutAt(const SignalView &s, double pos) const
{
    if (marker_.lengthMs <= 0) return -1;
    const double perMs = rate_.perMs;
    const double t0 = pos + (marker_.startMs + 0.5) * perMs, t1 = pos + (marker_.startMs + marker_.lengthMs - 0.5) * perMs;
    if (!s.has(int64_t(t0) - 2, int64_t(t1) + 2)) return -1;
    const double sep = pixelHz(s, t0, t1, noiseLag1_) - offset_;
    return std::fabs(sep - markerHz_[0]) < std::fabs(sep - markerHz_[1]) ? 0 : 1;
}

bool LineDecoder::checkAlternation(const SignalView &s, int k, double pos)
{
    // Alternating layouts without a VIS (Robot 36): the tone that tells them apart (the
    // separator) says which of them a period carries.
    if (marker_.lengthMs <= 0 || k >= 16) return false;
    const bool first = layoutAt(s, pos) == 0;
    if (first == (k % 2 == 0)) ++votesSame_;
    else ++votesSwap_;
    const int shift = votesSwap_ > 2 * votesSame_ && votesSwap_ >= 4 ? 1 : 0;
    if (shift == shift_) return false;
    shift_ = shift;
    return true;
}

} // namespace vareror::core::rx
