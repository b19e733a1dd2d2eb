// The TX screen's release: one chain of tests in a fixed order, the first that holds
// doing its work. It finishes what the press and the moves began; only the crop changes
// the TX picture at once, everything else waits for SET.

#include "canvas/TxCanvas.h"

#include "interfaces/Form.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <algorithm>
#include <cmath>

namespace canvas {

namespace {

constexpr int kLeft = 1;
constexpr int kRight = 2;

} // namespace

void TxCanvas::Picture1_MouseUp(int button, int, double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    auto& text = f.text();
    const bool overlayMode = f.Option6->value() || f.Option7->value();
    if (!isOn(f.Command47) && overlayMode) {
        f.Text1->setFocus();
        return;
    }
    if (button == kLeft && f.Check19->value() == 0 && f.Check18->value() == 0 && overlayMode) {
        placeElementAt(x, y);
        return;
    }
    if (dragSource == dragCallSign || dragSource == dragFskIdText) {
        placeTextAt(x, y);
        return;
    }
    tx->setMousePointer(0);
    if (isOn(f.Command47) && text.styledTextWaiting() && f.Option1->value()) {
        text.Label36_Click();
        return;
    }
    if (isOn(f.Label24)) {
        cropRelease(x, y);
        return;
    }
    // Follow Mouse: the trail drawn so far is what a take-back returns to.
    if (f.Check18->value() == 1 && f.Option7->value())
        f.Image13->setPicture(tx->Image());
    if (isOn(f.Label73) && f.Option8->value()) {
        noiseLineRepair(button, y);
        return;
    }
    if (button == kRight) {
        f.Text1->setFocus();
        return;
    }
    if (isOn(f.Label32))
        return;
    if (overlayMode) {
        f.Text1->setFocus();
        return;
    }
    if (f.Option8->value())
        return;
    text.Check17_Click();
    if (f.Check17->value() == 0 && f.Check15->value() == 1)
        text.Check15_Click();
    f.Text1->setFocus();
}

void TxCanvas::placeTextAt(double x, double y)
{
    interfaces::Form& f = form_;
    auto& text = f.text();
    platform::PictureBox* tx = f.Picture1;
    tx->Cls();
    tx->setCurrentX(x);
    textX = float(x);
    tx->setCurrentY(y);
    textY = float(y);
    text.drawText();
    text.Check17_Click();
    if (f.Check17->value() == 0 && f.Check15->value() == 1)
        text.Check15_Click();
    if (isOn(f.Command47) && text.styledTextWaiting() && f.Option1->value())
        text.Label36_Click();
}

// The rectangle from the press to the release, whichever way it was dragged and clipped
// to the screen, stretched over the whole TX picture. It is cut from the picture as it
// was before the rubber band, so none of the band's hatch is taken along. A rectangle
// without width or height leaves the picture and the tool as they are.
void TxCanvas::cropRelease(double x, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    tx->Cls();
    const double left = std::clamp(std::min(double(textX), x), 0.0, kTxWidth);
    const double right = std::clamp(std::max(double(textX), x), 0.0, kTxWidth);
    const double top = std::clamp(std::min(double(textY), y), 0.0, kTxHeight);
    const double bottom = std::clamp(std::max(double(textY), y), 0.0, kTxHeight);
    if (right - left <= 0 || bottom - top <= 0) {
        f.Text1->setFocus();
        return;
    }
    const QImage before = tx->Image();
    f.Image13->setPicture(before);
    tx->setAutoRedraw(true);
    tx->PaintPicture(before, 0, 0, kTxWidth, kTxHeight, left, top, right - left, bottom - top);
    tx->setAutoRedraw(false);
    txMouseState = 0;
    tx->setPicture(tx->Image());
    f.Image6->setPicture(tx->Image());
    platform::setBackColor(f.Label24, kToolOffColor);
}

// A noise line painted over from its neighbours: with the left button the row under the
// pointer moves one down and takes the row above; with the right button it moves one up
// and takes the row below. Only rows of the picture are read and written.
void TxCanvas::noiseLineRepair(int button, double y)
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    markElementPending();
    f.Picture3->setPicture(tx->Image());
    tx->setDrawWidth(1);
    tx->setAutoRedraw(true);
    const double step = button == kLeft ? 1 : button == kRight ? -1 : 0;
    if (step != 0) {
        auto copyRow = [&](double from, double to) {
            if (from < 0 || from >= kTxHeight || to < 0 || to >= kTxHeight)
                return;
            for (int x = 0; x < int(kTxWidth); ++x)
                tx->PSet(x, to, quint32(tx->Point(x, from)));
        };
        copyRow(y, float(y + step));
        copyRow(float(y - step), y);
    }
    tx->setPicture(tx->Image());
    tx->setAutoRedraw(false);
    tx->setMousePointer(0);
}

} // namespace canvas
