#pragma once
// Whether a picture's signal came, period by period: the picture's end is where its grid ends,
// where its syncs stopped for long enough, or where the operator or a new header ends it,
// and the periods drawn last before that may hold no signal at all (a recording or a sender
// that stopped early, a band gone to noise or silence, a sound card that stopped).
//
// An FM tone keeps its amplitude whatever it carries; noise alone has the envelope of
// band-limited Gaussian noise, whose spread against its mean stays the same whatever its
// level and bandwidth. Each period's picture band is read in short windows (a fading signal
// and automatic gain control change the level only slowly), each window's spread (variance
// over squared mean of |z|) taken, and the period's reading is the mean of its lower windows
// (a click spoils a window or two, not the period). A window far quieter than the picture is
// silence. The picture's own readings say how a period with its signal reads at its SNR;
// the run of periods at the picture's end that read as noise or silence, clearly enough in
// sum, is what did not come.

#include "signal.h"

#include <vector>

namespace vareror::core::rx {

class SignalPresence {
public:
    // A period's reading of band-limited Gaussian noise alone (the mean over 150 periods of
    // white noise through each picture band, at 11025 and 44100 Hz: 0.248 .. 0.267, each
    // period within 0.02 or so; the exact envelope's spread is 4 / pi - 1 = 0.273, less what
    // windows of a few dozen independent samples lose).
    static constexpr double kNoiseSpread = 0.255;

    void start(int periods);
    // Period k's picture band over working samples [from, to) (read again: replaced).
    void read(const SignalView &s, int k, double from, double to);
    // Periods k .. from the end, renumbered: a picture's periods from `first` on moved
    // `by` periods on (audio lost in a gap took that many); those in between were lost and
    // count as received (they are drawn from the first period after the gap).
    void moveOn(int first, int by);
    // Of periods 0 .. drawn - 1, how many from the start the signal came for: `drawn` less
    // the run at the end that reads as noise or silence. `stopped`: the signal is known to
    // have stopped before the picture's end (its syncs did, or a new header came).
    int received(int drawn, bool stopped = false) const;
    // The period's reading (the mean spread of its lower windows; silence far above noise),
    // -1 where nothing was read.
    double reading(int k) const;

private:
    struct Window {
        float level = 0;   // mean |z|
        float spread = 0;  // variance over squared mean of |z|
    };
    struct Period {
        std::vector<Window> windows;
        std::vector<float> tail; // mean |z| in steps back from its end (see received)
        double tailStepMs = 0;
        bool lost = false;       // lost in a gap: counts as received
    };
    double typicalLevel(int drawn) const;
    double readingAt(int k, double silentBelow) const;
    std::vector<Period> periods_;
};

} // namespace vareror::core::rx
