// The colour palette: the twelve swatches Label1 to Label12 give the fill colour, the
// drawing and text colour, the background of a header being made and the text back
// colour; C1 to C4 are set through the colour dialog and kept in the settings.

#include "text/TextTools.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/DragSource.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/QsoRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/PictureBox.h"

namespace text {

namespace {

constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kCtrl = 2;          // the shift code of Ctrl alone
constexpr int kColorDialogFlags = 259; // from the given colour, full dialog, any colour
const QString kPaneOpenCaption = QStringLiteral("Exit  Msg");

using interfaces::isOn;

void setCaptionBold(QWidget* w, bool on)
{
    QFont font = w->font();
    font.setBold(on);
    w->setFont(font);
}

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

void TextTools::showTextColour(uint32_t colour)
{
    form_.Picture1->setForeColor(colour);
    platform::setBackColor(form_.Label25, colour);
}

void TextTools::showTextBackColour(qint32 colour)
{
    form_.Picture1->setBackColor(quint32(colour));
    platform::setBackColor(form_.Label45, quint32(colour));
    textBackColour_ = colour;
}

void TextTools::swatchMouseDown(int number, int button, int shift)
{
    interfaces::Form& f = form_;
    auto& cv = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    platform::Label* swatch = f.swatch(number);
    if (!swatch)
        return;
    const quint32 colour = platform::backColor(swatch);
    const bool drawMode = f.Option8->value();
    const bool patternFill = isOn(f.Label32);
    // A fill tool in Text mode: the left button picks the fill colour and drags the swatch
    // to the TX screen, where the drop fills. Pattern Fill takes nothing else from the
    // press; Color Fill gives the text its colour too.
    if (f.Option1->value() && (patternFill || isOn(f.Label38))) {
        if (button == kLeftButton) {
            cv.setPatternFillColour(qint32(colour));
            platform::DragManager::setDragIcon(swatch, platform::DragManager::dragIcon(f.Drive1));
            platform::DragManager::instance().begin(swatch);
            sharedCounter_ = kFillColourPicked;
        }
        if (patternFill)
            return;
    }
    const bool headerCtrl = shift == kCtrl && f.qso().makingHeader();
    if (button != kRightButton) {
        fontRecord_[7] = QString::number(swatchRecord(number, colour));
        if (headerCtrl) {
            f.qso().headercolor();
            return;
        }
        showTextColour(colour);
        if (cv.shapeChosen()) {
            // An armed shape is drawn again where it stands: the shape drawer adds the
            // centre offset to an armed shape's place, so it is taken off first.
            if (cv.dragSourceCode() == interfaces::dragShapeTool) {
                cv.setElementX(cv.elementX() - 160);
                cv.setElementY(cv.elementY() - 128);
            }
            cv.Combo1_Click();
            return;
        }
        if (styledTextPending_ == 1) {
            Label36_Click();
            return;
        }
        tx->setCurrentX(cv.elementX());
        tx->setCurrentY(cv.elementY());
        if (!drawMode)
            drawText();
        if (f.Check17->value() == 1)
            Check17_Click();
        if (f.Check15->value() == 1)
            Check15_Click();
        return;
    }
    if (headerCtrl)
        return;
    showTextBackColour(qint32(colour));
    if (styledTextPending_ == 1) {
        Label36_Click();
        return;
    }
    drawText();
    f.Text1->setFocus();
    if (!drawMode && f.Check17->value() == 1)
        Check17_Click();
    else
        Check15_Click();
}

// A double-click on C1 to C4 sets the swatch through the colour dialog; the text takes it
// at the next press on the swatch. A cancelled dialog changes nothing, and C2 to C4 also
// ignore the text colour itself (nothing chosen).
void TextTools::customSwatchDblClick(int number)
{
    interfaces::Form& f = form_;
    platform::Label* swatch = f.swatch(number);
    if (!swatch || number < 9)
        return;
    platform::CommonDialog& dialog = *f.CommonDialog1;
    dialog.Flags = kColorDialogFlags;
    dialog.Color = f.Picture1->ForeColor();
    const bool cancelError = dialog.CancelError;
    dialog.CancelError = true;
    bool chosen = true;
    try {
        dialog.ShowColor();
    } catch (const platform::DialogCancelled&) {
        chosen = false;
    }
    dialog.CancelError = cancelError;
    if (!chosen)
        return;
    if (number > 9 && dialog.Color == f.Picture1->ForeColor())
        return;
    if (f.Command8->text() == kPaneOpenCaption) {
        f.Command8->setText(QStringLiteral("Load Msg"));
        f.Text2->hide();
        setCaptionBold(f.Command8, false);
    }
    fontRecord_[7] = QString::number(dialog.Color);
    f.Text2->hide();
    setCaptionBold(f.Command8, false);
    platform::setBackColor(swatch, dialog.Color);
    f.Text1->setFocus();
}

// The custom swatches' colours as the settings keep them, and back.
void TextTools::gatherCustomColours()
{
    for (int i = 1; i <= 4; ++i)
        customColours_[i] = QString::number(platform::backColor(form_.swatch(8 + i)));
}

void TextTools::applyCustomColours()
{
    for (int i = 1; i <= 4; ++i) {
        bool ok = false;
        const qint64 value = customColours_[i].trimmed().toLongLong(&ok);
        // Nothing stored (a first run) or no colour: the swatch keeps its design colour.
        if (ok && value >= 0 && value <= 0xFFFFFF)
            platform::setBackColor(form_.swatch(8 + i), quint32(value));
    }
}

} // namespace text
