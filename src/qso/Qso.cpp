#include "qso/Qso.h"

#include "interfaces/CanvasRoom.h"
#include "interfaces/DragSource.h"
#include "interfaces/EngineRoom.h"
#include "interfaces/Facts.h"
#include "interfaces/Form.h"
#include "interfaces/IntakeRoom.h"
#include "interfaces/ShellRoom.h"
#include "interfaces/TextRoom.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragIcons.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QAction>
#include <QGroupBox>

#include <algorithm>

namespace qso {

Qso::Qso(interfaces::Form& form) : QObject(nullptr), form_(form) {}

// ---------------------------------------------------------------- header making

namespace {

using interfaces::kTxHeight;
using interfaces::kTxWidth;
const QString kExit = QStringLiteral("Exit");
const QString kLoadLarge = QStringLiteral("load HDR lge");
const QString kLoadSmall = QStringLiteral("load HDR sml");

// Frame7's places are those of a window whose TX screen (its frame, 4 pixels wider and
// higher than the TX picture) stood at (53, 71): the frame of header making then ends right above the band being made, and
// the frame that offers the boxes leaves the screen's top and bottom free for the drop.
// Here the places keep that relation to the TX screen.
constexpr int kScreenLeft = 53;
constexpr int kScreenTop = 71;
constexpr int kFrameWidth = int(kTxWidth) + 4;
constexpr int kFrameHeight = int(kTxHeight) + 4;

void setBold(QWidget* w, bool on)
{
    QFont font = w->font();
    font.setBold(on);
    w->setFont(font);
}

} // namespace

bool Qso::makingHeader() const
{
    return form_.makeheader->isChecked() || form_.makeheader16->isChecked();
}

// The menus and load buttons do nothing but move the focus while the adjust panel is
// open, and outside the Text mode they only say so.
bool Qso::headerToolsRefused()
{
    interfaces::Form& form = form_;
    if (!form.Frame9->isHidden()) {
        form.Text1->setFocus();
        return true;
    }
    if (!form.Option1->value()) {
        form.ui().msgBox(QStringLiteral("Must be in TEXT mode"), platform::vbOKOnly);
        return true;
    }
    return false;
}

void Qso::giveBackTxPicture()
{
    auto& canvas = form_.canvas();
    if (form_.Image15->hasPicture())
        canvas.setTxPicture(form_.Image15->Picture());
    canvas.commitTxScreen();
}

void Qso::placeHeaderPanel(int top, int height, bool large)
{
    interfaces::Form& form = form_;
    QWidget* panel = form.Frame7;
    const QPoint screen = form.Picture1->parentWidget()->mapTo(panel->parentWidget(), QPoint(0, 0));
    QRect place(screen.x(), screen.y() + top - kScreenTop, kFrameWidth, height);
    // What lies above the window's working area is cut off, not its lower edge: the menu
    // bar stays in sight and the boxes, "DONE" and the help lie in the part that shows.
    place.setTop(std::max(place.top(), 0));
    panel->setGeometry(place);
    for (int n = 4; n <= 12; ++n)
        form.headerBox(n)->parentWidget()->setVisible((n <= 6) == large);
}

void Qso::fillHeaderCanvas()
{
    platform::PictureBox* tx = form_.Picture1;
    tx->setAutoRedraw(true);
    tx->Line(0, 0, kFrameWidth, kFrameHeight, headerBackColour_, platform::PictureBox::LineKind::FilledBox);
    tx->setAutoRedraw(false);
    form_.canvas().commitTxScreen();
}

void Qso::makeheader_Click() { makeHeader(true); }
void Qso::makeheader16_Click() { makeHeader(false); }

// Large and small differ: the small header keeps a pending text element in the picture
// given back (it is copied before the tool ends) and leaves the browser open.
void Qso::makeHeader(bool large)
{
    interfaces::Form& form = form_;
    if (headerToolsRefused())
        return;
    // Only the picture from before header making is kept: choosing the other size while
    // a header is made must not take the header canvas in its place.
    const bool keep = !makingHeader();
    if (!large && keep)
        form.Image15->setPicture(form.Picture1->Image());
    form.shell().showTab(interfaces::ShellRoom::Tab::Tx);
    if (form.Command35->text() == kExit)
        Command35_Click();
    if (form.Command37->text() == kExit)
        Command37_Click();
    if (large && form.Command20->text() == QLatin1String("Exit Pic"))
        form.intake().Command20_Click();
    form.Picture1->setScaleWidth(kTxWidth);
    form.canvas().Command12_Click();
    form.makeheader->setChecked(large);
    form.makeheader16->setChecked(!large);
    if (large && keep)
        form.Image15->setPicture(form.Picture1->Image());
    placeHeaderPanel(8, large ? int(kTxHeight) : 545, large);
    form.Frame7->show();
    form.Frame7->raise();
    fillHeaderCanvas();
    form.Picture1->setFontSize(large ? 40 : 20);
}

void Qso::Command36_Click()
{
    interfaces::Form& form = form_;
    form.Frame7->hide();
    if (makingHeader())
        giveBackTxPicture();
    form.makeheader->setChecked(false);
    form.makeheader16->setChecked(false);
    form.Picture1->setFontSize(26);
    form.canvas().setDraggedHeaderBox(0);
    form.Text1->setFocus();
}

void Qso::Command35_Click() { headerLoadButton(true); }
void Qso::Command37_Click() { headerLoadButton(false); }

// Every click ends the tool, header making, the other load panel and the browser; then
// the button's own caption says whether its boxes are offered or taken away.
void Qso::headerLoadButton(bool large)
{
    interfaces::Form& form = form_;
    if (headerToolsRefused())
        return;
    platform::CommandButton* own = large ? form.Command35 : form.Command37;
    platform::CommandButton* other = large ? form.Command37 : form.Command35;
    auto& canvas = form.canvas();
    canvas.Command12_Click();
    canvas.setDraggedHeaderBox(0);
    canvas.setDragSource(interfaces::dragNone);
    if (makingHeader()) {
        form.makeheader->setChecked(false);
        form.makeheader16->setChecked(false);
        giveBackTxPicture();
    }
    if (other->text() == kExit)
        large ? Command37_Click() : Command35_Click();
    Command36_Click();
    if (form.Command20->text() == QLatin1String("Exit Pic"))
        form.intake().Command20_Click();
    form.Text1->setFocus();
    placeHeaderPanel(200, large ? 224 : 248, large);
    if (own->text() == (large ? kLoadLarge : kLoadSmall)) {
        form.Frame7->show();
        form.Frame7->raise();
        setBold(own, true);
        platform::setBackColor(own, interfaces::kStateOn);
        own->setText(kExit);
    } else {
        form.Frame7->hide();
        setBold(own, false);
        platform::setBackColor(own, interfaces::kStateOff);
        own->setText(large ? kLoadLarge : kLoadSmall);
    }
}
void Qso::Check2_Click()
{
    if (form_.Check2->value() == 1) {
        headerFlag_ = 1;
        ShowHeaders();
    }
    // Read again: unticking leaves a header already painted in the picture.
    if (form_.Check2->value() == 0)
        headerFlag_ = 0;
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
    return {box, value <= 12 ? 0 : int(kTxHeight) - rows, rows};
}

} // namespace

