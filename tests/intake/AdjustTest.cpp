// The picture-adjust panel on the real engine: levels, filters, Restore, Cancel and Accept.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "CanvasStation.h"
#include "ScriptedEngine.h"
#include "ScriptedStart.h"
#include "intake/Intake.h"
#include "platform/services/Picbuf.h"
#include "platform/widgets/FileLists.h"
#include "strips/Strips.h"

#include <QTabWidget>

using namespace canvastest;

namespace {

// The mean of the red channel: enough to tell brighter from darker.
double meanRed(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            sum += qRed(image.pixel(x, y));
    return sum / ((image.height() + 3) / 4 * ((image.width() + 3) / 4));
}

QImage shown(shell::FormMain& f) { return rgb32(f.PicbufVisible->picture()); }

// Opens the panel over the TX picture.
void openOnTx(shell::FormMain& f)
{
    f.SSTab1->setCurrentIndex(1);
    f.Command13->click();
    QVERIFY(!f.Frame9->isHidden());
}

// Puts a picture into the engine's RX buffer at the mode's size and opens the panel over it.
void openOnRx(Station& s, const QImage& received)
{
    auto& f = s.form();
    auto& e = f.engine();
    e.setModePictureSize(received.width(), received.height());
    const int32_t rect[4] = {0, 0, received.width(), received.height()};
    e.binding().mmsDrawDIBbmp(e.rxDib(), rect, &received, rect, 4);
    f.SSTab1->setCurrentIndex(0);
    f.Command13->click();
    QVERIFY(!f.Frame9->isHidden());
    QVERIFY(f.intake().adjustingRx());
}

void touch(const QString& path) { QVERIFY(testsupport::writeBytes(path, {})); }

QStringList files(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }

} // namespace

class TestAdjust : public QObject {
    Q_OBJECT
private slots:
    // The slider applies its level to the base every time; the filters that make a new base
    // survive slider moves, the negative does not; the slider's bound is set before its value.
    void levelsOverTheBase()
    {
        Station s;
        auto& f = s.form();
        const QImage tx = busy(640, 512);
        f.Picture1->setPicture(tx);

        // The first opening moves the slider to 50: the neutral levels leave every pixel.
        openOnTx(f);
        QCOMPARE(f.HScroll6->value(), 50);
        QCOMPARE(shown(f), tx);

        f.HScroll6->setValue(90);
        QVERIFY(meanRed(shown(f)) > meanRed(tx) + 40);
        QCOMPARE(rgb32(f.PicbufEdit->picture()), tx); // the working copy is back on the base

        // Sharpen becomes the base: after two moves the neutral level shows it unchanged.
        f.HScroll6->setValue(50);
        f.Command39->click();
        const QImage sharpened = shown(f);
        QVERIFY(sharpened != tx);
        QCOMPARE(rgb32(f.PicbufOriginal->picture()), sharpened);
        f.HScroll6->setValue(70);
        f.HScroll6->setValue(50);
        QCOMPARE(shown(f), sharpened);

        // Neg: the first move shows the negative with the level, the second the un-negated base.
        f.Command43->click();
        const QImage negative = shown(f);
        QCOMPARE(qRed(negative.pixel(10, 20)), 255 - qRed(sharpened.pixel(10, 20)));
        QCOMPARE(rgb32(f.PicbufOriginal->picture()), sharpened);
        f.HScroll6->setValue(60);
        QPoint bright, dark;
        for (int x = 0; x < 640; ++x) {
            const int red = qRed(sharpened.pixel(x, 5));
            if (red > 220)
                bright = QPoint(x, 5);
            if (red < 30)
                dark = QPoint(x, 5);
        }
        QVERIFY(!bright.isNull() && !dark.isNull());
        QVERIFY(qRed(shown(f).pixelColor(bright).rgb()) < 110);
        QVERIFY(qRed(shown(f).pixelColor(dark).rgb()) > 220);
        f.HScroll6->setValue(50);
        QCOMPARE(shown(f), sharpened);

        // Contrast keeps the brightness level and applies both together.
        f.HScroll6->setValue(5);
        f.optProcessor[1]->click();
        QCOMPARE(f.HScroll6->value(), 50);
        f.HScroll6->setValue(80);
        QVERIFY(meanRed(shown(f)) < meanRed(sharpened) - 60);

        // Gamma raises the bound to 10; Brightness brings it back to 0 before its 5.
        f.optProcessor[2]->click();
        QCOMPARE(f.HScroll6->minimum(), 10);
        QCOMPARE(f.HScroll6->value(), 50);
        f.HScroll6->setValue(100);
        QVERIFY(meanRed(shown(f)) > meanRed(sharpened) + 20);
        f.optProcessor[0]->click();
        QCOMPARE(f.HScroll6->minimum(), 0);
        QCOMPARE(f.HScroll6->value(), 5);

        // Grey becomes the base too, and Accept puts it on the TX screen.
        f.HScroll6->setValue(50);
        f.optProcessor[2]->click();
        f.HScroll6->setValue(50);
        f.Command42->click();
        const QImage grey = shown(f);
        QCOMPARE(qRed(grey.pixel(100, 100)), qBlue(grey.pixel(100, 100)));
        f.HScroll6->setValue(30);
        f.HScroll6->setValue(50);
        QCOMPARE(shown(f), grey);
    }

