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

    void makeheader16_Click(); // menu "Make Header small"
    void makeheader_Click(); // menu "Make Header large"
    void Text3_Change(); // the call-sign box: log look-up and mug shot

private:
    shell::FormMain& form_;
};

} // namespace qso
