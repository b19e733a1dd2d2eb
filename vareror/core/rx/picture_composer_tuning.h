#pragma once
// The picture composer's tuning, one table for each of its parts: each row says what the
// constant sets, in what unit, why it has its value, and the decode benchmark's section it was
// measured on (decode_bench --only <section>; "noise" is the white-noise tables, SNR in a 3 kHz
// band). "Levels" are 8-bit picture levels; "noise deviations" the noise the composer measures
// on the picture itself. Where a row says "set with the filter", the value was chosen with the
// filter it belongs to and has not been measured on its own since.

namespace vareror::core::rx {

// ---- The colour-level rule (picture_composer_levels.cpp) -----------------------------------
// Studio range (Y 16..235) unless flat stretches of luminance lie clearly outside it: single
// pixels outside 8..247 flip studio-range pictures behind a sharp filter and in noise (conditions,
// noise; no figure kept).
constexpr float kFlatSpread = 8.0f; // a flat stretch's spread (levels)
constexpr int kFlatRun = 8;         // ... and its least length (pixels)
constexpr double kFullLow = 8, kFullHigh = 247; // flat levels only a full-range encoder sends
// Levels per unit of the leader's noise-to-signal power: noise stretches the readings' contrast, and
// studio black and white move out with it, far less than a full-range card's (noise: ours, another sender's).
constexpr double kFullLowPerNoise = 30, kFullHighPerNoise = 9;
constexpr int kFullShareOneIn = 250; // full range once such stretches hold more than 1 in 250 (0.4 %) of the pixels
// From a leader of 0.01 noise-to-signal (20 dB) up, 1 in 1000: our pictures read 0.06 % at most there, a
// full-range photo clipped 8 times 0.22 %; lower down, clicks put ours at 0.385 % (conditions, overdrive).
constexpr float kCleanNoise = 0.01f;
constexpr int kCleanFullShareOneIn = 1000;

// ---- The filter across lines (picture_composer_across_lines.cpp) ---------------------------
// Reach, lines and pixels on either side, for the filter's second pass around its first mean (noise).
constexpr int kDenoiseLines = 8, kDenoisePixels = 4;
// Noise deviations a step must reach to be kept; 2.5 where fine detail is kept (set with the filter; noise).
constexpr float kDenoiseStep = 3.5f, kFineDenoiseStep = 2.5f;
// Noise deviations (levels) up to which a fine pixel is judged by its nearer line median, and from
// which by the median of it and its four neighbours (denoiseRow): photos 3-15 dB (noise).
constexpr float kNearOwnSigma = 20.0f, kPlusSigma = 40.0f;
// Noise deviations (levels) from which, and from which wholly, a weak signal's readings are averaged
// along their line before filtering across lines: takes out the last vertical streaks (noise).
constexpr float kAlongFromSigma = 10.0f, kAlongFullSigma = 60.0f;
// As the noise vanishes each step gives way to the pixel's own reading, for each takes some of the
// picture: the median one-pixel lines and corners, the biweight mean texture, the column's mean what
// changes down a column. Below the first noise deviation (levels) a step is gone, from the second it is
// whole. Clicks stop long before (Martin 1 at 30 dB: about 8 levels), so the median goes first, the
// mean, taking out what noise is left, last, down to the least noise measured (half a level); where
// the leader says clicks may come, median and column stay (clickFloor_). Measured at 30-45 dB (noise).
constexpr float kMedianFromSigma = 3.0f, kMedianFullSigma = 7.0f;
constexpr float kMeanFromSigma = 0.5f, kMeanFullSigma = 2.0f;
constexpr float kColumnFromSigma = 2.0f, kColumnFullSigma = 5.0f;

// ---- Columns: vertical structure (picture_composer_columns.cpp) -----------------------------
// Where the readings differ across a row clearly more than down a column (a grating, a pole, a
// letter's stem), a pixel takes its own column's mean, which keeps one-pixel detail the noise hides
// from the neighbourhood's filter. How clearly, in standard deviations of that comparison under
// noise alone: it begins at kColumnFromZ and is whole at kColumnFullZ, over kColumnPixels either
// side, a difference counting up to kColumnClip noise deviations (a click weighs no more than a
// strong edge). Test cards at 5-10 dB gain, photos unchanged (noise).
constexpr float kColumnFromZ = 6.0f, kColumnFullZ = 12.0f, kColumnClip = 4.0f;
constexpr int kColumnPixels = 4;
// The same for columns seen in the broad band's pulse-pair sums (productColumnShares): their noise is
// far stronger, so a wider stretch, 8 pixels, finds a grating surely; a step counts up to 300 levels (noise).
constexpr double kProductColumnFromZ = 3.0, kProductColumnFullZ = 6.0;
constexpr int kProductColumnPixels = 8;
constexpr float kProductClip = 300.0f;
// dB of the leader: without pulse-pair sums the halves are the readings' means, whole up to 5, none from 8:
// they bring back 2-4 pixel gratings at 0 dB; from 10 dB their false columns cost (noise: another sender's card).
constexpr double kHalvesFullSnrDb = 5, kHalvesToSnrDb = 8;

// ---- Lines alternating against their neighbours (picture_composer_alternation.cpp) ---------
// Where they do (a clean decode's finest gratings carry the band's mirror image, an error whose
// sign flips from line to line), the filter across lines works whole, whatever its share. Each
// pair is where a ramp of the gate begins and where it is full; chosen together on cards and
// photos of a dozen modes at 0-70 dB (noise, seeds 1-9) and clean decodes (modes).
// - The alternation's deviation against the measured noise's:
constexpr float kAlternationFromZ = 0.1f, kAlternationFullZ = 0.4f;
// - ... and in levels: less is within an 8-bit picture's and a clean decode's rounding; divided by
//   1 - share where the leader's SNR leaves the filter a share.
constexpr float kAlternationFromLevel = 1.0f, kAlternationFullLevel = 2.0f;
// - How much of the deviation is the alternation's mean along the row (the picture's own
//   horizontal grating or rule): the gate shuts as this rises from the first to the second.
constexpr float kCoherentFrom = 0.3f, kCoherentFull = 0.6f;
// - The alternation's part in the filter's change: less, and the filter would smear the picture.
constexpr float kAlternationFromPart = 0.5f, kAlternationFullPart = 1.0f;
// - The pixels on either side that each measure is taken over.
constexpr int kAlternationPixels = 2;

// ---- The colour filter (picture_composer_colour_filter.cpp) ---------------------------------
// Reach, lines and pixels on either side; the brightness step (levels) at which it stops mixing
// colours; and how far (levels) a colour reading may lie from its area's colour before it counts
// as a click (set with the filter; noise, conditions: clicks).
constexpr int kChromaLines = 6, kChromaPixels = 12;
constexpr int kChromaReach = kChromaLines + 1; // lines whose luminance the colour filter reads
constexpr float kChromaStep = 25.0f, kChromaOutlier = 80.0f;
// Colour noise deviations (levels) from which the second pass weighs readings by their likeness to
// the pixel's own colour rather than the area's, wholly at 8: clean colour keeps its detail (noise, 30-50 dB).
constexpr float kChromaOwnFromSigma = 20.0f, kChromaOwnFullSigma = 8.0f;
// A reading is unlike beyond 8 noise deviations, never below 50 levels: a clean colour reading is only
// as good as the subsampling and line pairing leave it (noise: Robot 36 card, MR photos, PD90 clean).
constexpr float kChromaOutlierSigmas = 8.0f, kChromaOutlierLeast = 50.0f;

// ---- Work units of settle() (picture_composer.cpp) ------------------------------------------
// Drawing a line, and a weak line's filtering: what a slice of the receiver's deferred work
// may do (chosen, not measured).
constexpr int kDrawCost = 1, kFilterCost = 8;

} // namespace vareror::core::rx
