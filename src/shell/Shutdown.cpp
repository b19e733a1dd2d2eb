// The main window's unload, after the engine's query-unload: everything that survives
// to the next run is written, and the other windows are closed in the order their own
// close handlers need. Every statement is a step: one that fails (a file that cannot be
// written) is logged with its reason, and the others still run.

#include "shell/Shell.h"

#include "engine/EngineControl.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/StepValues.h"
#include "platform/runtime/TextFile.h"
#include "platform/runtime/Twips.h"
#include "platform/services/Scanner.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"
#include "text/TextTools.h"

#include <QTabWidget>

namespace shell {


void Shell::Form_Unload()
{
    FormMain& form = form_;
    auto& text = form.text();
    platform::StepRunner steps(QStringLiteral("Form_Unload"));
    using Window = FormMain::Window;
    auto unload = [&](Window which, const char* name) {
        if (QWidget* window = form.loaded(which))
            steps.step(QString::fromLatin1(name), [&] { window->close(); });
    };

    // The crop dialog and the RX monitor close while the main window is still shown:
    // the monitor refuses to close while the main window is hidden.
    if (form.formCropLoaded())
        steps.step(QStringLiteral("crop dialog"), [&] { form.unloadFormCrop(); });
    unload(Window::RxMonitor, "RX monitor");
    // The output volume as it was found at start-up, whatever an announcement did.
    steps.step(QStringLiteral("output gain"), [&] { form.engine().binding().vrrSetOutputGain(savedWaveVolume_); });
    steps.step(QStringLiteral("TX tab"), [&] { form.SSTab1->setCurrentIndex(1); });

    // What the settings take from the controls: the style boxes as one code, the
    // window's left edge.
    text.setFontStyleCode(qint16((form.Check6->value() == 1 ? 1 : 0) + (form.Check14->value() == 1 ? 10 : 0)
                                 + (form.Check13->value() == 1 ? 100 : 0)));
    windowLeftAtExit_ = platform::pixelsToTwips(form.x());
    // The text colours as their indicators show them, and the custom swatches.
    savedControlValues_[TextForeColour] = qint64(platform::backColor(form.Label25));
    savedControlValues_[TextBackColour] = qint64(platform::backColor(form.Label45));
    text.gatherCustomColours();

    // The files may take a while on a slow disk: the window shows it is busy meanwhile.
    const int pointer = form.MousePointer();
    form.setMousePointer(platform::kHourglass);
    saveTxScreenAtExit(steps);
    // The message pane and one line end, which the start-up takes off again.
    writeMessages(steps);
    // The font record from the fonts in use, and the shadow direction from its arrows.
    gatherFontRecord();
    text.gatherShadowDirection();
    writeSettings(steps);
    savePictureStore(steps);
    form.setMousePointer(pointer);
    platform::doEvents();
    // Whatever could not be written is told while the window still stands.
    tellEngineFileFaults();
    tellTroubles();

    steps.step(QStringLiteral("hide"), [&] { form.hide(); });
    // The others; the multimedia window closes only once the main window is hidden. The
    // RX monitor and the crop dialog are closed already (a second close of the monitor
    // would bring the main window back).
    unload(Window::Setup, "setup dialog");
    unload(Window::Multimedia, "multimedia window");
    unload(Window::Camera, "camera window");
    steps.step(QStringLiteral("scanner"), [] { platform::Scanner::shutdown(); });
    lock_.unlock();
}

} // namespace shell
