#pragma once
// The sync tracker: finds each period's sync pulse near where it is expected and fits a
// straight line through the found ones against the period number. The line gives where
// periods are drawn (phase and period: the slant), where the next syncs are looked for, and
// the sample clock's error.

#include "signal.h"

#include <algorithm>
#include <vector>

namespace vareror::core {
struct ModeInfo;
}

namespace vareror::core::rx {

struct SyncMeas {
    double pos = 0;        // working sample where the pulse starts
    double score = -2;     // how sync-like the step into it is (about 2 at best)
    bool found = false;    // score good enough at the sync accuracy asked for
    bool measured = false;
    bool atEdge = false;   // best at the window's edge: the pulse may lie beyond it
};

// Position = a + b * period.
struct LineFit {
    double a = 0, b = 0;
};

class SyncTracker {
public:
    // A picture starts: period 0's sync expected at `firstSync`; `offsetHz` is the mistuning.
    // `fromHeader`: that place comes from the VIS header's timing (within a few ms at 0 dB).
    void start(const ModeInfo &m, const WorkingRate &rate, double firstSync, double offsetHz, bool fromHeader = false);
    // The signal-to-noise ratio (dB in 3 kHz) measured on the header: in noise the sync's end
    // is fitted on the decision band's samples, where noise does not move it.
    void setSnr(double snrDb) { snrDb_ = snrDb; }
    // The start found some other way (AVT 90's header, Force RX's phase search).
    void setStart(double firstSync);

    // Looks for period k's sync within `window` samples either side of `pred`.
    bool measure(const SignalView &s, double pred, double window, int accuracy, SyncMeas &out) const;
    void record(int k, const SyncMeas &m);
    // A period without a sync pulse (AVT 90) judged present or not from its envelope.
    void recordPresence(int k, bool present);
    // Periods from `from` on are not the picture's (another transmission's header came in
    // their place): their syncs, and a jump of the grid among them, are forgotten.
    void forget(int from);
    // Refits after a new sync: tracking always follows the syncs, clock error included (so
    // they stay inside the search window); drawing follows them as far as the options say.
    // `wholePicture`: for the picture as a whole, not the next lines (see compute()).
    void refit(bool autoSlant, bool autoResync, bool forced, bool wholePicture = false);
    // Finding every sync again from the start, line by line: forget them all, then measure
    // period k for k = 0, 1, ... in turn (each with a view that holds its surroundings).
    void beginRemeasure();
    void remeasure(const SignalView &s, int k, int accuracy);
    bool remeasureFound() const { return remeasureFound_; }
    // Where sync k is looked for, and how far either side.
    double searchWindow(int k) const;
    // Before any sync is found: the search around `pred` widened for what the header alone
    // cannot tell (a sender leaving out its last tone, a clock off since the header).
    void widenBeforeFirst(double &pred, double &win) const;
    // Force RX: where the sync train starts, searched over one period from `from` and
    // summed over `folds` periods, so a lone sync-like stretch does not win.
    double phaseSearch(const SignalView &s, double from, int folds, int accuracy) const;
    // The same, giving the phase found in `pos`: the mean score of its folded syncs (a train
    // scores kTrainScore and more).
    double trainSearch(const SignalView &s, double from, int folds, int accuracy, double &pos) const;
    // Length in ms of the sync pulse starting at pos (0 when the signal is not there).
    double pulseLength(const SignalView &s, double pos) const;

    double trackPos(int k) const { return track_.a + track_.b * k + shiftAt(k); } // where sync k is looked for
    double periodPos(int k) const { return fit_.a + fit_.b * k + shiftAt(k); }   // where period k is drawn
    double nominalPeriod() const { return bNom_; }
    double clock() const { return fit_.b > 0 ? fit_.b / bNom_ : 1.0; } // drawn period / nominal
    double trackClock() const { return track_.b > 0 ? track_.b / bNom_ : 1.0; } // tracked period / nominal
    double firstSync() const { return a0_; }
    const LineFit &fit() const { return fit_; }
    void setFit(const LineFit &f) { fit_ = f; }
    // The sample clock's error measured from the syncs, whatever the drawing follows (ppm).
    double measuredPpm() const;
    int missRun() const { return missRun_; }
    int lastGood() const { return lastGood_; }

