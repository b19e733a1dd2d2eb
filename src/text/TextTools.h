#pragma once
// The text element's controller: its painter, fonts, presets and the colour palette.

#include <QObject>

namespace shell { class FormMain; }

namespace text {

class TextTools : public QObject {
    Q_OBJECT
public:
    explicit TextTools(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void Option1_Click(); // editing mode "Text" (Ctrl+T)
    void savefontandcolor_Click(); // menu "Save Font - RT click Font button"

private:
    shell::FormMain& form_;
};

} // namespace text
