// The main window's controls of the contact log and the stamps: the mug shot and the log
// row (entry box, "S", "D") and the stamp labels (" QSL", " Date") in the station frame,
// the QSL panel Frame5 (over the text tools while it is open) and the stamps' panel
// picture; and their handlers. The "*" of the
// log view sits beside the call-sign box.

#include "shell/FormMain.h"

#include "interfaces/Facts.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "qso/Stamps.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace shell {

namespace {

constexpr quint32 LogBoxColor = 0xC0FFFF; // light yellow
constexpr int MugShotWidth = 137;
constexpr int MugShotHeight = 105;
// Text1's heights: as the text to place, and as the log view's listing.
constexpr int Text1Height = 60;
constexpr int Text1ListingHeight = 143;

platform::Label* pressLabel(const char* name, const QString& caption, QWidget* parent)
{
    auto* label = new platform::Label(QString::fromLatin1(name), caption, parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(2);
    platform::setBackColor(label, interfaces::kStateOff);
    return label;
}

void lightYellow(QWidget* box)
{
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xC0));
    box->setPalette(palette);
}

} // namespace

QWidget* FormMain::buildMugShotColumn(QWidget* parent)
{
    auto* column = new QWidget(parent);
    column->setObjectName(QStringLiteral("mugShotColumn"));
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    Label26 = new platform::Label(QStringLiteral("Label26"), QStringLiteral("Mug Shot"), column);
    Label26->setAlignment(Qt::AlignCenter);
    Label26->setToolTip(QStringLiteral("Press to save the picture shown as a call's mug shot"));
    auto* place = new QFrame(column);
    place->setObjectName(QStringLiteral("Image7Place"));
    place->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    place->setFixedSize(MugShotWidth + 2, MugShotHeight + 2);
    layout->addWidget(Label26);
    layout->addWidget(place);
    layout->addStretch(1);

    // The stamps' panel picture: drawn once, only read.
    Picture14 = new platform::PictureBox(column);
    Picture14->setDesignName(QStringLiteral("Picture14"));
    Picture14->setBoxSize(250, 96);
    Picture14->setPicture(qso::stampPanelPicture());
    Picture14->hide();
    return column;
}

QLayout* FormMain::buildLogRow(QWidget* parent)
{
    // The entry of the call in Text3, with its save and delete buttons.
    Text4 = new platform::TextBox(QStringLiteral("Text4"), parent);
    Text4->setPlaceholderText(QStringLiteral("Search Information"));
    Text4->setToolTip(QStringLiteral("Log entry of the call sign"));
    lightYellow(Text4);
    Text4->setFixedHeight(Text4->fontMetrics().height() + 12);
    Command2 = new platform::CommandButton(QStringLiteral("Command2"), QStringLiteral("S"), parent);
    Command9 = new platform::CommandButton(QStringLiteral("Command9"), QStringLiteral("D"), parent);
    Command2->setToolTip(QStringLiteral("Save the entry in the log"));
    Command9->setToolTip(QStringLiteral("Delete the call's record from the log"));
    auto* row = new QHBoxLayout;
    row->addWidget(Text4, 1);
    for (auto* b : {Command2, Command9}) {
        QSizePolicy fixed(QSizePolicy::Fixed, QSizePolicy::Fixed);
        // "S" shows only while there is an edit to save; the row keeps its place.
        fixed.setRetainSizeWhenHidden(true);
        b->setSizePolicy(fixed);
        row->addWidget(b);
    }
    // The stamps, placed by the caller.
    Label54 = pressLabel("Label54", QStringLiteral(" QSL"), parent);
    Label53 = pressLabel("Label53", QStringLiteral(" Date"), parent);
    Label54->setToolTip(QStringLiteral("Stamp the QSL details on the TX picture"));
    Label53->setToolTip(QStringLiteral("Stamp the call, time and date along the TX picture's bottom"));
    for (auto* l : {Label54, Label53})
        l->setMinimumWidth(56);
    return row;
}

void FormMain::placeMugShot()
{
    auto* place = findChild<QFrame*>(QStringLiteral("Image7Place"));
    Image7->setParent(place);
    Image7->setStretch(true);
    Image7->setBoxSize(MugShotWidth, MugShotHeight);
    Image7->move(1, 1);
    Image7->setToolTip(QStringLiteral("Mug shot: drop a picture here; right press to zoom"));
    Image7->show();
}

