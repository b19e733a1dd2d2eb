#pragma once
// An input clipped hard at the converter, put back together before anything else reads it. A
// converter that clips an FM tone keeps every sample where the tone lay inside its range exactly
// as it was, and flattens the rest at its rail. The samples kept near a zero crossing tell the
// tone's phase there (its level known): arcsin of the sample over the level. Between two
// crossings the phase runs smoothly on by half a turn, so each flattened run is filled again
// with the tone at its level, its phase drawn through the crossings on either side. What the
// harmonics of the clip would otherwise do to the picture band (and, clipped at the working rate
// or folded at the converter's, to every tone in it) is gone with them; the picture keeps what
// the crossings tell, which is the tone's frequency.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vareror::core::rx {

class Declipper {
public:
    // Input samples at rateHz; the delay is a whole number of `multiple` samples (the
    // decimator's factor, so that the working samples keep their places). A rate of 0 or less,
    // or a multiple under 1, is refused (std::invalid_argument).
    void configure(double rateHz, int multiple = 1);
    void reset();
    // Input samples the output lags the input by: a run is filled once the crossings after it
    // have come.
    int delay() const { return delay_; }
    // Appends n samples to `out`: the input delay() samples back, its flattened runs filled.
    void run(const float *in, size_t n, std::vector<float> &out);
    // Runs filled since the start (what tests read).
    int64_t runsFilled() const { return filled_; }

private:
    struct Knot {
        double t, phase; // sample (from the run's start), and the tone's phase there
    };
    // A period of a clipped tone, ending at `at`: its samples kept within the rails, its
    // length, its crossings that went straight from rail to rail, and its pairs of neighbours at
    // a rail with how far they differ (summed, as shares of their level).
    struct Period {
        int64_t at = 0;
        int kept = 0, len = 0, flips = 0, pairs = 0;
        double steps = 0;
        int64_t flipsSoFar = 0; // in this period and all before it
    };
    float at(int64_t k) const { return buf_[size_t(k - base_)]; }
    int8_t railAt(int64_t k) const { return rail_[size_t(k - base_)]; }
    int64_t plainUpTo(int64_t from, int64_t to) const;
    void classify(int64_t k);
    std::vector<Period>::const_iterator periodsBefore(int64_t before) const;
    double clip(int64_t before) const;
    bool fewFlips(int64_t before);
    bool crossings(int64_t from, int side, int8_t sign, double level);
    void fill(int64_t a, int64_t b);

    int delay_ = 0, maxRun_ = 0, reach_ = 0, history_ = 0;
    int64_t shortestPeriod_ = 0, longestPeriod_ = 0;
    double rateHz_ = 11025;
    std::vector<float> buf_;    // the input from base_ on (runs filled up to next_)
    std::vector<int8_t> rail_;  // each sample of it at the positive (1) or negative (-1) rail, or 0
    int64_t base_ = 0, end_ = 0, classified_ = 0, next_ = 0;
    int64_t lastRail_ = 0;        // the last sample classed at a rail
    float railValue_[2] = {0, 0}; // the rails' levels last seen (negative, positive; infinite: none)
    std::vector<Period> periods_; // the newest last
    Period period_;               // the one going on
    int8_t lastSign_ = 0;         // the rail the last sample at one was at
    int64_t flipsSoFar_ = 0;
    bool filling_ = false;        // (see kFewFlips)
    int64_t origin_ = 0;          // the run being filled starts here (the knots' times are from it)
    std::vector<Knot> knots_;
    std::vector<double> moments_, work_;
    int64_t filled_ = 0;
};

} // namespace vareror::core::rx
