#pragma once
// What the picture composer's files share, and no other part reads: the planes' numbers and
// the small helpers every part of it uses. (The parts' tuning is in picture_composer_tuning.h.)

#include "modes.h"

#include <algorithm>
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

// 0 below `from`, 1 from `full` on, straight between (`full` may lie below `from`).
inline float ramp(float v, float from, float full)
{
    return std::clamp((v - from) / (full - from), 0.0f, 1.0f);
}

} // namespace vareror::core::rx
