// The main window's layout: the working sizes and scales that the start-up gives the TX
// screen and its work canvases, and the browser panel that the operator drags about.

#include "shell/Shell.h"

#include "canvas/TxCanvas.h"
#include "intake/Intake.h"
#include "interfaces/Facts.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"

#include <QAction>
#include <QGroupBox>
#include <QMouseEvent>

#include <algorithm>

namespace shell {

namespace {

constexpr int LeftButton = 1;
// What of the panel always stays inside the window, so it can be taken up again.
constexpr int KeptInside = 40;

// A picture box painted over with a picture at the TX picture's size in its scale, the
// drawing becoming its picture.
void repaint(platform::PictureBox* box, const QImage& picture)
{
    box->setAutoRedraw(true);
    box->PaintPicture(picture, 0, 0, interfaces::kTxWidth, interfaces::kTxHeight);
    box->setPicture(box->Image());
    box->setAutoRedraw(false);
}

} // namespace

void Shell::checkscreensize()
{
    FormMain& form = form_;
    platform::StepRunner steps(QStringLiteral("checkscreensize"));
    platform::doEvents();
    // The clean TX picture kept in the overlay buffer, a canvas of the TX picture's size.
    steps.step(QStringLiteral("Picture3"), [&] {
        form.Picture3->setBoxSize(int(interfaces::kTxWidth), int(interfaces::kTxHeight));
        repaint(form.Picture3, form.Image6->Picture());
    });
    steps.step(QStringLiteral("Command12_Click"), [&] { form.canvas().Command12_Click(); });
    // A header being made keeps the window as it is.
    if (form.qso().makingHeader()) {
        steps.step(QStringLiteral("Text1 focus"), [&] { form.Text1->setFocus(); });
        return;
    }
    steps.step(QStringLiteral("Image6"), [&] { form.canvas().keepScreenAsClean(); });
    steps.stepIf(QStringLiteral("large header boxes"), [&] { return form.Command35->text() == QLatin1String("Exit"); },
                 [&] { form.qso().Command35_Click(); });
    steps.stepIf(QStringLiteral("small header boxes"), [&] { return form.Command37->text() == QLatin1String("Exit"); },
                 [&] { form.qso().Command37_Click(); });
    // The header panel still open: the TX picture from before header making comes back
    // (when one was kept: an empty one would blank the screen).
    steps.stepIf(QStringLiteral("header panel"), [&] { return !form.Frame7->isHidden(); }, [&] {
        form.qso().giveBackTxPicture();
        form.makeheader->setChecked(false);
        form.makeheader16->setChecked(false);
    });
    // The TX screen and the work canvas as many units wide as the TX picture, the canvas's
    // content drawn anew at that scale.
    steps.step(QStringLiteral("Picture1"), [&] {
        form.Picture1->setScaleWidth(interfaces::kTxWidth);
        repaint(form.Picture1, form.Image6->Picture());
    });
    steps.step(QStringLiteral("Picture2"), [&] {
        form.Picture2->setScaleWidth(interfaces::kTxWidth);
        repaint(form.Picture2, form.Picture2->Picture());
    });
    // The take-back copy and the fill backup start equal to the TX screen.
    steps.step(QStringLiteral("Image13"), [&] { form.canvas().keepTakeBackCopy(); });
    steps.step(QStringLiteral("Image14"), [&] { form.canvas().keepChangedCopy(); });
    steps.step(QStringLiteral("Image6 clean"), [&] { form.canvas().setCleanPicture(form.Picture3->Picture()); });
    if (!form.Frame2->isHidden()) {
        steps.step(QStringLiteral("File1"), [&] { form.File1->setListIndex(form.File1->ListIndex()); });
        steps.step(QStringLiteral("Label13_Click"), [&] { form.intake().Label13_Click(); });
    }
}

// The pointer's place in the panel is in pixels, the panel's place in the window too.
void Shell::Frame2_MouseMove(int button, int /*shift*/, double x, double y)
{
    if (button != LeftButton)
        return;
    QGroupBox* panel = form_.Frame2;
    const QWidget* area = panel->parentWidget();
    const int left = int(std::lround(panel->x() + x));
    const int top = int(std::lround(panel->y() + y));
    const QPoint place(std::clamp(left, KeptInside - panel->width(), std::max(0, area->width() - KeptInside)),
                       std::clamp(top, 0, std::max(0, area->height() - KeptInside)));
    form_.intake().moveBrowserPanel(place);
}

void Shell::Frame2_MouseUp(int /*button*/, int /*shift*/, double /*x*/, double /*y*/)
{
    setBrowserPanelPlace(form_.Frame2->pos());
}

} // namespace shell
