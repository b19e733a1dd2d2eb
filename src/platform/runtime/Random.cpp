#include "platform/runtime/Random.h"

#include <cmath>

namespace platform {

RandomSource::RandomSource() : generator_(std::random_device{}()) {}

// One 32-bit draw scaled by 2^-32: never 1, which a library's real distribution may
// return in rare cases.
double RandomSource::next() { return double(generator_()) / 4294967296.0; }

namespace {
constexpr int kLighterSteps = 17;
} // namespace

int lighterComponent(int component, RandomSource& random)
{
    return component + 1 + int(std::floor(kLighterSteps * random.next()));
}

} // namespace platform
