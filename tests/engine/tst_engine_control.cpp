// The engine's controller behind a scripted engine: the polling tick's status words, the
// mode list, the RX monitor, and the pictures a transmission or reception leaves behind.
#include <QDir>
#include <QImageReader>
#include <QSignalSpy>
#include <QtTest>

#include "whole_file.h"

#include "FormFixture.h"
#include "ScriptedEngine.h"
#include "ScriptedStart.h"
#include "StartupFiles.h"
#include "TestPictures.h"
#include "engine/EngineControl.h"
#include "engine/FormRXfloat.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Clock.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/LineControl.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "shell/FormSetup.h"
#include "shell/Shell.h"
#include "strips/Strips.h"

#include <QTabWidget>

using testsupport::FormFixture;
using startupfiles::writeFile;

namespace {

constexpr uint32_t Red = 255, Idle = 0x8080, Green = 0xFF00;

uint32_t packed(int width, int height) { return uint32_t(width) | (uint32_t(height) << 16); }

// 43 modes named "Mode n", a few of their picture sizes.
void prepareModes(scripted::Script& script)
{
    for (int i = 0; i < 43; ++i)
        script.modeNames << QByteArray("Mode ") + QByteArray::number(i);
    script.imageSizes = {{1, packed(320, 240)}, {4, packed(320, 240)}, {16, packed(640, 496)}, {20, packed(800, 616)}};
}

// The started window; the calls made by the start-up forgotten.
struct Station : testsupport::ScriptedStart {
    Station() : ScriptedStart(prepareModes) { scripted::script().calls.clear(); }
    engine::EngineControl& engine() const { return f.form().engine(); }
    void tick(int32_t status)
    {
        scripted::script().statuses << status;
        engine().Timer1_Timer();
    }
    // A received picture of a mode starts (its first tick).
    void pictureStarts(int mode)
    {
        scripted::script().rxMode = mode;
        tick(VRR_STATUS_RX_STARTED);
    }
    // The destination of the last draw into a box of this size.
    QString lastDrawInto(const QSize& size) const
    {
        const QString prefix = QStringLiteral("mmsDrawDIBdc(%1,%2,").arg(size.width()).arg(size.height());
        QString last;
        for (const QString& call : scripted::callsOf("mmsDrawDIBdc"))
            if (call.startsWith(prefix))
                last = call.mid(prefix.size()).section(',', 0, 3);
        return last;
    }
};

QStringList files(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestEngineControl : public QObject {
    Q_OBJECT
private slots:
    void theModeList()
    {
        Station s;
        auto& e = s.engine();
        auto& script = scripted::script();
        // A pick without an engine name falls back to mode 6.
        s.form().Combo2->setListIndex(-1);
        QCOMPARE(e.txModeNumber(), 6);

        // "TX=RX": the engine's RX mode becomes the TX mode at once, the list is locked, and
        // a pick in it is undone by the next tick.
        script.rxMode = 9;
        s.form().Check7->setValue(1);
        QCOMPARE(e.txModeNumber(), 9);
        QCOMPARE(s.form().Combo2->text(), QString("Mode 9"));
        QVERIFY(!s.form().Combo2->isEnabled());
        s.form().Combo2->setListIndex(4);
        QCOMPARE(e.txModeNumber(), 9);
        s.tick(0);
        QCOMPARE(s.form().Combo2->text(), QString("Mode 9"));
        QVERIFY(!e.modeNameWaiting());
        s.form().Check7->setValue(0);
        QVERIFY(s.form().Combo2->isEnabled());
        QCOMPARE(e.txModeNumber(), 9);
        s.form().Combo2->setListIndex(4);
        QCOMPARE(e.txModeNumber(), 4);
    }

    void pictureStartSizesTheViews_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("view");    // the 1:1 box
        QTest::addColumn<QString>("drawn"); // where the next tick draws into it
        QTest::addColumn<QString>("title"); // the monitor's
        QTest::addColumn<int>("monitorHeight");
        QTest::newRow("320 x 256") << 9 << QSize(322, 258) << "0,0,320,256" << "Mode 9  320*256" << 256;
        QTest::newRow("small") << 1 << QSize(164, 124) << "0,0,160,120" << "Mode 1  160*120" << 240;
        QTest::newRow("below 6: 16 rows more") << 4 << QSize(322, 258) << "0,0,320,256" << "Mode 4  320*240" << 240;
        QTest::newRow("taller than 400") << 16 << QSize(644, 515) << "0,0,640,512" << "Mode 16  640*496" << 248;
        QTest::newRow("wider than 640") << 20 << QSize(644, 516) << "0,0,640,512" << "Mode 20  800*616" << 246;
        QTest::newRow("past the aspect table") << 40 << QSize(322, 258) << "0,0,320,256" << "Mode 40  320*256" << 200;
    }

    void pictureStartSizesTheViews()
    {
        QFETCH(int, mode);
        QFETCH(QSize, view);
        QFETCH(QString, drawn);
        QFETCH(QString, title);
        QFETCH(int, monitorHeight);
        Station s;
        engine::FormRXfloat& monitor = s.form().formRXfloat();
        monitor.Picture1->setBoxSize(320, 200);
        s.form().Label56->setCaption("G4XYZ");
        s.pictureStarts(mode);
        QCOMPARE(s.engine().rxModeNumber(), mode);
        QCOMPARE(s.form().Label37->caption(), QString("Mode %1").arg(mode));
        QCOMPARE(s.form().Label56->caption(), QString());
        QCOMPARE(platform::backColor(s.form().Command1), Green);
        // The RX picture is cleared twice: before and after the mode is taken.
        QCOMPARE(scripted::callsOf("mmsFillDIB").size(), 2);
        QCOMPARE(s.form().Picture22->size(), view);
        QCOMPARE(monitor.windowTitle(), title);
        QCOMPARE(monitor.Picture1->height(), monitorHeight);
        QCOMPARE(monitor.height(), monitorHeight);
        s.tick(0);
        QCOMPARE(s.lastDrawInto(view), drawn);
        QCOMPARE(s.lastDrawInto(QSize(640, 512)), QString("0,0,640,512")); // "RX Full"
    }

    // One word after another, each as the engine reports it.
    void statusWordsInOrder()
    {
        Station s;
        shell::FormMain& form = s.form();
        auto& e = s.engine();
        scripted::script().fskId = "dl1abc";

        // An identification: the label and the call-sign box (which writes calls in capitals).
        s.tick(VRR_STATUS_FSKID);
        QCOMPARE(form.Label56->caption(), QString("dl1abc"));
        QCOMPARE(form.Text3->text(), QString("DL1ABC"));
        // With a picture start in the same word, the label is cleared again; the call stays.
        s.tick(VRR_STATUS_FSKID | VRR_STATUS_RX_STARTED);
        QCOMPARE(form.Label56->caption(), QString());
        QCOMPARE(form.Text3->text(), QString("DL1ABC"));

        // Sending: markers at the rows reached, the mode controls locked, TX red.
        e.setModePictureSize(e.modeWidth(), 256);
        e.setTxProgressScale(2);
        scripted::script().pos[2] = 128;
        scripted::script().pos[1] = 100;
        s.tick(VRR_STATUS_SENDING);
        QVERIFY(form.Line1->isVisibleTo(form.Picture1) && form.Line2->isVisibleTo(form.Picture1));
        QCOMPARE(form.Line1->Y2(), 256.0);
        QCOMPARE(form.Line2->Y2(), 200.0);
        QCOMPARE(form.Line1->X1(), 2.0);
        QCOMPARE(platform::backColor(form.Command3), Red);
        QCOMPARE(platform::backColor(form.Command1), Idle);
        QVERIFY(!form.Combo2->isEnabled() && !form.Check7->isEnabled());

        // A picture starting while sending leaves RX idle; &H24 is no end of a picture.
        s.tick(VRR_STATUS_ENDED | VRR_STATUS_RX_STARTED);
        QCOMPARE(platform::backColor(form.Command1), Idle);
        QCOMPARE(platform::backColor(form.Command3), Red);
        QVERIFY(form.Line1->isVisibleTo(form.Picture1));
        QVERIFY(!form.Combo2->isEnabled());

        // &H20 alone ends the transmission.
        s.tick(VRR_STATUS_ENDED);
        QCOMPARE(platform::backColor(form.Command3), Idle);
        QVERIFY(!form.Line1->isVisibleTo(form.Picture1) && !form.Line2->isVisibleTo(form.Picture1));
        QCOMPARE(form.Line1->Y2(), 0.0);
        QVERIFY(form.Combo2->isEnabled() && form.Check7->isEnabled());
        QCOMPARE(files(s.f.appPath("TXImages")).size(), 1);

        // Idle, a picture starts: RX green; its end frees RX and Force RX.
        platform::setBackColor(form.Command7, Green);
        s.tick(VRR_STATUS_RX_STARTED);
        QCOMPARE(platform::backColor(form.Command1), Green);
        s.tick(VRR_STATUS_ENDED);
        QCOMPARE(platform::backColor(form.Command1), Idle);
        QCOMPARE(platform::backColor(form.Command7), Idle);
    }

    void autoRxAndTxFollowsRx()
    {
        Station s;
        shell::FormMain& form = s.form();
        form.Check1->setValue(1);
        form.SSTab1->setCurrentIndex(1);
        form.Picture21->show();
        s.pictureStarts(9);
        QCOMPARE(form.SSTab1->currentIndex(), 0);
        QVERIFY(form.Picture21->isHidden());
        // "RX True" showing: the tab stays and the zoom view keeps its state.
        form.SSTab1->setCurrentIndex(2);
        form.Picture21->show();
        s.pictureStarts(10);
        QCOMPARE(form.SSTab1->currentIndex(), 2);
        QVERIFY(!form.Picture21->isHidden());
        QCOMPARE(s.engine().txModeNumber(), 0);

        form.Check7->setValue(1);
        s.pictureStarts(12);
        QCOMPARE(s.engine().txModeNumber(), 12);
        QCOMPARE(form.Combo2->text(), QString("Mode 12"));
        // The end of the picture leaves the list locked while "TX=RX" is on.
        s.tick(VRR_STATUS_ENDED);
        QVERIFY(form.Check7->isEnabled());
        QVERIFY(!form.Combo2->isEnabled());
    }

    void monitorReplacesTheMainWindow()
    {
        Station s;
        shell::FormMain& form = s.form();
        engine::FormRXfloat& monitor = form.formRXfloat();
        QSignalSpy lastWindow(qApp, &QGuiApplication::lastWindowClosed);

        // Refused while sending, with the main window kept.
        platform::setBackColor(form.Command3, Red);
        s.f.ui().answerMsgBox(platform::vbOK);
        form.Check4->setValue(1);
        QCOMPARE(form.Check4->value(), 0);
        QCOMPARE(s.f.ui().messages(), QStringList{"Not while in TX"});
        QVERIFY(form.isVisible() && !monitor.isVisible());

        // Announcing is no transmission.
        platform::setBackColor(form.Command3, 200);
        form.Check4->setValue(1);
        QVERIFY(!form.isVisible() && monitor.isVisible());
        // The tick draws only into the monitor now.
        s.tick(0);
        QVERIFY(scripted::callsOf("mmsDrawDIBwnd").isEmpty());
        QCOMPARE(s.lastDrawInto(monitor.Picture1->size()),
                 QString("0,0,%1,%2").arg(monitor.Picture1->width()).arg(monitor.Picture1->height()));

        // Closing the monitor brings the main window back, "RxMon" unticked, and the
        // program goes on.
        QVERIFY(!monitor.close());
        QVERIFY(form.isVisible() && !monitor.isVisible());
        QCOMPARE(form.Check4->value(), 0);
        QCOMPARE(lastWindow.count(), 0);
        // With the main window shown (as at shut-down) it closes.
        monitor.show();
        QVERIFY(monitor.close());
        QVERIFY(form.isVisible());

        // The resize rule: the picture as wide as the window, as high as the mode's aspect,
        // and the window as high as the picture.
        s.engine().setRxMode(5);
        monitor.setOuterWidthTwips(4905);
        monitor.FormRXfloat_Form_Resize();
        QCOMPARE(monitor.Picture1->size(), QSize(320, 240));
        QCOMPARE(monitor.outerHeightTwips(), 3990.0);

        // Nothing is taken from a drop on the RX screen.
        s.f.ui().answerMsgBox(platform::vbOK);
        emit form.Picture18->oleDragDrop({"/tmp/x.jpg"}, 1, 0, 10, 10);
        QVERIFY(!s.f.ui().messages().isEmpty());
        QCOMPARE(s.f.ui().messages().last(), QString("Cannot drop on RX screen."));
    }

    // The call-sign box's change handler lets events run; a tick it lets in is skipped and
    // the running tick finishes with its own word.
    void nestedTickIsSkipped()
    {
        Station s;
        scripted::script().fskId = "G4XYZ";
        int nested = 0;
        connect(s.form().Text3, &platform::TextBox::Change, this, [&] {
            ++nested;
            scripted::script().statuses << VRR_STATUS_ENDED;
            s.engine().Timer1_Timer();
        });
        platform::setBackColor(s.form().Command3, Red);
        scripted::script().statuses << 0x18; // an identification while sending
        s.engine().Timer1_Timer();
        QVERIFY(nested > 0);
        QCOMPARE(scripted::callsOf("mmsDoJob").size(), 1);
        QCOMPARE(platform::backColor(s.form().Command3), Red); // the nested &H20 never ran
    }

    void transmitSequence()
    {
        Station s;
        shell::FormMain& form = s.form();
        auto& script = scripted::script();
        script.imageSizes[7] = packed(320, 256);
        form.Combo2->setListIndex(7);
        script.calls.clear();

        // Refused while sending or announcing.
        for (uint32_t busy : {Red, 200u}) {
            platform::setBackColor(form.Command3, busy);
            form.Command3->click();
            QVERIFY(script.calls.isEmpty());
        }
        platform::setBackColor(form.Command3, Idle);

        // With a loopback bit the RX picture is cleared first; with "TX=RX" the RX mode is
        // sent, at the size of the mode chosen before.
        script.txWord = 0x20000;
        script.rxMode = 7;
        form.Check7->setValue(1);
        script.rxMode = 16;
        form.SSTab1->setCurrentIndex(0);
        script.calls.clear();
        form.Command3->click();
        QCOMPARE(form.SSTab1->currentIndex(), 1);
        QCOMPARE(scripted::callNames(),
                 (QStringList{"mmsGetImageSize", "mmsSetTxControl", "mmsFillDIB", "mmsDrawDIBbmp", "mmsGetMode",
                              "mmsSetSpecRange", "mmsSetNotch", "mmsStopScan", "mmsSendPic"}));
        QCOMPARE(scripted::callsOf("mmsDrawDIBbmp"), QStringList{"mmsDrawDIBbmp(1,0,0,320,256,4)=1"});
        QCOMPARE(scripted::callsOf("mmsSendPic"), QStringList{"mmsSendPic(16)=1"});
        QCOMPARE(s.engine().txProgressScale(), 2.0);
        form.Check7->setValue(0);

        // A tone held: nothing is sent.
        s.engine().setToneHeld(true);
        script.calls.clear();
        form.Command3->click();
        QVERIFY(scripted::callsOf("mmsSendPic").isEmpty());
        s.engine().setToneHeld(false);

        // The transmitter keyed for the announcement is released when the engine does not
        // take the picture.
        form.formSetup().Check27->setValue(1);
        script.sendPicResult = 0;
        script.calls.clear();
        form.Command3->click();
        const QStringList names = scripted::callNames();
        QVERIFY(names.contains("mmsSetPTT") && names.contains("vrrPlaySamples"));
        QCOMPARE(names.mid(names.indexOf("mmsSendPic")), (QStringList{"mmsSendPic", "mmsSendStop"}));
        QCOMPARE(platform::backColor(form.Command3), 200u); // the tick turns it red or idle
    }

    void sentPicturesArchive()
    {
        Station s;
        auto& e = s.engine();
        const QString folder = s.f.appPath("TXImages");
        for (int i = 0; i < 36; ++i)
            writeFile(QString("%1/0301010000%2.jpg").arg(folder).arg(i, 2, 10, QChar('0')), "x");
        writeFile(folder + "/holiday.jpg", "x");
        writeFile(folder + "/notes.txt", "x");
        const QDateTime when(QDate(2003, 2, 28), QTime(14, 30, 5));
        e.setLocalTime([&] { return when; });
        QImage picture(640, 512, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        s.form().Picture1->setPicture(picture);
        s.form().Option12->setValue(true); // the strip shows TX Pictures

        const auto sendEnds = [&] {
            platform::setBackColor(s.form().Command3, Red);
            s.tick(VRR_STATUS_ENDED);
        };
        sendEnds();
        QStringList left = files(folder);
        QCOMPARE(left.size(), 35 + 2);
        QVERIFY(left.contains("holiday.jpg") && left.contains("notes.txt"));
        QVERIFY(!left.contains("030101000000.jpg") && !left.contains("030101000001.jpg"));
        QVERIFY(left.contains("030228143005.jpg"));
        const QColor archived = QImage(folder + "/030228143005.jpg").pixelColor(320, 256); // the TX picture
        QVERIFY(archived.blue() > 200 && archived.red() < 50);
        // The strip shows the new picture on page 1: after the two names that sort last (no
        // pictures), in the third slot.
        QCOMPARE(s.form().Image4->Picture().pixelColor(320, 256), archived);

        // Another in the same second: beside it, not over it, and the oldest goes.
        sendEnds();
        left = files(folder);
        QVERIFY(left.contains("030228143005.jpg") && left.contains("030228143005_2.jpg"));
        QVERIFY(!left.contains("030101000002.jpg"));
        QCOMPARE(left.size(), 35 + 2);

        // A tune tone's end is not archived, and the next picture is again.
        e.setTuneToneEnding(true);
        sendEnds();
        QCOMPARE(files(folder), left);
        QVERIFY(!e.tuneToneEnding());
        QCOMPARE(platform::backColor(s.form().Command3), Idle);
        sendEnds();
        QVERIFY(files(folder).contains("030228143005_3.jpg"));
    }

    // The sent picture is written at the quality the setup holds, rounded as every other
    // picture the program writes: a quality typed as 80.6 writes what 81 writes.
    void sentPictureAtTheSetupsQuality()
    {
        Station s;
        QImage picture(640, 512, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, (x * y) % 256));
        s.form().Picture1->setPicture(picture);
        s.engine().setJpegQuality(80.6);
        platform::setBackColor(s.form().Command3, Red);
        s.tick(VRR_STATUS_ENDED);
        const QString folder = s.f.appPath("TXImages");
        const QStringList written = files(folder);
        QCOMPARE(written.size(), 1);
        const QByteArray bytes = testsupport::fileBytes(folder + "/" + written.first());
        QCOMPARE(bytes, testsupport::jpegAt(s.form().Picture1->Image(), 81));
        QVERIFY(bytes != testsupport::jpegAt(s.form().Picture1->Image(), 80));
    }

    void receivedPicturesAutoSave_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("autoSave");
        QTest::addColumn<QSize>("saved"); // empty: nothing saved
        QTest::addColumn<bool>("recent");
        QTest::newRow("half of 256 lines") << 9 << 128 << true << QSize() << false;
        QTest::newRow("one line more") << 9 << 129 << true << QSize(320, 256) << true;
        QTest::newRow("A-Save off") << 9 << 256 << false << QSize() << true;
        QTest::newRow("small mode") << 1 << 240 << true << QSize(160, 120) << true;
        QTest::newRow("from the full copy") << 16 << 496 << true << QSize(640, 512) << true;
    }

