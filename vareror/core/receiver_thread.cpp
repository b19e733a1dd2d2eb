#include "receiver_thread.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vareror::core {

namespace {
// Work done between two things handed over: a few milliseconds at most (a period decoded
// again costs 8 units, see Receiver::work) (jobs).
constexpr int kSliceUnits = 64;
// How often the worker looks at its source when nothing else wakes it.
constexpr auto kSourcePoll = std::chrono::milliseconds(10);
} // namespace

ReceiverThread::ReceiverThread(double sampleRate, const RxOptions &options, int lms, double notchHz)
    : rate_(sampleRate), rx_(std::make_unique<Receiver>(sampleRate))
{
    rx_->setOptions(options);
    rx_->setLms(lms);
    rx_->setNotch(notchHz);
    rx_->setDeferWork(true);
    thread_ = std::thread([this] { run(); });
}

ReceiverThread::~ReceiverThread()
{
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

uint64_t ReceiverThread::post(Item item)
{
    uint64_t seq;
    {
        std::lock_guard<std::mutex> lock(m_);
        seq = item.seq = ++posted_;
        queue_.push_back(std::move(item));
    }
    wake_.notify_all();
    return seq;
}

void ReceiverThread::waitDone(uint64_t seq)
{
    std::unique_lock<std::mutex> lock(m_);
    done_.wait(lock, [&] { return finished_ >= seq; });
}

void ReceiverThread::setOptions(const RxOptions &o)
{
    post({0, [o](Receiver &r) { r.setOptions(o); }, {}});
}

void ReceiverThread::setLms(int mode)
{
    post({0, [mode](Receiver &r) { r.setLms(mode); }, {}});
}

void ReceiverThread::setNotch(double hz)
{
    post({0, [hz](Receiver &r) { r.setNotch(hz); }, {}});
}

void ReceiverThread::startScan(int mode)
{
    post({0, [mode](Receiver &r) { r.startScan(mode); }, {}});
}

void ReceiverThread::stopScan()
{
    post({0, [](Receiver &r) { r.stopScan(); }, {}});
}

bool ReceiverThread::resync()
{
    const uint64_t seq = post({0, [this](Receiver &r) {
                                   const bool ok = r.resync();
                                   std::lock_guard<std::mutex> lock(m_);
                                   answer_ = ok;
                               }, {}});
    waitDone(seq);
    std::lock_guard<std::mutex> lock(m_);
    return answer_;
}

bool ReceiverThread::correctSlant()
{
    const uint64_t seq = post({0, [this](Receiver &r) {
                                   const bool ok = r.correctSlant();
                                   std::lock_guard<std::mutex> lock(m_);
                                   answer_ = ok;
                               }, {}});
    waitDone(seq);
    std::lock_guard<std::mutex> lock(m_);
    return answer_;
}

void ReceiverThread::feed(const float *samples, size_t n)
{
    if (n == 0) return;
    post({0, nullptr, std::vector<float>(samples, samples + n)});
}

void ReceiverThread::setSource(SampleSource *source)
{
    {
        std::lock_guard<std::mutex> lock(sourceMutex_);
        source_ = source;
    }
    {
        std::lock_guard<std::mutex> lock(m_);
        hasSource_ = source != nullptr;
    }
    wake_.notify_all();
}

void ReceiverThread::setListening(bool on)
{
    std::lock_guard<std::mutex> lock(m_);
    listening_ = on;
}

void ReceiverThread::sync()
{
    uint64_t seq;
    {
        std::lock_guard<std::mutex> lock(m_);
        seq = posted_;
    }
    waitDone(seq);
}

void ReceiverThread::drain()
{
    waitDone(post({0, [](Receiver &r) {
                       // work done at once, then deferred again
                       r.setDeferWork(false);
                       r.setDeferWork(true);
                   }, {}}));
}

std::vector<ReceiverThread::Event> ReceiverThread::takeEvents()
{
    std::lock_guard<std::mutex> lock(m_);
    std::vector<Event> out;
    out.swap(events_);
    return out;
}

void ReceiverThread::takeRows(const std::function<void(int, const uint8_t *, int)> &copy)
{
    std::lock_guard<std::mutex> lock(m_);
    for (int y = std::max(0, dirtyFrom_); y < std::min(dirtyTo_, picture_.height); ++y)
        copy(y, picture_.pixel(0, y), picture_.width);
    dirtyFrom_ = dirtyTo_ = 0;
}

void ReceiverThread::resendRows()
{
    std::lock_guard<std::mutex> lock(m_);
    dirtyFrom_ = 0;
    dirtyTo_ = picture_.height;
}

void ReceiverThread::takeHeard(std::vector<float> &out)
{
    std::lock_guard<std::mutex> lock(m_);
    out.swap(heard_);
    heard_.clear();
}

std::optional<double> ReceiverThread::lastSlantPpm() const
{
    std::lock_guard<std::mutex> lock(m_);
    return lastSlantPpm_;
}

bool ReceiverThread::receiving() const
{
    std::lock_guard<std::mutex> lock(m_);
    return receiving_;
}

int ReceiverThread::mode() const
{
    std::lock_guard<std::mutex> lock(m_);
    return mode_;
}

int ReceiverThread::linesReceived() const
{
    std::lock_guard<std::mutex> lock(m_);
    return lines_;
}

std::string ReceiverThread::fskId() const
{
    std::lock_guard<std::mutex> lock(m_);
    return fskId_;
}

double ReceiverThread::slantPpm() const
{
    std::lock_guard<std::mutex> lock(m_);
    return slantPpm_;
}

void ReceiverThread::feedReceiver(const float *samples, size_t n)
{
    // Small pieces, so the order of the receiver's events is known to within 20 ms.
    const size_t piece = std::max<size_t>(1, size_t(rate_ / 50));
    for (size_t i = 0; i < n; i += piece) {
        rx_->process(samples + i, std::min(piece, n - i));
        gather();
    }
}

void ReceiverThread::gather()
{
    const unsigned ev = rx_->takeEvents();
    if (!ev) return;
    const bool started = ev & RxStarted, ended = ev & RxEnded;
    const Receiver::Finished &f = rx_->lastFinished();
    Event start, end;
    start.bits = RxStarted;
    start.mode = rx_->mode();
    end.bits = RxEnded;
    end.mode = f.mode;
    end.lines = f.lines;
    if (ended) end.picture = std::make_shared<const RgbImage>(f.picture);
    if (started && ended) {
        // Both in one piece: a picture that restarted (still receiving) ended first.
        if (rx_->receiving()) {
            pendingEvents_.push_back(end);
            pendingEvents_.push_back(start);
        } else {
            pendingEvents_.push_back(start);
            pendingEvents_.push_back(end);
        }
    } else if (started) {
        pendingEvents_.push_back(start);
    } else if (ended) {
        pendingEvents_.push_back(end);
    }
    if (ev & RxFskId) {
        Event id;
        id.bits = RxFskId;
        id.mode = start.mode;
        pendingEvents_.push_back(id);
    }
}

void ReceiverThread::publish()
{
    std::lock_guard<std::mutex> lock(m_);
    events_.insert(events_.end(), pendingEvents_.begin(), pendingEvents_.end());
    pendingEvents_.clear();
    receiving_ = rx_->receiving();
    mode_ = rx_->mode();
    lines_ = rx_->linesReceived();
    fskId_ = rx_->fskId();
    slantPpm_ = rx_->slantPpm();
    if (rx_->lastFinished().mode >= 0) lastSlantPpm_ = rx_->lastFinished().slantPpm;
    const RgbImage &pic = rx_->picture();
    const int from = rx_->dirtyFrom(), to = std::min(rx_->dirtyTo(), pic.height);
    rx_->clearDirty();
    if (picture_.width != pic.width || picture_.height != pic.height) {
        picture_ = pic;
        dirtyFrom_ = 0;
        dirtyTo_ = pic.height;
        return;
    }
    if (to <= from) return;
    std::memcpy(picture_.pixel(0, from), pic.pixel(0, from), size_t(to - from) * size_t(pic.width) * 3);
    if (dirtyTo_ <= dirtyFrom_) {
        dirtyFrom_ = from;
        dirtyTo_ = to;
    } else {
        dirtyFrom_ = std::min(dirtyFrom_, from);
        dirtyTo_ = std::max(dirtyTo_, to);
    }
}

void ReceiverThread::run()
{
    for (;;) {
        Item item;
        bool have = false;
        {
            std::unique_lock<std::mutex> lock(m_);
            if (queue_.empty() && !stop_ && !rx_->workPending()) {
                // asleep until something is handed over; a source is looked at every 10 ms
                if (hasSource_) wake_.wait_for(lock, kSourcePoll);
                else wake_.wait(lock, [&] { return stop_ || !queue_.empty() || hasSource_; });
            }
            if (stop_) return;
            if (!queue_.empty()) {
                item = std::move(queue_.front());
                queue_.pop_front();
                have = true;
            }
        }
        if (have) {
            if (item.command) {
                item.command(*rx_);
                gather();
            } else {
                feedReceiver(item.samples.data(), item.samples.size());
            }
            publish();
            {
                std::lock_guard<std::mutex> lock(m_);
                finished_ = item.seq;
            }
            done_.notify_all();
        }
        {
            std::lock_guard<std::mutex> lock(sourceMutex_);
            fromSource_.clear();
            if (source_) source_->read(fromSource_);
        }
        // Whether they are heard is asked once they are read: asked before, a caller that
        // turned listening on and then handed over a source could lose that source's first
        // samples to a stale "no".
        bool listening;
        {
            std::lock_guard<std::mutex> lock(m_);
            listening = listening_;
        }
        if (!fromSource_.empty() && listening) {
            feedReceiver(fromSource_.data(), fromSource_.size());
            publish();
            std::lock_guard<std::mutex> lock(m_);
            heard_.insert(heard_.end(), fromSource_.begin(), fromSource_.end());
            const size_t keep = size_t(2 * rate_);
            if (heard_.size() > keep) heard_.erase(heard_.begin(), heard_.end() - long(keep));
        }
        // one slice of the redraws under way, between two things handed over
        if (rx_->workPending()) {
            rx_->work(kSliceUnits);
            gather();
            publish();
        }
    }
}

} // namespace vareror::core
