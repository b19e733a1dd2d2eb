#include "signal_monitor.h"

#include "dsp_fft.h"

#include <algorithm>
#include <cmath>

namespace vareror::core {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSilenceDb = -120;
// The analysis runs at about 11 to 12 kHz whatever the input rate.
constexpr double kWorkRate = 11025;
// Spectrum bins no wider than this (a 2048-point transform at 12 kHz).
constexpr double kMaxBinHz = 6;
// The demodulator's band: the displays' widest range, 0 to 3000 Hz, with room at the edges.
constexpr double kFmCentreHz = 1500, kFmHalfWidthHz = 1650;
constexpr double kFmFilterMs = 5;
constexpr double kEstimateMs = 0.5;
// An estimate counts as signal when its power is not far below the signal's recent power
// (digital silence never counts).
constexpr double kGateShare = 0.02;
constexpr double kSilentPower = 1e-12;
constexpr double kSlowPowerSeconds = 2;
// Syncs: 1200 Hz give or take a mistuned receiver, lasting as long as the syncs of the
// modes (about 5 ms in Martin, 9 ms in Scottie and Robot, 20 ms in PD), shorter than the
// 30 ms bits of a VIS header, at the steady spacing of lines.
constexpr double kSyncWindowMs = 2.5, kPictureBandHz = 1900, kPictureWindowMs = 1;
// Sync band over picture band to start a run, and to keep it going; one half-millisecond
// below that (a noise dip) does not end it.
constexpr double kSyncShare = 4, kSyncHoldShare = 2;
constexpr int kSyncGap = 1;
constexpr double kShortestSyncMs = 3, kLongestSyncMs = 25;
// A pulse's frequency is read inside it, clear of the window's smear at its edges.
constexpr double kSyncEdgeMs = kSyncWindowMs / 2;
constexpr double kShortestLineMs = 50, kLongestLineMs = 2000;
constexpr double kSpacingTolerance = 0.02, kSpacingSlackMs = 2;
constexpr double kPulsesKeptMs = 4500;
constexpr int kChainPulses = 4, kMissedLines = 2;

int powerOfTwoAtLeast(double n)
{
    int p = 256;
    while (p < n)
        p *= 2;
    return p;
}

template <class T>
void keepNewest(std::deque<T> &rows, T row)
{
    if (rows.size() >= SignalMonitor::kHistoryRows)
        rows.pop_front();
    rows.push_back(std::move(row));
}

} // namespace

SignalMonitor::SignalMonitor(double sampleRate) : inputRate_(sampleRate)
{
    const int factor = std::max(1, int(sampleRate / kWorkRate));
    decimator_.configure(factor, sampleRate);
    rate_ = sampleRate / factor;

    fftSize_ = powerOfTwoAtLeast(rate_ / kMaxBinHz);
    binHz_ = rate_ / fftSize_;
    plan_ = dsp::realForwardPlan(fftSize_);
    fftIn_ = fftwf_alloc_real(size_t(fftSize_));
    fftOut_ = fftwf_alloc_complex(size_t(fftSize_ / 2 + 1));
    // A Hann window; a sine of amplitude 1 comes out at 0 dB.
    window_.resize(size_t(fftSize_));
    double sum = 0;
    for (int i = 0; i < fftSize_; ++i) {
        window_[size_t(i)] = float(0.5 - 0.5 * std::cos(2 * kPi * i / fftSize_));
        sum += window_[size_t(i)];
    }
    windowGain_ = float(2.0 / sum);
    ring_.assign(size_t(fftSize_), 0.0f);
    hop_ = std::max(1, int(std::lround(rate_ * kSpectrumRowSeconds)));

    analytic_.configure(kFmCentreHz, kFmHalfWidthHz, int(std::lround(rate_ * kFmFilterMs / 1000)) | 1, rate_);
    syncBand_.configure(kSyncHz, kSyncWindowMs, rate_);
    pictureBand_.configure(kPictureBandHz, kPictureWindowMs, rate_);
    group_ = std::max(1, int(std::lround(rate_ * kEstimateMs / 1000)));
    groupMs_ = 1000.0 * group_ / rate_;
    estimatesPerRow_ = std::max(1, int(std::lround(kFmRowSeconds * 1000 / groupMs_)));
    row_.assign(size_t(kMaxHz / kFmBinHz), 0.0f);
    pending_.assign(2 * size_t(analytic_.delay()), 0.0f);
}

SignalMonitor::~SignalMonitor()
{
    fftwf_free(fftIn_);
    fftwf_free(static_cast<fftwf_complex *>(fftOut_));
}

