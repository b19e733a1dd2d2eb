#pragma once
// The multimedia player's controller.

#include <QObject>

namespace shell { class FormMain; }

namespace media {

class Media : public QObject {
    Q_OBJECT
public:
    explicit Media(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

    void mulmed_Click(); // menu "MultiMedia"

private:
    shell::FormMain& form_;
};

} // namespace media
