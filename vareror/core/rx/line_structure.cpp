#include "line_structure.h"

#include "modes.h"
#include "sync_tracker.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vareror::core::rx {

namespace {
// The mode's structure is there when its syncs read this much (on the scale from -1 to 1) above
// the most sync-like other place of its periods, and no more than this share of its periods reads
// without one: its own signal reads 0.6 and more, 0.13 missing, down to -3 dB; another mode's on its
// grid 0.1 at most, or half missing (forced).
constexpr double kStructureMargin = 0.3, kMostMissing = 0.3;
// Fewer periods than this tell nothing: another mode's signal now and then fits 2 to 4 (forced).
constexpr int kLeastPeriods = 8;
// A grid that follows another mode's syncs may need its line period stretched: the mode's own
// signal needs no more than a sound card's clock error (0.5 % at worst), unless its timing
// is uncertain (its own range); MP73 read as ML280 fits every sync 0.9 % off (forced, slant).
constexpr double kMostClockError = 0.007;
// A period whose decision band's level is under this share of the periods' median is
// silence: it tells nothing either way.
constexpr double kSilentLevel = 0.1;
} // namespace

LineStructure lineStructure(const SignalView &s, const ModeInfo &m, const SyncTracker &sync, int periods)
{
    LineStructure out;
    double from = 0, to = 0;
    for (const auto &lay : m.layouts)
        for (const Segment &seg : lay) {
            from = std::min(from, seg.startMs);
            to = std::max(to, seg.startMs + seg.lengthMs);
        }
    // the places a pulse may start at (ms from the period's sync), and which of them hold the
    // mode's own sync-like tones (the sync itself; any other of its tones as low)
    const int places = int(to - from - m.syncMs);
    if (places <= 0 || periods <= 0) return out;
    const double threshold = 0.5 * (m.syncHz + m.blackHz());
    std::vector<char> own(size_t(places), 0);
    for (const auto &lay : m.layouts)
        for (const Segment &seg : lay)
            if (seg.kind == SegmentKind::Tone && seg.hz < threshold)
                for (int j = 0; j < places; ++j)
                    if (from + j + m.syncMs > seg.startMs && from + j < seg.startMs + seg.lengthMs) own[size_t(j)] = 1;
    const int atSync = int(std::lround(-from));
    const double perMs = s.rateHz / 1000 * sync.trackClock(), len = m.syncMs * perMs;
    std::vector<double> sum(size_t(places), 0.0), readings, levels, prefix;
    for (int k = 0; k < periods; ++k) {
        const double pos = sync.trackPos(k);
        const int64_t a = int64_t(pos + from * perMs), b = int64_t(pos + to * perMs) + 1;
        if (!s.has(a, b)) {
            levels.push_back(-1);
            continue;
        }
        double level = 0;
        for (int64_t i = a; i < b; ++i) level += magnitude(s.znAt(i));
        levels.push_back(level / double(b - a));
    }
    std::vector<double> sorted;
    for (double l : levels)
        if (l >= 0) sorted.push_back(l);
    if (sorted.empty()) return out;
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    const double silentBelow = kSilentLevel * sorted[sorted.size() / 2];
    int used = 0;
    for (int k = 0; k < periods; ++k) {
        if (levels[size_t(k)] < silentBelow) continue;
        const double pos = sync.trackPos(k);
        const int64_t a = int64_t(pos + from * perMs), b = int64_t(pos + to * perMs) + 1;
        prefix.assign(size_t(b - a + 1), 0.0);
        for (int64_t i = a; i < b; ++i) prefix[size_t(i - a + 1)] = prefix[size_t(i - a)] + sync.syncLikeness(s.fnAt(i));
        for (int j = 0; j < places; ++j) {
            const double at = pos + (from + j) * perMs;
            const int64_t u = int64_t(at + 0.1 * len) - a, v = std::min<int64_t>(int64_t(at + 0.9 * len) + 1 - a, b - a);
            const double r = v > u && u >= 0 ? (prefix[size_t(v)] - prefix[size_t(u)]) / double(v - u) : -1;
            sum[size_t(j)] += r;
            if (j == atSync) readings.push_back(r);
        }
        ++used;
    }
    if (used == 0) return out;
    out.atSync = sum[size_t(atSync)] / used;
    for (int j = 0; j < places; ++j)
        if (!own[size_t(j)]) out.elsewhere = std::max(out.elsewhere, sum[size_t(j)] / used);
    int missing = 0;
    for (double r : readings) missing += r < 0.5 * (out.atSync + out.elsewhere) ? 1 : 0;
    out.missing = double(missing) / used;
    const double clockError = std::fabs(sync.trackClock() - 1);
    out.found = used >= kLeastPeriods && out.atSync - out.elsewhere >= kStructureMargin && out.missing <= kMostMissing &&
                clockError <= (m.periodAlwaysFitted ? m.periodRange : kMostClockError);
    return out;
}

} // namespace vareror::core::rx
