#pragma once

#include "image.h"
#include "vareror.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vareror::core {

namespace rx {
class FrontEndTap;
}

// Bits of takeEvents(): the engine's status word's own bits (the library's public header).
enum RxEvent : unsigned { RxStarted = VRR_STATUS_RX_STARTED, RxFskId = VRR_STATUS_FSKID, RxEnded = VRR_STATUS_ENDED };

// Mirrors the engine's receive word; the library maps its bits to these fields.
struct RxOptions {
    bool fskIdRx = true, afc = true, lmsSmoothing = false, autoRestart = true, autoStop = true,
         autoResync = true, autoSlant = true, autoClear = true;
    int syncAccuracy = 1;            // 0 low .. 2 high
    int rxBuffer = 1;                // 0 off, 1 RAM, 2 file
    int demodulator = 2;             // 0 PLL, 1 zero-crossing, 2 Hilbert
    int dspFilter = 1;               // 0 off, 1 broad, 2 sharp, 3 very sharp
};

class RxMachine;

// The SSTV receiver: feed it audio, it finds VIS headers, tracks the line syncs and draws the
// pictures it receives. Not thread-safe: one thread feeds it and reads its results.
class Receiver {
public:
    explicit Receiver(double sampleRate);
    ~Receiver();
    Receiver(const Receiver &) = delete;
    Receiver &operator=(const Receiver &) = delete;

    void setOptions(const RxOptions &);
    RxOptions options() const;
    // Adaptive filter: 0 off, 1 noise smoothing, 2 auto-notch fast, 3 auto-notch slow.
    // Noise smoothing runs while this is 0 or 1 and RxOptions::lmsSmoothing is set, or
    // while this is 1; the auto-notches run whenever selected.
    void setLms(int mode);
    int lms() const;
    void setNotch(double hz);        // 0 = off
    double notch() const;

    // Feed audio, any chunk size. The receiver acts on it every 256 working samples (23 ms at
    // 11025 Hz), at the same places whatever the chunks: what came after the last of them
    // waits for the next call.
    void process(const float *samples, size_t n);
    // Where a display may read the front end's working samples and demodulated frequency
    // (called on the thread that feeds the receiver); null for none.
    void setFrontEndTap(rx::FrontEndTap *tap);
    unsigned takeEvents();           // OR of RxEvent since last call, then cleared
    // Force RX: a picture in that mode starts now, where its syncs fall from here on, as the
    // operator asks (`Now`); or, for a recording decoded in a forced mode (`FirstLine`), at the
    // mode's first line sync, or where a header of that mode heard meanwhile says it starts.
    enum class ForcedStart { Now, FirstLine };
    void startScan(int mode, ForcedStart start = ForcedStart::Now);
    void stopScan();                 // end the picture, back to waiting for a VIS
    bool receiving() const;
    int mode() const;                // mode of current/last picture; 6 before any
    int linesReceived() const;       // picture lines received so far
    const RgbImage &picture() const; // exposed size of mode() (modes 0..2 at twice size)
    int dirtyFrom() const;
    int dirtyTo() const;
    void clearDirty();               // rows changed since clearDirty: [dirtyFrom, dirtyTo)
    std::string fskId() const;       // last received FSK ID text
    // Redraw from the kept signal; false when there is nothing to redraw from (RX buffer off,
    // or the picture's signal no longer kept).
    bool resync();
    // Measure the clock error from the sync positions and redraw straight; the rest of this
    // picture follows the syncs' slant too.
    bool correctSlant();
    double slantPpm() const;

    // For a caller with a thread of its own: with deferred work, process() and resync() only
    // start the redraws that follow a moved fit, the end of a picture or a resync, and
    // work() does them a slice at a time (interleaved with process(), which decodes the
    // periods as they come). A picture's end (RxEnded) is reported once its last redraw is
    // done. Without (the default), every call does all its work before it returns.
    void setDeferWork(bool defer);
    bool work(int budget);           // up to `budget` units (a period decoded again: 8, a line
                                     // drawn: 1, a weak line filtered: 8); true when more is left
    bool workPending() const;
    // Off: a picture is drawn only once it has ended, not as its lines arrive, which spares
    // the drawing of lines the end draws again (for a recording decoded for its finished
    // pictures: a weak picture's lines are filtered again wherever its fit moved). The
    // finished picture is the same either way; picture() shows nothing new until then.
    void setDrawWhileArriving(bool on);

    // Extras for tools and tests (compatible additions to the engine contract).
    struct Finished {
        RgbImage picture;            // as it stood when the picture ended
        int mode = -1;               // -1: no picture has ended yet
        int lines = 0;               // linesReceived() at the end
        int headerMode = -1;         // the mode the picture's header named: its own mode, or for a
                                     // picture forced without one (Force RX) the first header heard
                                     // while it ran; -1 none
        bool lineStructure = true;   // false: forced, its signal showed no line structure of its
                                     // mode (another mode's, or none); it has no lines
        double startSeconds = 0;     // input time of the picture's first period
        double slantPpm = 0;         // sample-clock error measured from the syncs
        uint64_t count = 0;          // pictures ended so far
    };
    const Finished &lastFinished() const; // the picture that ended last (survives a restart)
    double sampleRate() const;
    double pictureStartSeconds() const;  // input time of the current/last picture's first period
    double tuningOffsetHz() const;       // AFC offset measured on the last VIS leader
    uint64_t samplesProcessed() const;
    size_t keptSignalBytes() const;      // memory the kept signal has taken (it is kept for reuse)

private:
    std::unique_ptr<RxMachine> machine_;
};

} // namespace vareror::core
