#include "qso/Qso.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "intake/Intake.h"
#include "platform/widgets/DragManager.h"
#include "strips/DragIcons.h"
#include "platform/widgets/Controls.h"
#include "platform/runtime/Events.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "shell/FormMain.h"

#include <QAction>
#include <QGroupBox>

namespace qso {

Qso::Qso(shell::FormMain& form) : QObject(nullptr), form_(form) {}

void Qso::makeheader16_Click() {}
// Making a header closes the browser panel first; the rest comes with header making.
void Qso::makeheader_Click()
{
    if (form_.Command20->text() == QLatin1String("Exit Pic"))
        form_.intake().Command20_Click();
}

void Qso::Command35_Click() { headerLoadButton(form_.Command35, QStringLiteral("load HDR lge")); }
void Qso::Command37_Click() { headerLoadButton(form_.Command37, QStringLiteral("load HDR sml")); }

// The TX picture from before header making comes back with header making itself, which
// keeps it; here the panel closes and the Make Header items lose their ticks.
void Qso::Command36_Click()
{
    shell::FormMain& form = form_;
    form.Frame7->hide();
    form.makeheader->setChecked(false);
    form.makeheader16->setChecked(false);
    form.canvas().headerBoxDragged = 0;
}

void Qso::headerLoadButton(platform::CommandButton* button, const QString& caption)
{
    shell::FormMain& form = form_;
    form.canvas().headerBoxDragged = 0;
    form.canvas().dragSource = 0;
    if (button->text() == QLatin1String("Exit")) {
        form.Frame7->hide();
        button->setText(caption);
        if (form.Command20->text() == QLatin1String("Exit Pic"))
            form.intake().Command20_Click();
        return;
    }
    button->setText(QStringLiteral("Exit"));
    form.Frame7->show();
}
void Qso::Check2_Click()
{
    if (form_.Check2->value() == 1) {
        headerFlag = 1;
        ShowHeaders();
    } else {
        headerFlag = 0;
    }
}

namespace {

// The band of a header number: 4 to 12 the box at the top, 13 to 21 the same box at
// the bottom; large boxes (4 to 6) are 64 rows high, small ones 32.
struct HeaderBand {
    int box = 0;
    int top = 0;
    int rows = 0;
};
HeaderBand bandOf(int value)
{
    const int box = value <= 12 ? value : value - 9;
    const int rows = box <= 6 ? 64 : 32;
    return {box, value <= 12 ? 0 : 512 - rows, rows};
}

} // namespace

void Qso::ShowHeaders()
{
    platform::StepRunner steps(QStringLiteral("ShowHeaders"));
    bool off = false;
    steps.step(QStringLiteral("header on"),
               [&] { off = form_.Check2->value() == 0 || headerNumber.toDouble() < 4; });
    if (off)
        return;
    platform::PictureBox* tx = form_.Picture1;
    tx->setAutoRedraw(true);
    const double selected = headerNumber.toDouble();
    for (int value = 4; value <= 21; ++value) {
        if (selected != value)
            continue;
        steps.step(QStringLiteral("header %1").arg(value), [&] {
            const HeaderBand band = bandOf(value);
            const QImage strip = form_.headerBox(band.box)->Picture();
            if (strip.isNull())
                throw platform::VbError(481, QStringLiteral("Invalid picture"));
            tx->PaintPicture(strip, 0, band.top, 640, band.rows);
        });
    }
    tx->setAutoRedraw(false);
    steps.step(QStringLiteral("commit"), [&] { tx->setPicture(tx->Image()); });
    steps.step(QStringLiteral("Image6"), [&] { form_.Image6->setPicture(tx->Image()); });
    platform::doEvents();
    form_.canvas().pushTxPicture();
}

void Qso::Text3_MouseDown(int, int, double, double)
{
    if (!form_.Option1->value())
        return;
    form_.canvas().dragSource = canvas::dragCallSign;
    platform::DragManager::instance().begin(form_.Text3);
}

void Qso::headerBoxMouseDown(int number, int)
{
    platform::PictureBox* box = form_.headerBox(number);
    if (!box)
        return;
    form_.canvas().headerBoxDragged = number;
    if (form_.makeheader->isChecked() || form_.makeheader16->isChecked())
        return;
    box->setDragIcon(strips::dragIcon(strips::DragIcon::Carry));
    box->Drag(platform::vbBeginDrag);
}

void Qso::headericonon()
{
    if (auto* box = form_.headerBox(form_.canvas().headerBoxDragged))
        box->setDragIcon(strips::dragIcon(strips::DragIcon::Drop));
}

void Qso::headericonoff()
{
    if (auto* box = form_.headerBox(form_.canvas().headerBoxDragged))
        box->setDragIcon(strips::dragIcon(strips::DragIcon::Carry));
}

} // namespace qso