void Qso::ShowHeaders()
{
    platform::StepRunner steps(QStringLiteral("ShowHeaders"));
    bool off = false;
    steps.step(QStringLiteral("header on"),
               [&] { off = form_.Check2->value() == 0 || headerNumber_.toDouble() < 4; });
    if (off)
        return;
    platform::PictureBox* tx = form_.Picture1;
    tx->setAutoRedraw(true);
    const double selected = headerNumber_.toDouble();
    for (int value = 4; value <= 21; ++value) {
        if (selected != value)
            continue;
        steps.step(QStringLiteral("header %1").arg(value), [&] {
            const HeaderBand band = bandOf(value);
            // A box without a strip (the restore ticks "HdrON" before the boxes are
            // loaded) paints nothing.
            const QImage strip = form_.headerBox(band.box)->Picture();
            if (!strip.isNull())
                tx->PaintPicture(strip, 0, band.top, kTxWidth, band.rows);
        });
    }
    tx->setAutoRedraw(false);
    steps.step(QStringLiteral("commit"), [&] { form_.canvas().commitTxScreen(); });
    steps.step(QStringLiteral("Image6"), [&] { form_.canvas().keepScreenAsClean(); });
    platform::doEvents();
    // At start-up the header is painted before the engine and its TX buffer exist; the
    // start-up copies the TX screen into the buffer once they do.
    if (form_.engine().txBufferMade())
        form_.canvas().pushTxPicture();
}

