#pragma once
// Tone measurements on the decision band for the VIS detector and the FSK ID reader: running
// sums over the last 2^16 samples, so that the frequency and the clean-ness of a tone over
// any stretch of them cost two look-ups.
//  * freqNear: the phase of the summed products z[n] z*[n-lag] at a lag of 2 ms, where the
//    filtered noise has little correlation left, so a weak tone's frequency is not dragged
//    towards the noise's centre (`ref` resolves the phase's ambiguity);
//  * coherence: how much of the power is one steady tone (1: a pure tone, 0: noise).

#include "signal.h"

#include <vector>

namespace vareror::core::rx {

class ToneMeter {
public:
    explicit ToneMeter(const WorkingRate &rate);
    void append(const cfloat *zn, size_t n);
    int64_t avail() const { return count_; }
    // Stretch [a, b) can be measured: it lies in the sums' reach.
    bool has(int64_t a, int64_t b) const { return a >= count_ - kRing + lag_ + 2 && a >= lag_ + 1 && b <= count_ && a < b; }
    double coherence(int64_t a, int64_t b) const;
    // coherence(a, b) >= least, exactly as coherence() answers it, but without its library
    // magnitude (some 4 % of a clean decode's time went to it) wherever the squared magnitude
    // lies more than a billionth from the limit's square: far beyond both ways' rounding.
    bool coherentAtLeast(int64_t a, int64_t b, double least) const;
    double freqNear(int64_t a, int64_t b, double ref) const;
    // The summed lagged products over [a, b), from which freqNear reads the tone's phase.
    cdouble products(int64_t a, int64_t b) const { return q_[at(b)] - q_[at(a)]; }
    // The cosine of the phase that a tone `hz` higher turns more over the lag than another, a
    // little over it: what surelyApart takes.
    double apartCosine(double hz) const;
    // The phase a tone `hz` higher turns more over the lag.
    double lagRadians(double hz) const;
    // True only when the tones of summed products u and v (products) surely lie further apart
    // than the difference whose apartCosine is `cosine`: the phase between them measured without
    // an arctangent. False leaves it open (freqNear then tells). A check that most stretches
    // fail (the FSK ID's sync, over a picture) takes this first, at a tenth of the cost.
    static bool surelyApart(cdouble u, cdouble v, double cosine);
    // How far back measurements reach.
    static constexpr int64_t kRing = int64_t(1) << 16;

private:
    size_t at(int64_t i) const { return size_t(i & (kRing - 1)); }
    WorkingRate rate_;
    int lag_ = 22;
    std::vector<cdouble> q_;   // sum of z[n] z*[n-lag] for n < index
    std::vector<double> e_;    // sum of |z|^2
    cdouble accQ_ = 0;
    double accE_ = 0;
    static constexpr int kHistory = 1024;
    cfloat hist_[kHistory] = {}; // recent samples, for the lagged products
    int64_t count_ = 0;
};

// The step between a stretch at hiHz and one at loHz (falling: hi before lo) within rangeMs of
// sample c, on the decision band's per-sample frequency: the best step between 6 ms boxes,
// placed between samples by a parabola. Returns c when the stretch is not there. (Read on the
// picture band, which before a picture is the broad one, near 0 dB its noise now and then
// placed a VIS's start bit 15 ms late, and the code was read across its bits' edges: 3 headers
// in 100 were missed at 0 dB, none on the decision band in 160.)
double refineEdge(const SignalView &s, const WorkingRate &rate, int64_t c, double hiHz, double loHz, double rangeMs,
                  bool falling);

} // namespace vareror::core::rx
