#include "sync_tracker.h"

#include "modes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace vareror::core::rx {

namespace {
// The median of v (its order changed); a temporary range's too.
double medianOf(std::vector<double> &v)
{
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}
double medianOf(std::vector<double> &&v) { return medianOf(v); }

// How many syncs (the first found) give the phase when the period is not fitted.
constexpr size_t kPhaseSyncs = 16;
// Periods the found syncs must span before the line's slope may take the table's whole range, and
// the clock error allowed before (0.6 %, what a sound card's clock does): a steeper early slope comes
// from false syncs in noise (noise, slant).
constexpr double kFreeSlopeSpan = 32, kEarlyClockRange = 0.006;
// Found syncs under which the header's timing of the first sync counts in the line fit, as two
// syncs of period 0: a weak picture's first syncs are as often false as true (noise).
constexpr size_t kPriorSyncs = 6;
// ms the header may place the first sync off in strong noise: at 0 dB mostly a few, now and then 12-13 (noise).
constexpr double kHeaderTimingMs = 15;
// The sync's end is fitted on the decision band's samples from porches of 1 ms (Martin's 0.57 ms holds
// too few), alone below 18 dB; the frequency track's edge, exact when clean, alone from 25 dB, where the
// fit is moved by what the band smears into the porch; their mean weighed between (noise).
constexpr double kFitPorchMs = 1.0, kFitSnrDb = 18, kTrackSnrDb = 25;
// ms: the porch fit's second search looks 0.7 either side of the first, and its porch stretch stops
// 0.3 (3 samples at 11025 Hz) short of the picture, which the clean fit otherwise takes in (modes, noise).
constexpr double kPorchRefineMs = 0.7, kPorchMarginMs = 0.3;
// Where the pulse's start and end disagree, the track's end and the porch fit's must agree within
// 0.15 ms (under 2 samples) for the end to count: on a 3 ms echo they part by more on some lines,
// and lines placed by the one or the other drew Scottie 1's test card 1.3 dB lower (echo test).
constexpr double kEndsAgreeMs = 0.15;
// ms either side of where the start puts the end that a clean pulse's end is looked for again when
// the two disagree: a late copy's spike took the start up to 1.4 ms early (another sender's Scottie 1,
// whose scans leave it 1.5 ms of black before the sync, with echoes of 0.2 to 3 ms: echo table).
constexpr double kEndReachMs = 2.0;
} // namespace

void SyncTracker::start(const ModeInfo &m, const WorkingRate &rate, double firstSync, double offsetHz, bool fromHeader)
{
    // (where a sender may leave out the header's last tone, the header does not time the
    // first sync)
    headerPrior_ = fromHeader && m.omittableStartMs == 0;
    m_ = &m;
    rate_ = rate;
    a0_ = firstSync;
    bNom_ = m.periodMs * rate.perMs;
    porchMs_ = 0;
    for (const Segment &seg : m.layouts[0])
        if (seg.kind == SegmentKind::Tone && seg.hz == m.syncHz)
            for (const Segment &next : m.layouts[0])
                if (next.kind == SegmentKind::Tone && std::fabs(next.startMs - seg.startMs - seg.lengthMs) < 0.01 &&
                    next.hz == m.blackHz() && next.lengthMs >= 0.4)
                    porchMs_ = next.lengthMs;
    const double black = m.blackHz();
    threshold_ = 0.5 * (m.syncHz + black) + offsetHz;
    offsetHz_ = offsetHz;
    scale_ = std::max(40.0, 0.5 * (black - m.syncHz));
    sync_.assign(size_t(m.periods), SyncMeas());
    fit_ = {firstSync, bNom_};
    track_ = fit_;
    missRun_ = 0;
    lastGood_ = -1;
    jumps_.clear();
}

void SyncTracker::setStart(double firstSync)
{
    a0_ = firstSync;
    fit_ = {firstSync, bNom_};
    track_ = fit_;
}

double SyncTracker::pulseLength(const SignalView &s, double pos) const
{
    // where the score turns negative
    const int64_t a = int64_t(pos) + rate_.samples(2);
    const int64_t lim = int64_t(pos) + rate_.samples(14);
    if (!s.has(a, lim + 3)) return 0;
    for (int64_t i = a; i < lim; ++i) {
        double m = 0;
        for (int j = 0; j < 3; ++j) m += s.fAt(i + j);
        if (m / 3 > threshold_) return (double(i) + 1.0 - pos) / rate_.perMs;
    }
    return (double(lim) - pos) / rate_.perMs;
}

