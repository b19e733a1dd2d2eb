#pragma once
// Camera and scanner capture.

#include <QObject>

namespace shell { class FormMain; }

namespace capture {

class Capture : public QObject {
    Q_OBJECT
public:
    explicit Capture(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void selectsource_Click();
    void acquire_Click();
    void camera_Click();

private:
    shell::FormMain& form_;
};

} // namespace capture
