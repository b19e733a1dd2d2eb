#include "receiver.h"

#include "modes.h"
#include "rx/front_end.h"
#include "rx/fsk_reader.h"
#include "rx/kept_signal.h"
#include "rx/line_structure.h"
#include "rx/line_decoder.h"
#include "rx/picture_composer.h"
#include "rx/signal_presence.h"
#include "rx/sync_tracker.h"
#include "rx/tone_levels.h"
#include "rx/tone_meter.h"
#include "rx/vis_detector.h"

#include <algorithm>
#include <cmath>
#include <optional>

// How the receiver works
// ----------------------
// The signal flows through these parts, each in rx/:
//  * FrontEnd: input audio at any rate is decimated to a working rate of about 11-12 kHz, its
//    mains hum taken out where there is any, passed through the optional notch, auto-notch
//    and LMS filters, then through two complex band-passes: the picture band (the "DSP
//    filter", chosen by the signal-to-noise ratio) and a narrow decision band (850..2350 Hz)
//    for the VIS, the FSK ID and the syncs. The chosen demodulator turns the picture band into
//    one complex value per working sample whose phase advance from the previous sample is the
//    instantaneous frequency.
//  * KeptSignal keeps those samples and both bands' frequencies for as long as a picture may
//    be drawn again from them (RX buffer RAM, or a file).
//  * ToneMeter measures tones on the decision band, for the VisDetector and the FskIdReader,
//    which report headers and IDs and change nothing else.
//  * SyncTracker finds each period's sync near where it is expected and fits a straight line
//    through them: where periods are drawn, the slant, the clock error.
//  * LineDecoder reads each period's pixels at its fitted position by a schedule worked out
//    once from the mode table; PictureComposer turns the decoded planes into RGB rows.
//  * SignalPresence reads each period's envelope as it is drawn; at the picture's end the
//    periods at its end whose signal never came are taken back.
// The state machine below is the only place that starts and ends pictures:
//   Idle -> (VIS, or Force RX) -> Header -> Picture -> Trailer -> Idle
// Header: the picture's start is still being found (Force RX's phase search, AVT 90's header
// words); a VIS of a mode with line syncs goes straight to Picture. Trailer: the picture has
// ended and its signal is still kept, so it can be drawn again (a minute with the RX buffer
// in RAM, until the next picture with a file).

namespace vareror::core {

using namespace rx;

namespace {
// A period that the fit has moved by no more than this (ms) is not drawn again: by
// kWeakStillMs while a weak signal's pixels are averaged along the line (below 6 dB:
// LineDecoder::smoothing), by kCleanStillMs once each pixel is read over part of its own time,
// as a clean signal's is. A period decoded again means filtering and drawing again every line
// within the filters' reach around it (15 lines), so a redraw of periods scattered down the
// picture costs as much as drawing it whole. As a clean picture's syncs come in, its fit
// settles to within a few thousandths of a millisecond (a few hundredths of a sample) everywhere
// but over its first few dozen periods: redrawn for such moves, a clean picture drawn as its
// lines arrived cost 1.4-1.7 times one drawn once at its end, for nothing that shows (the
// decode benchmark's tables moved by 0.1 dB at most; from 0.004 ms the cleanest narrow modes'
// test cards, at 45 dB, lost 0.2 dB). Read over part of its time, a pixel shows a tenth of a
// sample: left where the fit of the syncs before them put them (by kWeakStillMs, from 6 to 33
// dB), periods cost another sender's PD90 and PD120 cards at 10 to 30 dB 0.1 to 0.5 dB and our
// Martin 1 card at 10 dB 0.4, and set the seeds apart (PD120 at 30 dB 21.4-21.9 dB by seed,
// drawn at the final fit 22.15-22.2). Both ways of drawing decide alike (from where each
// period was placed), so they still give the same picture.
constexpr double kWeakStillMs = 0.05, kCleanStillMs = 0.003;
// Lines are filtered across their neighbours at every SNR (unless the DSP filter is off). The
// filter follows the noise it measures on the picture, giving way to each pixel's own reading
// as that noise vanishes. That measure never quite vanishes (some of it is the picture's own
// texture), so from kFadeFromSnrDb up the filter's share also falls as the noise's amplitude
// does, to 2 % at kFilteredSnrDb and none above, except where the picture shows lines
// alternating against their neighbours (PictureComposer::alternationGate): there the filter
// works whole at any SNR. A clean decode's finest gratings carry such an error (a mirror
// image of the signal whose phase turns from line to line), which the filter takes out.
// Below kFilteredSnrDb the broad band is also read for the columns (FrontEnd::readBroad).
constexpr double kFilteredSnrDb = 70, kFadeFromSnrDb = 35;
// Short pixels (kShortPixelMs and less, going over to kLongPixelMs) carry that error on more
// than the lines that alternate: the band's mirror and the sample grid's aliasing of pixels a
// few samples long leave each line's finest detail an error that turns with the carrier's phase
// at the line's start, which averages out across lines. Faded out with the noise, the filter
// left such test cards 0.5-0.8 dB lower clean than at 45 dB (Scottie 2, PD50, P5, ML180,
// Robot 36). For them the share falls only as the square root of the noise's amplitude, and
// no further than at kShareFloorSnrDb (a third). Long pixels carry no such error: kept at that
// share, the filter only took their detail (Scottie DX's clean card 62 -> 57 dB).
constexpr double kShortPixelMs = 0.5, kLongPixelMs = 0.6, kShareFloorSnrDb = 55;

// The filter's share across lines for the leader's SNR and the shortest pixel (ms).
double filterShare(double snrDb, double pixelMs)
{
    const double faded = snrDb < kFilteredSnrDb ? std::min(1.0, std::pow(10.0, -(snrDb - kFadeFromSnrDb) / 20)) : 0.0;
    const double kept = std::min(1.0, std::pow(10.0, -(std::min(snrDb, kShareFloorSnrDb) - kFadeFromSnrDb) / 40));
    const double shortness = std::clamp((kLongPixelMs - pixelMs) / (kLongPixelMs - kShortPixelMs), 0.0, 1.0);
    return shortness * kept + (1 - shortness) * faded;
}
// The filter across lines keeps one-pixel detail from kWeakSnrDb, going over to it within
// kFineOverDb either side: the leader's SNR at 3 dB reads 1.9 to 4.2 by the noise's seed, and
// a step there set a photo's seeds 1.4 dB apart (spread table).
constexpr double kFineOverDb = 2;
// Below this SNR a period's fit is noisy enough that a redraw waits for a larger move.
constexpr double kNoisyFitSnrDb = 33;
// The filter's steps against clicks (its median and column means) are kept whole below
// kClicksSnrDb, and given up as the noise measured on the picture vanishes only from
// kNoClicksSnrDb: clicks (impulse noise) hardly move that measure, but they do the leader's.
constexpr double kClicksSnrDb = 28, kNoClicksSnrDb = 33;
// The colour filter weighs readings by their likeness to the area's colour (as in strong
// noise) below kColourClicksSnrDb, whatever the colour's measured noise, and follows that
// noise wholly from kColourNoClicksSnrDb: in light colour noise it weighs them by their
// likeness to the pixel's own colour, which keeps a clicked pixel's click. Clicks mostly
// leave the leader at 0-10 dB; plain noise that strong leaves the colour noisy enough for
// the filter to be as in strong noise anyway (a floor up to 18 dB cost PD90's card 1.4 dB).
constexpr double kColourClicksSnrDb = 12, kColourNoClicksSnrDb = 15;
// Luminance/colour-difference modes whose shortest pixel is shorter than this (ms) also read
// their luminance through the broad band while the picture band is narrowed for noise (in
// strong noise a narrowed one, FrontEnd::readBroad: whole, its noise hid even the columns'
// pulse-pair sums, and the test card gained nothing at 0 to 2 dB).
constexpr double kBroadReadPixelMs = 0.4;
// Audio lost in one gap for longer than this is not looked for at a picture's end: a sync
// train that stops earlier than that before the picture's end has stopped for good.
constexpr double kLongestGapMs = 5000;
// How sync-like a period may be and still hold no sync pulse (see SyncTracker::trainScore:
// noise reads -0.9 to 0.2, a sync at 3 dB 0.25 to 0.8, at 10 dB 0.7 and more).
constexpr double kNoPulse = 0.2;
// A doubtful header (one of its bits taken out by a crash) holds once its mode's syncs are
// found over the periods after its first that begin within this many ms of it (two at
// least, four at most; the first sync follows the header's stop bit at its own tone, with
// no step into it to find).
constexpr double kConfirmMs = 1200;
int confirmPeriods(const ModeInfo &m) { return std::clamp(int(kConfirmMs / m.periodMs), 2, 4); }
// A picture forced to start at its first line looks for each sync this far (ms) either side of
// where the folded train puts it.
constexpr double kFirstLineWindowMs = 5;
// ... and takes a sync that has no step into it when this much of its time is at its tone (as
// SyncTracker::pulseReading reads it: noise under 0.2).
constexpr double kFirstSyncTone = 0.7;
// How often the receiver takes its decisions (working samples: 23 ms at 11025 Hz).
constexpr int kDecisionStep = 256;
// On two paths (a copy of the signal a millisecond or a few late) some of the picture's tones
// arrive many dB weaker than the leader's, with the noise as strong (see toneLevels): the bands
// and filters follow the SNR of the weakest. The tones are read from the first sync on:
// over 1.5 s, a few periods of any mode (Martin 1: 3, Robot 36: 10) drawn twice at most;
constexpr double kToneReadMs = 1500;
// in bins of 100 Hz: a -3 dB echo 1 ms late passes tones 50 Hz off its notch 8 dB weak;
constexpr double kToneBinHz = 100;
// where the tone holds 1 ms either side (the decision band spreads a step over its 3 ms);
constexpr double kToneSteadyMs = 1;
// a bin counting once it holds 1 % of the steady samples read.
constexpr double kToneLeastShare = 0.01;
// Channels that pass every tone alike read their weakest up to 1.9 dB low (noise, spread tables).
constexpr double kToneSpreadDb = 3;
// Under 15 dB noise moves samples between bins: flat channels read down to -6 dB (noise table).
constexpr double kToneFromSnrDb = 15;
} // namespace


class RxMachine {
public:
    explicit RxMachine(double rate);

