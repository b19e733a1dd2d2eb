// The transmit sequence and the reception buttons through the real engine on its loopback
// and virtual clock: picture, PTT, the spoken announcement, Force RX and the tone.
#include <QDir>
#include <QtTest>

#include "LiveStation.h"
#include "CardRequest.h"
#include "engine/EngineControl.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Clock.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "shell/FormSetup.h"
#include "shell/Shell.h"

#include "encoder.h"

#include <sndfile.h>

#include <cmath>
#include <vector>

using testsupport::psnr;
using testsupport::testCard;

namespace {

constexpr int Robot36 = 3;
constexpr int Martin2 = 10;
constexpr uint32_t Idle = 0x8080;

QStringList files(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files);
}

std::vector<float> readWav(const QString& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<float> samples(size_t(info.frames) * size_t(info.channels));
    sf_readf_float(f, samples.data(), info.frames);
    sf_close(f);
    return samples;
}

// Where a steady tone of about hz first holds for 200 ms (10 ms windows by their zero
// crossings); -1 when it never does.
long steadyToneStart(const std::vector<float>& s, double hz, int rate = 11025)
{
    const size_t window = size_t(rate / 100);
    int run = 0;
    for (size_t start = 0; start + window <= s.size(); start += window) {
        int crossings = 0;
        for (size_t i = start + 1; i < start + window; ++i)
            crossings += (s[i - 1] < 0) != (s[i] < 0);
        const double f = crossings * rate / 2.0 / double(window);
        run = std::abs(f - hz) < 60 ? run + 1 : 0;
        if (run == 20)
            return long(start - 19 * window);
    }
    return -1;
}

