#pragma once
// What the engine's tuning and spectrum displays show of the signal the receiver hears: its
// level, its power spectrum over time, where its demodulated frequency sits over time, and
// whether line syncs come at a steady pace. It listens beside the receiver to the same
// samples and keeps no tie to it.

#include "dsp_filters.h"

#include <cstddef>
#include <complex>
#include <cstdint>
#include <deque>
#include <vector>

namespace vareror::core {

class SignalMonitor {
public:
    static constexpr double kMaxHz = 3500;           // the rows cover 0 to this
    static constexpr double kFmBinHz = 5;            // width of a bin of the FM rows
    static constexpr double kSpectrumRowSeconds = 0.1;
    static constexpr double kFmRowSeconds = 0.025;
    static constexpr size_t kHistoryRows = 256;      // rows kept of each kind
    static constexpr double kSyncHz = 1200;

    explicit SignalMonitor(double sampleRate);
    ~SignalMonitor();
    SignalMonitor(const SignalMonitor &) = delete;
    SignalMonitor &operator=(const SignalMonitor &) = delete;

    double sampleRate() const { return inputRate_; }
    void process(const float *samples, size_t n);

    // Power spectra, one per 100 ms of signal, newest last: bin k stands for k * spectrumBinHz()
    // Hz, in dB against a full-scale sine (-120 for silence).
    const std::deque<std::vector<float>> &spectrumRows() const { return spectrumRows_; }
    double spectrumBinHz() const { return binHz_; }
    // Where the demodulated frequency sat, one row per 25 ms, newest last: bin k covers
    // k * kFmBinHz to (k + 1) * kFmBinHz Hz and holds the share (0 to 1) of the row's time
    // that a signal's frequency was there.
    const std::deque<std::vector<float>> &fmRows() const { return fmRows_; }

    // Level over the last 100 ms: RMS in dB against a full-scale sine, and the highest
    // magnitude of a sample.
    double levelDb() const { return levelDb_; }
    double peak() const { return peak_; }
    // Line syncs seen at a steady pace, the last one a moment ago; their mean frequency.
    bool syncSeen() const { return syncSeen_; }
    double syncHz() const { return syncSeen_ ? syncHz_ : 0; }

private:
    void sample(float y, dsp::cfloat analytic);
    void spectrumFrame();
    void frequencyEstimate(double hz, double power);
    void syncEstimate(dsp::cfloat lag, double syncPower, double picturePower, double power);
    void syncRunEnded();
    void judgeSync();

    double inputRate_, rate_;
    dsp::Decimator decimator_;
    int fftSize_ = 1024;
    double binHz_ = 0;
    void *plan_ = nullptr;
    float *fftIn_ = nullptr;
    void *fftOut_ = nullptr;
    std::vector<float> window_;
    float windowGain_ = 1;
    std::vector<float> ring_;            // the last fftSize_ samples, circular
    size_t ringPos_ = 0;
    int hop_ = 1, sinceHop_ = 0;
    double sumSquares_ = 0;
    float hopPeak_ = 0;
    double levelDb_ = -120, peak_ = 0;
    std::deque<std::vector<float>> spectrumRows_;

    // The demodulated frequency, estimated over groups of half a millisecond.
    dsp::AnalyticFilter analytic_;
    std::vector<float> decimated_, pending_;  // pending: waiting for the filter's look-ahead
    std::vector<dsp::cfloat> analysed_;
    dsp::cfloat previous_{0, 0}, lag_{0, 0};
    double groupPower_ = 0, slowPower_ = 0;
    int group_ = 1, inGroup_ = 0;
    double groupMs_ = 0.5;
    uint64_t groups_ = 0;                // estimates made since the start
    int estimatesPerRow_ = 50, inRow_ = 0;
    std::vector<float> row_;
    std::deque<std::vector<float>> fmRows_;

    // A band of the signal mixed down to 0 Hz and averaged over a short window.
    class Band {
    public:
        void configure(double hz, double windowMs, double rate);
        dsp::cfloat push(float x);

    private:
        std::complex<double> turn_{1, 0}, step_{1, 0}, sum_{0, 0};
        std::vector<dsp::cfloat> window_;
        size_t pos_ = 0;
        int sinceRenormal_ = 0;
    };
    // Syncs: runs of half-milliseconds in which a narrow band at 1200 Hz holds much more
    // than the band of the picture's tones, as long as a sync pulse.
    Band syncBand_, pictureBand_;
    dsp::cfloat syncPrevious_{0, 0}, syncLag_{0, 0};
    double syncPower_ = 0, picturePower_ = 0;
    std::vector<dsp::cfloat> run_;       // the sync band's phase advance, per estimate of the run
    int runGap_ = 0;
    struct Pulse {
        double ms;                        // its middle, on the estimates' time axis
        double hz;
    };
    std::deque<Pulse> pulses_;
    bool syncSeen_ = false;
    double syncHz_ = 0;
};

} // namespace vareror::core
