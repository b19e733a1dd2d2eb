// The text element's effects: the outline ring, the shadow and its colour rule, and the
// styled types "Striped Text" and "Graduated Text", whose patterns replace the text
// colour through a masked copy. Each is also the routine that the redraws of the element
// run, so each draws only while an element is pending (SET red).

#include "text/TextTools.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "platform/drawing/Colors.h"
#include "platform/drawing/MaskedCopy.h"
#include "platform/runtime/Random.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace text {

namespace {

constexpr quint32 kNearBlack = 65793;  // black outline copies print as &H010101
constexpr double kShadowUnit = 60;     // font size over this: one shadow step in pixels
constexpr int kPatternWidth = int(interfaces::kTxWidth);
constexpr int kGradientBands = 63;
constexpr int kFlatBands = 20;
constexpr int kGradientStep = 7;
using platform::kHourglass;

const QString kNormal = QStringLiteral("Normal Text");
const QString kStriped = QStringLiteral("Striped Text");
const QString kGraduated = QStringLiteral("Graduated Text");
const QString kMultiColoured = QStringLiteral("Multi Colored Text");
const QString kRotatedRefusal = QStringLiteral("Does not work correctly with rotated texts. Will exit without change.");
const QString kColourModeOffText = QStringLiteral(" Off");

using interfaces::isOn;

struct Offset {
    int dx;
    int dy;
};
// The outline's copies in the order of printing: the four neighbours at every weight,
// the diagonals from "Thin outline" on, the ring at distance 2 (without its corners)
// with "Bold outline".
constexpr Offset kOutlineOffsets[] = {
    {1, 0},  {-1, 0}, {0, 1},  {0, -1},                                          // every weight
    {1, 1},  {1, -1}, {-1, 1}, {-1, -1},                                         // thin and bold
    {2, 0},  {-2, 0}, {0, 2},  {0, -2},  {2, 1},  {2, -1}, {-2, 1}, {-2, -1},    // bold only
    {1, 2},  {1, -2}, {-1, 2}, {-1, -2},
};
constexpr int kCopiesOfWeight[3] = {4, 8, 20};

// The shadow arrows' steps: Option2 +X +Y, Option3 -X +Y, Option4 +X -Y, Option5 -X -Y.
constexpr int kArrowX[6] = {0, 0, 1, -1, 1, -1};
constexpr int kArrowY[6] = {0, 0, 1, 1, -1, -1};

constexpr quint32 kPresetColours[6] = {0, platform::rgb(255, 0, 0), platform::rgb(0, 255, 0),
                                       platform::rgb(10, 0, 187), platform::rgb(234, 235, 214),
                                       platform::rgb(255, 255, 128)};

int red(quint32 c) { return int(c & 0xFF); }
int green(quint32 c) { return int((c >> 8) & 0xFF); }
int blue(quint32 c) { return int((c >> 16) & 0xFF); }
quint32 clampedRgb(int r, int g, int b)
{
    return platform::rgb(std::min(r, 255), std::min(g, 255), std::min(b, 255));
}

} // namespace

// ---------------------------------------------------------------------------------------
// Outline

void TextTools::Check15_Click()
{
    interfaces::Form& f = form_;
    auto& cv = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    if (!isOn(f.Command47) && sharedCounter_ != kStampPrinting)
        return;
    if (f.Check16->value() == 1 || f.Check15->value() == 0 || f.Option7->value() || f.Option8->value())
        return;
    const QString keptRecord = fontRecord_[7];
    const quint32 keptFore = tx->ForeColor();
    tx->setCurrentX(cv.elementX());
    tx->setCurrentY(cv.elementY());
    const float x0 = cv.elementX();
    const float y0 = float(platform::CInt(cv.elementY()));
    const quint32 ring = platform::backColor(f.swatch(f.HScroll4->value() + 1));
    showOutlineColour();
    fontRecord_[7] = platform::numberText(ring);
    tx->setForeColor(ring == 0 ? kNearBlack : ring);
    const int weight = std::clamp(platform::CInt(platform::Val(outlineWeight_.toString())), qint16(0), qint16(2));
    for (int k = 0; k < kCopiesOfWeight[weight]; ++k) {
        // The first copy starts from textY as found; every later one from the rounded Y0.
        cv.setElementX(x0 + float(kOutlineOffsets[k].dx));
        cv.setElementY(cv.elementY() + float(kOutlineOffsets[k].dy));
        drawText();
        cv.setElementX(x0);
        cv.setElementY(y0);
    }
    tx->setCurrentX(x0);
    tx->setCurrentY(y0);
    fontRecord_[7] = keptRecord;
    tx->setForeColor(keptFore);
    multiColourFlag_ = 1;
    drawText();
    cv.setElementX(x0);
    cv.setElementY(y0);
}

