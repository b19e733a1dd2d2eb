#include "capture/frmSelect.h"

#include "capture/frmMemCapMain.h"
#include "platform/services/CaptureDevice.h"
#include "platform/widgets/CaptureView.h"
#include "interfaces/Form.h"
#include "interfaces/ShellRoom.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace capture {

frmSelect::frmSelect(frmMemCapMain& owner) : QDialog(&owner), owner_(owner)
{
    setObjectName(QStringLiteral("frmSelect"));
    setWindowTitle(QStringLiteral("Video Source"));
    lblDriver = new QLabel(QStringLiteral("Installed Drivers:"), this);
    lblDriver->setObjectName(QStringLiteral("lblDriver"));
    cmboSource = new QComboBox(this);
    cmboSource->setObjectName(QStringLiteral("cmboSource"));
    cmdSelect = new QPushButton(QStringLiteral("Select"), this);
    cmdSelect->setObjectName(QStringLiteral("cmdSelect"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSelect);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblDriver);
    layout->addWidget(cmboSource);
    layout->addLayout(buttons);
    connect(cmdSelect, &QPushButton::clicked, this, &frmSelect::cmdSelect_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSelect::cmdCancel_Click);
    Form_Load();
}

void frmSelect::Form_Load()
{
    platform::CaptureDevice& device = owner_.device();
    QString name, version;
    for (int i = 0; device.driverDescription(i, name, version); ++i)
        cmboSource->addItem(name);
    cmboSource->setCurrentIndex(-1);
    if (const auto caps = device.driverCaps())
        cmboSource->setCurrentIndex(caps->deviceIndex);
    owner_.form().shell().keepOnTop(*this);
}

void frmSelect::cmdSelect_Click()
{
    platform::CaptureDevice& device = owner_.device();
    const int chosen = cmboSource->currentIndex();
    // A failed connect says nothing; the chooser goes in every case.
    if (chosen != -1 && device.driverConnect(chosen)) {
        if (const auto caps = device.driverCaps()) {
            owner_.mnuSource->setEnabled(caps->hasDlgVideoSource);
            owner_.mnuFormat->setEnabled(caps->hasDlgVideoFormat);
            owner_.mnuDisplay->setEnabled(caps->hasDlgVideoDisplay);
        }
        owner_.captureWindow->setCaption(cmboSource->currentText());
        owner_.ResizeCaptureWindow();
    }
    done(QDialog::Accepted);
}

void frmSelect::cmdCancel_Click() { done(QDialog::Rejected); }

} // namespace capture