bool SyncTracker::measure(const SignalView &s, double pred, double win, int accuracy, SyncMeas &out) const
{
    const ModeInfo &m = *m_;
    const double perMs = rate_.perMs;
    const int64_t LaWide = std::max<int64_t>(3, rate_.samples(0.8 * std::min(m.syncMs, 9.0)));
    const int64_t LbWide = std::max<int64_t>(3, rate_.samples(1.5));
    // A pulse longer than the "after" stretch (PD's 20 ms) has places inside it that see a
    // full stretch of sync after them; in noise the short "before" stretch at such a place
    // may look like no sync by chance, and the place won over the true edge. A run of them
    // set a grid that leaned or stood late and kept later syncs outside their windows. For
    // such pulses "before" is also judged over up to 6 ms, and the more sync-like of the two
    // counts.
    const double longMs = std::min(6.0, m.syncMs - 0.8 * std::min(m.syncMs, 9.0));
    const int64_t LbLong = longMs > 1.5 ? rate_.samples(longMs) : 0;
    // Step score "sync after, no sync before" on one of the frequency tracks; best position
    // in [c0, c1] with a parabolic peak.
    bool edgeBest = false;
    auto search = [&](bool narrow, int64_t c0, int64_t c1, double &pos, double &bs, int64_t La, int64_t Lb = 0,
                      bool rising = false) {
        if (Lb <= 0) Lb = LbWide;
        const double sign = rising ? -1.0 : 1.0;
        const int64_t Ll = rising ? 0 : LbLong;
        const int64_t a = c0 - std::max(Lb, Ll), b = c1 + La + 1;
        if (!s.has(a, b)) return false;
        std::vector<double> &pre = steps_;
        pre.assign(size_t(b - a + 1), 0.0);
                for (int64_t i = a; i < b; ++i) {
            const double fv = narrow ? s.fnAt(i) : s.fAt(i);
            pre[size_t(i - a + 1)] = pre[size_t(i - a)] + sign * syncLikeness(fv);
        }
        auto score = [&](int64_t e) {
            const double after = (pre[size_t(e + La - a)] - pre[size_t(e - a)]) / double(La);
            double before = (pre[size_t(e - a)] - pre[size_t(e - Lb - a)]) / double(Lb);
            if (Ll > 0) before = std::max(before, (pre[size_t(e - a)] - pre[size_t(e - Ll - a)]) / double(Ll));
            return after - before;
        };
        int64_t best = c0;
        bs = -1e30;
        for (int64_t e = c0; e <= c1; ++e) {
            const double v = score(e);
            if (v > bs) { bs = v; best = e; }
        }
        pos = double(best);
        edgeBest = best == c0 || best == c1;
        if (best > c0 && best < c1) {
            const double l = score(best - 1), h = score(best + 1);
            const double den = l - 2 * bs + h;
            if (den < 0) pos += std::clamp(0.5 * (l - h) / den, -0.5, 0.5);
        }
        pos -= 0.5;
        return true;
    };
    double pos, bs;
    if (!search(true, int64_t(std::floor(pred - win)), int64_t(std::ceil(pred + win)), pos, bs, LaWide)) return false;
    out.atEdge = edgeBest;
    // The narrow band finds the pulse in noise; the picture band places its edge exactly.
    double pos2, bs2;
    const int64_t r = std::max<int64_t>(2, rate_.samples(0.8));
    if (search(false, int64_t(std::floor(pos)) - r, int64_t(std::ceil(pos)) + r, pos2, bs2, LaWide) && bs2 >= 1.2) pos = pos2;
    // The edges scored on the frequency track, clipped to the sync's range, move in noise by
    // an amount set by the SNR and by the picture tone the band smears in beside them (a
    // black Scottie 1 at 5 dB came out 4 samples early, a white one 2 late). The end of the
    // pulse is fitted instead on the decision band's samples themselves, whose expectation
    // under noise is the clean signal's: see porchEdge. (The narrow modes' tones lie outside
    // the decision band's flat part.)
    const double fitShare = porchMs_ >= kFitPorchMs && !m.narrow
                                ? std::clamp((kTrackSnrDb - snrDb_) / (kTrackSnrDb - kFitSnrDb), 0.0, 1.0)
                                : 0.0;
    const double len = m.syncMs * perMs * (track_.b > 0 ? track_.b / bNom_ : 1.0);
    double fitEnd = 0;
    const bool fitted = fitShare > 0 && porchEdge(s, pos + len, rate_.samples(1.0), fitEnd);
    if (fitShare < 1 && porchMs_ > 0) {
        // The falling edge into the sync comes from whatever tone precedes it; from a bright
        // pixel the smeared step crosses the threshold late. The rising edge out of the sync
        // goes to the black porch, a step the threshold halves, so where the two agree the
        // sync is placed from its end (symmetric windows, inside the pulse and the porch).
        // Where they do not, the end still counts when the fit of the pulse's end to the
        // decision band's samples puts it there too: on two paths the late copy of the tone
        // before the pulse reaches into it, and where that tone and its copy cancel (a black
        // stretch in a channel notch) the reading spikes below the sync tone and the start
        // passes for earlier (Scottie 1 with a 1 ms echo: 0.66 ms early on every line).
        // On a clean signal that spike can take the start so far off that the end searched
        // around it misses the true one, and where the echo outlasts the porch the fit is off
        // too; there the end is searched again kEndReachMs either side and places the sync.
        // The end holds on two paths where the start does not: after the pulse the direct
        // path's black outweighs the late copy of the sync tone, and their sum never reads
        // as sync. Only where the track's edges are exact (kTrackSnrDb): in noise the wider
        // search finds edges of the noise (Martin 1 with a 0.7 ms echo at 20 dB lost 4 dB).
        const int64_t L = std::max<int64_t>(2, rate_.samples(std::min(1.5, 0.8 * m.syncMs)));
        const double end = pos + len;
        double pos3, bs3;
        const bool endFound =
            search(false, int64_t(std::floor(end)) - r, int64_t(std::ceil(end)) + r, pos3, bs3, L, L, true) && bs3 >= 1.2;
        double fittedEnd = 0;
        if (endFound && std::fabs(pos3 - end) < 0.5 * perMs)
            pos = (fitted ? fitShare * fitEnd + (1 - fitShare) * pos3 : pos3) - len;
        else if (fitted)
            pos = fitEnd - len;
        else if (endFound && porchMs_ >= kFitPorchMs && !m.narrow && porchEdge(s, pos3, rate_.samples(1.0), fittedEnd) &&
                 std::fabs(fittedEnd - pos3) < kEndsAgreeMs * perMs)
            pos = pos3 - len;
        else if (snrDb_ >= kTrackSnrDb) {
            const int64_t reach = rate_.samples(kEndReachMs);
            double pos4, bs4;
            if (search(false, int64_t(std::floor(end)) - reach, int64_t(std::ceil(end)) + reach, pos4, bs4, L, L, true) &&
                bs4 >= 1.2)
                pos = pos4 - len;
        }
    } else if (fitted) {
        pos = fitEnd - len;
    }
    out.pos = pos;
    out.score = bs;
    out.measured = true;
    const double need = accuracy <= 0 ? 0.8 : (accuracy == 1 ? 1.0 : 1.2);
    // (a pulse whose best place is the window's edge lies beyond it, and is not placed)
    out.found = bs >= need && !out.atEdge;
    return true;
}

