// The engine's own option dialog through mmsOption, driven as an operator would: values,
// Cancel, failures reported in the dialog, the PTT test, and the clock from the slant.

#include "vareror.h"

#include "encoder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sndfile.h>

#include <functional>
#include <memory>

namespace {

QDialog *openDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<QDialog *>(w); d && d->isVisible() && d->objectName() == "varerorOptionDialog")
            return d;
    return nullptr;
}

// Runs mmsOption with `operate` acting on the dialog once it shows; returns its result. A
// dialog that `operate` left open (a check in it failed) is cancelled.
int32_t withDialog(const std::function<void(QDialog &)> &operate)
{
    QTimer poll;
    bool done = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QDialog *d = openDialog(); d && !done) {
            done = true;
            operate(*d);
            if (d->isVisible())
                d->reject();
        }
    });
    poll.start(10);
    return mmsOption();
}

template <class T>
T *child(QDialog &d, const char *name)
{
    T *w = d.findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no %s in the dialog", name);
    return w;
}

void choose(QDialog &d, const char *name, const QVariant &data)
{
    auto *box = child<QComboBox>(d, name);
    const int i = box->findData(data);
    if (i < 0)
        qFatal("%s has no %s", name, qPrintable(data.toString()));
    box->setCurrentIndex(i);
}

