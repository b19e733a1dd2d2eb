#pragma once
// Sums over each pixel's neighbourhood in rows of a picture plane, the weak-signal filters'
// inner loops: for each column x of a row of width W, every pixel of the given rows within
// `reach` columns of x (the row's own columns only), weighted. Each pixel's terms are added
// row by row and, within a row, from left to right, so a pixel's sums are those that taking
// it on its own would give; they are done sixteen at a time in SIMD lanes (one at a time only
// in rows narrower than that).

#include <cstdint>

namespace vareror::core::rx {

// Tukey's biweight sums: each pixel v weighted (1 - (v - centre[x])^2 * inv)^2 when that is
// positive; acc[x] gets the weighted values, ws[x] the weights. With `wanted` (a flag for
// each x), the sums are certain only where it is set: the rest may be left as they were.
void biweightSums(const float *const *rows, int nrows, int W, int reach, const float *__restrict centre, float inv,
                  float *__restrict acc, float *__restrict ws, const uint8_t *wanted = nullptr);

// Colour guided by luminance: a colour reading's weight is the likeness of its luminance (the
// row's in y) to the centre pixel's (yc), (1 - (y - yc[x])^2 * inv)^2 when positive. Colour a
// is read on all n rows; colour b (may be null) on rows bFrom .. bTo - 1 of them, where the
// two colours share their luminance rows (the same rows, or where each comes on every other
// line, a run of the other's): its weights are taken once for both. b[j] is the second colour's
// row read with y[bFrom + j]. Each colour's sums are those it gets summed on its own.
struct GuidedRows {
    const float *const *y = nullptr, *const *a = nullptr, *const *b = nullptr;
    int n = 0, bFrom = 0, bTo = 0;
};
// The first pass sums the colours' weighted readings (acc) and the weights (ws); the second,
// around each colour's `centre` as the first pass found it, also weighs a reading's likeness
// to it, (1 - (c - centre[x])^2 * invOut)^2 when positive (readings far from it are clicks).
void guidedFirstPass(const GuidedRows &g, int W, int reach, const float *__restrict yc, float inv,
                     float *__restrict accA, float *__restrict wsA, float *__restrict accB, float *__restrict wsB);
void guidedSecondPass(const GuidedRows &g, int W, int reach, const float *__restrict yc, float inv,
                      const float *__restrict centreA, float invOutA, const float *__restrict centreB, float invOutB,
                      float *__restrict accA, float *__restrict wsA, float *__restrict accB, float *__restrict wsB);

} // namespace vareror::core::rx
