#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The SSTV mode table. Both the encoder and the receiver are driven by this one table, so
// every timing fact lives here and nowhere else.
//
// How a mode's signal is laid out
// --------------------------------
// A transmission is: [optional preamble] header, then `periods` sync periods back to back,
// each `periodMs` long. The header (`ModeInfo::header`) is a list of fixed tones: the VIS
// (8-, 16- or 24-bit) plus, for Scottie, the one-off starting sync and, for AVT 90, its
// 32-word digital header. The first period starts the instant the header ends.
//
// Sync period k uses `layout(k)` (= layouts[k % layouts.size()]): a list of segments whose
// `startMs` is measured from the START OF THAT PERIOD'S SYNC PULSE. The segments of a layout
// cover exactly one period without gaps or overlaps.
//  * Most modes begin a period with their sync, so offsets run from 0 to periodMs.
//  * Scottie puts the green and blue scans of a line BEFORE that line's sync: those segments
//    have negative offsets (down to -leadMs). Period k then starts leadMs before its sync, so
//    the sync of period k starts at  headerMs() + leadMs + k * periodMs  after the header
//    begins (see syncStartMs()). leadMs is 0 for every other mode.
//  * AVT 90 has no sync at all (syncHz == 0): the "period" is one RGB line and offset 0 is
//    the line start; the picture timing hangs entirely on the header.
//  * Two-line modes (PD, MP, MP-N): linesPerPeriod == 2; period k carries picture lines 2k
//    and 2k+1. A Scan's `line` (0 or 1) says which of the two; the Cr and Cb scans are the
//    average of both lines and carry line 0.
//  * Robot 36 has two layouts that alternate: even periods (lines 0, 2, ...) carry Cr after a
//    1500 Hz separator, odd periods carry Cb after a 2300 Hz separator. Each chroma scan is
//    the average of the pair of lines (2j, 2j+1); a receiver applies the pair's Cr and Cb to
//    both lines.
//  * 4:2:2 modes (Robot 24, Robot 72, MR, ML): every line carries Y, Cr and Cb; each chroma
//    scan lasts half the Y scan and has half the samples (`samples` = width / 2), so a chroma
//    sample lasts as long as a Y pixel. Chroma is not averaged vertically.
//  * Within a Scan of N samples and length T, sample i occupies
//    [start + i*T/N, start + (i+1)*T/N); a receiver samples it at start + (i+0.5)*T/N.
//  * A Hold segment (MR/ML gaps) keeps the frequency of the last sample of the preceding scan.
// Frequencies: wide modes map pixel 0..255 to 1500..2300 Hz, narrow modes to 2044..2300 Hz
// (pixelToHz / hzToPixel). Luminance modes use studio-range YCrCb (Y 16..235, C 16..240);
// B/W modes send full-range grey (greyLevel).
// Modes 0..2 are 160x120 pictures; the engine exposes them at twice that size (320x240).

namespace vareror::core {

enum class SegmentKind : uint8_t { Tone, Scan, Hold };
enum class Channel : uint8_t { None, R, G, B, Y, Cr, Cb, Grey };
// Encoder and receiver keep one picture plane per channel, indexed by this.
constexpr int kPlaneCount = 8;
constexpr int planeOf(Channel c) { return int(c); }
enum class ColourEncoding : uint8_t {
    Rgb,            // sequential R/G/B scans, no conversion (Martin, Scottie, SC2, P, AVT, MC-N)
    Grey,           // one full-range luminance scan (B/W)
    YccAlternating, // Robot 36: Y every line, Cr / Cb on alternate lines, averaged per pair
    Ycc422,         // Robot 24/72, MR, ML: Y, Cr, Cb every line, chroma at half width
    YccTwoLine,     // PD, MP, MP-N: Y(2k), Cr, Cb (averaged over the pair), Y(2k+1)
};

struct Segment {
    double startMs = 0;      // from the start of this period's sync pulse (negative: before it)
    double lengthMs = 0;
    SegmentKind kind = SegmentKind::Tone;
    double hz = 0;           // Tone only
    Channel channel = Channel::None; // Scan only
    int line = 0;            // Scan only: picture line within the period (0 or 1)
    int samples = 0;         // Scan only: samples across the scan
};

struct ToneSegment {
    double ms;
    double hz;
};

struct ModeInfo {
    int number = 0;
    const char *name = "";       // as shown to the operator
    int exposedWidth = 0, exposedHeight = 0; // what the engine reports / draws
    int width = 0, height = 0;   // native picture carried by the signal
    uint32_t visCode = 0;        // code on air: 8-bit incl. parity, 16-bit (hi<<8|0x23), 24-bit N-VIS
    int visBits = 8;             // 8, 16 or 24
    double syncHz = 1200;        // 0: no line sync (AVT 90)
    double syncMs = 0;
    double periodMs = 0;         // sync period (one line, or two lines in two-line modes)
    int periods = 0;             // sync periods transmitted
    int linesPerPeriod = 1;
    ColourEncoding colour = ColourEncoding::Rgb;
    bool narrow = false;
    bool uncertain = false;      // some of the timing is not firm (see the table's comments)
    double leadMs = 0;           // period start to its sync start (Scottie only)
    std::vector<std::vector<Segment>> layouts;
    std::vector<ToneSegment> header; // VIS and what follows it before the first period

