#pragma once
// The multimedia controller window: plays video and sound files into the TX screen.

#include <QWidget>

namespace media {

class FrmMain : public QWidget {
    Q_OBJECT
public:
    explicit FrmMain(QWidget* parent = nullptr);
};

} // namespace media