void press(QDialog &d, QDialogButtonBox::StandardButton which)
{
    d.findChild<QDialogButtonBox *>()->button(which)->click();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class OptionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString path(const char *name) const { return dir_->filePath(name); }

    void startEngine(const QByteArray &input = "none")
    {
        QVERIFY(vrrSetOption("input", input.constData()));
        QVERIFY(vrrSetOption("output", ("wav:" + path("out.wav")).toLocal8Bit().constData()));
        QVERIFY(vrrSetOption("rate", "11025"));
        QVERIFY(vrrSetOption("clock", "1"));
        QVERIFY(vrrSetOption("jobms", "200"));
        QVERIFY(vrrSetOption("ptt", "none"));
        QCOMPARE(mmsCreate(nullptr, 0), 1);
        QCOMPARE(mmsStart(), 1);
        QCOMPARE(mmsSetOptionTitle("Engine options VER: 1.05"), 1);
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", dir_->path().toLocal8Bit());
    }
    void cleanup() { mmsDelete(); }

    // Every value set in the dialog is in force after OK and comes back from the file after
    // a restart; a second visit cancelled leaves the file as it was.
    void valuesRoundTrip()
    {
        startEngine();
        const int32_t rxBefore = mmsSetRxControl(0x121100FB | 0x400); // a bit without a box
        QString title;
        const int32_t accepted = withDialog([&](QDialog &d) {
            title = d.windowTitle();
            QCOMPARE(child<QComboBox>(d, "rate")->currentData().toInt(), 11025);
            QCOMPARE(child<QComboBox>(d, "output")->currentData().toString(), QString("wav:"));
            QCOMPARE(child<QLineEdit>(d, "outputFile")->text(), path("out.wav"));
            QVERIFY(child<QCheckBox>(d, "autoClear")->isChecked());
            choose(d, "input", "loopback");
            choose(d, "output", "wav:");
            child<QLineEdit>(d, "outputFile")->setText(path("second.wav"));
            choose(d, "rate", 48000);
            child<QDoubleSpinBox>(d, "rxClock")->setValue(12.5);
            child<QDoubleSpinBox>(d, "txClock")->setValue(-20);
            choose(d, "ptt", "cat");
            choose(d, "rigModel", 1);
            choose(d, "pttSpeed", 9600);
            child<QComboBox>(d, "pttPort")->setCurrentText("");
            child<QLineEdit>(d, "fskId")->setText("DL1ABC");
            child<QCheckBox>(d, "autoClear")->setChecked(false);
            child<QComboBox>(d, "rxBuffer")->setCurrentIndex(2);
            child<QComboBox>(d, "dspFilter")->setCurrentIndex(3);
            child<QComboBox>(d, "lmsMode")->setCurrentIndex(1);
            child<QCheckBox>(d, "cwIdTx")->setChecked(true);
            child<QComboBox>(d, "loopback")->setCurrentIndex(1);
            press(d, QDialogButtonBox::Ok);
        });
        QCOMPARE(accepted, 1);
        QCOMPARE(title, QString("Engine options VER: 1.05"));
        const int32_t rxWanted = int32_t((uint32_t(rxBefore) & ~0x80u & ~0x300000u & ~0x30000000u) | 0x200000u | 0x30000000u);
        const auto inForce = [&] {
            QCOMPARE(mmsSetRxControl(-1), rxWanted);
            QCOMPARE(mmsSetTxControl(-1), 0x10002);
            QCOMPARE(mmsSetLMS(-1), 1);
            QCOMPARE(QByteArray(mmsSetFSKID(nullptr)), QByteArray("DL1ABC"));
            QCOMPARE(QByteArray(vrrGetOption("input")), QByteArray("loopback"));
            QCOMPARE(QString(vrrGetOption("output")), "wav:" + path("second.wav"));
            QCOMPARE(QByteArray(vrrGetOption("rate")), QByteArray("48000"));
            QCOMPARE(std::stod(vrrGetOption("rxclock")), 1 + 12.5e-6);
            QCOMPARE(std::stod(vrrGetOption("txclock")), 1 - 20e-6);
            QCOMPARE(QByteArray(vrrGetOption("ptt")), QByteArray("cat"));
            QCOMPARE(QByteArray(vrrGetOption("pttspeed")), QByteArray("9600"));
        };
        inForce();
        // In force at once: the new output file is being written, the PTT is the rig's.
        QVERIFY(QFile::exists(path("second.wav")));
        QVERIFY(QByteArray(vrrGetOption("pttstatus")).contains("CAT"));

        QCOMPARE(mmsDelete(), 1);
        QCOMPARE(mmsCreate(nullptr, 0), 1);
        inForce();
        const QString ini = vrrGetOption("settingsfile");
        const QByteArray kept = fileBytes(ini);
        const int32_t cancelled = withDialog([&](QDialog &d) {
            QCOMPARE(child<QComboBox>(d, "rate")->currentData().toInt(), 48000);
            QCOMPARE(child<QDoubleSpinBox>(d, "rxClock")->value(), 12.5);
            QCOMPARE(child<QComboBox>(d, "dspFilter")->currentIndex(), 3);
            choose(d, "rate", 11025);
            choose(d, "ptt", "none");
            child<QLineEdit>(d, "fskId")->setText("G4XYZ");
            press(d, QDialogButtonBox::Cancel);
        });
        QCOMPARE(cancelled, 0);
        inForce();
        QCOMPARE(fileBytes(ini), kept);
    }

    // The PTT test keys hamlib's dummy rig for one second and gives the engine its own PTT
    // back; a port that is not there is reported by the test. On OK, an output that cannot
    // be written and that port are reported in the dialog, which stays open; the engine keeps
    // running without them.
    void pttTestAndFailures()
    {
        startEngine();
        QString keyed, released, missingPort, status;
        bool stayedOpen = false;
        const int32_t result = withDialog([&](QDialog &d) {
            auto *test = child<QPushButton>(d, "pttTest");
            auto *said = child<QLabel>(d, "pttResult");
            choose(d, "ptt", "cat");
            choose(d, "rigModel", 1);
            test->click();
            keyed = said->text();
            QTRY_VERIFY_WITH_TIMEOUT(test->isEnabled(), 3000);
            released = said->text();

            choose(d, "ptt", "rts");
            child<QComboBox>(d, "pttPort")->setCurrentText("/dev/nonexistent-port");
            test->click();
            missingPort = said->text();
            choose(d, "output", "wav:");
            child<QLineEdit>(d, "outputFile")->setText("/nonexistent-folder/x.wav");
            press(d, QDialogButtonBox::Ok);
            stayedOpen = d.isVisible();
            status = child<QLabel>(d, "status")->text();
            press(d, QDialogButtonBox::Cancel);
        });
        QCOMPARE(keyed, QString("PTT keyed..."));
        QVERIFY2(released.startsWith("PTT keyed for one second and released"), qPrintable(released));
        QVERIFY2(missingPort.contains("cannot open rts on /dev/nonexistent-port"), qPrintable(missingPort));
        QCOMPARE(result, 0);
        QVERIFY(stayedOpen);
        QVERIFY2(status.contains("cannot write \"/nonexistent-folder/x.wav\""), qPrintable(status));
        QVERIFY2(status.contains("cannot open rts on /dev/nonexistent-port"), qPrintable(status));
        QCOMPARE(mmsSendTone(1500), 1);
        QCOMPARE(mmsDoJob(1) & VRR_STATUS_SENDING, VRR_STATUS_SENDING);
        QCOMPARE(mmsSendStop(), 1);
        QCOMPARE(mmsDoJob(1), VRR_STATUS_ENDED);
    }

    // OK on sound cards that do not open (as "System default" on a station without one)
    // keeps the dialog open and says so; Cancel then leaves every option as it was when the
    // dialog opened. OK again with nothing changed keeps the options as they are.
    void okOnAMissingCard()
    {
        startEngine();
        QVERIFY(vrrSetOption("input", "No Such Card"));
        QVERIFY(vrrSetOption("output", "No Such Card"));
        mmsSetFSKID("DL1ABC");
        const QString ini = vrrGetOption("settingsfile");
        const QByteArray before = fileBytes(ini);
        bool stayedOpen = false;
        QString said;
        const int32_t cancelled = withDialog([&](QDialog &d) {
            child<QLineEdit>(d, "fskId")->setText("G4XYZ");
            choose(d, "rate", 48000);
            press(d, QDialogButtonBox::Ok);
            stayedOpen = d.isVisible();
            said = child<QLabel>(d, "status")->text();
            press(d, QDialogButtonBox::Cancel);
        });
        QCOMPARE(cancelled, 0);
        QVERIFY(stayedOpen);
        QVERIFY2(said.startsWith("Not everything chosen could be opened") && said.contains("running without sound"),
                 qPrintable(said));
        QCOMPARE(QByteArray(mmsSetFSKID(nullptr)), QByteArray("DL1ABC"));
        QCOMPARE(QByteArray(vrrGetOption("rate")), QByteArray("11025"));
        QCOMPARE(fileBytes(ini), before);

        const int32_t kept = withDialog([&](QDialog &d) {
            child<QLineEdit>(d, "fskId")->setText("G4XYZ");
            press(d, QDialogButtonBox::Ok);
            press(d, QDialogButtonBox::Ok);
        });
        QCOMPARE(kept, 1);
        QCOMPARE(QByteArray(mmsSetFSKID(nullptr)), QByteArray("G4XYZ"));
        QCOMPARE(QByteArray(vrrGetOption("input")), QByteArray("No Such Card"));
    }

    // A picture received from a sound card whose clock runs 500 ppm fast: the button takes
    // the measured slant into the receive clock's calibration.
    void receiveClockFromTheSlant()
    {
        vareror::core::TxRequest req;
        req.mode = 9; // Martin 1: syncs on every line
        req.picture = vareror::core::RgbImage(320, 256);
        req.clockFactor = 1.0005;
        std::vector<float> s(11025, 0.0f);
        const std::vector<float> tx = vareror::core::encodeAll(req);
        s.insert(s.end(), tx.begin(), tx.end());
        s.resize(s.size() + 22050, 0.0f);
        SF_INFO info{};
        info.samplerate = 11025;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE *f = sf_open(path("slant.wav").toLocal8Bit().constData(), SFM_WRITE, &info);
        QVERIFY(f);
        sf_writef_float(f, s.data(), sf_count_t(s.size()));
        sf_close(f);

        startEngine("none");
        bool enabledBefore = true;
        withDialog([&](QDialog &d) {
            enabledBefore = child<QPushButton>(d, "slantButton")->isEnabled();
            press(d, QDialogButtonBox::Cancel);
        });
        QVERIFY(!enabledBefore); // nothing received yet
        QVERIFY(vrrSetOption("input", ("wav:" + path("slant.wav")).toLocal8Bit().constData()));
        int jobs = 0;
        while (jobs++ < 1000 && mmsDoJob(1) != VRR_STATUS_ENDED) {
        }
        QVERIFY(jobs < 1000);
        double taken = 0;
        withDialog([&](QDialog &d) {
            child<QPushButton>(d, "slantButton")->click();
            taken = child<QDoubleSpinBox>(d, "rxClock")->value();
            press(d, QDialogButtonBox::Ok);
        });
        QVERIFY2(std::abs(taken - 500) < 30, qPrintable(QString::number(taken)));
        QCOMPARE(std::stod(vrrGetOption("rxclock")), 1 + taken * 1e-6);
        QCOMPARE(std::stod(vrrGetOption("txclock")), 1.0);
    }
};

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
