#include "shell/FormMain.h"

#include "canvas/TxCanvas.h"
#include "capture/Capture.h"
#include "capture/frmMemCapMain.h"
#include "engine/EngineControl.h"
#include "engine/FormRXfloat.h"
#include "intake/FormCrop.h"
#include "intake/Intake.h"
#include "media/FrmMain.h"
#include "media/Media.h"
#include "interfaces/Facts.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/LineControl.h"
#include "platform/services/Ui.h"
#include "platform/widgets/PictureBox.h"
#include "platform/widgets/WindowHandles.h"
#include "qso/Qso.h"
#include "shell/Form2.h"
#include "shell/FormSetup.h"
#include "shell/Shell.h"
#include "strips/Strips.h"
#include "text/TextTools.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace shell {

namespace {

// The screens are the TX picture's size inside a two-pixel border.
constexpr int ScreenWidth = int(interfaces::kTxWidth);
constexpr int ScreenHeight = int(interfaces::kTxHeight);
constexpr int ScreenBorder = 2;
// A tab page leaves a margin around the framed screen, as the tab control did: the
// 1:1 view is centred on it by the tab control's size at each picture start, with
// room for pictures up to the screen's size and their border.
constexpr int PageWidth = 688;
constexpr int PageHeight = 544;
constexpr int ScreenLeft = (PageWidth - ScreenWidth) / 2 - ScreenBorder;
constexpr int ScreenTop = (PageHeight - ScreenHeight) / 2 - ScreenBorder;
// The spectrum displays place the notch over x = 1 to 204: they are 205 pixels wide.
constexpr int DisplayWidth = 205;

constexpr quint32 IdleColor = 0x8080;     // an engine button at rest
constexpr quint32 Text1Ink = 0xC0C0;      // the text to place, on black
constexpr quint32 Black = 0x000000;
constexpr quint32 White = 0xFFFFFF;

platform::PictureBox* pictureBox(const QString& name, QWidget* parent, int width, int height,
                                 quint32 backColor)
{
    auto* box = new platform::PictureBox(parent);
    box->setDesignName(name);
    box->setBoxSize(width, height);
    box->setBackColor(backColor);
    return box;
}

// A screen inside a dark two-pixel border at the fixed place of its tab page.
platform::PictureBox* framedScreen(const QString& name, QWidget* page, quint32 backColor)
{
    auto* frame = new QFrame(page);
    frame->setObjectName(name + QStringLiteral("Frame"));
    QPalette border = frame->palette();
    border.setColor(QPalette::Window, QColor(0x40, 0x40, 0x40));
    frame->setPalette(border);
    frame->setAutoFillBackground(true);
    frame->setGeometry(ScreenLeft, ScreenTop, ScreenWidth + 2 * ScreenBorder,
                       ScreenHeight + 2 * ScreenBorder);
    auto* box = pictureBox(name, frame, ScreenWidth, ScreenHeight, backColor);
    box->move(ScreenBorder, ScreenBorder);
    return box;
}

// The other windows are made the first time the program asks for them.
template <class Window>
Window& createdOnFirstUse(std::unique_ptr<Window>& window)
{
    if (!window)
        window = std::make_unique<Window>();
    return *window;
}

QWidget* tabPage(const QString& name)
{
    auto* page = new QWidget;
    page->setObjectName(name);
    page->setFixedSize(PageWidth, PageHeight);
    return page;
}

// A label that shows a value the engine reports (mode name, identification).
platform::Label* valueLabel(const QString& name, QWidget* parent)
{
    auto* label = new platform::Label(name, QString(), parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(110);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

FormMain::FormMain(platform::Ui& ui, QWidget* parent) : QMainWindow(parent), ui_(ui)
{
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Tovaro"));

    buildMenus();
    buildControls();

    shell_ = std::make_unique<Shell>(*this);
    engine_ = std::make_unique<::engine::EngineControl>(*this);
    canvas_ = std::make_unique<::canvas::TxCanvas>(*this);
    text_ = std::make_unique<::text::TextTools>(*this);
    intake_ = std::make_unique<::intake::Intake>(*this);
    strips_ = std::make_unique<::strips::Strips>(*this);
    qso_ = std::make_unique<::qso::Qso>(*this);
    capture_ = std::make_unique<::capture::Capture>(*this);
    media_ = std::make_unique<::media::Media>(*this);
    // The hub the rooms hold: each room's interface, before any handler runs.
    rooms_ = {engine_.get(), canvas_.get(), text_.get(), intake_.get(), strips_.get(), qso_.get(), shell_.get()};
    commonDialog1_ = std::make_unique<platform::CommonDialog>(ui_);
    CommonDialog1 = commonDialog1_.get();
    // Dialogs that name no folder open in the folder that stands in for the current directory.
    intake_->shareDialogFolder(*CommonDialog1);

    connectHandlers();
    connectStartupHandlers();
    connectCanvasHandlers();
    connectBrowserHandlers();
    connectStripHandlers();
    connectPictureTools();
    connectLogHandlers();
    connectHeaderHandlers();
    connectPaletteHandlers();
    connectTextHandlers();
}

FormMain::~FormMain()
{
    // Controls still raise events while Qt takes them down (a tab widget losing its
    // pages changes its current tab); with the controllers gone first, those events
    // reach nobody.
    Timer1->setEnabled(false);
    Timer2->setEnabled(false);
    frmMain_.reset();
    media_.reset();
    capture_.reset();
    qso_.reset();
    strips_.reset();
    intake_.reset();
    text_.reset();
    canvas_.reset();
    engine_.reset();
    shell_.reset();
}

FormSetup& FormMain::formSetup()
{
    if (!formSetup_)
        formSetup_ = std::make_unique<FormSetup>(*this);
    return *formSetup_;
}
::engine::FormRXfloat& FormMain::formRXfloat()
{
    if (!formRXfloat_)
        formRXfloat_ = std::make_unique<::engine::FormRXfloat>(*this);
    return *formRXfloat_;
}
::intake::FormCrop& FormMain::formCrop()
{
    if (!formCrop_)
        formCrop_ = std::make_unique<::intake::FormCrop>(*this);
    return *formCrop_;
}

void FormMain::unloadFormCrop()
{
    // The dialog unloads itself from its own button's handler: it goes once that returns.
    if (formCrop_) {
        formCrop_->hide();
        formCrop_.release()->deleteLater();
    }
}

Form2& FormMain::form2()
{
    if (!form2_)
        form2_ = std::make_unique<Form2>(*this);
    return *form2_;
}
void FormMain::unloadForm2()
{
    if (form2_) {
        form2_->close();
        form2_.release()->deleteLater();
    }
}

::media::FrmMain& FormMain::frmMain()
{
    if (!frmMain_)
        frmMain_ = std::make_unique<::media::FrmMain>(*this, *media_);
    return *frmMain_;
}
::capture::frmMemCapMain& FormMain::frmMemCapMain()
{
    if (!frmMemCapMain_)
        frmMemCapMain_ = std::make_unique<::capture::frmMemCapMain>(*this);
    return *frmMemCapMain_;
}

void FormMain::unloadFrmMemCapMain()
{
    // The window unloads itself from its own close: it goes once that returns.
    if (frmMemCapMain_) {
        frmMemCapMain_->hide();
        frmMemCapMain_->Form_Unload();
        frmMemCapMain_.release()->deleteLater();
    }
}

void FormMain::setFrmMemCapMain(std::unique_ptr<::capture::frmMemCapMain> window)
{
    unloadFrmMemCapMain();
    frmMemCapMain_ = std::move(window);
}

QWidget* FormMain::loaded(Window window) const
{
    switch (window) {
    case Window::Setup: return formSetup_.get();
    case Window::RxMonitor: return formRXfloat_.get();
    case Window::Crop: return formCrop_.get();
    case Window::Splash: return form2_.get();
    case Window::Multimedia: return frmMain_.get();
    case Window::Camera: return frmMemCapMain_.get();
    }
    return nullptr;
}

void FormMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    auto item = [this](QWidget* owner, const char* name, const QString& caption) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        owner->addAction(action);
        return action;
    };
    auto submenu = [bar](const char* name, const QString& caption) {
        QMenu* menu = bar->addMenu(caption);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };

    file = submenu("file", QStringLiteral("File"));
    loadpic = item(file, "loadpic", QStringLiteral("Load Picture to TX"));
    copyrx = item(file, "copyrx", QStringLiteral("Copy RX Image"));
    copye = item(file, "copye", QStringLiteral("Copy TX Image"));
    savepic = item(file, "savepic", QStringLiteral("Save TX  Picture"));
    selectsource = item(file, "selectsource", QStringLiteral("Twain Select Source"));
    acquire = item(file, "acquire", QStringLiteral("Twain Acquire"));

    fonts = submenu("fonts", QStringLiteral("Fonts/Colors"));
    savefontandcolor = item(fonts, "savefontandcolor", QStringLiteral("Save Font - RT click Font button"));
    savecolor = item(fonts, "savecolor", QStringLiteral("Save Color- Dbl Click C1,C2,C3,C4"));

    header = submenu("header", QStringLiteral("Header"));
    makeheader16 = item(header, "makeheader16", QStringLiteral("Make Header small"));
    makeheader = item(header, "makeheader", QStringLiteral("Make Header large"));
    // The Make Header items show a tick while a header is being made.
    makeheader16->setCheckable(true);
    makeheader->setCheckable(true);

    copypaste = item(bar, "copypaste", QStringLiteral("Setup"));
    mulmed = item(bar, "mulmed", QStringLiteral("MultiMedia"));
    // Switched off in the window's design: the player is loaded at every start, and
    // nothing offers it to the operator.
    mulmed->setEnabled(false);
    camera = item(bar, "camera", QStringLiteral("Camera"));

    help = submenu("help", QStringLiteral("Help"));
    helpp = item(help, "helpp", QStringLiteral("Help"));
    about = item(help, "about", QStringLiteral("About"));

    exits = item(bar, "exits", QStringLiteral("Exit"));
}

namespace {

// The tabs with the three screens: RX Full, TX (with its progress markers) and RX True.
void buildScreenTabs(FormMain& form, QWidget* central)
{
    form.SSTab1 = new QTabWidget(central);
    form.SSTab1->setObjectName(QStringLiteral("SSTab1"));
    QWidget* rxFullPage = tabPage(QStringLiteral("SSTab1RxFull"));
    QWidget* txPage = tabPage(QStringLiteral("SSTab1Tx"));
    QWidget* rxTruePage = tabPage(QStringLiteral("SSTab1RxTrue"));
    form.Picture18 = framedScreen(QStringLiteral("Picture18"), rxFullPage, Black);
    form.Picture1 = framedScreen(QStringLiteral("Picture1"), txPage, White);
    // The TX screen's design face is the window's, the one the text box starts in.
    form.Picture1->setFontName(form.font().family());
    // The TX screen is the window the player's picture lies on, known by its handle.
    platform::hWnd(form.Picture1);
    // The progress markers run down the TX screen's left edge while a picture goes out;
    // the green one (played) over the red one (generated, ahead of it).
    form.Line1 = new platform::LineControl(QStringLiteral("Line1"), platform::vbRed, form.Picture1);
    form.Line2 = new platform::LineControl(QStringLiteral("Line2"), platform::vbGreen, form.Picture1);
    for (auto* line : {form.Line1, form.Line2}) {
        line->setBorderWidth(3);
        line->setX1(2);
        line->setX2(2);
        line->hide();
    }
    // The 1:1 view is placed and sized on its page as each picture starts.
    form.Picture22 = pictureBox(QStringLiteral("Picture22"), rxTruePage, ScreenWidth, ScreenHeight, Black);
    form.Picture22->move(ScreenLeft + ScreenBorder, ScreenTop + ScreenBorder);
    form.SSTab1->addTab(rxFullPage, QStringLiteral("RX Full"));
    form.SSTab1->addTab(txPage, QStringLiteral("TX"));
    form.SSTab1->addTab(rxTruePage, QStringLiteral("RX True"));
}

// The engine's displays (tuning and spectra) and its transmit and sync buttons.
void addEngineButtons(FormMain& form, QGroupBox* engineFrame, QGridLayout* engineGrid)
{
    auto* displays = new QVBoxLayout;
    displays->setSpacing(4);
    form.Picture15 = pictureBox(QStringLiteral("Picture15"), engineFrame, DisplayWidth, 64, Black);
    form.Picture16 = pictureBox(QStringLiteral("Picture16"), engineFrame, DisplayWidth, 48, Black);
    form.Picture17 = pictureBox(QStringLiteral("Picture17"), engineFrame, DisplayWidth, 48, Black);
    displays->addWidget(form.Picture15);
    displays->addWidget(form.Picture16);
    displays->addWidget(form.Picture17);
    displays->addStretch(1);
    engineGrid->addLayout(displays, 0, 0, 7, 1);

    form.Command3 = new platform::CommandButton(QStringLiteral("Command3"), QStringLiteral("TX"), engineFrame);
    form.Command1 = new platform::CommandButton(QStringLiteral("Command1"), QStringLiteral("RX"), engineFrame);
    form.Command7 =
        new platform::CommandButton(QStringLiteral("Command7"), QStringLiteral("Force RX"), engineFrame);
    for (auto* b : {form.Command3, form.Command1, form.Command7}) {
        QFont f = b->font();
        f.setBold(true);
        f.setPointSizeF(f.pointSizeF() * 1.25);
        b->setFont(f);
        b->setMinimumHeight(36);
    }
    auto* sendRow = new QHBoxLayout;
    sendRow->addWidget(form.Command3);
    sendRow->addWidget(form.Command1);
    sendRow->addWidget(form.Command7);
    engineGrid->addLayout(sendRow, 0, 1);

    form.Command45 =
        new platform::CommandButton(QStringLiteral("Command45"), QStringLiteral("RE Sync"), engineFrame);
    form.Command48 = new platform::CommandButton(QStringLiteral("Command48"), QStringLiteral("1750"), engineFrame);
    form.Command11 = new platform::CommandButton(QStringLiteral("Command11"),
                                                 QStringLiteral("Fix Slant this Picture only"), engineFrame);
    // The buttons' back colours carry the transmit and receive state; all start idle.
    for (auto* b : {form.Command3, form.Command1, form.Command7, form.Command48})
        platform::setBackColor(b, IdleColor);
    auto* syncRow = new QHBoxLayout;
    syncRow->addWidget(form.Command45, 1);
    syncRow->addWidget(form.Command48, 1);
    engineGrid->addLayout(syncRow, 1, 1);
    engineGrid->addWidget(form.Command11, 2, 1);
}

// The TX and RX mode, the received identification and the call sign with the log view's
// switch.
void addModeAndCallRows(FormMain& form, QGroupBox* engineFrame, QGridLayout* engineGrid)
{
    form.Combo2 = new platform::ComboBox(QStringLiteral("Combo2"), engineFrame);
    form.Label37 = valueLabel(QStringLiteral("Label37"), engineFrame);
    auto* modeRow = new QHBoxLayout;
    form.Combo2->setToolTip(QStringLiteral("TX mode"));
    form.Label37->setToolTip(QStringLiteral("RX mode"));
    modeRow->addWidget(form.Combo2, 1);
    modeRow->addWidget(form.Label37, 1);
    engineGrid->addLayout(modeRow, 3, 1);

    form.Label56 = valueLabel(QStringLiteral("Label56"), engineFrame);
    form.Text3 = new platform::TextBox(QStringLiteral("Text3"), engineFrame);
    form.Text3->setFixedHeight(form.Combo2->sizeHint().height());
    form.Label56->setToolTip(QStringLiteral("Received FSK ID"));
    form.Text3->setToolTip(QStringLiteral("Call sign"));
    form.Picture15->setToolTip(QStringLiteral("Tuning"));
    form.Picture16->setToolTip(QStringLiteral("Spectrum"));
    form.Picture17->setToolTip(QStringLiteral("Spectrum"));
    auto* callRow = new QHBoxLayout;
    callRow->addWidget(form.Label56, 1);
    callRow->addWidget(form.Text3, 1);
    // The log view's switch beside the box whose terms it lists.
    form.Label48 = new platform::Label(QStringLiteral("Label48"), QStringLiteral("*"), engineFrame);
    form.Label48->setFrameStyle(QFrame::Panel | QFrame::Raised);
    form.Label48->setAlignment(Qt::AlignCenter);
    form.Label48->setFixedWidth(20);
    form.Label48->setToolTip(QStringLiteral("List the log lines holding the terms typed (comma between terms)"));
    platform::setBackColor(form.Label48, interfaces::kStateOff);
    callRow->addWidget(form.Label48);
    engineGrid->addLayout(callRow, 4, 1);
}

// The receive and display boxes.
void addReceiveBoxes(FormMain& form, QGroupBox* engineFrame, QGridLayout* engineGrid)
{
    form.Check1 = new platform::CheckBox(QStringLiteral("Check1"), QStringLiteral("AutoRX"), engineFrame);
    form.Check4 = new platform::CheckBox(QStringLiteral("Check4"), QStringLiteral("RxMon"), engineFrame);
    form.Check7 = new platform::CheckBox(QStringLiteral("Check7"), QStringLiteral("TX=RX"), engineFrame);
    form.Check8 = new platform::CheckBox(QStringLiteral("Check8"), QStringLiteral("A-Save"), engineFrame);
    form.Check11 = new platform::CheckBox(QStringLiteral("Check11"), QStringLiteral("Notch"), engineFrame);
    form.Check12 = new platform::CheckBox(QStringLiteral("Check12"), QStringLiteral("Sp FFT"), engineFrame);
    form.Check25 = new platform::CheckBox(QStringLiteral("Check25"), QStringLiteral("Sp FM"), engineFrame);
    form.Check25->setValue(1); // the FM spectrum is the designed default
    auto* rxBoxes = new QHBoxLayout;
    for (auto* c : {form.Check1, form.Check4, form.Check7, form.Check8})
        rxBoxes->addWidget(c);
    rxBoxes->addStretch(1);
    engineGrid->addLayout(rxBoxes, 5, 1);
    auto* displayBoxes = new QHBoxLayout;
    for (auto* c : {form.Check11, form.Check12, form.Check25})
        displayBoxes->addWidget(c);
    displayBoxes->addStretch(1);
    engineGrid->addLayout(displayBoxes, 6, 1);
    engineGrid->setColumnStretch(1, 1);
}

// The engine controls beside the screens.
QGroupBox* buildEngineFrame(FormMain& form, QWidget* central)
{
    auto* engineFrame = new QGroupBox(central);
    engineFrame->setObjectName(QStringLiteral("engineFrame"));
    auto* engineGrid = new QGridLayout(engineFrame);
    engineGrid->setHorizontalSpacing(6);
    engineGrid->setVerticalSpacing(6);
    addEngineButtons(form, engineFrame, engineGrid);
    addModeAndCallRows(form, engineFrame, engineGrid);
    addReceiveBoxes(form, engineFrame, engineGrid);
    return engineFrame;
}

} // namespace

void FormMain::buildControls()
{
    // The controls lie in a scrolled area: on a screen smaller than the window's design
    // the window keeps to the screen and every control stays reachable.
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("centralScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    setCentralWidget(scroll_);
    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("centralArea"));
    scroll_->setWidget(central);
    auto* columns = new QHBoxLayout(central);
    columns->setContentsMargins(6, 6, 6, 6);
    columns->setSpacing(8);

    // Left: the tabs with the screens, and under them the text boxes.
    auto* left = new QVBoxLayout;
    left->setSpacing(6);
    columns->addLayout(left);

    buildScreenTabs(*this, central);
    buildPictureToolButtons();
    SSTab1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    left->addWidget(SSTab1);
    left->addWidget(buildIntakeRow(central));
    // The QSL panel opens over the text tools, which it does not use: nothing moves.
    buildQslPanel(central);

    auto* texts = new QHBoxLayout;
    texts->setSpacing(6);
    Text1 = new platform::TextBox(QStringLiteral("Text1"), central, true);
    Text2 = new platform::TextBox(QStringLiteral("Text2"), central, true);
    Text1->setToolTip(QStringLiteral("Text to place"));
    // The text to place: olive (&HC0C0) on black.
    platform::setBackColor(Text1, platform::vbBlack);
    platform::setForeColor(Text1, Text1Ink);
    setText1Listing(false);
    texts->addWidget(Text1, 1);
    left->addLayout(texts, 1);

    // Right: the engine controls beside the screens, then the editing modes.
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    columns->addLayout(right, 1);

    right->addWidget(buildEngineFrame(*this, central));
    right->addWidget(buildModesFrame(central));
    right->addWidget(buildCanvasFrame(central));
    right->addWidget(buildStationFrame(central));
    // The text effects' row lies under the screens, above the text box.
    left->insertLayout(left->count() - 1, buildEffectsRow(central));
    right->addWidget(buildStripFrame(central));
    right->addStretch(1);
    buildHiddenControls(central);
    buildCanvasHiddenControls(central);
    placeMugShot();
    buildHeaderPanel(central);
    buildBrowserPanel(central);
    buildMessagePane(central);
    // The panels that open over the controls, and the zoom view, are scrolled into view as
    // they open.
    for (QWidget* panel : std::initializer_list<QWidget*>{Frame2, Frame5, Frame7, Frame9, Text2, Picture21})
        panel->installEventFilter(this);

    Timer1 = new platform::VbTimer(QStringLiteral("Timer1"), 200, true, this);
    Timer2 = new platform::VbTimer(QStringLiteral("Timer2"), 500, false, this);
}

void FormMain::connectHandlers()
{
    // Menu items: each runs its owner's handler. "Save Color- ..." is an instruction only.
    // A menu item with a tick shows the state its handler keeps: the tick the menu toggles
    // on a click is put back before the handler runs, so the handler sees the state as it
    // was and sets the tick itself (or leaves it when it refuses).
    auto onMenu = [](QAction* action, QObject* owner, auto handler) {
        QObject::connect(action, &QAction::triggered, owner, [action, handler](bool checked) {
            if (action->isCheckable())
                action->setChecked(!checked);
            handler();
        });
    };
    onMenu(loadpic, intake_.get(), [this] { intake_->loadpic_Click(); });
    onMenu(copyrx, intake_.get(), [this] { intake_->copyrx_Click(); });
    onMenu(copye, intake_.get(), [this] { intake_->copye_Click(); });
    onMenu(savepic, intake_.get(), [this] { intake_->savepic_Click(); });
    onMenu(selectsource, capture_.get(), [this] { capture_->selectsource_Click(); });
    onMenu(acquire, capture_.get(), [this] { capture_->acquire_Click(); });
    onMenu(savefontandcolor, text_.get(), [this] { text_->savefontandcolor_Click(); });
    onMenu(makeheader16, qso_.get(), [this] { qso_->makeheader16_Click(); });
    onMenu(makeheader, qso_.get(), [this] { qso_->makeheader_Click(); });
    onMenu(copypaste, shell_.get(), [this] { shell_->copypaste_Click(); });
    onMenu(mulmed, media_.get(), [this] { media_->mulmed_Click(); });
    onMenu(camera, capture_.get(), [this] { capture_->camera_Click(); });
    onMenu(helpp, shell_.get(), [this] { shell_->helpp_Click(); });
    onMenu(about, shell_.get(), [this] { shell_->about_Click(); });
    onMenu(exits, shell_.get(), [this] { shell_->exits_Click(); });

    // Tabs: the handler runs on every change of the selected tab, by the operator or by code.
    currentTab_ = SSTab1->currentIndex();
    connect(SSTab1, &QTabWidget::currentChanged, shell_.get(), [this](int index) {
        const int previous = currentTab_;
        currentTab_ = index;
        shell_->SSTab1_Click(previous);
    });

    // Engine controls.
    auto* e = engine_.get();
    connect(Timer1, &platform::VbTimer::Timer, e, [e] { e->Timer1_Timer(); });
    connect(Command3, &platform::CommandButton::Click, e, [e] { e->Command3_Click(); });
    connect(Command1, &platform::CommandButton::Click, e, [e] { e->Command1_Click(); });
    connect(Command7, &platform::CommandButton::Click, e, [e] { e->Command7_Click(); });
    connect(Command45, &platform::CommandButton::Click, e, [e] { e->Command45_Click(); });
    connect(Command11, &platform::CommandButton::Click, e, [e] { e->Command11_Click(); });
    connect(Command48, &platform::CommandButton::MouseDown, e,
            [e](int b, int s, double x, double y) { e->Command48_MouseDown(b, s, x, y); });
    connect(Command48, &platform::CommandButton::MouseUp, e,
            [e](int b, int s, double x, double y) { e->Command48_MouseUp(b, s, x, y); });
    connect(Combo2, &platform::ComboBox::Click, e, [e] { e->Combo2_Click(); });
    connect(Check1, &platform::CheckBox::Click, e, [e] { e->Check1_Click(); });
    connect(Check4, &platform::CheckBox::Click, e, [e] { e->Check4_Click(); });
    connect(Check7, &platform::CheckBox::Click, e, [e] { e->Check7_Click(); });
    connect(Check8, &platform::CheckBox::Click, e, [e] { e->Check8_Click(); });
    connect(Check11, &platform::CheckBox::Click, e, [e] { e->Check11_Click(); });
    connect(Check12, &platform::CheckBox::Click, e, [e] { e->Check12_Click(); });
    connect(Check25, &platform::CheckBox::Click, e, [e] { e->Check25_Click(); });
    connect(Picture16, &platform::PictureBox::mouseDown, e,
            [e](int b, int s, double x, double y) { e->Picture16_MouseDown(b, s, x, y); });
    connect(Picture16, &platform::PictureBox::mouseMove, e,
            [e](int b, int s, double x, double y) { e->Picture16_MouseMove(b, s, x, y); });
    connect(Picture17, &platform::PictureBox::mouseDown, e,
            [e](int b, int s, double x, double y) { e->Picture17_MouseDown(b, s, x, y); });
    connect(Picture17, &platform::PictureBox::mouseMove, e,
            [e](int b, int s, double x, double y) { e->Picture17_MouseMove(b, s, x, y); });
    connect(Picture18, &platform::PictureBox::dragDrop, e,
            [e](QWidget* source, double x, double y) { e->Picture18_DragDrop(source, x, y); });
    connect(Picture18, &platform::PictureBox::oleDragDrop, e,
            [e](const QStringList& files, int b, int s, double x, double y) {
                e->Picture18_OLEDragDrop(files, b, s, x, y);
            });

    // Editing modes and tools.
    auto* c = canvas_.get();
    connect(Option1, &platform::OptionButton::Click, text_.get(), [this] { text_->Option1_Click(); });
    connect(Option6, &platform::OptionButton::Click, c, [c] { c->Option6_Click(); });
    connect(Option7, &platform::OptionButton::Click, c, [c] { c->Option7_Click(); });
    connect(Option8, &platform::OptionButton::Click, c, [c] { c->Option8_Click(); });
    connect(Label32, &platform::Label::Click, c, [c] { c->Label32_Click(); });
    connect(Label38, &platform::Label::Click, c, [c] { c->Label38_Click(); });
    connect(Check19, &platform::CheckBox::Click, c, [c] { c->Check19_Click(); });
    connect(Timer2, &platform::VbTimer::Timer, c, [c] { c->Timer2_Timer(); });

    // The call-sign box looks the call up in the log as its text changes.
    connect(Text3, &platform::TextBox::Change, qso_.get(), [this] { qso_->Text3_Change(); });
}

} // namespace shell
