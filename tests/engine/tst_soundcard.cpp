// The sound-card path in real time through a private PulseAudio server's null sink: a picture
// sent comes back decoded with PTT keyed around it; the server going away while sending or
// receiving releases PTT, keeps what was received and is told; the option dialog's OK brings
// the sound back. Skipped, saying why, only where no server can start.
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "FormFixture.h"
#include "PrivateSoundServer.h"
#include "CardRequest.h"
#include "engine/EngineControl.h"
#include "platform/drawing/Colors.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"
#include "shell/Shell.h"

#include "encoder.h"

#include <sndfile.h>

#include <cmath>
#include <csignal>
#include <functional>

using testsupport::FormFixture;
using testsupport::PrivateSoundServer;
using testsupport::Sink;
using testsupport::testCard;

namespace {

constexpr int BW8 = 1, BW12 = 2, Robot36 = 3;
constexpr uint32_t Red = 255, Idle = 0x8080, Green = 0xFF00;
constexpr int32_t ExternalLoopback = 0x20000;
PrivateSoundServer* server = nullptr;

// PSNR of the brightness of two pictures over their top `share` of rows, the second scaled
// to the first.
double greyPsnr(const QImage& got, const QImage& want, double share = 1.0)
{
    const QImage a = got.convertToFormat(QImage::Format_RGB32);
    const QImage b = want.scaled(a.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    long n = 0;
    for (int y = 0; y < int(a.height() * share); ++y)
        for (int x = 0; x < a.width(); ++x, ++n) {
            const double d = qGray(a.pixel(x, y)) - qGray(b.pixel(x, y));
            sum += d * d;
        }
    return 10 * std::log10(255.0 * 255.0 / std::max(sum / double(std::max(n, 1L)), 1e-9));
}

// The transmission of the test card in a mode, at 48000 Hz after half a second of silence.
QString transmissionWav(const QString& folder, int mode)
{
    vareror::core::TxRequest request = cardRequest(mode);
    request.sampleRate = 48000;
    std::vector<float> samples(24000, 0.0f);
    const std::vector<float> tx = vareror::core::encodeAll(request);
    samples.insert(samples.end(), tx.begin(), tx.end());
    const QString path = folder + "/picture.wav";
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!f)
        return {};
    sf_writef_float(f, samples.data(), sf_count_t(samples.size()));
    sf_close(f);
    return path;
}

// A started window with the real engine on the "pulse" device both ways at 48000 Hz, PTT on
// hamlib's dummy rig, polled by its own timer in real time.
struct CardStation {
    FormFixture f{false};

    CardStation()
    {
        f.build();
        QString why;
        platform::Engine real = platform::Engine::load(REAL_ENGINE_PATH, &why);
        if (!real.present())
            qFatal("no engine: %s", qPrintable(why));
        for (const auto& [name, value] : {std::pair<const char*, const char*>{"input", "pulse"}, {"output", "pulse"},
                                          {"rate", "48000"}, {"clock", "1"}, {"ptt", "cat"}, {"rigmodel", "1"}})
            if (!real.vrrSetOption(name, value))
                qFatal("option %s refused", name);
        real.vrrSetOutputGain(0xFFFFFFFF);
        engine().setEngine(std::move(real));
        if (form().shell().Form_Load() != shell::Shell::LoadResult::Running)
            qFatal("the start-up ended");
        form().Picture1->setPicture(testCard());
        form().Check1->setValue(0); // no tab switching in the middle of a check
    }
    ~CardStation()
    {
        if (!engine().binding().deleted())
            engine().Form_QueryUnload();
    }
    shell::FormMain& form() const { return f.form(); }
    engine::EngineControl& engine() const { return f.form().engine(); }
    QByteArray option(const char* name) { return QByteArray(engine().binding().vrrGetOption(name)); }
    // The engine's option dialog, operated by `operate` once it shows.
    void optionDialog(const std::function<void(QDialog&)>& operate)
    {
        QTimer poll;
        bool done = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QDialog*>(w); d && !done && d->isVisible() &&
                                                           d->objectName() == "varerorOptionDialog") {
                    done = true;
                    operate(*d);
                    if (d->isVisible())
                        d->reject();
                }
        });
        poll.start(20);
        engine().binding().mmsOption();
    }
    // The tuning display as the window shows it: its level bar lit a third of the way in.
    bool tuningShowsLevel() const
    {
        const QRgb p = form().Picture15->screenImage().pixel(70, 5);
        return qGreen(p) > 150 && qBlue(p) < 100;
    }
    // The tuning display as the window shows it: red in its bottom line when a device failed.
    bool tuningSaysTrouble() const
    {
        const QImage shown = form().Picture15->screenImage();
        for (int x = 0; x < shown.width(); ++x) {
            const QRgb p = shown.pixel(x, shown.height() - 3);
            if (qRed(p) > 140 && qGreen(p) < 40)
                return true;
        }
        return false;
    }
};

} // namespace

