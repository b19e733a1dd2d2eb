// The colour palette: the twelve swatches Label1 to Label12, as far as they set the
// drawing and text colour and the background of a header being made.

#include "text/TextTools.h"

#include "canvas/TxCanvas.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"

namespace text {

namespace {

constexpr int kRightButton = 2;
constexpr int kCtrl = 2;

// Colours with red in the low byte: black, white, red, orange, yellow, green, cyan,
// magenta, then the custom swatches C1 to C4 at their design colours.
constexpr quint32 kSwatchColours[13] = {0,        0x000000, 0xFFFFFF, 0x0000FF, 0x0080FF, 0x00FFFF, 0x00FF00,
                                        0xFFFF00, 0xFF00FF, 0x000080, 0x808080, 0x008080, 0x800080};
// What a left press records of each fixed swatch: its colour less a small offset.
constexpr quint32 kRecordOffsets[9] = {0, 0, 0x101011, 0x11, 0x11, 0x1000, 0x1000, 0x1000, 0x11};

} // namespace

quint32 TextTools::swatchColour(int number)
{
    return number >= 1 && number <= 12 ? kSwatchColours[number] : 0;
}

quint32 TextTools::swatchRecord(int number, quint32 colour)
{
    return number >= 1 && number <= 8 ? colour - kRecordOffsets[number] : colour;
}

void TextTools::swatchMouseDown(int number, int button, int shift)
{
    shell::FormMain& form = form_;
    platform::Label* swatch = form.swatch(number);
    if (!swatch)
        return;
    const quint32 colour = platform::backColor(swatch);
    // With Pattern Fill on the swatch only gives the fill its colour, which comes with the
    // fill tools.
    if (form.Option1->value() && platform::backColor(form.Label32) == canvas::kPendingColor)
        return;
    if (button == kRightButton)
        return;
    fontRecord[7] = QString::number(swatchRecord(number, colour));
    if (shift == kCtrl && form.qso().makingHeader()) {
        form.qso().headercolor();
        return;
    }
    platform::setBackColor(form.Label25, colour);
    form.Picture1->setForeColor(colour);
}

} // namespace text
