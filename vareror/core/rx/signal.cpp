#include "signal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vareror::core::rx {

WorkingRate::WorkingRate(double inputRate) : input(inputRate > 0 ? inputRate : 11025)
{
    decimation = std::max(1, int(std::floor(input / 11025.0 + 1e-9)));
    if (input / decimation < 8000) decimation = std::max(1, decimation - 1);
    hz = input / decimation;
    perMs = hz / 1000.0;
}

double wrapPi(double a)
{
    constexpr double pi = std::numbers::pi;
    while (a > pi) a -= 2 * pi;
    while (a < -pi) a += 2 * pi;
    return a;
}

} // namespace vareror::core::rx