    void receivedPicturesAutoSave()
    {
        QFETCH(int, mode);
        QFETCH(int, lines);
        QFETCH(bool, autoSave);
        QFETCH(QSize, saved);
        QFETCH(bool, recent);
        Station s;
        shell::FormMain& form = s.form();
        s.engine().setAutoSaveLimit(100);
        form.Check8->setValue(autoSave ? 1 : 0);
        // The recent row, newest first, holds four pictures of its own colours.
        const QList<platform::ImageBox*> row = {form.Image12, form.Image17, form.Image18, form.Image19};
        const QList<QColor> colours = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        for (int i = 0; i < row.size(); ++i) {
            QImage older(8, 8, QImage::Format_RGB32);
            older.fill(colours[i]);
            row[i]->setPicture(older);
        }
        s.pictureStarts(mode);
        scripted::script().pos[0] = lines;
        s.tick(VRR_STATUS_ENDED);
        QCOMPARE(platform::backColor(form.Command1), Idle);
        // A picture that counts enters at the front; the others move one place on and the
        // oldest is dropped.
        QCOMPARE(form.Image12->Picture().size(), recent ? QSize(640, 512) : QSize(8, 8));
        for (int i = 1; i < row.size(); ++i)
            QCOMPARE(row[i]->Picture().pixelColor(0, 0), colours[recent ? i - 1 : i]);
        const QStringList written = files(s.engine().autoSaveDir());
        QCOMPARE(written.size(), saved.isValid() ? 1 : 0);
        if (saved.isValid())
            QCOMPARE(QImageReader(s.engine().autoSaveDir() + written.first()).size(), saved);
    }