// A least-squares fit of the pulse's end to the decision band's samples: up to 3 ms of the
// sync tone, then the porch's black tone, with the phase running on unbroken from the one into
// the other (the sender's oscillator does not jump) and a free complex amplitude. For an end
// at e the fit's power is |B + C exp(-i (w1 - w2) e)|^2, B and C the samples before and after
// it turned back by their tones. Noise adds only a constant to that power's expectation, the
// same for every e, so the best e does not move with the SNR. Within a sample the phase places
// the end. The first search moves both stretches with e, the porch's up to the picture; the
// band smears the picture up to 7 samples into the porch, and what a stretch ending there
// takes in grows as e moves late: the end came out 0.2 to 0.4 samples early on a clean
// Scottie 1 test card, and in noise, which lets it wander toward the cheaper side, 0.3 to 0.5
// at 10 dB and 0.6 to 0.95 (median) at 3 dB. The end is then fitted again within
// kPorchRefineMs of the first, over one stretch held fixed for every e that stops
// kPorchMarginMs short of the picture: a sync tone taken for black and black taken for the
// sync tone then cost alike, and what is left of the picture's smear is the same whatever e.
bool SyncTracker::porchEdge(const SignalView &s, double end, int64_t reach, double &edge) const
{
    const ModeInfo &m = *m_;
    const double w1 = 2 * std::numbers::pi * (m.syncHz + offsetHz_) / rate_.hz;
    const double w2 = 2 * std::numbers::pi * (m.blackHz() + offsetHz_) / rate_.hz;
    const double dw = w1 - w2;
    const int64_t Lb = std::max<int64_t>(2, rate_.samples(std::min(3.0, 0.8 * m.syncMs)));
    const int64_t La = std::max<int64_t>(2, rate_.samples(porchMs_));
    const int64_t k0 = int64_t(std::floor(end)) - reach, k1 = int64_t(std::ceil(end)) + reach;
    const int64_t a = k0 - Lb + 1, b = k1 + La + 1;
    if (!s.has(a, b)) return false;
    std::vector<cdouble> &t1 = turned1_, &t2 = turned2_;
    t1.resize(size_t(b - a + 1));
    t2.resize(size_t(b - a + 1));
    // running sums of the samples turned back by either tone
    t1[0] = t2[0] = 0;
    cdouble p1 = std::polar(1.0, -w1 * double(a)), p2 = std::polar(1.0, -w2 * double(a));
    const cdouble r1 = std::polar(1.0, -w1), r2 = std::polar(1.0, -w2);
    for (int64_t i = a; i < b; ++i, p1 *= r1, p2 *= r2) {
        const cdouble z(s.znAt(i));
        t1[size_t(i - a + 1)] = t1[size_t(i - a)] + z * p1;
        t2[size_t(i - a + 1)] = t2[size_t(i - a)] + z * p2;
    }
    // The best end in (j0, j1 + 1], the sync tone's stretch from sample `from` (-1: Lb samples
    // before each e) and the porch's up to sample `to` (-1: La samples after it).
    auto fit = [&](int64_t j0, int64_t j1, int64_t from, int64_t to) {
        double best = -1;
        for (int64_t k = j0; k <= j1; ++k) {
            // samples up to k before the end, from k + 1 after it: e in (k, k + 1]
            const cdouble B = t1[size_t(k + 1 - a)] - t1[size_t((from >= 0 ? from : k + 1 - Lb) - a)];
            const cdouble C = t2[size_t((to >= 0 ? to : k + 1 + La) - a)] - t2[size_t(k + 1 - a)];
            double cand[3] = {double(k + 1), std::nextafter(double(k), double(k + 1)), 0};
            int n = 2;
            // where the phases meet: dw e = arg C - arg B (mod 2 pi)
            const double phi = std::arg(C) - std::arg(B);
            const double e =
                (phi + 2 * std::numbers::pi * std::round((dw * (double(k) + 0.5) - phi) / (2 * std::numbers::pi))) / dw;
            if (e > double(k) && e <= double(k + 1)) cand[n++] = e;
            for (int c = 0; c < n; ++c) {
                const double v = std::norm(B + C * std::polar(1.0, -dw * cand[c]));
                if (v > best) {
                    best = v;
                    edge = cand[c];
                }
            }
        }
        return best > 0;
    };
    if (!fit(k0, k1, -1, -1)) return false;
    const int64_t c = int64_t(std::floor(edge)), r = rate_.samples(kPorchRefineMs);
    const int64_t j0 = std::max(k0, c - r), j1 = std::min(k1, c + r);
    const int64_t to = std::min(b, c + 1 + La - rate_.samples(kPorchMarginMs));
    if (to > j1 + 1) fit(j0, j1, j0 + 1 - Lb, to);
    return true;
}

