#pragma once
// Helpers of the receiver's tests: feeding a receiver and collecting what it reports, our own
// transmissions, and one built straight from the mode table with full-range colour.
#include "encoder.h"
#include "modes.h"
#include "receiver.h"
#include "signal_tools.h"

#include <QString>

#include <string>
#include <utility>
#include <vector>

namespace vareror::rxtest {

using namespace vareror::core;

constexpr double kTwoPiTest = 6.283185307179586;

// The full-range conversion some encoders use, as published (Y 0..255).
struct FullRange {
    double y, cr, cb;
};
inline FullRange fullRange(double r, double g, double b)
{
    const double y = 0.299 * r + 0.587 * g + 0.114 * b;
    return {y, 128 + (r - y) / 1.402, 128 + (b - y) / 1.772};
}

struct Run {
    unsigned events = 0;
    int starts = 0, ends = 0, fskIds = 0;
    std::vector<core::Receiver::Finished> pictures;
    std::string fskId;
};

inline Run feed(core::Receiver &rx, const std::vector<float> &a, size_t chunk = 2048)
{
    Run r;
    for (size_t p = 0; p < a.size(); p += chunk) {
        rx.process(a.data() + p, std::min(chunk, a.size() - p));
        const unsigned e = rx.takeEvents();
        r.events |= e;
        if (e & RxStarted) ++r.starts;
        if (e & RxEnded) {
            ++r.ends;
            r.pictures.push_back(rx.lastFinished());
        }
        if (e & RxFskId) {
            ++r.fskIds;
            r.fskId = rx.fskId();
        }
    }
    return r;
}

inline std::vector<float> transmission(int mode, const RgbImage &pic, double rate, bool fsk = false,
                                double clock = 1.0, double leadSeconds = 0.5)
{
    TxRequest rq;
    rq.mode = mode;
    rq.picture = pic;
    rq.sampleRate = rate;
    rq.clockFactor = clock;
    rq.fskId = fsk;
    rq.idText = "T0VAR";
    std::vector<float> a(size_t(leadSeconds * rate), 0.0f);
    const auto tx = encodeAll(rq);
    a.insert(a.end(), tx.begin(), tx.end());
    a.resize(a.size() + size_t(rate * 1.5), 0.0f);
    return a;
}

inline QString pictures() { return QStringLiteral(TEST_SIGNALS_DIR "/pictures/"); }

// A transmission built straight from the mode table (header and every period's layout) by a
// phase-continuous oscillator, colour-converted with the full-range formulas as some other
// encoders do (Y 0..255). `pic` is at the mode's native size. `scanCutMs`: each scan sent
// that much short and black for the rest (as some Scottie senders do); `clock`: the sender's
// clock against the receiver's (above 1: slow, its picture longer).
inline std::vector<float> fullRangeTransmission(int mode, const RgbImage &pic, double rate, double scanCutMs = 0,
                                                double clock = 1.0)
{
    const ModeInfo &mi = modeInfo(mode);
    std::vector<std::pair<double, double>> steps; // (ms, Hz), back to back
    for (const auto &t : mi.header) steps.emplace_back(t.ms, t.hz);
    double lastHz = kBlackHz;
    for (int k = 0; k < mi.periods; ++k)
        for (const Segment &seg : mi.layout(k)) {
            if (seg.kind == SegmentKind::Tone) { steps.emplace_back(seg.lengthMs, lastHz = seg.hz); continue; }
            if (seg.kind == SegmentKind::Hold) { steps.emplace_back(seg.lengthMs, lastHz); continue; }
            const int row = std::min(pic.height - 1, k * mi.linesPerPeriod + seg.line);
            for (int i = 0; i < seg.samples; ++i) {
                const uint8_t *px = pic.pixel(std::min(pic.width - 1, (i * pic.width + pic.width / 2) / seg.samples), row);
                const FullRange c = fullRange(px[0], px[1], px[2]);
                double v = px[1];
                switch (seg.channel) {
                case Channel::Y: case Channel::Grey: v = c.y; break;
                case Channel::Cr: v = c.cr; break;
                case Channel::Cb: v = c.cb; break;
                case Channel::R: v = px[0]; break;
                case Channel::B: v = px[2]; break;
                default: break;
                }
                steps.emplace_back((seg.lengthMs - scanCutMs) / seg.samples, lastHz = pixelToHz(v, mi.narrow));
            }
            if (scanCutMs > 0) steps.emplace_back(scanCutMs, lastHz = kBlackHz);
        }
    std::vector<float> a(size_t(0.5 * rate), 0.0f);
    double t = 0, phase = 0;
    const double dt = 1000.0 / (rate * clock);
    double next = 0; // ms at which the next output sample is due
    for (const auto &[ms, hz] : steps) {
        const double end = t + ms;
        while (next < end) {
            phase += kTwoPiTest * hz * (next - std::max(t, next - dt)) / 1000.0;
            a.push_back(float(0.5 * std::sin(phase)));
            next += dt;
        }
        // the rest of this step up to its end, carried into the next one
        phase += kTwoPiTest * hz * (end - std::max(t, next - dt)) / 1000.0;
        t = end;
    }
    a.resize(a.size() + size_t(rate * 1.5), 0.0f);
    return a;
}

} // namespace vareror::rxtest
