#pragma once
// The kept signal: every working sample's picture-band value, the decision band's, and the
// frequencies of both bands, for as long as a picture may still need them (a redraw reads them again), and, when
// the RX buffer is a file, the current picture's stretch in a temporary file as well.
//
// The samples are stored in blocks of 2^15 (see KeptBlock), taken from a pool as the signal
// arrives and given back once nothing needs them: the store grows with a long picture without
// copying what it holds, and touches no fresh memory once the pool has served a picture.

#include "signal.h"

#include <cstdio>
#include <iterator>
#include <memory>
#include <utility>
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
    // Everything still stored. Samples before the last release() stay readable while their
    // block is kept, and at least the last 2^18 samples always are.
    SignalView view() const;
    // A view that holds [a, b) when the signal is kept there: the store's, or (for at most
    // 2^16 samples) a stretch read back from the file; valid until the next call.
    SignalView view(int64_t a, int64_t b);
    // Nothing before `from` is needed any more: its blocks may go back to the pool.
    void release(int64_t from);
    size_t blocksHeld() const { return held_; }
    // Memory the store has taken: its blocks in use and in the pool, and those of the file's
    // read-back, with the broad band's parts they have taken.
    size_t bytesTaken() const;

    // The RX buffer "file": from `from` on, the signal also goes to a temporary file.
    bool openFile(int64_t from);
    void closeFile();
    bool hasFile() const { return file_ != nullptr; }
    void flushFile();                 // writes what has arrived since the last flush
    int64_t fileEnd() const { return fileEnd_; }

private:
    KeptBlock *&slot(int64_t blockIndex) { return table_[size_t(uint64_t(blockIndex) & (table_.size() - 1))]; }
    void growTable();
    cfloat *takeBroad();
    void writeBroad(const SignalView &v, int64_t from, int64_t to);
    void readBroad(KeptBlock &blk, int k, int64_t lo, int64_t hi);

    double rateHz_;
    std::vector<KeptBlock *> table_;  // a power of two; slot of block b: b & (size - 1)
    std::vector<KeptBlock *> pool_;   // blocks not in use
    // Blocks are taken with their pages made present at once (newBlock in kept_signal.cpp).
    struct BlockDeleter {
        void operator()(KeptBlock *b) const;
    };
    std::vector<std::unique_ptr<KeptBlock, BlockDeleter>> owned_; // every block, in use or not
    std::vector<cfloat *> broadPool_; // broad-band parts (KeptBlock::zb) not in use
    std::vector<std::unique_ptr<cfloat[]>> broadOwned_; // every broad-band part
    int64_t firstBlock_ = 0;          // the oldest block stored
    size_t held_ = 0;                 // blocks in use
    int64_t count_ = 0, keep_ = 0;
    std::FILE *file_ = nullptr;
    int64_t fileBase_ = 0, fileEnd_ = 0;
    std::vector<char> raw_;           // records on their way to or from the file
    std::unique_ptr<KeptBlock> readBack_[3]; // the file read back, and its table
    std::unique_ptr<cfloat[]> readBackBroad_[3]; // ... their broad-band parts, once needed
    // The broad band goes to a file of its own, written only where it was read, at 8 bytes a
    // sample from fileBase_ on (the file has holes elsewhere); broadSpans_ are the stretches
    // of samples [from, to) it holds.
    std::FILE *broadFile_ = nullptr;
    std::vector<std::pair<int64_t, int64_t>> broadSpans_;
    const KeptBlock *readTable_[4] = {};
};

} // namespace vareror::core::rx
