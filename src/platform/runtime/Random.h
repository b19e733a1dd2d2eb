#pragma once
// The program's random numbers: uniform values in [0, 1), from a generator that a caller
// (a test) can seed, so that a sequence of draws can be repeated.

#include <cstdint>
#include <random>

namespace platform {

class RandomSource {
public:
    // Seeded from the system's entropy source.
    RandomSource();
    explicit RandomSource(uint32_t seed) : generator_(seed) {}
    void seed(uint32_t seed) { generator_.seed(seed); }
    // The next value, 0 <= u < 1.
    double next();

private:
    std::mt19937 generator_;
};

} // namespace platform