void SyncTracker::record(int k, const SyncMeas &sm)
{
    sync_[size_t(k)] = sm;
    sync_[size_t(k)].pos -= shiftAt(k); // the line is fitted without the grid's jumps
    // A pulse not found whose best place is the window's edge lies beyond it (the syncs after
    // a gap, late by more than the window): that is a miss, or the run of misses that has the
    // train looked for again would never grow.
    if (sm.score < 0.6 || sm.atEdge) ++missRun_;
    else {
        missRun_ = 0;
        lastGood_ = k;
    }
}

void SyncTracker::recordPresence(int k, bool present)
{
    if (present) {
        missRun_ = 0;
        lastGood_ = k;
    } else {
        ++missRun_;
    }
}

void SyncTracker::forget(int from)
{
    from = std::max(from, 0);
    for (size_t k = size_t(from); k < sync_.size(); ++k) sync_[k] = SyncMeas();
    while (!jumps_.empty() && jumps_.back().from >= from) jumps_.pop_back();
    if (lastGood_ >= from) {
        // the last period before them with its pulse, as record() counts it
        lastGood_ = from - 1;
        while (m_->hasSync() && lastGood_ >= 0 &&
               (sync_[size_t(lastGood_)].score < 0.6 || sync_[size_t(lastGood_)].atEdge))
            --lastGood_;
    }
    missRun_ = from - 1 - lastGood_;
}

LineFit SyncTracker::compute(bool slopeFree, bool anchored, const LineFit &prev) const
{
    // Robust straight line through the found sync positions versus period number.
    std::vector<Point> &points = points_;
    points.clear();
    for (int k = 0; k < int(sync_.size()); ++k)
        if (sync_[size_t(k)].found) points.push_back({double(k), sync_[size_t(k)].pos});
    LineFit f{a0_, bNom_};
    if (points.empty() || !m_->hasSync()) return f;
    // A weak picture's first found syncs are as often false as true, and one or two of them
    // set the line's phase far from where the header put the first sync (which the header
    // times within a few milliseconds even at 0 dB); lost from there, the picture ended after
    // a few lines. Until a few syncs are found the header's timing counts as two of them.
    if (headerPrior_ && points.size() < kPriorSyncs) points.insert(points.begin(), 2, Point{0.0, a0_});
    // Over the first few dozen periods a slope as steep as the table allows comes from false
    // syncs in noise far more often than from a sender: until then it is held to what a
    // sound card's clock does (and a weak picture's first lines cannot bend the whole grid).
    const double range = points.back().period - points.front().period < kFreeSlopeSpan && !m_->periodAlwaysFitted
                             ? std::min(m_->periodRange, kEarlyClockRange)
                             : m_->periodRange;
    const double bMin = bNom_ * (1 - range), bMax = bNom_ * (1 + range);
    const double span = points.back().period - points.front().period;
    if (!slopeFree || points.size() < 3 || span < 2) {
        f.b = bNom_;
        if (slopeFree && prev.b > 0) f.b = prev.b;
        // With the period held at its nominal length the phase comes from the first syncs:
        // when the clock is off the picture leans, and a phase taken from all its syncs would
        // move every line drawn so far with each new one (and the picture as shown at the
        // end would differ from the one shown while it came in). A resync asked for takes the
        // phase from all of them.
        if (!slopeFree && !wholePicture_ && points.size() > kPhaseSyncs) points.resize(kPhaseSyncs);
        if (anchored) {
            f.a = a0_;
        } else {
            residuals_.clear();
            for (const Point &q : points) residuals_.push_back(q.pos - f.b * q.period);
            f.a = medianOf(residuals_);
        }
        return f;
    }
    std::vector<Point> &use = used_;
    use = points;
    for (int it = 0; it < 4; ++it) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        const double n = double(use.size());
        for (const Point &q : use) {
            sx += q.period;
            sy += q.pos;
            sxx += q.period * q.period;
            sxy += q.period * q.pos;
        }
        const double den = n * sxx - sx * sx;
        double b = den > 0 ? (n * sxy - sx * sy) / den : bNom_;
        b = std::clamp(b, bMin, bMax);
        const double a = (sy - b * sx) / n;
        f = {a, b};
        // trim outliers: keep residuals within max(0.5 ms, 3 MAD)
        residuals_.clear();
        for (const Point &q : points) residuals_.push_back(std::fabs(q.pos - (a + b * q.period)));
        sorted_ = residuals_;
        const double lim = std::max(0.5 * rate_.perMs, 3.0 * medianOf(sorted_) * 1.4826);
        size_t kept = 0;
        for (size_t i = 0; i < points.size(); ++i) kept += residuals_[i] <= lim ? 1 : 0;
        if (kept < 3 || kept == use.size()) break;
        use.clear();
        for (size_t i = 0; i < points.size(); ++i)
            if (residuals_[i] <= lim) use.push_back(points[i]);
    }
    if (anchored) f.a = a0_;
    return f;
}