    enum class State { Idle, Header, Picture, Trailer };

    // configuration
    RxOptions opts;
    FrontEnd front;
    WorkingRate rate;
    KeptSignal kept;
    ToneMeter tones;
    VisDetector vis;
    FskIdReader fsk;
    SyncTracker sync;
    LineDecoder decoder;
    PictureComposer composer;
    SignalPresence presence;
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
    std::optional<VisEvent> heldVis;  // a doubtful header, until its line syncs are looked for

    bool active() const { return state == State::Header || state == State::Picture; }
    bool slanting() const { return opts.autoSlant || current.straightened; }
    bool resyncing() const { return opts.autoResync || current.straightened; }
    int64_t ms(double v) const { return rate.samples(v); }

    void process(const float *x, size_t n);
    void advance();
    void onVis(const VisEvent &e);
    // The held doubtful header started, once its mode's first syncs can be looked for and are
    // found (or the other mode its code may name, whose syncs are); dropped otherwise.
    void confirmHeld();
    bool syncsFound(int mode, const VisEvent &e);
    void onFskId(const std::string &text);
    // `snrDb`: the SNR the picture's bands and filters follow, where it is not its leader's
    // (see readTones)
    void startPicture(int mode, double firstSync, bool forced, double offset, double headerEnd,
                      std::optional<double> snrDb = std::nullopt);
    // Once the picture's first stretch has come: the SNR its weakest tone gets, its leader's
    // less as much as the channel passes that tone weaker than the leader's tone. Where that is
    // clearly lower, the picture is started again with it.
    void readTones();
    double breakToLeader(const VisEvent &e) const;
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
    bool work(int budget);
    void redrawSlice(int &budget);
    void finishRedraw();
    bool pending() const { return job.active || current.ending || !composerSettled; }
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

RxMachine::RxMachine(double inputRate)
    : front(inputRate), rate(front.rate()), kept(rate), tones(rate), vis(rate), fsk(rate)
{
}

void RxMachine::process(const float *x, size_t n)
{
    // Decisions are taken at fixed places in the signal, every kDecisionStep working samples,
    // whatever blocks it comes in: the bands a picture sets for its noise then take effect
    // at the same sample, and a weak picture's first lines come out the same whether a
    // busy sound card's reader hands over large blocks or small ones. (The places are put
    // off by the front end's look-ahead, so that they fall on the same working samples with
    // the broad band's mirror taken out as without.)
    const uint64_t step = uint64_t(kDecisionStep) * uint64_t(rate.decimation);
    const uint64_t lag = step - uint64_t(front.lookAhead()) * uint64_t(rate.decimation) % step;
    size_t i = 0;
    while (i < n) {
        const size_t chunk = std::min<uint64_t>(n - i, step - (inputCount + lag) % step);
        const FrontEndBlock &b = front.process(x + i, chunk);
        kept.append(b);
        tones.append(b.zn.data(), b.size());
        i += chunk;
        inputCount += chunk;
        if ((inputCount + lag) % step == 0) advance();
    }
}

void RxMachine::advance()
{
    while (auto e = vis.scan(tones, kept.view(), active())) {
        if (e->doubtful) {
            heldVis = *e;
            continue;
        }
        heldVis.reset();
        onVis(*e);
    }
    confirmHeld();
    while (auto id = fsk.scan(tones, kept.view())) onFskId(*id);
    if (state == State::Picture && !current.tonesRead && !current.ending &&
        double(kept.fAvail()) >= current.firstSync + kToneReadMs * rate.perMs)
        readTones();
    progress();
    if (!deferWork) finishWork();
    keepSignal();
}

void RxMachine::onFskId(const std::string &text)
{
    if (!opts.fskIdRx) return;
    // an ID after a picture is reported after the picture's end
    if (current.ending) {
        heldIds.push_back(text);
        return;
    }
    fskText = text;
    events |= RxFskId;
}

void RxMachine::finishWork()
{
    while (work(1 << 20)) {
    }
}

void RxMachine::finishRedraw()
{
    while (job.active) {
        int budget = 1 << 30;
        redrawSlice(budget);
        // the periods that waited for it (this may begin the next redraw)
        if (!job.active) progress();
    }
}

void RxMachine::onVis(const VisEvent &e)
{
    visSnrDb = e.snrDb;
    visBreakToLeader = breakToLeader(e);
    lastOffset = e.leaderHz - kLeaderHz;
    const double offset = opts.afc ? e.leaderHz - kLeaderHz : 0.0;
    if (active()) {
        // A header heard while a picture forced without one runs names the mode being sent.
        if (current.forced && current.headerMode < 0) current.headerMode = e.mode;
        // A recording decoded in a forced mode starts where a header of that mode says: what
        // the forced picture drew before it is the pause and the header, or (when it found
        // its syncs well before) a transmission of its own, which the header ends.
        if (current.forced && current.atFirstLine && e.mode == current.mode && !current.ending) {
            if (state == State::Picture && current.next > 0 && sync.periodPos(0) < e.headerStart) endPicture(e.headerStart);
            startPicture(e.mode, e.firstSync, false, offset, e.headerEnd);
            return;
        }
        if (!opts.autoRestart) return;
        // A repeated header right at the start of the same picture re-anchors it.
        if (!e.narrow && current.mode == e.mode && current.next == 0 && !current.forced && !current.ending) {
            const unsigned keepEvents = events;
            startPicture(e.mode, e.firstSync, false, offset, e.headerEnd);
            events = keepEvents;
            return;
        }
        endPicture(e.headerStart);
    }
    startPicture(e.mode, e.firstSync, false, offset, e.headerEnd);
}

void RxMachine::confirmHeld()
{
    if (!heldVis) return;
    if (active()) {
        heldVis.reset();
        return;
    }
    const VisEvent e = *heldVis;
    for (int mode : e.modes) {
        const ModeInfo &m = modeInfo(mode);
        const double last = e.firstSync + (confirmPeriods(m) * m.periodMs + std::max(10.0, m.syncMs) + m.syncMs + 5) * rate.perMs;
        if (m.hasSync() && last >= double(kept.fAvail())) return; // not yet
    }
    heldVis.reset();
    for (int mode : e.modes)
        if (syncsFound(mode, e)) {
            VisEvent confirmed = e;
            confirmed.mode = mode;
            confirmed.doubtful = false;
            confirmed.firstSync = e.firstSync + (modeInfo(mode).syncStartMs(0) - modeInfo(e.mode).syncStartMs(0)) * rate.perMs;
            onVis(confirmed);
            return;
        }
}

bool RxMachine::syncsFound(int mode, const VisEvent &e)
{
    const ModeInfo &m = modeInfo(mode);
    if (!m.hasSync() || m.startFromHeader) return false;
    SyncTracker probe;
    const double firstSync = e.firstSync + (m.syncStartMs(0) - modeInfo(e.mode).syncStartMs(0)) * rate.perMs;
    probe.start(m, rate, firstSync, opts.afc ? e.leaderHz - kLeaderHz : 0.0, true);
    probe.setSnr(e.snrDb);
    const SignalView s = kept.view();
    for (int k = 1; k <= confirmPeriods(m); ++k) {
        SyncMeas sm;
        probe.measure(s, probe.trackPos(k), std::max(10.0, m.syncMs) * rate.perMs, opts.syncAccuracy, sm);
        if (!sm.found) return false;
        probe.record(k, sm);
        probe.refit(true, true, false);
    }
    return true;
}

void RxMachine::startPicture(int mode, double firstSync, bool forced, double offset, double headerEnd,
                             std::optional<double> snrDb)
{
    finishWork(); // the picture before, drawn to its end
    kept.closeFile();
    const ModeInfo &m = modeInfo(mode);
    current = Picture();
    current.mode = mode;
    current.m = &m;
    current.forced = forced;
    current.headerMode = forced ? -1 : mode;
    current.headerEnd = headerEnd;
    current.drawnAt.assign(size_t(m.periods), 0.0);
    current.drawnClock.assign(size_t(m.periods), 1.0);
    current.presenceAt.assign(size_t(m.periods), -1e18);
    current.undecoded.assign(size_t(m.periods), 0);
    current.firstSync = firstSync;
    current.offset = offset;
    // (a picture not cleared at its start keeps the last one's rows under its lines until it
    // draws them, and a line taken back is cleared only where it was decoded; with the RX
    // buffer in a file, every period would be read back from it at the end, where the RAM
    // buffer holds the whole picture)
    current.decodeAtEnd = !composer.drawsWhileArriving() && opts.rxBuffer == 1 && opts.autoClear && (slanting() || resyncing());
    presence.start(m.periods);
    current.searchFrom = kept.avail();
    current.keepFrom = int64_t(std::floor(std::min(firstSync, forced ? double(kept.avail()) : firstSync) - m.leadMs * rate.perMs)) - ms(50);
    if (m.startFromHeader && !forced) current.keepFrom = int64_t(headerEnd) - ms(50);
    current.startSec = (forced ? double(kept.avail()) : firstSync - m.leadMs * rate.perMs) / rate.hz;
    sync.start(m, rate, firstSync, offset, !forced && !m.startFromHeader);
    state = forced || m.startFromHeader ? State::Header : State::Picture;
    curMode = mode;
    // The picture band, the reading of pixels and the filtering across lines follow the
    // signal-to-noise ratio measured on the VIS leader (Force RX has none: a clean signal is
    // assumed). Every line is also filtered across its neighbours (unless the DSP filter is
    // off), by an edge-keeping filter whose strength follows the noise it measures on the
    // picture itself, and the lines' alternation (see kFilteredSnrDb); above kWeakSnrDb that
    // filter keeps one-pixel detail.
    const double snr = forced || opts.dspFilter == 0 ? 99.0 : snrDb.value_or(visSnrDb);
    current.tonesRead = snrDb.has_value() || forced || opts.dspFilter == 0 || !m.hasSync() || m.startFromHeader ||
                        m.syncHz != kBreakHz || visBreakToLeader <= 0 || snr < kToneFromSnrDb;
    const double filterSnr = snr - (m.narrow ? kNarrowSnrShiftDb : 0.0);
    current.noisyFit = filterSnr < kNoisyFitSnrDb;
    double pixelMs = 0; // the shortest scan's time per sample
    for (const auto &lay : m.layouts)
        for (const Segment &seg : lay)
            if (seg.kind == SegmentKind::Scan && seg.samples > 0 && (pixelMs == 0 || seg.lengthMs / seg.samples < pixelMs))
                pixelMs = seg.lengthMs / seg.samples;
    // (Robot 36's colour pairs keep the broad band's mirror: clean, its test card gains 0.7 dB
    // without as much of it as the others lose, but another sender's photo loses 0.3 dB, all
    // of it on one row where the colour changes between the two lines of a pair and the
    // cleaner reading draws the pair's colour further into it)
    front.setPictureBand(snr, m.narrow, offset, m.colour == ColourEncoding::Rgb, pixelMs,
                         m.colour != ColourEncoding::YccAlternating, m.syncHz == kBreakHz);
    // Fine detail the narrowed band loses comes back from a second reading through the broad
    // band, which the filter across lines averages down the columns where it finds vertical
    // structure. Short luminance pixels (Robot 36, PD120) lose their finest detail, a grating
    // of 2 or 3 pixel bars, in the narrowed band; long ones keep it there and would only take
    // on the noise (PD90 lost). Red, green and blue scans are read through both at every SNR
    // the picture band is narrowed for: their picture band then narrows further for the
    // noise, and the broad band to what the columns need (FrontEnd::readBroad).
    front.readBroad(filterSnr < kFilteredSnrDb &&
                    (m.colour == ColourEncoding::Rgb ||
                     (m.colour != ColourEncoding::Grey && pixelMs < kBroadReadPixelMs)));
    sync.setSnr(snr);
    // Noise in the band adds its own lag-1 correlation to the pixel sums, a vector at the
    // band's centre frequency that pulls every pixel towards mid-grey (at 0 dB about a
    // quarter of the contrast). Its share of |z|^2 follows from the SNR measured on the
    // leader and the band filter's own noise bandwidth and correlation (taken from its taps:
    // a short filter's noise bandwidth is well below its nominal width, and taking the
    // nominal one overcorrects, stretching a weak picture's contrast and colour), and
    // pixelHz() subtracts it.
    auto noiseLag1Of = [&](bool broad) {
        const double nb = front.noiseBandwidthHz(broad) / 3000.0 * std::pow(10.0, -snr / 10.0); // noise/signal in band
        return cfloat(front.noiseLag1(broad) * (nb / (1 + nb)));
    };
    const cfloat noiseLag1 = front.noisyBand() ? noiseLag1Of(false) : 0;
    decoder.start(m, rate, m.exposedWidth, snr, offset, noiseLag1);
    composer.start(m, opts.dspFilter != 0, opts.autoClear,
                   float(std::clamp((snr - kWeakSnrDb + kFineOverDb) / (2 * kFineOverDb), 0.0, 1.0)),
                   opts.dspFilter != 0 ? float(filterShare(filterSnr, pixelMs)) : 0.0f,
                   float(std::clamp((kNoClicksSnrDb - filterSnr) / (kNoClicksSnrDb - kClicksSnrDb), 0.0, 1.0)),
                   float(std::clamp((kColourNoClicksSnrDb - filterSnr) / (kColourNoClicksSnrDb - kColourClicksSnrDb),
                                    0.0, 1.0)),
                   float(std::pow(10.0, -filterSnr / 10)));
    if (front.broadRead()) {
        decoder.readBroad(noiseLag1Of(true));
        composer.readBroad(rate.hz);
    }
    lastStartSec = current.startSec;
    lastSlantPpm = 0;
    events |= RxStarted;
    if (opts.rxBuffer == 2) kept.openFile(current.keepFrom);
}

void RxMachine::measureSlant()
{
    // the clock error, measured whether or not the picture was straightened with it
    lastSlantPpm = 0;
    if (state == State::Header || current.next == 0 || !current.m->hasSync()) return;
    const LineFit keep = sync.fit();
    sync.refit(true, resyncing(), current.forced);
    lastSlantPpm = sync.measuredPpm();
    sync.setFit(keep);
}

void RxMachine::endPicture(double cutAt)
{
    if (!active() || current.ending) return;
    // A header that ends the picture is found a second or so after it began, in the middle of
    // a decision step: the periods whose signal has come are decoded first.
    if (cutAt >= 0) progress();
    // a redraw under way is finished first, and the periods that waited for it decoded
    finishRedraw();
    if (!active() || current.ending) return;
    if (cutAt >= 0 && state == State::Picture) {
        // The periods drawn meanwhile from the header's tones are not the picture's: their
        // levels would decide its colour range, their syncs move its fit, and its last lines
        // be filtered with them. A period counts as the picture's while half of it came
        // before the header.
        double fromMs = 0, endMs = 0;
        decoder.extentMs(fromMs, endMs);
        int keep = current.next;
        while (keep > 0 && drawPos(keep - 1) + 0.5 * (fromMs + endMs) * rate.perMs * sync.clock() > cutAt) --keep;
        takeBack(keep);
        current.stopped = true;
    }
    current.ending = true;
    current.decodeAtEnd = false; // from here on every period placed is decoded
    // Final placement: the picture redrawn where the best fit moves it, when the buffer allows.
    if (state == State::Picture && current.m->hasSync()) placeAfterGap();
    if (state == State::Picture) {
        // The periods at the end whose signal never came (the sender or the recording stopped,
        // the band fell to noise or silence) are taken back: counted, reported and drawn
        // as if never received. Each is read again where the final fit moved it.
        for (int k = 0; k < current.next; ++k) readPresence(k, true);
        takeBack(presence.received(current.next, current.stopped));
    }
    if (state == State::Header && current.forced && current.atFirstLine) current.noStructure = true;
    if (state == State::Picture && current.forced && current.m->hasSync() && current.next > 0 &&
        !lineStructure(kept.view(), *current.m, sync, current.next).found) {
        // Forced in a mode whose line structure its signal does not show (another mode's
        // signal, or no signal): no picture, whatever was drawn.
        takeBack(0);
        current.noStructure = true;
    }
    if (state == State::Picture && current.next > 0 && (slanting() || resyncing())) beginRedraw(false);
    if (!job.active) decodeUndecoded();
    if (state == State::Picture) composer.end();
    composerSettled = false;
    if (!deferWork) finishWork();
}

void RxMachine::completeEnd()
{
    measureSlant();
    front.pictureEnded();
    current.ending = false;
    state = opts.rxBuffer == 0 ? State::Idle : State::Trailer;
    events |= RxEnded;
    finished.picture = composer.picture();
    finished.mode = current.mode;
    finished.lines = linesDrawn() * composer.rowsPerLine();
    finished.headerMode = current.headerMode;
    finished.lineStructure = !current.noStructure;
    finished.startSeconds = current.startSec;
    finished.slantPpm = lastSlantPpm;
    ++finished.count;
    for (const std::string &id : heldIds) {
        fskText = id;
        events |= RxFskId;
    }
    heldIds.clear();
}

bool RxMachine::work(int budget)
{
    // Does up to `budget` units of the work under way (a period decoded again costs 8, a line
    // drawn 1); true when some is left.
    while (job.active && budget > 0) {
        redrawSlice(budget);
        if (!job.active) progress();
    }
    if (job.active) return true;
    if (!composerSettled) {
        composerSettled = !composer.settle(budget);
        if (!composerSettled) return true;
    }
    if (current.ending) completeEnd();
    return false;
}

// Up to `budget` units of the redraw under way, taken off the budget.
void RxMachine::redrawSlice(int &budget)
{
    const ModeInfo &m = *current.m;
    while (job.remeasure && budget > 0) {
        if (job.k >= job.upTo) {
            sync.refit(slanting(), resyncing(), current.forced, true);
            if (job.measureSlant) lastSlantPpm = sync.measuredPpm();
            job.remeasure = false;
            job.k = 0;
            break;
        }
        double pred = sync.trackPos(job.k), win = sync.searchWindow(job.k);
        if (!sync.remeasureFound()) sync.widenBeforeFirst(pred, win);
        sync.remeasure(kept.view(int64_t(pred - win) - ms(10), int64_t(pred + win + m.syncMs * rate.perMs) + ms(5)),
                       job.k, opts.syncAccuracy);
        ++job.k;
        budget -= 1;
    }
    for (; !job.remeasure && job.k < job.upTo && budget > 0; ++job.k) {
        // (a period read as a clean signal's is, moved by a few thousandths of a millisecond,
        // would come out all but the same; a weak one's pixels are averaged over half a
        // millisecond and more either side, so a small move changes nothing that shows; but
        // drawing either again means filtering every line around it again)
        if (moved(job.k) <= (decoder.smoothing() > 0 ? kWeakStillMs : kCleanStillMs) * rate.perMs) {
            if (current.ending && current.undecoded[size_t(job.k)]) {
                decodePlaced(job.k);
                budget -= 8;
            }
            continue;
        }
        drawPeriod(job.k);
        budget -= 8;
    }
    if (!job.remeasure && job.k >= job.upTo) {
        if (current.ending) decodeUndecoded();
        job.active = false;
        current.lastRedraw = current.next;
        composerSettled = false;
    }
}

bool RxMachine::beginRedraw(bool remeasure, bool wholePicture)
{
    finishRedraw();
    if (opts.rxBuffer == 0 || current.m == nullptr || state == State::Header || current.next == 0) return false;
    job = Redraw();
    job.active = true;
    job.remeasure = remeasure && current.m->hasSync();
    job.upTo = current.next;
    if (job.remeasure) sync.beginRemeasure();
    else sync.refit(slanting(), resyncing(), current.forced, wholePicture);
    return true;
}

void RxMachine::decodePeriod(int k, double pos)
{
    current.drawnAt[size_t(k)] = pos;
    current.drawnClock[size_t(k)] = sync.clock();
    if (current.decodeAtEnd) {
        current.undecoded[size_t(k)] = 1;
        return;
    }
    decodePlaced(k);
}

void RxMachine::decodePlaced(int k)
{
    // the period's signal, with a margin for the pixel windows at its ends
    double lo = 0, hi = 0;
    decoder.extentMs(lo, hi);
    const double pos = current.drawnAt[size_t(k)];
    const SignalView s = kept.view(int64_t(pos + lo * rate.perMs) - ms(5), int64_t(pos + hi * rate.perMs) + ms(5));
    decoder.decode(s, k, pos, current.drawnClock[size_t(k)], composer);
    current.undecoded[size_t(k)] = 0;
    composerSettled = false;
}

void RxMachine::decodeUndecoded()
{
    for (int k = 0; k < current.next; ++k)
        if (current.undecoded[size_t(k)]) decodePlaced(k);
}

double RxMachine::moved(int k) const
{
    return decoder.moved(current.drawnAt[size_t(k)], current.drawnClock[size_t(k)], drawPos(k), sync.clock());
}

double RxMachine::drawPos(int k) const
{
    int q = sync.afterLost(k);
    if (q != k && current.m->layouts.size() == 2 && (q - k) % 2 != 0) ++q;
    return sync.periodPos(q < current.m->periods ? q : k);
}

void RxMachine::placeAfterGap()
{
    // Audio lost in a gap takes whole periods with it as well as the part of one that moved
    // the grid; the rest of the picture then comes that many periods early and its train
    // stops that many periods before the grid's end. When the train has stopped for good
    // (no sync pulse in any period left, and those not many), the periods after
    // the gap are moved down by as many: the sender sent the picture whole.
    const ModeInfo &m = *current.m;
    const SignalView s = kept.view();
    if (sync.afterGap() < 0 ? sync.findStep(s, opts.syncAccuracy) : sync.moveJumpBack())
        sync.refit(slanting(), resyncing(), current.forced);
    const int after = sync.afterGap();
    if (after < 0 || current.next < m.periods) return;
    const double level = std::max(sync.level(s, after), sync.level(s, after + 1));
    // Near 0 dB a true pulse reads under kNoPulse as often as not (from -0.4 to 0.7, about
    // 0.2 on average), and one period's reading would move the whole rest of the picture a
    // period down. A period counts as without its pulse only when it reads well under the
    // train's mean since the gap, as noise does (about -0.5).
    const double noPulse = std::min(kNoPulse, sync.trainScore(s, after, m.periods - 1, level) - 0.5);
    // the train's last sync: its pulse there, with the signal
    int last = m.periods - 1;
    while (last >= after && sync.trainScore(s, last, last, level) < noPulse) --last;
    const int missing = m.periods - 1 - last;
    if (last < after || missing < 1 || missing * m.periodMs > kLongestGapMs) return;
    sync.lengthenLastJump(missing);
    presence.moveOn(after, missing);
    sync.refit(slanting(), resyncing(), current.forced);
}

void RxMachine::findStart()
{
    const ModeInfo &m = *current.m;
    const double fAvail = double(kept.fAvail());
    if (m.startFromHeader && !current.forced) {
        if (current.headerEnd + (kAvtWords + 2.5) * 17 * kAvtBitMs * rate.perMs >= fAvail) return;
        sync.setStart(avtPictureStart(kept.view(), rate, current.headerEnd, decoder.offsetHz(), decoder.noiseLag1()));
    } else {
        if (double(current.searchFrom) + ((forcedFolds() + 0.2) * m.periodMs + m.syncMs + 10 + m.leadMs) * rate.perMs >= fAvail)
            return;
        // Force RX: find the sync phase by folding the edge score over several periods.
        const double from = double(current.searchFrom) + m.leadMs * rate.perMs;
        if (m.hasSync() && current.atFirstLine) {
            if (!findFirstLine(from)) return;
        } else {
            sync.setStart(m.hasSync() ? sync.phaseSearch(kept.view(), from, forcedFolds(), opts.syncAccuracy)
                                      : double(current.searchFrom));
        }
    }
    state = State::Picture;
}

bool RxMachine::findFirstLine(double from)
{
    // Until the folded syncs stand out as a train does, the search moves on a period at a
    // time (the signal before it is not kept for the picture); once they do, the picture
    // starts at the first of those periods whose sync is there.
    const SignalView s = kept.view();
    double pos = from;
    const double period = sync.nominalPeriod();
    if (sync.trainSearch(s, from, forcedFolds(), opts.syncAccuracy, pos) < SyncTracker::kTrainScore) {
        current.searchFrom += int64_t(period);
        current.keepFrom = current.searchFrom - ms(50);
        return false;
    }
    // (the phase is the folded syncs', which the first fold, where there may be none, places
    // to a millisecond or two: each sync is looked for a little either side; a sync right
    // after silence, with no step into it, is there when its tone is, at the train's level)
    double level = 0;
    auto there = [&](double at, double &found) {
        SyncMeas sm;
        if (sync.measure(s, at, ms(kFirstLineWindowMs), opts.syncAccuracy, sm) && sm.found) {
            found = sm.pos;
            return true;
        }
        if (level <= 0 || sync.pulseReading(s, at) < kFirstSyncTone || sync.levelAt(s, at) < 0.5 * level) return false;
        found = at;
        return true;
    };
    double found = pos;
    int k = 0;
    while (k < forcedFolds() && !there(pos + k * period, found)) ++k;
    pos = found;
    level = sync.levelAt(s, pos);
    while (pos - period >= from && there(pos - period, found)) pos = found;
    // the picture's start, as a header would have placed it
    current.startSec = lastStartSec = (pos - current.m->leadMs * rate.perMs) / rate.hz;
    sync.setStart(pos);
    return true;
}

void RxMachine::redecodeDrawn(int upTo, bool onlyWhereKept)
{
    // Lines drawn before a layout decision, decoded again (where their signal is still kept).
    double lo = 0, hi = 0;
    decoder.extentMs(lo, hi);
    const SignalView s = kept.view();
    for (int j = 0; j < upTo; ++j) {
        const double pos = current.drawnAt[size_t(j)];
        if (!onlyWhereKept || s.has(int64_t(pos + lo * rate.perMs) - 2, int64_t(pos + hi * rate.perMs) + 2))
            decodePeriod(j, pos);
    }
}

void RxMachine::readPresence(int k, bool whereMoved)
{
    const double pos = drawPos(k);
    if (whereMoved && std::fabs(pos - current.presenceAt[size_t(k)]) < ms(1)) return;
    double fromMs = 0, endMs = 0;
    decoder.extentMs(fromMs, endMs);
    const double perMs = rate.perMs * sync.clock(), a = pos + fromMs * perMs, b = pos + endMs * perMs;
    const SignalView s = kept.view(int64_t(a) - 1, int64_t(b) + 1);
    if (!s.has(int64_t(a), int64_t(b))) return;
    presence.read(s, k, a, b);
    current.presenceAt[size_t(k)] = pos;
}

void RxMachine::takeBack(int keep)
{
    if (keep >= current.next) return;
    current.next = std::max(keep, 0);
    sync.forget(current.next);
    composer.forget(current.next * current.m->linesPerPeriod);
    sync.refit(slanting(), resyncing(), current.forced);
}

void RxMachine::progress()
{
    if (!active() || current.ending || job.active) return;
    if (state == State::Header) {
        findStart();
        if (state == State::Header) return;
    }
    const ModeInfo &m = *current.m;
    const SignalView s = kept.view();
    // end of period content relative to its sync
    double fromMs = 0, endMs = 0;
    decoder.extentMs(fromMs, endMs);
    const double perMs = rate.perMs;
    const double winEarly = std::max(10.0, m.syncMs) * perMs;
    const double winLate = (opts.syncAccuracy >= 2 ? 3.0 : opts.syncAccuracy == 1 ? 5.0 : 8.0) * perMs;
    const bool hasSync = m.hasSync();
    while (current.next < m.periods) {
        const int k = current.next;
        double pred = hasSync ? sync.trackPos(k) : sync.periodPos(k);
        double win = (k < 8 || sync.missRun() >= 3) ? winEarly : winLate;
        if (hasSync && sync.lastGood() < 0) sync.widenBeforeFirst(pred, win);
        // The sync is looked for where the syncs lead, the period drawn where the fit puts it;
        // with slant correction off and the clock off the two part, and both must be there.
        const double needSync = pred + win + m.syncMs * perMs + 2 * perMs;
        const double drawFrom = std::max(pred, sync.periodPos(k));
        const double needData = std::max(needSync, drawFrom + endMs * perMs * sync.clock() + win + 2 * perMs);
        if (needData >= double(kept.fAvail())) break;
        if (hasSync) {
            SyncMeas sm;
            sync.measure(s, pred, win, opts.syncAccuracy, sm);
            sync.record(k, sm);
            if (sm.found) sync.refit(slanting(), resyncing(), current.forced);
            pred = sync.periodPos(k);
            if (decoder.checkSyncLength(s, k, sm.found ? sm.pos : pred, sync)) redecodeDrawn(k, true);
            if (decoder.checkShortenedScans(s, k, sync)) redecodeDrawn(k, true);
            if (current.forced && decoder.checkAlternation(s, k, pred)) {
                composer.setAlternation(decoder.alternation());
                redecodeDrawn(k, false);
            }
        } else {
            // no sync (AVT): the signal's presence is judged from the envelope
            const int64_t a = int64_t(pred), b = int64_t(pred + sync.nominalPeriod());
            double meanAbs = 0, meanSquare = 0;
            for (int64_t i = a; i < b; ++i) {
                const double v = std::abs(s.zAt(i));
                meanAbs += v;
                meanSquare += v * v;
            }
            const double n = double(std::max<int64_t>(1, b - a));
            meanAbs /= n;
            meanSquare /= n;
            sync.recordPresence(k, meanAbs > 1e-4 && meanSquare / (meanAbs * meanAbs) - 1 < 0.12);
        }
        drawPeriod(k);
        readPresence(k);
        ++current.next;
        // A picture that has started runs to its end unless its signal truly ends: after no
        // sync for a second and a half (and four periods at least) the sync train is looked
        // for over those periods at every phase (and, until the syncs have set the line's
        // slope, at every period a sound card's clock may give). Still there (a weak signal,
        // or the grid moved by audio lost in a gap), the grid follows it and the missed
        // periods are drawn again where it is; gone, the picture ends after its last sync.
        // A weak picture none of whose syncs has yet come up to the mark is looked for so
        // too, from its first period on (it ended with no line at all).
        const int lostAfter = std::max(4, int(std::ceil(1500.0 / m.periodMs)));
        if (hasSync && sync.missRun() >= lostAfter) {
            const int from = sync.lastGood() + 1;
            if (sync.regain(s, from, k, opts.syncAccuracy)) {
                // A gap longer than a period of a mode whose periods alternate (Robot 36's
                // colour-difference lines) shows in the separators: all the wrong way round
                // means one period more was lost.
                if (sync.regainJumped() && m.layouts.size() == 2) {
                    int same = 0, swapped = 0;
                    for (int j = std::max(from, sync.afterGap()); j <= k; ++j) {
                        const int l = decoder.layoutAt(s, sync.trackPos(j));
                        if (l >= 0) ++(l == (j + decoder.alternation()) % 2 ? same : swapped);
                    }
                    if (swapped > 2 * same) sync.lengthenLastJump();
                }
                sync.refit(slanting(), resyncing(), current.forced);
                for (int j = from; j <= k; ++j) {
                    drawPeriod(j);
                    readPresence(j);
                }
            }
        }
        // After a gap the train may stop early only because whole periods were lost in it:
        // such a picture waits for the grid's end to tell (placeAfterGap).
        const bool afterGap = sync.afterGap() >= 0 && (m.periods - 1 - sync.lastGood()) * m.periodMs <= kLongestGapMs;
        if (opts.autoStop && sync.missRun() >= lostAfter && !afterGap) {
            takeBack(sync.lastGood() + 1);
            current.stopped = true;
            endPicture();
            return;
        }
        // Redraw when the fit has moved lines already drawn: at the earliest after 8 periods,
        // and then only once as many periods have come as had been drawn at the last redraw,
        // so that all the redraws of a picture together cost at most one more decoding of
        // it (a fit that keeps moving, as it does with slant correction off and the clock
        // off, would otherwise redraw the whole picture every few lines).
        if (hasSync && opts.rxBuffer != 0 && (slanting() || resyncing()) && !job.active &&
            current.next - current.lastRedraw >= std::max(8, current.lastRedraw)) {
            double worst = 0;
            for (int j = 0; j < current.next; ++j) worst = std::max(worst, moved(j));
            // (a weak signal's pixels are averaged over half a millisecond or more, and its
            // redraw, filters and all, costs far more: it waits for a larger move)
            if (worst > (current.noisyFit ? 0.25 : 0.08) * perMs && beginRedraw(false)) {
                if (deferWork) return;
                for (int budget = 1 << 30; job.active;) redrawSlice(budget);
            }
        }
    }
    if (current.next >= m.periods) endPicture();
}

void RxMachine::readTones()
{
    current.tonesRead = true;
    const ModeInfo &m = *current.m;
    const double offset = decoder.offsetHz();
    const SignalView s = kept.view();
    // each sync's amplitude over the second half of its pulse (a late copy of the tone before
    // it reaches into the first)
    std::vector<std::pair<double, double>> syncs;
    const double syncLength = m.syncMs * rate.perMs;
    for (int k = 0; k < current.next; ++k) {
        const double at = sync.periodPos(k) + 0.75 * syncLength;
        syncs.emplace_back(at, medianAmplitude(s, int64_t(at - 0.25 * syncLength), int64_t(at + 0.25 * syncLength)));
    }
    const int64_t a = int64_t(current.firstSync);
    const ToneLevels t = toneLevels(s, a, a + ms(kToneReadMs), offset, std::min(m.blackHz(), kLeaderHz), kWhiteHz,
                                    kToneBinHz, kToneSteadyMs, syncs);
    // Each tone's power as the channel passes it, against the leader's: the syncs' tone is the
    // header's break tone, read against the leader there (the decision band's own gain taken
    // out). The noise's power is left in: where it is strong it fills a notch, and the tone is
    // read no weaker than the noise leaves it.
    const double toLeader = std::fabs(front.decisionGain(m.syncHz + offset)) * visBreakToLeader;
    const int least = std::max(1, int(kToneLeastShare * t.total));
    double weakest = 0; // dB
    for (size_t k = 0; k < t.level.size(); ++k) {
        if (t.count[k] < least) continue;
        const double g = std::max(1e-6, std::fabs(front.decisionGain(t.fromHz + double(k) * t.stepHz + offset)));
        weakest = std::min(weakest, 10 * std::log10(std::max(1e-9, t.level[k] * toLeader * toLeader) / (g * g)));
    }
    if (weakest > -kToneSpreadDb) return;
    const unsigned keepEvents = events; // (the same picture, started once)
    startPicture(current.mode, current.firstSync, false, current.offset, current.headerEnd, visSnrDb + weakest);
    events = keepEvents;
}

double RxMachine::breakToLeader(const VisEvent &e) const
{
    if (e.narrow) return 0;
    // (the start bit and the leader before it, their ends left out: a late copy of the tone
    // before, and the band's own reach)
    const double startBit = e.headerStart + (2 * kVisLeaderMs + kVisBreakMs) * rate.perMs;
    const SignalView s = kept.view();
    const double bit = medianAmplitude(s, int64_t(startBit) + ms(5), int64_t(startBit) + ms(25));
    const double leader = medianAmplitude(s, int64_t(startBit) - ms(280), int64_t(startBit) - ms(20));
    const double gBreak = std::fabs(front.decisionGain(kBreakHz + e.leaderHz - kLeaderHz)),
                 gLeader = std::fabs(front.decisionGain(e.leaderHz));
    return bit > 0 && leader > 0 && gBreak > 0 ? bit / gBreak / (leader / gLeader) : 0;
}

void RxMachine::keepSignal()
{
    int64_t keep = kept.avail() - ms(3000);
    if (active()) {
        if (opts.rxBuffer == 1 || state == State::Header) keep = std::min(keep, current.keepFrom);
        else keep = std::min(keep, int64_t(sync.periodPos(current.next) - current.m->leadMs * rate.perMs - sync.nominalPeriod()) - ms(100));
    } else if (state == State::Trailer && opts.rxBuffer == 1) {
        // the last picture stays available for a redraw for a minute after its end
        if (double(kept.avail()) < double(current.keepFrom) + sync.nominalPeriod() * current.m->periods + 60 * rate.hz)
            keep = std::min(keep, current.keepFrom);
        else
            state = State::Idle;
    }
    if (kept.hasFile() && active()) {
        // the file holds the picture's own signal, up to its end
        kept.flushFile();
        keep = std::min(keep, kept.fileEnd() - ms(10));
    }
    kept.release(keep);
}

// ---------------------------------------------------------------- public interface

Receiver::Receiver(double sampleRate) : machine_(std::make_unique<RxMachine>(sampleRate)) {}
Receiver::~Receiver() = default;

void Receiver::setOptions(const RxOptions &o)
{
    machine_->opts = o;
    machine_->opts.syncAccuracy = std::clamp(o.syncAccuracy, 0, 2);
    machine_->opts.rxBuffer = std::clamp(o.rxBuffer, 0, 2);
    machine_->opts.demodulator = std::clamp(o.demodulator, 0, 2);
    machine_->opts.dspFilter = std::clamp(o.dspFilter, 0, 3);
    FrontEndSettings f = machine_->front.settings();
    f.dspFilter = machine_->opts.dspFilter;
    f.demodulator = machine_->opts.demodulator;
    f.lmsSmoothing = machine_->opts.lmsSmoothing;
    machine_->front.configure(f);
}
RxOptions Receiver::options() const { return machine_->opts; }
void Receiver::setLms(int mode)
{
    FrontEndSettings f = machine_->front.settings();
    f.lms = std::clamp(mode, 0, 3);
    machine_->front.configure(f);
}
int Receiver::lms() const { return machine_->front.settings().lms; }
void Receiver::setNotch(double hz) { machine_->front.setNotch(hz); }
double Receiver::notch() const { return machine_->front.settings().notchHz; }
void Receiver::process(const float *samples, size_t n) { machine_->process(samples, n); }
void Receiver::setFrontEndTap(rx::FrontEndTap *tap) { machine_->front.setTap(tap); }
unsigned Receiver::takeEvents()
{
    const unsigned e = machine_->events;
    machine_->events = 0;
    return e;
}
void Receiver::startScan(int mode, ForcedStart start)
{
    if (!validMode(mode)) return;
    machine_->heldVis.reset();
    if (machine_->active()) machine_->endPicture();
    machine_->startPicture(mode, double(machine_->kept.avail()), true, 0.0, 0.0);
    machine_->current.atFirstLine = start == ForcedStart::FirstLine;
}
void Receiver::stopScan()
{
    if (machine_->active()) machine_->endPicture();
}
void Receiver::setDeferWork(bool defer)
{
    machine_->deferWork = defer;
    if (!defer) machine_->finishWork();
}
bool Receiver::work(int budget) { return machine_->work(budget); }
void Receiver::setDrawWhileArriving(bool on) { machine_->composer.drawWhileArriving(on); }
bool Receiver::workPending() const { return machine_->pending(); }
bool Receiver::receiving() const { return machine_->active(); }
int Receiver::mode() const { return machine_->curMode; }
int Receiver::linesReceived() const
{
    if (!machine_->current.m) return 0;
    return machine_->linesDrawn() * machine_->composer.rowsPerLine();
}
const RgbImage &Receiver::picture() const { return machine_->composer.picture(); }
int Receiver::dirtyFrom() const { return machine_->composer.dirtyFrom(); }
int Receiver::dirtyTo() const { return machine_->composer.dirtyTo(); }
void Receiver::clearDirty() { machine_->composer.clearDirty(); }
std::string Receiver::fskId() const { return machine_->fskText; }
bool Receiver::resync()
{
    if (machine_->state == RxMachine::State::Idle || !machine_->beginRedraw(true)) return false;
    if (!machine_->deferWork) machine_->finishWork();
    return true;
}
bool Receiver::correctSlant()
{
    if (machine_->state == RxMachine::State::Idle || !machine_->current.m || !machine_->current.m->hasSync()) return false;
    machine_->finishRedraw();
    const bool before = machine_->current.straightened;
    machine_->current.straightened = true;
    if (!machine_->beginRedraw(true)) {
        machine_->current.straightened = before;
        return false;
    }
    machine_->job.measureSlant = true;
    if (!machine_->deferWork) machine_->finishWork();
    return true;
}
double Receiver::slantPpm() const { return machine_->lastSlantPpm; }
const Receiver::Finished &Receiver::lastFinished() const { return machine_->finished; }
double Receiver::sampleRate() const { return machine_->rate.input; }
double Receiver::pictureStartSeconds() const { return machine_->lastStartSec; }
double Receiver::tuningOffsetHz() const { return machine_->lastOffset; }
uint64_t Receiver::samplesProcessed() const { return machine_->inputCount; }
size_t Receiver::keptSignalBytes() const { return machine_->kept.bytesTaken(); }

} // namespace vareror::core
