#pragma once
// What the picture composer's files share, and no other part reads: the planes' numbers and
// the small helpers every part of it uses. (The parts' tuning is in picture_composer_tuning.h.)

#include "modes.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace vareror::core::rx {

constexpr int PR = planeOf(Channel::R), PG = planeOf(Channel::G), PB = planeOf(Channel::B), PY = planeOf(Channel::Y),
              PCr = planeOf(Channel::Cr), PCb = planeOf(Channel::Cb), PGrey = planeOf(Channel::Grey);

// The luminance planes: the ones a weak signal's noise filter runs on.
inline std::vector<int> luminancePlanes(ColourEncoding c)
{
    switch (c) {
    case ColourEncoding::Rgb: return {PR, PG, PB};
    case ColourEncoding::Grey: return {PGrey};
    default: return {PY};
    }
}

inline bool hasChroma(ColourEncoding c) { return c != ColourEncoding::Rgb && c != ColourEncoding::Grey; }

// The k-th smallest (from 0) of n non-negative finite floats, the value std::nth_element
// finds, by their bit patterns (which order such floats as their values do), a byte at a time
// from the top: four passes of counting, without nth_element's unforeseeable branches (which
// took a line's noise measure three times as long).
inline float nthSmallest(const float *v, int n, int k)
{
    uint32_t prefix = 0, mask = 0;
    for (int shift = 24; shift >= 0; shift -= 8) {
        int count[256] = {};
        for (int i = 0; i < n; ++i) {
            const uint32_t bits = std::bit_cast<uint32_t>(v[i]);
            count[(bits >> shift) & 0xFF] += (bits & mask) == prefix;
        }
        int b = 0;
        while (k >= count[b]) k -= count[b++];
        prefix |= uint32_t(b) << shift;
        mask |= 0xFFu << shift;
    }
    return std::bit_cast<float>(prefix);
}

// 0 below `from`, 1 from `full` on, straight between (`full` may lie below `from`).
inline float ramp(float v, float from, float full)
{
    return std::clamp((v - from) / (full - from), 0.0f, 1.0f);
}

} // namespace vareror::core::rx