void Qso::headercolor()
{
    headerBackColour_ = quint32(platform::CLng(platform::Val(form_.text().drawingColour())));
    fillHeaderCanvas();
    form_.canvas().keepScreenAsClean();
}

void Qso::Text3_MouseDown(int, int, double, double)
{
    if (!form_.Option1->value())
        return;
    form_.canvas().setDragSource(interfaces::dragCallSign);
    platform::DragManager::instance().begin(form_.Text3);
}

void Qso::headerBoxMouseDown(int number, int)
{
    platform::PictureBox* box = form_.headerBox(number);
    if (!box)
        return;
    form_.canvas().setDraggedHeaderBox(number);
    if (makingHeader())
        return;
    box->setDragIcon(platform::dragIcon(platform::DragIcon::Carry));
    box->Drag(platform::vbBeginDrag);
}

void Qso::headericonon()
{
    if (auto* box = form_.headerBox(form_.canvas().draggedHeaderBox()))
        box->setDragIcon(platform::dragIcon(platform::DragIcon::Drop));
}

void Qso::headericonoff()
{
    if (auto* box = form_.headerBox(form_.canvas().draggedHeaderBox()))
        box->setDragIcon(platform::dragIcon(platform::DragIcon::Carry));
}

// Outside header making a box dropped on a box is cancelled. While a header is made only
// the TX picture is stored, never a box (a box pressed since marks itself dragged until
// the TX screen's press clears the mark).
void Qso::headerBoxDragDrop(int number)
{
    interfaces::Form& form = form_;
    platform::PictureBox* box = form.headerBox(number);
    if (!box)
        return;
    auto& canvas = form.canvas();
    if (!makingHeader()) {
        canvas.setDraggedHeaderBox(0);
        form.Text1->setFocus();
        return;
    }
    if (canvas.dragSourceCode() != interfaces::dragTxPicture || canvas.draggedHeaderBox() > 0)
        return;
    platform::PictureBox* tx = form.Picture1;
    canvas.commitTxScreen();
    const int rows = number <= 6 ? 64 : 32;
    box->setAutoRedraw(true);
    box->PaintPicture(tx->Picture(), 0, 0, kTxWidth, rows, 0, kTxHeight - rows, kTxWidth, rows);
    box->setAutoRedraw(false);
    box->setPicture(box->Image());
}

void Qso::headerBoxDragOver(int /*number*/, int state)
{
    interfaces::Form& form = form_;
    if (!makingHeader()) {
        form.Text1->setFocus();
        return;
    }
    if (form.canvas().dragSourceCode() != interfaces::dragTxPicture)
        return;
    if (state == platform::vbEnter)
        form.Picture1->setDragIcon(platform::dragIcon(platform::DragIcon::Drop));
    else if (state == platform::vbLeave)
        form.Picture1->setDragIcon(platform::dragIcon(platform::DragIcon::Carry));
}

} // namespace qso
