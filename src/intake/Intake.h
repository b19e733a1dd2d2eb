#pragma once
// Picture intake's controller: browser, picture files, fitting, adjustments, zoom and crop.

#include <QObject>

namespace shell { class FormMain; }

namespace intake {

class Intake : public QObject {
    Q_OBJECT
public:
    explicit Intake(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void loadpic_Click();
    void copyrx_Click();
    void copye_Click();
    void savepic_Click();
    void Command27_Click();

private:
    shell::FormMain& form_;
};

} // namespace intake
