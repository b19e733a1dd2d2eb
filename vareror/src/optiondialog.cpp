#include "optiondialog.h"

#include "ptt.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>

namespace vareror::lib {

namespace {

constexpr int kPttTestMs = 1000;
const QString kWav = QStringLiteral("wav:");

// The receive word's flags and fields (the fields two bits wide), and the transmit word's.
struct Flag {
    const char *name, *caption;
    uint32_t bit;
};
const Flag kRxFlags[] = {
    {"fskIdRx", "FSK ID RX", 0x1},      {"afc", "AFC", 0x2},
    {"lmsSmoothing", "LMS noise smoothing", 0x4}, {"autoRestart", "Auto-restart", 0x8},
    {"autoStop", "Auto-stop", 0x10},    {"autoResync", "Auto-resync", 0x20},
    {"autoSlant", "Auto-slant", 0x40},  {"autoClear", "Auto-clear", 0x80},
};
const Flag kTxFlags[] = {{"fskIdTx", "FSK ID TX", 0x1}, {"cwIdTx", "CW ID TX", 0x2}};
struct Field {
    const char *name, *caption;
    int shift;
    QStringList choices;
};
const Field kRxFields[] = {
    {"syncAccuracy", "High accuracy sync", 16, {"Off", "Initial level 1", "Initial level 2"}},
    {"rxBuffer", "RX buffer", 20, {"Off", "RAM", "File"}},
    {"demodulator", "Demodulator", 24, {"PLL", "Zero-crossing", "Hilbert"}},
    {"dspFilter", "DSP filter", 28, {"Off", "Broad", "Sharp", "Very sharp"}},
};
const Field kLoopback = {"loopback", "Loopback", 16, {"Off", "Internal", "External"}};

double toPpm(double factor) { return std::round((factor - 1) * 1e7) / 10; }
double toFactor(double ppm) { return 1 + ppm * 1e-6; }

class OptionDialog : public QDialog {
public:
    OptionDialog(QWidget *parent, const QString &title, OptionHost &host);
    ~OptionDialog() override;
    void reject() override;

private:
    QWidget *soundPage();
    QWidget *pttPage();
    QWidget *receivePage();
    QWidget *transmitPage();
    QComboBox *deviceBox(const char *name, bool output, const QString &current, QLineEdit *&file);
    void showStatus(bool afterOk = false);
    EngineOptions chosen() const;
    void accepted();
    void testPtt();
    void pttMethodChanged();

