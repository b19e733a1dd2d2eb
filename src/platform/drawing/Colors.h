#pragma once
// VB colour values: &HBBGGRR (255 is red, &HFF00 green, &HFF0000 blue). Values with the
// top bit set (&H80000000 + n) name a system colour (&H8000000F the button face); they
// are kept as values and mapped to a palette colour only for display.

#include <QColor>

#include <cstdint>

class QWidget;

namespace platform {

inline constexpr uint32_t vbBlack = 0x000000;
inline constexpr uint32_t vbRed = 0x0000FF;
inline constexpr uint32_t vbGreen = 0x00FF00;
inline constexpr uint32_t vbYellow = 0x00FFFF;
inline constexpr uint32_t vbBlue = 0xFF0000;
inline constexpr uint32_t vbMagenta = 0xFF00FF;
inline constexpr uint32_t vbCyan = 0xFFFF00;
inline constexpr uint32_t vbWhite = 0xFFFFFF;
inline constexpr uint32_t vbButtonFace = 0x8000000F;
inline constexpr uint32_t vbWindowBackground = 0x80000005;
inline constexpr uint32_t vbWindowText = 0x80000008;
inline constexpr uint32_t vbButtonText = 0x80000012;
inline constexpr uint32_t vbHighlight = 0x8000000D;
inline constexpr uint32_t vbHighlightText = 0x8000000E;

inline bool isSystemColor(uint32_t vb) { return (vb & 0x80000000u) != 0; }

// VB's RGB(r, g, b).
inline constexpr uint32_t rgb(int r, int g, int b)
{
    return uint32_t(r & 0xFF) | (uint32_t(g & 0xFF) << 8) | (uint32_t(b & 0xFF) << 16);
}

// The colour to draw for a VB value (system colours from the application's palette).
QColor toQColor(uint32_t vb);
// The VB value of a colour (alpha dropped).
uint32_t fromQColor(const QColor& c);

// The dynamic property that holds a control's VB back colour (and fore colour).
inline constexpr char kBackColorProperty[] = "vbBackColor";
inline constexpr char kForeColorProperty[] = "vbForeColor";

// Sets the control's back colour from a VB value and keeps the value itself, so that
// backColor() gives back exactly what was set (system colours included). A control
// that paints its own background (a picture box) declares
//   Q_INVOKABLE void vbSetBackColor(quint32 vb);
// which is called instead of the palette change; it should store the value in
// kBackColorProperty too, so both ways of setting read back the same.
void setBackColor(QWidget* w, uint32_t vb);
// The VB value last set by setBackColor; a control never set reports the button
// face (&H8000000F), the default of buttons, labels and check boxes.
uint32_t backColor(const QWidget* w);

// The same for the fore (text) colour; default &H80000012 (button text).
void setForeColor(QWidget* w, uint32_t vb);
uint32_t foreColor(const QWidget* w);

} // namespace platform
