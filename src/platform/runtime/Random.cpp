#include "platform/runtime/Random.h"

namespace platform {

RandomSource::RandomSource() : generator_(std::random_device{}()) {}

// One 32-bit draw scaled by 2^-32: never 1, which a library's real distribution may
// return in rare cases.
double RandomSource::next() { return double(generator_()) / 4294967296.0; }

} // namespace platform
