// The text painter: the pending text element printed onto the TX screen as a preview,
// line by line through a font turned by the text's angle, or one character per row for
// vertical text; and the redraw that the handlers changing the element end with.

#include "text/TextTools.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/QsoRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Random.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Twips.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"

namespace text {

namespace gdi = platform::gdi;

namespace {

constexpr int kMaxLines = 20;
constexpr int kMaxLineLength = 1501;
constexpr double kLineFactor = 1.9;        // line step of horizontal text, times the font size
constexpr double kBoxedRowFactor = 1.5;    // row step of vertical text on a background box
constexpr double kMultiAdvance = 0.9;      // advance of a multi-coloured character, times the font size
constexpr double kAngleSlide = 470;        // font size times angle over this: a line's slide along the angle
constexpr int kBoldWeight = 2400;
constexpr int kNormalWeight = 400;
constexpr int kFaceNameLength = 31;        // a face name's room, less its terminating zero

const QString kMultiColoured = QStringLiteral("Multi Colored Text");

// The six colours of a multi-coloured text's first 24 characters, in turn.
constexpr gdi::Colour kCycle[6] = {240, 0x80EE, 0xFFEE, 0xFF11, 0xFFFF11, 0xFF00EE};

using interfaces::isOn;

// The font selected into the TX screen's context for one print, and the one it
// replaced selected back afterwards, whatever the print does.
class SelectedFont {
public:
    SelectedFont(gdi::Dc* dc, const gdi::LogFont& font) : dc_(dc), old_(dc->selectFont(gdi::createFontIndirect(font)))
    {
    }
    ~SelectedFont() { dc_->selectFont(old_); }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;

private:
    gdi::Dc* dc_;
    gdi::FontPtr old_;
};

} // namespace

quint32 TextTools::MultiColourTable(int c)
{
    if (c >= 1 && c <= 24)
        return kCycle[(c - 1) % 6];
    return quint32(form_.canvas().colourDraws().next() * 16000000 + 17);
}

gdi::LogFont TextTools::rotatedFont() const
{
    const interfaces::Form& f = form_;
    gdi::LogFont font;
    font.height = -platform::CLng(f.Picture1->FontSize() * 18 / platform::kTwipsPerPixel);
    font.width = 0;
    font.escapement = platform::CLng(textAngle_);
    font.orientation = 0;
    font.weight = f.Check6->value() == 1 ? kBoldWeight : kNormalWeight;
    font.italic = f.Check14->value() == 1;
    font.underline = f.Check13->value() == 1;
    font.strikeOut = false;
    font.faceName = f.Picture1->FontName().left(kFaceNameLength);
    return font;
}

void TextTools::textrotate()
{
    interfaces::Form& f = form_;
    auto& canvas = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    const SelectedFont font(tx->hDC(), rotatedFont());
    if (f.Combo3->text() != kMultiColoured) {
        tx->setCurrentX(canvas.elementX());
        tx->setCurrentY(canvas.elementY());
        tx->Print(scratchText_, false);
        return;
    }
    // One character at a time, each in its colour; the first (the blank the painter puts
    // in front) keeps the colour it finds. The characters climb or fall with the angle.
    const gdi::Colour kept = tx->ForeColor();
    for (scratchIndex_ = 1; scratchIndex_ <= scratchText_.size(); ++scratchIndex_) {
        if (multiColourFlag_ == 1 && scratchIndex_ >= 2)
            tx->setForeColor(MultiColourTable(scratchIndex_ - 1));
        tx->Print(scratchText_.mid(scratchIndex_ - 1, 1), false);
        canvas.setElementX(float(canvas.elementX() + tx->FontSize() * kMultiAdvance));
        tx->setCurrentX(canvas.elementX());
        if (textAngle_ != 0) {
            canvas.setElementY(float(canvas.elementY() - textAngle_ / 10));
            tx->setCurrentY(canvas.elementY());
        }
    }
    tx->setForeColor(kept);
    multiColourFlag_ = 0;
}

void TextTools::drawText()
{
    interfaces::Form& f = form_;
    auto& canvas = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    if (!isOn(f.Command47) && sharedCounter_ != kStampPrinting)
        return;
    // The log listing fills the text box meanwhile: it is no text to place.
    if (f.qso().logViewOn())
        return;
    if (!f.Option1->value()) {
        canvas.Command12_Click();
        return;
    }
    const bool multiColoured = f.Combo3->text() == kMultiColoured;
    // With an outline or shadow the effect routines colour only the final print.
    if (multiColoured && f.Check15->value() == 0 && f.Check17->value() == 0)
        multiColourFlag_ = 1;
    if (!selectedText_.isEmpty())
        textToDraw_ = selectedText_;
    tx->setCurrentX(canvas.elementX());
    const int n = splitTextLines(multiColoured);

    const float x0 = canvas.elementX();
    const float y0 = canvas.elementY();
    tx->setCurrentX(x0);
    tx->setCurrentY(y0);
    if (isOn(f.Label31))
        printColumns(n, multiColoured);
    else
        printLines(n);
    canvas.setElementX(x0);
    canvas.setElementY(y0);
}

// textToDraw into textLines 1 to n, the count returned; lineTops cleared. Lines end at
// CR, whose LF is skipped with it. A line longer than the limit is cut there and the next
// one starts right after the cut, so no character is lost; a multi-coloured text is one
// line.
int TextTools::splitTextLines(bool multiColoured)
{
    for (int i = 1; i <= kMaxLines; ++i) {
        lineTops_[i] = 0;
        textLines_[i].clear();
    }
    int n = 0;
    for (qsizetype p = 0; n < kMaxLines;) {
        ++n;
        qsizetype q = p;
        bool ended = false;
        bool lineEnd = false;
        for (; q < p + kMaxLineLength; ++q) {
            if (q >= textToDraw_.size()) {
                ended = true;
                break;
            }
            if (textToDraw_.at(q) == QLatin1Char('\r')) {
                lineEnd = true;
                break;
            }
            textLines_[n] += textToDraw_.at(q);
        }
        if (ended || multiColoured)
            break;
        if (lineEnd) {
            p = q + 1;
            if (p < textToDraw_.size() && textToDraw_.at(p) == QLatin1Char('\n'))
                ++p;
        } else {
            p = q;
            if (p >= textToDraw_.size())
                break;
        }
    }
    return n;
}

// Vertical text: the TX screen's own font, unturned, one character per row, the lines
// side by side from the left; a multi-coloured text without a box is one column in the
// colour cycle.
void TextTools::printColumns(int n, bool multiColoured)
{
    interfaces::Form& f = form_;
    auto& canvas = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("drawText"));
    const bool boxed = f.Check16->value() == 1;
    if (boxed)
        textSize_ = tx->FontSize() * kBoxedRowFactor;
    if (multiColoured && !boxed) {
        const gdi::Colour kept = tx->ForeColor();
        const QString& line = textLines_[1];
        for (scratchIndex_ = 1; scratchIndex_ <= line.size(); ++scratchIndex_) {
            steps.step(QStringLiteral("character %1").arg(scratchIndex_), [&] {
                if (multiColourFlag_ == 1)
                    tx->setForeColor(MultiColourTable(scratchIndex_));
                tx->Print(line.mid(scratchIndex_ - 1, 1), false);
            });
            tx->setCurrentX(canvas.elementX());
            tx->setCurrentY(canvas.elementY() + textSize_);
            canvas.setElementY(float(canvas.elementY() + textSize_));
        }
        tx->setForeColor(kept);
        multiColourFlag_ = 0;
        return;
    }
    const float top = canvas.elementY();
    for (int i = 1; i <= n; ++i) {
        const QString& column = textLines_[i];
        for (int k = 1; k <= column.size(); ++k) {
            tx->setCurrentX(canvas.elementX());
            tx->setCurrentY(canvas.elementY());
            if (k <= kMaxLines)
                lineTops_[k] = canvas.elementY();
            const QString character = column.mid(k - 1, 1);
            steps.step(QStringLiteral("character %1").arg(k), [&] {
                if (boxed) {
                    // The blanks widen the box on both sides of the character.
                    tx->Print(QStringLiteral("     "), false);
                    tx->setCurrentX(canvas.elementX());
                    tx->setCurrentY(canvas.elementY());
                    tx->Print(QLatin1Char(' ') + character, false);
                } else {
                    tx->Print(character, false);
                }
            });
            canvas.setElementY(float(canvas.elementY() + textSize_));
        }
        canvas.setElementX(float(canvas.elementX() + (boxed ? 1.3 : 2.0) * textSize_));
        canvas.setElementY(top);
    }
}

