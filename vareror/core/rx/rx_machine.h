#pragma once
// The receiver's state machine (see "How the receiver works" in receiver.cpp): the only place
// that starts and ends pictures. Its pictures' start is in picture_start.cpp, the rest in
// receiver.cpp.

#include "receiver.h"

#include "front_end.h"
#include "fsk_reader.h"
#include "kept_signal.h"
#include "line_decoder.h"
#include "picture_composer.h"
#include "signal_presence.h"
#include "sync_tracker.h"
#include "tone_meter.h"
#include "vis_detector.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vareror::core {

class RxMachine {
public:
    explicit RxMachine(double rate);

    // What Receiver offers (see receiver.h), done here.
    void setOptions(const RxOptions &o);
    const RxOptions &options() const { return opts; }
    void setLms(int mode);
    int lms() const { return front.settings().lms; }
    void setNotch(double hz) { front.setNotch(hz); }
    double notch() const { return front.settings().notchHz; }
    void setFrontEndTap(rx::FrontEndTap *tap) { front.setTap(tap); }
    void process(const float *x, size_t n);
    unsigned takeEvents();
    // Force RX in `mode` (a valid one): now, or for a recording at the mode's first line sync.
    void startScan(int mode, bool atFirstLine);
    void stopScan();
    bool resync();
    bool correctSlant();
    void setDeferWork(bool defer);
    bool work(int budget);
    bool pending() const { return job.active || current.ending || !composerSettled; }
    void setDrawWhileArriving(bool on) { composer.drawWhileArriving(on); }

    bool active() const { return state == State::Header || state == State::Picture; }
    int mode() const { return curMode; }
    int linesReceived() const { return current.m ? linesDrawn() * composer.rowsPerLine() : 0; }
    const RgbImage &picture() const { return composer.picture(); }
    int dirtyFrom() const { return composer.dirtyFrom(); }
    int dirtyTo() const { return composer.dirtyTo(); }
    void clearDirty() { composer.clearDirty(); }
    const std::string &fskId() const { return fskText; }
    double slantPpm() const { return lastSlantPpm; }
    const Receiver::Finished &lastFinished() const { return finished; }
    double sampleRate() const { return rate.input; }
    double pictureStartSeconds() const { return lastStartSec; }
    double tuningOffsetHz() const { return lastOffset; }
    uint64_t samplesProcessed() const { return inputCount; }
    size_t keptSignalBytes() const { return kept.bytesTaken(); }

private:
    enum class State { Idle, Header, Picture, Trailer };

    // configuration
    RxOptions opts;
    rx::FrontEnd front;
    rx::WorkingRate rate;
    rx::KeptSignal kept;
    rx::ToneMeter tones;
    rx::VisDetector vis;
    rx::FskIdReader fsk;
    rx::SyncTracker sync;
    rx::LineDecoder decoder;
    rx::PictureComposer composer;
    rx::SignalPresence presence;
    uint64_t inputCount = 0;

    // results
    unsigned events = 0;
    std::string fskText;
    int curMode = 6;
    double lastOffset = 0;       // mistuning measured on the last VIS leader
    double lastSlantPpm = 0;
    double lastStartSec = 0;
    double visSnrDb = 99;        // signal-to-noise ratio (3 kHz) measured on the last VIS leader
    double visBreakToLeader = 0; // ... the break tone's amplitude in its start bit against the
                                 // leader's, as the channel passed them (0: not read)
    Receiver::Finished finished;

    // the picture being received (or the last one)
    State state = State::Idle;
    struct Picture {
        int mode = 6;
        const ModeInfo *m = nullptr;
        bool forced = false;       // Force RX: no VIS
        bool atFirstLine = false;  // forced for a recording: starts at the mode's first line sync
                                   // (or where a header of its mode says)
        double headerEnd = 0;      // end of the VIS (AVT 90's header follows it)
        int64_t searchFrom = 0;    // Force RX: where the phase search starts
        int64_t keepFrom = 0;      // first working sample the picture needs
        int next = 0;              // next period to draw
        int lastRedraw = 0;
        std::vector<double> drawnAt, drawnClock; // where each period was drawn: its sync, and
                                                 // the clock that stretched it
        std::vector<double> presenceAt;          // where each period's envelope was read
        // Drawn only once it has ended (PictureComposer::drawWhileArriving off), with the end's
        // redraw to come: a period is decoded once, at the end, where it was last placed (or
        // where the final fit moves it), as every period before it would have been. Until then
        // it is placed as if drawn, so that every decision follows as it would.
        bool decodeAtEnd = false;
        std::vector<char> undecoded;             // placed, not yet decoded
        double startSec = 0;
        bool noisyFit = false;     // noisy enough that a redraw waits for a larger move
        bool straightened = false; // "Fix Slant" asked for: this picture follows the syncs'
                                   // slant and phase to its end, whatever the options say
        bool ending = false;       // ended; its last redraw still under way
        bool stopped = false;      // its signal stopped before its end (its syncs, or a new header)
        int headerMode = -1;       // see Receiver::Finished
        bool noStructure = false;  // forced: its periods showed no line structure of its mode
        double firstSync = 0, offset = 0; // as started
        bool tonesRead = false;    // its tones' levels have been read (see readTones)
    } current;

