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

    void selectsource_Click(); // menu "Twain Select Source"
    void acquire_Click(); // menu "Twain Acquire"
    void camera_Click(); // menu "Camera"

private:
    shell::FormMain& form_;
};

} // namespace capture
