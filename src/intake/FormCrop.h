#pragma once
// The crop dialog: the operator chooses which part of a freshly loaded picture goes
// onto the TX screen. Modeless.

#include <QWidget>

namespace platform { class PictureBox; }

namespace intake {

class FormCrop : public QWidget {
    Q_OBJECT
public:
    explicit FormCrop(QWidget* parent = nullptr);

    platform::PictureBox* Picture1 = nullptr; // the picture to crop, 640 x 512
};

} // namespace intake
