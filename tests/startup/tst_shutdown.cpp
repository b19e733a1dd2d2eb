// The shut-down and the pictures kept across runs, with the engine scripted and its
// two-second wait passing on a test clock.
#include <QBuffer>
#include <QImageWriter>
#include <QSignalSpy>
#include <QtTest>

#include "StartupFiles.h"
#include "SkippedSteps.h"
#include "engine/FormRXfloat.h"
#include "platform/runtime/Clock.h"
#include "platform/services/Picbuf.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "strips/Strips.h"

using testsupport::FormFixture;
using namespace startupfiles;
using Result = shell::Shell::LoadResult;

namespace {

// A picture that no two of the test's pictures share: stripes in a colour of its own.
QImage picture(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (x / 8 + y / 8) % 2 ? colour : qRgb(x % 256, y % 256, 40));
    return image;
}

QImage rgb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestShutdown : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        scripted::reset();
        scripted::script().modeNames = {"Robot 36", "Martin 1"};
    }

    void startChangeQuitRestart()
    {
        platform::UseClock use(clock_);
        FormFixture f(false);
        // Files of elements without a role, or named with a leading zero, are no part of the store.
        writeFile(f.appPath("Favorites/Favorite31.bmp"), "not a picture");
        writeFile(f.appPath("Favorites/Favorite07.bmp"), "not a picture either");
        const QImage tx = picture(640, 512, qRgb(255, 0, 0));
        const QImage favourite = picture(80, 64, qRgb(0, 255, 0));
        const QImage lastFavourite = picture(96, 72, qRgb(0, 0, 255));
        const QImage recent = picture(160, 120, qRgb(255, 255, 0));
        const QString pane = QStringLiteral("CQ CQ de DL1ABC\r\n\"quoted\", and ümlauts\r\n");
        {
            testsupport::SkippedSteps skipped;
            QCOMPARE(load(f), Result::Running);
            // A first start in an empty folder is no failure anywhere.
            QCOMPARE(skipped.lines(), QStringList());

            auto& form = f.form();
            form.Text2->setText(pane);
            form.Picture1->setPicture(tx);
            form.strips().storePicture(5, favourite);
            form.strips().storePicture(53, lastFavourite);
            form.Image12->setPicture(recent);
            form.Picture7->setAutoRedraw(true);
            form.Picture7->Line(0, 0, 639, 31, 0x0000FF, platform::PictureBox::LineKind::FilledBox);
            form.qso().setStationCall(QStringLiteral("DL1ABC"));
            form.Check8->setValue(1);
            // Underline and bold ticked, italic not: each box comes back as it was.
            form.Check13->setValue(1);
            form.Check14->setValue(0);
            form.Check6->setValue(1);
            form.engine().setToneFrequency(1200);
            scripted::script().outputGain = 0x1234; // an announcement left the volume changed

            QSignalSpy ended(&form, &shell::FormMain::ended);
            form.exits->trigger(); // the Exit menu runs the same road as the close box
            QCOMPARE(ended.size(), 1);
            QVERIFY(!form.isVisible());
            QCOMPARE(skipped.lines(), QStringList());
            QVERIFY(scripted::script().calls.contains(QStringLiteral("vrrSetOutputGain(%1)=%1").arg(0xFFFFFFFFu)));
        }
        QCOMPARE(fileBytes(f.appPath("messages")), pane.toUtf8() + "\r\n");
        QVERIFY(fileBytes(f.appPath("LastTXImage.bmp")).startsWith("BM"));
        // Element 21 (the splash as painted over the TX screen), the header boxes and the
        // elements that hold a picture; nothing for the empty ones or 31 to 34.
        QStringList written = QDir(f.appPath("Favorites")).entryList(QDir::Files);
        written.sort();
        QStringList expected = {"Favorite07.bmp", "Favorite31.bmp", "Favorite35.bmp", "Favorite5.bmp", "Favorite53.bmp"};
        for (int n = 21; n <= 30; ++n)
            expected << QStringLiteral("Favorite%1.bmp").arg(n);
        expected.sort();
        QCOMPARE(written, expected);
        QCOMPARE(fileBytes(f.appPath("Favorites/Favorite31.bmp")), QByteArray("not a picture"));
        f.destroy();

        scripted::reset();
        scripted::script().modeNames = {"Robot 36", "Martin 1"};
        testsupport::SkippedSteps skipped;
        QCOMPARE(load(f), Result::Running);
        QCOMPARE(skipped.lines(), QStringList());
        auto& form = f.form();
        QCOMPARE(form.Text2->text(), pane);
        QCOMPARE(rgb(form.Picture1->Picture()), tx);
        QCOMPARE(rgb(form.strips().storedPicture(5)), favourite);
        QCOMPARE(rgb(form.strips().storedPicture(53)), lastFavourite);
        QVERIFY(form.strips().storedPicture(7).isNull());
        QVERIFY(form.strips().storedPicture(31).isNull());
        QCOMPARE(rgb(form.Image12->Picture()), recent);
        QCOMPARE(rgb(form.Picture7->Picture()).pixel(320, 16), qRgb(255, 0, 0));
        QCOMPARE(rgb(form.Picture4->Picture()).pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(form.qso().stationCall(), QStringLiteral("DL1ABC"));
        QCOMPARE(form.Check8->value(), 1);
        QCOMPARE(form.Check13->value(), 1);
        QCOMPARE(form.Check14->value(), 0);
        QCOMPARE(form.Check6->value(), 1);
        QCOMPARE(form.Command48->text(), QStringLiteral("1200"));
        // The splash painted over the TX screen at the shut-down is element 21 again.
        QCOMPARE(form.strips().storedPicture(21).size(), QSize(640, 512));
        QCOMPARE(rgb(form.strips().storedPicture(21)),
                 rgb(form.Image1->Picture()).scaled(640, 512, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }

    // The monitor closes first, while the main window is still shown; the shut-down goes on.
    void closingWithTheRxMonitorOpen()
    {
        platform::UseClock use(clock_);
        FormFixture f;
        QCOMPARE(load(f), Result::Running);
        auto& monitor = f.form().formRXfloat();
        monitor.show();
        f.form().close();
        // Closed: it refuses while the main window is hidden, so it closed before that.
        QVERIFY(!monitor.isVisible());
        QVERIFY(!f.form().isVisible());
        QVERIFY(QFileInfo::exists(f.appPath("restoreTovaroM")));
        QVERIFY(QFileInfo::exists(f.appPath("Favorites/Favorite21.bmp")));
    }

    // An earlier version left JPEG data under the bitmap's name (after an auto-save): it
    // loads, and the shut-down writes a bitmap, leaving the writer's JPEG format in place.
    void lastTxImageIsAlwaysWrittenAsBitmap()
    {
        platform::UseClock use(clock_);
        FormFixture f(false);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        const QImage flat(640, 512, QImage::Format_RGB32);
        QImage blue = flat;
        blue.fill(qRgb(20, 40, 200));
        QVERIFY(QImageWriter(&buffer, "jpeg").write(blue));
        writeFile(f.appPath("LastTXImage.bmp"), jpeg);
        QCOMPARE(load(f), Result::Running);
        const QRgb shown = f.form().Picture1->Picture().pixel(320, 256);
        QVERIFY2(qAbs(qBlue(shown) - 200) < 8 && qAbs(qRed(shown) - 20) < 8, qPrintable(QString::number(shown, 16)));
        f.form().PicbufVisible->setImageFormat(platform::Picbuf::Jpeg);
        f.form().close();
        const QByteArray written = fileBytes(f.appPath("LastTXImage.bmp"));
        QVERIFY(written.startsWith("BM"));
        QCOMPARE(QImage::fromData(written).pixel(320, 256), shown);
        QCOMPARE(f.form().PicbufVisible->ImageFormat(), int(platform::Picbuf::Jpeg));
    }

    // A favourites file that cannot be written keeps what it had; the settings, the
    // messages and the other pictures are still written, and the operator is told.
    void aFileThatCannotBeWrittenCostsOnlyItself()
    {
        platform::UseClock use(clock_);
        FormFixture f(false);
        QCOMPARE(load(f), Result::Running);
        // A folder in the way fails for every user, the superuser too.
        QVERIFY(QDir().mkpath(f.appPath("Favorites/Favorite23.bmp")));
        f.form().Text2->setText(QStringLiteral("still written"));
        testsupport::SkippedSteps skipped;
        f.ui().answerMsgBox(platform::vbOK);
        f.form().close();
        QCOMPARE(skipped.matching("Favorite23.bmp").size(), 1);
        QCOMPARE(f.ui().calls().size(), 1);
        QVERIFY(f.ui().calls().first().text.contains(QStringLiteral("(not a regular file but a folder): Favorites/Favorite23.bmp.")));
        QVERIFY(QFileInfo(f.appPath("Favorites/Favorite23.bmp")).isDir());
        QVERIFY(QDir(f.appPath("Favorites")).entryList(QDir::Hidden | QDir::Files).filter("Favorite23").isEmpty());
        QCOMPARE(fileBytes(f.appPath("restoreTovaroM")).count("\r\n"), 143);
        QCOMPARE(fileBytes(f.appPath("messages")), QByteArray("still written\r\n"));
        for (int n : {21, 22, 24, 30})
            QVERIFY(fileBytes(f.appPath(QStringLiteral("Favorites/Favorite%1.bmp").arg(n))).startsWith("BM"));
    }

    // A close asked for while the engine's two-second wait runs, or after the shut-down,
    // starts no second shut-down, and nothing done meanwhile reaches the deleted engine.
    void secondCloseDuringTheWait()
    {
        platform::UseClock use(clock_);
        FormFixture f;
        QCOMPARE(load(f), Result::Running);
        auto& form = f.form();
        scripted::script().calls.clear();
        QSignalSpy ended(&form, &shell::FormMain::ended);
        clock_.after(500, [&] { form.close(); });
        clock_.after(700, [&] { form.exits->trigger(); });
        clock_.after(900, [&] { form.Check11->setValue(1); });
        form.close();
        // And none once it is over.
        form.close();
        QCOMPARE(ended.size(), 1);
        const QStringList names = scripted::callNames();
        QCOMPARE(names.count("mmsDelete"), 1);
        QCOMPARE(names.count("vrrSetOutputGain"), 1);
        // The engine's options (whether its last settings write failed) stay readable.
        const QStringList allowed = {"mmsDelete", "mmsDeleteDIB", "vrrSetOutputGain", "vrrGetOption"};
        for (const QString& name : names)
            QVERIFY2(allowed.contains(name), qPrintable(name));
    }

private:
    platform::ManualClock clock_;
};

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
