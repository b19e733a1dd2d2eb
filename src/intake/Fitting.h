#pragma once
// Fitting a picture to the TX picture's 640 x 512 pixels: where each fit mode puts it.
//
// The fit scratch measures a W x H picture in units 37/36 times wider than tall, so
// every rule works with the aspect figure r = 37·W / (36·H) and constants made for it
// (498, 526). Sizes are single-precision, as the painter takes them.

namespace intake {

enum class FitMode { None, Correct, SpreadFill, StretchFill };

// A place on the 640 x 512 picture; what falls outside is clipped by the painter.
struct FitRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

// The aspect figure r of a W x H picture in the fit scratch's units, and the ratio q of
// the scratch box's outer sides (a frame of 2 pixels round the picture).
float aspectFigure(int width, int height);
float outerRatio(int width, int height);

// The browser thumbnails' fit (imagecorrectaspect): Correct keeps the whole picture
// between bars, Spread Fill fills the screen and centres what overflows, Stretch Fill
// distorts to 640 x 512. FitMode::None paints nothing (the result is empty).
FitRect thumbnailFit(FitMode mode, float r);

// The fit of a picture dropped from the desktop (olepicturesize), with constants of its
// own: Correct of a picture near 4:3 is stretched and lowered 16 rows; a narrow one is
// sized by the outer ratio q.
FitRect desktopDropFit(FitMode mode, float r, float q);

// A thumbnail dropped on the TX screen (picturecorrectaspect): narrower than 5:4 full
// height between black bars (narrow set), else stretched over the screen.
FitRect txDropFit(float r, bool& narrow);

// A picture file dropped from the desktop onto the TX screen, from its pixel size W x H
// and aspect W / H. Correct keeps it whole between bars, except a picture near 4:3
// (aspect above 1.33 and below 1.375): that one is stretched to 640 x 512, 32 rows down,
// over an emptied picture (overEmptied). Spread Fill covers the screen and is cut, centred;
// Stretch Fill distorts to 640 x 512; FitMode::None paints nothing.
struct ScreenFileFit {
    FitRect place;
    bool overEmptied = false;
};
ScreenFileFit txScreenFileFit(FitMode mode, int width, int height);

} // namespace intake
