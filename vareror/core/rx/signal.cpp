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

int64_t WorkingRate::samples(double ms) const { return int64_t(std::llround(ms * perMs)); }

float fastAtan2(float y, float x)
{
    const float ax = std::fabs(x), ay = std::fabs(y);
    const float mx = std::max(ax, ay), mn = std::min(ax, ay);
    if (mx <= 0) return 0;
    const float a = mn / mx;
    const float s = a * a;
    float r = ((-0.0464964749f * s + 0.15931422f) * s - 0.327622764f) * s * a + a;
    if (ay > ax) r = 1.57079637f - r;
    if (x < 0) r = 3.14159274f - r;
    if (y < 0) r = -r;
    return r;
}

double wrapPi(double a)
{
    constexpr double pi = std::numbers::pi;
    while (a > pi) a -= 2 * pi;
    while (a < -pi) a += 2 * pi;
    return a;
}

} // namespace vareror::core::rx
