#pragma once
// Headers, QSL block, call-sign box, log and mug shots.

#include <QObject>

namespace shell { class FormMain; }

namespace qso {

class Qso : public QObject {
    Q_OBJECT
public:
    explicit Qso(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void makeheader16_Click();
    void makeheader_Click();
    void Text3_Change();

private:
    shell::FormMain& form_;
};

} // namespace qso
