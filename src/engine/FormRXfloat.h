#pragma once
// The floating RX monitor: a small window that shows the received picture while the
// main window is hidden. It is kept on top of other windows.

#include <QWidget>

namespace platform { class PictureBox; }

namespace engine {

class FormRXfloat : public QWidget {
    Q_OBJECT
public:
    explicit FormRXfloat(QWidget* parent = nullptr);

    platform::PictureBox* Picture1 = nullptr; // the monitor picture
};

} // namespace engine
