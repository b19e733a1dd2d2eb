#pragma once
// The text element's controller: its painter, fonts, presets and the colour palette.

#include <QObject>
#include <QString>
#include <QVariant>

namespace shell { class FormMain; }

namespace text {

class TextTools : public QObject {
    Q_OBJECT
public:
    explicit TextTools(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void Option1_Click(); // editing mode "Text" (Ctrl+T)
    void savefontandcolor_Click(); // menu "Save Font - RT click Font button"
    void Check13_Click(); // "Underline"
    void Check14_Click(); // "Italic"
    void Check6_Click();  // "Bold": also the TX screen's bold font
    void VScroll1_Change(); // shadow depth
    void fontbutton(); // all four font-preset buttons back to &HC0C0

    // The text element's state that the settings carry and the start-up applies.
    qint16 fontStyleCode = 0;    // 100 underline + 10 italic + 1 bold
    QVariant fontPresetSelected; // 0 to 3; empty counts as 0
    QString fontPresetsText[29]; // 1 to 28: four presets of seven values
    QString fontPresetsPicture[29];
    QString fontRecord[20];
    QString textToDraw;
    QString textFontSize;
    int textEditState = 0;
    QVariant shadowDepth;

private:
    shell::FormMain& form_;
};

} // namespace text