// The analytic filter reads its neighbours on both sides: the samples are analysed once
// the filter's delay has come after them.
void SignalMonitor::process(const float *samples, size_t n)
{
    decimated_.clear();
    decimator_.run(samples, n, decimated_);
    pending_.insert(pending_.end(), decimated_.begin(), decimated_.end());
    const size_t context = 2 * size_t(analytic_.delay());
    if (pending_.size() > context) {
        const size_t count = pending_.size() - context;
        analysed_.resize(count);
        analytic_.run(pending_.data() + analytic_.delay(), count, analysed_.data());
        for (size_t i = 0; i < count; ++i)
            sample(pending_[size_t(analytic_.delay()) + i], analysed_[i]);
        pending_.erase(pending_.begin(), pending_.begin() + long(count));
    }
    judgeSync();
}

void SignalMonitor::sample(float y, dsp::cfloat z)
{
    ring_[ringPos_] = y;
    ringPos_ = (ringPos_ + 1) % ring_.size();
    sumSquares_ += double(y) * y;
    hopPeak_ = std::max(hopPeak_, std::abs(y));
    if (++sinceHop_ >= hop_)
        spectrumFrame();

    lag_ += z * std::conj(previous_);
    previous_ = z;
    groupPower_ += double(std::norm(z));
    const dsp::cfloat zs = syncBand_.push(y);
    syncLag_ += zs * std::conj(syncPrevious_);
    syncPrevious_ = zs;
    syncPower_ += double(std::norm(zs));
    picturePower_ += double(std::norm(pictureBand_.push(y)));
    if (++inGroup_ >= group_) {
        const double toHz = rate_ / (2 * kPi);
        const double power = groupPower_ / group_;
        frequencyEstimate(std::arg(lag_) * toHz, power);
        syncEstimate(syncLag_, syncPower_, picturePower_, power);
        lag_ = syncLag_ = {0, 0};
        groupPower_ = syncPower_ = picturePower_ = 0;
        inGroup_ = 0;
    }
}

void SignalMonitor::spectrumFrame()
{
    // The level of the hop just ended: RMS twice squared is a sine's amplitude squared.
    const double meanSquare = sumSquares_ / sinceHop_;
    levelDb_ = meanSquare > 0 ? std::max(kSilenceDb, 10 * std::log10(2 * meanSquare)) : kSilenceDb;
    peak_ = hopPeak_;
    sumSquares_ = 0;
    hopPeak_ = 0;
    sinceHop_ = 0;

    const size_t n = ring_.size();
    for (size_t i = 0; i < n; ++i)
        fftIn_[i] = ring_[(ringPos_ + i) % n] * window_[i];
    auto *out = static_cast<fftwf_complex *>(fftOut_);
    fftwf_execute_dft_r2c(static_cast<fftwf_plan>(plan_), fftIn_, out);
    const auto bins = size_t(std::min<double>(fftSize_ / 2 + 1, std::ceil(kMaxHz / binHz_) + 1));
    std::vector<float> row(bins);
    for (size_t k = 0; k < bins; ++k) {
        const double re = out[k][0] * windowGain_, im = out[k][1] * windowGain_;
        const double power = re * re + im * im;
        row[k] = float(power > 0 ? std::max(kSilenceDb, 10 * std::log10(power)) : kSilenceDb);
    }
    keepNewest(spectrumRows_, std::move(row));
}

void SignalMonitor::frequencyEstimate(double hz, double power)
{
    ++groups_;
    const double keep = std::exp(-groupMs_ / (kSlowPowerSeconds * 1000));
    slowPower_ = slowPower_ * keep + power * (1 - keep);
    const bool signal = power > kSilentPower && power > kGateShare * slowPower_;

    if (signal && hz >= 0 && hz < kMaxHz)
        row_[size_t(hz / kFmBinHz)] += 1;
    if (++inRow_ >= estimatesPerRow_) {
        for (float &v : row_)
            v /= float(inRow_);
        keepNewest(fmRows_, row_);
        std::fill(row_.begin(), row_.end(), 0.0f);
        inRow_ = 0;
    }
}

// Gated like the FM rows (by the wide band's power), so silence makes no runs.
void SignalMonitor::syncEstimate(dsp::cfloat lag, double syncPower, double picturePower, double power)
{
    const bool signal = power > kSilentPower && power > kGateShare * slowPower_;
    const double share = run_.empty() ? kSyncShare : kSyncHoldShare;
    if (signal && syncPower > share * picturePower) {
        run_.push_back(lag);
        runGap_ = 0;
    } else if (!run_.empty() && ++runGap_ > kSyncGap) {
        run_.resize(run_.size() - size_t(runGap_ - 1)); // the gap is no part of it
        runGap_ = 0;
        syncRunEnded();
    } else if (!run_.empty()) {
        run_.push_back(lag);
    }
}

