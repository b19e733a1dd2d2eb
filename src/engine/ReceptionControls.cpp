// The engine buttons beside the TX button: RX (F9) ends a transmission and the scan,
// Force RX (F6) starts a reception in the TX mode, RE Sync and Fix Slant redraw the
// picture received from the engine's kept signal, and the tone button sends a steady
// tone while it is held (its right button sets the tone's frequency).

#include "engine/EngineControl.h"

#include "engine/ButtonStates.h"
#include "interfaces/Form.h"
#include "interfaces/ShellRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/LineControl.h"
#include "platform/widgets/PictureBox.h"

namespace engine {

namespace {

// The receive word's fields above the RX buffer field, taken off from the top; what is
// left of the buffer field then says whether the engine keeps the received signal.
constexpr int32_t UpperFields[] = {0x30000000, 0x20000000, 0x10000000, 0x2000000, 0x1000000};
constexpr int32_t BufferFile = 0x200000;
constexpr int32_t BufferRam = 0x100000;

constexpr double LowestTone = 1;
constexpr double HighestTone = 2700;

} // namespace

void EngineControl::Command1_Click()
{
    platform::StepRunner steps(QStringLiteral("Command1_Click"));
    platform::setBackColor(form_.Command3, IdleColour);
    form_.shell().showTab(interfaces::ShellRoom::Tab::RxFull);
    steps.step(QStringLiteral("stop sending"), [&] { engine_.mmsSendStop(); });
    steps.step(QStringLiteral("stop the scan"), [&] { engine_.mmsStopScan(1); });
    resetProgressMarkers();
    form_.Picture17->setFocus();
}

void EngineControl::Command7_Click()
{
    platform::StepRunner steps(QStringLiteral("Command7_Click"));
    form_.shell().showTab(interfaces::ShellRoom::Tab::RxFull);
    steps.step(QStringLiteral("stop sending"), [&] { engine_.mmsSendStop(); });
    steps.step(QStringLiteral("scan in the TX mode"), [&] { engine_.mmsStartScan(txModeNumber()); });
    platform::setBackColor(form_.Command7, ReceivingColour);
    platform::setBackColor(form_.Command3, IdleColour);
    resetProgressMarkers();
    form_.Picture17->setFocus();
}

void EngineControl::Command45_Click()
{
    platform::StepRunner steps(QStringLiteral("Command45_Click"));
    steps.step(QStringLiteral("resync"), [&] { engine_.mmsReSync(); });
    form_.Picture17->setFocus();
}

// The slant can only be corrected from a kept signal: without an RX buffer the operator
// is told where to turn it on.
void EngineControl::Command11_Click()
{
    platform::StepRunner steps(QStringLiteral("Command11_Click"));
    int32_t word = 0;
    steps.step(QStringLiteral("receive word"), [&] { word = engine_.mmsSetRxControl(-1); });
    for (const int32_t field : UpperFields)
        if (word >= field)
            word -= field;
    bool buffered = false;
    for (const int32_t field : {BufferFile, BufferRam}) {
        if (word >= field) {
            word -= field;
            buffered = true;
        }
    }
    if (!buffered) {
        form_.ui().msgBox(QStringLiteral("Disabled, please select 'buffer to RAM' or 'buffer to File', in settings."),
                          platform::vbOKOnly);
        form_.Picture17->setFocus();
        return;
    }
    steps.step(QStringLiteral("correct the slant"), [&] { engine_.mmsCorrectSlant(); });
    form_.Picture1->setFocus();
}

// Left button: the tone goes out until the button is let go; the picture being sent or
// received ends, and the end of this transmission is kept out of the sent pictures.
// Right button: the tone's frequency is asked for.
void EngineControl::Command48_MouseDown(int button, int, double, double)
{
    platform::StepRunner steps(QStringLiteral("Command48_MouseDown"));
    if (button == 1) {
        toneOn_ = 1;
        skipTxArchive_ = 1;
        form_.Line1->hide();
        form_.Line2->hide();
        platform::setBackColor(form_.Command48, ToneColour);
        platform::setBackColor(form_.Command3, IdleColour);
        platform::setBackColor(form_.Command1, IdleColour);
        steps.step(QStringLiteral("stop the scan"), [&] { engine_.mmsStopScan(1); });
        steps.step(QStringLiteral("stop sending"), [&] { engine_.mmsSendStop(); });
        steps.step(QStringLiteral("tone"), [&] {
            engine_.mmsSendTone(platform::CLng(platform::roundHalfEven(toneFrequency_.toDouble())));
        });
    } else if (button == 2) {
        // The box's top-left corner at half the window's width and a third of its height.
        const QPoint corner(form_.widget().frameGeometry().width() / 2, form_.widget().frameGeometry().height() / 3);
        const std::optional<QString> answer =
            form_.ui().inputBox(QStringLiteral("Type Tone Freq  1-2700"), QStringLiteral("Set Tone Freq"),
                                platform::numberText(toneFrequency_.toDouble()), corner);
        if (!answer || answer->isEmpty())
            return;
        const double hz = platform::Val(*answer);
        if (hz >= LowestTone && hz <= HighestTone) {
            toneFrequency_ = hz;
            form_.Command48->setText(platform::numberText(hz));
        } else {
            form_.ui().msgBox(QStringLiteral("Not a valid value"), platform::vbOKOnly);
        }
    }
}

void EngineControl::Command48_MouseUp(int button, int, double, double)
{
    if (button != 1)
        return;
    platform::StepRunner steps(QStringLiteral("Command48_MouseUp"));
    steps.step(QStringLiteral("stop the tone"), [&] { engine_.mmsSendStop(); });
    platform::setBackColor(form_.Command48, IdleColour);
    toneOn_ = 0;
    form_.Picture17->setFocus();
}

} // namespace engine
