#pragma once
// The thumbnail strip's controller: TX, RX and camera pictures, favourites, the recent row.

#include <QObject>

namespace shell { class FormMain; }

namespace strips {

class Strips : public QObject {
    Q_OBJECT
public:
    explicit Strips(shell::FormMain& form);
    shell::FormMain& form() const { return form_; }

private:
    shell::FormMain& form_;
};

} // namespace strips
