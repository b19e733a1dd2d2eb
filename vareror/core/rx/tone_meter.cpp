#include "tone_meter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vareror::core::rx {

namespace {
constexpr double kTwoPi = 2 * std::numbers::pi;
// A block is part of a crash when its power is more than kCrashOverLevel times the level on
// both sides of it (the median of the kLevelBlocks blocks before, and of those after, whichever
// is higher: a signal that starts or stops is a crash on neither side). Noise alone reads so
// in about one block in a thousand, a clean tone never (crashes). The decision band's filter
// spreads a crash over its 3 ms: kSpreadBlocks either side of a loud block go with it.
constexpr double kCrashOverLevel = 4;
constexpr int kBlockRing = 64; // holds every block a judgement reads
} // namespace

ToneMeter::ToneMeter(const WorkingRate &rate) : rate_(rate)
{
    lag_ = std::max(2, int(std::lround(0.002 * rate.hz)));
    // (1.5 MB, all of it written within six seconds: made present at once)
    q_.reserve(size_t(kRing));
    e_.reserve(size_t(kRing));
    makePresent(q_.data(), q_.capacity() * sizeof(cdouble));
    makePresent(e_.data(), e_.capacity() * sizeof(double));
    q_.assign(size_t(kRing), 0);
    e_.assign(size_t(kRing), 0);
    kept_.assign(size_t(kRing), 0);
    block_ = std::max(1, int(std::lround(kBlockMs * rate.hz / 1000)));
    blockPower_.assign(kBlockRing, 0.0);
    blockMedian_.assign(kBlockRing, 0.0);
    blockLoud_.assign(kBlockRing, 0);
    level_.reserve(kLevelBlocks + 1);
}

inline double ToneMeter::sum(int64_t i, bool erase)
{
    constexpr size_t kMask = kHistory - 1;
    // (sample numbers are never negative: their places in the history are their low bits)
    const size_t h = size_t(i) & kMask, g = (h - size_t(lag_)) & kMask;
    erased_[h] = erase;
    const cfloat v = raw_[h];
    const double power = double(std::norm(v));
    if (!erase) {
        // (a sample whose lagged partner was erased has no product: its power is left out
        // too, so that a clean tone stays wholly coherent beside a crash)
        if (i < lag_) {
            accE_ += power;
        } else if (!erased_[g]) {
            const cfloat lagged = raw_[g];
            // (the products written out: std::complex's own checks each for infinities, which
            // these finite samples never are, and costs several times the sums)
            const double vr = v.real(), vi = v.imag();
            accQ_ += cdouble(vr * lagged.real() + vi * lagged.imag(), vi * lagged.real() - vr * lagged.imag());
            accE_ += power;
        }
        ++accKept_;
    }
    // sums exclusive of sample i are stored at i; write i + 1
    const size_t m1 = at(i + 1);
    q_[m1] = accQ_;
    e_[m1] = accE_;
    kept_[m1] = accKept_;
    return power;
}

void ToneMeter::append(const cfloat *zn, size_t n)
{
    for (size_t j = 0; j < n; ++j) {
        const int64_t i = count_++;
        raw_[size_t(i) & (kHistory - 1)] = zn[j];
        blockSum_ += sum(i, false);
        if (++inBlock_ < block_) continue;
        // a block complete: its power, and the median of the kLevelBlocks up to it
        const double p = blockSum_ / block_;
        blockSum_ = 0;
        inBlock_ = 0;
        if (blocks_ >= kLevelBlocks) {
            const double gone = blockPower_[size_t((blocks_ - kLevelBlocks) % kBlockRing)];
            level_.erase(std::lower_bound(level_.begin(), level_.end(), gone));
        }
        level_.insert(std::upper_bound(level_.begin(), level_.end(), p), p);
        const size_t slot = size_t(blocks_ % kBlockRing);
        blockPower_[slot] = p;
        blockMedian_[slot] = level_[level_.size() / 2];
        ++blocks_;
        if (blocks_ > judged_ + kLevelBlocks) judgeBlock();
    }
}

void ToneMeter::judgeBlock()
{
    // Block b, with kLevelBlocks after it in, is loud when its power stands over the median
    // of the blocks before it and of those after it. The blocks within kSpreadBlocks of a loud
    // one are erased with it: their samples, summed as they came, are summed again from the
    // first of them on, left out.
    const int64_t b = judged_++;
    const double before = b > 0 ? blockMedian_[size_t((b - 1) % kBlockRing)] : 0.0;
    const double after = blockMedian_[size_t((b + kLevelBlocks) % kBlockRing)];
    const bool loud = blockPower_[size_t(b % kBlockRing)] > kCrashOverLevel * std::max(before, after);
    blockLoud_[size_t(b % kBlockRing)] = uint8_t(loud);
    if (loud) {
        const int64_t from = std::max<int64_t>(0, b - kSpreadBlocks) * block_;
        const int64_t to = (b + kSpreadBlocks + 1) * block_;
        accQ_ = q_[at(from)];
        accE_ = e_[at(from)];
        accKept_ = kept_[at(from)];
        for (int64_t i = from; i < count_; ++i) sum(i, erased_[size_t(i) & (kHistory - 1)] || i < to);
    }
    // every block up to kSpreadBlocks before this one is now settled
    final_ = std::max<int64_t>(0, b - kSpreadBlocks + 1) * block_;
}