// Without a pending text a release wipes the preview; styled text is redrawn whole.
// Either way the effect's own redraw does not follow.
bool TextTools::effectReleaseEnds()
{
    if (!isOn(form_.Command47)) {
        form_.Picture1->Cls();
        return true;
    }
    if (styledTextPending_ == 1) {
        Label36_Click();
        return true;
    }
    return false;
}

void TextTools::Check15_MouseUp(int, int, double, double)
{
    interfaces::Form& f = form_;
    auto& cv = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    if (effectReleaseEnds())
        return;
    // Just switched off: the text and its shadow again, without the ring.
    if (f.Check15->value() == 0) {
        tx->Cls();
        tx->setCurrentX(cv.elementX());
        tx->setCurrentY(cv.elementY());
        drawText();
        Check17_Click();
    }
}

void TextTools::showOutlineColour()
{
    platform::setBackColor(form_.Text8, platform::backColor(form_.swatch(form_.HScroll4->value() + 1)));
}

void TextTools::HScroll4_Change()
{
    interfaces::Form& f = form_;
    if (f.HScroll4->value() > 11) {
        f.HScroll4->setValue(0); // runs this handler again with 0
        return;
    }
    showOutlineColour();
    if (!isOn(f.Command47))
        return;
    if (styledTextPending_ == 1) {
        Label36_Click();
        return;
    }
    // The shadow routine ends with the outline; it is drawn by itself only without shadow.
    Check17_Click();
    if (f.Check15->value() == 1 && f.Check17->value() == 0)
        Check15_Click();
}

// No window events are let run before the redraw: it follows at once.
void TextTools::Label47_Click()
{
    interfaces::Form& f = form_;
    f.Picture1->Cls();
    const QString caption = f.Label47->caption();
    if (caption == QLatin1String("Fine outline")) {
        f.Label47->setCaption(QStringLiteral("Thin outline"));
        outlineWeight_ = 1;
    } else if (caption == QLatin1String("Thin outline")) {
        f.Label47->setCaption(QStringLiteral("Bold outline"));
        outlineWeight_ = 2;
    } else if (caption == QLatin1String("Bold outline")) {
        f.Label47->setCaption(QStringLiteral("Fine outline"));
        outlineWeight_ = 0;
    } else {
        return;
    }
    if (styledTextPending_ == 1) {
        Label36_Click();
        return;
    }
    if (!isOn(f.Command47))
        return;
    drawText();
    Check17_Click();
    if (f.Check15->value() == 1 && f.Check17->value() == 0)
        Check15_Click();
}

// ---------------------------------------------------------------------------------------
// Shadow

quint32 TextTools::shadowCopyColour(int i, int depth) const
{
    const int ramp = form_.HScroll5->value();
    if (ramp < 6)
        return presetColour_ + 64000u * quint32(platform::Int(36.0 * i / depth) + 1);
    const double light = ramp == 6 ? 255 - 255.0 * i / depth : 255.0 * i / depth;
    const int grey = int(platform::roundHalfEven(light));
    return platform::rgb(grey, grey, grey);
}

// The shadow's arrows by their numbers, 2 (Option2) to 5 (Option5).
platform::OptionButton* TextTools::shadowArrow(int option) const
{
    interfaces::Form& f = form_;
    platform::OptionButton* const arrows[6] = {nullptr, nullptr, f.Option2, f.Option3, f.Option4, f.Option5};
    return option >= 2 && option <= 5 ? arrows[option] : nullptr;
}

void TextTools::gatherShadowDirection()
{
    for (int option = 2; option <= 5; ++option)
        if (shadowArrow(option)->value()) {
            textOptionFlags_[4] = option;
            return;
        }
}

void TextTools::shadowArrowClick(int option)
{
    auto& cv = form_.canvas();
    const double unit = form_.Picture1->FontSize() / kShadowUnit;
    cv.setElementX(float(cv.elementX() + kArrowX[option] * unit));
    cv.setElementY(float(cv.elementY() + kArrowY[option] * unit));
}

