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

// A colour component a random 1 to 17 steps lighter (the whole part of 17 draws, plus 1;
// one draw), not capped at 255: the variation that each committed text and each stripe or
// band of a striped or graduated text gets, so that its colour differs a little from the
// one chosen.
int lighterComponent(int component, RandomSource& random);

} // namespace platform
