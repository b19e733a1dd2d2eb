#include "neighbourhood_sums.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>

namespace vareror::core::rx {

namespace {
// Eight floats handled as one: AVX registers in the functions cloned for AVX2, pairs of SSE
// registers otherwise. The helpers that take or give them are all inlined into the cloned
// functions, so no call passes them and GCC's note on how a call would pass them is moot
// (it comes at the end of the file, where the templates are made).
#pragma GCC diagnostic ignored "-Wpsabi"
typedef float Lanes __attribute__((vector_size(32)));
constexpr int kLanes = 8;

template <class T> inline T loadAt(const float *p)
{
    if constexpr (std::is_same_v<T, float>) {
        return *p;
    } else {
        T v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
}

template <class T> inline void storeAt(float *p, T v)
{
    if constexpr (std::is_same_v<T, float>) *p = v;
    else std::memcpy(p, &v, sizeof v);
}

// max(0, v), of one float or lane by lane, without a branch
template <class T> inline T positive(T v)
{
    if constexpr (std::is_same_v<T, float>) return v > 0 ? v : 0.0f;
    else return v > 0 ? v : T{};
}

// A plane's rows copied with `reach` columns of `pad` on either side, so that a block of lanes
// at a row's end reads the padding where the neighbourhood leaves the row. The pads are chosen
// to make every term they give an exact nought (a weight of nought times a finite value), and
// a sum that takes noughts besides its own terms is the same to the last bit (from +0, adding
// +0 or -0 changes nothing): the row's ends are summed in lanes like its middle, where they
// took a third of the work one pixel at a time.
class Padded {
public:
    Padded(const float *const *rows, int nrows, int W, int reach, float pad)
        : store_(std::make_unique_for_overwrite<float[]>(size_t(nrows) * size_t(W + 2 * reach))),
          rows_(std::make_unique_for_overwrite<const float *[]>(size_t(nrows)))
    {
        const size_t stride = size_t(W + 2 * reach);
        for (int k = 0; k < nrows; ++k) {
            float *r = store_.get() + size_t(k) * stride;
            std::fill_n(r, reach, pad);
            std::copy_n(rows[k], W, r + reach);
            std::fill_n(r + reach + W, reach, pad);
            rows_[size_t(k)] = r + reach;
        }
    }
    const float *const *rows() const { return rows_.get(); }

private:
    std::unique_ptr<float[]> store_;
    std::unique_ptr<const float *[]> rows_;
};

// A luminance so far from any pixel's that its weight is nought ((1 - e^2 inv) is -inf), yet
// finite: the pad's value times that weight adds nought, where an infinity would make NaN.
constexpr float kFar = 1e20f;

// Sums over each pixel's neighbourhood: for every x of a row of width W, `term` adds what the
// pixel at column x + dx of row k brings to N sums, for every row k < nrows and every dx within
// `reach` of x that lies in the row; the sums are written to out[0..N-1][x]. Each pixel's terms
// are added row by row, and within a row from left to right, whichever way it is computed.
// The rows `term` reads are Padded, so the pixels are summed sixteen at a time with their sums
// in registers (two blocks of eight, so that two chains of additions are under way at once;
// of more than three sums, one block: two blocks' sums no longer fitted in the registers, and
// each addition waited on a store), the last block of the row overlapping the one before where
// the width is no multiple of it; a row narrower than sixteen one pixel at a time. With
// `wanted`, only blocks that hold a wanted pixel are summed. `term(k, at, x, sums)` is called
// with float or Lanes sums: `at` and `x` are then the first of eight columns.
template <int N, class Term>
[[gnu::always_inline]] inline void neighbourhoodSums(int nrows, int W, int reach, const uint8_t *wanted,
                                                     float *const (&out)[N], Term &&term)
{
    constexpr int kBlocks = N > 3 ? 1 : 2;
    if (W < 2 * kLanes) {
        for (int x = 0; x < W; ++x) {
            float sums[N] = {};
            for (int k = 0; k < nrows; ++k)
                for (int at = std::max(0, x - reach); at <= std::min(W - 1, x + reach); ++at) term(k, at, x, sums);
            for (int i = 0; i < N; ++i) out[i][x] = sums[i];
        }
        return;
    }
    for (int block = 0; block < W; block += kBlocks * kLanes) {
        const int x = std::min(block, W - kBlocks * kLanes);
        if (wanted && std::none_of(wanted + x, wanted + x + kBlocks * kLanes, [](uint8_t w) { return w != 0; })) continue;
        Lanes sums[kBlocks][N] = {};
        for (int k = 0; k < nrows; ++k)
            for (int dx = -reach; dx <= reach; ++dx)
                for (int j = 0; j < kBlocks; ++j) term(k, x + j * kLanes + dx, x + j * kLanes, sums[j]);
        for (int j = 0; j < kBlocks; ++j)
            for (int i = 0; i < N; ++i) storeAt(out[i] + x + j * kLanes, sums[j][i]);
    }
}
} // namespace

__attribute__((target_clones("avx2", "default"))) void biweightSums(const float *const *rows, int nrows, int W, int reach,
                                                                    const float *__restrict centre, float inv,
                                                                    float *__restrict acc, float *__restrict ws,
                                                                    const uint8_t *wanted)
{
    float *const out[2] = {acc, ws};
    const Padded padded(rows, nrows, W, reach, kFar);
    const float *const *p = padded.rows();
    neighbourhoodSums(nrows, W, reach, wanted, out, [&](int k, int at, int x, auto *sums) {
        using T = std::remove_reference_t<decltype(*sums)>;
        const T v = loadAt<T>(p[k] + at);
        const T e = v - loadAt<T>(centre + x);
        const T u = positive(1.0f - e * e * inv);
        sums[0] += u * u * v;
        sums[1] += u * u;
    });
}

__attribute__((target_clones("avx2", "default"))) void guidedFirstPass(const GuidedRows &g, int W, int reach,
                                                                       const float *__restrict yc, float inv,
                                                                       float *__restrict accA, float *__restrict wsA,
                                                                       float *__restrict accB, float *__restrict wsB)
{
    const Padded y(g.y, g.n, W, reach, kFar), a(g.a, g.n, W, reach, 0.0f);
    const float *const *py = y.rows(), *const *pa = a.rows();
    auto weight = [&](int k, int at, int x, auto *sums) {
        using T = std::remove_reference_t<decltype(*sums)>;
        const T e = loadAt<T>(py[k] + at) - loadAt<T>(yc + x);
        const T u = positive(1.0f - e * e * inv);
        return u * u;
    };
    if (g.b) {
        const Padded b(g.b, g.bTo - g.bFrom, W, reach, 0.0f);
        const float *const *pb = b.rows();
        float *const out[4] = {accA, wsA, accB, wsB};
        neighbourhoodSums(g.n, W, reach, nullptr, out, [&](int k, int at, int x, auto *sums) {
            using T = std::remove_reference_t<decltype(*sums)>;
            const T w = weight(k, at, x, sums);
            sums[0] += w * loadAt<T>(pa[k] + at);
            sums[1] += w;
            if (k >= g.bFrom && k < g.bTo) {
                sums[2] += w * loadAt<T>(pb[k - g.bFrom] + at);
                sums[3] += w;
            }
        });
    } else {
        float *const out[2] = {accA, wsA};
        neighbourhoodSums(g.n, W, reach, nullptr, out, [&](int k, int at, int x, auto *sums) {
            using T = std::remove_reference_t<decltype(*sums)>;
            const T w = weight(k, at, x, sums);
            sums[0] += w * loadAt<T>(pa[k] + at);
            sums[1] += w;
        });
    }
}

__attribute__((target_clones("avx2", "default"))) void guidedSecondPass(const GuidedRows &g, int W, int reach,
                                                                        const float *__restrict yc, float inv,
                                                                        const float *__restrict centreA, float invOutA,
                                                                        const float *__restrict centreB, float invOutB,
                                                                        float *__restrict accA, float *__restrict wsA,
                                                                        float *__restrict accB, float *__restrict wsB)
{
    const Padded y(g.y, g.n, W, reach, kFar), a(g.a, g.n, W, reach, 0.0f);
    const float *const *py = y.rows(), *const *pa = a.rows();
    // a reading's weight: its luminance's likeness to the pixel's, times its colour's to the centre
    auto weight = [](auto wy, auto c, auto centre, float invOut) {
        const auto ec = c - centre;
        const auto u = wy * positive(1.0f - ec * ec * invOut);
        return u * u;
    };
    auto luminance = [&](int k, int at, int x, auto *sums) {
        using T = std::remove_reference_t<decltype(*sums)>;
        const T e = loadAt<T>(py[k] + at) - loadAt<T>(yc + x);
        return positive(1.0f - e * e * inv);
    };
    if (g.b) {
        const Padded b(g.b, g.bTo - g.bFrom, W, reach, 0.0f);
        const float *const *pb = b.rows();
        float *const out[4] = {accA, wsA, accB, wsB};
        neighbourhoodSums(g.n, W, reach, nullptr, out, [&](int k, int at, int x, auto *sums) {
            using T = std::remove_reference_t<decltype(*sums)>;
            const T wy = luminance(k, at, x, sums);
            const T ca = loadAt<T>(pa[k] + at), wa = weight(wy, ca, loadAt<T>(centreA + x), invOutA);
            sums[0] += wa * ca;
            sums[1] += wa;
            if (k >= g.bFrom && k < g.bTo) {
                const T cb = loadAt<T>(pb[k - g.bFrom] + at), wb = weight(wy, cb, loadAt<T>(centreB + x), invOutB);
                sums[2] += wb * cb;
                sums[3] += wb;
            }
        });
    } else {
        float *const out[2] = {accA, wsA};
        neighbourhoodSums(g.n, W, reach, nullptr, out, [&](int k, int at, int x, auto *sums) {
            using T = std::remove_reference_t<decltype(*sums)>;
            const T ca = loadAt<T>(pa[k] + at), wa = weight(luminance(k, at, x, sums), ca, loadAt<T>(centreA + x), invOutA);
            sums[0] += wa * ca;
            sums[1] += wa;
        });
    }
}

} // namespace vareror::core::rx
