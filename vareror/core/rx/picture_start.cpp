// Where pictures start: the headers heard (a doubtful one held until its syncs are found), the
// start of a picture forced without one (Force RX's phase search, a recording's first line), and
// each picture's reading set up for the SNR measured on its leader.
#include "rx_machine.h"

#include "modes.h"
#include "tone_levels.h"

#include <algorithm>
#include <cmath>

namespace vareror::core {

using namespace rx;

namespace {
// The filter across lines follows the noise it measures on the picture, and that measure never
// quite vanishes (some of it is texture): its share also falls with the noise's amplitude as read
// on the leader, except where lines alternate against their neighbours (the band's mirror in a
// clean decode's finest gratings: PictureComposer::alternationGate), where it works whole.
constexpr double kFadeFromSnrDb = 35; // dB: the share falls from here with the noise's amplitude (noise)
constexpr double kFilteredSnrDb = 70; // dB: 2 % left here, none above; the broad band read below (noise)
// Pixels of 0.5 ms and less (going over to 0.6 ms) carry an error turning with the carrier's phase, which
// the filter averages out: their share falls as the noise's root, no further than at 55 dB (modes, noise).
constexpr double kShortPixelMs = 0.5, kLongPixelMs = 0.6, kShareFloorSnrDb = 55;

// The filter's share across lines for the leader's SNR and the shortest pixel (ms).
double filterShare(double snrDb, double pixelMs)
{
    const double faded = snrDb < kFilteredSnrDb ? std::min(1.0, std::pow(10.0, -(snrDb - kFadeFromSnrDb) / 20)) : 0.0;
    const double kept = std::min(1.0, std::pow(10.0, -(std::min(snrDb, kShareFloorSnrDb) - kFadeFromSnrDb) / 40));
    const double shortness = std::clamp((kLongPixelMs - pixelMs) / (kLongPixelMs - kShortPixelMs), 0.0, 1.0);
    return shortness * kept + (1 - shortness) * faded;
}
// dB either side of kWeakSnrDb over which one-pixel detail comes in: a 3 dB leader reads 1.9-4.2 by seed (spread).
constexpr double kFineOverDb = 2;
// dB below which a fit is noisy, and a redraw waits for a 0.25 ms move, not 0.08 (the filter's old limit).
constexpr double kNoisyFitSnrDb = 33;
// dB: the median and column means against clicks are whole below 28, and fade with the picture's noise only
// from 33: clicks hardly move that measure, but they do the leader's (conditions: clicks).
constexpr double kClicksSnrDb = 28, kNoClicksSnrDb = 33;
// dB: the colour filter weighs readings by the area's colour below 12, and follows the colour's noise from 15:
// clicks leave the leader at 0-10 dB, where plain noise needs that weighing anyway (conditions: clicks).
constexpr double kColourClicksSnrDb = 12, kColourNoClicksSnrDb = 15;
// ms: colour-difference modes with shorter pixels read luminance through the broad band too (noise).
constexpr double kBroadReadPixelMs = 0.4;
// ms after a doubtful header whose syncs (2 to 4 periods) must be found for it to hold (crashes).
constexpr double kConfirmMs = 1200;
int confirmPeriods(const ModeInfo &m) { return std::clamp(int(kConfirmMs / m.periodMs), 2, 4); }
// ms either side of where the folded train puts it that a forced picture's first sync is looked for (forced).
constexpr double kFirstLineWindowMs = 5;
// Share of its time at the tone a first sync with no step into it needs; noise reads under 0.2 (forced).
constexpr double kFirstSyncTone = 0.7;
// How sync-like the stretch after a first sync may read: a line's porch and picture read -1, a header's
// bits (1100 to 1300 Hz, each sync-like) 1; a recording that starts in its header took its start bit
// or a bit of its code for the first line's sync, two periods early in Robot 36 (forced).
constexpr double kAfterSyncTone = 0;
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
    // The picture band, the reading of pixels and the filter across lines follow the SNR
    // measured on the VIS leader (Force RX has none: a clean signal is assumed).
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
    // (Robot 36's colour pairs keep the broad band's mirror: without it, the cleaner reading draws
    // a pair's colour further into a row where the colour changes between its two lines)
    front.setPictureBand(snr, m.narrow, offset, m.colour == ColourEncoding::Rgb, pixelMs,
                         m.colour != ColourEncoding::YccAlternating, m.syncHz == kBreakHz);
    // Fine detail the narrowed band loses comes back from a second reading through the broad
    // band, averaged down the columns where the filter across lines finds vertical structure:
    // for short luminance pixels (2-3 pixel gratings; long ones would only take on its noise)
    // and for every red, green and blue scan (FrontEnd::readBroad).
    front.readBroad(filterSnr < kFilteredSnrDb &&
                    (m.colour == ColourEncoding::Rgb ||
                     (m.colour != ColourEncoding::Grey && pixelMs < kBroadReadPixelMs)));
    sync.setSnr(snr);
    // Noise in the band adds its own lag-1 correlation to the pixel sums, a vector at the band's
    // centre that pulls every pixel towards mid-grey; its share of |z|^2 follows from the leader's
    // SNR and the band filter's noise bandwidth and correlation (from its taps: a short filter's
    // is well below its nominal width), and pixelHz() subtracts it.
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
    // A sync ends a sync's length after it starts: the tone after it is no longer its.
    double level = 0;
    const double pulse = current.m->syncMs * rate.perMs;
    auto ends = [&](double at) { return sync.pulseReading(s, at + pulse) < kAfterSyncTone; };
    auto there = [&](double at, double &found) {
        SyncMeas sm;
        if (sync.measure(s, at, ms(kFirstLineWindowMs), opts.syncAccuracy, sm) && sm.found && ends(sm.pos)) {
            found = sm.pos;
            return true;
        }
        if (level <= 0 || sync.pulseReading(s, at) < kFirstSyncTone || sync.levelAt(s, at) < 0.5 * level || !ends(at))
            return false;
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

void RxMachine::readTonesWhenDue()
{
    if (state == State::Picture && !current.tonesRead && !current.ending &&
        double(kept.fAvail()) >= current.firstSync + kToneReadMs * rate.perMs)
        readTones();
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

} // namespace vareror::core
