// The camera window through Qt Multimedia: without a camera, and over a clip made at test
// time playing into the capture device's video sink, the seam every camera frame takes.
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QProcess>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "FormFixture.h"
#include "MediaTestMain.h"
#include "TestPictures.h"
#include "capture/Capture.h"
#include "capture/frmMemCapMain.h"
#include "capture/frmSelect.h"
#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "media/FrmMain.h"
#include "platform/services/CaptureDevice.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/CaptureView.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"
#include "strips/Strips.h"
#include "text/TextTools.h"

#include <QComboBox>
#include <QPushButton>

using testsupport::FormFixture;
using platform::CaptureView;

namespace {

double meanDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 1e9;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// The pictures and files the seven strip slots show.
struct StripState {
    QList<QImage> pictures;
    QStringList paths;
    bool operator==(const StripState&) const = default;
};

StripState stripState(shell::FormMain& form)
{
    StripState state;
    for (int k = 1; k <= 7; ++k) {
        state.pictures.append(form.thumbnailFor(strips::stripSlotCode(k))->Picture());
        state.paths.append(form.strips().stripSlotPath(k));
    }
    return state;
}

QStringList cameraFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("Camera*")}, QDir::Files, QDir::Name);
}

// The name of the program's camera picture number i, in 2026.
QString oldFrame(const QString& folder, int i)
{
    return QDir(folder).filePath(QStringLiteral("Camera2601010000%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
}

} // namespace

class CameraTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        clip_ = dir_.filePath(QStringLiteral("clip.avi"));
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral(FFMPEG_PROGRAM),
                     {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                      QStringLiteral("-i"), QStringLiteral("testsrc2=s=320x240:r=25:d=4"), QStringLiteral("-c:v"),
                      QStringLiteral("mjpeg"), clip_});
        QVERIFY(ffmpeg.waitForFinished(60000));
        QCOMPARE(ffmpeg.exitCode(), 0);
        QCOMPARE(qgetenv("QT_MEDIA_BACKEND"), QByteArray("ffmpeg"));
    }

    void centredOffsets()
    {
        QCOMPARE(capture::centredOffset(640, 320), 160);
        QCOMPARE(capture::centredOffset(512, 480), 16);
        QCOMPARE(capture::centredOffset(640, 321), 159);
        QCOMPARE(capture::centredOffset(640, 641), -1);
        QCOMPARE(capture::centredOffset(512, 800), -144);
    }

    void withoutCamera()
    {
        if (!QMediaDevices::videoInputs().isEmpty())
            QSKIP("this machine has a camera");
        FormFixture f;
        shell::FormMain& form = f.form();
        form.frmMain().show();
        form.camera->trigger();
        QVERIFY(!form.frmMain().isVisible());
        auto* window = qobject_cast<capture::frmMemCapMain*>(form.loaded(shell::FormMain::Window::Camera));
        QVERIFY(window && window->isVisible());
        QVERIFY(!window->device().isConnected());
        QCOMPARE(window->statusText(), capture::frmMemCapMain::noCameraText());
        // It says so for as long as the window is open: a menu passed over, Preview.
        window->mnuScale->showStatusText(window);
        QCOMPARE(window->statusText(), capture::frmMemCapMain::noCameraText());
        window->mnuPreview->trigger();
        QCOMPARE(window->statusText(), capture::frmMemCapMain::noCameraText());
        // No menu changes (the dialogs stay offered as designed) and no message box.
        QVERIFY(window->mnuFormat->isEnabled());
        QVERIFY(window->mnuSource->isEnabled());
        QCOMPARE(f.ui().calls().size(), 0);
        // A second "Camera" brings the same window on top.
        form.camera->trigger();
        QCOMPARE(form.loaded(shell::FormMain::Window::Camera), window);

        // The chooser lists nothing; Select only closes it.
        {
            capture::frmSelect chooser(*window);
            QCOMPARE(chooser.cmboSource->count(), 0);
            chooser.show();
            chooser.cmdSelect->click();
            QVERIFY(!chooser.isVisible());
        }

        // No frame: nothing is written or changed, and the status bar says why.
        const QImage tx = form.Picture1->Picture();
        window->ShowCaptureStatus(QString());
        window->grab->trigger();
        QCOMPARE(window->statusText(), capture::frmMemCapMain::noCameraText());
        QCOMPARE(QDir(f.appPath(QStringLiteral("CamImages"))).entryList(QDir::Files).size(), 0);
        window->grabtoscreen->trigger();
        QCOMPARE(form.Picture1->Picture(), tx);
        QCOMPARE(f.ui().calls().size(), 0);

        window->mnuExit->trigger();
        QCOMPARE(form.loaded(shell::FormMain::Window::Camera), nullptr);
    }

    void clipFramesToViewAndTxScreen()
    {
        QMediaPlayer player;
        FormFixture f;
        shell::FormMain& form = f.form();
        {
            // A camera that has delivered no picture yet says so, not that there is none.
            QMediaPlayer idle;
            capture::frmMemCapMain connected(form, std::make_unique<platform::CaptureDevice>(idle, QStringLiteral("Idle")));
            QCOMPARE(connected.statusText(), QString());
            connected.grab->trigger();
            QCOMPARE(connected.statusText(), capture::frmMemCapMain::noFrameText());
        }
        capture::frmMemCapMain& window = openOverClip(f, player);
        QCOMPARE(window.captureWindow->caption(), QStringLiteral("Test clip"));
        // The view takes the video's size plus frame and caption, and previews it.
        QTRY_COMPARE(window.captureWindow->size(), CaptureView::sizeFor(QSize(320, 240)));
        QTRY_VERIFY(!window.captureWindow->frame().isNull());
        QVERIFY(!window.mnuDisplay->isEnabled());
        // Scale off: no sizing frame, sized by the same rule; Preview empties the status bar.
        window.mnuScale->trigger();
        QVERIFY(!window.mnuScale->isChecked());
        QVERIFY(!window.captureWindow->sizingFrame());
        QCOMPARE(window.captureWindow->size(), CaptureView::sizeFor(QSize(320, 240)));
        window.ShowCaptureStatus(QStringLiteral("something"));
        window.mnuPreview->trigger();
        QVERIFY(!window.mnuPreview->isChecked());
        QVERIFY(!window.device().preview());
        QCOMPARE(window.statusText(), QString());
        window.CaptureErrorCallback(0, QStringLiteral("ignored"));
        QCOMPARE(window.statusText(), QString());
        window.CaptureErrorCallback(3, QStringLiteral("lost"));
        QCOMPARE(window.statusText(), QStringLiteral("lost"));
        player.pause();
        const QImage frame = window.device().latestFrame();
        QCOMPARE(frame.size(), QSize(320, 240));

        // At its own size, centred on black.
        form.SSTab1->setCurrentIndex(0);
        const QImage before = form.Picture1->Image();
        window.sendToTxScreen->trigger();
        const QImage tx = form.Picture1->Picture();
        QCOMPARE(form.SSTab1->currentIndex(), 1);
        QVERIFY(meanDifference(tx.copy(160, 136, 320, 240), frame.convertToFormat(tx.format())) < 1);
        for (const QPoint p : {QPoint(159, 200), QPoint(480, 200), QPoint(300, 135), QPoint(300, 376), QPoint(0, 0)})
            QCOMPARE(QColor(tx.pixel(p)), QColor(Qt::black));
        QCOMPARE(form.Image13->Picture(), before);
        QCOMPARE(form.Image6->Picture(), tx);
        // A pending text's Undo puts back the clean picture: the frame stays.
        form.text().markStyledTextWaiting();
        form.canvas().Command12_Click();
        QCOMPARE(form.Picture1->Picture(), tx);

        // Stretched over the whole TX picture.
        window.grabtoscreen->trigger();
        const QImage full = form.Picture1->Picture();
        const QImage stretched =
            frame.scaled(640, 512, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(full.format());
        QVERIFY2(meanDifference(full, stretched) < 12, qPrintable(QString::number(meanDifference(full, stretched))));
        QCOMPARE(form.Image13->Picture(), tx);
        QCOMPARE(form.Image6->Picture(), full);

        // The unload lets go of the device: the player plays into nothing of the window's.
        QVERIFY(player.videoOutput());
        window.close();
        QCOMPARE(player.videoOutput(), nullptr);
        QCOMPARE(form.loaded(shell::FormMain::Window::Camera), nullptr);
    }

    void grabToFileCapsAndStrip()
    {
        QMediaPlayer player;
        FormFixture f;
        shell::FormMain& form = f.form();
        const QString folder = f.appPath(QStringLiteral("CamImages"));
        QVERIFY(QDir().mkpath(folder));
        // 35 camera pictures of the program, each its own colour, and two files of the operator's.
        for (int i = 0; i < 35; ++i)
            QVERIFY(testsupport::solid(8, 6, QColor::fromHsv(i * 10, 255, 255).rgb()).save(oldFrame(folder, i)));
        QVERIFY(QImage(4, 4, QImage::Format_RGB32).save(QDir(folder).filePath(QStringLiteral("Aaa.jpg"))));
        QVERIFY(testsupport::writeBytes(QDir(folder).filePath(QStringLiteral("notes.txt")), "mine\n"));
        form.engine().setLocalTime([] { return QDateTime(QDate(2026, 3, 9), QTime(14, 7, 9)); });
        form.Option10->setValue(true);
        QCOMPARE(form.strips().category(), strips::Strips::Category::Camera);
        QCOMPARE(form.HScroll2->value(), 1);
        const StripState page1 = stripState(form);

        capture::frmMemCapMain& window = openOverClip(f, player);
        player.pause();
        const QImage frame = window.device().latestFrame();
        window.grab->trigger();
        const QString first = QDir(folder).filePath(QStringLiteral("Camera260309140709.jpg"));
        QVERIFY(QFile::exists(first));
        QVERIFY(meanDifference(QImage(first).convertToFormat(QImage::Format_RGB32), frame) < 8);
        QStringList files = cameraFiles(folder);
        QCOMPARE(files.size(), 35);
        QVERIFY(!files.contains(QStringLiteral("Camera260101000000.jpg")));
        QVERIFY(files.contains(QStringLiteral("Camera260101000001.jpg")));
        QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("notes.txt"))));
        QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("Aaa.jpg"))));
        // Page 1 of the Camera strip: the new frame on top, the others one slot on.
        const StripState shifted = stripState(form);
        QCOMPARE(shifted.pictures.at(0), form.Picture3->Picture());
        QCOMPARE(shifted.paths.at(0), first);
        QCOMPARE(shifted.pictures.mid(1), page1.pictures.mid(0, 6));
        QCOMPARE(shifted.paths.mid(1), page1.paths.mid(0, 6));

        // A second frame in the same second: its own name; the next oldest goes.
        window.grab->trigger();
        QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("Camera260309140709_2.jpg"))));
        QVERIFY(QFile::exists(first));
        files = cameraFiles(folder);
        QCOMPARE(files.size(), 35);
        QVERIFY(!files.contains(QStringLiteral("Camera260101000001.jpg")));

        // On page 2 the strip stays as it is.
        form.HScroll2->setValue(2);
        const StripState page2 = stripState(form);
        window.grab->trigger();
        QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("Camera260309140709_3.jpg"))));
        QCOMPARE(stripState(form), page2);
        QCOMPARE(f.ui().calls().size(), 0);
    }

    void unwritableJpegChangesNothing()
    {
        QMediaPlayer player;
        FormFixture f;
        shell::FormMain& form = f.form();
        const QString folder = f.appPath(QStringLiteral("CamImages"));
        QVERIFY(QDir().mkpath(folder));
        for (int i = 0; i < 36; ++i)
            QVERIFY(testsupport::solid(4, 4, 0xFF000000).save(oldFrame(folder, i)));
        // The new picture's name leads into a folder that does not exist: the write fails.
        QVERIFY(QFile::link(dir_.filePath(QStringLiteral("missing/x.jpg")),
                            QDir(folder).filePath(QStringLiteral("Camera260309140709.jpg"))));
        form.engine().setLocalTime([] { return QDateTime(QDate(2026, 3, 9), QTime(14, 7, 9)); });
        form.Option10->setValue(true);
        const StripState before = stripState(form);
        capture::frmMemCapMain& window = openOverClip(f, player);
        window.grab->trigger();
        QVERIFY(window.statusText().startsWith(QStringLiteral("The camera picture could not be saved")));
        QCOMPARE(cameraFiles(folder).size(), 36);
        QVERIFY(QFile::exists(oldFrame(folder, 0)));
        QCOMPARE(stripState(form), before);
        QCOMPARE(f.ui().calls().size(), 0);
    }

private:
    // The camera window over the clip, shown by "Camera" and playing until a frame came.
    capture::frmMemCapMain& openOverClip(FormFixture& f, QMediaPlayer& player)
    {
        player.setSource(QUrl::fromLocalFile(clip_));
        player.setLoops(QMediaPlayer::Infinite);
        auto device = std::make_unique<platform::CaptureDevice>(player, QStringLiteral("Test clip"));
        f.form().setFrmMemCapMain(std::make_unique<capture::frmMemCapMain>(f.form(), std::move(device)));
        f.form().camera->trigger();
        auto& window = f.form().frmMemCapMain();
        player.play();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!window.device().latestFrame().isNull(), 30000); }();
        return window;
    }
    QTemporaryDir dir_;
    QString clip_;
};

TOVARO_MEDIA_TEST_MAIN(CameraTest)
#include "tst_camera.moc"