void SyncTracker::refit(bool autoSlant, bool autoResync, bool forced, bool wholePicture)
{
    wholePicture_ = wholePicture;
    track_ = compute(true, false, track_);
    for (int it = 0; it < 3 && refineJumps(); ++it) track_ = compute(true, false, track_);
    fit_ = compute(autoSlant || m_->periodAlwaysFitted, !autoResync && !forced, fit_);
}

void SyncTracker::beginRemeasure()
{
    for (auto &sm : sync_) sm = SyncMeas();
    track_ = {a0_, bNom_};
    remeasureMiss_ = 0;
    remeasureFound_ = false;
}

double SyncTracker::searchWindow(int k) const
{
    const double early = std::max(10.0, m_->syncMs) * rate_.perMs, late = 5.0 * rate_.perMs;
    return (k < 8 || remeasureMiss_ >= 3) ? early : late;
}

void SyncTracker::widenBeforeFirst(double &pred, double &win) const
{
    // A sender that leaves out the header's last tone (Scottie's starting sync) sends every
    // sync that much early; a clock off by up to 1 % moves the first one by that much of the
    // scans before it (only Scottie has any: elsewhere the sync ends the header, and a wider
    // window would take the VIS stop bit, which runs into it, for the sync).
    const ModeInfo &m = *m_;
    const double early = (m.omittableStartMs + 0.01 * m.leadMs) * rate_.perMs;
    pred -= early / 2;
    win += early / 2;
}

void SyncTracker::remeasure(const SignalView &s, int k, int accuracy)
{
    SyncMeas sm;
    double pred = trackPos(k), win = searchWindow(k);
    if (!remeasureFound_) widenBeforeFirst(pred, win);
    if (measure(s, pred, win, accuracy, sm)) {
        sync_[size_t(k)] = sm;
        sync_[size_t(k)].pos -= shiftAt(k);
    }
    remeasureMiss_ = sm.found ? 0 : remeasureMiss_ + 1;
    remeasureFound_ = remeasureFound_ || sm.found;
    if (sm.found) track_ = compute(true, false, track_);
}

double SyncTracker::foldedSearch(const SignalView &s, double from, double span, int folds, int accuracy,
                                 double &bestPos, double period) const
{
    const double P = period > 0 ? period : fit_.b > 0 ? fit_.b : bNom_;
    const int steps = int(span);
    double best = -1e30;
    bestPos = from;
    // Coarse scan at 1 ms over one period, summed over several periods.
    const int stride = std::max(1, int(rate_.perMs));
    std::vector<double> &acc = folded_;
    acc.assign(size_t(steps), 0.0);
    for (int j = 0; j < folds; ++j) {
        SyncMeas sm;
        for (int ph = 0; ph < steps; ph += stride)
            if (measure(s, from + ph + j * P, 0, accuracy, sm)) acc[size_t(ph)] += std::max(sm.score, -0.5);
    }
    int bestPh = 0;
    for (int ph = 0; ph < steps; ph += stride)
        if (acc[size_t(ph)] > best) { best = acc[size_t(ph)]; bestPh = ph; }
    bestPos = from + bestPh;
    // The coarse step may land up to half a millisecond off the edge, which costs a true
    // train a third of its score: the best phase is looked for again sample by sample
    // around it, still at one phase for all the periods.
    for (int ph = bestPh - stride + 1; ph < bestPh + stride; ++ph) {
        if (ph == bestPh || stride == 1) continue;
        double sum = 0;
        for (int j = 0; j < folds; ++j) {
            SyncMeas sm;
            if (measure(s, from + ph + j * P, 0, accuracy, sm)) sum += std::max(sm.score, -0.5);
        }
        if (sum > best) { best = sum; bestPos = from + ph; }
    }
    SyncMeas sm;
    if (measure(s, bestPos, rate_.perMs, accuracy, sm)) bestPos = sm.pos;
    return best / std::max(1, folds);
}

