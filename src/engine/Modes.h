#pragma once
// The classes of SSTV modes that the displays treat alike. A mode is the engine's
// mode number, which is also its index in the TX mode list.

#include <optional>

namespace engine {

// The small modes, shown as 160 x 120 pictures whatever size the engine gives them.
inline bool isSmallMode(int mode) { return mode < 3; }

// The 1:1 RX view gets 16 more rows for the modes below 6 and for tall pictures.
inline bool hasExtraRows(int mode, int height) { return height > 400 || mode < 6; }

// A received picture of these modes is auto-saved from its full copy (the TX picture's size) rather than
// from the 1:1 view.
inline bool savesFromFullCopy(int mode)
{
    return (mode >= 16 && mode <= 23) || (mode >= 33 && mode <= 36);
}

// Height over width of the RX monitor's picture for a mode; none for the modes past
// the table, whose picture keeps the height it has.
struct AspectRatio {
    int height;
    int width;
};
inline std::optional<AspectRatio> monitorAspect(int mode)
{
    if (mode < 6)
        return AspectRatio{240, 320};
    if (mode <= 15 || (mode >= 24 && mode <= 32))
        return AspectRatio{256, 320};
    if (mode == 17)
        return AspectRatio{400, 512};
    if (mode == 20)
        return AspectRatio{616, 800};
    if ((mode >= 16 && mode <= 23) || (mode >= 33 && mode <= 36))
        return AspectRatio{496, 640};
    return std::nullopt;
}

} // namespace engine