void TextTools::Check17_Click()
{
    interfaces::Form& f = form_;
    auto& cv = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    if (!isOn(f.Command47) || f.Option8->value() || f.Option7->value() || f.Check17->value() != 1 ||
        f.Check16->value() == 1)
        return;
    const quint32 textColour = tx->ForeColor();
    const float savedX = cv.elementX();
    const float savedY = cv.elementY();
    tx->setForeColor(quint32(textBackColour_));
    // A depth never set (a first start) is the depth bar's, as the bar shows it.
    const int bar = f.VScroll1->value();
    const int depth = shadowDepth_.isNull() || shadowDepth_.toString().isEmpty()
                          ? bar * bar
                          : platform::CInt(platform::Val(shadowDepth_.toString()));
    // The copies start depth units back from the text, against the arrow's direction.
    const double back = tx->FontSize() * depth / kShadowUnit;
    for (int option = 2; option <= 5; ++option)
        if (shadowArrow(option)->value()) {
            cv.setElementX(float(cv.elementX() - kArrowX[option] * back));
            cv.setElementY(float(cv.elementY() - kArrowY[option] * back));
        }
    platform::StepRunner steps(QStringLiteral("Check17_Click"));
    // A local index: the shared counter also holds a picked fill colour (201) or a stamp
    // in progress (7270), which a redraw of the shadow must not wipe.
    for (int i = depth; i >= 1; --i) {
        if (shadowColourMode_ == 1)
            steps.step(QStringLiteral("copy colour"), [&] { tx->setForeColor(shadowCopyColour(i, depth)); });
        for (int option = 2; option <= 5; ++option)
            if (shadowArrow(option)->value())
                shadowArrowClick(option);
        tx->setCurrentX(cv.elementX());
        tx->setCurrentY(cv.elementY());
        steps.step(QStringLiteral("copy"), [&] { drawText(); });
    }
    tx->setCurrentX(cv.elementX());
    tx->setCurrentY(cv.elementY());
    cv.setElementX(savedX);
    cv.setElementY(savedY);
    tx->setForeColor(textColour);
    multiColourFlag_ = 1;
    steps.step(QStringLiteral("text"), [&] { drawText(); });
    cv.setElementX(savedX);
    cv.setElementY(savedY);
    steps.step(QStringLiteral("outline"), [&] { Check15_Click(); });
}

void TextTools::Check17_MouseUp(int, int, double, double)
{
    interfaces::Form& f = form_;
    auto& cv = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    if (effectReleaseEnds())
        return;
    // Just switched off: the text and its outline again, without the shadow.
    if (f.Check17->value() == 0) {
        tx->Cls();
        tx->setCurrentX(cv.elementX());
        tx->setCurrentY(cv.elementY());
        drawText();
        Check15_Click();
    }
}

void TextTools::shadowArrowMouseUp()
{
    interfaces::Form& f = form_;
    if (isOn(f.Command47)) {
        if (styledTextPending_ == 1) {
            Label36_Click();
            return;
        }
        if (f.Check17->value() == 1) {
            f.Picture1->Cls();
            Check17_Click();
        }
    }
    f.Text1->setFocus();
}

void TextTools::VScroll1_Change()
{
    interfaces::Form& f = form_;
    const int v = f.VScroll1->value();
    shadowDepth_ = int(qint16(v * v));
    f.Picture1->Cls();
    if (!isOn(f.Command47))
        return;
    if (styledTextPending_ == 1)
        Label36_Click();
    else
        Check17_Click();
}

void TextTools::setPresetColour()
{
    const int v = form_.HScroll5->value();
    if (v >= 1 && v <= 5)
        presetColour_ = kPresetColours[v];
}

namespace {
QString colourModeText(int value) { return QStringLiteral(" ") + platform::Str(value); }
} // namespace

// No window events are let run before the redraw: it follows at once.
void TextTools::HScroll5_Change()
{
    interfaces::Form& f = form_;
    platform::StepRunner steps(QStringLiteral("HScroll5_Change"));
    if (f.Text13->text() == kColourModeOffText) {
        f.Text1->setFocus();
        return;
    }
    const bool on = isOn(f.Text13);
    if (on)
        f.Text13->setText(colourModeText(f.HScroll5->value()));
    if (f.Option1->value() && on) {
        setPresetColour();
        if (isOn(f.Command47)) {
            steps.step(QStringLiteral("drawText"), [&] { drawText(); });
            steps.step(QStringLiteral("Check17_Click"), [&] { Check17_Click(); });
            steps.step(QStringLiteral("Check15_Click"), [&] { Check15_Click(); });
        }
    }
    if (styledTextPending_ == 1)
        steps.step(QStringLiteral("Label36_Click"), [&] { Label36_Click(); });
    else
        f.Text1->setFocus();
}