double SyncTracker::phaseSearch(const SignalView &s, double from, int folds, int accuracy) const
{
    double pos = from;
    foldedSearch(s, from, bNom_, folds, accuracy, pos);
    return pos;
}

double SyncTracker::trainSearch(const SignalView &s, double from, int folds, int accuracy, double &pos) const
{
    return foldedSearch(s, from, bNom_, folds, accuracy, pos);
}

bool SyncTracker::regain(const SignalView &s, int from, int to, int accuracy)
{
    const int folds = to - from + 1;
    if (folds < 2) return false;
    // The train where the grid expects it (give or take the clock's drift while the syncs
    // were missed) keeps the grid as it is. Otherwise every phase of a period is tried, from
    // most of a period early (audio lost in a gap) to a little late; a train elsewhere must
    // stand out clearly, as a whole stretch of picture does, or noise would move the grid.
    const double P = fit_.b > 0 ? fit_.b : bNom_;
    int firstFound = 0; // (none found: the grid has followed the header's timing since period 0)
    for (int k = 0; k < from; ++k)
        if (sync_[size_t(k)].found) { firstFound = k; break; }
    // how far the grid may have strayed: a slope off by what a clock does early on, over the
    // periods since the first sync (a weak picture's grid may have followed none since)
    const double near = std::min(0.2 * P, 10 * rate_.perMs + kEarlyClockRange * P * (to - firstFound));
    // Until the syncs have set the line's slope (a weak picture's first periods, its syncs
    // mostly missed), the train is also folded at periods a clock off by up to what a sound
    // card does would give, in steps of a quarter of that: folded at the wrong one it smears
    // over milliseconds and is lost (a PD90 train 0.5 % slow folded at 0.3 % scored 0.549).
    int lastFound = -1;
    for (int k = 0; k < from; ++k)
        if (sync_[size_t(k)].found) lastFound = k;
    const bool slopeSet = lastFound >= 0 && lastFound - firstFound >= kFreeSlopeSpan;
    double trainP = P;
    auto search = [&](double start, double span, double &at) {
        double best = -1e30;
        for (double d : {0.0, -0.25, 0.25, -0.5, 0.5, -0.75, 0.75, -1.0, 1.0}) {
            if (slopeSet && d != 0) continue;
            double p = start;
            const double v = foldedSearch(s, start, span, folds, accuracy, p, P * (1 + d * kEarlyClockRange));
            if (v > best) { best = v; at = p; trainP = P * (1 + d * kEarlyClockRange); }
        }
        return best;
    };
    double pos = trackPos(from);
    if (search(trackPos(from) - near, 2 * near, pos) < kTrainScore) {
        if (search(trackPos(from) + near - P, P, pos) < 2 * kTrainScore) return false;
    }
    const double shift = pos - trackPos(from);
    auto trainPos = [&](int k) { return pos + (k - from) * trainP; };
    jumped_ = std::fabs(shift) > 0.25 * P;
    // A train that has only drifted as far as a clock off by what a sound card does takes it
    // since the last found sync is followed by the line itself (its syncs, confirmed by the
    // train, count as found and bend the line); further off, the grid jumps there (audio
    // lost in a gap). Jumps made for a drift would hold the line's slope where it was.
    bool drift = std::fabs(shift) <= 2 * rate_.perMs + kEarlyClockRange * P * (from - std::max(0, lastFound));
    // A grid that rests on a few syncs found among many missed (a weak picture's first
    // periods) may have strayed further: those few may be false ones that tilted it away from
    // the train, or too few to tell its slope, which then kept the table's while the clock
    // drifted since the first of them; with none found it is only the header's timing,
    // itself up to kHeaderTimingMs off. A train where a clock off by what a sound card does
    // puts it, from the header's timing or from the first sync found, has drifted too (a
    // jump made there left the top of the picture drawn off the rest, or held a wrong slope
    // until the picture stopped). Where most syncs were found the grid is where they are,
    // and a train off it by more than the drift since the last is audio lost in a gap.
    int found = 0;
    for (int k = 0; k < from; ++k) found += sync_[size_t(k)].found ? 1 : 0;
    if (!slopeSet && 2 * found < from) {
        const double since = kEarlyClockRange * P * (from - firstFound);
        drift = drift || std::fabs(shift) <= 2 * rate_.perMs + since;
        if (headerPrior_)
            drift = drift ||
                    std::fabs(pos - (a0_ + from * bNom_)) <= kHeaderTimingMs * rate_.perMs + kEarlyClockRange * bNom_ * from;
    }
    // The grid moves from the period where the syncs go over to the new place: the first
    // missed periods may still have been before the gap, their syncs lost in noise.
    int split = from;
    if (!drift && std::fabs(shift) > 0.5 * rate_.perMs) {
        double sum = 0, best = -1e30;
        std::vector<double> gain;
        for (int k = from; k <= to; ++k) {
            SyncMeas before, after;
            measure(s, trackPos(k), 2 * rate_.perMs, accuracy, before);
            measure(s, trainPos(k), 2 * rate_.perMs, accuracy, after);
            gain.push_back(std::max(after.score, -0.5) - std::max(before.score, -0.5));
        }
        // moving from `split` on gains the sum of the gains from there
        for (int k = to; k >= from; --k) {
            sum += gain[size_t(k - from)];
            if (sum > best) { best = sum; split = k; }
        }
        jumps_.push_back({split, shift});
    }
    // the missed syncs measured again where the train is (before the split, where they were)
    for (int k = from; k <= to; ++k) {
        SyncMeas sm;
        if (!measure(s, k < split ? trackPos(k) : trainPos(k), 2 * rate_.perMs, accuracy, sm)) continue;
        if (drift && sm.score >= 0.6) sm.found = true;
        record(k, sm);
    }
    missRun_ = 0;
    return true;
}

