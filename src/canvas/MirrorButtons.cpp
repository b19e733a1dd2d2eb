// The mirror buttons beside the rotate buttons, as far as the picture-adjust panel needs
// them: with the panel open, a press accepts the adjustment and mirrors nothing. The
// mirror itself comes with the pending element's tools.

#include "canvas/TxCanvas.h"

#include "intake/Intake.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "shell/FormMain.h"

namespace canvas {

namespace {

void mirrorButtonDown(shell::FormMain& f)
{
    // Nothing waits for SET outside Text mode: nothing to mirror.
    if (platform::backColor(f.Command47) == platform::vbButtonFace && !f.Option1->value()) {
        f.Text1->setFocus();
        return;
    }
    if (f.Option6->value() || f.Option7->value())
        return;
    platform::setBackColor(f.Label24, kToolOffColor);
    if (!f.Frame9->isHidden()) {
        f.intake().Command38_Click();
        return;
    }
    f.Text1->setFocus();
}

} // namespace

void TxCanvas::Command28_MouseDown(int, int, double, double) { mirrorButtonDown(form_); }

void TxCanvas::Command29_MouseDown(int, int, double, double) { mirrorButtonDown(form_); }

} // namespace canvas
