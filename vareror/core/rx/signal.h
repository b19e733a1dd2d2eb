#pragma once
// What the parts of the receiver share: the working rate, a view of the kept signal and a few
// numeric helpers.

#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <numbers>

namespace vareror::core::rx {

using cfloat = std::complex<float>;
using cdouble = std::complex<double>;

// The rate the receiver works at: the input decimated by a whole factor to 8..16 kHz
// (about 11-12 kHz for the usual sound-card rates). An input rate of 0 or less is refused
// (std::invalid_argument).
struct WorkingRate {
    WorkingRate() = default;
    explicit WorkingRate(double inputRate);
    double input = 11025;
    int decimation = 1;
    double hz = 11025;     // working samples per second
    double perMs = 11.025; // working samples per millisecond
    // ms in working samples, rounded to the nearest (halves away from zero) as std::llround
    // rounds, without its library call (it is asked for everywhere a stretch is measured out):
    // a double's whole part and its fraction are both exact
    int64_t samples(double ms) const
    {
        const double v = ms * perMs;
        const auto whole = int64_t(v);
        const double fraction = v - double(whole);
        return whole + (fraction >= 0.5) - (fraction <= -0.5);
    }
};

// |z| rounded to float, as std::abs gives it (glibc's hypotf computes it so: the squares of
// floats are exact in double), without the library call, which took some 2 % of a clean
// decode where the receiver reads the signal's level sample by sample.
inline float magnitude(cfloat z)
{
    return float(std::sqrt(double(z.real()) * z.real() + double(z.imag()) * z.imag()));
}

// The kept signal is stored in blocks of 2^15 samples: the picture band's demodulated samples
// z, their smoothed frequency f, the decision band's samples zn and its frequency fn, and the
// broad band's samples zb. Only a block where the broad band was read has zb (its samples
// from before that hold the picture band's own); elsewhere z stands for it, so that a clean
// picture's blocks carry no copy of z.
constexpr int kKeptBlockShift = 15;
constexpr int64_t kKeptBlockSize = int64_t(1) << kKeptBlockShift;
struct KeptBlock {
    cfloat z[kKeptBlockSize];
    float f[kKeptBlockSize];
    float fn[kKeptBlockSize];
    cfloat zn[kKeptBlockSize];
    cfloat *zb = nullptr; // kKeptBlockSize samples, or none
};

// A read-only view of the kept signal by absolute working-sample number. Samples
// [begin, end) are there; has(a, b) asks for [a - 1, b), as a pulse-pair product reaches one
// sample back. Sample i lies in block (i >> 15) of a table of blocks used as a ring.
struct SignalView {
    const KeptBlock *const *blocks = nullptr;
    uint64_t tableMask = 0;
    int64_t begin = 0, end = 0;
    double rateHz = 11025; // working samples per second

    bool has(int64_t a, int64_t b) const { return a >= begin + 1 && b <= end; }
    const KeptBlock &block(int64_t i) const { return *blocks[(uint64_t(i) >> kKeptBlockShift) & tableMask]; }
    static size_t within(int64_t i) { return size_t(i & (kKeptBlockSize - 1)); }
    cfloat zAt(int64_t i) const { return block(i).z[within(i)]; }
    float fAt(int64_t i) const { return block(i).f[within(i)]; }
    float fnAt(int64_t i) const { return block(i).fn[within(i)]; }
    cfloat znAt(int64_t i) const { return block(i).zn[within(i)]; }
    cfloat zbAt(int64_t i) const
    {
        const KeptBlock &b = block(i);
        return b.zb ? b.zb[within(i)] : b.z[within(i)];
    }
};

// atan2 to about 0.0015 rad: plenty for a frequency read from a phase step. Without branches,
// so that loops over it run in SIMD lanes.
inline float fastAtan2(float y, float x)
{
    // (every arithmetic step is taken whatever the signs; only values are chosen)
    const float ax = std::fabs(x), ay = std::fabs(y);
    const float mx = ax > ay ? ax : ay, mn = ax > ay ? ay : ax;
    const float a = mn / (mx > 0 ? mx : 1.0f);
    const float s = a * a;
    const float r0 = ((-0.0464964749f * s + 0.15931422f) * s - 0.327622764f) * s * a + a;
    const float c1 = 1.57079637f - r0;
    const float r1 = ay > ax ? c1 : r0;
    const float c2 = 3.14159274f - r1;
    const float r2 = x < 0 ? c2 : r1;
    const float c3 = -r2;
    return y < 0 ? c3 : r2;
}
double wrapPi(double a);

// Makes the memory pages wholly within [p, p + bytes) present in one go, where the system can
// (elsewhere they come as they are first touched). Touched a page at a time, the receiver's
// stores (some 15 MB for a 37-second picture) cost a fault for each 4 kB: 2 to 3 ms of a
// clean decode's 60.
void makePresent(void *p, size_t bytes);

// The frequency (Hz at `rateHz`) a sum of pulse-pair products z_i z*_{i-1} reads: its phase
// step per sample.
inline double productHz(std::complex<float> p, double rateHz)
{
    return fastAtan2(p.imag(), p.real()) * rateHz / (2 * std::numbers::pi);
}

} // namespace vareror::core::rx
