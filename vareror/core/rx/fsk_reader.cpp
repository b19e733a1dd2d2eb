#include "fsk_reader.h"

#include "encoder.h"
#include "tone_meter.h"

#include <algorithm>
#include <cmath>

namespace vareror::core::rx {

namespace {
constexpr int kSymbolBits = 6;
constexpr double kSymbolMs = kSymbolBits * kFskBitMs;
constexpr int kStartSymbol = 0x2A, kEndSymbol = 0x01;
constexpr size_t kLongestText = kFskIdMaxChars; // longer than any sender sends: a false start
} // namespace

bool FskIdReader::readSymbol(const ToneMeter &t, double startPos, int &sym) const
{
    sym = 0;
    bool confident = true;
    const double perMs = rate_.perMs;
    for (int b = 0; b < kSymbolBits; ++b) {
        const double at = startPos + kFskBitMs * b * perMs;
        const int64_t a = int64_t(at + 3 * perMs), e = int64_t(at + 19 * perMs);
        const double cc = t.coherence(a, e);
        const double ref = 0.5 * (kFskOneHz + kFskZeroHz) + burst_.offset;
        const double d = t.freqNear(a, e, ref) - ref;
        if (cc < 0.2 || std::fabs(d) < 35 || std::fabs(d) > 180) confident = false;
        if (d < 0) sym |= 1 << b;
    }
    return confident;
}

std::optional<std::string> FskIdReader::scan(const ToneMeter &t, const SignalView &s)
{
    const double perMs = rate_.perMs;
    const int64_t step = std::max<int64_t>(1, ms(1.0));
    const int64_t lo = t.avail() - ToneMeter::kRing + ms(200);
    if (next_ < lo) next_ = lo;
    if (next_ < ms(120)) next_ = ms(120);
    // a sync whose tones are surely not 200 Hz apart within 30 Hz is turned down before either
    // frequency is measured (ToneMeter::surelyApart): the first tone's products brought down by
    // 200 Hz against the second's
    const cdouble down = std::polar(1.0, -t.lagRadians(kFskZeroHz - kFskOneHz));
    const double apart30 = t.apartCosine(30);
    for (;;) {
        if (burst_.active) {
            const int j = burst_.symbols;
            const double symbolStart = burst_.edge + (kFskBitMs + kSymbolMs * j) * perMs;
            if (int64_t(symbolStart + (kSymbolMs + 1) * perMs) > t.avail()) return std::nullopt;
            int sym;
            const bool ok = readSymbol(t, symbolStart, sym);
            ++burst_.symbols;
            bool done = false, accept = false;
            if (j == 0) {
                if (!ok || sym != kStartSymbol) done = true;
            } else if (burst_.ended) {
                // the check symbol, when there is one
                accept = !ok || sym == burst_.check || sym == 0x3F;
                done = true;
            } else if (!ok) {
                done = true;
            } else if (sym == kEndSymbol) {
                burst_.ended = true;
            } else {
                burst_.text.push_back(char(sym + 0x20));
                burst_.check ^= sym;
                if (burst_.text.size() > kLongestText) done = true;
            }
            if (done) {
                std::optional<std::string> id;
                if (accept && !burst_.text.empty()) id = burst_.text;
                // after a false start, look again right after where it was found
                next_ = burst_.ended ? int64_t(symbolStart + kSymbolMs * perMs) : burst_.foundAt + std::max<int64_t>(1, ms(1.0));
                burst_ = Burst();
                if (id) return id;
            }
            continue;
        }
        // A sync: 2100 Hz, then a 1900 Hz bit.
        const int64_t c = next_;
        if (c + ms(25) > t.avail()) return std::nullopt;
        next_ += step;
        if (!t.has(c - ms(101), c + ms(20))) continue;
        // (both tones' cleanness before either frequency, which costs more)
        const int64_t a0 = c - ms(100), a1 = c - ms(4);
        if (!t.coherentAtLeast(a0, a1, 0.3)) continue;
        const int64_t b0 = c + ms(3), b1 = c + ms(19);
        if (!t.coherentAtLeast(b0, b1, 0.3)) continue;
        if (ToneMeter::surelyApart(t.products(a0, a1) * down, t.products(b0, b1), apart30)) continue;
        const double fa = t.freqNear(a0, a1, kFskZeroHz);
        const double fb = t.freqNear(b0, b1, kFskOneHz);
        if (std::fabs(fa - fb - (kFskZeroHz - kFskOneHz)) > 30) continue;
        const double off = 0.5 * (fa + fb) - 0.5 * (kFskOneHz + kFskZeroHz);
        if (std::fabs(off) > 150) continue;
        burst_ = Burst();
        burst_.active = true;
        burst_.foundAt = c;
        burst_.offset = off;
        burst_.edge = refineEdge(s, rate_, c, fa, fb, 15.0, true);
        const int64_t e = int64_t(std::llround(burst_.edge));
        if (std::fabs(t.freqNear(e + ms(3), e + ms(19), fb) - fb) > 50 ||
            std::fabs(t.freqNear(e - ms(60), e - ms(3), fa) - fa) > 50)
            burst_ = Burst();
    }
}

} // namespace vareror::core::rx