void SignalMonitor::syncRunEnded()
{
    const double lengthMs = double(run_.size()) * groupMs_;
    if (lengthMs >= kShortestSyncMs && lengthMs <= kLongestSyncMs) {
        const auto edge = size_t(kSyncEdgeMs / groupMs_);
        const size_t from = run_.size() > 2 * edge + 1 ? edge : 0;
        dsp::cfloat lag{0, 0};
        for (size_t i = from; i < run_.size() - from; ++i)
            lag += run_[i];
        const double endMs = double(groups_ - 1) * groupMs_;
        pulses_.push_back({endMs - lengthMs / 2, kSyncHz + std::arg(lag) * rate_ / (2 * kPi)});
    }
    run_.clear();
}

void SignalMonitor::Band::configure(double hz, double windowMs, double rate)
{
    if (!dsp::positive(rate)) dsp::refuse("SignalMonitor::Band", "a rate of %g Hz; it must be above 0", rate);
    if (!(hz >= 0 && hz < rate / 2))
        dsp::refuse("SignalMonitor::Band", "a tone of %g Hz at %g Hz; it must lie from 0 to below half the rate (%g Hz)", hz, rate,
                    rate / 2);
    if (!dsp::positive(windowMs)) dsp::refuse("SignalMonitor::Band", "a window of %g ms; it must be above 0", windowMs);
    step_ = std::polar(1.0, -2 * kPi * hz / rate);
    turn_ = {1, 0};
    sum_ = {0, 0};
    window_.assign(size_t(std::max(1L, std::lround(windowMs * rate / 1000))), dsp::cfloat{0, 0});
    pos_ = 0;
}

dsp::cfloat SignalMonitor::Band::push(float x)
{
    const std::complex<double> mixed = turn_ * double(x);
    turn_ *= step_;
    if (++sinceRenormal_ >= 1024) { // keep the oscillator on the unit circle
        turn_ /= std::abs(turn_);
        sinceRenormal_ = 0;
    }
    sum_ += mixed - std::complex<double>(window_[pos_]);
    window_[pos_] = dsp::cfloat(mixed);
    pos_ = (pos_ + 1) % window_.size();
    return dsp::cfloat(sum_ / double(window_.size()));
}

// Syncs are seen when the newest pulse leads a chain of at least four at a line's spacing
// (a missed pulse or two in between allowed), and came no longer ago than two lines.
// Pulses off the chain (noise, picture content near 1200 Hz) do not matter; noise alone
// makes a pulse now and then, never such a chain. The syncs' frequency is the median of
// the chain's.
void SignalMonitor::judgeSync()
{
    const double nowMs = double(groups_) * groupMs_;
    while (!pulses_.empty() && pulses_.front().ms < nowMs - kPulsesKeptMs)
        pulses_.pop_front();
    syncSeen_ = false;
    if (pulses_.size() < size_t(kChainPulses))
        return;
    const size_t last = pulses_.size() - 1;
    const double newest = pulses_[last].ms;
    std::vector<double> chain;
    for (size_t j = last; j-- > 0;) {
        const double spacing = newest - pulses_[j].ms;
        if (spacing < kShortestLineMs || nowMs - newest > 2 * spacing + kLongestSyncMs)
            continue;
        if (spacing > kLongestLineMs)
            break;
        const double slack = std::max(kSpacingSlackMs, kSpacingTolerance * spacing);
        chain.assign({pulses_[last].hz, pulses_[j].hz});
        double link = pulses_[j].ms;
        for (size_t i = j; i-- > 0;) {
            const double gap = link - pulses_[i].ms;
            const double lines = std::round(gap / spacing);
            if (lines > kMissedLines + 1)
                break;
            if (lines >= 1 && std::abs(gap - lines * spacing) <= slack * lines) {
                chain.push_back(pulses_[i].hz);
                link = pulses_[i].ms;
            }
        }
        if (chain.size() >= size_t(kChainPulses)) {
            std::nth_element(chain.begin(), chain.begin() + long(chain.size() / 2), chain.end());
            syncHz_ = chain[chain.size() / 2];
            syncSeen_ = true;
            return;
        }
    }
}

} // namespace vareror::core
