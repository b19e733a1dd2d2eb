#pragma once
// The driver chooser "Video Source": lists the capture devices and connects the one
// chosen into the camera window's capture view. Not offered in the camera window's
// menus; built for where another routine shows it.

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace capture {

class frmMemCapMain;

class frmSelect : public QDialog {
    Q_OBJECT
public:
    // The load runs here: the list filled, the connected device chosen.
    explicit frmSelect(frmMemCapMain& owner);

    QLabel* lblDriver = nullptr;        // "Installed Drivers:"
    QComboBox* cmboSource = nullptr;    // one entry per device, by index
    QPushButton* cmdSelect = nullptr;   // "Select"
    QPushButton* cmdCancel = nullptr;   // "Cancel"

    void cmdSelect_Click();
    void cmdCancel_Click();

private:
    void Form_Load();
    frmMemCapMain& owner_;
};

} // namespace capture
