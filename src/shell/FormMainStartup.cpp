// The controls of the main window that the start-up sets and that their own subsystems
// have not laid out yet: a small station panel (QSL data, text style, font presets,
// header and border switches, text effects) and the hidden ones (zoom view, picture
// buffers, the TX picture's copies, ...). Closing the window runs the shut-down.

#include "shell/FormMain.h"

#include "canvas/TestCard.h"
#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "intake/Intake.h"
#include "interfaces/Facts.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/services/Picbuf.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/Shell.h"
#include "strips/Strips.h"
#include "text/TextTools.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

namespace shell {

namespace {

platform::ScrollBar* scrollBar(const QString& name, Qt::Orientation orientation, int min, int max, int value,
                               QWidget* parent)
{
    auto* bar = new platform::ScrollBar(name, orientation, parent);
    bar->setRange(min, max);
    bar->setValue(value);
    return bar;
}

} // namespace

QWidget* FormMain::buildStationFrame(QWidget* parent)
{
    auto* frame = new QGroupBox(parent);
    frame->setObjectName(QStringLiteral("stationFrame"));
    auto* grid = new QGridLayout(frame);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    // The mug shot beside the rows, the call's log entry on the first.
    grid->addWidget(buildMugShotColumn(frame), 0, 0, 4, 1);
    grid->addLayout(buildLogRow(frame), 0, 1);
    grid->setColumnStretch(1, 1);

    Check2 = new platform::CheckBox(QStringLiteral("Check2"), QStringLiteral("HdrON"), frame);
    Check13 = new platform::CheckBox(QStringLiteral("Check13"), QStringLiteral("Underline"), frame);
    Check14 = new platform::CheckBox(QStringLiteral("Check14"), QStringLiteral("Italic"), frame);
    Check6 = new platform::CheckBox(QStringLiteral("Check6"), QStringLiteral("Bold"), frame);
    auto* styleRow = new QHBoxLayout;
    for (auto* c : {Check13, Check14, Check6})
        styleRow->addWidget(c);
    styleRow->addStretch(1);
    styleRow->addWidget(Label54);
    styleRow->addWidget(Label53);
    styleRow->addWidget(Check2);
    grid->addLayout(styleRow, 1, 1);

    Command21 = new platform::CommandButton(QStringLiteral("Command21"), QStringLiteral("F1"), frame);
    Command25 = new platform::CommandButton(QStringLiteral("Command25"), QStringLiteral("F2"), frame);
    Command23 = new platform::CommandButton(QStringLiteral("Command23"), QStringLiteral("F3"), frame);
    Command24 = new platform::CommandButton(QStringLiteral("Command24"), QStringLiteral("F4"), frame);
    auto* presetRow = new QHBoxLayout;
    for (auto* b : {Command21, Command25, Command23, Command24}) {
        platform::setBackColor(b, interfaces::kStateOff);
        presetRow->addWidget(b);
    }
    grid->addLayout(presetRow, 2, 1);

    // The text's effects under the styles.
    Check15 = new platform::CheckBox(QStringLiteral("Check15"), QStringLiteral("Outline"), frame);
    Check16 = new platform::CheckBox(QStringLiteral("Check16"), QStringLiteral("BkGnd"), frame);
    Check17 = new platform::CheckBox(QStringLiteral("Check17"), QStringLiteral("Shadow"), frame);
    auto* effectsRow = new QHBoxLayout;
    for (auto* c : {Check15, Check16, Check17})
        effectsRow->addWidget(c);
    effectsRow->addStretch(1);
    grid->addLayout(effectsRow, 3, 1);
    return frame;
}

// Under the TX screen, above the text box: the text type, the outline's swatch bar,
// colour and weight, the shadow's arrows, depth and colour, and the label that applies
// the text type again.
QHBoxLayout* FormMain::buildEffectsRow(QWidget* frame)
{
    Combo3->setParent(frame);
    HScroll4 = scrollBar(QStringLiteral("HScroll4"), Qt::Horizontal, 0, 12, 0, frame);
    HScroll4->setToolTip(QStringLiteral("Outline colour"));
    HScroll4->setFixedWidth(40);
    Text8 = new platform::TextBox(QStringLiteral("Text8"), frame);
    Text8->setReadOnly(true);
    Text8->setFixedSize(18, HScroll4->sizeHint().height());
    Text8->setToolTip(QStringLiteral("Outline colour"));
    platform::setBackColor(Text8, platform::vbBlack);
    Label47 = new platform::Label(QStringLiteral("Label47"), QStringLiteral("Fine outline"), frame);
    // The shadow's arrows, a group of their own: the direction the copies advance towards
    // the text (the shadow lies the other way).
    auto* arrows = new QWidget(frame);
    arrows->setObjectName(QStringLiteral("shadowArrows"));
    auto* arrowRow = new QHBoxLayout(arrows);
    arrowRow->setContentsMargins(0, 0, 0, 0);
    arrowRow->setSpacing(0);
    Option2 = new platform::OptionButton(QStringLiteral("Option2"), QString(QChar(0x2198)), arrows);
    Option3 = new platform::OptionButton(QStringLiteral("Option3"), QString(QChar(0x2199)), arrows);
    Option4 = new platform::OptionButton(QStringLiteral("Option4"), QString(QChar(0x2197)), arrows);
    Option5 = new platform::OptionButton(QStringLiteral("Option5"), QString(QChar(0x2196)), arrows);
    for (auto* o : {Option2, Option3, Option4, Option5}) {
        o->setToolTip(QStringLiteral("Shadow direction"));
        arrowRow->addWidget(o);
    }
    // The depth bar lies in the row (its design name kept).
    VScroll1 = scrollBar(QStringLiteral("VScroll1"), Qt::Horizontal, 3, 20, 3, frame);
    VScroll1->setFixedWidth(50);
    VScroll1->setToolTip(QStringLiteral("Shadow depth"));
    HScroll5 = scrollBar(QStringLiteral("HScroll5"), Qt::Horizontal, 1, 7, 1, frame);
    HScroll5->setFixedWidth(40);
    HScroll5->setToolTip(QStringLiteral("Shadow colour: five colours, two grey ramps"));
    Text13 = new platform::TextBox(QStringLiteral("Text13"), frame);
    Text13->setReadOnly(true);
    Text13->setText(QStringLiteral(" Off"));
    Text13->setFixedSize(40, HScroll5->sizeHint().height() + 8);
    Text13->setToolTip(QStringLiteral("Shadow colour on / off"));
    platform::setBackColor(Text13, interfaces::kStateOff);
    Label36 = new platform::Label(QStringLiteral("Label36"), QStringLiteral("Draw Thickness"), frame);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    for (QWidget* w : std::initializer_list<QWidget*>{Combo3, HScroll4, Text8, Label47, arrows, VScroll1, HScroll5, Text13})
        row->addWidget(w);
    row->addStretch(1);
    row->addWidget(Label36);
    return row;
}

void FormMain::buildHiddenControls(QWidget* parent)
{
    Picture21 = new platform::PictureBox(parent);
    Picture21->setDesignName(QStringLiteral("Picture21"));
    Picture21->setBoxSize(688, 556);
    Picture21->setFontName(QStringLiteral("MS Sans Serif"));
    Picture21->setFontBold(true);
    Picture21->setFontSize(12);
    PicbufVisible = new platform::Picbuf(parent);
    PicbufVisible->setObjectName(QStringLiteral("PicbufVisible"));
    PicbufEdit = new platform::Picbuf(parent);
    PicbufEdit->setObjectName(QStringLiteral("PicbufEdit"));
    Text12 = new platform::TextBox(QStringLiteral("Text12"), parent, true);
    VScroll3 = scrollBar(QStringLiteral("VScroll3"), Qt::Vertical, 0, 9, 0, parent);
    auto image = [parent](const char* name) {
        auto* box = new platform::ImageBox(parent);
        box->setDesignName(QString::fromLatin1(name));
        return box;
    };
    Image6 = image("Image6");
    Image15 = image("Image15");
    Image13 = image("Image13");
    Image1 = image("Image1");
    Image1->setPicture(canvas::testCard()); // the test card is also the splash picture
    // The off-screen copy of the last picture received, whose persistent layer holds it
    // (the recent row is laid out with the strip).
    Frame9 = new QGroupBox(parent);
    Frame9->setObjectName(QStringLiteral("Frame9"));
    Picture19 = new platform::PictureBox(parent);
    Picture19->setDesignName(QStringLiteral("Picture19"));
    Picture19->setBoxSize(int(interfaces::kTxWidth), int(interfaces::kTxHeight));
    Picture19->setBackColor(platform::vbBlack);
    Picture19->setAutoRedraw(true);
    Picture3 = new platform::PictureBox(parent);
    Picture3->setDesignName(QStringLiteral("Picture3"));
    Picture3->setBoxSize(688, 556);
    for (QWidget* w : std::initializer_list<QWidget*>{Picture21, PicbufVisible, PicbufEdit, Text12,
                                                      VScroll3, Image6, Image13, Image15, Image1,
                                                      Frame9, Picture19, Picture3})
        w->hide();
}

void FormMain::connectStartupHandlers()
{
    auto* t = text_.get();
    connect(Check13, &platform::CheckBox::Click, t, [t] { t->Check13_Click(); });
    connect(Check14, &platform::CheckBox::Click, t, [t] { t->Check14_Click(); });
    connect(Check6, &platform::CheckBox::Click, t, [t] { t->Check6_Click(); });
    connect(VScroll1, &platform::ScrollBar::Change, t, [t] { t->VScroll1_Change(); });
    // The release handlers of the effect switches and arrows run once the release has
    // clicked them (the box's new value, the arrow's step): the widgets report the release
    // before they click, and a focus change inside it would cancel the click.
    connect(Check15, &platform::CheckBox::Click, t, [t] { t->Check15_Click(); });
    connect(Check15, &platform::CheckBox::MouseUp, t,
            [t](int b, int s, double x, double y) { t->Check15_MouseUp(b, s, x, y); }, Qt::QueuedConnection);
    connect(HScroll4, &platform::ScrollBar::Change, t, [t] { t->HScroll4_Change(); });
    connect(Label47, &platform::Label::Click, t, [t] { t->Label47_Click(); });
    connect(Check17, &platform::CheckBox::Click, t, [t] { t->Check17_Click(); });
    connect(Check17, &platform::CheckBox::MouseUp, t,
            [t](int b, int s, double x, double y) { t->Check17_MouseUp(b, s, x, y); }, Qt::QueuedConnection);
    int arrow = 2;
    for (auto* o : {Option2, Option3, Option4, Option5}) {
        connect(o, &platform::OptionButton::Click, t, [t, arrow] { t->shadowArrowClick(arrow); });
        connect(o, &platform::OptionButton::MouseUp, t, [t](int, int, double, double) { t->shadowArrowMouseUp(); },
                Qt::QueuedConnection);
        ++arrow;
    }
    connect(HScroll5, &platform::ScrollBar::Change, t, [t] { t->HScroll5_Change(); });
    connect(Text13, &platform::TextBox::MouseDown, t,
            [t](int b, int s, double x, double y) { t->Text13_MouseDown(b, s, x, y); });
    connect(Label36, &platform::Label::Click, t, [t] { t->Label36_Click(); });
    connect(Combo3, &platform::ComboBox::Click, t, [t] { t->Combo3_Click(); });
    for (int slot = 1; slot <= 4; ++slot)
        connect(t->presetButton(slot), &platform::CommandButton::MouseDown, t,
                [t, slot](int button, int, double, double) { t->fontPresetMouseDown(slot, button); });
    connect(VScroll3, &platform::ScrollBar::Change, t, [t] { t->VScroll3_Change(); });
    connect(Label31, &platform::Label::Click, t, [t] { t->Label31_Click(); });
    auto* c = canvas_.get();
    connect(Check3, &platform::CheckBox::Click, c, [c] { c->Check3_Click(); });
    connect(HScroll1, &platform::ScrollBar::Change, c, [c] { c->HScroll1_Change(); });
    connect(Check2, &platform::CheckBox::Click, qso_.get(), [this] { qso_->Check2_Click(); });
    auto* s = strips_.get();
    connect(HScroll2, &platform::ScrollBar::Change, s, [s] { s->HScroll2_Change(); });
    connect(Text5, &platform::TextBox::Click, s, [s] { s->reloadStrip(); });
}

void FormMain::closeEvent(QCloseEvent* event)
{
    // The shut-down lets window events run while it waits; a close asked for meanwhile
    // must not start it a second time.
    if (closing_) {
        event->ignore();
        return;
    }
    closing_ = true;
    engine_->Form_QueryUnload();
    shell_->Form_Unload();
    event->accept();
    emit ended();
}

} // namespace shell