double ToneMeter::keptShare(int64_t a, int64_t b) const
{
    return b > a ? double(kept_[at(b)] - kept_[at(a)]) / double(b - a) : 0.0;
}

double ToneMeter::coherence(int64_t a, int64_t b) const
{
    const cdouble q = q_[at(b)] - q_[at(a)];
    const double e = e_[at(b)] - e_[at(a)];
    return e > 1e-20 ? std::abs(q) / e : 0.0;
}

bool ToneMeter::coherentAtLeast(int64_t a, int64_t b, double least) const
{
    constexpr double kMargin = 1e-9;
    const cdouble q = q_[at(b)] - q_[at(a)];
    const double e = e_[at(b)] - e_[at(a)];
    if (e > 1e-20 && least > 0) {
        const double squared = q.real() * q.real() + q.imag() * q.imag(), limit = least * e * (least * e);
        if (squared < limit * (1 - kMargin)) return false;
        if (squared > limit * (1 + kMargin)) return true;
    }
    return coherence(a, b) >= least;
}

double ToneMeter::freqNear(int64_t a, int64_t b, double ref) const
{
    const cdouble q = q_[at(b)] - q_[at(a)];
    const double rot = -kTwoPi * ref * lag_ / rate_.hz;
    const double ph = wrapPi(std::arg(q) + rot);
    return ref + ph * rate_.hz / (kTwoPi * lag_);
}

double ToneMeter::apartCosine(double hz) const
{
    // (far beyond the rounding of the phases freqNear reads, and far below any tone's measure)
    constexpr double kMargin = 1e-9;
    return std::cos(std::min(lagRadians(hz) + kMargin, std::numbers::pi / 2));
}

double ToneMeter::lagRadians(double hz) const { return kTwoPi * hz * lag_ / rate_.hz; }

bool ToneMeter::surelyApart(cdouble u, cdouble v, double cosine)
{
    // the phase of u v*: more than a quarter turn, or its tangent above the limit's
    const double re = u.real() * v.real() + u.imag() * v.imag(), im = u.imag() * v.real() - u.real() * v.imag();
    if (re < 0) return true;
    return re * re * (1 - cosine * cosine) < im * im * cosine * cosine;
}

double refineEdge(const SignalView &s, const WorkingRate &rate, int64_t c, double hiHz, double loHz, double rangeMs,
                  bool falling, const ToneMeter *erased)
{
    const double mid = 0.5 * (hiHz + loHz), scale = std::max(20.0, 0.5 * std::fabs(hiHz - loHz));
    const int64_t w = rate.samples(6);
    const int64_t r = rate.samples(rangeMs);
    const int64_t a = c - r - w, b = c + r + w;
    if (!s.has(a, b)) return double(c);
    std::vector<double> pre(size_t(b - a + 1), 0.0);
    for (int64_t i = a; i < b; ++i) {
        double v = std::clamp((s.fnAt(i) - mid) / scale, -1.0, 1.0);
        if (!falling) v = -v;
        pre[size_t(i - a + 1)] = pre[size_t(i - a)] + v;
    }
    if (erased && erased->has(a, b) && erased->keptShare(a, b) < 1) {
        // (rare: the sums again, the erased samples counting 0)
        for (int64_t i = a; i < b; ++i) {
            double v = erased->erased(i) ? 0.0 : std::clamp((s.fnAt(i) - mid) / scale, -1.0, 1.0);
            if (!falling) v = -v;
            pre[size_t(i - a + 1)] = pre[size_t(i - a)] + v;
        }
    }
    auto score = [&](int64_t e) {
        const double before = pre[size_t(e - a)] - pre[size_t(e - w - a)];
        const double after = pre[size_t(e + w - a)] - pre[size_t(e - a)];
        return before - after;
    };
    int64_t best = c;
    double bs = -1e30;
    for (int64_t e = c - r; e <= c + r; ++e) {
        const double v = score(e);
        if (v > bs) { bs = v; best = e; }
    }
    double pos = double(best);
    if (best > c - r && best < c + r) {
        const double l = score(best - 1), m = bs, h = score(best + 1);
        const double den = l - 2 * m + h;
        if (den < 0) pos += std::clamp(0.5 * (l - h) / den, -0.5, 0.5);
    }
    // Each f sample measures the phase advance around time i - 0.5 .. i + 0.5; the edge sits
    // between samples best-1 and best.
    return pos - 0.5;
}

} // namespace vareror::core::rx