    // The auto-save deletes at most one of its own pictures per picture saved, never another
    // file, and nothing when the picture could not be written.
    void autoSavePruning()
    {
        Station s;
        shell::FormMain& form = s.form();
        const QString folder = s.engine().autoSaveDir();
        for (const char* name : {"030101000000.jpg", "030101000001.jpg", "030101000002.jpg", "030101000003.jpg"})
            writeFile(folder + name, "x");
        writeFile(folder + "000000000000.txt", "x");
        s.engine().setAutoSaveLimit(2);
        form.Check8->setValue(1);
        const auto receive = [&] {
            s.pictureStarts(9);
            scripted::script().pos[0] = 256;
            s.tick(VRR_STATUS_ENDED);
        };
        receive();
        QStringList left = files(folder);
        QCOMPARE(left.size(), 5);
        QVERIFY(!left.contains("030101000000.jpg") && left.contains("000000000000.txt"));

        // An auto-save folder that is gone (a home folder moved or restored) is made again
        // where its parent stands; where that is gone too, the pictures go into "AutoSave"
        // and the operator is told once. No other folder loses a file.
        const QString txImages = s.f.appPath("TXImages");
        writeFile(txImages + "/030101000000.jpg", "x");
        s.engine().setAutoSaveLimit(100);
        s.engine().setAutoSaveDir(s.f.dataHome() + "/gone/");
        receive();
        QCOMPARE(files(s.f.dataHome() + "/gone").size(), 1);
        QCOMPARE(files(folder), left);
        s.engine().setAutoSaveDir(s.f.dataHome() + "/moved/gone/");
        s.f.ui().answerMsgBox(platform::vbOK);
        receive();
        receive();
        QCoreApplication::processEvents();
        QCOMPARE(s.engine().autoSaveDir(), s.f.dataHome() + "/moved/gone/");
        QVERIFY(!QFileInfo::exists(s.f.dataHome() + "/moved"));
        QCOMPARE(files(folder).size(), left.size() + 2);
        QCOMPARE(s.f.ui().calls().size(), 1);
        QVERIFY(s.f.ui().calls().first().text.contains("/moved/gone/ does not exist"));
        QCOMPARE(files(txImages), QStringList{"030101000000.jpg"});
    }

