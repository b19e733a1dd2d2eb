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
// other, and it is outside when its mean is below 8 or above 247 (in noise, which stretches the
// readings' contrast, further out). When such stretches hold more than 0.4 % of all Y pixels
// the full-range formulas are used. Overshoot and ringing at sharp edges are never flat for
// long, and noise either scatters a stretch or averages out in its mean, so neither can flip a
// studio-range picture (counting single samples outside 8..247 did: ringing behind a narrow
// receiver filter, or noise at 12 dB SNR; so did the stretched contrast at 3 dB and below,
// on some noise seeds and not on others).
// The decision is re-taken as lines arrive and the picture recomposed when it changes, so
// both kinds of encoder give correct black, white and saturation.
//
// Weak signals: near the noise floor each line is also filtered across its neighbours: its
// luminance (or R, G, B) once every line within reach has arrived. (So is a clean picture's,
// where its lines alternate against their neighbours: alternationGate.) A colour-difference
// picture's colour, weak or clean, is filtered too, guided by the (filtered) luminance
// around it, once the lines it reads have arrived. Until then a line is shown as decoded.
//
// Drawing is incremental: a line is drawn again only when a line it is made from has been
// decoded again (a redraw) or the range decision changed, and the work can be done a slice
// at a time (settle's budget).
//
// Its parts, each in a file of its own with its tuning in one table (picture_composer_tuning.h):
// picture_composer.cpp a picture's lines as they arrive, what can be drawn when, and the
// drawing of RGB rows; picture_composer_levels.cpp the colour-level rule;
// picture_composer_across_lines.cpp the filter across lines; picture_composer_columns.cpp the
// columns of vertical structure it keeps; picture_composer_alternation.cpp where it works
// whole (lines that alternate); picture_composer_colour_filter.cpp the colour filter.

#include "image.h"
#include "modes.h"

#include <climits>
#include <complex>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace vareror::core::rx {

class PictureComposer {
public:
    // A picture starts in mode m; `clear` starts from a black picture (otherwise the last
    // one stays under the new lines when the size is the same). `weak`: lines are filtered
    // across their neighbours; `keepFine`: how far that filter keeps one-pixel detail (the
    // noise leaves some to keep), from 0 to 1; `share`: how much of the filter's work a line takes at most, the
    // rest its own readings (the filter giving way as the signal comes near the SNR from which
    // it is not filtered at all), except where lines alternate (there all of it);
    // `clickFloor`: the least share of the filter's steps that take out clicks (its median and
    // its column means), whatever the noise measured on the picture (a median of differences,
    // which clicks hardly move); `colourClicks`: how far the colour filter stays as it is in
    // strong noise whatever the colour's measured noise; `noiseToSignal`: the noise-to-signal
    // power ratio the picture's leader gave (0 for a clean one), which the colour-level rule's
    // levels move out with.
    void start(const ModeInfo &m, bool weak, bool clear, float keepFine = 0, float share = 1, float clickFloor = 0,
               float colourClicks = 0, float noiseToSignal = 0);
    // The luminance (or red, green and blue) also read through the broad band (from after
    // start): where a weak signal's area holds vertical structure, its column is averaged
    // from these readings, which keep the fine detail the narrowed band loses.
    // `rateHz`: the working rate, at which the pulse-pair sums' phase turns into frequency.
    void readBroad(double rateHz);
    // the broad readings of luminance plane `plane`'s line
    float *broadRow(int plane, int line)
    {
        forgetPairs(line, line);
        return planes_[broadPlaneOf(plane)].row(line, W_);
    }
    // The luminance's readings as the pulse-pair sums they were taken from (pixelProduct,
    // turned by the tuning offset): summed down a column before the phase is taken, they keep
    // a column where each reading alone is lost in clicks.
    std::complex<float> *broadProducts(int line) { return broadZ_.data() + size_t(line) * size_t(W_); }
    int width() const { return W_; }
    int lines() const { return H_; }          // native lines
    int rowsPerLine() const { return rowsPerLine_; }

