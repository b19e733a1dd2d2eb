#pragma once
// The kept signal: every working sample's picture-band value and the frequencies of both
// bands, in a ring that holds what a picture may still need (a redraw reads it again), and,
// when the RX buffer is a file, the current picture's stretch in a temporary file as well.

#include "signal.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace vareror::core::rx {

struct FrontEndBlock;

class KeptSignal {
public:
    explicit KeptSignal(const WorkingRate &rate);
    ~KeptSignal();
    KeptSignal(const KeptSignal &) = delete;
    KeptSignal &operator=(const KeptSignal &) = delete;

    void append(const FrontEndBlock &block);
    int64_t avail() const { return count_; }                         // samples so far
    int64_t fAvail() const { return count_ > 0 ? count_ - 1 : 0; }   // ... with their frequencies
    // Everything still in the ring. Samples before the last release() stay readable until the
    // ring needs their room.
    SignalView view() const;
    // A view that holds [a, b) when the signal is kept there: the ring's, or a stretch read
    // back from the file (valid until the next call).
    SignalView view(int64_t a, int64_t b);
    // Nothing before `from` is needed any more: the ring may reuse it. The ring grows (and
    // after a long picture shrinks again) to keep [from, avail).
    void release(int64_t from);
    // Makes room for `samples` from `from` up front, so a long picture does not grow the ring
    // step by step.
    void reserve(int64_t from, int64_t samples);
    size_t capacity() const { return cap_; }

    // The RX buffer "file": from `from` on, the signal also goes to a temporary file.
    bool openFile(int64_t from);
    void closeFile();
    bool hasFile() const { return file_ != nullptr; }
    void flushFile();                 // writes what has arrived since the last flush
    int64_t fileEnd() const { return fileEnd_; }

private:
    void resize(size_t capacity);
    size_t slot(int64_t i) const { return size_t(i) & (cap_ - 1); }

    double rateHz_;
    size_t cap_ = 0;                  // a power of two
    std::unique_ptr<cfloat[]> z_;
    std::unique_ptr<float[]> f_, fn_;
    int64_t count_ = 0, keep_ = 0;
    std::FILE *file_ = nullptr;
    int64_t fileBase_ = 0, fileEnd_ = 0;
    std::vector<cfloat> zb_;          // the file read back
    std::vector<float> fb_, fnb_;
};

} // namespace vareror::core::rx
