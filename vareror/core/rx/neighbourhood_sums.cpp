#include "neighbourhood_sums.h"

#include <algorithm>
#include <cstring>
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

// Sums over each pixel's neighbourhood: for every x of a row of width W, `term` adds what the
// pixel at column x + dx of row k brings to N sums, for every row k < nrows and every dx within
// `reach` of x that lies in the row; the sums are written to out[0..N-1][x]. Each pixel's terms
// are added row by row, and within a row from left to right, whichever way it is computed.
// Most pixels have their whole neighbourhood within the row: those are summed sixteen at a
// time with their sums in registers (two blocks of eight, so that two chains of additions are
// under way at once); the few at the ends one at a time. `term(k, at, x, sums)` is called with
// float or Lanes sums: `at` and `x` are then the first of eight columns.
template <int N, class Term>
[[gnu::always_inline]] inline void neighbourhoodSums(int nrows, int W, int reach, float *const (&out)[N], Term &&term)
{
    auto onePixel = [&](int x) {
        float sums[N] = {};
        for (int k = 0; k < nrows; ++k)
            for (int at = std::max(0, x - reach); at <= std::min(W - 1, x + reach); ++at) term(k, at, x, sums);
        for (int i = 0; i < N; ++i) out[i][x] = sums[i];
    };
    const int inner0 = std::min(W, reach), inner1 = std::max(inner0, W - reach);
    for (int x = 0; x < inner0; ++x) onePixel(x);
    int x = inner0;
    for (; x + 2 * kLanes <= inner1; x += 2 * kLanes) {
        Lanes a[N] = {}, b[N] = {};
        for (int k = 0; k < nrows; ++k)
            for (int dx = -reach; dx <= reach; ++dx) {
                term(k, x + dx, x, a);
                term(k, x + kLanes + dx, x + kLanes, b);
            }
        for (int i = 0; i < N; ++i) {
            storeAt(out[i] + x, a[i]);
            storeAt(out[i] + x + kLanes, b[i]);
        }
    }
    for (; x < W; ++x) onePixel(x);
}
} // namespace

__attribute__((target_clones("avx2", "default"))) void biweightSums(const float *const *rows, int nrows, int W, int reach,
                                                                    const float *__restrict centre, float inv,
                                                                    float *__restrict acc, float *__restrict ws)
{
    float *const out[2] = {acc, ws};
    neighbourhoodSums(nrows, W, reach, out, [&](int k, int at, int x, auto *sums) {
        using T = std::remove_reference_t<decltype(*sums)>;
        const T v = loadAt<T>(rows[k] + at);
        const T e = v - loadAt<T>(centre + x);
        const T u = positive(1.0f - e * e * inv);
        sums[0] += u * u * v;
        sums[1] += u * u;
    });
}

__attribute__((target_clones("avx2", "default"))) void guidedFirstPass(const float *const *yRows, const float *const *aRows,
                                                                       const float *const *bRows, int nrows, int W, int reach,
                                                                       const float *__restrict yc, float inv,
                                                                       float *__restrict accA, float *__restrict accB,
                                                                       float *__restrict ws)
{
    auto weight = [&](int k, int at, int x, auto *sums) {
        using T = std::remove_reference_t<decltype(*sums)>;
        const T e = loadAt<T>(yRows[k] + at) - loadAt<T>(yc + x);
        const T u = positive(1.0f - e * e * inv);
        return u * u;
    };
    if (bRows) {
        float *const out[3] = {accA, accB, ws};
        neighbourhoodSums(nrows, W, reach, out, [&](int k, int at, int x, auto *sums) {
            using T = std::remove_reference_t<decltype(*sums)>;
            const T w = weight(k, at, x, sums);
            sums[0] += w * loadAt<T>(aRows[k] + at);
            sums[1] += w * loadAt<T>(bRows[k] + at);
            sums[2] += w;
        });
    } else {
        float *const out[2] = {accA, ws};
        neighbourhoodSums(nrows, W, reach, out, [&](int k, int at, int x, auto *sums) {
            using T = std::remove_reference_t<decltype(*sums)>;
            const T w = weight(k, at, x, sums);
            sums[0] += w * loadAt<T>(aRows[k] + at);
            sums[1] += w;
        });
    }
}

__attribute__((target_clones("avx2", "default"))) void guidedSecondPass(const float *const *yRows, const float *const *cRows,
                                                                        int nrows, int W, int reach,
                                                                        const float *__restrict yc, float inv,
                                                                        const float *__restrict centre, float invOut,
                                                                        float *__restrict acc, float *__restrict ws)
{
    float *const out[2] = {acc, ws};
    neighbourhoodSums(nrows, W, reach, out, [&](int k, int at, int x, auto *sums) {
        using T = std::remove_reference_t<decltype(*sums)>;
        const T e = loadAt<T>(yRows[k] + at) - loadAt<T>(yc + x);
        const T c = loadAt<T>(cRows[k] + at);
        const T ec = c - loadAt<T>(centre + x);
        const T u = positive(1.0f - e * e * inv) * positive(1.0f - ec * ec * invOut);
        sums[0] += u * u * c;
        sums[1] += u * u;
    });
}

} // namespace vareror::core::rx