class TestSoundCard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        server = new PrivateSoundServer;
        QString why;
        if (!server->start(why))
            QSKIP(qPrintable("No PulseAudio server can start here, so the sound-card path is not tested: " + why));
    }

    void cleanupTestCase()
    {
        delete server;
        server = nullptr;
    }

    // B/W 8 goes out to the null sink and comes back from its monitor (the receiver listening
    // while sending), PTT keyed from the first sample to the last; the dialog lists the device.
    void pictureThroughTheSoundServer()
    {
        CardStation s;
        shell::FormMain& form = s.form();
        QVERIFY2(s.option("soundstatus") == "Output: sound card pulse; Input: sound card pulse", s.option("soundstatus").constData());
        QStringList inputs, outputs;
        s.optionDialog([&](QDialog& d) {
            for (const char* name : {"input", "output"}) {
                auto* box = d.findChild<QComboBox*>(name);
                for (int i = 0; box && i < box->count(); ++i)
                    (name[0] == 'i' ? inputs : outputs) << box->itemData(i).toString();
            }
        });
        QVERIFY2(inputs.contains("pulse") && outputs.contains("pulse"), qPrintable(inputs.join(',')));

        s.engine().binding().mmsSetTxControl(ExternalLoopback);
        form.Combo2->setListIndex(BW8);
        form.Command3->click();
        QTRY_COMPARE_WITH_TIMEOUT(platform::backColor(form.Command3), Red, 3000);
        QCOMPARE(s.option("pttkeyed"), QByteArray("1"));
        QTRY_COMPARE_WITH_TIMEOUT(platform::backColor(form.Command3), Idle, 20000);
        QCOMPARE(s.option("pttkeyed"), QByteArray("0"));
        const QStringList log = QString(s.option("pttlog")).split(',');
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0], QString("on@0"));
        QVERIFY2(log[1].mid(4).toLong() > 48000 * 8, qPrintable(log[1])); // all of the picture played

        // Back through the monitor: every line, the picture recognisable (about 25 dB on an idle
        // machine, 15 with every test running beside it; a black picture scores 6).
        QTRY_VERIFY_WITH_TIMEOUT(s.engine().binding().mmsGetPos(0) >= 230, 5000);
        QTest::qWait(400);
        const double quality = greyPsnr(form.Picture18->screenImage(), testCard());
        QVERIFY2(quality > 12, qPrintable(QString::number(quality)));
    }

    void serverGoesAway()
    {
        CardStation s;
        shell::FormMain& form = s.form();
        engine::EngineControl& e = s.engine();

        // While sending: the PTT let go at once, the TX button idle, the program told.
        form.Combo2->setListIndex(Robot36);
        form.Command3->click();
        QTRY_COMPARE_WITH_TIMEOUT(platform::backColor(form.Command3), Red, 3000);
        QTest::qWait(1500);
        server->stop();
        QTRY_COMPARE_WITH_TIMEOUT(s.option("pttkeyed"), QByteArray("0"), 1500);
        QTRY_COMPARE_WITH_TIMEOUT(platform::backColor(form.Command3), Idle, 1000);
        QVERIFY2(s.option("soundstatus").contains("went away"), s.option("soundstatus").constData());
        QTRY_VERIFY_WITH_TIMEOUT(s.tuningSaysTrouble(), 1000);
        QTest::qWait(600); // the program goes on ticking without sound
        QVERIFY(form.isVisible());

        // Back: the dialog's OK opens the devices again.
        QString why;
        QVERIFY2(server->start(why), qPrintable(why));
        s.optionDialog([](QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); });
        QVERIFY2(!s.option("soundstatus").contains("went away") && s.option("soundstatus").contains("Input: sound card"),
                 s.option("soundstatus").constData());
        QTRY_VERIFY_WITH_TIMEOUT(!s.tuningSaysTrouble(), 1000);

        // While receiving: B/W 12 played into the sink; the server goes when most of it is in.
        const QString wav = transmissionWav(server->dataHome(), BW12);
        QVERIFY(!wav.isEmpty());
        server->play(wav);
        QVERIFY(server->playerStarted());
        QTRY_COMPARE_WITH_TIMEOUT(platform::backColor(form.Command1), Green, 6000);
        QCOMPARE(e.rxModeNumber(), BW12);
        QTRY_VERIFY_WITH_TIMEOUT(e.binding().mmsGetPos(0) >= 170, 15000);
        server->stop();
        server->endPlayer();
        // The picture ends with what arrived, and the window keeps it in the recent row.
        QTRY_COMPARE_WITH_TIMEOUT(platform::backColor(form.Command1), Idle, 2000);
        QVERIFY2(s.option("soundstatus").contains("went away"), s.option("soundstatus").constData());
        const QImage kept = form.Image12->Picture();
        QVERIFY(!kept.isNull());
        const double quality = greyPsnr(kept, testCard(), 0.6);
        QVERIFY2(quality > 12, qPrintable(QString::number(quality)));

        // And the sound works again once the server is back: a tone goes out and is heard.
        QVERIFY2(server->start(why), qPrintable(why));
        s.optionDialog([](QDialog& d) { d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); });
        e.binding().mmsSetTxControl(ExternalLoopback);
        QTest::mousePress(form.Command48, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(s.option("pttkeyed"), QByteArray("1"), 1000);
        QTRY_VERIFY_WITH_TIMEOUT(s.tuningShowsLevel(), 4000);
        QTest::mouseRelease(form.Command48, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(s.option("pttkeyed"), QByteArray("0"), 3000);
        QVERIFY(!s.option("soundstatus").contains("went away"));
    }
};

QTEST_MAIN(TestSoundCard)
#include "tst_soundcard.moc"