void TextTools::Text13_MouseDown(int button, int, double, double)
{
    interfaces::Form& f = form_;
    const bool textMode = f.Option1->value();
    auto redraw = [&] {
        drawText();
        Check17_Click();
        Check15_Click();
    };
    if (button == 1) {
        if (isOn(f.Text13)) {
            platform::setBackColor(f.Text13, interfaces::kStateOff);
            f.canvas().setShadowStepMode(interfaces::kStateOff);
            shadowColourMode_ = 0;
            f.Text13->setText(kColourModeOffText);
            if (isOn(f.Command47) && textMode) {
                if (styledTextPending_ == 1)
                    Label36_Click();
                else
                    redraw();
            }
            return;
        }
        platform::setBackColor(f.Text13, interfaces::kStateOn);
        f.canvas().setShadowStepMode(interfaces::kStateOn);
        shadowColourMode_ = 1;
        f.Text13->setText(colourModeText(f.HScroll5->value()));
        if (isOn(f.Command47) && textMode)
            redraw();
    }
    if (!textMode)
        return;
    setPresetColour();
    if (styledTextPending_ == 1)
        Label36_Click();
    else if (isOn(f.Command47))
        redraw();
}

void TextTools::restoreShadowColourRule()
{
    platform::setBackColor(form_.Text13, interfaces::kStateOn);
    shadowColourMode_ = 1;
    form_.Text13->setText(QString::number(form_.HScroll5->value()));
}

// ---------------------------------------------------------------------------------------
// Text types

void TextTools::Combo3_Click()
{
    interfaces::Form& f = form_;
    auto& cv = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    if (!f.Option1->value() || f.Check18->value() == 1 || f.Check19->value() == 1) {
        f.Text1->setFocus();
        return;
    }
    if (isOn(f.Label38))
        cv.Label38_Click();
    cv.Command12_Click();
    const QString type = f.Combo3->text();
    const QString foreText = platform::numberText(tx->ForeColor());
    if (type == kGraduated) {
        textAngle_ = 0;
        fontRecord_[7] = foreText;
        textrotate();
        tx->Cls();
        cv.markElementPending();
        Label36_Click();
        return;
    }
    if (type == kStriped) {
        fontRecord_[7] = foreText;
        cv.markElementPending();
        Label36_Click();
        f.Text1->setFocus();
        return;
    }
    if (type == kNormal || type == kMultiColoured) {
        textAngle_ = 0;
        fontRecord_[7] = foreText;
        styledTextPending_ = 0;
        cv.markElementPending();
        drawText();
        Check17_Click();
        Check15_Click();
        f.Text1->setFocus();
    }
}

void TextTools::dropStyledText()
{
    platform::PictureBox* tx = form_.Picture1;
    form_.Combo3->setText(kNormal);
    restoreTextRotation();
    fontRecord_[7] = platform::numberText(tx->ForeColor());
    styledTextPending_ = 0;
}

void TextTools::Label36_Click()
{
    interfaces::Form& f = form_;
    const QString type = f.Combo3->text();
    if (type == kGraduated && textAngle_ != 0) {
        f.ui().msgBox(kRotatedRefusal, platform::vbOKOnly);
        f.Text1->setFocus();
        return;
    }
    if (type == kNormal)
        return;
    if (styledTextPending_ == 0)
        f.canvas().keepScreenAsClean();
    styledTextPending_ = 1;
    drawStyledText();
}

void TextTools::gradientFill(platform::PictureBox& target, int& r, int& g, int& b, bool topDown)
{
    const double height = target.ScaleHeight();
    const double h = platform::roundHalfEven(height / kGradientBands);
    double y1 = topDown ? 0 : height - h;
    double y2 = y1 + h;
    const double width = platform::roundHalfEven(target.ScaleWidth());
    const quint32 reference = form_.Picture1->BackColor();
    const int r0 = red(reference), g0 = green(reference), b0 = blue(reference);
    auto step = [](int& c, int c0) {
        c -= kGradientStep;
        if (c <= c0)
            c += 2 * kGradientStep;
    };
    for (int band = 1; band <= kGradientBands; ++band) {
        target.Line(0, y1, width, y2, clampedRgb(r, g, b), platform::PictureBox::LineKind::FilledBox);
        if (band > kFlatBands) {
            step(r, r0);
            step(g, g0);
            step(b, b0);
        }
        y1 = topDown ? y2 : y1 - h;
        y2 = y1 + h;
    }
}

