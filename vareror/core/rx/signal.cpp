#include "signal.h"

#include "dsp_filters.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include <sys/mman.h>
#include <unistd.h>

namespace vareror::core::rx {

WorkingRate::WorkingRate(double inputRate) : input(inputRate)
{
    if (!dsp::positive(inputRate)) dsp::refuse("rx::WorkingRate", "an input rate of %g Hz; it must be above 0", inputRate);
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

void makePresent(void *p, size_t bytes)
{
    static const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t from = (reinterpret_cast<uintptr_t>(p) + page - 1) / page * page;
    const uintptr_t to = (reinterpret_cast<uintptr_t>(p) + bytes) / page * page;
    if (to > from) madvise(reinterpret_cast<void *>(from), to - from, MADV_POPULATE_WRITE);
}

} // namespace vareror::core::rx
