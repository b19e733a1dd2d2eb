#pragma once
// The facts several rooms share, each stated once: the TX picture's size and the back
// colours that carry a control's state.

#include "platform/drawing/Colors.h"

#include <cstdint>

class QWidget;

namespace interfaces {

// The TX picture, in pixels: the TX screen, its copies and work buffers, and the picture
// the engine sends. Double, as the picture-box coordinates it mostly meets.
inline constexpr double kTxWidth = 640;
inline constexpr double kTxHeight = 512;

// A control whose back colour is red is on: a tool label armed, SET with an element
// waiting, a panel's button while its panel is open. Off is the grey of &HC0C0.
inline constexpr uint32_t kStateOn = 255;
inline constexpr uint32_t kStateOff = 0xC0C0;
// The one test of that state.
inline bool isOn(const QWidget* w) { return platform::backColor(w) == kStateOn; }
// The button of the current editing mode is green; the other modes' buttons are off.
inline constexpr uint32_t kModeOn = 0xFF00;

} // namespace interfaces
