#pragma once
// The setup dialog: station data, auto-save settings and the engine's option boxes.
// Modeless: the main window and its engine timer keep running while it is open.

#include <QWidget>

namespace shell {

class FormSetup : public QWidget {
    Q_OBJECT
public:
    explicit FormSetup(QWidget* parent = nullptr);
};

} // namespace shell