// Horizontal text: each line a blank further in, turned with the angle; the lines slide
// along the angle, so that the block stays square to it.
void TextTools::printLines(int n)
{
    interfaces::Form& f = form_;
    auto& canvas = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    platform::StepRunner steps(QStringLiteral("drawText"));
    textSize_ = tx->FontSize() * kLineFactor;
    scratchText_ = QLatin1Char(' ') + textLines_[1];
    if (f.Check16->value() == 1)
        scratchText_ += QLatin1Char(' ');
    steps.step(QStringLiteral("line 1"), [&] { textrotate(); });
    lineTops_[1] = canvas.elementY();
    for (int i = 2; i <= n; ++i) {
        const double d = tx->FontSize() * textAngle_ / kAngleSlide;
        canvas.setElementX(float(canvas.elementX() + d));
        tx->setCurrentX(canvas.elementX());
        canvas.setElementY(float(textAngle_ <= 0 ? canvas.elementY() + textSize_ + d : canvas.elementY() + textSize_ - d));
        tx->setCurrentY(canvas.elementY());
        lineTops_[i] = canvas.elementY();
        scratchText_ = QLatin1Char(' ') + textLines_[i];
        steps.step(QStringLiteral("line %1").arg(i), [&] { textrotate(); });
    }
}

void TextTools::redrawText()
{
    interfaces::Form& f = form_;
    auto& canvas = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    tx->Cls();
    tx->setCurrentX(canvas.elementX());
    tx->setCurrentY(canvas.elementY());
    if (styledTextPending_ == 1) {
        Label36_Click();
        return;
    }
    drawText();
    Check17_Click();
    Check15_Click();
}

void TextTools::setTextBackground(int ticked) { form_.Check16->setValue(ticked); }
void TextTools::setTextOutline(int ticked) { form_.Check15->setValue(ticked); }

// The print of the previous line that the box's switch-on made first is left out: with
// nothing pending it left a stray copy of that line on the screen, and with an element
// pending the new print covers the same place.
void TextTools::Check16_Click()
{
    interfaces::Form& f = form_;
    platform::PictureBox* tx = f.Picture1;
    tx->Cls();
    const bool pending = isOn(f.Command47);
    if (f.Check16->value() == 1) {
        savedTextAngle_ = textAngle_;
        textAngle_ = 0;
        tx->setFontTransparent(false);
        if (!pending)
            return;
        if (styledTextPending_ == 1)
            Label36_Click();
        else
            drawText();
        return;
    }
    tx->setAutoRedraw(true);
    tx->setFontTransparent(true);
    tx->setAutoRedraw(false);
    textAngle_ = savedTextAngle_;
    if (!pending)
        return;
    if (styledTextPending_ == 1) {
        Label36_Click();
        return;
    }
    Check17_Click();
    Check15_Click();
    drawText();
}

} // namespace text
