#pragma once
// The picture composer: holds the decoded planes of the picture being received (luminance and
// colour differences, or red, green and blue, or grey), turns lines whose data has arrived
// into RGB rows of the received picture, and keeps the range of rows changed since the
// library last copied them.
//
// Colour levels: the luminance/colour-difference modes are decoded with the studio-range
// formulas (Y 16..235), the published standard and what our own transmitter sends, unless
// the picture shows flat areas clearly outside the studio range, which only a full-range
// encoder produces: a flat stretch is a run of 8 or more Y pixels within 8 levels of each
// other, and it is outside when its mean is below 8 or above 247. When such stretches hold
// more than 0.4 % of all Y pixels the full-range formulas are used. Overshoot and ringing
// at sharp edges are never flat for long, and noise either scatters a stretch or averages
// out in its mean, so neither can flip a studio-range picture (counting single samples
// outside 8..247 did: ringing behind a narrow receiver filter, or noise at 12 dB SNR).
// The decision is re-taken as lines arrive and the picture recomposed when it changes, so
// both kinds of encoder give correct black, white and saturation.
//
// Weak signals: near the noise floor each line is also filtered across its neighbours
// (weakRow, weakChroma), so it is drawn twice: as it arrives, and again once every line its
// filters reach has arrived.

#include "image.h"
#include "modes.h"

#include <cstdint>
#include <vector>

namespace vareror::core::rx {

class PictureComposer {
public:
    // A picture starts in mode m; `clear` starts from a black picture (otherwise the last
    // one stays under the new lines when the size is the same).
    void start(const ModeInfo &m, bool weak, bool clear);
    int width() const { return W_; }
    int lines() const { return H_; }          // native lines
    int rowsPerLine() const { return rowsPerLine_; }

    // The line decoder's output.
    float *row(int plane, int line) { return planes_[plane].data() + size_t(line) * size_t(W_); }
    void lineArrived(int line);
    bool arrived(int line) const { return line >= 0 && line < H_ && done_[size_t(line)]; }
    // Counts a row of luminance for the colour-range rule.
    void countLevels(const float *y, int n);
    void resetLevels();

    // After period k has been decoded: the range decision taken again, and the lines that
    // can now be drawn drawn (the whole picture when the range changed).
    void periodDone(int k);
    // The picture ends after `lines` lines: the last lines, which never got all their
    // neighbours, are drawn with what there is.
    void finish(int lines);
    // After the whole picture has been decoded again: the range decision taken again and
    // every line drawn.
    void redrawAll();
    // After some lines have been decoded again: every line drawn.
    void recompose() { composeAll(); }

    const RgbImage &picture() const { return pic_; }
    int dirtyFrom() const { return dirtyFrom_; }
    int dirtyTo() const { return dirtyTo_; }
    void clearDirty() { dirtyFrom_ = dirtyTo_ = 0; }

private:
    bool fullRangeNow() const;
    // provisional: a weak signal's line drawn before all the lines its filters reach have
    // arrived; its colour is left unfiltered until it is drawn again
    void composeLine(int line, bool provisional = false);
    void composeAll();
    void weakRow(int plane, int line, float *out);
    void weakChroma(int line, float *cr, float *cb) const;
    void markDirty(int row0, int row1);

    const ModeInfo *m_ = nullptr;
    int W_ = 320, H_ = 256, rowsPerLine_ = 1;
    bool weak_ = false;
    std::vector<float> planes_[kPlaneCount];
    std::vector<float> yClean_;      // weak signals: the luminance after the noise filter
    std::vector<uint8_t> done_;
    bool fullRange_ = false;
    int64_t yCount_ = 0, yLow_ = 0, yHigh_ = 0;
    RgbImage pic_{320, 256};
    int dirtyFrom_ = 0, dirtyTo_ = 0;
};

} // namespace vareror::core::rx
