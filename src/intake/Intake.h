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

    void loadpic_Click(); // menu "Load Picture to TX"
    void copyrx_Click(); // menu "Copy RX Image"
    void copye_Click(); // menu "Copy TX Image"
    void savepic_Click(); // menu "Save TX  Picture"
    void Command27_Click(); // "Cancel" of the picture-adjust panel

private:
    shell::FormMain& form_;
};

} // namespace intake
