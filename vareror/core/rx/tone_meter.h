#pragma once
// Tone measurements on the decision band for the VIS detector and the FSK ID reader: running
// sums over the last 2^16 samples, so that the frequency and the clean-ness of a tone over
// any stretch of them cost two look-ups.
//  * freqNear: the phase of the summed products z[n] z*[n-lag] at a lag of 2 ms, where the
//    filtered noise has little correlation left, so a weak tone's frequency is not dragged
//    towards the noise's centre (`ref` resolves the phase's ambiguity);
//  * coherence: how much of the power is one steady tone (1: a pure tone, 0: noise).
// A static crash (a burst of impulse noise a few milliseconds long) is left out of every sum:
// a stretch of the band whose power stands far above the level on both sides of it is taken
// for erased, as if nothing had come there, so a tone hit by a crash is measured on what is left
// of it rather than read wrongly. Deciding that needs the level after the stretch as well:
// the sums, and avail(), run kLookAheadMs behind the samples appended.

#include "signal.h"

#include <vector>

namespace vareror::core::rx {

class ToneMeter {
public:
    explicit ToneMeter(const WorkingRate &rate);
    void append(const cfloat *zn, size_t n);
    // Samples whose sums are final: those appended, less the last kLookAheadMs or so.
    int64_t avail() const { return final_; }
    // Sample i (in the sums' reach) was left out as part of a crash.
    bool erased(int64_t i) const { return kept_[at(i + 1)] == kept_[at(i)]; }
    // The share of [a, b) in the sums that was not left out.
    double keptShare(int64_t a, int64_t b) const;
    // The crash check's blocks (ms: a crash lasts a few), how many of them either side of a block
    // it reads, and how many either side of a crash go with it; the lag that brings (ms) (crashes).
    static constexpr int kBlockMs = 2, kLevelBlocks = 20, kSpreadBlocks = 1;
    static constexpr double kLookAheadMs = kBlockMs * (kLevelBlocks + kSpreadBlocks + 1);
    // Stretch [a, b) can be measured: it lies in the sums' reach.
    bool has(int64_t a, int64_t b) const { return a >= final_ - kRing + lag_ + 2 && a >= lag_ + 1 && b <= final_ && a < b; }
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
    // Sample i into the sums (left out when `erase`); its power.
    double sum(int64_t i, bool erase);
    void judgeBlock();
    WorkingRate rate_;
    int lag_ = 22;
    std::vector<cdouble> q_;   // sum of z[n] z*[n-lag] for n < index, less the erased samples'
    std::vector<double> e_;    // sum of |z|^2, likewise
    std::vector<int64_t> kept_; // samples not erased before index
    cdouble accQ_ = 0;          // ... their running values
    double accE_ = 0;
    int64_t accKept_ = 0;
    // Samples are summed as they come; a block found a crash's later has its samples, and all
    // after them, summed again with them left out.
    static constexpr int kHistory = 4096;
    cfloat raw_[kHistory] = {};  // the recent samples as they came
    bool erased_[kHistory] = {};
    int64_t count_ = 0, final_ = 0;
    // The crash check's blocks: their mean powers and the median of the kLevelBlocks up to
    // each (rings), the last kLevelBlocks' powers sorted, which were loud
    int block_ = 22, inBlock_ = 0;
    double blockSum_ = 0;
    std::vector<double> blockPower_, blockMedian_, level_;
    std::vector<uint8_t> blockLoud_;
    int64_t blocks_ = 0, judged_ = 0; // blocks complete, and judged
};

// The step between a stretch at hiHz and one at loHz (falling: hi before lo) within rangeMs of
// sample c, on the decision band's per-sample frequency: the best step between 6 ms boxes,
// placed between samples by a parabola. Returns c when the stretch is not there. (Not on the
// picture band, the broad one before a picture: near 0 dB its noise now and then places a start
// bit 15 ms late, and the code is read across its bits' edges.)
// Samples the tone meter `erased` (when given) count for neither side.
double refineEdge(const SignalView &s, const WorkingRate &rate, int64_t c, double hiHz, double loHz, double rangeMs,
                  bool falling, const ToneMeter *erased = nullptr);

} // namespace vareror::core::rx
