// The operator's controls over the tuning and spectrum displays: the notch box, the
// choice between the FFT and the FM spectrum, and the notch placed by clicking or
// dragging on either spectrum display.

#include "engine/EngineControl.h"

#include "engine/ButtonStates.h"
#include "engine/TuneWord.h"
#include "interfaces/Form.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"

namespace engine {

namespace {

// While the notch is placed, a display's width stands for this many Hz from 0.
constexpr double NotchRangeHz = 3000;
// The columns of a display that place the notch.
constexpr double FirstColumn = 1;
constexpr double LastColumn = 204;

} // namespace

// The notch and display boxes also run from the operator's clicks: an engine call that
// fails (no engine, or one already deleted) is skipped rather than thrown into the window.
void EngineControl::Check11_Click()
{
    platform::StepRunner steps(QStringLiteral("Check11_Click"));
    if (form_.Check11->value() == 1) {
        steps.step(QStringLiteral("range"), [&] { engine_.mmsSetSpecRange(0, 3000); });
        platform::doEvents();
        steps.step(QStringLiteral("notch"), [&] { engine_.mmsSetNotch(notchFreq_); });
    } else {
        steps.step(QStringLiteral("range"), [&] { engine_.mmsSetSpecRange(700, 2000); });
        steps.step(QStringLiteral("notch"), [&] { engine_.mmsSetNotch(0); });
    }
}

void EngineControl::Check12_Click()
{
    platform::StepRunner steps(QStringLiteral("Check12_Click"));
    if (form_.Check12->value() == 1) {
        form_.Check25->setValue(0);
        steps.step(QStringLiteral("FFT word"), [&] {
            engine_.mmsSetTuneControl(tuneWordFor(engine_.mmsSetTuneControl(-1), SpectrumFft));
        });
    }
    if (form_.Check12->value() == 0) {
        form_.Check25->setValue(1);
        Check25_Click();
    }
}

void EngineControl::Check25_Click()
{
    platform::StepRunner steps(QStringLiteral("Check25_Click"));
    if (form_.Check25->value() == 1) {
        form_.Check12->setValue(0);
        steps.step(QStringLiteral("FM word"), [&] {
            engine_.mmsSetTuneControl(tuneWordFor(engine_.mmsSetTuneControl(-1), SpectrumFm));
        });
    }
    if (form_.Check25->value() == 0) {
        form_.Check12->setValue(1);
        Check12_Click();
    }
}


// One body for a press or a drag on either spectrum display: with the left button alone
// and the notch on, the notch moves to the frequency under the pointer. Both displays
// measure by the width of Picture16 (they are equally wide). Nothing moves while a
// picture is sent.
void EngineControl::placeNotch(int button, double x)
{
    if (platform::backColor(form_.Command3) == SendingColour || x < FirstColumn || x > LastColumn)
        return;
    if (button != 1 || form_.Check11->value() != 1)
        return;
    platform::StepRunner steps(QStringLiteral("placeNotch"));
    steps.step(QStringLiteral("notch"), [&] {
        notchFreq_ = platform::CLng(platform::roundHalfEven(x * NotchRangeHz / form_.Picture16->ScaleWidth()));
        engine_.mmsSetNotch(notchFreq_);
    });
}

void EngineControl::Picture16_MouseDown(int button, int, double x, double) { placeNotch(button, x); }
void EngineControl::Picture16_MouseMove(int button, int, double x, double) { placeNotch(button, x); }
void EngineControl::Picture17_MouseDown(int button, int, double x, double) { placeNotch(button, x); }
void EngineControl::Picture17_MouseMove(int button, int, double x, double) { placeNotch(button, x); }

} // namespace engine