    // Restore on the received picture takes Picture19 as it is now; Cancel changes nothing
    // outside the buffers; the RX opening leaves the TX picture's undo copy.
    void restoreAndCancel()
    {
        Station s;
        auto& f = s.form();
        const QImage tx = halves(640, 512, kRed, kBlue);
        f.Picture1->setPicture(tx);
        f.Image6->setPicture(tx);
        const QImage undo = solid(640, 512, kGreen);
        f.Image13->setPicture(undo);
        const QImage recent = solid(64, 64, kWhite);
        f.Image12->setPicture(recent);

        // The mode's area of the RX buffer, stretched to 640 x 512.
        openOnRx(s, halves(320, 256, kGreen, kBlack));
        QCOMPARE(rgb32(f.Image13->Picture()), undo);
        const QImage drawn = shown(f);
        QCOMPARE(drawn.size(), QSize(640, 512));
        QCOMPARE(drawn.pixel(300, 500), kGreen);
        QCOMPARE(drawn.pixel(340, 10), kBlack);

        f.Command43->click();
        f.HScroll6->setValue(20);
        QVERIFY(shown(f) != drawn);
        // A picture that ended meanwhile is what Restore takes.
        const QImage later = halves(640, 512, kBlack, kWhite);
        f.Picture19->setPicture(later);
        f.Command40->click();
        QCOMPARE(f.HScroll6->value(), 50);
        for (platform::Picbuf* b : {f.PicbufVisible, f.PicbufEdit, f.PicbufOriginal})
            QCOMPARE(rgb32(b->picture()), later);

        // Cancel: the panel closes, nothing else changes.
        f.Command43->click();
        f.Command27->click();
        QVERIFY(f.Frame9->isHidden());
        QVERIFY(f.PicbufVisible->isHidden());
        QCOMPARE(rgb32(f.Picture1->Image()), tx);
        QCOMPARE(rgb32(f.Image6->Picture()), tx);
        QCOMPARE(rgb32(f.Image13->Picture()), undo);
        QCOMPARE(f.Image12->Picture(), recent);
        QVERIFY(!f.Image17->hasPicture());
    }

    // Accept on the TX picture: the TX screen and its clean copy take the result; the recent
    // row and "AutoSave" stay as they were, and so does the engine's TX buffer. A mirror
    // button pressed while the panel is open accepts and mirrors nothing.
    void acceptOnTx()
    {
        Station s;
        auto& f = s.form();
        const QImage tx = halves(640, 512, kRed, kBlue);
        f.Picture1->setPicture(tx);
        f.engine().copyTxScreenToDib();
        f.Check8->setValue(1);
        const QString autoSave = s.fixture().appPath("AutoSave");
        const QStringList before = files(autoSave);

        openOnTx(f);
        f.Command43->click();
        const QImage negative = shown(f);
        f.Command38->click();
        QVERIFY(f.Frame9->isHidden());
        QCOMPARE(rgb32(f.Picture1->Picture()), negative);
        QCOMPARE(rgb32(f.Image6->Picture()), negative);
        QCOMPARE(s.txBuffer(), tx);
        QVERIFY(!f.Image12->hasPicture());
        QCOMPARE(files(autoSave), before);

        openOnTx(f);
        f.Command42->click();
        const QImage grey = shown(f);
        emit f.Command28->MouseDown(1, 0, 3, 3);
        QVERIFY(f.Frame9->isHidden());
        QCOMPARE(rgb32(f.Picture1->Picture()), grey);
        emit f.Command29->MouseDown(1, 0, 3, 3); // nothing open: the TX picture is mirrored
        QCOMPARE(rgb32(f.Picture1->Picture()), grey.mirrored(true, false));
    }

