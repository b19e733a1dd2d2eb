// The main window's controls of the TX picture canvas and of the drags that end on it:
// the editing modes and tool toggles; SET, "OOPS!!", Undo, the adjust button and the
// Things list beside the screens; the thumbnail strip and the
// recent row; the hidden copies and work buffers of the TX picture and the mug shot
// (until its own panel lays it out).

#include "shell/FormMain.h"

#include "canvas/OverlayRender.h"
#include "canvas/TxCanvas.h"
#include "intake/Intake.h"
#include "interfaces/Facts.h"
#include "platform/drawing/Colors.h"
#include "platform/services/Picbuf.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragIcons.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "platform/widgets/ShapeControl.h"
#include "qso/Qso.h"
#include "strips/Strips.h"
#include "text/TextTools.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPolygonF>
#include <QTabBar>
#include <QTabWidget>
#include <QTransform>
#include <QVBoxLayout>

namespace shell {

namespace {

using interfaces::kStateOff;

// Thumbnails keep the TX picture's 5:4 shape.
constexpr int ThumbWidth = 65;
constexpr int ThumbHeight = 52;
constexpr int SlotSpacing = 6;

platform::ImageBox* thumbnail(const char* name, QWidget* parent, const QString& tip = {})
{
    auto* box = new platform::ImageBox(parent);
    box->setDesignName(QString::fromLatin1(name));
    box->setStretch(true);
    box->setBoxSize(ThumbWidth, ThumbHeight);
    if (!tip.isEmpty())
        box->setToolTip(tip);
    return box;
}

// A slot of the strip in a sunken frame, so that an empty one shows as well.
QFrame* slotFrame(platform::ImageBox* slot, QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(slot->objectName() + QStringLiteral("Frame"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(1);
    frame->setFixedSize(ThumbWidth + 2, ThumbHeight + 2);
    slot->setParent(frame);
    slot->move(1, 1);
    return frame;
}

platform::Label* toolLabel(const char* name, const QString& caption, QWidget* parent)
{
    auto* label = new platform::Label(QString::fromLatin1(name), caption, parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Raised);
    label->setAlignment(Qt::AlignCenter);
    label->setMargin(3);
    platform::setBackColor(label, kStateOff);
    return label;
}

// A row of one tool group with room round it for the frame that marks the current mode.
QHBoxLayout* toolRow(QVBoxLayout* column)
{
    auto* row = new QHBoxLayout;
    const int m = platform::ShapeControl::kMargin + 1;
    row->setContentsMargins(m, m, m, m);
    row->setSpacing(6);
    column->addLayout(row);
    return row;
}

// The face of the caption-less adjust button: a disc half dark, half light.
QIcon adjustIcon()
{
    QPixmap face(16, 16);
    face.fill(Qt::transparent);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::black);
    p.drawPie(QRectF(1.5, 1.5, 13, 13), 90 * 16, 180 * 16);
    return QIcon(face);
}

// The faces of the mirror buttons: a solid triangle and its outlined mirror image on
// either side of the axis.
QIcon mirrorIcon(bool topToBottom)
{
    QPixmap face(16, 16);
    face.fill(Qt::transparent);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    QTransform turn;
    if (topToBottom) {
        turn.translate(16, 0);
        turn.rotate(90);
    }
    p.setTransform(turn);
    const QPolygonF left({QPointF(1.5, 8), QPointF(6.5, 2.5), QPointF(6.5, 13.5)});
    const QPolygonF right({QPointF(14.5, 8), QPointF(9.5, 2.5), QPointF(9.5, 13.5)});
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::black);
    p.drawPolygon(left);
    p.setBrush(Qt::white);
    p.drawPolygon(right);
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.drawLine(QPointF(8, 0.5), QPointF(8, 15.5));
    return QIcon(face);
}

// Three quarters of a circle with the arrow's head at its end, turning clockwise or
// anticlockwise.
QIcon rotateIcon(bool clockwise)
{
    QPixmap face(16, 16);
    face.fill(Qt::transparent);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn as it is, the head at the start of a clockwise sweep points anticlockwise.
    if (clockwise)
        p.setTransform(QTransform(-1, 0, 0, 1, 16, 0));
    p.setPen(QPen(Qt::black, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 90 * 16, -270 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({QPointF(8, 0), QPointF(8, 6), QPointF(12, 3)}));
    return QIcon(face);
}

platform::PictureBox* hiddenBox(const char* name, QWidget* parent, int width, int height)
{
    auto* box = new platform::PictureBox(parent);
    box->setDesignName(QString::fromLatin1(name));
    box->setBoxSize(width, height);
    box->setBackColor(platform::vbWhite);
    box->hide();
    return box;
}

} // namespace

QWidget* FormMain::buildCanvasFrame(QWidget* parent)
{
    auto* frame = new QGroupBox(parent);
    frame->setObjectName(QStringLiteral("canvasFrame"));
    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    Command47 = new platform::CommandButton(QStringLiteral("Command47"), QStringLiteral("SET"), frame);
    Command31 = new platform::CommandButton(QStringLiteral("Command31"), QStringLiteral("OOPS!!"), frame);
    Command12 = new platform::CommandButton(QStringLiteral("Command12"), QStringLiteral("Undo"), frame);
    Command13 = new platform::CommandButton(QStringLiteral("Command13"), QString(), frame);
    Command13->setIcon(adjustIcon());
    Command13->setToolTip(QStringLiteral("Adjust picture"));
    platform::setBackColor(Command47, platform::vbButtonFace); // nothing pending
    platform::setBackColor(Command31, platform::vbWhite);      // a take-back is possible
    // The pending element's size and its mirror images.
    Command6 = new platform::CommandButton(QStringLiteral("Command6"), QStringLiteral("+"), frame);
    Command10 = new platform::CommandButton(QStringLiteral("Command10"), QStringLiteral("-"), frame);
    Command28 = new platform::CommandButton(QStringLiteral("Command28"), QString(), frame);
    Command29 = new platform::CommandButton(QStringLiteral("Command29"), QString(), frame);
    Command6->setToolTip(QStringLiteral("Larger"));
    Command10->setToolTip(QStringLiteral("Smaller"));
    Command44 = new platform::CommandButton(QStringLiteral("Command44"), QString(), frame);
    Command46 = new platform::CommandButton(QStringLiteral("Command46"), QString(), frame);
    Command44->setIcon(rotateIcon(true));
    Command46->setIcon(rotateIcon(false));
    Command44->setToolTip(QStringLiteral("Rotate clockwise"));
    Command46->setToolTip(QStringLiteral("Rotate anticlockwise"));
    Command28->setIcon(mirrorIcon(true));
    Command28->setToolTip(QStringLiteral("Mirror top to bottom"));
    Command29->setIcon(mirrorIcon(false));
    Command29->setToolTip(QStringLiteral("Mirror left to right"));
    for (auto* b : {Command6, Command10, Command44, Command46})
        platform::setBackColor(b, kStateOff);
    auto* buttons = new QHBoxLayout;
    for (auto* b : {Command47, Command31, Command12})
        buttons->addWidget(b);
    buttons->addWidget(Command13);
    buttons->addSpacing(6);
    buttons->addWidget(Command28);
    buttons->addWidget(Command29);
    // The blend commits the pending element as SET does, mixed at the slider's weight.
    HScroll7 = new platform::ScrollBar(QStringLiteral("HScroll7"), Qt::Horizontal, frame);
    HScroll7->setRange(1, 10);
    HScroll7->setValue(5);
    HScroll7->setMinimumWidth(50);
    HScroll7->setToolTip(QStringLiteral("Blend weight of the element, 10 to 100 %"));
    Label14 = toolLabel("Label14", QStringLiteral("%Blend >"), frame);
    buttons->addSpacing(6);
    buttons->addWidget(HScroll7);
    buttons->addWidget(Label14);
    // The rotate buttons beside the mirror buttons.
    buttons->addWidget(Command44);
    buttons->addWidget(Command46);
    grid->addLayout(buttons, 0, 0, 1, 3);


    // The Things list with the element's buttons and the palette beside it.
    Combo1 = new platform::ComboBox(QStringLiteral("Combo1"), frame, true);
    for (const char* item : {"X-Hatch", "Globe", "Ellipse", "Circle", "Box", "Test Patern", "User Color", "Black",
                             "White", "Red", "Green", "Blue"})
        Combo1->addItem(QString::fromLatin1(item));
    Combo1->setText(QStringLiteral("  Things"));
    auto* thingsRow = new QHBoxLayout;
    thingsRow->addWidget(Combo1, 1);
    thingsRow->addWidget(Command6);
    thingsRow->addWidget(Command10);
    thingsRow->addWidget(buildPalette(frame));
    grid->addLayout(thingsRow, 1, 0, 1, 3);
    return frame;
}

QWidget* FormMain::buildModesFrame(QWidget* parent)
{
    auto* frame = new QGroupBox(parent);
    frame->setObjectName(QStringLiteral("modesFrame"));
    auto* column = new QVBoxLayout(frame);
    column->setSpacing(0);
    column->setContentsMargins(2, 2, 2, 2);

    // Text tools; Text and Draw are option buttons of the window itself, one group.
    Option1 = new platform::OptionButton(QStringLiteral("Option1"), QStringLiteral("Text"), frame);
    Option1->setChecked(true); // Text is the editing mode at start
    Label32 = toolLabel("Label32", QStringLiteral("Pattern Fill"), frame);
    Label33 = new platform::Label(QStringLiteral("Label33"), QString(), frame);
    Label38 = toolLabel("Label38", QStringLiteral("Color Fill"), frame);
    Label24 = toolLabel("Label24", QStringLiteral("         Crop"), frame);
    Label25 = toolLabel("Label25", QStringLiteral("Text Forecolor"), frame);
    Label45 = toolLabel("Label45", QStringLiteral("Text Backcolor"), frame);
    Label31 = toolLabel("Label31", QStringLiteral("Horizontal"), frame);
    // The indicators' design colours are the text colours of a start with nothing stored:
    // red 238 on the TX screen's back colour black.
    for (auto* indicator : {Label25, Label45})
        indicator->installEventFilter(this);
    platform::setBackColor(Label25, StartTextColour);
    platform::setBackColor(Label45, platform::vbBlack);
    Combo3 = new platform::ComboBox(QStringLiteral("Combo3"), frame);
    for (const char* type : {"Normal Text", "Striped Text", "Graduated Text", "Multi Colored Text"})
        Combo3->addItem(QString::fromLatin1(type));
    Combo3->setListIndex(0);
    QHBoxLayout* textRow = toolRow(column);
    // The two text colours' indicators side by side; the row set closer so the window keeps
    // its width.
    textRow->setSpacing(4);
    for (QWidget* w : std::initializer_list<QWidget*>{Option1, Label32, Label33, Label38, Label24, Label25, Label45, Label31})
        textRow->addWidget(w);
    textRow->addStretch(1);

    // Draw tools: the pen's thickness and the tools that work in Draw mode.
    Option8 = new platform::OptionButton(QStringLiteral("Option8"), QStringLiteral("Draw"), frame);
    HScroll1 = new platform::ScrollBar(QStringLiteral("HScroll1"), Qt::Horizontal, frame);
    HScroll1->setRange(1, 9);
    HScroll1->setValue(1);
    HScroll1->setMinimumWidth(60);
    HScroll1->setToolTip(QStringLiteral("Pen width"));
    Text6 = new platform::TextBox(QStringLiteral("Text6"), frame);
    Text6->setText(QStringLiteral(" 1"));
    Text6->setFixedWidth(34);
    Text6->setFixedHeight(Text6->sizeHint().height());
    platform::setBackColor(Text6, platform::vbBlack);
    platform::setForeColor(Text6, kStateOff);
    Label29 = toolLabel("Label29", QStringLiteral("Fix Color"), frame);
    Label73 = toolLabel("Label73", QStringLiteral("Rem noise  lines"), frame);
    // The cut-outs work on a drawing: "Overlay RX>TX" ends in Overlays mode.
    Label30 = toolLabel("Label30", QStringLiteral("Make overlay"), frame);
    Label34 = toolLabel("Label34", QStringLiteral("Overlay RX>TX"), frame);
    QHBoxLayout* drawRow = toolRow(column);
    for (QWidget* w : std::initializer_list<QWidget*>{Option8, HScroll1, Text6, Label29, Label73, Label30, Label34})
        drawRow->addWidget(w);
    drawRow->addStretch(1);

    // Overlays and Pic in Pic: their own container, so their option buttons form a group
    // of their own.
    Frame4 = new QGroupBox(frame);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    auto* overlayGrid = new QGridLayout(Frame4);
    overlayGrid->setContentsMargins(4, 2, 4, 2);
    overlayGrid->setHorizontalSpacing(8);
    Option6 = new platform::OptionButton(QStringLiteral("Option6"), QStringLiteral("Overlays"), Frame4);
    Option7 = new platform::OptionButton(QStringLiteral("Option7"), QStringLiteral("Pic in Pic"), Frame4);
    Check9 = new platform::CheckBox(QStringLiteral("Check9"), QStringLiteral("Smooth"), Frame4);
    Check3 = new platform::CheckBox(QStringLiteral("Check3"), QStringLiteral("Border"), Frame4);
    Check18 = new platform::CheckBox(QStringLiteral("Check18"), QStringLiteral("Follow Mouse"), Frame4);
    Check19 = new platform::CheckBox(QStringLiteral("Check19"), QStringLiteral("4 pics in 1"), Frame4);
    int column4 = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{Option6, Option7, Check3, Check18, Check19, Check9})
        overlayGrid->addWidget(w, 0, column4++);
    overlayGrid->setColumnStretch(column4, 1);
    QHBoxLayout* overlayRow = toolRow(column);
    overlayRow->addWidget(Frame4, 1);
    for (auto* option : {Option1, Option8, Option6, Option7})
        platform::setBackColor(option, kStateOff);
    platform::setBackColor(Option1, 0xFF00); // the mode at start