    OptionHost &host_;
    const EngineOptions start_;
    QLabel *status_ = nullptr;
    QComboBox *input_ = nullptr, *output_ = nullptr, *rate_ = nullptr;
    QLineEdit *inputFile_ = nullptr, *outputFile_ = nullptr;
    QDoubleSpinBox *rxClock_ = nullptr, *txClock_ = nullptr;
    QComboBox *ptt_ = nullptr, *pttPort_ = nullptr, *pttSpeed_ = nullptr, *rigModel_ = nullptr;
    QPushButton *pttTest_ = nullptr;
    QLabel *pttResult_ = nullptr;
    bool pttTesting_ = false;
    bool inputChosen_ = false;           // the operator chose the input (maybe the same again)
    bool applied_ = false;               // an OK put options in force
    std::optional<EngineOptions> failed_; // what an OK put in force that did not all open
    QLineEdit *fskId_ = nullptr;
    QCheckBox *rxFlags_[std::size(kRxFlags)] = {};
    QComboBox *rxFields_[std::size(kRxFields)] = {};
    QCheckBox *txFlags_[std::size(kTxFlags)] = {};
    QComboBox *loopback_ = nullptr, *lms_ = nullptr;
};

QComboBox *choiceBox(QWidget *parent, const char *name, const QStringList &choices, int index)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(choices);
    box->setCurrentIndex(std::clamp(index, 0, int(choices.size()) - 1));
    return box;
}

OptionDialog::OptionDialog(QWidget *parent, const QString &title, OptionHost &host)
    : QDialog(parent), host_(host), start_(host.options())
{
    setObjectName("varerorOptionDialog");
    setWindowTitle(title.isEmpty() ? QStringLiteral("Vareror Engine") : title);
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(status_);
    auto *tabs = new QTabWidget(this);
    tabs->addTab(soundPage(), QStringLiteral("Sound"));
    tabs->addTab(pttPage(), QStringLiteral("PTT"));
    tabs->addTab(receivePage(), QStringLiteral("Receive"));
    tabs->addTab(transmitPage(), QStringLiteral("Transmit"));
    layout->addWidget(tabs);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { accepted(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    showStatus();
}

// A PTT test still running when the dialog goes is ended: the transmitter is never left keyed.
OptionDialog::~OptionDialog()
{
    if (pttTesting_)
        host_.endPttTest();
}

QComboBox *OptionDialog::deviceBox(const char *name, bool output, const QString &current, QLineEdit *&file)
{
    auto *box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->addItem(QStringLiteral("System default"), QStringLiteral("default"));
    for (const QString &card : host_.soundCards(output))
        if (card != QLatin1String("default"))
            box->addItem(card, card);
    box->addItem(QStringLiteral("WAV file"), kWav);
    box->addItem(QStringLiteral("Internal loopback"), QStringLiteral("loopback"));
    box->addItem(QStringLiteral("None"), QStringLiteral("none"));
    file = new QLineEdit(this);
    file->setObjectName(QString::fromLatin1(name) + "File");
    file->setPlaceholderText(output ? QStringLiteral("WAV file to write") : QStringLiteral("WAV file to read"));
    int index = box->findData(current.startsWith(kWav) ? kWav : current);
    if (index < 0) {
        // A card chosen earlier and not present now stays chosen, said to be missing.
        box->addItem(current + QStringLiteral(" (not present)"), current);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
    if (current.startsWith(kWav))
        file->setText(current.mid(kWav.size()));
    const auto wavChosen = [box, file] { file->setEnabled(box->currentData().toString() == kWav); };
    connect(box, &QComboBox::currentIndexChanged, this, wavChosen);
    wavChosen();
    return box;
}

QWidget *OptionDialog::soundPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    input_ = deviceBox("input", false, start_.input, inputFile_);
    output_ = deviceBox("output", true, start_.output, outputFile_);
    // A file picked with Browse... makes the WAV file the device.
    const auto fileRow = [this](QComboBox *device, QLineEdit *file, bool output) {
        auto *row = new QHBoxLayout;
        row->addWidget(file, 1);
        auto *browse = new QPushButton(QStringLiteral("Browse..."), this);
        connect(browse, &QPushButton::clicked, this, [this, device, file, output] {
            const QString path = output ? QFileDialog::getSaveFileName(this, QStringLiteral("WAV file to write"),
                                                                       file->text(), QStringLiteral("WAV (*.wav)"))
                                        : QFileDialog::getOpenFileName(this, QStringLiteral("WAV file to read"),
                                                                       file->text(),
                                                                       QStringLiteral("Sound files (*.wav *.flac)"));
            if (path.isEmpty())
                return;
            device->setCurrentIndex(device->findData(kWav));
            file->setText(path);
            inputChosen_ = inputChosen_ || !output;
        });
        row->addWidget(browse);
        return row;
    };
    // A choice of the input, even the one in force, opens it again: a WAV file chosen again
    // plays again from its start.
    connect(input_, &QComboBox::activated, this, [this] { inputChosen_ = true; });
    connect(inputFile_, &QLineEdit::textEdited, this, [this] { inputChosen_ = true; });
    form->addRow(QStringLiteral("Input (receive):"), input_);
    form->addRow(QString(), fileRow(input_, inputFile_, false));
    form->addRow(QStringLiteral("Output (transmit):"), output_);
    form->addRow(QString(), fileRow(output_, outputFile_, true));
    rate_ = new QComboBox(page);
    rate_->setObjectName("rate");
    for (int r : {11025, 44100, 48000})
        rate_->addItem(QStringLiteral("%1 Hz").arg(r), r);
    rate_->setCurrentIndex(std::max(0, rate_->findData(start_.rate)));
    form->addRow(QStringLiteral("Sample rate:"), rate_);

    const auto ppmBox = [page](const char *name, double factor) {
        auto *box = new QDoubleSpinBox(page);
        box->setObjectName(QString::fromLatin1(name));
        box->setRange(-100000, 100000);
        box->setDecimals(1);
        box->setSuffix(QStringLiteral(" ppm"));
        box->setValue(toPpm(factor));
        return box;
    };
    rxClock_ = ppmBox("rxClock", start_.rxClock);
    txClock_ = ppmBox("txClock", start_.txClock);
    auto *rxRow = new QHBoxLayout;
    rxRow->addWidget(rxClock_, 1);
    auto *slant = new QPushButton(QStringLiteral("From the last picture"), page);
    slant->setObjectName("slantButton");
    const std::optional<double> measured = host_.lastSlantPpm();
    if (measured) {
        slant->setToolTip(QStringLiteral("The last picture's slant: %1 ppm").arg(*measured, 0, 'f', 1));
        // The slant is what the calibration in force left uncorrected.
        connect(slant, &QPushButton::clicked, this, [this, m = *measured] {
            rxClock_->setValue(toPpm(toFactor(toPpm(start_.rxClock)) * toFactor(m)));
        });
    } else {
        slant->setEnabled(false);
        slant->setToolTip(QStringLiteral("No picture has been received yet."));
    }
    rxRow->addWidget(slant);
    form->addRow(QStringLiteral("Clock calibration, receive:"), rxRow);
    form->addRow(QStringLiteral("Clock calibration, transmit:"), txClock_);
    return page;
}

QWidget *OptionDialog::pttPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    ptt_ = new QComboBox(page);
    ptt_->setObjectName("ptt");
    const std::pair<const char *, const char *> methods[] = {
        {"none", "None"}, {"rts", "Serial RTS"}, {"dtr", "Serial DTR"}, {"cat", "CAT (rig command)"}};
    for (const auto &[value, caption] : methods)
        ptt_->addItem(QString::fromLatin1(caption), QString::fromLatin1(value));
    ptt_->setCurrentIndex(std::max(0, ptt_->findData(start_.ptt)));
    form->addRow(QStringLiteral("PTT:"), ptt_);

    pttPort_ = new QComboBox(page);
    pttPort_->setObjectName("pttPort");
    pttPort_->setEditable(true);
    const QStringList ports = QDir(QStringLiteral("/dev")).entryList(
        {QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")}, QDir::System | QDir::Files);
    for (const QString &port : ports)
        pttPort_->addItem(QStringLiteral("/dev/") + port);
    pttPort_->setCurrentText(start_.pttPort);
    form->addRow(QStringLiteral("Port:"), pttPort_);

    rigModel_ = new QComboBox(page);
    rigModel_->setObjectName("rigModel");
    for (const RigModel &m : rigModels())
        rigModel_->addItem(QString::fromStdString(m.name) + QStringLiteral(" (%1)").arg(m.number), m.number);
    int rig = rigModel_->findData(start_.rigModel);
    if (rig < 0) {
        rigModel_->addItem(QStringLiteral("Rig model %1").arg(start_.rigModel), start_.rigModel);
        rig = rigModel_->count() - 1;
    }
    rigModel_->setCurrentIndex(rig);
    form->addRow(QStringLiteral("Rig (CAT):"), rigModel_);

    pttSpeed_ = new QComboBox(page);
    pttSpeed_->setObjectName("pttSpeed");
    pttSpeed_->addItem(QStringLiteral("The rig's default"), 0);
    for (int speed : {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200})
        pttSpeed_->addItem(QStringLiteral("%1 baud").arg(speed), speed);
    pttSpeed_->setCurrentIndex(std::max(0, pttSpeed_->findData(start_.pttSpeed)));
    form->addRow(QStringLiteral("Speed (CAT):"), pttSpeed_);

    pttTest_ = new QPushButton(QStringLiteral("Key PTT for one second"), page);
    pttTest_->setObjectName("pttTest");
    connect(pttTest_, &QPushButton::clicked, this, [this] { testPtt(); });
    pttResult_ = new QLabel(page);
    pttResult_->setObjectName("pttResult");
    pttResult_->setWordWrap(true);
    form->addRow(pttTest_, pttResult_);
    connect(ptt_, &QComboBox::currentIndexChanged, this, [this] { pttMethodChanged(); });
    pttMethodChanged();
    return page;
}

void OptionDialog::pttMethodChanged()
{
    const QString method = ptt_->currentData().toString();
    pttPort_->setEnabled(method != QLatin1String("none"));
    rigModel_->setEnabled(method == QLatin1String("cat"));
    pttSpeed_->setEnabled(method == QLatin1String("cat"));
}

QWidget *OptionDialog::receivePage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *flags = new QGroupBox(QStringLiteral("Options"), page);
    auto *grid = new QGridLayout(flags);
    for (size_t i = 0; i < std::size(kRxFlags); ++i) {
        rxFlags_[i] = new QCheckBox(QString::fromLatin1(kRxFlags[i].caption), flags);
        rxFlags_[i]->setObjectName(QString::fromLatin1(kRxFlags[i].name));
        rxFlags_[i]->setChecked(uint32_t(start_.rxWord) & kRxFlags[i].bit);
        grid->addWidget(rxFlags_[i], int(i / 2), int(i % 2));
    }
    layout->addWidget(flags);
    auto *form = new QFormLayout;
    for (size_t i = 0; i < std::size(kRxFields); ++i) {
        const Field &f = kRxFields[i];
        rxFields_[i] = choiceBox(page, f.name, f.choices, int((uint32_t(start_.rxWord) >> f.shift) & 3));
        form->addRow(QString::fromLatin1(f.caption) + ":", rxFields_[i]);
    }
    lms_ = choiceBox(page, "lmsMode", {"Noise smoothing", "Auto-notch (fast)", "Auto-notch (slow)"}, start_.lms);
    form->addRow(QStringLiteral("LMS mode:"), lms_);
    layout->addLayout(form);
    layout->addStretch(1);
    return page;
}

QWidget *OptionDialog::transmitPage()
{
    auto *page = new QWidget;
    auto *form = new QFormLayout(page);
    fskId_ = new QLineEdit(start_.fskId, page);
    fskId_->setObjectName("fskId");
    form->addRow(QStringLiteral("FSK ID text:"), fskId_);
    for (size_t i = 0; i < std::size(kTxFlags); ++i) {
        txFlags_[i] = new QCheckBox(QString::fromLatin1(kTxFlags[i].caption), page);
        txFlags_[i]->setObjectName(QString::fromLatin1(kTxFlags[i].name));
        txFlags_[i]->setChecked(uint32_t(start_.txWord) & kTxFlags[i].bit);
        form->addRow(QString(), txFlags_[i]);
    }
    loopback_ = choiceBox(page, kLoopback.name, kLoopback.choices, int((uint32_t(start_.txWord) >> kLoopback.shift) & 3));
    form->addRow(QString::fromLatin1(kLoopback.caption) + ":", loopback_);
    return page;
}

void OptionDialog::showStatus(bool afterOk)
{
    const bool trouble = host_.deviceTrouble();
    QString text = host_.deviceStatus();
    if (afterOk && trouble)
        text = QStringLiteral("Not everything chosen could be opened; the engine goes on without what failed (below). "
                              "Choose again, press OK again to keep these options as they are, or Cancel to go back "
                              "to the options as they were.\n\n") +
               text;
    status_->setText(text);
    status_->setStyleSheet(trouble ? QStringLiteral("color: #b00000; font-weight: bold") : QString());
}

// The words keep every bit the dialog has no box for.
EngineOptions OptionDialog::chosen() const
{
    EngineOptions o = start_;
    const auto device = [](const QComboBox *box, const QLineEdit *file) {
        const QString value = box->currentData().toString();
        return value == kWav ? kWav + file->text().trimmed() : value;
    };
    o.input = device(input_, inputFile_);
    o.output = device(output_, outputFile_);
    o.rate = rate_->currentData().toInt();
    // An unchanged box keeps the exact factor, not its ppm rounded.
    o.rxClock = rxClock_->value() == toPpm(start_.rxClock) ? start_.rxClock : toFactor(rxClock_->value());
    o.txClock = txClock_->value() == toPpm(start_.txClock) ? start_.txClock : toFactor(txClock_->value());
    o.ptt = ptt_->currentData().toString();
    o.pttPort = pttPort_->currentText().trimmed();
    o.rigModel = rigModel_->currentData().toInt();
    o.pttSpeed = pttSpeed_->currentData().toInt();
    o.fskId = fskId_->text();
    uint32_t rx = uint32_t(start_.rxWord);
    for (size_t i = 0; i < std::size(kRxFlags); ++i)
        rx = rxFlags_[i]->isChecked() ? rx | kRxFlags[i].bit : rx & ~kRxFlags[i].bit;
    for (size_t i = 0; i < std::size(kRxFields); ++i) {
        // A field value no choice stands for (3 in a three-way field) stays as it was.
        const int was = int((uint32_t(start_.rxWord) >> kRxFields[i].shift) & 3);
        if (rxFields_[i]->currentIndex() != std::min(was, rxFields_[i]->count() - 1))
            rx = (rx & ~(3u << kRxFields[i].shift)) | (uint32_t(rxFields_[i]->currentIndex()) << kRxFields[i].shift);
    }
    o.rxWord = int32_t(rx);
    uint32_t tx = uint32_t(start_.txWord);
    for (size_t i = 0; i < std::size(kTxFlags); ++i)
        tx = txFlags_[i]->isChecked() ? tx | kTxFlags[i].bit : tx & ~kTxFlags[i].bit;
    const int wasLoop = int((uint32_t(start_.txWord) >> kLoopback.shift) & 3);
    if (loopback_->currentIndex() != std::min(wasLoop, 2))
        tx = (tx & ~(3u << kLoopback.shift)) | (uint32_t(loopback_->currentIndex()) << kLoopback.shift);
    o.txWord = int32_t(tx);
    o.lms = lms_->currentIndex();
    o.inputAgain = inputChosen_;
    return o;
}

// OK keeps and applies the options; when a device or the PTT port then fails to open, the
// dialog says so and stays open (the engine goes on without it). OK again with nothing
// changed keeps them so: a station without a sound card need not choose "None".
void OptionDialog::accepted()
{
    if (pttTesting_)
        return;
    const EngineOptions o = chosen();
    if (o.input == kWav || o.output == kWav) {
        status_->setText(QStringLiteral("Please name the WAV file."));
        status_->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold"));
        return;
    }
    if (failed_ && *failed_ == o) {
        accept();
        return;
    }
    host_.apply(o);
    applied_ = true;
    inputChosen_ = false;
    failed_.reset();
    if (host_.deviceTrouble()) {
        failed_ = chosen();
        showStatus(true);
        return;
    }
    accept();
}

// Cancel leaves the options as they were when the dialog opened, also after an OK that put
// some in force and stayed open.
void OptionDialog::reject()
{
    if (pttTesting_) {
        pttTesting_ = false;
        host_.endPttTest();
    }
    if (applied_)
        host_.apply(start_);
    QDialog::reject();
}

void OptionDialog::testPtt()
{
    const QString problem = host_.startPttTest(chosen());
    if (!problem.isEmpty()) {
        pttResult_->setText(problem);
        return;
    }
    pttTesting_ = true;
    pttTest_->setEnabled(false);
    pttResult_->setText(QStringLiteral("PTT keyed..."));
    QTimer::singleShot(kPttTestMs, this, [this] {
        pttTesting_ = false;
        pttTest_->setEnabled(true);
        pttResult_->setText(host_.endPttTest());
    });
}

} // namespace

bool showOptionDialog(QWidget *parent, const QString &title, OptionHost &host)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    OptionDialog dialog(parent, title, host);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace vareror::lib
