#pragma once
// The receiver on a thread of its own. One caller thread (the engine's, which is the
// program's window thread) hands it samples and commands and collects what it made: status
// events in order, the picture rows that changed, and a few figures. The caller never waits
// for a redraw: the worker does those a slice at a time between the samples it is given.
//
// A sound card's input is read by the worker itself from the card's ring (see SampleSource),
// so the receiver keeps pace with the card however long the caller is busy; the ring holds
// 8 s, and the receiver needs a few milliseconds for each second of it.

#include "receiver.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vareror::core {

// Samples the worker fetches by itself; read() is called on the worker only.
class SampleSource {
public:
    virtual ~SampleSource() = default;
    virtual void read(std::vector<float> &appendTo) = 0;
};

class ReceiverThread {
public:
    ReceiverThread(double sampleRate, const RxOptions &options, int lms, double notchHz);
    ~ReceiverThread();
    ReceiverThread(const ReceiverThread &) = delete;
    ReceiverThread &operator=(const ReceiverThread &) = delete;

    double sampleRate() const { return rate_; }

    // Commands, carried out in the order given (with the samples fed between them).
    void setOptions(const RxOptions &options);
    void setLms(int mode);
    void setNotch(double hz);
    void startScan(int mode);
    void stopScan();
    // These wait for the receiver's answer (whether there is anything to redraw from), not for
    // the redraw itself.
    bool resync();
    bool correctSlant();
    // Samples handed over by the caller (a file, the loopback).
    void feed(const float *samples, size_t n);
    // A source the worker reads by itself; null for none. Once this returns the worker no
    // longer touches the source given before.
    void setSource(SampleSource *source);
    // Whether what the source gives reaches the receiver (it is read and dropped otherwise,
    // e.g. while the station is sending).
    void setListening(bool on);

    // Waits until everything handed over so far has been carried out (not the redraws it
    // started), so that collect() sees its results.
    void sync();
    // Like sync(), and then every redraw and the end of a picture finished as well.
    void drain();

    // Status events since the last call, in the order they happened: RxStarted, RxEnded (always
    // alone) and RxFskId bits, each with the mode of the picture it concerns; an end also with
    // the picture as it ended and its lines received (the next picture may have begun since).
    struct Event {
        unsigned bits = 0;
        int mode = 0;
        int lines = 0;
        std::shared_ptr<const RgbImage> picture;
    };
    std::vector<Event> takeEvents();
    // Hands the picture rows changed since the last call, one by one (row, RGB bytes, width),
    // to `copy`, which runs while the worker waits to publish more.
    void takeRows(const std::function<void(int row, const uint8_t *rgb, int width)> &copy);
    // The next takeRows() hands every row of the picture (the caller's copy was overwritten).
    void resendRows();
    // What the receiver heard from the source since the last call (for the displays; at most
    // the last two seconds).
    void takeHeard(std::vector<float> &out);

    // Figures as of the worker's last publication.
    bool receiving() const;
    int mode() const;
    int linesReceived() const;
    std::string fskId() const;
    double slantPpm() const;
    // The clock error measured on the last picture that ended (none before one has).
    std::optional<double> lastSlantPpm() const;

private:
    struct Item {
        uint64_t seq = 0;
        std::function<void(Receiver &)> command; // or
        std::vector<float> samples;
    };
    uint64_t post(Item item);
    void waitDone(uint64_t seq);
    void run();
    void feedReceiver(const float *samples, size_t n);
    void gather();    // the receiver's events, after each piece of work
    void publish();   // figures and changed rows, for the caller

    const double rate_;
    std::unique_ptr<Receiver> rx_;    // used on the worker only (and before it starts)

    mutable std::mutex m_;            // guards everything below
    std::condition_variable wake_, done_;
    std::deque<Item> queue_;
    uint64_t posted_ = 0, finished_ = 0;
    bool stop_ = false;
    bool listening_ = true;
    bool hasSource_ = false;
    std::vector<Event> events_;
    RgbImage picture_;
    int dirtyFrom_ = 0, dirtyTo_ = 0;
    bool receiving_ = false;
    int mode_ = 6, lines_ = 0;
    std::string fskId_;
    double slantPpm_ = 0;
    std::optional<double> lastSlantPpm_;
    bool answer_ = false;             // the last resync / correctSlant's answer
    std::vector<float> heard_;        // from the source, for the caller's displays

    std::mutex sourceMutex_;          // held by the worker while it reads the source
    SampleSource *source_ = nullptr;
    std::vector<float> fromSource_;   // worker only
    std::vector<Event> pendingEvents_; // worker only
    std::thread thread_;
};

} // namespace vareror::core