    // A redraw under way: the syncs found again (when asked), then each period drawn so far
    // decoded again if the fit has moved it by more than kCleanStillMs (a weak signal's, by
    // more than kWeakStillMs), then the picture drawn anew where it changed. It runs a slice
    // at a time when work is deferred. The periods that arrive meanwhile wait in the kept
    // signal until it is done: decoded while it ran, they would move the fit under it, and
    // which periods it drew where (small moves are left as drawn) would depend on how fast
    // the machine got through it.
    struct Redraw {
        bool active = false;
        bool remeasure = false;    // still finding the syncs again
        int k = 0;                 // next period to look at
        int upTo = 0;              // periods drawn when it began
        bool measureSlant = false; // the clock error is reported once the syncs are found
    } job;
    bool deferWork = false;        // leave redraws for work() instead of doing them at once
    std::vector<std::string> heldIds; // FSK IDs read while the picture before them ends
    std::optional<rx::VisEvent> heldVis;  // a doubtful header, until its line syncs are looked for

    bool slanting() const { return opts.autoSlant || current.straightened; }
    bool resyncing() const { return opts.autoResync || current.straightened; }
    int64_t ms(double v) const { return rate.samples(v); }

    void advance();
    void onVis(const rx::VisEvent &e);
    // The held doubtful header started, once its mode's first syncs can be looked for and are
    // found (or the other mode its code may name, whose syncs are); dropped otherwise.
    void confirmHeld();
    bool syncsFound(int mode, const rx::VisEvent &e);
    void onFskId(const std::string &text);
    // `snrDb`: the SNR the picture's bands and filters follow, where it is not its leader's
    // (see readTones)
    void startPicture(int mode, double firstSync, bool forced, double offset, double headerEnd,
                      std::optional<double> snrDb = std::nullopt);
    // Once the picture's first stretch has come: the SNR its weakest tone gets, its leader's
    // less as much as the channel passes that tone weaker than the leader's tone. Where that is
    // clearly lower, the picture is started again with it.
    void readTonesWhenDue();
    void readTones();
    double breakToLeader(const rx::VisEvent &e) const;
    // A picture forced to start at its first line: where its sync train starts, once found.
    bool findFirstLine(double from);
    // cutAt: where another transmission's header began (working samples), when one ends it
    void endPicture(double cutAt = -1);
    void completeEnd();
    void findStart();
    void progress();
    void decodePeriod(int k, double pos);
    // Period k decoded where it is placed (drawnAt, drawnClock).
    void decodePlaced(int k);
    // At the end: the periods placed and not yet decoded, decoded where they were placed.
    void decodeUndecoded();
    void redecodeDrawn(int upTo, bool onlyWhereKept);
    // Period k's envelope where it is drawn, for SignalPresence (when its signal is kept);
    // `whereMoved`: only when it is drawn elsewhere than where it was read.
    void readPresence(int k, bool whereMoved = false);
    // Periods from `keep` on are taken back: not the picture's, or their signal never came.
    void takeBack(int keep);
    // wholePicture: the fit taken for the picture as a whole (see SyncTracker::refit)
    bool beginRedraw(bool remeasure, bool wholePicture = false);
    void redrawSlice(int &budget);
    void finishRedraw();
    void finishWork();
    void measureSlant();
    void keepSignal();
    int linesDrawn() const { return std::min(composer.lines(), current.next * current.m->linesPerPeriod); }
    // How far the current fit has moved period k since it was drawn (samples).
    double moved(int k) const;
    // Where period k is drawn from: its own place, or for a period lost in a gap the first
    // period after the gap that has its layout (so the picture shows no hole).
    double drawPos(int k) const;
    void drawPeriod(int k) { decodePeriod(k, drawPos(k)); }
    // At the picture's end: the periods lost in a gap, counted from where the train stops.
    void placeAfterGap();
    int forcedFolds() const { return std::clamp(int(4000.0 / current.m->periodMs), 3, 8); }
    bool composerSettled = true;
};

} // namespace vareror::core