    // What a receiver must know beyond the layout, for the modes where senders differ or the
    // signal lacks something the others have.
    bool visEitherParity = false;  // the VIS is taken with either parity bit (sent with the odd one)
    bool startFromHeader = false;  // no line syncs: the picture start is read from the header words
    double periodRange = 0.02;     // largest line-period error the line fit accepts (fraction)
    bool periodAlwaysFitted = false; // the period itself is uncertain: the line fit measures it
                                     // even while slant correction is off
    std::vector<Segment> altLayout;  // a second split of the line that some senders use ...
    double altLayoutSyncMs = 0;      // ... recognised by its sync pulse lasting about this long
    double shortenedScanMs = 0;      // some senders cut every colour scan short by this much
    double omittableStartMs = 0;     // the header's last tone, which some senders leave out
                                     // (Scottie's starting sync): the first sync comes this early

    const std::vector<Segment> &layout(int k) const { return layouts[std::size_t(k) % layouts.size()]; }
    double headerMs() const;     // sum of header (without preamble)
    double pictureMs() const { return periods * periodMs; }
    // Start of period k's sync pulse, in ms from the start of the header.
    double syncStartMs(int k) const { return headerMs() + leadMs + k * periodMs; }
    bool hasSync() const { return syncHz > 0; }
    double blackHz() const;
};

int modeCount();
const ModeInfo &modeInfo(int n);   // n in [0, modeCount())
bool validMode(int n);
// Exposed width in the low and height in the high 16 bits; 0 for an unknown mode.
uint32_t packedImageSize(int n);

// Optional preamble before the header (wide: eight 100 ms tones; narrow: four).
std::vector<ToneSegment> preambleTones(bool narrow);

// VIS building blocks, shared with the receiver.
constexpr double kLeaderHz = 1900, kBreakHz = 1200, kVisOneHz = 1100, kVisZeroHz = 1300;
constexpr double kVisLeaderMs = 300, kVisBreakMs = 10, kVisBitMs = 30;
constexpr double kNarrowVisMarkerHz = 2100, kNarrowVisMarkerMs = 100, kNarrowVisBitMs = 22;
constexpr double kNarrowVisOneHz = 1900, kNarrowVisZeroHz = 2100;
constexpr uint32_t kExtendedVisLow = 0x23;
uint32_t narrowVisCode(int nvis);  // ((n ^ 0x15) << 18) | (n << 12) | 0x56D
std::vector<ToneSegment> visTones(uint32_t code, int bits);

// AVT 90's digital header.
constexpr double kAvtBitMs = 9.765625;
constexpr int kAvtWords = 32;
constexpr double kAvtMarkerHz = 1900, kAvtOneHz = 2200, kAvtZeroHz = 1600;
uint16_t avtWord(int counter); // mode bits 101, counter, complement of the high byte

// Pixel value <-> frequency.
constexpr double kBlackHz = 1500, kWhiteHz = 2300;
constexpr double kNarrowBlackHz = 2044, kNarrowWhiteHz = 2300, kNarrowSyncHz = 1900;
inline double pixelToHz(double v, bool narrow = false)
{
    return narrow ? kNarrowBlackHz + v * (256.0 / 255.0) : kBlackHz + v * (800.0 / 255.0);
}
// Inverse map: a level that may lie outside 0..255 (a receiver averages such levels before
// it clamps them), and the pixel value, clamped to 0..255.
inline double hzToLevel(double hz, bool narrow = false)
{
    return narrow ? (hz - kNarrowBlackHz) * (255.0 / 256.0) : (hz - kBlackHz) * (255.0 / 800.0);
}
double hzToPixel(double hz, bool narrow = false);

// Colour conversions. Inputs/outputs in 0..255; conversions to RGB clamp.
struct Ycc { double y, cr, cb; };
Ycc rgbToYccStudio(double r, double g, double b);   // what the transmitter sends
Ycc rgbToYccFull(double r, double g, double b);
void yccStudioToRgb(double y, double cr, double cb, uint8_t out[3]);
void yccFullToRgb(double y, double cr, double cb, uint8_t out[3]);
inline double greyLevel(double r, double g, double b) { return 0.299 * r + 0.587 * g + 0.114 * b; }

} // namespace vareror::core
