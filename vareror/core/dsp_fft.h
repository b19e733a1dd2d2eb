#pragma once
// FFTW plans, made once per size and kind and kept for the life of the process. FFTW's planner
// is not thread-safe (the receiver runs on a worker thread of its own, the displays may plan
// on another), while executing a plan on arrays of one's own is: every plan here is used
// through FFTW's new-array functions, on buffers from fftwf_alloc_*.

#include <fftw3.h>

namespace vareror::core::dsp {

// (n below 1 is refused: std::invalid_argument)
// In-place complex forward transform of n points: fftwf_execute_dft(plan, buf, buf).
fftwf_plan complexForwardPlan(int n);
// Real-to-complex forward transform of n points (n/2 + 1 outputs), out of place:
// fftwf_execute_dft_r2c(plan, in, out).
fftwf_plan realForwardPlan(int n);

} // namespace vareror::core::dsp
