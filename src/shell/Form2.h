#pragma once
// The start-up splash: a small window that shows the splash picture while the main
// window starts.

#include <QWidget>

namespace shell {

class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);
};

} // namespace shell
