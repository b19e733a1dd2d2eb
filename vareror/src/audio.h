#pragma once
// The engine's sound devices: a sound card through PortAudio, a WAV file (libsndfile), and
// nothing. (The loopback lives in the engine itself: what is sent is handed to the receiver.)
// A sound card runs on its own clock; its callbacks touch nothing but lock-free rings, which
// the engine services from mmsDoJob on the program's thread.

#include "sample_ring.h"
#include "sound_file.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct PaStreamCallbackTimeInfo;

namespace vareror::lib {

using core::SampleRing;

// Process-wide output gain (left low, right high 16 bits).
uint32_t outputGain();
void setOutputGain(uint32_t gain);
// Gain for a one-channel output: the mean of both channels, 0..1.
float monoGain();

// PortAudio, started on first use and ended by the last user.
bool portAudioAcquire(std::string &error);
void portAudioRelease();

class CardOutput {
public:
    // Opens the named device ("default" for the system's default) at `rate`; check ok().
    CardOutput(const std::string &name, int rate);
    ~CardOutput();
    bool ok() const { return stream_ != nullptr; }
    // False once the stream has stopped by itself (its device or sound server went away).
    bool alive() const;
    const std::string &error() const { return error_; }
    const std::string &deviceName() const { return deviceName_; }
    // Samples to write now to keep the card about `aheadSeconds` ahead.
    size_t wanted(double aheadSeconds) const;
    void write(const float *mono, size_t n);  // pre-gain; the gain applies as they play
    bool drained() const { return ring_.fill() == 0; }
    uint64_t played() const { return ring_.consumed(); }
    uint64_t written() const { return ring_.produced(); }
    void drop() { ring_.dropQueued(); }
    double latencySeconds() const { return latency_; }
    uint64_t underruns() const { return underruns_.load(); }

private:
    static int callback(const void *, void *, unsigned long, const PaStreamCallbackTimeInfo *,
                        unsigned long, void *);
    void *stream_ = nullptr;
    bool acquired_ = false;
    int channels_ = 1, rate_ = 11025;
    double latency_ = 0;
    SampleRing ring_;
    std::atomic<uint64_t> underruns_{0};
    std::string error_, deviceName_;
};

// A sound card's input. Its ring holds 8 s; the receiver's thread empties it every few
// milliseconds. Beyond 8 s (a receiver thread held up that long) the newest samples are lost
// and counted, and read() gives silence of their length in their place, so a picture coming
// in keeps its timing and loses only the lines of that stretch.
class CardInput {
public:
    CardInput(const std::string &name, int rate);
    ~CardInput();
    bool ok() const { return stream_ != nullptr; }
    bool alive() const;
    const std::string &error() const { return error_; }
    const std::string &deviceName() const { return deviceName_; }
    size_t read(std::vector<float> &out);  // appends everything captured since the last read
    uint64_t overruns() const { return overruns_.load(); }
    uint64_t lostSamples() const { return ring_.lost(); }

private:
    static int callback(const void *, void *, unsigned long, const PaStreamCallbackTimeInfo *,
                        unsigned long, void *);
    void *stream_ = nullptr;
    bool acquired_ = false;
    int channels_ = 1;
    SampleRing ring_;
    std::atomic<uint64_t> overruns_{0};
    std::string error_, deviceName_;
};

// 16-bit mono WAV file written as the samples come.
class WavWriter {
public:
    WavWriter(const std::string &path, int rate);
    ~WavWriter();
    bool ok() const { return file_ != nullptr; }
    const std::string &error() const { return error_; }
    void write(const float *mono, size_t n);  // samples already carry the gain
    void sync();
    uint64_t frames() const { return frames_; }

private:
    void *file_ = nullptr;
    uint64_t frames_ = 0;
    std::string error_;
};

// A WAV (or any other sound) file read as mono; silence after its end.
class WavReader {
public:
    explicit WavReader(const std::string &path);
    ~WavReader();
    bool ok() const { return file_ != nullptr; }
    const std::string &error() const { return error_; }
    int rate() const { return file_ ? file_->rate() : 0; }
    bool atEnd() const { return atEnd_; }
    void read(float *out, size_t n);

private:
    std::unique_ptr<core::SoundFile> file_;
    bool atEnd_ = false;
    std::string error_;
};

// Names of the sound cards present (for the option dialog), "" entries excluded.
std::vector<std::string> cardNames(bool output);

} // namespace vareror::lib