void SyncTracker::lengthenLastJump(int periods)
{
    if (jumps_.empty() || periods <= 0) return;
    const double P = track_.b > 0 ? track_.b : bNom_;
    Jump &j = jumps_.back();
    const int first = j.from + j.lost; // the first period measured after the gap
    j.shift -= periods * P;
    j.lost += periods;
    // The syncs measured after the gap belong to periods that much further on; taken off the
    // line by the jump as it now stands, they sit where they did.
    const int n = int(sync_.size());
    for (int k = n - 1; k >= first; --k) {
        SyncMeas &to = sync_[size_t(k)];
        to = k - periods >= first ? sync_[size_t(k - periods)] : SyncMeas();
        if (to.measured) to.pos += periods * P;
    }
    if (lastGood_ >= first) lastGood_ = std::min(n - 1, lastGood_ + periods);
}

bool SyncTracker::stepIn(int first, int until, int &from, double &step) const
{
    std::vector<int> ks;
    std::vector<double> r;
    for (int k = first; k < until; ++k)
        if (sync_[size_t(k)].found) {
            ks.push_back(k);
            r.push_back(sync_[size_t(k)].pos - (track_.a + track_.b * k));
        }
    const int n = int(ks.size()), side = kStepSide;
    if (n < 2 * side) return false;
    // the step: the largest difference between the places of the few syncs either side
    int at = -1;
    step = 0;
    for (int i = side; i + side <= n; ++i) {
        const double d = medianOf({r.begin() + i, r.begin() + i + side}) - medianOf({r.begin() + i - side, r.begin() + i});
        if (std::fabs(d) > std::fabs(step)) { step = d; at = i; }
    }
    if (at < 0 || std::fabs(step) < 1.0 * rate_.perMs) return false;
    // Spread of the syncs about a straight line through them, with and without the step: a
    // gap leaves them on two parallel lines, noise or a false sync does not; and the step
    // must stand well clear of the scatter that noise leaves about those lines.
    auto spread = [&](double d) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        std::vector<double> y(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            y[size_t(i)] = r[size_t(i)] - (i >= at ? d : 0.0);
            sx += ks[size_t(i)];
            sy += y[size_t(i)];
            sxx += double(ks[size_t(i)]) * ks[size_t(i)];
            sxy += ks[size_t(i)] * y[size_t(i)];
        }
        const double den = n * sxx - sx * sx;
        const double b = den > 0 ? (n * sxy - sx * sy) / den : 0.0, a = (sy - b * sx) / n;
        for (int i = 0; i < n; ++i) y[size_t(i)] = std::fabs(y[size_t(i)] - (a + b * ks[size_t(i)]));
        return medianOf(y);
    };
    // The first few syncs also carry the header's timing error: at 0 dB they alone stand off
    // the rest by as much as a step would (the spread cut to 1/1.8 on pictures without a gap),
    // and a step there must cut it to a third. Past them, pictures without a gap stay near 1
    // (at most 1/1.01, the step at most 16 times the spread left, over 1560 weak pictures), while
    // a step that only the picture's last tenth shows cuts it to 1/1.5 .. 1/2.9 in noise, and
    // where the cut is least it stands 40 times and more clear of the spread left.
    const double s0 = spread(0), s1 = spread(step);
    const bool clear = at < 2 * side ? s1 * 3 <= s0
                                     : (s1 * 2 <= s0 || (s1 * 1.25 <= s0 && std::fabs(step) >= 25 * s1));
    if (!clear || std::fabs(step) < 6 * s1) return false;
    // the syncs missed just before the first one found off the line were lost with the gap
    from = ks[size_t(at - 1)] + 1;
    return true;
}

