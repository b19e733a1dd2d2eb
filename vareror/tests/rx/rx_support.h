#pragma once
// Helpers of the receiver's tests: feeding a receiver and collecting what it reports, our own
// transmissions (another sender's is in signal_tools.h).
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

} // namespace vareror::rxtest
