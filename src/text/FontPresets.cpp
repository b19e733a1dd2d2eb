// The four font presets F1 to F4: a left (or middle) press puts its preset's typeface on
// the text box and the TX screen and draws the pending text again; a right press also
// asks for a font through the font dialog and stores it as that preset.

#include "text/TextTools.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/Form.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"

namespace text {

namespace {

constexpr int kLeftButton = 1;
constexpr int kRightButton = 2;
constexpr int kFontDialogFlags = 259; // screen and printer fonts, with effects

QString truthText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

// A preset names its face verbatim; the font system finds the nearest face it has. An
// empty name (a preset never stored) leaves the font as it is.
void setFamily(QWidget* w, const QString& name)
{
    if (name.isEmpty())
        return;
    QFont font = w->font();
    font.setFamily(name);
    w->setFont(font);
}

} // namespace

platform::CommandButton* TextTools::presetButton(int slot) const
{
    platform::CommandButton* const buttons[] = {form_.Command21, form_.Command25, form_.Command23, form_.Command24};
    return slot >= 1 && slot <= 4 ? buttons[slot - 1] : nullptr;
}

void TextTools::applyFontPreset(int slot)
{
    interfaces::Form& f = form_;
    platform::CommandButton* chosen = presetButton(slot);
    if (!chosen)
        return;
    platform::StepRunner steps(QStringLiteral("font preset %1").arg(slot));
    const int base = 7 * (slot - 1);
    fontbutton();
    platform::setBackColor(chosen, kSelectedPreset);
    steps.step(QStringLiteral("Text1 face"), [&] { setFamily(f.Text1, fontPresetsText_[base + 1]); });
    steps.step(QStringLiteral("TX face"), [&] {
        if (!fontPresetsPicture_[base + 1].isEmpty())
            f.Picture1->setFontName(fontPresetsPicture_[base + 1]);
    });
}

void TextTools::fontPresetMouseDown(int slot, int button)
{
    interfaces::Form& f = form_;
    auto& cv = f.canvas();
    platform::PictureBox* tx = f.Picture1;
    platform::CommandButton* pressed = presetButton(slot);
    if (!pressed)
        return;
    if (f.Option8->value()) {
        f.Text1->setFocus();
        return;
    }
    platform::StepRunner steps(QStringLiteral("font preset"));
    fontPresetSelected_ = slot - 1;
    applyFontPreset(slot);
    f.Text1->setFocus();
    tx->Cls();
    tx->setCurrentX(cv.elementX());
    tx->setCurrentY(cv.elementY());
    if (button == kLeftButton && styledTextPending_ == 1) {
        steps.step(QStringLiteral("Label36_Click"), [&] { Label36_Click(); });
        return;
    }
    steps.step(QStringLiteral("drawText"), [&] { drawText(); });
    steps.step(QStringLiteral("Check17_Click"), [&] { Check17_Click(); });
    steps.step(QStringLiteral("Check15_Click"), [&] { Check15_Click(); });
    if (button != kRightButton)
        return;
    steps.step(QStringLiteral("chooseFont"), [&] { chooseFont(); });
    steps.step(QStringLiteral("store"), [&] { storeFontPreset(slot); });
}

// The dialog starts from the text box's font and the stored size; its face and styles go
// to the text box and then to the TX screen, never its size or colour. A cancelled dialog
// gives back what it started from, so the TX screen takes the text box's face and styles.
void TextTools::chooseFont()
{
    interfaces::Form& f = form_;
    platform::CommonDialog& dialog = *f.CommonDialog1;
    platform::StepRunner steps(QStringLiteral("chooseFont"));
    const QFont start = f.Text1->font();
    dialog.Flags = kFontDialogFlags;
    dialog.FontName = start.family();
    steps.step(QStringLiteral("size"), [&] { dialog.FontSize = platform::Val(fontRecord_[9]); });
    dialog.FontBold = start.bold();
    dialog.FontItalic = start.italic();
    dialog.FontUnderline = start.underline();
    dialog.FontStrikethru = start.strikeOut();
    const bool cancelError = dialog.CancelError;
    dialog.CancelError = false;
    steps.step(QStringLiteral("ShowFont"), [&] { dialog.ShowFont(); });
    dialog.CancelError = cancelError;
    steps.step(QStringLiteral("Text1 font"), [&] {
        QFont font = f.Text1->font();
        if (!dialog.FontName.isEmpty())
            font.setFamily(dialog.FontName);
        font.setBold(dialog.FontBold);
        font.setItalic(dialog.FontItalic);
        font.setUnderline(dialog.FontUnderline);
        font.setStrikeOut(dialog.FontStrikethru);
        f.Text1->setFont(font);
    });
    platform::PictureBox* tx = f.Picture1;
    steps.step(QStringLiteral("TX font"), [&] {
        if (!dialog.FontName.isEmpty())
            tx->setFontName(dialog.FontName);
        tx->setFontBold(dialog.FontBold);
        tx->setFontItalic(dialog.FontItalic);
        tx->setFontUnderline(dialog.FontUnderline);
        tx->setFontStrikethru(dialog.FontStrikethru);
    });
}

// Font1 to Font4: the fonts in use into preset `slot`, the text box's side and the TX
// screen's, and the button shows the face.
void TextTools::storeFontPreset(int slot)
{
    interfaces::Form& f = form_;
    platform::CommandButton* button = presetButton(slot);
    if (!button)
        return;
    const int base = 7 * (slot - 1);
    const QFont font = f.Text1->font();
    fontPresetsText_[base + 1] = font.family();
    fontPresetsText_[base + 2] = fontRecord_[9];
    fontPresetsText_[base + 3] = truthText(font.bold());
    fontPresetsText_[base + 4] = truthText(font.italic());
    fontPresetsText_[base + 5] = truthText(font.underline());
    fontPresetsText_[base + 6] = truthText(font.strikeOut());
    fontPresetsText_[base + 7] = fontRecord_[7];
    const platform::PictureBox* tx = f.Picture1;
    fontPresetsPicture_[base + 1] = tx->FontName();
    fontPresetsPicture_[base + 2] = platform::Str(tx->FontSize()).trimmed();
    fontPresetsPicture_[base + 3] = truthText(tx->FontBold());
    fontPresetsPicture_[base + 4] = truthText(tx->FontItalic());
    fontPresetsPicture_[base + 5] = truthText(tx->FontUnderline());
    fontPresetsPicture_[base + 6] = truthText(tx->FontStrikethru());
    fontPresetsPicture_[base + 7] = QString::number(tx->ForeColor());
    setFamily(button, fontPresetsText_[base + 1]);
    f.Text1->setFocus();
}

void TextTools::Font1() { storeFontPreset(1); }
void TextTools::Font2() { storeFontPreset(2); }
void TextTools::Font3() { storeFontPreset(3); }
void TextTools::Font4() { storeFontPreset(4); }

} // namespace text
