// The player over clips made at test time, sound into a private server's null sink.
// With TOVARO_SHOT_DIR set, the TX screen playing the clip is saved there.
#include "FormFixture.h"
#include "MediaTestMain.h"
#include "PrivateSoundServer.h"
#include "intake/Intake.h"
#include "media/FrmMain.h"
#include "media/FrmSelectFile.h"
#include "media/Media.h"
#include "media/MediaCommands.h"
#include "media/MediaDevice.h"
#include "media/ModuleMultimedia.h"
#include "platform/runtime/Clock.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "platform/widgets/PictureBox.h"
#include "platform/widgets/Slider.h"
#include "platform/widgets/WindowHandles.h"
#include "shell/FormMain.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <memory>

using testsupport::FormFixture;
using testsupport::PrivateSoundServer;
using media::MediaCommands;
using media::ModuleMultimedia;

namespace {

const QString NoErrors = QStringLiteral(" Error Report   : No Errors");

// The commands received since the last clear, without the blanks that pad them.
QStringList sent(const MediaCommands& mci)
{
    QStringList list;
    for (const QString& c : mci.received())
        list << c.trimmed();
    return list;
}

bool run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        qWarning() << program << args << p.readAll();
        return false;
    }
    return true;
}

// The loudness of the loudest tenth of a second of a 16-bit WAV file (root mean square of
// its samples, 0..1), so a late start or a short gap on a loaded machine does not hide it.
double wavRms(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray data = f.readAll();
    const int start = int(data.indexOf("data")) + 8;
    if (start < 8)
        return 0;
    constexpr int Window = 4800;
    double sum = 0, loudest = 0;
    int n = 0;
    for (int i = start; i + 1 < data.size(); i += 2) {
        const double s = qFromLittleEndian<qint16>(data.constData() + i) / 32768.0;
        sum += s * s;
        if (++n == Window) {
            loudest = std::max(loudest, std::sqrt(sum / Window));
            sum = 0;
            n = 0;
        }
    }
    return loudest;
}

} // namespace

class TestPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The sound server goes first: the media devices list the outputs once, at first use.
        sound_ = std::make_unique<PrivateSoundServer>();
        soundUp_ = sound_->start(soundWhy_);
        clips_ = std::make_unique<QTemporaryDir>();
        QVERIFY(clips_->isValid());
        const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
        QVERIFY2(!ffmpeg.isEmpty(), "ffmpeg is not installed (scripts/setup installs it)");
        QVERIFY(run(ffmpeg, {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=320x240:r=25:d=4", "-f", "lavfi",
                             "-i", "sine=frequency=1000:duration=4", "-c:v", "mpeg1video", "-c:a", "mp2", "-shortest",
                             clip("clip.mpg")}));
        QVERIFY(run(ffmpeg, {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=s=320x240:r=25:d=4", "-c:v",
                             "mjpeg", clip("clip.avi")}));
        QVERIFY(run(QStandardPaths::findExecutable(QStringLiteral("sox")), {"-n", clip("tone.wav"), "synth", "3", "sine", "1000"}));
        // A WAV file of no samples.
        QFile empty(clip("empty.wav"));
        QVERIFY(empty.open(QIODevice::WriteOnly));
        QByteArray header("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x80\xbb\0\0\0\x77\x01\0\x02\0\x10\0data\0\0\0\0", 44);
        empty.write(header);
        empty.close();
        // A DVD file is an MPEG stream under another ending.
        QVERIFY(QFile::copy(clip("clip.mpg"), clip("clip.VOB")));
    }

    void cleanupTestCase()
    {
        sound_.reset();
    }

    // The command layer's texts and numbers, over the real device and a parent window.
    void commandLayer()
    {
        MediaCommands mci;
        ModuleMultimedia mm(mci);
        QWidget parent;
        parent.resize(640, 512);
        const int handle = platform::hWnd(&parent);

        QCOMPARE(mm.MciOpenDevice(handle, "movie0", clip("clip.mpg"), "MPEGVideo"), QString("No Errors"));
        // Opened again without a close: the alias is in use, said in the interpreter's words.
        QCOMPARE(mm.MciOpenDevice(handle, "movie0", clip("clip.mpg"), "MPEGVideo"),
                 MediaCommands::errorText(media::mediaAliasInUse));
        QCOMPARE(mm.MciOpenDevice(handle, "movie1", clip("gone.mpg"), "MPEGVideo"),
                 MediaCommands::errorText(media::mediaFileNotFound));

        QCOMPARE(mm.MciGetTotalFrames("movie0"), 100);
        QCOMPARE(mm.MciGetFramesPerSecond("movie0"), 25);
        QVERIFY(std::abs(mm.MciGetTotalMs("movie0") - 4000) <= 40);
        QCOMPARE(mm.MciGetVideoSize("movie0", "CX"), 320);
        QCOMPARE(mm.MciGetVideoSize("movie0", "cy"), 240);
        QCOMPARE(mm.MciGetVolume("movie0", "all"), 100);

        // Play with no range: the length first, then the whole clip.
        mci.clearReceived();
        QCOMPARE(mm.MciPlay("movie0", "", ""), QString("No Errors"));
        QCOMPARE(sent(mci), QStringList({"set movie0 time format frames", "status movie0 length", "play movie0 from 0 to 100"}));
        QCOMPARE(mm.MciGetMode("movie0"), QString("playing"));
        // A length that cannot be had is sent as -1, and the play fails.
        QVERIFY(mm.MciPlay("movie7", "", "") != QLatin1String("No Errors"));
        QVERIFY(!sent(mci).isEmpty());
        QCOMPARE(sent(mci).back(), QString("play movie7 from 0 to -1"));
        QCOMPARE(mm.MciGetMode("movie7"), QString("ERROR"));
        // A command longer than its field is cut at it.
        mm.MciPlay("movie0", QString(200, '1'), "5");
        QCOMPARE(mci.received().back().size(), 128);

        // Volumes: the whole device in tenths of a percent, a side alone refused, out of range
        // not sent at all.
        mci.clearReceived();
        QCOMPARE(mm.MciSetVolume("movie0", "all", 100), QString("No Errors"));
        QCOMPARE(mm.MciSetVolume("movie0", "Left", 50), MediaCommands::errorText(media::mediaNoBalance));
        QCOMPARE(mm.MciSetVolume("movie0", "left", 101), QString("out of volume"));
        QCOMPARE(sent(mci), QStringList({"setaudio movie0 Volume to 1000", "setaudio movie0 Left Volume to 500"}));
        QCOMPARE(mm.MciGetVolume("movie0", "right"), -1);
        QCOMPARE(mm.MciSetChannelAudio("movie0", "left", "off"), MediaCommands::errorText(media::mediaNoBalance));
        QCOMPARE(mm.MciSetChannelAudio("movie0", "all", "off"), QString("No Errors"));
        QVERIFY(!mci.device("movie0")->soundOn());

        // Sizes: an unknown field sends nothing; a reply short of fields gives -1.
        mci.clearReceived();
        QCOMPARE(mm.MciGetVideoSize("movie0", "w"), -1);
        QVERIFY(mci.received().empty());
        QCOMPARE(ModuleMultimedia::videoSizeField("0 0 320", "cy"), -1);
        QCOMPARE(ModuleMultimedia::videoSizeField("0 0 320 240", "cy"), 240);

        // Placement: a height of 0 takes the parent's size and gives it back; non-zero sizes go
        // as they are, also at left and top 0.
        int left = 0, top = 0, width = 200, height = 0;
        QCOMPARE(mm.MciPutWindow(handle, "movie0", left, top, width, height), QString("No Errors"));
        QCOMPARE(width, 640);
        QCOMPARE(height, 512);
        QCOMPARE(mci.device("movie0")->window()->geometry(), QRect(0, 0, 640, 512));
        QCOMPARE(mci.device("movie0")->window()->parentWidget(), &parent);
        left = 10, top = 20, width = 160, height = 120;
        mm.MciPutWindow(handle, "movie0", left, top, width, height);
        QCOMPARE(mm.MciGetVideoSize("movie0", "cx"), 160);
        QCOMPARE(mci.device("movie0")->window()->geometry(), QRect(10, 20, 160, 120));

        // The end test on a device that is not there.
        int to = 0;
        QVERIFY(!mm.MciAtEnd("movie7", to));
        QCOMPARE(to, -1);
        QCOMPARE(mm.MciClose("movie0"), QString("No Errors"));
        QCOMPARE(mm.MciClose("movie0"), MediaCommands::errorText(media::mediaNoSuchDevice));
        // A clip of no length: no frame rate (-1, not a failure), and no progress to divide.
        QCOMPARE(mm.MciOpenDevice(handle, "movie2", clip("empty.wav"), "MPEGVideo"), QString("No Errors"));
        QCOMPARE(mm.MciGetTotalMs("movie2"), 0);
        QCOMPARE(mm.MciGetFramesPerSecond("movie2"), -1);
        QCOMPARE(mm.MciGetProgressPercent("movie2"), 0);
        QCOMPARE(mm.MciGetProgressPercent("movie0"), -1);

        // A path of 300 characters opens and plays like any other. It is built from a short
        // base: the clips' own folder may already be longer than that.
        QTemporaryDir base(QStringLiteral("/tmp/mm-XXXXXX"));
        QVERIFY(base.isValid());
        QString deep = base.path();
        const QString name = QStringLiteral("/clip.mpg");
        while (deep.size() + name.size() < 300)
            deep += QLatin1Char('/') + QString(std::min<qsizetype>(100, 299 - deep.size() - name.size()), u'd');
        QVERIFY(QDir().mkpath(deep));
        QVERIFY(QFile::copy(clip("clip.mpg"), deep + name));
        QCOMPARE((deep + name).size(), 300);
        QCOMPARE(mm.MciOpenDevice(handle, "movie3", deep + name, "MPEGVideo"), QString("No Errors"));
        QCOMPARE(mm.MciGetTotalFrames("movie3"), 100);
        QCOMPARE(mm.MciPlay("movie3", "", ""), QString("No Errors"));
        QCOMPARE(mm.MciClose("movie3"), QString("No Errors"));
    }

    // Play to a frame stops there; stop and seek keep the position; speed 0 holds the picture.
    void playRangeStopSeekSpeed()
    {
        MediaCommands mci;
        ModuleMultimedia mm(mci);
        QWidget parent;
        parent.resize(640, 512);
        QCOMPARE(mm.MciOpenDevice(platform::hWnd(&parent), "movie0", clip("clip.avi"), "AviVideo"), QString("No Errors"));
        QCOMPARE(mm.MciGetTotalFrames("movie0"), 100);

        QCOMPARE(mm.MciPlay("movie0", "10", "30"), QString("No Errors"));
        QVERIFY(QTest::qWaitFor([&] { return mm.MciGetMode("movie0") == QLatin1String("stopped"); }, 30000));
        QCOMPARE(mm.MciGetPosition("movie0"), 30);
        int to = 30;
        QVERIFY(mm.MciAtEnd("movie0", to));
        QCOMPARE(mm.MciGetProgressPercent("movie0"), 30);
        QVERIFY(mm.MciPlay("movie0", "40", "20") != QLatin1String("No Errors"));
        QVERIFY(mm.MciPlay("movie0", "0", "101") != QLatin1String("No Errors"));
        // A range of one frame is a range: it plays and stops on that frame.
        QCOMPARE(mm.MciPlay("movie0", "20", "20"), QString("No Errors"));
        QVERIFY(QTest::qWaitFor([&] { return mm.MciGetMode("movie0") == QLatin1String("stopped"); }, 30000));
        QCOMPARE(mm.MciGetPosition("movie0"), 20);
        // Seek to the end by word and by number: the play point stands at the length.
        QCOMPARE(mci.sendString(QStringLiteral("seek movie0 to end")), int(media::mediaOk));
        QCOMPARE(mm.MciGetPosition("movie0"), 100);
        QCOMPARE(mci.sendString(QStringLiteral("seek movie0 to start")), int(media::mediaOk));
        QCOMPARE(mm.MciGetPosition("movie0"), 0);
        QCOMPARE(mci.sendString(QStringLiteral("seek movie0 to 100")), int(media::mediaOk));
        QCOMPARE(mm.MciGetPosition("movie0"), 100);
        QCOMPARE(mci.sendString(QStringLiteral("seek movie0 to 101")), int(media::mediaOutOfRange));

        // Seek moves the play point, and the play that follows starts there.
        QCOMPARE(mm.MciSeekAndPlay("movie0", 50), QString("No Errors"));
        QVERIFY(QTest::qWaitFor([&] { return mm.MciGetPosition("movie0") >= 55; }, 30000));
        QCOMPARE(mm.MciStop("movie0"), QString("No Errors"));
        const int stoppedAt = mm.MciGetPosition("movie0");
        QVERIFY(stoppedAt >= 55);
        QTest::qWait(300);
        QCOMPARE(mm.MciGetPosition("movie0"), stoppedAt);
        QCOMPARE(mm.MciGetMode("movie0"), QString("stopped"));

        // Speed 0: still playing, the picture held.
        QCOMPARE(mm.MciResume("movie0"), QString("No Errors"));
        QCOMPARE(mm.MciSetSpeed("movie0", 0), QString("No Errors"));
        const int heldAt = mm.MciGetPosition("movie0");
        QTest::qWait(400);
        QVERIFY2(std::abs(mm.MciGetPosition("movie0") - heldAt) <= 1, "speed 0 played on");
        QCOMPARE(mm.MciGetMode("movie0"), QString("playing"));
        QCOMPARE(mm.MciSetSpeed("movie0", 200), QString("No Errors"));
        QCOMPARE(mm.MciGetSpeed("movie0"), 200);
        QVERIFY(QTest::qWaitFor([&] { return mm.MciGetPosition("movie0") > heldAt + 10; }, 30000));
        // Played to its end, the clip stands at its length.
        QVERIFY(QTest::qWaitFor([&] { return mm.MciGetMode("movie0") == QLatin1String("stopped"); }, 30000));
        QCOMPARE(mm.MciGetPosition("movie0"), 100);
        to = 0;
        QVERIFY(mm.MciAtEnd("movie0", to));
        QCOMPARE(to, 100);
        QCOMPARE(mm.MciCloseAll(), QString("No Errors"));
        QVERIFY(!mci.device("movie0"));
    }

    void controllerPlaysIntoTheTxScreen()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        shell::FormMain& form = f.form();
        QVERIFY(!form.mulmed->isEnabled());
        media::FrmMain& w = form.frmMain();
        QVERIFY(!w.isVisible());
        MediaCommands& mci = form.media().commands();
        form.show();

        // Open without a file: said, nothing sent.
        f.ui().answerMsgBox(platform::vbOK);
        w.CmdOpen->click();
        QVERIFY(!f.ui().messages().isEmpty());
        QCOMPARE(f.ui().messages().last(), QString("Please select a file first"));
        QVERIFY(mci.received().empty());

        w.LbFileName->setCaption(clip("clip.mpg"));
        w.CmdOpen->click();
        QCOMPARE(w.LbResult->caption(), NoErrors);
        const auto captions = [](const QList<platform::Label*>& labels) {
            QStringList texts;
            for (const platform::Label* l : labels)
                texts << l->caption();
            return texts;
        };
        QCOMPARE(captions({w.LbTotalFrames, w.LbFramesPerSecond, w.LbActualCx, w.LbActualCy, w.LbCurrentRate}),
                 QStringList({"100", "25", "320", "240", "100 %"}));
        QVERIFY2(std::abs(platform::Val(w.LbTotalTime->caption()) - 4.0) <= 0.04, qPrintable(w.LbTotalTime->caption()));
        QCOMPARE(w.SliderMoveMultimedia->maximum(), 2);
        QVERIFY(w.TimerMisc->enabled());

        // Play with every box blank: the TX tab, the whole clip, the picture over the whole TX
        // screen, not drawn into the TX picture.
        const QImage txPicture = form.Picture1->Image();
        form.SSTab1->setCurrentIndex(0);
        mci.clearReceived();
        w.CmdPlay->click();
        QCOMPARE(w.LbResult->caption(), NoErrors);
        QCOMPARE(form.SSTab1->currentIndex(), 1);
        QVERIFY(sent(mci).contains("put movie0 window at 0 0 640 512"));
        QVERIFY(sent(mci).contains("play movie0 from 0 to 100"));
        QCOMPARE(captions({w.LbCurrentCx, w.LbCurrentCy}), QStringList({"640", "512"}));
        media::VideoWindow* video = mci.device("movie0")->window();
        QCOMPARE(video->parentWidget(), form.Picture1);
        QCOMPARE(video->geometry(), form.Picture1->rect());
        QVERIFY(video->isVisible());
        QVERIFY(QTest::qWaitFor([&] { return !video->frame().isNull(); }, 30000));
        QCOMPARE(video->frame().size(), QSize(320, 240));
        QTest::qWait(500);
        const QImage shown = form.Picture1->grab().toImage();
        // The test pattern's colour bars fill the TX screen, stretched.
        QVERIFY(shown.pixelColor(5, 5) != shown.pixelColor(635, 5) || shown.pixelColor(5, 5) != shown.pixelColor(320, 500));
        QCOMPARE(form.Picture1->Image(), txPicture);
        if (const QString dir = qEnvironmentVariable("TOVARO_SHOT_DIR"); !dir.isEmpty()) {
            form.grab().save(dir + "/media_tx_screen_playing.png");
            w.grab().save(dir + "/media_controller.png");
        }

        // The status timer: position, seconds and mode.
        clock.advance(500);
        QCOMPARE(w.LbStatus->caption(), QString("playing"));
        const double pos = platform::Val(w.LbCurrPos->caption());
        QVERIFY(pos > 0 && pos <= 100);
        QCOMPARE(w.LbCurrentTime->caption(), platform::numberText(pos / 25));
        QVERIFY(w.LbProgress->caption().endsWith(" %"));

        // Auto Repeat: at the end, the next tick plays the range again.
        w.Check->setValue(1);
        QVERIFY(QTest::qWaitFor([&] { return mci.device("movie0")->mode() == media::MediaDevice::Mode::Stopped; }, 30000));
        QCOMPARE(form.media().module().MciGetPosition("movie0"), 100);
        mci.clearReceived();
        clock.advance(100);
        QVERIFY(sent(mci).contains("play movie0 from 0 to 100"));
        QCOMPARE(mci.device("movie0")->mode(), media::MediaDevice::Mode::Playing);
        // and it plays, not ending at once.
        QVERIFY(QTest::qWaitFor([&] { return form.media().module().MciGetPosition("movie0") >= 10; }, 30000));
        QCOMPARE(mci.device("movie0")->mode(), media::MediaDevice::Mode::Playing);
        // Unticked, the end is left alone.
        w.Check->setValue(0);
        QVERIFY(!w.TimerAtEndFile->enabled());
        w.CmdClose->click();
    }

    void controllerControlsAndClose()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        shell::FormMain& form = f.form();
        media::FrmMain& w = form.frmMain();
        MediaCommands& mci = form.media().commands();
        form.show();
        w.show();
        w.LbFileName->setCaption(clip("clip.mpg"));
        w.CmdOpen->click();
        QCOMPARE(w.LbResult->caption(), NoErrors);

        // The rate slider as the operator moves it: the top is twice the speed, the middle
        // normal.
        auto drag = [](platform::Slider* s, int to) {
            s->setSliderDown(true);
            s->setSliderPosition(to);
            s->setSliderDown(false);
        };
        mci.clearReceived();
        drag(w.SliderRate, 0);
        QCOMPARE(sent(mci), QStringList({"set movie0 speed 2000"}));
        QCOMPARE(w.LbCurrentRate->caption(), QString("200 %"));
        drag(w.SliderRate, 100);
        QVERIFY(!sent(mci).isEmpty());
        QCOMPARE(sent(mci).last(), QString("set movie0 speed 1000"));
        QCOMPARE(w.LbCurrentRate->caption(), QString("100 %"));

        // Both volumes to the top: the volume, then the sliders read back from the device
        // without a chain of commands.
        drag(w.SliderBothVol, 30);
        mci.clearReceived();
        drag(w.SliderBothVol, 0);
        QCOMPARE(sent(mci), QStringList({"setaudio movie0 Volume to 1000", "status movie0 left Volume",
                                         "status movie0 right Volume", "status movie0 Volume"}));
        QCOMPARE(w.SliderBothVol->value(), 0);
        // A side alone: refused and said; its slider stays where it was.
        w.OptnChannelLeft->click();
        QCOMPARE(w.LbResult->caption(), " Error Report   : " + MediaCommands::errorText(media::mediaNoBalance));
        QCOMPARE(w.SliderLeftVol->value(), 0);
        mci.clearReceived();
        drag(w.SliderLeftVol, 50);
        QCOMPARE(sent(mci), QStringList({"setaudio movie0 left Volume to 500"}));
        QVERIFY(w.LbResult->caption().endsWith(MediaCommands::errorText(media::mediaNoBalance)));
        w.OptnChannelAllOff->click();
        QCOMPARE(w.LbResult->caption(), NoErrors);
        QVERIFY(!mci.device("movie0")->soundOn());

        // A placement beyond any window is refused in the report, not fatal.
        w.txtWidth->setText("1e20");
        w.TxtHeight->setText("10");
        w.CmdResize->click();
        QCOMPARE(w.LbResult->caption(), " Error Report   : " + MediaCommands::errorText(media::mediaOutOfRange));
        w.txtWidth->setText("");
        w.TxtHeight->setText("");

        // The play point: one step is two seconds, and its last step is the clip's end.
        mci.clearReceived();
        drag(w.SliderMoveMultimedia, 1);
        QCOMPARE(sent(mci), QStringList({"seek movie0 to 50", "Play movie0"}));
        QCOMPARE(w.LbResult->caption(), NoErrors);
        mci.clearReceived();
        drag(w.SliderMoveMultimedia, 2);
        QCOMPARE(sent(mci), QStringList({"seek movie0 to 100", "Play movie0"}));
        QCOMPARE(w.LbResult->caption(), NoErrors);

        // Close: the status emptied, the file kept; the same file opens again at once.
        w.CmdClose->click();
        QCOMPARE(w.LbResult->caption(), NoErrors);
        for (platform::Label* l : {w.LbFramesPerSecond, w.LbTotalFrames, w.LbTotalTime, w.LbActualCx, w.LbCurrentRate})
            QVERIFY(l->caption().isEmpty());
        QCOMPARE(w.LbFileName->caption(), clip("clip.mpg"));
        QVERIFY(!mci.device("movie0"));
        mci.clearReceived();
        drag(w.SliderMoveMultimedia, 2);
        QVERIFY(mci.received().empty());
        clock.advance(500);
        QVERIFY(w.LbCurrentTime->caption().isEmpty());

        // A DVD file: the two messages, and No opens it as a DVD device.
        w.LbFileName->setCaption(clip("clip.VOB"));
        f.ui().answerMsgBox(platform::vbOK);
        f.ui().answerMsgBox(platform::vbNo);
        mci.clearReceived();
        w.CmdOpen->click();
        QVERIFY(!sent(mci).isEmpty());
        QVERIFY(sent(mci).first().contains(" type DvDVideo Alias movie0 "));
        QCOMPARE(f.ui().calls(platform::UiCall::MsgBox).size(), 2);
        QCOMPARE(w.LbTotalFrames->caption(), QString("100"));

        // The close box while the main window is shown: hidden, the device closed, loaded still.
        w.close();
        QVERIFY(!w.isVisible());
        QVERIFY(!mci.device("movie0"));
        QVERIFY(w.LbTotalFrames->caption().isEmpty());
        QCOMPARE(form.loaded(shell::FormMain::Window::Multimedia), &w);

        // The menu's way in: eight lines of advice, then the window.
        f.ui().answerMsgBox(platform::vbOK);
        form.media().mulmed_Click();
        QVERIFY(!f.ui().messages().isEmpty());
        QCOMPARE(f.ui().messages().last().count('\r'), 7);
        QVERIFY(w.isVisible());
        // At shut-down (the main window hidden) the close goes through and every device closes.
        w.LbFileName->setCaption(clip("clip.avi"));
        w.CmdOpen->click();
        QVERIFY(mci.device("movie0"));
        form.hide();
        QVERIFY(w.close());
        QVERIFY(!mci.device("movie0"));
        QVERIFY(!w.TimerMisc->enabled());
    }

    // A sound file plays on, and its sound reaches the sound server's sink.
    void soundFilePlaysIntoTheSink()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        FormFixture f;
        media::FrmMain& w = f.form().frmMain();
        MediaCommands& mci = f.form().media().commands();
        w.LbFileName->setCaption(clip("tone.wav"));
        w.CmdOpen->click();
        QCOMPARE(w.LbResult->caption(), NoErrors);
        QCOMPARE(w.LbActualCx->caption(), QString("-1"));
        QVERIFY(std::abs(platform::Val(w.LbTotalFrames->caption()) - 3000) <= 30);
        QCOMPARE(mci.device("movie0")->hasSoundOutput(), soundUp_);

        QProcess recorder;
        const QString recording = clips_->filePath("heard.wav");
        auto listen = [&](int ms) {
            recorder.start(QStandardPaths::findExecutable("parecord"),
                           {"--device=" + QString(testsupport::Sink) + ".monitor", "--file-format=wav", recording});
            QTest::qWait(ms);
            recorder.terminate();
            recorder.waitForFinished(5000);
            return wavRms(recording);
        };
        // Sound off first: the tone plays on and the sink hears nothing.
        w.OptnChannelAllOff->click();
        QCOMPARE(w.LbResult->caption(), NoErrors);
        w.CmdPlay->click();
        // No picture to place; the play goes on and its result is the one shown.
        QVERIFY(w.LbCurrentCx->caption().isEmpty());
        QCOMPARE(w.LbResult->caption(), NoErrors);
        QVERIFY(sent(mci).contains("play movie0 from 0 to " + w.LbTotalFrames->caption()));
        QVERIFY(QTest::qWaitFor([&] { return f.form().media().module().MciGetPosition("movie0") > 300; }, 30000));
        clock.advance(500);
        QCOMPARE(w.LbStatus->caption(), QString("playing"));
        if (!soundUp_)
            QSKIP(qPrintable("No sound server could start, so the sound itself is not heard: " + soundWhy_));
        const double silent = listen(600);
        QVERIFY2(silent < 0.01, qPrintable(QString::number(silent)));
        // All on again, played from the start: the tone is heard.
        w.CmdStop->click();
        w.OptnChannelAllOn->click();
        QCOMPARE(w.LbResult->caption(), NoErrors);
        w.CmdPlay->click();
        const double heard = listen(1500);
        QVERIFY2(heard > 0.1, qPrintable(QString::number(heard)));
    }

    void fileChooser()
    {
        QCOMPARE(media::folderFilePath("/", "clip.avi"), QString("/clip.avi"));
        QCOMPARE(media::folderFilePath("/mn", "clip.avi"), QString("/mn/clip.avi"));

        FormFixture f;
        shell::FormMain& form = f.form();
        media::FrmMain& w = form.frmMain();
        QTemporaryDir folder;
        for (const char* name : {"CLIP.AVI", "notes.txt", "tone.Wav", "b.vob"})
            QVERIFY(QFile::copy(clip("clip.avi"), folder.filePath(name)));
        form.intake().setDialogFolder(folder.path());

        w.LbFileName->setCaption("/earlier/choice.mpg");
        w.CmdSelectFile->click();
        media::FrmSelectFile* chooser = w.frmSelectFile();
        QVERIFY(chooser);
        QVERIFY(!w.isEnabled());
        QCOMPARE(w.Tag, QString("0"));
        QCOMPARE(chooser->Dir1->Path(), folder.path());
        QStringList listed;
        for (int i = 0; i < chooser->File1->ListCount(); ++i)
            listed << chooser->File1->List(i);
        QCOMPARE(listed, QStringList({"b.vob", "CLIP.AVI", "tone.Wav"}));

        // Cancel: nothing changes and the controller works again.
        chooser->cmdCancel->click();
        QVERIFY(!w.frmSelectFile());
        QVERIFY(w.isEnabled());
        QCOMPARE(w.LbFileName->caption(), QString("/earlier/choice.mpg"));

        // OK without a selection: said, and the chooser stays.
        w.CmdSelectFile->click();
        chooser = w.frmSelectFile();
        f.ui().answerMsgBox(platform::vbOK);
        chooser->CmdOk->click();
        QVERIFY(f.ui().last());
        QCOMPARE(f.ui().last()->title, QString("Select file"));
        QCOMPARE(f.ui().last()->text, QString("Please select a file"));
        QCOMPARE(w.frmSelectFile(), chooser);
        QVERIFY(!w.isEnabled());

        chooser->File1->setListIndex(1);
        chooser->CmdOk->click();
        QVERIFY(!w.frmSelectFile());
        QVERIFY(w.isEnabled());
        QCOMPARE(w.LbFileName->caption(), folder.filePath("CLIP.AVI"));
        QCOMPARE(w.LbResult->caption(), QString(" Error Report:  No errors"));

        // A drive that is not ready: the lists stay where they were.
        platform::setVolumeProvider([] {
            return QList<platform::Volume>{{"/", "", true}, {"/nowhere", "cd", false}};
        });
        w.CmdSelectFile->click();
        chooser = w.frmSelectFile();
        chooser->Drive1->setCurrentIndex(chooser->Drive1->findText("/nowhere", Qt::MatchStartsWith));
        QCOMPARE(chooser->Dir1->Path(), folder.path());
        QCOMPARE(chooser->Drive1->Drive(), QString("/"));
        chooser->close();
        QVERIFY(w.isEnabled());
        platform::setVolumeProvider({});
    }

private:
    QString clip(const char* name) const { return clips_->filePath(QString::fromLatin1(name)); }
    std::unique_ptr<QTemporaryDir> clips_;
    std::unique_ptr<PrivateSoundServer> sound_;
    bool soundUp_ = false;
    QString soundWhy_;
};

TOVARO_MEDIA_TEST_MAIN(TestPlayer)
#include "tst_player.moc"
