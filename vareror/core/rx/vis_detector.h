#pragma once
// The VIS detector: finds the 8-bit, 16-bit and narrow 24-bit headers in the decision band and
// says which mode follows and where its first line starts. It only reports; starting the
// picture is the receiver's business.

#include "signal.h"

#include <initializer_list>
#include <optional>
#include <vector>

namespace vareror::core::rx {

class ToneMeter;

struct VisEvent {
    int mode = 0;
    double firstSync = 0;    // working sample where period 0's sync starts
    double headerStart = 0;  // working sample where the header's leader begins
    double headerEnd = 0;    // working sample where the VIS ends (AVT 90's header follows)
    double leaderHz = 1900;  // the leader as received: 1900 plus the mistuning
    double snrDb = 99;       // signal-to-noise ratio in 3 kHz, measured on the leader
    bool narrow = false;     // a narrow-mode (24-bit) header
    // Some of its tones were erasures (a crash took them out): the code's unknown bits may
    // name any of `modes` (the first is `mode`), and the header holds only once one of their
    // line syncs is found where it puts them.
    bool doubtful = false;
    std::vector<int> modes;
};

class VisDetector {
public:
    explicit VisDetector(const WorkingRate &rate) : rate_(rate) {}
    // Looks at what has arrived since the last call; returns at the first header found (call
    // again for more). During a picture (`duringPicture`) the whole header must be there, the
    // first leader and break included.
    std::optional<VisEvent> scan(const ToneMeter &tones, const SignalView &s, bool duringPicture);

private:
    // the leader before a candidate: its stretch and frequency (its cleanness,
    // ToneMeter::coherence, is taken only by a candidate that comes far enough to need it)
    struct Leader {
        int64_t from = 0, to = 0;
        double hz = 0;
    };
    std::optional<VisEvent> tryWide(const ToneMeter &t, const SignalView &s, int64_t c, const Leader &leader, bool duringPicture);
    std::optional<VisEvent> tryNarrow(const ToneMeter &t, const SignalView &s, int64_t c, const Leader &leader);
    // The leader's SNR, measured on the first of these stretches of it, or where no crash was
    // left out of them.
    struct Stretch {
        int64_t from = 0, to = 0;
    };
    // Where the start bit begins, found on the step into it from the leader, or on a step
    // beside it when a crash hides that one.
    double placeEdge(const ToneMeter &t, const SignalView &s, int64_t c0, double leaderHz, double breakHz) const;
    double leaderSnrDb(const ToneMeter &t, const SignalView &s, std::initializer_list<Stretch> leaders, double leaderHz) const;
    int64_t ms(double v) const { return rate_.samples(v); }

    WorkingRate rate_;
    int64_t next_ = 0;       // the next candidate position
    // The quick turn-down of a start bit or a narrow header's marker whose tone is surely not
    // where the leader's puts it (ToneMeter::surelyApart, before the frequency is measured):
    // the turns that take the leader's products to the start bit's tone and to the marker's,
    // and the cosines of the two checks' limits. Set by scan.
    cdouble toBreak_ = 1, toMarker_ = 1;
    double breakApart_ = 1, markerApart_ = 1;
};

} // namespace vareror::core::rx