    // Finding the line grid again after a run of missed syncs: the sync train is searched over
    // a whole period, folded over periods `from` .. `to`. When the signal is still there
    // (the train's mean score says so) the periods from `from` on are moved to where it is
    // (audio lost in a gap makes every later sync come early) and true is returned; false
    // means no sync train is left: the signal has ended.
    bool regain(const SignalView &s, int from, int to, int accuracy);
    // Lowest mean score of a folded sync train taken for a signal still there: noise alone
    // folded over four periods or more stays well under it at its best phase.
    static constexpr double kTrainScore = 0.55;
    // The last jump made `periods` periods longer: the periods after it are numbered that
    // much further on (a gap longer than a period, told by what the periods carry or by
    // where the train ends), and the periods in between count as lost in the gap.
    void lengthenLastJump(int periods = 1);
    bool regainJumped() const { return jumped_; }
    // Audio lost in a gap of about a whole number of periods moves the syncs after it by less
    // than the search window: they are found, and the line bends through both parts. Such a
    // gap shows as a step in the places of the syncs found since the last jump; when a step
    // explains them far better than the line, the grid jumps there (true) and the periods
    // lost can be counted where the train stops. The syncs after it are measured again.
    bool findStep(const SignalView &s, int accuracy);
    // A jump is made where the train is found again, which may be well after the gap: the
    // syncs between, past the window's edge or found one in a few beside a line they could
    // not bend, were drawn where the grid was. They show the jump's step before it: the
    // jump then starts where that step does (true).
    bool moveJumpBack();
    // The first period measured after the grid's last jump (audio lost in a gap, or a drift
    // followed), -1 before any.
    int afterGap() const { return jumps_.empty() ? -1 : jumps_.back().from + jumps_.back().lost; }
    // Period k lost in a gap: the first period after its run of lost ones, else k itself.
    int afterLost(int k) const
    {
        for (const Jump &j : jumps_)
            if (k >= j.from && k < j.from + j.lost) return j.from + j.lost;
        return k;
    }
    // How sync-like periods `from` .. `to` are where the grid puts their pulses, from -1 to 1
    // (noise under 0.2); a period whose signal has fallen under a tenth of `level` counts as
    // -1 (digital silence after a file's end reads as one long sync). -2 when none can be
    // measured.
    double trainScore(const SignalView &s, int from, int to, double level) const;
    // Mean magnitude of the signal over period k's sync pulse where the grid puts it (0: not
    // in the view).
    double level(const SignalView &s, int k) const;
    // ... over a sync pulse from `pos`.
    double levelAt(const SignalView &s, double pos) const;
    // How much of a sync pulse's time from `pos` the decision band sits at the sync's
    // frequency, from -1 (none) to 1 (all of it); -2 when it is not in the view.
    double pulseReading(const SignalView &s, double pos) const;
    // One decision-band frequency's part in that reading.
    double syncLikeness(double hz) const { return std::clamp((threshold_ - hz) / scale_, -1.0, 1.0); }

private:
    LineFit compute(bool slopeFree, bool anchored, const LineFit &prev) const;
    // The step among the syncs found in periods first .. until - 1 (see findStep): where the
    // periods after it begin, and how far they moved; false when a line explains them.
    bool stepIn(int first, int until, int &from, double &step) const;
    static constexpr int kStepSide = 4; // syncs either side of a step that place it
    // Mean score of the best phase in `span` samples from `from`, folded over `folds` periods.
    // `period`: the fold's period (0: the line's).
    double foldedSearch(const SignalView &s, double from, double span, int folds, int accuracy, double &bestPos,
                        double period = 0) const;
    // The grid's jumps: from period `from` on, every sync sits `shift` samples from the line.
    struct Jump {
        int from;
        double shift;
        int lost = 0;     // periods from `from` on whose syncs fell in the gap
    };
    // Each jump's shift measured again from the syncs found after it, against the line
    // through all of them (a regain's first estimate rests on a few noisy periods, and a
    // shift off by a fraction of a millisecond tilts the whole line).
    bool refineJumps();
    std::vector<Jump> jumps_;
    bool jumped_ = false; // the last regain moved the grid
    double shiftAt(int k) const
    {
        double d = 0;
        for (const Jump &j : jumps_)
            if (k >= j.from) d += j.shift;
        return d;
    }

    const ModeInfo *m_ = nullptr;
    WorkingRate rate_;
    std::vector<SyncMeas> sync_;
    LineFit fit_, track_;
    double a0_ = 0, bNom_ = 0;
    bool headerPrior_ = false; // the header's timing counts in the line fit while few syncs are found
    double threshold_ = 1350, scale_ = 150; // sync score: the frequency between sync and black
    double porchMs_ = 0;                     // black porch right after the sync (0: none)
    double offsetHz_ = 0;                    // the mistuning
    double snrDb_ = 99;
    // Where the sync pulse ends into its porch, from the decision band's samples, searched
    // within `reach` samples of `end`; false when the signal is not there.
    bool porchEdge(const SignalView &s, double end, int64_t reach, double &edge) const;
    int missRun_ = 0, lastGood_ = -1;
    int remeasureMiss_ = 0;
    bool remeasureFound_ = false;
    bool wholePicture_ = false;
    // scratch, kept between calls
    struct Point {
        double period, pos;
    };
    mutable std::vector<Point> points_, used_;
    mutable std::vector<double> residuals_, sorted_, steps_, folded_;
    mutable std::vector<cdouble> turned1_, turned2_;
};

} // namespace vareror::core::rx