double rms(const std::vector<float>& s, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(s[i]) * s[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// The test card sent in a mode: the whole signal, and where its picture starts (samples).
std::vector<float> encoded(int mode, size_t* pictureStart = nullptr)
{
    vareror::core::TxRequest request = cardRequest(mode);
    vareror::core::Encoder encoder(request);
    std::vector<float> signal(encoder.totalSamples());
    encoder.generate(signal.data(), signal.size());
    if (pictureStart)
        *pictureStart = size_t(encoder.pictureStartMs() * 11.025);
    return signal;
}

// The live station with the test card on the TX screen, Robot 36 and a call sign.
struct Station : testsupport::LiveStation {
    Station()
    {
        form().Picture1->setPicture(testCard());
        form().Combo2->setListIndex(Robot36);
        form().qso().setStationCall(QStringLiteral("DL1ABC"));
    }
    QStringList archived() { return QDir(fixture().appPath("TXImages")).entryList(QDir::Files); }
};

} // namespace

class TestTransmit : public QObject {
    Q_OBJECT
private slots:
    void pictureGoesOutAndComesBack()
    {
        Station s;
        shell::FormMain& form = s.form();
        // Something drawn over the committed picture and not set yet is not sent.
        form.Picture1->setAutoRedraw(true);
        form.Picture1->Line(0, 0, 639, 255, 0xFFFFFF, platform::PictureBox::LineKind::FilledBox);
        form.Picture1->setAutoRedraw(false);

        form.Command3->click();
        QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command3) == 255; }, 1000));
        QCOMPARE(s.option("pttkeyed"), QByteArray("1"));
        QCOMPARE(form.SSTab1->currentIndex(), 1);
        QVERIFY(s.advanceUntil([&] { return !s.archived().isEmpty(); }, 60000));
        QCOMPARE(platform::backColor(form.Command3), Idle);
        QCOMPARE(s.option("pttkeyed"), QByteArray("0"));
        // The loopback brings it back: received in the mode sent, drawn on the RX tab.
        QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command1) == Idle
                                            && s.engine().rxModeNumber() == Robot36; }, 10000));
        QCOMPARE(form.Label37->caption(), QString("Robot 36"));
        s.clock.advance(400);
        const QImage received = form.Picture18->screenImage();
        const double quality = psnr(received, testCard());
        QVERIFY2(quality > 20, qPrintable(QString::number(quality)));

        const QString pttLog = s.option("pttlog");
        s.engine().Form_QueryUnload();
        const std::vector<float> sent = readWav(s.wav());
        QCOMPARE(pttLog, QString("on@0,off@%1").arg(sent.size()));
        const long leader = steadyToneStart(sent, 1900);
        QVERIFY2(leader >= 0 && leader < 1100, qPrintable(QString::number(leader))); // the VIS comes first
    }

    // A PTT that does not key the transmitter (its port is not there) is told in the
    // window once per transmission, naming the port and the reason; the picture still goes
    // out (a VOX may key the transmitter).
    void pttThatFailsIsToldEachTransmission()
    {
        Station s;
        platform::Engine& engine = s.engine().binding();
        QVERIFY(engine.vrrSetOption("ptt", "rts"));
        QVERIFY(engine.vrrSetOption("pttport", "/nonexistent/ttyUSB9"));
        for (int sent = 1; sent <= 2; ++sent) {
            s.fixture().ui().answerMsgBox(platform::vbOK);
            s.form().Command3->click();
            QVERIFY(s.advanceUntil([&] { return s.archived().size() == sent; }, 60000));
            s.clock.advance(1000);
            QCoreApplication::processEvents();
            QCOMPARE(s.fixture().ui().calls().size(), sent);
            QCOMPARE(s.fixture().ui().calls().last().text,
                     QString("The engine: Sending without PTT: cannot open rts on /nonexistent/ttyUSB9 (No such file or "
                             "directory)."));
        }
    }

    void announcementPrecedesThePicture()
    {
        Station s;
        shell::FormMain& form = s.form();
        // The call spelled out; the modes the synthesiser would garble by their spoken names.
        QCOMPARE(s.engine().announcementText(5), QString(" This is D  L  1  A  B  C   A V T 90"));
        QCOMPARE(s.engine().announcementText(1), QString(" This is D  L  1  A  B  C   Black and White 8 seconds"));
        form.formSetup().Check27->setValue(1);
        s.engine().setLocalTime([] { return QDateTime(QDate(2003, 2, 28), QTime(12, 0, 0, 300)); });
        s.engine().binding().vrrSetOutputGain(0x40004000);
        QByteArray keyedInFirstWait, gainWhileSpeaking;
        uint32_t colourInWait = 0;
        s.clock.after(300, [&] {
            keyedInFirstWait = s.option("pttkeyed");
            colourInWait = platform::backColor(form.Command3);
        });
        s.clock.after(2500, [&] { gainWhileSpeaking = QByteArray::number(s.engine().binding().vrrGetOutputGain(), 16); });
        const qint64 pressed = s.clock.now();
        form.Command3->click(); // returns after the announcement, with the picture on its way
        // First wait 0.7 s, second 3.7 s: both end on a whole second of the time of day.
        QCOMPARE(s.clock.now() - pressed, 700 + 3700);
        QCOMPARE(keyedInFirstWait, QByteArray("1"));
        QCOMPARE(colourInWait, 200u);
        QCOMPARE(gainWhileSpeaking, QByteArray("ffffffff"));
        QCOMPARE(s.engine().binding().vrrGetOutputGain(), 0x40004000u); // the volume found before it
        QVERIFY(s.advanceUntil([&] { return !s.archived().isEmpty(); }, 60000));
        QString pttLog = s.option("pttlog");
        s.engine().Form_QueryUnload();

        const std::vector<float> sent = readWav(s.wav());
        // Keyed before the first sample (the announcement's), released after the last.
        QCOMPARE(pttLog, QString("on@0,off@%1").arg(sent.size()));
        const long leader = steadyToneStart(sent, 1900);
        QVERIFY2(leader > 11025, qPrintable(QString::number(leader)));
        QVERIFY(rms(sent, 0, size_t(leader)) > 0.02); // speech, at full volume
    }

    void abortWhileSpeakingReleasesThePtt()
    {
        Station s;
        shell::FormMain& form = s.form();
        form.formSetup().Check27->setValue(1);
        s.form().qso().setStationCall(QString());
        QCOMPARE(s.engine().announcementText(Robot36), QString(" This is  Robot 36"));
        // Just before midnight: the waits end all the same.
        s.engine().setLocalTime([] { return QDateTime(QDate(2003, 2, 28), QTime(23, 59, 59, 800)); });
        s.engine().binding().vrrSetOutputGain(0x20002000);
        // The RX button in the second wait, while the call is being spoken.
        s.clock.after(1500, [&] { platform::setBackColor(form.Command3, Idle); });
        form.Command3->click();
        QCOMPARE(s.option("pttkeyed"), QByteArray("0"));
        QCOMPARE(s.engine().binding().vrrGetOutputGain(), 0x20002000u);
        QCOMPARE(platform::backColor(form.Command3), Idle);
        s.clock.advance(10000);
        QVERIFY(s.archived().isEmpty());
        const QString pttLog = s.option("pttlog");
        s.engine().Form_QueryUnload();
        const std::vector<float> sent = readWav(s.wav());
        QVERIFY(!sent.empty() && sent.size() < size_t(11025 * 2)); // part of the speech, no picture
        QCOMPARE(pttLog, QString("on@0,off@%1").arg(sent.size()));
    }

    // A picture without its VIS header is only received because Force RX started the
    // reception in the TX mode.
    void forceRxReceivesInTheTxMode()
    {
        Station s;
        shell::FormMain& form = s.form();
        form.Combo2->setListIndex(Martin2);
        size_t picture = 0;
        std::vector<float> signal = encoded(Martin2, &picture);
        signal.erase(signal.begin(), signal.begin() + long(picture));

        form.SSTab1->setCurrentIndex(1);
        form.Command7->click();
        QCOMPARE(platform::backColor(form.Command7), 0xFF00u);
        QCOMPARE(form.SSTab1->currentIndex(), 0);
        QVERIFY(s.engine().binding().vrrPlaySamples(signal.data(), int32_t(signal.size()), 11025));
        s.clock.advance(200);
        QCOMPARE(platform::backColor(form.Command1), 0xFF00u);
        QCOMPARE(form.Label37->caption(), QString("Martin 2"));
        QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command1) == Idle; }, 90000));
        QCOMPARE(platform::backColor(form.Command7), Idle);
        const double quality = psnr(form.Picture19->Image(), testCard());
        QVERIFY2(quality > 20, qPrintable(QString::number(quality)));
    }

    // A received picture is kept by the lines whose signal came: a Robot 36 sender that stops
    // after 75 % of the picture ends with those lines, and the picture is kept and saved with
    // its rows that never came black. Force RX in a mode the signal does not fit (Robot 36
    // forced as Martin 2) ends with no lines and keeps nothing.
    void receivedPicturesKeptByTheLinesThatCame()
    {
        Station s;
        shell::FormMain& form = s.form();
        form.Check8->setValue(1);
        s.engine().setAutoSaveLimit(100);
        const QString saved = s.engine().autoSaveDir();
        size_t picture = 0;
        const std::vector<float> robot = encoded(Robot36, &picture);
        const double line = 0.150 * 11025;
        // Plays the signal and waits for the picture it starts to end.
        auto receive = [&](const std::vector<float>& signal) {
            QVERIFY(s.engine().binding().vrrPlaySamples(signal.data(), int32_t(signal.size()), 11025));
            QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command1) == 0xFF00u; }, 5000));
            QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command1) == Idle; }, 90000));
            s.clock.advance(1000);
        };

        // (180 lines whole: a line is 1653.75 samples, and the last line cut 12 ms short is not one)
        receive(std::vector<float>(robot.begin(), robot.begin() + long(picture) + std::lround(180 * line)));
        QCOMPARE(s.engine().binding().mmsGetPos(0), 180);
        QCOMPARE(files(saved).size(), 1);
        // 180 of 240 rows in 512: the top 384 rows of the full copy are the card's, the rest black
        const QImage kept = form.Image12->Picture().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(kept.size(), QSize(640, 512));
        const double top = psnr(kept.copy(0, 0, 640, 376), testCard().copy(0, 0, 640, 376));
        QVERIFY2(top > 20, qPrintable(QString::number(top)));
        int lit = 0;
        for (int y = 392; y < 512; ++y)
            for (int x = 0; x < 640; ++x)
                lit += qGray(kept.pixel(x, y)) > 8;
        QCOMPARE(lit, 0);

        form.Combo2->setListIndex(Martin2);
        form.Command7->click();
        receive(std::vector<float>(robot.begin() + long(picture), robot.end()));
        QCOMPARE(s.engine().binding().mmsGetPos(0), 0);
        QCOMPARE(files(saved).size(), 1);
    }

    // The tone goes out from the press of the left button to its release, keyed, at the
    // frequency of the button's caption, and its end puts nothing into the sent pictures.
    void toneSoundsWhileHeld()
    {
        Station s;
        shell::FormMain& form = s.form();
        s.engine().setToneFrequency(1234.5);
        QTest::mousePress(form.Command48, Qt::LeftButton);
        QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command3) == 255; }, 1000));
        QCOMPARE(s.option("pttkeyed"), QByteArray("1"));
        s.clock.advance(1000);
        QTest::mouseRelease(form.Command48, Qt::LeftButton);
        QVERIFY(s.advanceUntil([&] { return platform::backColor(form.Command3) == Idle; }, 1000));
        QCOMPARE(s.option("pttkeyed"), QByteArray("0"));
        QVERIFY(!s.engine().tuneToneEnding());
        s.clock.advance(1000);
        QVERIFY(s.archived().isEmpty());
        s.engine().Form_QueryUnload();
        const std::vector<float> sent = readWav(s.wav());
        QVERIFY2(sent.size() >= size_t(11025 * 1.2), qPrintable(QString::number(sent.size())));
        QCOMPARE(steadyToneStart(sent, 1234), 0L);
        QVERIFY2(rms(sent, 0, sent.size()) > 0.3, qPrintable(QString::number(rms(sent, 0, sent.size()))));
    }
};

QTEST_MAIN(TestTransmit)
#include "tst_transmit.moc"
