#pragma once
// The line decoder: turns one sync period of the kept signal into picture-plane rows. Which
// scans a period holds, where each pixel is read and over how long, is worked out once per
// layout from the mode table (the pixel schedule); a period is then read at its fitted
// position, stretched by the sample clock's error. It also decides between the layouts that
// senders of one mode differ in (Robot 24's two splits, shortened Scottie scans, which of
// Robot 36's alternating lines comes first under Force RX).

#include "signal.h"

#include "modes.h"

#include <vector>

namespace vareror::core::rx {

class PictureComposer;
class SyncTracker;

// Mean frequency (Hz) over [t0, t1) in working samples: the phase of the summed pulse-pair
// products z[i] z*[i-1], each weighted by its overlap with the stretch, less the noise's own
// share (noiseLag1 per unit of power). 0 when the stretch is not in the view. `broad`: read
// the broad band's samples (zb).
double pixelHz(const SignalView &s, double t0, double t1, cfloat noiseLag1 = 0, bool broad = false);
// The weighted sum of pulse-pair products (less the noise's share) whose phase pixelHz reads:
// sums of like pixels add up before the phase is taken, which keeps them above the FM
// threshold where each pixel alone is far under it. 0 when the stretch is not in the view.
cfloat pixelProduct(const SignalView &s, double t0, double t1, cfloat noiseLag1 = 0, bool broad = false);

// AVT 90: where the picture starts, read from the 32 header words after the VIS (any word
// that checks gives it; the counting direction is taken from two successive words).
double avtPictureStart(const SignalView &s, const WorkingRate &rate, double headerEnd, double offsetHz, cfloat noiseLag1);

class LineDecoder {
public:
    // How the picture's pixels are read follows the SNR (dB in 3 kHz): a clean signal's over
    // the middle of their time, a noisier one's over more of it, and near the noise floor
    // they are also averaged along the line.
    void start(const ModeInfo &m, const WorkingRate &rate, int width, double snrDb, double offsetHz, cfloat noiseLag1);
    // Decodes period k whose sync starts at `pos`; `clock` stretches the period (the drawn
    // period over the nominal one).
    void decode(const SignalView &s, int k, double pos, double clock, PictureComposer &out) const;
    // Luminance (or red, green and blue) is also read through the broad band (the front end
    // keeps it: readBroad), whose noise has the lag-1 share `noiseLag1`, into the composer's
    // broad rows.
    void readBroad(cfloat noiseLag1) { broad_ = true; broadLag1_ = noiseLag1; }
    double offsetHz() const { return offset_; }
    // How far a weak signal's pixels are averaged along the line: 0 (none, a clean signal's
    // reading) .. 1.
    double smoothing() const { return smoothing_; }
    cfloat noiseLag1() const { return noiseLag1_; }
    // Span of a period's content around its sync (ms), over every layout.
    void extentMs(double &from, double &to) const;
    // How far the farthest of a period's content moves (samples) when the period drawn with
    // its sync at pos0 and stretched by clock0 is drawn at pos1 by clock1: the content's
    // ends, including scans sent before the sync (Scottie's green and blue), which a new
    // clock moves even when the sync stays.
    double moved(double pos0, double clock0, double pos1, double clock1) const;

    // Layout decisions, each on the first periods; true when the layout changed and the
    // periods drawn so far are to be decoded again.
    bool checkSyncLength(const SignalView &s, int k, double pos, const SyncTracker &sync);
    bool checkShortenedScans(const SignalView &s, int k, const SyncTracker &sync);
    bool checkAlternation(const SignalView &s, int k, double pos);
    int alternation() const { return shift_; } // 1: the layouts come the other way round
    // Which of two alternating layouts the period at `pos` carries, by its separator tone;
    // -1 when the mode's layouts do not alternate.
    int layoutAt(const SignalView &s, double pos) const;

private:
    struct Scan {              // one scan of a layout, in nominal working samples
        int plane = 0, line = 0;
        double start = 0, length = 0;
        int samples = 0;       // the scan's own samples (fewer than the width for chroma)
        double smoothRadius = 0; // a weak signal's smoothing along the line, in pixels (a fraction
                                 // weighs the outermost pair of pixels by as much)
        bool luminance = false;
        bool broad = false;    // read through the broad band too, when it is read
    };
    void plan();

    const ModeInfo *m_ = nullptr;
    WorkingRate rate_;
    int width_ = 320, scale_ = 1;
    double weakness_ = 0;      // 0 a clean signal's reading .. 1 a weak one's
    double smoothing_ = 0;     // how far a weak signal's pixels are averaged along the line (0 .. 1)
    double offset_ = 0;
    cfloat noiseLag1_ = 0, broadLag1_ = 0;
    bool broad_ = false;
    std::vector<std::vector<Segment>> layouts_;
    std::vector<std::vector<Scan>> schedule_;
    mutable std::vector<float> row_, tmp_;
    // Robot 24's split: the sync lengths seen, and which split is in use
    std::vector<double> syncLengths_;
    bool altLayout_ = false;
    // shortened scans: scans looked at (-1: decided), and the sums of what each read (Hz above
    // black): the picture just before the cut-off part less that part, and that part less the
    // separator, with their squares
    int shortSeen_ = 0;
    double shortDrop_ = 0, shortDrop2_ = 0, shortRest_ = 0, shortRest2_ = 0, shortLevel_ = 0;
    // alternating layouts under Force RX: the tone that tells them apart, votes on which
    // comes first
    Segment marker_;
    double markerHz_[2] = {0, 0};
    int votesSame_ = 0, votesSwap_ = 0, shift_ = 0;
};

} // namespace vareror::core::rx
