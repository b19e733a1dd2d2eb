#include "kept_signal.h"

#include "front_end.h"

#include <algorithm>
#include <cstring>

#include <unistd.h>

namespace vareror::core::rx {

namespace {
// The ring's least size: 2^18 samples, over 20 s at any working rate, which holds what the
// VIS detector, the sync search and a picture's current period look back on.
constexpr size_t kMinCapacity = size_t(1) << 18;
constexpr size_t kRecord = 16; // bytes a sample in the file: z, f, fn
} // namespace

KeptSignal::KeptSignal(const WorkingRate &rate) : rateHz_(rate.hz) { resize(kMinCapacity); }

KeptSignal::~KeptSignal()
{
    if (file_) std::fclose(file_);
}

void KeptSignal::resize(size_t capacity)
{
    auto z = std::make_unique_for_overwrite<cfloat[]>(capacity);
    auto f = std::make_unique_for_overwrite<float[]>(capacity);
    auto fn = std::make_unique_for_overwrite<float[]>(capacity);
    if (cap_) {
        const int64_t from = std::max<int64_t>(0, count_ - int64_t(std::min(cap_, capacity)));
        const size_t m = capacity - 1;
        for (int64_t i = from; i < count_; ++i) {
            z[size_t(i) & m] = z_[slot(i)];
            f[size_t(i) & m] = f_[slot(i)];
            fn[size_t(i) & m] = fn_[slot(i)];
        }
    }
    z_ = std::move(z);
    f_ = std::move(f);
    fn_ = std::move(fn);
    cap_ = capacity;
}

void KeptSignal::append(const FrontEndBlock &b)
{
    const size_t n = b.size();
    while (count_ + int64_t(n) - keep_ > int64_t(cap_)) resize(2 * cap_);
    for (size_t j = 0; j < n; ++j) {
        const int64_t i = count_ + int64_t(j);
        z_[slot(i)] = b.z[j];
        if (i >= 1) {
            f_[slot(i - 1)] = b.f[j];
            fn_[slot(i - 1)] = b.fn[j];
        }
    }
    count_ += int64_t(n);
}

SignalView KeptSignal::view() const
{
    SignalView v;
    v.z = z_.get();
    v.f = f_.get();
    v.fn = fn_.get();
    // (f of a sample is written with z of the next, so the oldest slot holds both still)
    v.begin = std::max<int64_t>(0, count_ - int64_t(cap_));
    v.end = fAvail();
    v.origin = 0;
    v.mask = cap_ - 1;
    v.rateHz = rateHz_;
    return v;
}

void KeptSignal::release(int64_t from)
{
    keep_ = std::clamp<int64_t>(from, keep_, count_);
    // After a long picture the ring shrinks back once what must be kept is a small part of it.
    const int64_t need = count_ - keep_;
    if (cap_ > kMinCapacity && need < int64_t(cap_ / 16)) {
        size_t c = kMinCapacity;
        while (int64_t(c) < 4 * need) c *= 2;
        if (c < cap_) resize(c);
    }
}

void KeptSignal::reserve(int64_t from, int64_t samples)
{
    size_t c = cap_;
    while (int64_t(c) < count_ - from + samples) c *= 2;
    if (c > cap_) resize(c);
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
}

void KeptSignal::flushFile()
{
    if (!file_) return;
    const int64_t to = fAvail();
    const int64_t from = std::max(fileEnd_, view().begin);
    std::vector<char> raw(size_t(std::max<int64_t>(0, to - from)) * kRecord);
    size_t o = 0;
    for (int64_t i = from; i < to; ++i, o += kRecord) {
        std::memcpy(raw.data() + o, &z_[slot(i)], 8);
        std::memcpy(raw.data() + o + 8, &f_[slot(i)], 4);
        std::memcpy(raw.data() + o + 12, &fn_[slot(i)], 4);
    }
    if (o) std::fwrite(raw.data(), 1, o, file_);
    fileEnd_ = to;
}

SignalView KeptSignal::view(int64_t a, int64_t b)
{
    SignalView ring = view();
    // one sample before a: pulse-pair products reach back one
    if (!file_ || a - 1 >= ring.begin || a - 1 < fileBase_) return ring;
    std::fflush(file_);
    const int64_t from = a - 1, to = std::min(b, fileEnd_);
    const int64_t n = std::max<int64_t>(0, to - from);
    zb_.resize(size_t(n));
    fb_.resize(size_t(n));
    fnb_.resize(size_t(n));
    std::vector<char> raw(size_t(n) * kRecord);
    const ssize_t got = pread(fileno(file_), raw.data(), raw.size(), off_t((from - fileBase_) * int64_t(kRecord)));
    const int64_t records = got > 0 ? int64_t(got) / int64_t(kRecord) : 0;
    for (int64_t i = 0; i < records; ++i) {
        std::memcpy(&zb_[size_t(i)], raw.data() + kRecord * size_t(i), 8);
        std::memcpy(&fb_[size_t(i)], raw.data() + kRecord * size_t(i) + 8, 4);
        std::memcpy(&fnb_[size_t(i)], raw.data() + kRecord * size_t(i) + 12, 4);
    }
    SignalView v;
    v.z = zb_.data();
    v.f = fb_.data();
    v.fn = fnb_.data();
    v.begin = from;
    v.end = from + records;
    v.origin = from;
    v.rateHz = rateHz_;
    return v;
}

} // namespace vareror::core::rx