    // What the engine could not read or write is told once each, after the tick.
    void engineFaultsTold()
    {
        Station s;
        scripted::script().options["filefault"] =
            "The sound input \"/x.wav\" is refused: its sample rate of 2000000000 Hz is outside what a sound card "
            "makes (4000 to 384000 Hz)\ncannot write /y/vareror.ini: No space left on device";
        s.f.ui().answerMsgBox(platform::vbOK);
        s.f.ui().answerMsgBox(platform::vbOK);
        for (int i = 0; i < 3; ++i) {
            s.tick(0);
            QCoreApplication::processEvents();
        }
        QCOMPARE(s.f.ui().calls().size(), 2);
        QVERIFY(s.f.ui().calls()[0].text.contains("2000000000 Hz"));
        QVERIFY(s.f.ui().calls()[1].text.contains("vareror.ini: No space left on device"));
    }

    // A received or sent picture that cannot be written (a full disk) deletes nothing, and
    // the operator is told once, naming the file and the reason.
    void pictureThatCannotBeWrittenIsTold()
    {
        Station s;
        shell::FormMain& form = s.form();
        const QString folder = s.engine().autoSaveDir();
        writeFile(folder + "030101000000.jpg", "old");
        s.engine().setAutoSaveLimit(1);
        form.Check8->setValue(1);
        s.f.ui().answerMsgBox(platform::vbOK);
        s.f.ui().answerMsgBox(platform::vbOK);
        vareror::files::setSpaceLeftForTests(100);
        for (int i = 0; i < 2; ++i) {
            s.pictureStarts(9);
            scripted::script().pos[0] = 256;
            s.tick(VRR_STATUS_ENDED);
            platform::setBackColor(form.Command3, Red);
            s.tick(VRR_STATUS_ENDED);
        }
        vareror::files::setSpaceLeftForTests(-1);
        QCoreApplication::processEvents();
        QCOMPARE(files(folder), QStringList{"030101000000.jpg"});
        QCOMPARE(files(s.f.appPath("TXImages")), QStringList());
        QCOMPARE(s.f.ui().calls().size(), 2);
        for (const auto& call : s.f.ui().calls())
            QVERIFY2(call.text.contains(": No space left on device") && call.text.contains(".jpg"), qPrintable(call.text));
    }

