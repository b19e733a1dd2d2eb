#pragma once
// How strongly the channel passes each of the picture's tones. On two paths (a copy of the
// signal a millisecond or a few late) the sum of the two swings with the tone, from up to twice
// the level down to a notch where the late copy nearly cancels the first: the VIS leader, one
// steady tone, shows nothing of it, while a picture tone in a notch arrives many dB weaker than
// the leader said, with the noise as strong as ever. It is read on the picture itself, on the
// decision band (its frequency, read over 3 ms, gives each sample the tone of its stretch, where
// the picture band's own reading spikes in a notch): each sample's power against the line
// syncs' around it (one tone, at one place in every period, which a fade moves as it moves
// every tone), binned by the sample's tone where that tone holds.

#include "signal.h"

#include <utility>
#include <vector>

namespace vareror::core::rx {

struct ToneLevels {
    double fromHz = 0, stepHz = 100; // bin k holds the tones within half a step of fromHz + k stepHz
    std::vector<double> level;       // each bin's mean power against the syncs' squared amplitude
    std::vector<int> count;          // samples read in each bin
    int total = 0;
};

// The decision band's samples over [a, b) binned by their frequency less `offsetHz` (the
// mistuning), from `fromHz` to `toHz`, where the frequency `steadyMs` before and after is
// within half a bin of it. `syncs`: the syncs' amplitude at the samples where they were read,
// in order; between them it is taken on a straight line, beyond them as the nearest.
ToneLevels toneLevels(const SignalView &s, int64_t a, int64_t b, double offsetHz, double fromHz, double toHz,
                      double stepHz, double steadyMs, const std::vector<std::pair<double, double>> &syncs);

// The median amplitude of the decision band's samples over [a, b) (0 when none is kept).
double medianAmplitude(const SignalView &s, int64_t a, int64_t b);

} // namespace vareror::core::rx
