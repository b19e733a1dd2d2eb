// The colour-level rule: whether a colour-difference picture came from a full-range encoder
// (see picture_composer.h), judged on flat stretches of its luminance.
#include "picture_composer.h"

#include "picture_composer_tuning.h"

#include <algorithm>

namespace vareror::core::rx {

// Statistics for the colour-level rule: only flat stretches count (kFlatRun pixels or more
// within kFlatSpread levels of each other), judged by their mean, so the overshoot and
// ringing beside a sharp edge and the scatter of noise cannot pass for full-range levels.
void PictureComposer::countLevels(int line, const float *y, int n, int silentFrom, int silentTo)
{
    silent_[size_t(line)] = {std::clamp(silentFrom, 0, n), std::clamp(silentTo, silentFrom, n)};
    // a filtered picture is judged by its filtered luminance: noise scatters the flat
    // stretches of the line as decoded
    if (!weak_) count(line, y, n);
}

void PictureComposer::count(int line, const float *y, int n)
{
    Levels c;
    const auto [silentFrom, silentTo] = silent_[size_t(line)];
    c.count = n - (silentTo - silentFrom);
    int i = 0;
    while (i < n) {
        if (i == silentFrom && silentTo > silentFrom) {
            i = silentTo;
            continue;
        }
        float lo = y[i], hi = y[i];
        double sum = y[i];
        int j = i + 1;
        for (; j < n && !(j == silentFrom && silentTo > silentFrom); ++j) {
            const float nlo = std::min(lo, y[j]), nhi = std::max(hi, y[j]);
            if (nhi - nlo > kFlatSpread) break;
            lo = nlo;
            hi = nhi;
            sum += y[j];
        }
        if (j - i >= kFlatRun) {
            const double mean = sum / (j - i);
            if (mean < kFullLow - kFullLowPerNoise * noiseToSignal_) c.low += j - i;
            if (mean > kFullHigh + kFullHighPerNoise * noiseToSignal_) c.high += j - i;
        }
        i = j;
    }
    Levels &old = levels_[size_t(line)];
    total_.count += c.count - old.count;
    total_.low += c.low - old.low;
    total_.high += c.high - old.high;
    old = c;
}

// Full range when more than 0.4 % of the luminance lies in flat stretches outside the
// studio range, or 0.1 % in a clean picture (see kCleanNoise).
bool PictureComposer::fullRangeNow() const
{
    if (total_.count <= 0) return false;
    const int oneIn = noiseToSignal_ <= kCleanNoise ? kCleanFullShareOneIn : kFullShareOneIn;
    return int64_t(total_.low + total_.high) * oneIn > total_.count;
}

} // namespace vareror::core::rx
