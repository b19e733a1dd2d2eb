#pragma once

#include "image.h"
#include "modes.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vareror::core {

struct TxRequest {
    int mode = 0;
    RgbImage picture;            // any size: scaled to the mode's native size inside
    double sampleRate = 11025;   // 11025, 44100, 48000 (others allowed)
    double clockFactor = 1.0;    // sound-card clock calibration: samples are generated at
                                 // sampleRate * clockFactor per nominal second
    bool fskId = false;
    bool cwId = false;
    std::string idText;
    bool preamble = false;       // the optional tone preamble before the VIS
};

// The CW ID's keying: 20 words per minute (60 ms dot) on an 800 Hz tone, well away from the
// SSTV tones so no receiver mistakes it for a leader or a sync. It starts after a silent word
// gap (7 dots) and every element is shaped with 5 ms raised-cosine edges centred on the
// nominal keying instants, so there are no clicks.
constexpr double kCwToneHz = 800.0;
constexpr double kCwWpm = 20.0;
constexpr double kCwDotMs = 1200.0 / kCwWpm;
constexpr double kCwRampMs = 5.0;

// FSK ID framing.
constexpr double kFskBitMs = 22.0, kFskOneHz = 1900.0, kFskZeroHz = 2100.0;
constexpr double kFskLeadMs = 300.0, kFskLeadHz = 1500.0, kFskTailMs = 100.0, kFskTailHz = 1900.0;
// Text symbols that an FSK ID of `text` carries (capitals, codes 0x20..0x5F minus 0x20;
// characters that cannot be sent are left out), without the framing symbols.
std::vector<int> fskIdSymbols(const std::string &text);
// The longest FSK ID a receiver reads back (a longer burst is taken for a false start).
constexpr size_t kFskIdMaxChars = 20;
// Empty when `text` can be sent as an FSK ID and read back as sent (lowercase goes as
// capitals); otherwise why not. "!" ends the text on air, so it cannot be part of it.
std::string fskIdProblem(const std::string &text);
// Morse code of one character as dots and dashes ("" when it has none).
const char *morseCode(char c);

// Generates one transmission (preamble, header, picture, FSK ID, CW ID) as a stream of
// samples, peak amplitude 0.5. Every segment boundary sits on an exact time axis: sample n
// is taken at nominal time n / (sampleRate * clockFactor) from a phase that integrates the
// tone frequencies exactly over time, so a boundary between two samples lands where it
// belongs instead of on the nearer sample, and no rounding accumulates over the picture.
// The oscillator is phase-continuous across every boundary.
// An invalid request (unknown mode, rate <= 0) produces no samples: valid() is false.
class Encoder {
public:
    explicit Encoder(const TxRequest &);

    size_t generate(float *out, size_t maxSamples); // samples written; 0 when finished
    bool finished() const { return pos_ >= total_; }
    bool valid() const { return valid_; }
    int currentLine() const;      // native picture lines sent so far (0..totalLines())
    int totalLines() const;       // native picture height of the mode
    double totalSeconds() const { return totalMs_ / 1000.0; } // nominal air time
    size_t totalSamples() const { return total_; }
    size_t position() const { return pos_; }

    // Nominal times (ms from the first sample) of the parts of the transmission.
    double headerStartMs() const { return preambleMs_; }
    double pictureStartMs() const { return pictureStartMs_; }
    double pictureEndMs() const { return pictureEndMs_; }

private:
    struct Step {
        double startMs;
        float hz;
        uint8_t shape; // 0 steady, 1 ramp up, 2 ramp down, 3 silent
    };
    void buildChunk(int c);
    void buildPeriod(int k);
    void buildTrailer();
    double sampleValue(int channel, int line, int i, int n) const;
    double integrate(double t0, double t1);

    TxRequest req_;
    bool valid_ = false;
    int mode_ = 0;
    double fs_ = 0, msPerSample_ = 0, radPerHzMs_ = 0;
    double preambleMs_ = 0, pictureStartMs_ = 0, pictureEndMs_ = 0, totalMs_ = 0;
    size_t total_ = 0, pos_ = 0;
    double phase_ = 0;

    // Picture planes at the mode's native size, values 0..255: R, G, B, Y, Cr, Cb, grey
    // (only those the mode needs are filled).
    std::vector<float> planes_[kPlaneCount];
    int width_ = 0, height_ = 0;

    int chunk_ = -1, chunkCount_ = 0;
    double chunkEndMs_ = 0;
    std::vector<Step> steps_;
    size_t idx_ = 0;
    float lastHz_ = 1500;
};

// A steady phase-continuous tone (peak 0.5), for the tune function.
class ToneGenerator {
public:
    ToneGenerator(double hz, double sampleRate);
    size_t generate(float *out, size_t n); // always fills n
    void setFrequency(double hz) { hz_ = hz; }
    double frequency() const { return hz_; }

private:
    double hz_, fs_, phase_ = 0;
};

// The whole transmission at once.
std::vector<float> encodeAll(const TxRequest &);

} // namespace vareror::core
