#include "kept_signal.h"

#include "front_end.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <unistd.h>

namespace vareror::core::rx {

namespace {
// At least this much of the latest signal (2^18 samples, over 20 s at any working rate) stays
// stored: what the VIS detector, the sync search and a picture's current period look back on.
constexpr int64_t kMinKeep = int64_t(1) << 18;
constexpr size_t kRecord = 24;      // bytes a sample in the file: z, f, fn, zn (zb: its own file)
constexpr int64_t kMaxReadBack = 2 * kKeptBlockSize; // samples a view from the file may hold

// A block of the store, its pages made present in one go (makePresent: the 10 MB a clean
// 37-second picture keeps are most of the receiver's memory), page-aligned so that all are.
constexpr std::align_val_t kPage{4096};
KeptBlock *newBlock()
{
    void *p = ::operator new(sizeof(KeptBlock), kPage);
    makePresent(p, sizeof(KeptBlock));
    return new (p) KeptBlock;
}
} // namespace

void KeptSignal::BlockDeleter::operator()(KeptBlock *b) const
{
    b->~KeptBlock();
    ::operator delete(b, kPage);
}

KeptSignal::KeptSignal(const WorkingRate &rate) : rateHz_(rate.hz), table_(16, nullptr) {}

KeptSignal::~KeptSignal()
{
    closeFile();
}

size_t KeptSignal::bytesTaken() const
{
    size_t broad = broadOwned_.size(), readBack = 0;
    for (const auto &p : readBackBroad_) broad += p ? 1 : 0;
    for (const auto &b : readBack_) readBack += b ? 1 : 0;
    return (owned_.size() + readBack) * sizeof(KeptBlock) + broad * size_t(kKeptBlockSize) * sizeof(cfloat);
}

cfloat *KeptSignal::takeBroad()
{
    if (!broadPool_.empty()) {
        cfloat *p = broadPool_.back();
        broadPool_.pop_back();
        return p;
    }
    broadOwned_.push_back(std::make_unique_for_overwrite<cfloat[]>(size_t(kKeptBlockSize)));
    return broadOwned_.back().get();
}

void KeptSignal::growTable()
{
    std::vector<KeptBlock *> t(table_.size() * 2, nullptr);
    for (int64_t b = firstBlock_; b < firstBlock_ + int64_t(held_); ++b)
        t[size_t(uint64_t(b) & (t.size() - 1))] = slot(b);
    table_.swap(t);
}

void KeptSignal::append(const FrontEndBlock &in)
{
    const size_t n = in.size();
    size_t j = 0;
    while (j < n) {
        const int64_t i = count_ + int64_t(j);
        const int64_t b = i >> kKeptBlockShift;
        if (b >= firstBlock_ + int64_t(held_)) {
            // a new block: from the pool, or new
            if (held_ + 1 > table_.size()) growTable();
            KeptBlock *block;
            if (!pool_.empty()) {
                block = pool_.back();
                pool_.pop_back();
            } else {
                owned_.emplace_back(newBlock());
                block = owned_.back().get();
            }
            slot(b) = block;
            ++held_;
        }
        // the run of samples that stays within this block
        KeptBlock &blk = *slot(b);
        const size_t first = size_t(i & (kKeptBlockSize - 1));
        const size_t run = std::min(n - j, size_t(kKeptBlockSize) - first);
        std::copy_n(in.z.data() + j, run, blk.z + first);
        std::copy_n(in.zn.data() + j, run, blk.zn + first);
        if (!in.zb.empty() && !blk.zb) {
            // the broad band's first samples in this block: before them the picture band's
            // stand for it
            blk.zb = takeBroad();
            std::copy_n(blk.z, first, blk.zb);
        }
        if (blk.zb) std::copy_n((in.zb.empty() ? in.z : in.zb).data() + j, run, blk.zb + first);
        for (size_t k = 0; k < run; ++k) {
            // the frequencies that come with sample i belong to sample i - 1
            const int64_t prev = i + int64_t(k) - 1;
            if (prev < 0) continue;
            KeptBlock &pb = k == 0 && first == 0 ? *slot(prev >> kKeptBlockShift) : blk;
            const size_t at = size_t(prev & (kKeptBlockSize - 1));
            pb.f[at] = in.f[j + k];
            pb.fn[at] = in.fn[j + k];
        }
        j += run;
    }
    count_ += int64_t(n);
}

SignalView KeptSignal::view() const
{
    SignalView v;
    v.blocks = table_.data();
    v.tableMask = table_.size() - 1;
    v.begin = firstBlock_ << kKeptBlockShift;
    v.end = fAvail();
    v.rateHz = rateHz_;
    return v;
}

void KeptSignal::release(int64_t from)
{
    keep_ = std::clamp<int64_t>(from, keep_, count_);
    const int64_t limit = std::min(keep_, count_ - kMinKeep);
    while (held_ > 1 && ((firstBlock_ + 1) << kKeptBlockShift) <= limit) {
        KeptBlock *blk = slot(firstBlock_);
        if (blk->zb) broadPool_.push_back(blk->zb);
        blk->zb = nullptr;
        pool_.push_back(blk);
        slot(firstBlock_) = nullptr;
        ++firstBlock_;
        --held_;
    }
}

bool KeptSignal::openFile(int64_t from)
{
    closeFile();
    file_ = std::tmpfile();
    fileBase_ = std::max(view().begin, from);
    fileEnd_ = fileBase_;
    return file_ != nullptr;
}

void KeptSignal::closeFile()
{
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (broadFile_) std::fclose(broadFile_);
    broadFile_ = nullptr;
    broadSpans_.clear();
}

void KeptSignal::writeBroad(const SignalView &v, int64_t from, int64_t to)
{
    for (int64_t i = from; i < to;) {
        const int64_t runEnd = std::min(to, ((i >> kKeptBlockShift) + 1) << kKeptBlockShift);
        const KeptBlock &blk = v.block(i);
        if (blk.zb) {
            if (!broadFile_) broadFile_ = std::tmpfile();
            const size_t bytes = size_t(runEnd - i) * sizeof(cfloat);
            // a stretch that did not reach the file is not claimed: the picture band then
            // stands in for it when read back
            if (broadFile_ && pwrite(fileno(broadFile_), blk.zb + SignalView::within(i), bytes,
                                     off_t((i - fileBase_) * int64_t(sizeof(cfloat)))) == ssize_t(bytes)) {
                if (!broadSpans_.empty() && broadSpans_.back().second == i)
                    broadSpans_.back().second = runEnd;
                else
                    broadSpans_.emplace_back(i, runEnd);
            }
        }
        i = runEnd;
    }
}

// The broad band of read-back block k for its samples [lo, hi): from the file where it was
// written, the picture band's elsewhere; none at all where the file has none of it.
void KeptSignal::readBroad(KeptBlock &blk, int k, int64_t lo, int64_t hi)
{
    blk.zb = nullptr;
    bool any = false;
    for (const auto &[s, e] : broadSpans_) any = any || (s < hi && e > lo);
    if (!any) return;
    if (!readBackBroad_[k]) readBackBroad_[k] = std::make_unique_for_overwrite<cfloat[]>(size_t(kKeptBlockSize));
    blk.zb = readBackBroad_[k].get();
    const size_t at = SignalView::within(lo);
    std::copy_n(blk.z + at, size_t(hi - lo), blk.zb + at);
    for (const auto &[s, e] : broadSpans_) {
        const int64_t a = std::max(s, lo), b = std::min(e, hi);
        if (a >= b) continue;
        const size_t bytes = size_t(b - a) * sizeof(cfloat);
        std::vector<cfloat> got(size_t(b - a));
        if (pread(fileno(broadFile_), got.data(), bytes, off_t((a - fileBase_) * int64_t(sizeof(cfloat)))) == ssize_t(bytes))
            std::copy(got.begin(), got.end(), blk.zb + SignalView::within(a));
    }
}

void KeptSignal::flushFile()
{
    if (!file_) return;
    const SignalView v = view();
    const int64_t to = fAvail();
    const int64_t from = std::max(fileEnd_, v.begin);
    // (nothing new yet, as when the file begins ahead of the signal: its end stays put, or the
    // records that come next would land ahead of their place)
    if (to <= from) return;
    std::vector<char> &raw = raw_;
    raw.resize(size_t(std::max<int64_t>(0, to - from)) * kRecord);
    size_t o = 0;
    for (int64_t i = from; i < to; ++i, o += kRecord) {
        const cfloat z = v.zAt(i);
        const cfloat zn = v.znAt(i);
        const float f = v.fAt(i), fn = v.fnAt(i);
        std::memcpy(raw.data() + o, &z, 8);
        std::memcpy(raw.data() + o + 8, &f, 4);
        std::memcpy(raw.data() + o + 12, &fn, 4);
        std::memcpy(raw.data() + o + 16, &zn, 8);
    }
    if (o) std::fwrite(raw.data(), 1, o, file_);
    writeBroad(v, from, to);
    fileEnd_ = to;
}

SignalView KeptSignal::view(int64_t a, int64_t b)
{
    SignalView stored = view();
    // one sample before a: pulse-pair products reach back one
    if (!file_ || a - 1 >= stored.begin || a - 1 < fileBase_) return stored;
    std::fflush(file_);
    const int64_t from = a - 1, to = std::min({b, fileEnd_, from + kMaxReadBack});
    const int64_t n = std::max<int64_t>(0, to - from);
    std::vector<char> &raw = raw_;
    raw.resize(size_t(n) * kRecord);
    const ssize_t got = pread(fileno(file_), raw.data(), raw.size(), off_t((from - fileBase_) * int64_t(kRecord)));
    const int64_t records = got > 0 ? int64_t(got) / int64_t(kRecord) : 0;
    // the stretch spans at most three blocks, in a table of four (taken when first read back:
    // 2.4 MB, a third of it cleared, that a receiver without the file never needs)
    if (!readBack_[0])
        for (auto &blk : readBack_) blk = std::make_unique_for_overwrite<KeptBlock>();
    const int64_t firstBlock = from >> kKeptBlockShift;
    for (int k = 0; k < 3; ++k) readTable_[(firstBlock + k) & 3] = readBack_[k].get();
    SignalView v;
    v.blocks = readTable_;
    v.tableMask = 3;
    v.begin = from;
    v.end = from + records;
    v.rateHz = rateHz_;
    for (int64_t r = 0; r < records; ++r) {
        const int64_t i = from + r;
        KeptBlock &blk = *readBack_[(i >> kKeptBlockShift) - firstBlock];
        const size_t at = SignalView::within(i);
        std::memcpy(&blk.z[at], raw.data() + kRecord * size_t(r), 8);
        std::memcpy(&blk.f[at], raw.data() + kRecord * size_t(r) + 8, 4);
        std::memcpy(&blk.fn[at], raw.data() + kRecord * size_t(r) + 12, 4);
        std::memcpy(&blk.zn[at], raw.data() + kRecord * size_t(r) + 16, 8);
    }
    for (int k = 0; k < 3; ++k) {
        const int64_t lo = std::max(from, (firstBlock + k) << kKeptBlockShift);
        const int64_t hi = std::min(from + records, (firstBlock + k + 1) << kKeptBlockShift);
        if (lo < hi) readBroad(*readBack_[k], k, lo, hi);
        else readBack_[k]->zb = nullptr;
    }
    return v;
}

} // namespace vareror::core::rx
