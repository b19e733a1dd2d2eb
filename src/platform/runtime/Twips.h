#pragma once
// Geometry: the program lays everything out in pixels at a fixed 15 twips per pixel,
// whatever the display. The display's own twips per pixel is used only to warn about
// large fonts at start-up.

#include <cmath>

namespace platform {

inline constexpr int kTwipsPerPixel = 15;

inline constexpr double twipsToPixels(double twips) { return twips / kTwipsPerPixel; }
inline constexpr double pixelsToTwips(double pixels) { return pixels * kTwipsPerPixel; }
inline int twipsToPixelsRounded(double twips) { return int(std::lround(twips / kTwipsPerPixel)); }

// The primary screen's twips per pixel: round(1440 / the dpi the operator has set, its
// logical dpi times its device pixel ratio); 15 when there is no screen (no GUI
// application).
int displayTwipsPerPixel();

} // namespace platform
