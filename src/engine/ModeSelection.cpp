// The TX mode list and "TX=RX", the unpacking of a mode's picture size, the "RxMon"
// switch between the main window and the floating RX monitor, and the RX screen's
// refusal of drops.

#include "engine/EngineControl.h"

#include "engine/ButtonStates.h"
#include "engine/FormRXfloat.h"
#include "interfaces/Form.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"

namespace engine {

namespace {

// An empty mode (none received yet) counts as 0; a mode is a whole number.
int modeNumber(const QVariant& mode)
{
    if (!mode.isValid() || mode.isNull())
        return 0;
    if (mode.typeId() == QMetaType::QString)
        return int(platform::CLng(mode.toString()));
    return int(platform::CLng(mode.toDouble()));
}

} // namespace

int EngineControl::txModeNumber() const { return modeNumber(txMode_); }
int EngineControl::rxModeNumber() const { return modeNumber(rxMode_); }

void EngineControl::GetModeImageSize()
{
    const uint32_t packed = uint32_t(engine_.mmsGetImageSize(rxModeNumber()));
    modeWidth_ = int(packed & 0xFFFF);
    modeHeight_ = int(packed >> 16);
}

void EngineControl::Combo2_Click()
{
    // While the TX mode follows the RX mode, a pick in the list is undone by the next tick.
    if (form_.Check7->value() == 1) {
        modeChanged_ = 1;
        form_.Picture17->setFocus();
        return;
    }
    platform::StepRunner steps(QStringLiteral("Combo2_Click"));
    steps.step(QStringLiteral("txMode"), [&] { txMode_ = form_.Combo2->listIndex(); });
    steps.stepIf(
        QStringLiteral("mode without a name"),
        [&] { return platform::engineTextEmpty(engine_.EngineString(engine_.mmsGetModeName(txModeNumber()))); },
        [&] { txMode_ = 6; });
    form_.Picture17->setFocus();
}

// "TX=RX": ticked, the TX mode becomes the engine's RX mode at once and follows each
// picture received; the list is locked meanwhile. An engine that cannot answer ends
// the handler (logged) rather than the program.
void EngineControl::Check7_Click()
{
    const int value = form_.Check7->value();
    if (value == 0) {
        form_.Combo2->setEnabled(true);
        form_.Picture17->setFocus();
        return;
    }
    if (value == 1)
        form_.Combo2->setEnabled(false);
    platform::StepRunner(QStringLiteral("Check7_Click")).step(QStringLiteral("TX mode from RX mode"), [&] {
        rxMode_ = engine_.mmsGetMode(0);
        form_.Combo2->setText(platform::engineText(engine_.EngineString(engine_.mmsGetModeName(rxModeNumber()))));
        txMode_ = rxMode_;
    });
}

// "AutoRX" and "A-Save" are only read by the tick: their clicks do nothing.
void EngineControl::Check1_Click() {}
void EngineControl::Check8_Click() {}

void EngineControl::Check4_Click()
{
    FormRXfloat& monitor = form_.formRXfloat();
    if (form_.Check4->value() == 1) {
        // Only a transmission refuses the monitor; an announcement does not.
        if (platform::backColor(form_.Command3) == SendingColour) {
            form_.Check4->setValue(0);
            form_.ui().msgBox(QStringLiteral("Not while in TX"), platform::vbOKOnly);
            return;
        }
        form_.widget().hide();
        monitor.show();
    }
    if (form_.Check4->value() == 0) {
        monitor.hide();
        form_.widget().show();
    }
}

void EngineControl::Picture18_DragDrop(QWidget*, double, double) {}

void EngineControl::Picture18_OLEDragDrop(const QStringList&, int, int, double, double)
{
    form_.ui().msgBox(QStringLiteral("Cannot drop on RX screen."), platform::vbOKOnly);
}

} // namespace engine