    Shape1 = new platform::ShapeControl(QStringLiteral("Shape1"), frame);
    Shape2 = new platform::ShapeControl(QStringLiteral("Shape2"), frame);
    Shape3 = new platform::ShapeControl(QStringLiteral("Shape3"), frame);
    Shape1->surround({Option8, HScroll1, Text6, Label29, Label73, Label30, Label34});
    Shape2->surround({Option1, Label32, Label33, Label38, Label24, Label25, Label45, Label31});
    Shape3->surround({Frame4});
    Shape2->setDrawMode(14); // Text mode's frame is the highlighted one at start
    Shape2->setFillStyle(2);
    return frame;
}

QWidget* FormMain::buildStripFrame(QWidget* parent)
{
    auto* frame = new QGroupBox(parent);
    frame->setObjectName(QStringLiteral("stripFrame"));
    auto* column = new QVBoxLayout(frame);
    // Set close, so that with the pager the window keeps its height.
    const QMargins margins = column->contentsMargins();
    column->setContentsMargins(margins.left(), 6, margins.right(), 6);
    column->setSpacing(2);
    // The strip in a row, slot 1 first, with its pager under it and as wide as it; the
    // recent row under that, newest first, its slots under the strip's first four.
    auto* strip = new QWidget(frame);
    strip->setObjectName(QStringLiteral("stripSlots"));
    strip->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* stripColumn = new QVBoxLayout(strip);
    stripColumn->setContentsMargins(0, 0, 0, 0);
    stripColumn->setSpacing(2);
    auto* slotRow = new QHBoxLayout;
    slotRow->setSpacing(SlotSpacing);
    Image2 = thumbnail("Image2", strip);
    Image3 = thumbnail("Image3", strip);
    Image4 = thumbnail("Image4", strip);
    Image5 = thumbnail("Image5", strip);
    Image21 = thumbnail("Image21", strip);
    Image22 = thumbnail("Image22", strip);
    Image23 = thumbnail("Image23", strip);
    for (auto* slot : {Image2, Image3, Image4, Image5, Image21, Image22, Image23})
        slotRow->addWidget(slotFrame(slot, strip));
    stripColumn->addLayout(slotRow);
    stripColumn->addWidget(buildStripPager(strip));
    column->addWidget(strip, 0, Qt::AlignLeft);

    auto* recent = new QHBoxLayout;
    recent->setSpacing(SlotSpacing);
    Image12 = thumbnail("Image12", frame, QStringLiteral("Received"));
    Image17 = thumbnail("Image17", frame, QStringLiteral("Received"));
    Image18 = thumbnail("Image18", frame, QStringLiteral("Received"));
    Image19 = thumbnail("Image19", frame, QStringLiteral("Received"));
    for (auto* slot : {Image12, Image17, Image18, Image19})
        recent->addWidget(slotFrame(slot, frame));
    recent->addWidget(buildStripChoice(frame));
    recent->addStretch(1);
    column->addLayout(recent);
    return frame;
}

void FormMain::buildCanvasHiddenControls(QWidget* parent)
{
    // The text size bar and the shape size bar share one place, beside the TX screen on
    // its tab page; each is shown only while its tool needs it.
    QWidget* screenFrame = Picture1->parentWidget();
    const QRect beside(screenFrame->geometry().right() + 3, screenFrame->geometry().top(), 16,
                       screenFrame->height());
    VScroll4 = new platform::ScrollBar(QStringLiteral("VScroll4"), Qt::Vertical, screenFrame->parentWidget());
    VScroll4->setRange(0, 30);
    VScroll4->setValue(9);
    VScroll4->hide();
    for (QWidget* bar : std::initializer_list<QWidget*>{VScroll3, VScroll4}) {
        bar->setParent(screenFrame->parentWidget());
        bar->setGeometry(beside);
        bar->hide();
    }

    Picture2 = hiddenBox("Picture2", parent, int(interfaces::kTxWidth), int(interfaces::kTxHeight));
    Picture13 = hiddenBox("Picture13", parent, 45, 37);
    Picture20 = hiddenBox("Picture20", parent, int(interfaces::kTxWidth), int(interfaces::kTxHeight));
    Image14 = new platform::ImageBox(parent);
    Image14->setDesignName(QStringLiteral("Image14"));
    Image14->hide();
    Image20 = new platform::ImageBox(parent);
    Image20->setDesignName(QStringLiteral("Image20"));
    Image20->setPicture(canvas::framePicture());
    Image20->hide();

    buildAdjustPanel();

    Image7 = thumbnail("Image7", parent);
    Image7->hide();
}

void FormMain::connectCanvasHandlers()
{
    auto* c = canvas_.get();
    connect(Command12, &platform::CommandButton::Click, c, [c] { c->Command12_Click(); });
    connect(Command47, &platform::CommandButton::MouseDown, c,
            [c](int b, int s, double x, double y) { c->Command47_MouseDown(b, s, x, y); });
    connect(Command47, &platform::CommandButton::Click, c, [c] { c->Command47_Click(); });
    connect(Command31, &platform::CommandButton::Click, c, [c] { c->Command31_Click(); });
    connect(Picture1, &platform::PictureBox::mouseDown, c,
            [c](int b, int s, double x, double y) { c->Picture1_MouseDown(b, s, x, y); });
    connect(Picture1, &platform::PictureBox::mouseMove, c,
            [c](int b, int s, double x, double y) { c->Picture1_MouseMove(b, s, x, y); });
    connect(Picture1, &platform::PictureBox::mouseUp, c,
            [c](int b, int s, double x, double y) { c->Picture1_MouseUp(b, s, x, y); });
    connect(Label24, &platform::Label::Click, c, [c] { c->Label24_Click(); });
    connect(Label29, &platform::Label::Click, c, [c] { c->Label29_Click(); });
    connect(Label73, &platform::Label::Click, c, [c] { c->Label73_Click(); });
    connect(Label30, &platform::Label::MouseDown, c,
            [c](int b, int s, double x, double y) { c->Label30_MouseDown(b, s, x, y); });
    connect(Label34, &platform::Label::MouseDown, c,
            [c](int b, int s, double x, double y) { c->Label34_MouseDown(b, s, x, y); });
    connect(HScroll7, &platform::ScrollBar::Change, c, [c] { c->HScroll7_Change(); });
    connect(HScroll7, &platform::ScrollBar::Scroll, c, [c] { c->HScroll7_Scroll(); });
    connect(Label14, &platform::Label::Click, c, [c] { c->Label14_Click(); });
    connect(Check18, &platform::CheckBox::Click, c, [c] { c->Check18_Click(); });
    connect(Check9, &platform::CheckBox::Click, c, [c] { c->Check9_Click(); });
    connect(Command6, &platform::CommandButton::MouseDown, c,
            [c](int b, int s, double x, double y) { c->Command6_MouseDown(b, s, x, y); });
    connect(Command6, &platform::CommandButton::MouseUp, c,
            [c](int b, int s, double x, double y) { c->Command6_MouseUp(b, s, x, y); });
    connect(Command44, &platform::CommandButton::MouseDown, c,
            [c](int b, int s, double x, double y) { c->Command44_MouseDown(b, s, x, y); });
    connect(Command44, &platform::CommandButton::MouseUp, c,
            [c](int b, int s, double x, double y) { c->Command44_MouseUp(b, s, x, y); });
    connect(Command46, &platform::CommandButton::MouseDown, c,
            [c](int b, int s, double x, double y) { c->Command46_MouseDown(b, s, x, y); });
    connect(Command46, &platform::CommandButton::MouseUp, c,
            [c](int b, int s, double x, double y) { c->Command46_MouseUp(b, s, x, y); });
    connect(Command10, &platform::CommandButton::MouseDown, c,
            [c](int b, int s, double x, double y) { c->Command10_MouseDown(b, s, x, y); });
    connect(Command10, &platform::CommandButton::MouseUp, c,
            [c](int b, int s, double x, double y) { c->Command10_MouseUp(b, s, x, y); });
    connect(Command13, &platform::CommandButton::Click, c, [c] { c->Command13_Click(); });
    connect(Combo1, &platform::ComboBox::Click, c, [c] { c->Combo1_Click(); });
    connect(Combo1, &platform::ComboBox::Change, c, [c] { c->Combo1_Change(); });
    connect(Combo1, &platform::ComboBox::GotFocus, c, [c] { c->Combo1_GotFocus(); });
    connect(Combo1, &platform::ComboBox::LostFocus, c, [c] { c->Combo1_LostFocus(); });
    connect(Command28, &platform::CommandButton::MouseDown, c,
            [c](int b, int s, double x, double y) { c->Command28_MouseDown(b, s, x, y); });
    connect(Command29, &platform::CommandButton::MouseDown, c,
            [c](int b, int s, double x, double y) { c->Command29_MouseDown(b, s, x, y); });
    connect(Picture1, &platform::PictureBox::dragOver, c,
            [c](QWidget* source, double x, double y, int state) { c->Picture1_DragOver(source, x, y, state); });
    connect(Picture1, &platform::PictureBox::dragDrop, c,
            [c](QWidget* source, double x, double y) { c->Picture1_DragDrop(source, x, y); });
    connect(VScroll4, &platform::ScrollBar::Change, c, [c] { c->VScroll4_Change(); });
    SSTab1->tabBar()->installEventFilter(c);
    // The TX screen's mouse icon, the cursor of the fill modes' drags over it, is the
    // neutral one: the dragged control shows as its outline.
    Picture1->setMouseIcon(platform::dragIcon(platform::DragIcon::Neutral));
    connect(Picture1, &platform::PictureBox::oleDragDrop, c,
            [c](const QStringList& files, int b, int s, double x, double y) { c->Picture1_OLEDragDrop(files, b, s, x, y); });
    connect(Label56, &platform::Label::MouseDown, c,
            [c](int b, int s, double x, double y) { c->Label56_MouseDown(b, s, x, y); });

    auto* q = qso_.get();
    connect(Text3, &platform::TextBox::MouseDown, q,
            [q](int b, int s, double x, double y) { q->Text3_MouseDown(b, s, x, y); });
    connect(Image7, &platform::ImageBox::mouseDown, q,
            [q](int b, int s, double x, double y) { q->Image7_MouseDown(b, s, x, y); });

    // The strip slots, the recent row and the browser's thumbnails: one handler per family,
    // told which slot was pressed by its drag-source code.
    auto* s = strips_.get();
    for (int code : {2, 3, 4, 5, 21, 22, 23})
        connect(thumbnailFor(code), &platform::ImageBox::mouseDown, s,
                [s, code](int b, int, double, double) { s->stripSlotMouseDown(code, b); });
    for (int code : {15, 16, 17, 18})
        connect(thumbnailFor(code), &platform::ImageBox::mouseDown, s,
                [s, code](int b, int, double, double) { s->recentSlotMouseDown(code, b); });
    auto* in = intake_.get();
    for (int code : {11, 12, 13, 14})
        connect(thumbnailFor(code), &platform::ImageBox::mouseDown, in,
                [in, code](int b, int, double, double) { in->browserSlotMouseDown(code, b); });
}

} // namespace shell
