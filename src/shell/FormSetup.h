#pragma once
// The setup dialog: station data, auto-save settings and the engine's option boxes.
// Modeless: the main window and its engine timer keep running while it is open.

#include <QWidget>

namespace platform { class CheckBox; }

namespace shell {

class FormSetup : public QWidget {
    Q_OBJECT
public:
    explicit FormSetup(QWidget* parent = nullptr);

    // "Audio Anounce Mode": the transmit button speaks an announcement first. Not shown
    // in the dialog; its value comes from the settings file.
    platform::CheckBox* Check27 = nullptr;

    // 1 once the operator has changed the auto-save folder here; the end of a received
    // picture then moves the strip to its first page after each auto-save.
    int autoSaveDirEdited = 0;
};

} // namespace shell
