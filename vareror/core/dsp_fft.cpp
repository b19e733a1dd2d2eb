#include "dsp_fft.h"

#include "dsp_filters.h"

#include <map>
#include <mutex>
#include <utility>

namespace vareror::core::dsp {

namespace {

std::mutex g_planMutex;
std::map<std::pair<int, int>, fftwf_plan> g_plans; // (kind, size)

fftwf_plan plan(int kind, int n)
{
    if (n < 1) refuse(kind == 0 ? "dsp::complexForwardPlan" : "dsp::realForwardPlan", "%d points; it needs 1 or more", n);
    std::lock_guard<std::mutex> lock(g_planMutex);
    auto &p = g_plans[{kind, n}];
    if (p) return p;
    // Planned on scratch arrays of the allocator's alignment; executed later on others.
    if (kind == 0) {
        fftwf_complex *buf = fftwf_alloc_complex(size_t(n));
        p = fftwf_plan_dft_1d(n, buf, buf, FFTW_FORWARD, FFTW_ESTIMATE);
        fftwf_free(buf);
    } else {
        float *in = fftwf_alloc_real(size_t(n));
        fftwf_complex *out = fftwf_alloc_complex(size_t(n / 2 + 1));
        p = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_ESTIMATE);
        fftwf_free(in);
        fftwf_free(out);
    }
    return p;
}

} // namespace

fftwf_plan complexForwardPlan(int n) { return plan(0, n); }
fftwf_plan realForwardPlan(int n) { return plan(1, n); }

} // namespace vareror::core::dsp
