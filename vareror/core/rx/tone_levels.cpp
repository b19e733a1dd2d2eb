#include "tone_levels.h"

#include <algorithm>
#include <cmath>

namespace vareror::core::rx {

ToneLevels toneLevels(const SignalView &s, int64_t a, int64_t b, double offsetHz, double fromHz, double toHz,
                      double stepHz, double steadyMs, const std::vector<std::pair<double, double>> &syncs)
{
    ToneLevels t;
    t.fromHz = fromHz;
    t.stepHz = stepHz;
    const int bins = std::max(1, int(std::lround((toHz - fromHz) / stepHz)) + 1);
    t.level.assign(static_cast<size_t>(bins), 0.0);
    t.count.assign(static_cast<size_t>(bins), 0);
    a = std::max(a, s.begin);
    b = std::min(b, s.end);
    if (syncs.empty() || b <= a) return t;
    const int64_t steady = std::max<int64_t>(1, int64_t(std::lround(steadyMs * s.rateHz / 1000)));
    size_t j = 0; // the last sync at or before sample i (or the first)
    for (int64_t i = a; i < b; ++i) {
        while (j + 1 < syncs.size() && syncs[j + 1].first <= double(i)) ++j;
        double sync = syncs[j].second;
        if (j + 1 < syncs.size() && syncs[j].first <= double(i)) {
            const double u = (double(i) - syncs[j].first) / (syncs[j + 1].first - syncs[j].first);
            sync += u * (syncs[j + 1].second - sync);
        }
        if (sync <= 0) continue;
        // (only where the tone holds within half a bin from steadyMs before to steadyMs after)
        const double f = s.fnAt(i);
        if (i - steady < s.begin || i + steady >= s.end || std::fabs(s.fnAt(i - steady) - f) > 0.5 * stepHz ||
            std::fabs(s.fnAt(i + steady) - f) > 0.5 * stepHz)
            continue;
        const int bin = int(std::lround((f - offsetHz - fromHz) / stepHz));
        if (bin < 0 || bin >= bins) continue;
        t.level[size_t(bin)] += std::norm(s.znAt(i)) / (sync * sync);
        ++t.count[size_t(bin)];
        ++t.total;
    }
    for (int k = 0; k < bins; ++k)
        if (t.count[size_t(k)] > 0) t.level[size_t(k)] /= t.count[size_t(k)];
    return t;
}

double medianAmplitude(const SignalView &s, int64_t a, int64_t b)
{
    a = std::max(a, s.begin);
    b = std::min(b, s.end);
    if (b <= a) return 0;
    std::vector<float> v;
    v.reserve(size_t(b - a));
    for (int64_t i = a; i < b; ++i) v.push_back(magnitude(s.znAt(i)));
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

} // namespace vareror::core::rx
