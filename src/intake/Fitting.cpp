#include "intake/Fitting.h"

#include "interfaces/Facts.h"

namespace intake {

namespace {

// The TX picture's size in the fitting's single-precision arithmetic.
constexpr float ScreenWidth = float(interfaces::kTxWidth);
constexpr float ScreenHeight = float(interfaces::kTxHeight);
// Narrower than the TX picture's 5:4 (compared in double precision).
bool narrowerThanScreen(float r)
{
    return double(r) < interfaces::kTxWidth / interfaces::kTxHeight;
}

// A picture 640 wide and taller than the screen, its overflow split above and below.
// (Spread Fill of a narrow picture; a top far above the screen would leave a band at the
// bottom for any picture not much narrower than 5:4.)
FitRect fullWidthCentred(float r)
{
    const float height = ScreenWidth / r;
    return {0, (ScreenHeight - height) / 2, ScreenWidth, height};
}

} // namespace

float aspectFigure(int width, int height)
{
    return float(37.0 * width / (36.0 * height));
}

float outerRatio(int width, int height)
{
    return float(width + 4) / float(height + 4);
}

FitRect thumbnailFit(FitMode mode, float r)
{
    const bool narrow = narrowerThanScreen(r);
    switch (mode) {
    case FitMode::Correct:
        if (narrow)
            return {(ScreenWidth - 498 * r) / 2, 0, 526 * r, 526};
        return {0, (498 - ScreenWidth / r) / 2, ScreenWidth, (526 / r) * 5 / 4};
    case FitMode::SpreadFill:
        if (narrow)
            return fullWidthCentred(r);
        return {(ScreenWidth - 498 * r) / 2, 0, 498 * r, ScreenHeight};
    case FitMode::StretchFill:
        return {0, 0, ScreenWidth, ScreenHeight};
    case FitMode::None:
        break;
    }
    return {};
}

FitRect desktopDropFit(FitMode mode, float r, float q)
{
    const bool narrow = narrowerThanScreen(r);
    switch (mode) {
    case FitMode::Correct: {
        if (double(r) > 1.33 && double(r) < 1.375)
            return {0, 16, ScreenWidth, ScreenHeight};
        if (narrow)
            return {(ScreenWidth - ScreenHeight * q) / 2, 0, ScreenHeight * q, ScreenHeight};
        const float h = ScreenWidth / r;
        return {0, (ScreenHeight - h) / 2, ScreenWidth, h};
    }
    case FitMode::SpreadFill:
        if (narrow)
            return fullWidthCentred(r);
        return {(ScreenWidth - ScreenHeight * r) / 2, 0, ScreenHeight * r, ScreenHeight};
    case FitMode::StretchFill:
        return {0, 0, ScreenWidth, ScreenHeight};
    case FitMode::None:
        break;
    }
    return {};
}

FitRect txDropFit(float r, bool& narrow)
{
    narrow = narrowerThanScreen(r);
    if (narrow)
        return {(ScreenWidth - ScreenHeight * r) / 2, 0, ScreenHeight * r, ScreenHeight};
    return {0, 0, ScreenWidth, ScreenHeight};
}

ScreenFileFit txScreenFileFit(FitMode mode, int width, int height)
{
    const double w = width, h = height;
    const double aspect = w / h;
    const double screenWidth = interfaces::kTxWidth, screenHeight = interfaces::kTxHeight;
    const bool narrow = aspect < screenWidth / screenHeight;
    // Whole in width or whole in height, centred the other way.
    const auto fullWidth = [&] {
        const double fitted = screenWidth * h / w;
        return FitRect{0, float((screenHeight - fitted) / 2), ScreenWidth, float(fitted)};
    };
    const auto fullHeight = [&] {
        const double fitted = screenHeight * w / h;
        return FitRect{float((screenWidth - fitted) / 2), 0, float(fitted), ScreenHeight};
    };
    switch (mode) {
    case FitMode::Correct:
        if (aspect > 1.33 && aspect < 1.375)
            return {{0, 32, ScreenWidth, ScreenHeight}, true};
        return {narrow ? fullHeight() : fullWidth(), false};
    case FitMode::SpreadFill:
        return {narrow ? fullWidth() : fullHeight(), false};
    case FitMode::StretchFill:
        return {{0, 0, ScreenWidth, ScreenHeight}, false};
    case FitMode::None:
        break;
    }
    return {};
}

} // namespace intake
