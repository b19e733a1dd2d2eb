#include "receiver.h"

#include "modes.h"
#include "rx/line_structure.h"
#include "rx/rx_machine.h"

#include <algorithm>
#include <cmath>

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
// The state machine (RxMachine: rx/rx_machine.h, below, and rx/picture_start.cpp for how its
// pictures start) is the only place that starts and ends pictures:
//   Idle -> (VIS, or Force RX) -> Header -> Picture -> Trailer -> Idle
// Header: the picture's start is still being found (Force RX's phase search, AVT 90's header
// words); a VIS of a mode with line syncs goes straight to Picture. Trailer: the picture has
// ended and its signal is still kept, so it can be drawn again (a minute with the RX buffer
// in RAM, until the next picture with a file).

namespace vareror::core {

using namespace rx;

namespace {
// Fit moves (ms) a drawn period is not redrawn for, a redraw refiltering the 15 lines around it:
// weak pixels are averaged over 0.5 ms and more, a clean one shows a tenth of a sample (noise, speed).
constexpr double kWeakStillMs = 0.05, kCleanStillMs = 0.003;
// ms: the longest audio gap looked for at a picture's end; a train that stops earlier has ended (losses).
constexpr double kLongestGapMs = 5000;
// SyncTracker::trainScore with no pulse: noise reads -0.9 to 0.2, a sync at 3 dB 0.25 to 0.8 (losses).
constexpr double kNoPulse = 0.2;
// Working samples between the receiver's decisions (23 ms at 11025 Hz), at fixed places in the signal.
constexpr int kDecisionStep = 256;
} // namespace

RxMachine::RxMachine(double inputRate)
    : front(inputRate), rate(front.rate()), kept(rate), tones(rate), vis(rate), fsk(rate)
{
}

void RxMachine::process(const float *x, size_t n)
{
    // Decisions are taken every kDecisionStep working samples whatever blocks the signal comes
    // in, so a picture's bands take effect at the same sample for large blocks and small. (The
    // places are put off by the front end's look-ahead: the same with the mirror taken out as not.)
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
    readTonesWhenDue();
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

void RxMachine::setOptions(const RxOptions &o)
{
    opts = o;
    opts.syncAccuracy = std::clamp(o.syncAccuracy, 0, 2);
    opts.rxBuffer = std::clamp(o.rxBuffer, 0, 2);
    opts.demodulator = std::clamp(o.demodulator, 0, 2);
    opts.dspFilter = std::clamp(o.dspFilter, 0, 3);
    FrontEndSettings f = front.settings();
    f.dspFilter = opts.dspFilter;
    f.demodulator = opts.demodulator;
    f.lmsSmoothing = opts.lmsSmoothing;
    front.configure(f);
}

void RxMachine::setLms(int mode)
{
    FrontEndSettings f = front.settings();
    f.lms = std::clamp(mode, 0, 3);
    front.configure(f);
}

unsigned RxMachine::takeEvents()
{
    const unsigned e = events;
    events = 0;
    return e;
}

void RxMachine::startScan(int mode, bool atFirstLine)
{
    heldVis.reset();
    if (active()) endPicture();
    startPicture(mode, double(kept.avail()), true, 0.0, 0.0);
    current.atFirstLine = atFirstLine;
}

void RxMachine::stopScan()
{
    if (active()) endPicture();
}

bool RxMachine::resync()
{
    if (state == State::Idle || !beginRedraw(true)) return false;
    if (!deferWork) finishWork();
    return true;
}

bool RxMachine::correctSlant()
{
    if (state == State::Idle || !current.m || !current.m->hasSync()) return false;
    finishRedraw();
    const bool before = current.straightened;
    current.straightened = true;
    if (!beginRedraw(true)) {
        current.straightened = before;
        return false;
    }
    job.measureSlant = true;
    if (!deferWork) finishWork();
    return true;
}

void RxMachine::setDeferWork(bool defer)
{
    deferWork = defer;
    if (!defer) finishWork();
}

// ---------------------------------------------------------------- public interface

Receiver::Receiver(double sampleRate) : machine_(std::make_unique<RxMachine>(sampleRate)) {}
Receiver::~Receiver() = default;

void Receiver::setOptions(const RxOptions &o) { machine_->setOptions(o); }
RxOptions Receiver::options() const { return machine_->options(); }
void Receiver::setLms(int mode) { machine_->setLms(mode); }
int Receiver::lms() const { return machine_->lms(); }
void Receiver::setNotch(double hz) { machine_->setNotch(hz); }
double Receiver::notch() const { return machine_->notch(); }
void Receiver::process(const float *samples, size_t n) { machine_->process(samples, n); }
void Receiver::setFrontEndTap(rx::FrontEndTap *tap) { machine_->setFrontEndTap(tap); }
unsigned Receiver::takeEvents() { return machine_->takeEvents(); }
void Receiver::startScan(int mode, ForcedStart start)
{
    if (validMode(mode)) machine_->startScan(mode, start == ForcedStart::FirstLine);
}
void Receiver::stopScan() { machine_->stopScan(); }
void Receiver::setDeferWork(bool defer) { machine_->setDeferWork(defer); }
bool Receiver::work(int budget) { return machine_->work(budget); }
void Receiver::setDrawWhileArriving(bool on) { machine_->setDrawWhileArriving(on); }
bool Receiver::workPending() const { return machine_->pending(); }
bool Receiver::receiving() const { return machine_->active(); }
int Receiver::mode() const { return machine_->mode(); }
int Receiver::linesReceived() const { return machine_->linesReceived(); }
const RgbImage &Receiver::picture() const { return machine_->picture(); }
int Receiver::dirtyFrom() const { return machine_->dirtyFrom(); }
int Receiver::dirtyTo() const { return machine_->dirtyTo(); }
void Receiver::clearDirty() { machine_->clearDirty(); }
std::string Receiver::fskId() const { return machine_->fskId(); }
bool Receiver::resync() { return machine_->resync(); }
bool Receiver::correctSlant() { return machine_->correctSlant(); }
double Receiver::slantPpm() const { return machine_->slantPpm(); }
const Receiver::Finished &Receiver::lastFinished() const { return machine_->lastFinished(); }
double Receiver::sampleRate() const { return machine_->sampleRate(); }
double Receiver::pictureStartSeconds() const { return machine_->pictureStartSeconds(); }
double Receiver::tuningOffsetHz() const { return machine_->tuningOffsetHz(); }
uint64_t Receiver::samplesProcessed() const { return machine_->samplesProcessed(); }
size_t Receiver::keptSignalBytes() const { return machine_->keptSignalBytes(); }

} // namespace vareror::core