    // RX ends a transmission and the scan; Force RX starts one in the TX mode; both leave
    // the TX button idle, the markers hidden and the RX tab in front.
    void receptionButtons()
    {
        Station s;
        shell::FormMain& form = s.form();
        form.Combo2->setListIndex(7);
        const auto sending = [&] {
            platform::setBackColor(form.Command3, Red);
            form.SSTab1->setCurrentIndex(1);
            form.Line1->setY2(100);
            form.Line1->show();
            form.Line2->show();
            scripted::script().calls.clear();
        };
        const auto stoppedSending = [&] {
            QCOMPARE(platform::backColor(form.Command3), Idle);
            QCOMPARE(form.SSTab1->currentIndex(), 0);
            QVERIFY(!form.Line1->isVisibleTo(form.Picture1) && !form.Line2->isVisibleTo(form.Picture1));
            QCOMPARE(form.Line1->Y2(), 0.0);
        };

        sending();
        platform::setBackColor(form.Command1, Green);
        form.shell().Form_KeyDown(120, 0); // F9
        stoppedSending();
        QCOMPARE(scripted::script().calls, (QStringList{"mmsSendStop()=1", "mmsStopScan(1)=1"}));
        QCOMPARE(platform::backColor(form.Command1), Green); // the tick clears it

        sending();
        form.shell().Form_KeyDown(117, 0); // F6
        stoppedSending();
        QCOMPARE(scripted::script().calls, (QStringList{"mmsSendStop()=1", "mmsStartScan(7)=1"}));
        QCOMPARE(platform::backColor(form.Command7), Green);
        // The tick turns Force RX idle again at the end of the picture.
        s.tick(VRR_STATUS_RX_STARTED);
        s.tick(VRR_STATUS_ENDED);
        QCOMPARE(platform::backColor(form.Command7), Idle);

        scripted::script().calls.clear();
        form.Command45->click();
        QCOMPARE(scripted::callNames(), QStringList{"mmsReSync"});
    }

