#include "shell/FormSetup.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "engine/PictureArchive.h"
#include "intake/Intake.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/AppFolder.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/StepRunner.h"
#include "platform/runtime/Vb.h"
#include "platform/services/Engine.h"
#include "platform/services/Ui.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "strips/Strips.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>
#include <initializer_list>

namespace shell {

const QString FormSetup::QualityRefused = QStringLiteral("jpgcompression is invalid");
const QString FormSetup::NoSuchFolder = QStringLiteral("No such Directory, create and try again");

namespace {


// One box of an option word: its number and the value it adds when ticked.
struct WordBox {
    int box;
    int32_t value;
};

// The receive word's boxes in the order SET adds them (the OFF boxes add 0).
constexpr WordBox kRxBoxes[] = {
    {1, 0x1},         {2, 0x2},         {3, 0x4},          {4, 0x8},          {5, 0x10},
    {6, 0x20},        {7, 0x40},        {8, 0x80},         {9, 0},            {10, 0x10000},
    {11, 0x20000},    {12, 0},          {13, 0x100000},    {14, 0x200000},    {15, 0},
    {16, 0x1000000},  {17, 0x2000000},  {18, 0},           {24, 0x10000000},  {25, 0x20000000},
    {26, 0x30000000},
};
constexpr WordBox kTxBoxes[] = {{19, 0x1}, {20, 0x2}, {21, 0}, {22, 0x10000}, {23, 0x20000}};

// The exclusive groups: a tick of one box clears the others.
const std::initializer_list<int> kGroups[] = {
    {9, 10, 11},      // sync
    {12, 13, 14},     // RX buffer
    {15, 16, 17},     // demodulator
    {18, 24, 25, 26}, // DSP filter
    {21, 22, 23},     // loopback
    {3, 28, 29},      // LMS
};

const std::initializer_list<int>* groupOf(int n)
{
    for (const auto& group : kGroups)
        if (std::find(group.begin(), group.end(), n) != group.end())
            return &group;
    return nullptr;
}

// The runtime's text of a value the dialog shows: nothing for an empty value, a number
// without a blank, a text as it is.
QString valueText(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return platform::numberText(value.toDouble());
}

QVariant numberValue(double value)
{
    // Whole numbers stay whole, so they are written back as they were typed.
    if (value == std::trunc(value) && std::fabs(value) < 2147483648.0)
        return QVariant(int(value));
    return QVariant(value);
}

// The dialog's layout: the station data and auto-save boxes, the engine's option boxes in
// columns, the buttons; the dialog keeps the size it needs.
void layOut(FormSetup& d)
{
    // Station data and auto-save, caption above each box.
    auto* page = new QVBoxLayout(&d);
    page->setContentsMargins(12, 10, 12, 12);
    page->setSpacing(8);
    auto* station = new QGridLayout;
    station->setHorizontalSpacing(14);
    station->setVerticalSpacing(2);
    station->addWidget(d.Label1, 0, 0);
    station->addWidget(d.Text1, 1, 0);
    station->addWidget(d.Label2, 0, 1);
    station->addWidget(d.Text2, 1, 1);
    auto* zone = new QHBoxLayout;
    zone->addWidget(d.Option1);
    zone->addWidget(d.Option2);
    zone->addStretch(1);
    station->addLayout(zone, 1, 2);
    station->addWidget(d.Label3, 2, 0);
    station->addWidget(d.Text3, 3, 0);
    station->addWidget(d.Label4, 2, 1);
    station->addWidget(d.Text4, 3, 1);
    station->addWidget(d.Label7, 2, 2);
    station->addWidget(d.Text5, 3, 2);
    station->setColumnStretch(0, 3);
    station->setColumnStretch(1, 2);
    station->setColumnStretch(2, 2);
    page->addLayout(station);
    page->addWidget(d.Label6);

    // The engine's boxes, a column per kind: the receive flags, noise filter and sync,
    // buffer and demodulator, DSP filter, then the transmit options under their heading.
    auto column = [](std::initializer_list<QWidget*> widgets) {
        auto* c = new QVBoxLayout;
        c->setSpacing(3);
        for (QWidget* w : widgets) {
            if (w)
                c->addWidget(w);
            else
                c->addSpacing(10);
        }
        c->addStretch(1);
        return c;
    };
    auto* options = new QHBoxLayout;
    options->setSpacing(16);
    options->addLayout(column({d.Check1, d.Check2, d.Check4, d.Check5, d.Check6, d.Check7, d.Check8}));
    options->addLayout(column({d.Check3, d.Check28, d.Check29, nullptr, d.Check9, d.Check10, d.Check11}));
    options->addLayout(column({d.Check12, d.Check13, d.Check14, nullptr, d.Check15, d.Check16, d.Check17}));
    options->addLayout(column({d.Check18, d.Check24, d.Check25, d.Check26}));
    options->addLayout(column({d.Label5, d.Check19, d.Check20, nullptr, d.Check21, d.Check22, d.Check23}));
    page->addLayout(options);
    page->addWidget(d.Check30);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(d.Command1, 1);
    buttons->addSpacing(24);
    buttons->addWidget(d.Command3, 1);
    page->addLayout(buttons);
    d.setFixedSize(d.sizeHint());
}

} // namespace

FormSetup::FormSetup(FormMain& form) : QWidget(&form, Qt::Window), form_(form)
{
    setObjectName(QStringLiteral("FormSetup"));
    setWindowTitle(QStringLiteral("Setup Options"));
    buildControls();
    connectHandlers();
}

platform::CheckBox* FormSetup::check(int n) const
{
    platform::CheckBox* const boxes[] = {
        nullptr, Check1,  Check2,  Check3,  Check4,  Check5,  Check6,  Check7,  Check8,  Check9,  Check10,
        Check11, Check12, Check13, Check14, Check15, Check16, Check17, Check18, Check19, Check20, Check21,
        Check22, Check23, Check24, Check25, Check26, Check27, Check28, Check29, Check30,
    };
    return n >= 1 && n <= 30 ? boxes[n] : nullptr;
}

void FormSetup::buildControls()
{
    auto label = [this](const char* name, const QString& caption) {
        return new platform::Label(QString::fromLatin1(name), caption, this);
    };
    auto textBox = [this](const char* name, const QString& text, int maxLength) {
        auto* box = new platform::TextBox(QString::fromLatin1(name), this);
        box->setText(text);
        box->setMaxLength(maxLength);
        return box;
    };
    auto box = [this](platform::CheckBox*& member, int n, const char* caption) {
        member = new platform::CheckBox(QStringLiteral("Check%1").arg(n), QString::fromLatin1(caption), this);
        return member;
    };

    Label1 = label("Label1", QStringLiteral("Enter Your Callsign"));
    Text1 = textBox("Text1", QStringLiteral("No Call"), 20);
    Label2 = label("Label2", QStringLiteral("Enter Offset +-hrs   30mins = 0.5"));
    Text2 = textBox("Text2", QString(), 10);
    Option1 = new platform::OptionButton(QStringLiteral("Option1"), QStringLiteral("LCL"), this);
    Option2 = new platform::OptionButton(QStringLiteral("Option2"), QStringLiteral("UTC"), this);
    Label3 = label("Label3", QStringLiteral("Enter Auto Save Directory"));
    Text3 = textBox("Text3", QString(), 40);
    Label4 = label("Label4", QStringLiteral("Enter Max Number Auto Save Files"));
    Text4 = textBox("Text4", QStringLiteral("1000"), 10);
    Label7 = label("Label7", QStringLiteral("Enter Auto Save JPG compression (1--99)"));
    Text5 = textBox("Text5", QStringLiteral("65"), 10);
    Label5 = label("Label5", QStringLiteral("------TX Options----------"));
    Label6 = label("Label6", QStringLiteral("    ") + QString(103, QLatin1Char('-')) + QStringLiteral("OPTIONS")
                                 + QString(112, QLatin1Char('-')));
    // The rule is as wide as the dialog, whatever its text: "OPTIONS" shows in the middle.
    Label6->setAlignment(Qt::AlignCenter);
    Label6->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    Label6->setMinimumWidth(1);
    platform::setBackColor(Text4, platform::vbWhite);

    box(Check1, 1, "FSK ID RX");
    box(Check2, 2, "AFC");
    box(Check3, 3, "LMS Noise Smoothing");
    box(Check4, 4, "Auto-Restart");
    box(Check5, 5, "Auto-Stop");
    box(Check6, 6, "Auto-Resync");
    box(Check7, 7, "Auto-Slant");
    box(Check8, 8, "Auto-Clear");
    box(Check9, 9, "High Accuracy Sync OFF");
    box(Check10, 10, "Initial Sync Level 1");
    box(Check11, 11, "Initial Sync Level 2");
    box(Check12, 12, "RX Buffer OFF");
    box(Check13, 13, "RX Buffer RAM");
    box(Check14, 14, "RX Buffer File");
    box(Check15, 15, "Demod PLL");
    box(Check16, 16, "Demod Zero-Crossing");
    box(Check17, 17, "Demod Hilbert TF");
    box(Check18, 18, "DSP Filter OFF");
    box(Check19, 19, "FSK ID TX");
    box(Check20, 20, "CW ID TX");
    box(Check21, 21, "Loopback OFF");
    box(Check22, 22, "Loopback Internal");
    box(Check23, 23, "Loopback External");
    box(Check24, 24, "DSP Filter BROAD");
    box(Check25, 25, "DSP Filter SHARP");
    box(Check26, 26, "DSP Filter VERY SHARP");
    box(Check27, 27, "Audio Anounce Mode");
    box(Check28, 28, "LMS Auto-Notch (fast)");
    box(Check29, 29, "LMS Auto-Notch (slow)");
    box(Check30, 30, "Tag saved RX pics with FSKID---Mode---Date");
    Check27->hide();

    Command1 = new platform::CommandButton(QStringLiteral("Command1"), QStringLiteral("SET"), this);
    Command3 = new platform::CommandButton(QStringLiteral("Command3"), QStringLiteral("More Vareror Engine Setup"),
                                           this);
    QFont bold = Command1->font();
    bold.setBold(true);
    Command1->setFont(bold);
    Command1->setMinimumHeight(32);
    Command3->setMinimumHeight(32);

    layOut(*this);
}

void FormSetup::connectHandlers()
{
    connect(Text1, &platform::TextBox::Change, this, [this] { Text1_Change(); });
    connect(Option1, &platform::OptionButton::Click, this, [this] { Option1_Click(); });
    connect(Option2, &platform::OptionButton::Click, this, [this] { Option2_Click(); });
    connect(Text3, &platform::TextBox::Change, this, [this] { Text3_Change(); });
    connect(Text3, &platform::TextBox::KeyPress, this, [this](int& keyAscii) { Text3_KeyPress(keyAscii); });
    connect(Text4, &platform::TextBox::Change, this, [this] { Text4_Change(); });
    for (const auto& group : kGroups)
        for (int n : group)
            connect(check(n), &platform::CheckBox::Click, this, [this, n] { groupBoxClick(n); });
    connect(Command1, &platform::CommandButton::Click, this, [this] { Command1_Click(); });
    connect(Command3, &platform::CommandButton::Click, this, [this] { Command3_Click(); });
}

// ---- station data and auto-save boxes --------------------------------------------------

void FormSetup::Text1_Change()
{
    form_.qso().setStationCall(Text1->text());
    // The engine sends what the box holds as its FSK identification from now on.
    platform::StepRunner steps(QStringLiteral("FormSetup.Text1_Change"));
    steps.step(QStringLiteral("mmsSetFSKID"), [&] {
        const QByteArray call = Text1->text().toLatin1();
        form_.engine().binding().mmsSetFSKID(call.constData());
    });
}

void FormSetup::Option1_Click()
{
    form_.qso().setZoneWord(QStringLiteral("LCL"));
}

void FormSetup::Option2_Click()
{
    form_.qso().setZoneWord(QStringLiteral("UTC"));
}

void FormSetup::Text3_Change()
{
    autoSaveDirEdited = 1;
}

// A key in the folder box puts the maximum at 9000 and marks the box red: a folder of
// the operator's own choosing is not cut back to the usual 1000 unasked.
void FormSetup::Text3_KeyPress(int& /*keyAscii: the key goes on into the box*/)
{
    form_.engine().setAutoSaveLimit(1000);
    if (Text4->text() == QLatin1String("9000"))
        Text4_Change(); // the box already reads 9000: the maximum in effect follows it all the same
    else
        Text4->setText(QStringLiteral("9000"));
    platform::setBackColor(Text4, platform::vbRed);
}

// A maximum below one picture (a cleared box, 0, a negative number) would make the next
// auto-save or SET delete every received picture: it is not taken over, and the box stays
// red until it holds a maximum again.
void FormSetup::Text4_Change()
{
    auto& engine = form_.engine();
    const QVariant maximum = numberValue(platform::Val(Text4->text()));
    if (!(maximum.toDouble() >= 1)) {
        platform::setBackColor(Text4, platform::vbRed);
        return;
    }
    engine.setAutoSaveLimit(maximum);
    if (form_.Option11->value())
        form_.strips().setRxPageCount(int(platform::Int(engine.autoSaveLimit().toDouble() / 7)) + 1);
    platform::setBackColor(Text4, platform::vbWhite);
}

// ---- the engine's option words ------------------------------------------------------------

void FormSetup::groupBoxClick(int n)
{
    platform::CheckBox* box = check(n);
    if (box->value() != 1)
        return;
    for (int other : *groupOf(n))
        if (other != n)
            check(other)->setValue(0);
    // Auto-Slant redraws from the kept signal: it needs an RX buffer.
    if (n == 12)
        Check7->setEnabled(false);
    else if (n == 13 || n == 14)
        Check7->setEnabled(true);
}

int32_t FormSetup::composeRxControlWord() const
{
    int32_t word = 0;
    for (const WordBox& b : kRxBoxes)
        if (check(b.box)->value() == 1)
            word += b.value;
    return word;
}

int32_t FormSetup::composeTxControlWord() const
{
    int32_t word = 0;
    for (const WordBox& b : kTxBoxes)
        if (check(b.box)->value() == 1)
            word += b.value;
    return word;
}

void FormSetup::sendEngineOptions()
{
    platform::Engine& engine = form_.engine().binding();
    engine.mmsSetRxControl(composeRxControlWord());
    engine.mmsSetTxControl(composeTxControlWord());
    if (Check3->value() == 1)
        engine.mmsSetLMS(0);
    if (Check28->value() == 1)
        engine.mmsSetLMS(1);
    if (Check29->value() == 1)
        engine.mmsSetLMS(2);
}

// The decoding subtracts each value the word is at least (a signed comparison) from the
// top field down, rather than masking: stored words rely on that reading, bits without a
// box included.
void FormSetup::CheckRxTxSettings()
{
    platform::Engine& engine = form_.engine().binding();
    const int32_t lms = engine.mmsSetLMS(-1);
    if (lms == 0)
        Check3->setValue(1);
    else if (lms == 1)
        Check28->setValue(1);
    else if (lms == 2)
        Check29->setValue(1);

    int32_t w = 0;
    auto take = [&](int n, int32_t value) {
        if (w >= value) {
            w -= value;
            check(n)->setValue(1);
        } else {
            check(n)->setValue(0);
        }
    };
    auto offWhenNone = [&](int off, std::initializer_list<int> others) {
        if (std::all_of(others.begin(), others.end(), [&](int n) { return check(n)->value() == 0; }))
            check(off)->setValue(1);
    };

    w = engine.mmsSetRxControl(-1);
    take(26, 0x30000000);
    take(25, 0x20000000);
    take(24, 0x10000000);
    offWhenNone(18, {24, 25, 26});
    take(17, 0x2000000);
    take(16, 0x1000000);
    offWhenNone(15, {16, 17});
    take(14, 0x200000);
    take(13, 0x100000);
    offWhenNone(12, {13, 14});
    take(11, 0x20000);
    take(10, 0x10000);
    offWhenNone(9, {10, 11});
    for (int n = 8; n >= 1; --n)
        take(n, int32_t(1) << (n - 1));

    w = engine.mmsSetTxControl(-1);
    take(23, 0x20000);
    take(22, 0x10000);
    offWhenNone(21, {22, 23});
    take(20, 0x2);
    take(19, 0x1);
}

// ---- SET, and the engine's own dialog --------------------------------------------------------

void FormSetup::Command1_Click()
{
    auto& engine = form_.engine();
    auto& intake = form_.intake();
    platform::StepRunner steps(QStringLiteral("FormSetup.Command1_Click"));

    steps.step(QStringLiteral("UTC offset"), [&] { form_.qso().setUtcOffset(numberValue(platform::Val(Text2->text()))); });
    autoSaveDirEdited = 0;
    // A quality out of range is refused and the dialog stays open; the quality in effect
    // stays what it was, so no picture is written at a refused quality.
    const double quality = platform::Val(Text5->text());
    if (quality < 1 || quality > 99) {
        form_.ui().msgBox(QualityRefused, platform::vbOKOnly);
        return;
    }
    engine.setJpegQuality(numberValue(quality));

    // The folder: with its final separator, and only one that exists as typed (a relative
    // or missing folder is refused, and the folder in effect stays).
    steps.step(QStringLiteral("final separator"), [&] {
        const QString typed = Text3->text();
        if (!typed.isEmpty() && !typed.endsWith(QLatin1Char('/')))
            Text3->setText(typed + QLatin1Char('/'));
    });
    bool refused = true;
    steps.step(QStringLiteral("check the folder"), [&] {
        const QString typed = Text3->text();
        QString listed;
        if (!typed.isEmpty()) {
            // A folder the browser's list cannot show leaves it where it was: refused below.
            listed = intake.browseToFolder(typed);
            if (!listed.endsWith(QLatin1Char('/')))
                listed += QLatin1Char('/');
        }
        refused = typed.isEmpty() || listed != typed;
        if (refused)
            form_.ui().msgBox(NoSuchFolder, platform::vbOKOnly);
    });
    intake.setDialogFolder(platform::appFolder());
    if (!refused)
        engine.setAutoSaveDir(Text3->text());

    steps.step(QStringLiteral("engine options"), [&] { sendEngineOptions(); });

    // The folder cut back to the maximum: only the program's own dated pictures count
    // and go, oldest first; any other file of the folder stays.
    if (!refused)
        steps.step(QStringLiteral("trim the auto-save folder"), [&] {
            const double limit = engine.autoSaveLimit().toDouble();
            const int keep = int(std::clamp(limit, 0.0, double(INT_MAX)));
            engine::pruneDatedPictures(engine.autoSaveDir(), keep, INT_MAX, QString());
        });

    hide();
    steps.step(QStringLiteral("main Text1 focus"), [&] {
        form_.Text1->setSelStart(int(form_.Text1->text().size()));
        form_.Text1->setFocus();
    });
}

void FormSetup::Command3_Click()
{
    platform::StepRunner steps(QStringLiteral("FormSetup.Command3_Click"));
    hide();
    platform::doEvents();
    steps.step(QStringLiteral("engine words"), [&] {
        platform::Engine& engine = form_.engine().binding();
        engine.mmsSetRxControl(composeRxControlWord());
        engine.mmsSetTxControl(composeTxControlWord());
    });
    steps.step(QStringLiteral("mmsOption"), [&] { form_.engine().binding().mmsOption(); });
    steps.step(QStringLiteral("CheckRxTxSettings"), [&] { CheckRxTxSettings(); });
    steps.step(QStringLiteral("FSK ID"), [&] {
        platform::Engine& engine = form_.engine().binding();
        QString id = engine.EngineString(engine.mmsSetFSKID(nullptr));
        id.truncate(id.indexOf(QChar(0)) < 0 ? id.size() : id.indexOf(QChar(0)));
        Text1->setText(id);
    });
    // However the engine's dialog ended, the setup dialog comes back.
    show();
    raise();
    activateWindow();
}

// ---- filling from the shared values ------------------------------------------------------

void FormSetup::fillFromSettings()
{
    auto& engine = form_.engine();
    auto& qso = form_.qso();
    Text1->setText(qso.stationCall());
    Text2->setText(platform::Str(qso.utcOffset().toDouble()));
    if (qso.zoneWord() == QLatin1String("UTC"))
        Option2->setValue(true);
    else if (qso.zoneWord() == QLatin1String("LCL"))
        Option1->setValue(true);
    Text3->setText(engine.autoSaveDir());
    Text4->setText(valueText(engine.autoSaveLimit()));
    Text5->setText(valueText(engine.jpegQuality()));
    Text1->setSelStart(int(Text1->text().size()));
    Text1->setFocus();
}

} // namespace shell