    // The line decoder's output: a line's rows are written, then reported decoded. A line
    // decoded again makes every line drawn from it be drawn anew.
    float *row(int plane, int line)
    {
        if (plane == planeOf(Channel::Cr) || plane == planeOf(Channel::Cb))
            chromaWritten_[size_t(line)] |= uint8_t(plane == planeOf(Channel::Cr) ? 1 : 2);
        forgetPairs(line, line);
        return planes_[plane].row(line, W_);
    }
    void lineDecoded(int line);
    bool arrived(int line) const { return line >= 0 && line < H_ && arrived_[size_t(line)]; }
    // Counts a line's luminance for the colour-range rule (a line counted again replaces
    // its earlier count); pixels silentFrom .. silentTo - 1 were read from silence and are
    // left out, in the filtered luminance too.
    void countLevels(int line, const float *y, int n, int silentFrom = 0, int silentTo = 0);

    // Alternating colour lines (Robot 36): 1 when the picture began on a Cb line.
    void setAlternation(int shift) { shift_ = shift; }
    // Lines from `from` on are not the picture's (another transmission's header came in their
    // place): they are taken back, their rows cleared and their levels no longer counted, and
    // the lines drawn with them are drawn again.
    void forget(int from);
    // No more lines will come: the last lines are drawn with the neighbours they have.
    void end();
    // Off: nothing is drawn until the picture ends (a recording decoded for its finished
    // pictures, where no one watches the lines arrive). The finished picture is the same, as
    // a line's filters read only the planes; and part of the filtering done as lines arrived
    // is lost anyway, where the end's redraw decodes again the periods the final fit moved
    // (on a clean signal, mostly its first few dozen). Kept from picture to picture.
    void drawWhileArriving(bool on) { live_ = on; }
    bool drawsWhileArriving() const { return live_; }
    // Draws what can be drawn now, in at most `budget` units of work (a line drawn costs 1,
    // a weak line's filtering 8); returns true when work is left.
    bool settle(int budget = INT_MAX);

    const RgbImage &picture() const { return pic_; }
    int dirtyFrom() const { return dirtyFrom_; }
    int dirtyTo() const { return dirtyTo_; }
    void clearDirty() { dirtyFrom_ = dirtyTo_ = 0; }

private:
    struct Levels {
        int32_t count = 0, low = 0, high = 0;
    };
    // a picture's lines, what can be drawn when, and their drawing (picture_composer.cpp)
    bool finalReady(int line) const;
    // provisional: a weak signal's line drawn as decoded, before its filters can run
    void composeLine(int line, bool provisional);
    // the colour-level decision changed: every line is to be drawn again in the other range
    void rangeChanged();
    // a line drawn finally, converted again from its kept colour (the range changed)
    void recolour(int line);
    void yccToRgb(const float *y, const float *cr, const float *cb, uint8_t *out) const;
    void putRows(int line, const uint8_t *rgb);
    void invalidate(int from, int to, uint8_t drawnAbove);
    void markDirty(int row0, int row1);
    // the colour-level rule (picture_composer_levels.cpp)
    bool fullRangeNow() const;
    void count(int line, const float *y, int n);
    // the filter across lines (picture_composer_across_lines.cpp)
    void filterLuminance(int line);
    float noiseDeviation(int plane, int line, int step = 1);
    float lineNoise(int plane, int line, int step);
    float pairMedian(int plane, int line, int step);
    void forgetPairs(int from, int to);
    void denoiseRow(int plane, int line, float sigma, float *out, int columnPlane, float columnSigma, float share,
                    const uint8_t *wanted = nullptr);
    void averageAlong(float sigma, const float *const *raw, const float *const *rawPresent, int n, const float **rows,
                      const float **present);
    void medianLevels(const float *const *rows, float sigma);
    // columns: vertical structure and its means (picture_composer_columns.cpp)
    void columnShares(int line, const std::vector<int> &planes, const float *sigma);
    void productColumnShares(int line, const std::vector<int> &readings, float most);
    float productLevel(std::complex<float> z) const;
    void columnMeans(int line, int columnPlane, float columnSigma);
    // lines alternating against their neighbours (picture_composer_alternation.cpp)
    bool alternationGate(int plane, int line, float sigma);
    void wholeWhereAlternating(int plane, int line, float sigma, float *out, int columnPlane, float columnSigma);
    // the colour filter (picture_composer_colour_filter.cpp)
    void guidedChroma(int line, float *cr, float *cb);

