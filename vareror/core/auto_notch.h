#pragma once
// The automatic notch (the LMS auto-notch modes): finds steady carriers in the received audio (a
// tuning whistle, a CW signal beside the picture) and takes each out by subtracting it, its
// amplitude followed by an LMS canceller on a sine reference whose phase a loop holds on the
// carrier. A canceller takes out only a fraction of a hertz about the carrier, where a notch wide
// enough to hold a carrier would take the picture's tones with it.
//
// What is a carrier: a line in the spectrum of the last kWindowSeconds whose removal leaves an
// FM signal's steady envelope where it was beating with the carrier, and nowhere spoils it. An
// SSTV signal has one tone at a time, so beside a picture a carrier shows by its beats; a
// picture's own tones repeated line after line (a colour down a column, the grey wedge of a test
// card) leave no beats to take out, and their removal beats with the picture wherever it moves
// away (a line sync at the least). A tone alone is taken where it holds one phase all through the
// window, which no picture's stretch does through the porches between its scans, but not while a
// picture is being received (some modes send a scan after another with no porch between) nor
// near black or the leader's tone: those are taken once they have stood longer than any mode's
// line.

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vareror::core::dsp {

class AutoNotch {
public:
    // Fast follows a carrier's level within a second and its drift with a loop of 0.2 Hz; slow
    // within three seconds and 0.15 Hz, and takes less of the picture's spectrum about it.
    enum class Speed { Fast, Slow };

    AutoNotch();
    ~AutoNotch();
    AutoNotch(const AutoNotch &) = delete;
    AutoNotch &operator=(const AutoNotch &) = delete;

    void configure(bool on, Speed speed, double rate);
    void reset();
    void run(float *x, size_t n);
    bool on() const { return on_; }
    // While a picture is being received, a tone with nothing beside it is taken only once it has
    // stood kLoneSeconds.
    void pictureGoing(bool going) { picture_ = going; }
    // The carriers being taken out (Hz), strongest first; frequency(): the strongest, 0: none.
    std::vector<double> carriers() const;
    double frequency() const;

    // s: the spectrum and the tests read this much of the audio (a carrier 10 dB under the picture
    // stands 13 dB over the picture's own spectrum in it) (carriers).
    static constexpr double kWindowSeconds = 0.37;
    // s: the window is looked at again this often; with kQuickPasses passes running a carrier is
    // taken 0.46 s after it began, a span longer than Martin 1's and Scottie 1's line, so that a
    // uniform stretch of theirs beside a carrier is broken by a sync within it (carriers).
    static constexpr double kHopSeconds = 0.046;
    static constexpr int kQuickPasses = 3;
    // s: a tone that is not taken quickly is taken once it has stood this long, longer than the
    // line of every mode with line syncs; Hz: within kBandHz of black or the leader's tone, a tone
    // is only taken so (carriers).
    static constexpr double kLoneSeconds = 1.5;
    static constexpr double kBandHz = 100;

private:
    struct Carrier {
        double hz = 0;                              // where it was found
        std::complex<double> osc{1, 0}, step{1, 0}; // the reference and its turn per sample
        double turn = 0;                            // the loop's correction of the turn (rad)
        double drift = 0;                           // ... and how it changes per sample
        std::complex<double> a{0, 0};               // the carrier's amplitude on the reference
        std::complex<double> near{0, 0};            // what is left about it (a picture's tone)
        int64_t since = 0;                          // the sample it was taken at
        double mu = 0;                              // the amplitude's step, by its age,
        double loopP = 0, loopI = 0, loopD = 0;     // and the loop's gains
        int misses = 0;
    };
    struct Track {
        double hz = 0;
        int64_t since = 0; // the sample where its passes began
        int passes = 0;
        bool quick = true; // every pass may take it quickly
    };
    struct Candidate {
        double hz = 0;
        std::complex<double> a{0, 0}; // amplitude at the window's last sample
        bool beside = false;          // an FM signal beside it
        bool steady = false;          // alone, in one phase all through
    };

    void analyse();
    void spectrum();
    void band(int &lo, int &hi) const;
    std::vector<Candidate> candidates();
    bool carrierTest(Candidate &c) const;
    void follow();
    void take(const std::vector<Candidate> &found);
    void lock(const Candidate &c);
    void settle(Carrier &c) const;
    double hz(const Carrier &c) const;

    bool on_ = false, picture_ = false;
    Speed speed_ = Speed::Fast;
    double rate_ = 11025;
    int n_ = 4096, hop_ = 512;
    std::vector<float> ring_; // the last n_ input samples, twice written
    int pos_ = 0;
    int64_t count_ = 0;       // input samples so far
    int sinceAnalysis_ = 0;
    double tauMost_ = 1, loopLeast_ = 0.1, nearStep_ = 0;
    std::vector<Carrier> carriers_;
    std::vector<Track> tracks_;
    // analysis buffers
    std::vector<float> frame_, win_, power_;
    double windowSum_ = 0;
    std::vector<std::complex<float>> z_; // the window's analytic signal, band-limited
    float *fftReal_ = nullptr;
    void *fftOut_ = nullptr, *fftZ_ = nullptr;
};

} // namespace vareror::core::dsp
