#pragma once
// The picture composer's tuning, one table for each of its parts: each row says what the
// constant sets and what it was measured on. Unless a row says otherwise, figures are the
// decode benchmark's noise table (decode_bench --only noise: mean aligned PSNR in dB over
// noise seeds 1-3, "card" its test card and "photo" its photo, SNR in a 3 kHz band), taken
// when the constant was last changed; "a -> b" is the figure before and after that change.
// Where no figure was kept, the row says so: those values were chosen with the filter they
// belong to and have not been measured one by one since.

namespace vareror::core::rx {

// ---- The colour-level rule (picture_composer_levels.cpp) -----------------------------------
// Studio range (Y 16..235) unless flat stretches of luminance lie clearly outside it.
// Checked on both ranges with sharp edges, behind a sharp 400-2500 Hz receiver filter, and in
// noise (Robot 72 at 12 dB, Robot 36 at 6 dB): counting single pixels outside 8..247 instead
// flipped studio-range pictures there. No PSNR figures kept.
constexpr float kFlatSpread = 8.0f; // a flat stretch's spread (levels)
constexpr int kFlatRun = 8;         // ... and its least length (pixels)
constexpr double kFullLow = 8, kFullHigh = 247; // flat levels only a full-range encoder sends
// In noise the readings' contrast is stretched (the noise's pull towards the band's centre is
// taken out, and a little more), studio black reading below 8 in flat stretches and white
// above 247: those levels move out with the noise-to-signal power ratio n the picture's leader
// gave (of a 10 dB weaker leader for the narrow modes), to kFullLow - kFullLowPerNoise n and
// kFullHigh + kFullHighPerNoise n. Share of the pixels in flat stretches past them, our
// encoder's studio-range test card / another sender's full-range card (seeds 2-3): Robot 36 at
// 0 / 3 / 5 / 8 dB 0-0.6 / 0-0.04 / 0-0.06 / 0-0.03 against 1.5-3.4 / 3.4-4.3 / 4.1-5.7 / 5.6-8.0
// (full range with 8 and 247 at 8 dB and below), PD90 at 0 / 3 dB 0 / 0 against 4.7-8 /
// 3.5-5, Robot 72 at 6 / 12 dB 0 / 0 against 9.6-10.6 / 9.9-10.3; PD120 at 0 dB cannot be
// told (studio reads as far out as full range), at 3 dB 0.1 / 0.9-1.1.
constexpr double kFullLowPerNoise = 30, kFullHighPerNoise = 9;
constexpr int kFullShareOneIn = 250; // full range once such stretches hold more than 1 in 250 (0.4 %) of the pixels
// From a leader of kCleanNoise or less (20 dB and up) 1 in kCleanFullShareOneIn (0.1 %) will do:
// there our test card and photo read 0.06 % or less in every colour-difference mode (seeds 1-3;
// most none, the most beside a notched 2000 Hz carrier), through a 300-2700 Hz filter or tuned
// 100 Hz off too, while a full-range photo from another sender, clipped 8 times at 44.1 kHz,
// read 0.22 % (0.75 % clean: the clipping's scatter on white breaks up its flat stretches), was
// drawn studio range and came out at 30.4 dB, 39.5 so (39.0 at 48 kHz). Not lower down: 20
// clicks a second, which the leader reads as noise, put our card in PD50 at 0.385 % with the
// leader at 12 dB, and with 0.1 % from 10 dB on PD50 and PD120 lost 0.3-0.4 dB in clicks.
constexpr float kCleanNoise = 0.01f;
constexpr int kCleanFullShareOneIn = 1000;

// ---- The filter across lines (picture_composer_across_lines.cpp) ---------------------------
// Reach, lines and pixels on either side: first 4 and 6, then 8 and 4 when the filter took a
// second pass around its first mean (card at 0-20 dB; no figures kept).
constexpr int kDenoiseLines = 8, kDenoisePixels = 4;
// The size of a step the filter keeps, in noise deviations; smaller where fine detail is kept
// (set with the filter, and 2.5 with the card's floors at 0, 5, 10 and 20 dB; no figures kept).
constexpr float kDenoiseStep = 3.5f, kFineDenoiseStep = 2.5f;
// Where fine detail is kept, the noise deviations (levels) up to which a pixel's level is
// judged by its nearer line median, and from which by the median of it and its four
// neighbours (denoiseRow). Photo +0.5..1.8 at 3-15 dB (P3 no longer fell from 0 to 5 dB);
// card up to +0.5 (PD90, Robot 36 at 10-20 dB).
constexpr float kNearOwnSigma = 20.0f, kPlusSigma = 40.0f;
// The noise deviations (levels) from which, and from which wholly, a weak signal's readings
// are averaged along their line before they are filtered across lines (denoiseRow). Brought
// in from 20: photo +0.4..1.7 at 3-20 dB, card the same or up to +0.4; then from 10: photo
// +0.2..0.7 at 15-20 dB (the last vertical streaks), card the same or up to +0.4.
constexpr float kAlongFromSigma = 10.0f, kAlongFullSigma = 60.0f;
// As the noise vanishes, each step of the filter gives way to the pixel's own reading, for
// each also takes away some of the picture: the median a one-pixel line or corner (it takes
// them for clicks), the biweight mean texture within its step, the column's mean what changes
// down a column. Below the first noise deviation (levels) a step is gone, from the second it is
// whole. Clicks stop long before the noise is this light (Martin 1 at 30 dB: about 8 levels),
// so the median goes first; the mean, which takes out what noise is left, goes last. (The
// median and the column's mean are what take clicks out; the noise measured on the picture
// hardly sees clicks, so where the leader's SNR says they may come, both stay: clickFloor_.)
// Measured as the fades came in, 30 -> 33 dB: Robot 36 photo 32.2 -> 25.7 became
// 32.4 -> 33.4, PD90 photo 33.7 -> 29.2 became 33.9 -> 34.8, Martin 1 photo 37.8 -> 34.1 became
// 38.2 -> 39.5, Robot 36 card 26.3 -> 24.7 became 26.2 -> 26.8; Martin 1 card at 34 / 40 dB
// 35.1 / 40.3 -> 40.8 / 42.5. The mean lasts down to the least noise measured (half a level):
// going from 1 to 3 levels, it was gone while the median and the column's mean went too, from
// 38 to 42 dB, and P7's card fell 0.4 dB there (now 0.2); Martin 1's card and photo gained
// 0.3-0.8 dB at 40-45 dB, the cleanest photos (over 50 dB) lost 0.1-0.4 dB.
constexpr float kMedianFromSigma = 3.0f, kMedianFullSigma = 7.0f;
constexpr float kMeanFromSigma = 0.5f, kMeanFullSigma = 2.0f;
constexpr float kColumnFromSigma = 2.0f, kColumnFullSigma = 5.0f;

// ---- Columns: vertical structure (picture_composer_columns.cpp) -----------------------------
// Where the readings differ across a row clearly more than down a column (vertical
// structure: a grating, a pole, a letter's stem), a pixel takes the mean of its own column
// instead, which keeps one-pixel detail that the noise hides from the neighbourhood's filter.
// How clearly, in standard deviations of that comparison under noise alone (over the
// luminance planes together): from kColumnFromZ it begins, from kColumnFullZ the column's
// mean is taken whole. The comparison spans kColumnPixels on either side, and a difference
// counts up to kColumnClip noise deviations (an FM click weighs no more than a strong edge).
// Scottie 1 card at 10 dB 20.9 -> 22.4, Martin 1 at 5 dB 18.0 -> 19.7, PD90 at 10 dB
// 20.3 -> 21.1; the photo unchanged.
constexpr float kColumnFromZ = 6.0f, kColumnFullZ = 12.0f, kColumnClip = 4.0f;
constexpr int kColumnPixels = 4;
// The same for columns seen in the broad band's pulse-pair sums (productColumnShares): from
// kProductColumnFromZ they begin, from kProductColumnFullZ they are whole, compared over
// kProductColumnPixels on either side (their noise is far stronger: a wider stretch finds a
// grating surely, and the test card at 5 dB gains about 0.4 dB over 4 pixels, the photo
// nothing either way); a column level's step counts up to kProductClip levels. Robot 36 card
// at 5 dB 15.4 -> 16.7 (held-out seeds 15.5 -> 16.6), at 8 / 10 dB 16.4 / 18.0 -> 18.5 / 19.7;
// PD120 card at 10 dB 15.5 -> 17.9; photos within 0.05.
constexpr double kProductColumnFromZ = 3.0, kProductColumnFullZ = 6.0;
constexpr int kProductColumnPixels = 8;
constexpr float kProductClip = 300.0f;
// Where there are no pulse-pair sums (red, green and blue; PD90, whose long pixels are not read
// through the broad band; Robot 36 and PD120 below their broad reading's SNR), the halves are
// the readings' means: whole up to kHalvesFullSnrDb of the leader's SNR, none from
// kHalvesToSnrDb. Another sender's card at 0 dB (seeds 1-3), whose 2-4 pixel gratings were
// grey: Martin 1 14.5 -> 17.1, Scottie 1 14.4 -> 16.8, PD90 14.5 -> 15.0, Robot 36 13.5 ->
// 13.7; our card Martin 1 and Scottie 1 15.9 -> 17.6, at 3 dB +0.5..1.1; photos unchanged.
// Kept on at 10 dB, the squared steps already find the gratings there, and the halves' false
// columns cost Martin 1 and Scottie 1 0.4-0.6 dB (at 15 dB 0.8-1.3); 5 to 8 dB leaves 7 dB and up
// as it was.
constexpr double kHalvesFullSnrDb = 5, kHalvesToSnrDb = 8;

// ---- Lines alternating against their neighbours (picture_composer_alternation.cpp) ---------
// Where they do (a clean decode's finest gratings carry the band's mirror image, an error
// whose sign flips from line to line), the filter across lines works whole, whatever its
// share. Each pair of values is where a ramp of the gate begins and where it is full. Chosen
// together on seeds 1-3 and 4-9, card and photo, P5, P7, Martin 1, Scottie 1, PD90, Robot 36,
// PD120, P3, Scottie 2 and PD50 at 0-70 dB: nothing lower by more than 0.1, 0-34 dB unchanged;
// P5 card +0.6..0.9 from 38 dB (clean 33.3 -> 34.1), Scottie 1 card +0.1..0.2 from 45 dB,
// PD120 and P3 photos +0.1..0.2 at 36-40 dB; clean decodes of our encoder within 0.1 or better.
// - The alternation's deviation against the measured noise's:
constexpr float kAlternationFromZ = 0.1f, kAlternationFullZ = 0.4f;
// - ... and in levels: less is within what an 8-bit picture and a clean decode's rounding
//   carry (a very clean photo lost 0.3 dB to it). Where the leader's SNR leaves the filter a
//   share, that much of the noise is taken out anyway, and the levels count the more (divided
//   by 1 - share: P7 card, P5 and PD120 photos at 36-40 dB +0.1..0.3; clean pictures the same).
constexpr float kAlternationFromLevel = 1.0f, kAlternationFullLevel = 2.0f;
// - How much of the deviation is the alternation's mean along the row (the picture's own
//   horizontal grating or rule): the gate shuts as this rises from the first to the second.
constexpr float kCoherentFrom = 0.3f, kCoherentFull = 0.6f;
// - The alternation's part in the filter's change: less, and the filter would smear the picture.
constexpr float kAlternationFromPart = 0.5f, kAlternationFullPart = 1.0f;
// - The pixels on either side that each measure is taken over.
constexpr int kAlternationPixels = 2;

// ---- The colour filter (picture_composer_colour_filter.cpp) ---------------------------------
// Reach, lines and pixels on either side: first 4 and 16, then 8 and 16, then 6 and 12 (no
// figures kept); the brightness step (levels) at which it stops mixing colours (set with the
// filter, no figures kept); and how far (levels) a colour reading may lie from its area's
// colour before it counts as a click (set when clicks were first left out, no figures kept).
constexpr int kChromaLines = 6, kChromaPixels = 12;
constexpr int kChromaReach = kChromaLines + 1; // lines whose luminance the colour filter reads
constexpr float kChromaStep = 25.0f, kChromaOutlier = 80.0f;
// As the colour's own noise (its deviation in levels, measured on the colour rows) fades,
// the colour filter's second pass weighs the readings by their likeness to the pixel's own
// colour rather than to the area's: from kChromaOwnFromSigma down it moves over, and from
// kChromaOwnFullSigma down it is wholly the pixel's own (card at 30 / 50 dB: Robot 36
// +2.0 / +1.7, Robot 72 +4.3 / +6.7, PD50 +2.4 / +2.9, PD90 +4.9 / +7.8; photos +0.1..3.1;
// 0-15 dB unchanged). A reading then counts as unlike beyond kChromaOutlierSigmas noise
// deviations, but never below kChromaOutlierLeast levels: even a clean colour reading is only
// as good as the colour subsampling and line pairing leave it (Robot 36's test card falls by
// 0.4 dB from 35 to 50 dB SNR with 30 levels; with 40, the MR modes' photos lose up to 0.7 dB
// against the area's colour from 30 to 70 dB (seeds 1-9; with 50 MR175 at 30-33 dB -0.2..-0.3
// instead of -0.5, Robot 36's card +0.3..0.4 from 40 dB), with 60 PD90's card 1.5 dB against
// 40 when clean).
constexpr float kChromaOwnFromSigma = 20.0f, kChromaOwnFullSigma = 8.0f;
constexpr float kChromaOutlierSigmas = 8.0f, kChromaOutlierLeast = 50.0f;

// ---- Work units of settle() (picture_composer.cpp) ------------------------------------------
// Drawing a line, and a weak line's filtering: what a slice of the receiver's deferred work
// may do (chosen, not measured).
constexpr int kDrawCost = 1, kFilterCost = 8;

} // namespace vareror::core::rx
