#include "sample_ring.h"

#include <algorithm>

namespace vareror::core {

SampleRing::SampleRing(size_t capacity) : buf_(std::max<size_t>(capacity, 16)) {}

size_t SampleRing::push(const float *in, size_t n)
{
    const uint64_t w = write_.load(std::memory_order_relaxed);
    const uint64_t r = read_.load(std::memory_order_acquire);
    const size_t space = buf_.size() - size_t(w - r);
    const size_t taken = std::min(n, space);
    for (size_t i = 0; i < taken; ++i)
        buf_[(w + i) % buf_.size()] = in[i];
    if (taken < n) {
        // No room: the rest is lost, and becomes a gap after what was written. Gaps that
        // follow each other while the ring stays full are one gap.
        if (gapLength_.load(std::memory_order_acquire) == 0)
            gapAt_.store(w + taken, std::memory_order_relaxed);
        gapLength_.fetch_add(n - taken, std::memory_order_release);
        lostTotal_.fetch_add(n - taken, std::memory_order_relaxed);
    }
    write_.store(w + taken, std::memory_order_release);
    return taken;
}

size_t SampleRing::pop(float *out, size_t n)
{
    uint64_t r = read_.load(std::memory_order_relaxed);
    const uint64_t w = write_.load(std::memory_order_acquire);
    const uint64_t drop = dropTo_.load(std::memory_order_acquire);
    if (drop > r)
        r = std::min(drop, w);
    if (const uint64_t gap = gapLength_.load(std::memory_order_acquire)) {
        const uint64_t at = gapAt_.load(std::memory_order_relaxed);
        if (r >= at) {
            // the lost stretch, as silence
            const size_t k = size_t(std::min<uint64_t>(n, gap));
            std::fill(out, out + k, 0.0f);
            gapLength_.fetch_sub(k, std::memory_order_acq_rel);
            read_.store(r, std::memory_order_release);
            return k;
        }
        n = std::min(n, size_t(at - r)); // up to the gap
    }
    n = std::min(n, size_t(w - r));
    for (size_t i = 0; i < n; ++i)
        out[i] = buf_[(r + i) % buf_.size()];
    read_.store(r + n, std::memory_order_release);
    return n;
}

size_t SampleRing::fill() const
{
    const uint64_t w = write_.load(std::memory_order_acquire);
    uint64_t r = read_.load(std::memory_order_acquire);
    r = std::max(r, std::min(dropTo_.load(std::memory_order_acquire), w));
    return size_t(w - r);
}

} // namespace vareror::core
