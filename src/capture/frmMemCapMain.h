#pragma once
// The camera controller window. Its capture and menus come with the camera's own work;
// what the main window's shut-down relies on is here already: unloading it never
// refuses, and it lets go of the capture it serves.

#include <QWidget>

namespace capture {

class frmMemCapMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMemCapMain(QWidget* parent = nullptr);

    // The window's unload: no capture event reaches it afterwards. Never refuses.
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace capture
