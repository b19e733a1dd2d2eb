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

// Colour guided by luminance: a colour reading's weight is the likeness of its luminance
// (yRows) to the centre pixel's (yc), (1 - (y - yc[x])^2 * inv)^2 when positive. The first
// pass sums one or two colours read from the same rows (bRows may be null; their weights are
// the same); the second, around the area's colour `centre` as the first pass found it, also
// weighs the reading's likeness to it, (1 - (c - centre[x])^2 * invOut)^2 when positive
// (readings far from it are clicks).
void guidedFirstPass(const float *const *yRows, const float *const *aRows, const float *const *bRows, int nrows, int W,
                     int reach, const float *__restrict yc, float inv, float *__restrict accA, float *__restrict accB,
                     float *__restrict ws);
void guidedSecondPass(const float *const *yRows, const float *const *cRows, int nrows, int W, int reach,
                      const float *__restrict yc, float inv, const float *__restrict centre, float invOut,
                      float *__restrict acc, float *__restrict ws);

} // namespace vareror::core::rx
