#pragma once
// A lock-free ring of samples between one producer and one consumer (a sound card's callback
// and the engine), with 64-bit running counters.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vareror::core {

// Single-producer single-consumer ring of float samples with 64-bit running counters.
// Samples that find no room are lost, but not their time: the consumer gets as much silence
// in their place, where they would have been, so that what comes after them keeps its time.
class SampleRing {
public:
    explicit SampleRing(size_t capacity);
    size_t push(const float *in, size_t n);  // producer; returns samples taken
    size_t pop(float *out, size_t n);        // consumer; returns samples (or silence) given
    size_t fill() const;
    size_t capacity() const { return buf_.size(); }
    uint64_t consumed() const { return read_.load(std::memory_order_acquire); }
    uint64_t produced() const { return write_.load(std::memory_order_acquire); }
    // Producer side: everything pushed so far is to be dropped by the consumer.
    void dropQueued() { dropTo_.store(produced(), std::memory_order_release); }

    uint64_t lost() const { return lostTotal_.load(std::memory_order_relaxed); } // samples without room

private:
    std::vector<float> buf_;
    std::atomic<uint64_t> read_{0}, write_{0}, dropTo_{0};
    // samples lost at write position gapAt_, still to be given as silence
    std::atomic<uint64_t> gapAt_{0}, gapLength_{0}, lostTotal_{0};
};

} // namespace vareror::core