void TextTools::drawStyledText()
{
    interfaces::Form& f = form_;
    auto& cv = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    platform::PictureBox* pattern = f.Picture2;
    platform::PictureBox* strip = f.Picture3;
    if (!f.Option1->value()) {
        f.Text1->setFocus();
        return;
    }
    if (!isOn(f.Command47))
        return;
    const QString type = f.Combo3->text();
    if (type == kNormal) {
        f.Text1->setFocus();
        return;
    }
    f.setMousePointer(kHourglass);
    cv.keepTakeBackCopy();
    tx->setAutoRedraw(true);
    // A redraw starts again from the picture kept before the first.
    if (styledTextPending_ == 1) {
        tx->setAutoRedraw(false);
        cv.restoreCleanPicture();
    }
    tx->setDrawWidth(1);
    drawText();
    Check17_Click();
    Check15_Click();

    // The key is the colour the text was printed in (the swatches record a shade off it,
    // so the recorded drawing colour would miss every text pixel).
    const quint32 textColour = tx->ForeColor() & platform::gdi::kRgbMask;
    const quint32 backColour = tx->BackColor() & platform::gdi::kRgbMask;
    fontRecord_[7] = platform::numberText(textColour);
    // The pattern canvas starts as what the screen shows, so text pixels no pattern
    // covers keep their own colour.
    pattern->setAutoRedraw(true);
    pattern->setPicture(tx->AutoRedraw() ? tx->Image() : tx->screenImage());
    auto& random = cv.colourDraws();
    auto lift = [&](int component) { return platform::lighterComponent(component, random); };
    const double w = kPatternWidth;
    if (type == kGraduated) {
        strip->setAutoRedraw(true);
        tx->setDrawWidth(1);
        int r = lift(red(textColour));
        int g = lift(green(textColour));
        int b = lift(blue(textColour));
        // The strip is an image of its own, 63 whole bands high.
        const int band = int(platform::roundHalfEven(double(strip->ScaleHeight()) / kGradientBands));
        strip->setBoxSize(kPatternWidth, band * kGradientBands);
        gradientFill(*strip, r, g, b, true);
        strip->setPicture(strip->Image());
        strip->setAutoRedraw(false);
        const double s = tx->FontSize();
        auto lineBand = [&](double top) {
            pattern->PaintPicture(strip->Picture(), 0, top, w, 1.2 * s);
            const int br = lift(red(backColour)), bg = lift(green(backColour)), bb = lift(blue(backColour));
            const double boxTop = top + 1.2 * s - 1.2 * s / 16 - 2;
            pattern->Line(0, boxTop, w, boxTop + s, clampedRgb(br, bg, bb), platform::PictureBox::LineKind::FilledBox);
        };
        lineBand(cv.elementY());
        for (int i = 2; i <= 20; ++i)
            if (lineTops_[i] > 0)
                lineBand(lineTops_[i]);
    } else if (type == kStriped) {
        pattern->setDrawWidth(1);
        for (int y = 0; y < int(interfaces::kTxHeight); y += 9) {
            const int r = lift(red(textColour)), g = lift(green(textColour)), b = lift(blue(textColour));
            pattern->Line(0, y, w, y + 4, clampedRgb(r, g, b), platform::PictureBox::LineKind::FilledBox);
        }
        for (int y = 5; y < int(interfaces::kTxHeight); y += 9) {
            const int r = lift(red(backColour)), g = lift(green(backColour)), b = lift(blue(backColour));
            pattern->Line(0, y, w, y + 3, clampedRgb(r, g, b), platform::PictureBox::LineKind::FilledBox);
        }
    }
    platform::gdi::Colour key = textColour;
    int32_t rect[4] = {0, 0, int32_t(interfaces::kTxWidth), int32_t(interfaces::kTxHeight)};
    platform::transparentblit(pattern->hDC(), pattern->hDC(), tx->hDC(), rect, 0, 0, key);
    cv.setTxPicture(pattern->Image());
    tx->setAutoRedraw(false);
    pattern->setAutoRedraw(false);
    cv.commitTxScreen();
    if (styledTextPending_ == 0) {
        cv.keepScreenAsClean();
        cv.markNothingPending();
    }
    f.setMousePointer(0);
}

} // namespace text
