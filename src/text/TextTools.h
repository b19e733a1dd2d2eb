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

    void Option1_Click();
    void savefontandcolor_Click();

private:
    shell::FormMain& form_;
};

} // namespace text
