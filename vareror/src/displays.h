#pragma once
// The engine's three small displays, drawn into the program's DIBs after every job from
// what the receiver heard in it:
// - the tuning view: the input level, where the received tones sit against the 1200, 1500
//   and 2300 Hz marks, and whether line syncs are coming (with their frequency);
// - the two spectrum views over the range the program set: the FFT spectrum (A) and its
//   waterfall (B), or, with the FM display type, where the demodulated frequency sits (A as
//   a histogram, B scrolling over time); marks at 1200, 1500, 1900 and 2300 Hz and at the
//   notch while it is on.
// Each display is drawn at the size the program made its DIB; a missing DIB is skipped.

#include "signal_monitor.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace vareror::lib {

struct DisplaySettings {
    int32_t tuneWord = 0x25;
    int lowHz = 700, highHz = 2000;  // the spectrum views' range
    int notchHz = 0;                 // 0: no notch
    QString fault;                   // a sound-device failure to show in plain words
};

// The display word's type: the FM views when bit &H20 is set without &H10 (&H25, "Sp FM"),
// the FFT views otherwise (&H12, "Sp FFT").
bool fmViews(int32_t tuneWord);

class DisplayRenderer {
public:
    DisplayRenderer();
    ~DisplayRenderer();

    // The samples the receiver heard, at their rate (a new rate starts the displays afresh).
    void feed(const float *samples, size_t n, double rate);
    void draw(QImage *specA, QImage *specB, QImage *tune, const DisplaySettings &settings);

    // What the views are drawn from (null before the first samples).
    const core::SignalMonitor *monitor() const { return monitor_.get(); }

private:
    void drawSpectrum(QImage &image, const DisplaySettings &s);
    void drawWaterfall(QImage &image, const DisplaySettings &s);
    void drawFmHistogram(QImage &image, const DisplaySettings &s);
    void drawFmScroll(QImage &image, const DisplaySettings &s);
    void drawTuning(QImage &image, const DisplaySettings &s);

    std::unique_ptr<core::SignalMonitor> monitor_;
    double topDb_ = -70;             // the spectrum's scale follows the strongest signal
    std::vector<QRgb> palette_;
    std::vector<float> column_;      // scratch: one value per column
    std::vector<float> mean_;        // scratch: the spectrum's recent mean
};

} // namespace vareror::lib
