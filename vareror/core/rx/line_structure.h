#pragma once
// Whether a picture started without a header (Force RX) carries the line structure of the
// mode it was started in: a sync pulse in every period where the grid puts it, and none
// elsewhere in the period. Another mode's signal read on that grid has syncs between the
// grid's (Robot 36 read as Martin 1: every third of its syncs on the grid, which follows them
// 0.8 % off, the other two at a third and two thirds of each period), or its syncs on every
// second or third period only (Robot 72 read as Robot 36), or none that line up at all.
// Each period's decision band is read at every place of the period (in steps of a
// millisecond) as a sync pulse is (SyncTracker::pulseReading), and the readings at each
// place are averaged over the periods, which takes out the noise. A grid that fits another
// mode's syncs only with its period stretched beyond a sound card's clock error does not
// count either.

#include "signal.h"

namespace vareror::core {
struct ModeInfo;
}

namespace vareror::core::rx {

class SyncTracker;

struct LineStructure {
    double atSync = -1;    // the periods' mean reading where the grid puts their syncs
    double elsewhere = -1; // the highest mean reading at a place of the period with no sync
    double missing = 1;    // the share of periods whose sync reads nearer `elsewhere`
    bool found = false;
};

// Over periods 0 .. periods - 1 of mode m where the tracker places their syncs (periods
// whose signal is silence, or no longer in the view, are left out).
LineStructure lineStructure(const SignalView &s, const ModeInfo &m, const SyncTracker &sync, int periods);

} // namespace vareror::core::rx