    // A picture plane, keeping its memory for the next picture. Its luminance rows are read
    // only once written (a line arrives whole), so they are not cleared.
    struct Plane {
        std::unique_ptr<float[]> data;
        size_t capacity = 0;
        void reserve(size_t n);
        float *row(int line, int width) { return data.get() + size_t(line) * size_t(width); }
        const float *row(int line, int width) const { return data.get() + size_t(line) * size_t(width); }
    };

    const ModeInfo *m_ = nullptr;
    int W_ = 320, H_ = 256, rowsPerLine_ = 1;
    bool weak_ = false, ended_ = false, broad_ = false, live_ = true;
    float keepFine_ = 0;
    // The size of a step the filter keeps, in noise deviations, as far as fine detail is kept.
    float denoiseStep() const;
    float share_ = 1, clickFloor_ = 0, colourClicks_ = 0, noiseToSignal_ = 0;
    bool colourFilter_ = false; // colour guided by the luminance (guidedChroma)
    // The broad band's readings (readBroad): of the luminance in the plane of no channel, of
    // red, green and blue in planes past the channels'.
    static constexpr int kBroadPlane = planeOf(Channel::None), kBroadPlanes = kPlaneCount + 3;
    static constexpr int broadPlaneOf(int pl)
    {
        return pl == planeOf(Channel::Y) ? kBroadPlane : kPlaneCount + pl - planeOf(Channel::R);
    }
    int shift_ = 0;
    Plane planes_[kBroadPlanes];
    Plane clean_[kPlaneCount];       // weak signals: luminance planes after the filter
    // How a line stands drawn: not, provisionally, finally, or finally but in the colour range
    // of before (its colour kept in keptChroma_). Ordered: invalidate() compares them.
    enum : uint8_t { kUndrawn, kProvisional, kFinal, kFinalOtherRange };
    std::vector<uint8_t> arrived_, filtered_, drawn_;
    Plane keptChroma_[2]; // each line's colour (Cr, Cb) as its final drawing filtered it
    // the chroma rows a line has had written since the picture began (1 Cr, 2 Cb): a line
    // that arrives without its colour gets neutral colour then, not at the picture's start
    // (filling two whole planes up front was the longest step of a large picture's start)
    std::vector<uint8_t> chromaWritten_;
    int frontier_ = 0;               // lines 0 .. frontier_ - 1 have all arrived
    int firstUnfiltered_ = 0, firstUndrawn_ = 0;
    std::vector<Levels> levels_;
    std::vector<std::pair<int, int>> silent_; // each line's pixels read from silence
    Levels total_;
    bool fullRange_ = false;
    RgbImage pic_{320, 256};
    int dirtyFrom_ = 0, dirtyTo_ = 0;
    // scratch rows, kept between lines
    std::vector<float> centre_, median_, fine_, acc_, accB_, ws_, acc2_, ws2_, first_, firstB_, cr_, cb_, diff_, pairY_;
    std::vector<float> wsB_, accB2_, wsB2_, centreB_; // the second colour's (guidedChroma)
    std::vector<float> gx_, gy_, columnShare_, column_; // vertical structure (columnShares)
    std::vector<float> along_; // the neighbourhood's rows averaged along the line (denoiseRow)
    std::vector<float> alternation_, signed_, gate_, whole_; // lines alternating (alternationGate)
    std::vector<double> windowSum_, windowMean_; // ... its measures' sums along the row
    std::vector<uint8_t> wholeWanted_; // the pixels whose whole filter is read (wholeWhereAlternating)
    std::vector<uint8_t> rgb_;
    // The median of |row(line) - row(line + step)| by plane, step - 1 and line (NaN: not yet
    // taken): each line's noise is measured against both neighbours, and asked for again by
    // its neighbours' and by the colour filter, about a dozen times a line.
    static constexpr int kPairSteps = 2;
    std::vector<float> pairMedian_[kBroadPlanes][kPairSteps];
    // the broad band's pulse-pair sums (readBroad), and the columns' levels read from them
    std::vector<std::complex<float>> broadZ_;
    double rateHz_ = 0;
    std::vector<float> even_, odd_, evenOdd2_, upDown2_, cross_;
    std::vector<std::complex<float>> halvesZ_; // the split halves' sums (productColumnShares)
    std::vector<float> halves_;
};

} // namespace vareror::core::rx