bool SyncTracker::findStep(const SignalView &s, int accuracy)
{
    const int first = jumps_.empty() ? 0 : jumps_.back().from + jumps_.back().lost;
    int from = 0;
    double step = 0;
    if (!stepIn(first, int(sync_.size()), from, step)) return false;
    const int side = kStepSide;
    std::vector<double> r;
    jumps_.push_back({from, step});
    // The syncs from there on measured again where the straightened line puts them: the bent
    // line had left many outside their windows, or at their edges.
    for (size_t k = size_t(from); k < sync_.size(); ++k)
        if (sync_[k].measured) sync_[k].pos -= step;
    track_ = compute(true, false, track_);
    for (int k = from; k < int(sync_.size()); ++k) {
        SyncMeas sm;
        if (!sync_[size_t(k)].measured || !measure(s, trackPos(k), 2 * rate_.perMs, accuracy, sm)) continue;
        sync_[size_t(k)] = sm;
        sync_[size_t(k)].pos -= shiftAt(k);
    }
    // The step itself measured again from the syncs found after it against the line through
    // those before it: the first estimate came from a bent line, and what is left of its error
    // would otherwise be shared between the step and the line's slope.
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    int nb = 0;
    for (int k = first; k < from; ++k)
        if (sync_[size_t(k)].found) {
            sx += k;
            sy += sync_[size_t(k)].pos;
            sxx += double(k) * k;
            sxy += k * sync_[size_t(k)].pos;
            ++nb;
        }
    const double den = nb * sxx - sx * sx;
    if (nb < side || den <= 0) return true;
    const double b = (nb * sxy - sx * sy) / den, a = (sy - b * sx) / nb;
    r.clear();
    for (int k = from; k < int(sync_.size()); ++k)
        if (sync_[size_t(k)].found) r.push_back(sync_[size_t(k)].pos - (a + b * k));
    if (int(r.size()) < side) return true;
    const double d = medianOf(r);
    jumps_.back().shift += d;
    for (size_t k = size_t(from); k < sync_.size(); ++k)
        if (sync_[k].measured) sync_[k].pos -= d;
    return true;
}

bool SyncTracker::moveJumpBack()
{
    if (jumps_.empty() || jumps_.back().lost > 0) return false;
    Jump &j = jumps_.back();
    const int first = jumps_.size() > 1 ? jumps_[jumps_.size() - 2].from + jumps_[jumps_.size() - 2].lost : 0;
    int from = 0;
    double step = 0;
    if (!stepIn(first, j.from, from, step)) return false;
    if (std::fabs(step - j.shift) > std::max(1.0 * rate_.perMs, 0.25 * std::fabs(j.shift))) return false;
    for (int k = from; k < j.from; ++k)
        if (sync_[size_t(k)].measured) sync_[size_t(k)].pos -= j.shift;
    j.from = from;
    return true;
}

bool SyncTracker::refineJumps()
{
    bool changed = false;
    for (size_t i = 0; i < jumps_.size(); ++i) {
        const int from = jumps_[i].from + jumps_[i].lost;
        const int to = i + 1 < jumps_.size() ? jumps_[i + 1].from : int(sync_.size());
        residuals_.clear();
        for (int k = from; k < to; ++k)
            if (sync_[size_t(k)].found) residuals_.push_back(sync_[size_t(k)].pos - (track_.a + track_.b * k));
        if (residuals_.size() < 3) continue;
        std::nth_element(residuals_.begin(), residuals_.begin() + long(residuals_.size() / 2), residuals_.end());
        const double d = residuals_[residuals_.size() / 2];
        if (std::fabs(d) < 0.01 * rate_.perMs) continue;
        jumps_[i].shift += d;
        for (size_t k = size_t(jumps_[i].from); k < sync_.size(); ++k)
            if (sync_[k].measured) sync_[k].pos -= d;
        changed = true;
    }
    return changed;
}

double SyncTracker::level(const SignalView &s, int k) const { return levelAt(s, trackPos(k)); }

double SyncTracker::levelAt(const SignalView &s, double pos) const
{
    const int64_t a = int64_t(pos), b = a + std::max<int64_t>(2, rate_.samples(m_->syncMs));
    if (!s.has(a, b)) return 0;
    double sum = 0;
    for (int64_t i = a; i < b; ++i) sum += magnitude(s.zAt(i));
    return sum / double(std::max<int64_t>(1, b - a));
}

double SyncTracker::trainScore(const SignalView &s, int from, int to, double lvl) const
{
    // How much of each pulse's time the decision band sits at the sync's frequency, on a
    // scale from -1 (none) to 1 (all of it): noise reads under 0.2 wherever it is looked at,
    // where the edge score's best place within a window reads a sync in noise now and then.
    double sum = 0;
    int n = 0;
    for (int k = from; k <= to; ++k) {
        const double v = pulseReading(s, trackPos(k));
        if (v < -1) continue;
        sum += level(s, k) < 0.1 * lvl ? -1.0 : v;
        ++n;
    }
    return n > 0 ? sum / n : -2;
}

double SyncTracker::pulseReading(const SignalView &s, double pos) const
{
    const double len = m_->syncMs * rate_.perMs * (track_.b > 0 ? track_.b / bNom_ : 1.0);
    const int64_t a = int64_t(pos + 0.1 * len), b = int64_t(pos + 0.9 * len) + 1;
    if (!s.has(a, b)) return -2;
    double v = 0;
    for (int64_t i = a; i < b; ++i) v += syncLikeness(s.fnAt(i));
    return v / double(b - a);
}

double SyncTracker::measuredPpm() const
{
    return (fit_.b / bNom_ - 1.0) * 1e6;
}

} // namespace vareror::core::rx