    // Accept on the received picture with "A-Save": the recent row shifts and the application's
    // "AutoSave" folder (not the received pictures' own auto-save folder) gets a dated JPEG at
    // quality 65; only the program's dated pictures count and go, at most one, when more than
    // the limit were listed before; a frozen clock gives "_2".
    void acceptIntoAutoSave()
    {
        Station s;
        auto& f = s.form();
        auto& e = f.engine();
        const QString folder = s.fixture().appPath("AutoSave");
        QVERIFY(QDir().mkpath(folder));
        const QDateTime frozen(QDate(2024, 5, 6), QTime(7, 8, 9));
        e.setLocalTime([frozen] { return frozen; });
        e.setAutoSaveLimit(1000);
        QTemporaryDir received;
        e.setAutoSaveDir(received.path() + QLatin1Char('/'));
        f.Check8->setValue(1);
        // 1000 dated pictures of 2001 and a file of the operator's.
        const QDateTime first(QDate(2001, 1, 1), QTime(0, 0, 0));
        for (int i = 0; i < 1000; ++i)
            touch(folder + "/" + platform::datedPictureName(first.addSecs(i)));
        touch(folder + "/notes.txt");
        const QString oldest = platform::datedPictureName(first);
        const QImage older = solid(64, 64, kWhite);
        f.Image12->setPicture(older);

        // Exactly the limit listed: nothing goes.
        openOnRx(s, busy(320, 256));
        f.Command42->click();
        const QImage accepted = shown(f);
        f.Command38->click();
        QVERIFY(f.Frame9->isHidden());
        QCOMPARE(rgb32(f.Image12->Picture()), accepted);
        QCOMPARE(f.Image17->Picture(), older);
        QStringList now = files(folder);
        QCOMPARE(now.size(), 1002);
        QVERIFY(now.contains(oldest) && now.contains("notes.txt") && now.contains("240506070809.jpg"));
        QCOMPARE(f.File2->Path(), QDir(folder).absolutePath());
        QVERIFY(QDir(received.path()).isEmpty());

        QCOMPARE(testsupport::fileBytes(folder + "/240506070809.jpg"), testsupport::jpegAt(accepted, 65));

        // 1001 listed: the oldest dated picture goes, the new one and the notes stay.
        openOnRx(s, busy(320, 256));
        f.Command38->click();
        now = files(folder);
        QCOMPARE(now.size(), 1002);
        QVERIFY(!now.contains(oldest));
        QVERIFY(now.contains("240506070809_2.jpg") && now.contains("notes.txt"));
    }

    // With "AutoSave" gone, Accept writes nothing, says so, and deletes nothing, not even in
    // the folder File2 listed before; the recent row still shifts and the panel closes.
    void autoSaveMissing()
    {
        Station s;
        auto& f = s.form();
        f.engine().setAutoSaveLimit(1);
        f.Check8->setValue(1);
        QDir(s.fixture().appPath("AutoSave")).removeRecursively();
        const QString other = s.fixture().appPath("TXImages");
        for (const char* name : {"010101000000.jpg", "010101000001.jpg", "010101000002.jpg"})
            touch(other + "/" + name);
        f.File2->setPath(other);
        openOnRx(s, busy(320, 256));
        s.fixture().ui().answerMsgBox(platform::vbOK);
        f.Command38->click();
        QCOMPARE(s.fixture().ui().messages().size(), 1);
        QVERIFY(s.fixture().ui().messages().first().contains("AutoSave"));
        QCOMPARE(files(other).size(), 3);
        QVERIFY(!QDir(s.fixture().appPath("AutoSave")).exists());
        QVERIFY(f.Image12->hasPicture());
        QVERIFY(f.Frame9->isHidden());
    }

    // A received picture that ends while the panel is open, with "A-Save", is saved through a
    // buffer of its own: the shown result stays, and Restore then takes the new picture.
    void pictureArrivingWhileOpen()
    {
        testsupport::ScriptedStart s([](scripted::Script& script) {
            for (int i = 0; i < 43; ++i)
                script.modeNames << QByteArray("Mode ") + QByteArray::number(i);
        });
        auto& f = s.form();
        f.Check8->setValue(1);
        f.Picture19->setAutoRedraw(true);
        f.Picture19->Line(0, 0, 640, 512, platform::vbRed, platform::PictureBox::LineKind::FilledBox);
        f.SSTab1->setCurrentIndex(0);
        f.Command13->click();
        f.Command43->click();
        const QImage result = shown(f);

        scripted::script().rxMode = 9;
        scripted::script().statuses << VRR_STATUS_RX_STARTED;
        f.engine().Timer1_Timer();
        scripted::script().pos[0] = 256;
        scripted::script().statuses << VRR_STATUS_ENDED;
        f.engine().Timer1_Timer();
        QCOMPARE(files(f.engine().autoSaveDir()).size(), 1);
        QVERIFY(!f.Frame9->isHidden());
        QCOMPARE(shown(f), result);
        f.Command40->click();
        QCOMPARE(shown(f), rgb32(f.Picture19->Image()));
        QVERIFY(shown(f) != result);
    }
};

QTEST_MAIN(TestAdjust)
#include "AdjustTest.moc"