QWidget* FormMain::buildQslPanel(QWidget* parent)
{
    Frame5 = new QGroupBox(QStringLiteral("Quick Set QSL Details"), parent);
    Frame5->setObjectName(QStringLiteral("Frame5"));
    Frame5->setAutoFillBackground(true);
    platform::setBackColor(Frame5, interfaces::kStateOff);
    auto* grid = new QGridLayout(Frame5);
    // Tight, so that the panel covers no more than the text tools.
    grid->setContentsMargins(6, 0, 6, 2);
    grid->setVerticalSpacing(1);
    Label51 = new platform::Label(QStringLiteral("Label51"), QStringLiteral("Type Callsign in box     Type Freq"),
                                  Frame5);
    Label57 = new platform::Label(QStringLiteral("Label57"), QStringLiteral("Type RSV in box"), Frame5);
    Text15 = new platform::TextBox(QStringLiteral("Text15"), Frame5);
    Text15->setText(QStringLiteral("Q1ABC"));
    Text9 = new platform::TextBox(QStringLiteral("Text9"), Frame5);
    Text9->setText(QStringLiteral("14.230"));
    Text10 = new platform::TextBox(QStringLiteral("Text10"), Frame5);
    Text10->setText(QStringLiteral("599"));
    Text15->setToolTip(QStringLiteral("The other station's call sign"));
    Text9->setToolTip(QStringLiteral("Frequency or band"));
    Text10->setToolTip(QStringLiteral("Signal report"));
    for (auto* t : {Text15, Text9, Text10})
        t->setFixedHeight(t->fontMetrics().height() + 12);
    Command4 = new platform::CommandButton(QStringLiteral("Command4"), QStringLiteral("QSL at Top"), Frame5);
    Command32 = new platform::CommandButton(QStringLiteral("Command32"), QStringLiteral("QSL at Bottom"), Frame5);
    Command33 = new platform::CommandButton(QStringLiteral("Command33"), QStringLiteral("Cancel"), Frame5);
    grid->addWidget(Label51, 0, 0, 1, 2);
    grid->addWidget(Label57, 0, 2);
    grid->addWidget(Text15, 1, 0);
    grid->addWidget(Text9, 1, 1);
    grid->addWidget(Text10, 1, 2);
    grid->addWidget(Command4, 2, 0);
    grid->addWidget(Command32, 2, 1);
    grid->addWidget(Command33, 2, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    Frame5->hide();
    return Frame5;
}

// The listing takes the room the box has under the screens, up to its own height: a taller
// box would make the whole layout taller than the window's design.
void FormMain::setText1Listing(bool listing)
{
    Text1->setMinimumHeight(listing ? qBound(Text1Height, Text1->height(), Text1ListingHeight) : Text1Height);
}

void FormMain::connectLogHandlers()
{
    auto* q = qso_.get();
    lightYellow(Text3);
    Text3->setPlaceholderText(QStringLiteral("Type Call Sign"));
    connect(Text3, &platform::TextBox::KeyPress, q, [q](int& key) { q->Text3_KeyPress(key); });
    connect(Text4, &platform::TextBox::Change, q, [q] { q->Text4_Change(); });
    connect(Command2, &platform::CommandButton::Click, q, [q] { q->Command2_Click(); });
    connect(Command9, &platform::CommandButton::Click, q, [q] { q->Command9_Click(); });
    connect(Label48, &platform::Label::Click, q, [q] { q->Label48_Click(); });
    connect(Label26, &platform::Label::MouseDown, q,
            [q](int b, int s, double x, double y) { q->Label26_MouseDown(b, s, x, y); });
    connect(Image7, &platform::ImageBox::dragOver, q, [q](QWidget*, double, double, int state) {
        q->Image7_DragOver(state);
    });
    connect(Image7, &platform::ImageBox::dragDrop, q, [q](QWidget*, double, double) { q->Image7_DragDrop(); });
    // The call dragged back onto its own box.
    connect(&platform::DragManager::instance(), &platform::DragManager::dragDrop, q,
            [this, q](QWidget* target, QWidget*, double, double) {
                if (target == Text3)
                    q->Text3_DragDrop();
            });

    connect(Label54, &platform::Label::Click, q, [q] { q->Label54_Click(); });
    connect(Text15, &platform::TextBox::Change, q, [q] { q->Text15_Change(); });
    connect(Text15, &platform::TextBox::MouseDown, q,
            [q](int b, int s, double x, double y) { q->Text15_MouseDown(b, s, x, y); });
    connect(Text10, &platform::TextBox::Click, q, [q] { q->Text10_Click(); });
    connect(Text9, &platform::TextBox::Click, q, [q] { q->Text9_Click(); });
    connect(Command4, &platform::CommandButton::Click, q, [q] { q->Command4_Click(); });
    connect(Command32, &platform::CommandButton::Click, q, [q] { q->Command32_Click(); });
    connect(Command33, &platform::CommandButton::Click, q, [q] { q->Command33_Click(); });
    connect(Label53, &platform::Label::MouseDown, q,
            [q](int b, int s, double x, double y) { q->Label53_MouseDown(b, s, x, y); });
    connect(Label53, &platform::Label::Click, q, [q] { q->Label53_Click(); });
}

} // namespace shell