    void slantNeedsTheRxBuffer_data()
    {
        QTest::addColumn<int>("rxWord");
        QTest::addColumn<bool>("corrected");
        QTest::newRow("RAM") << 0x121100FB << true;
        QTest::newRow("file, every upper field set") << 0x33200000 << true;
        QTest::newRow("off, every upper field set") << 0x330000FF << false;
        // Bit 31 fails every test of the signed comparison.
        QTest::newRow("negative") << int(0x80100000) << false;
    }

    void slantNeedsTheRxBuffer()
    {
        QFETCH(int, rxWord);
        QFETCH(bool, corrected);
        Station s;
        scripted::script().rxWord = rxWord;
        if (!corrected)
            s.f.ui().answerMsgBox(platform::vbOK);
        s.form().Command11->click();
        QCOMPARE(scripted::callsOf("mmsCorrectSlant").size(), corrected ? 1 : 0);
        QCOMPARE(s.f.ui().messages(),
                 corrected ? QStringList{}
                           : QStringList{"Disabled, please select 'buffer to RAM' or 'buffer to File', in settings."});
    }

    // The tone sounds while the left button holds it: whatever was sent or received ends,
    // the TX and RX buttons go idle, and the transmission's end is kept out of the archive.
    void toneButton()
    {
        Station s;
        shell::FormMain& form = s.form();
        auto& e = s.engine();
        for (const auto& [hz, sent] : {std::pair{1750.5, 1750}, std::pair{1751.5, 1752}}) {
            e.setToneFrequency(hz);
            platform::setBackColor(form.Command3, Red);
            platform::setBackColor(form.Command1, Green);
            form.Line1->show();
            scripted::script().calls.clear();
            QTest::mousePress(form.Command48, Qt::LeftButton);
            QCOMPARE(scripted::script().calls,
                     (QStringList{"mmsStopScan(1)=1", "mmsSendStop()=1", QString("mmsSendTone(%1)=1").arg(sent)}));
            QVERIFY(e.toneHeld());
            QVERIFY(e.tuneToneEnding());
            QCOMPARE(platform::backColor(form.Command48), 0xFFu);
            QCOMPARE(platform::backColor(form.Command3), Idle);
            QCOMPARE(platform::backColor(form.Command1), Idle);
            QVERIFY(!form.Line1->isVisibleTo(form.Picture1));
            // The right button's release does not stop it; the left one's does.
            scripted::script().calls.clear();
            QTest::mouseRelease(form.Command48, Qt::RightButton);
            QVERIFY(scripted::script().calls.isEmpty());
            QTest::mouseRelease(form.Command48, Qt::LeftButton);
            QCOMPARE(scripted::script().calls, QStringList{"mmsSendStop()=1"});
            QVERIFY(!e.toneHeld());
            QCOMPARE(platform::backColor(form.Command48), Idle);
        }
    }

    void toneFrequencyEntry_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<double>("taken"); // 0: refused with a message
        QTest::newRow("lowest") << "1" << 1.0;
        QTest::newRow("highest") << "2700" << 2700.0;
        QTest::newRow("fraction") << "1750.5" << 1750.5;
        QTest::newRow("blanks inside, text after") << " 1 2 00 Hz" << 1200.0;
        QTest::newRow("above") << "2701" << 0.0;
        QTest::newRow("just below") << "0.99" << 0.0;
        QTest::newRow("no number") << "high" << 0.0;
    }

    void toneFrequencyEntry()
    {
        QFETCH(QString, typed);
        QFETCH(double, taken);
        Station s;
        shell::FormMain& form = s.form();
        s.engine().setToneFrequency(1500);
        s.f.ui().answerInput(typed);
        if (taken == 0)
            s.f.ui().answerMsgBox(platform::vbOK);
        QTest::mousePress(form.Command48, Qt::RightButton);
        QCOMPARE(s.f.ui().calls(platform::UiCall::InputBox).value(0).defaultText, QString("1500"));
        QVERIFY(scripted::callsOf("mmsSendTone").isEmpty());
        if (taken == 0) {
            QCOMPARE(s.f.ui().messages(), QStringList{"Not a valid value"});
            QCOMPARE(s.engine().toneFrequency().toDouble(), 1500.0);
            QCOMPARE(form.Command48->text(), QString("1750")); // as the settings left it
        } else {
            QCOMPARE(s.engine().toneFrequency().toDouble(), taken);
            QCOMPARE(form.Command48->text(), platform::numberText(taken));
        }
        // An empty answer or a cancel changes nothing and says nothing.
        s.f.ui().answerInput("");
        s.f.ui().cancelInput();
        QTest::mousePress(form.Command48, Qt::RightButton);
        QTest::mousePress(form.Command48, Qt::RightButton);
        QCOMPARE(s.engine().toneFrequency().toDouble(), taken == 0 ? 1500.0 : taken);
        QCOMPARE(s.f.ui().messages().size(), taken == 0 ? 1 : 0);
    }

    // With "Notch" on, a press or a left-button drag on either display moves the notch to
    // the frequency under the pointer, the width standing for 3000 Hz.
    void notchPlacedOnTheDisplays()
    {
        Station s;
        shell::FormMain& form = s.form();
        auto& e = s.engine();
        const auto notches = [] { return scripted::callsOf("mmsSetNotch"); };

        form.Check11->setValue(1);
        QCOMPARE(scripted::callsOf("mmsSetSpecRange"), QStringList{"mmsSetSpecRange(0,3000)=1"});
        QCOMPARE(notches(), QStringList{"mmsSetNotch(50)=50"});
        scripted::script().calls.clear();
        e.Picture16_MouseDown(1, 0, 0, 5);
        e.Picture16_MouseDown(1, 0, 205, 5);
        QVERIFY(notches().isEmpty());
        e.Picture16_MouseDown(1, 0, 1, 5);
        QCOMPARE(e.notchFrequency(), 15); // 14.6
        e.Picture17_MouseMove(1, 0, 204, 30);
        QCOMPARE(e.notchFrequency(), 2985);
        QCOMPARE(notches(), (QStringList{"mmsSetNotch(15)=15", "mmsSetNotch(2985)=2985"}));

        // Both buttons held, the right button, sending, or the notch off: nothing moves.
        scripted::script().calls.clear();
        e.Picture16_MouseMove(3, 0, 100, 5);
        e.Picture16_MouseDown(2, 0, 100, 5);
        platform::setBackColor(form.Command3, Red);
        e.Picture16_MouseDown(1, 0, 100, 5);
        QVERIFY(notches().isEmpty());
        // While announcing it still moves.
        platform::setBackColor(form.Command3, 200);
        e.Picture17_MouseDown(1, 0, 82, 5);
        QCOMPARE(e.notchFrequency(), 1200);
        platform::setBackColor(form.Command3, Idle);

        form.Check11->setValue(0);
        QVERIFY(!scripted::callsOf("mmsSetSpecRange").isEmpty());
        QCOMPARE(scripted::callsOf("mmsSetSpecRange").last(), QString("mmsSetSpecRange(700,2000)=1"));
        QVERIFY(!notches().isEmpty());
        QCOMPARE(notches().last(), QString("mmsSetNotch(0)=0"));
        e.Picture16_MouseDown(1, 0, 100, 5);
        QCOMPARE(e.notchFrequency(), 1200);
        // Ticked again, the last place comes back.
        form.Check11->setValue(1);
        QVERIFY(!notches().isEmpty());
        QCOMPARE(notches().last(), QString("mmsSetNotch(1200)=1200"));
    }

    // Exactly one of "Sp FFT" and "Sp FM" is ticked after any click, and the engine's word
    // changes only in its display-type bits.
    void spectrumTypeBoxes()
    {
        Station s;
        shell::FormMain& form = s.form();
        auto& script = scripted::script();
        QCOMPARE(form.Check25->value(), 1);
        QCOMPARE(form.Check12->value(), 0);
        script.tuneWord = int32_t(0x8F00FFED); // the engine's own bits (&HC8 among them) kept
        const auto shows = [&](platform::CheckBox* ticked, uint32_t word) {
            QCOMPARE(ticked->value(), 1);
            QCOMPARE((ticked == form.Check12 ? form.Check25 : form.Check12)->value(), 0);
            QCOMPARE(uint32_t(script.tuneWord), word);
        };
        form.Check12->setValue(1);
        shows(form.Check12, 0x8F00FFDAu);
        form.Check12->setValue(0);
        shows(form.Check25, 0x8F00FFEDu);
        form.Check25->setValue(0);
        shows(form.Check12, 0x8F00FFDAu);
        form.Check25->click();
        shows(form.Check25, 0x8F00FFEDu);
    }
};

QTEST_MAIN(TestEngineControl)
#include "tst_engine_control.moc"
