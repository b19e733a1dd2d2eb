// The call-sign and entry boxes, the log view, the mug shots and the two stamps, driven on
// the window the way the operator drives them.
#include "FormFixture.h"
#include "Drags.h"
#include "TestPictures.h"

#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Clock.h"
#include "platform/services/Picbuf.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "shell/Shell.h"
#include "text/TextTools.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLocale>
#include <QTimer>
#include <QtTest>

using platform::DragManager;
using platform::UiCall;
using testsupport::drag;
using testsupport::FormFixture;
using testsupport::solid;
const auto readFile = testsupport::fileBytes;

namespace {

// A log as the start-up reads it.
void startWithLog(FormFixture& f, const QString& log)
{
    f.form().qso().contactLog().setLogText(log);
    QDir().mkpath(f.appFolder());
    QVERIFY(testsupport::writeBytes(f.appPath(QStringLiteral("logdata")), log.toUtf8() + "\r\n"));
}

void type(platform::TextBox* box, const QString& text)
{
    box->setFocus();
    QTest::keyClicks(box, text);
}

bool near(QRgb a, QRgb b) { return qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) < 30; }
QRgb centre(const QImage& picture) { return picture.pixel(picture.width() / 2, picture.height() / 2); }

// Any dark pixel inside the rectangle: printed text.
bool hasText(const QImage& picture, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(picture.pixel(x, y)) < 40)
                return true;
    return false;
}

constexpr QRgb kWhite = 0xFFFFFFFF;

} // namespace

class TestLogWindow : public QObject {
    Q_OBJECT
private slots:
    void lookUpAndSave()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        auto& qso = form.qso();
        startWithLog(f, QStringLiteral("\r\nQ1ABC op Jim\r\nQ1AB John, Leeds\r\nQ2XY Ann"));
        type(form.Text3, QStringLiteral("q1ab"));
        QCOMPARE(form.Text3->text(), QStringLiteral("Q1AB"));
        QCOMPARE(form.Text3->selStart(), 4);
        QCOMPARE(form.Text4->text(), QStringLiteral("John, Leeds"));
        QVERIFY(form.Command2->isHidden());

        // Cancel puts the stored entry back; No keeps the edit; Yes replaces the line in place.
        form.Text4->setText(QStringLiteral("John, York"));
        QVERIFY(!form.Command2->isHidden());
        f.ui().answerMsgBox(platform::vbCancel);
        form.Command2->click();
        const UiCall* asked = f.ui().last();
        QVERIFY(asked);
        QCOMPARE(asked->text, QStringLiteral("Save \"Q1AB   John, York\""));
        QCOMPARE(asked->title, QStringLiteral("ARE YOU SURE!!"));
        QCOMPARE(form.Text4->text(), QStringLiteral("John, Leeds"));
        form.Text4->setText(QStringLiteral("John, York"));
        f.ui().answerMsgBox(platform::vbNo);
        form.Command2->click();
        QCOMPARE(form.Text4->text(), QStringLiteral("John, York"));
        f.ui().answerMsgBox(platform::vbYes);
        form.Command2->click();
        QCOMPARE(readFile(f.appPath("logdata")), QByteArray("\r\nQ1ABC op Jim\r\nQ1AB John, York\r\nQ2XY Ann\r\n"));
        QVERIFY(form.Command2->isHidden());

        // A file that cannot be written: the operator is told, and the log stays as it was.
        const QString before = qso.contactLog().logText();
        QFile::remove(f.appPath("logdata"));
        QVERIFY(QDir().mkdir(f.appPath("logdata")));
        form.Text4->setText(QStringLiteral("Alan"));
        f.ui().answerMsgBox(platform::vbYes);
        f.ui().answerMsgBox(platform::vbOK);
        form.Command2->click();
        QVERIFY(f.ui().last());
        QVERIFY(f.ui().last()->text.startsWith(QStringLiteral("Cannot write %1: ").arg(f.appPath("logdata"))));
        QCOMPARE(qso.contactLog().logText(), before);
        QVERIFY(!form.Command2->isHidden());
    }

    void deleteAndDropBack()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        startWithLog(f, QStringLiteral("\r\nQ1AB John\r\nQ2XY Ann"));
        QTest::keyClicks(form.Text3, QStringLiteral("q1ab"));
        form.Text4->setText(QStringLiteral("edited"));
        // The stored entry comes back before the question, and No deletes nothing.
        f.ui().onShow = [&](const UiCall&) { QCOMPARE(form.Text4->text(), QStringLiteral("John")); };
        f.ui().answerMsgBox(platform::vbNo);
        form.Command9->click();
        QVERIFY(f.ui().last());
        QCOMPARE(f.ui().last()->text, QStringLiteral("Delete \"Q1AB   John\""));
        QCOMPARE(f.ui().last()->style, 308);
        QCOMPARE(form.qso().contactLog().logText(), QStringLiteral("\r\nQ1AB John\r\nQ2XY Ann"));
        f.ui().onShow = nullptr;
        f.ui().answerMsgBox(platform::vbYes);
        form.Command9->click();
        QCOMPARE(readFile(f.appPath("logdata")), QByteArray("\r\nQ2XY Ann\r\n"));
        QCOMPARE(form.Text3->text(), QString());
        QCOMPARE(form.Text4->text(), QString());

        // The call dragged in Text mode and dropped back on its box empties both boxes and
        // the mug shot.
        form.Text3->setText(QStringLiteral("Q2XY"));
        form.Image7->setPicture(solid(40, 30, 0xFF00FF00));
        form.Option1->setValue(true);
        form.Text3->setFocus();
        QTest::mousePress(form.Text3->viewport(), Qt::LeftButton);
        QCOMPARE(form.canvas().dragSourceCode(), int(canvas::dragCallSign));
        DragManager::instance().moveOver(form.Text3, 5, 5);
        DragManager::instance().release();
        QCOMPARE(form.Text3->text(), QString());
        QCOMPARE(form.Text4->text(), QString());
        QVERIFY(!form.Image7->hasPicture());
        QVERIFY(!form.qso().callHasRecord());
    }

    void searchListsAndRestores()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        startWithLog(f, QStringLiteral("\r\nQ1 John, Leeds\r\nQ2 John, York\r\nQ3 leeds, JOHN and john\r\nQ4 Leeds"));
        form.Text1->setText(QStringLiteral("my text"));
        QFont font = form.Text1->font();
        font.setFamily(QStringLiteral("Courier"));
        font.setPointSizeF(17);
        form.Text1->setFont(font);
        type(form.Text3, QStringLiteral("john,leeds"));
        QTest::keyClick(form.Text3, Qt::Key_Return);
        QCOMPARE(platform::backColor(form.Label48), 255u);
        QVERIFY(form.Text1->isReadOnly());
        QCOMPARE(form.Text1->text(), QStringLiteral("Matches for:-    JOHN,LEEDS\r\n\r\nQ1 John, Leeds\r\n\r\n"
                                                    "Q3 leeds, JOHN and john\r\n\r\n  ---no more matches---"));
        QCOMPARE(form.Text1->font().pointSizeF(), 8.0);
        // Off again: Text1 exactly as it was.
        emit form.Label48->Click();
        QCOMPARE(platform::backColor(form.Label48), 0xC0C0u);
        QCOMPARE(form.Text1->text(), QStringLiteral("my text"));
        QCOMPARE(form.Text1->font().family(), font.family());
        QCOMPARE(form.Text1->font().pointSizeF(), 17.0);
        QVERIFY(!form.Text1->isReadOnly());

        form.Text3->setText(QStringLiteral("X"));
        QTest::keyClick(form.Text3, Qt::Key_Return);
        QVERIFY(form.Text1->text().endsWith(QStringLiteral("\r\n\r\n  ---no matches found---")));
    }

    void searchStopsWhenTheCallChanges()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        QString log;
        for (int n = 0; n < 50; ++n)
            log += QStringLiteral("\r\nQ%1 Leeds").arg(n);
        startWithLog(f, log);
        form.Text1->setText(QStringLiteral("my text"));
        form.Text3->setText(QStringLiteral("leeds"));
        // The operator types before the search starts ...
        QTimer::singleShot(0, form.Text3, [&] { form.Text3->setText(QStringLiteral("LEEDSX")); });
        emit form.Label48->Click();
        QCOMPARE(platform::backColor(form.Label48), 0xC0C0u);
        QCOMPARE(form.Text1->text(), QStringLiteral("my text"));
        // ... and while the first lines are listed.
        form.Text3->setText(QStringLiteral("leeds"));
        int listed = 0;
        auto typing = connect(form.Text1, &platform::TextBox::Change, this, [&] {
            if (form.Text1->text().contains(QStringLiteral(" Leeds")) && ++listed == 3)
                form.Text3->setText(QStringLiteral("LEEDSX"));
        });
        emit form.Label48->Click();
        disconnect(typing);
        QCOMPARE(platform::backColor(form.Label48), 0xC0C0u);
        QCOMPARE(form.Text1->text(), QStringLiteral("my text"));
    }

    void mugShotsFromTheirFolderOnly()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        const QString shots = f.appPath("MugShots");
        QDir().mkpath(shots);
        QVERIFY(solid(30, 20, 0xFFFF0000).save(shots + "/Q1AB.bmp"));
        QVERIFY(solid(30, 20, 0xFF0000FF).save(shots + "/Q1AB.jpg"));
        QVERIFY(solid(30, 20, 0xFF00FF00).save(shots + "/q2xy.png"));
        QVERIFY(solid(30, 20, 0xFFFFFF00).save(f.appPath("X.jpg")));
        QVERIFY(solid(30, 20, 0xFFFFFF00).save(f.appPath("B.jpg")));
        form.PicbufEdit->setPicture(solid(8, 8, 0xFF123456)); // the adjust panel's work
        // The last type that loads wins; the name's case does not matter.
        form.Text3->setText(QStringLiteral("Q1AB"));
        QVERIFY(near(centre(form.Image7->Picture()), 0xFF0000FF));
        form.Text3->setText(QStringLiteral("Q2XY"));
        QVERIFY(near(centre(form.Image7->Picture()), 0xFF00FF00));
        // A call without a file shows nothing, not the last call's picture; a call from the air
        // that would name a file outside the folder reads nothing.
        for (const char* call : {"Q3", "../X", "..", "MUGSHOTS/../B", "A\\B"}) {
            form.Text3->setText(QStringLiteral("Q2XY"));
            form.Text3->setText(QString::fromLatin1(call));
            QVERIFY2(!form.Image7->hasPicture(), call);
        }
        QCOMPARE(form.PicbufEdit->picture().pixel(1, 1), 0xFF123456u);
    }

    void mugShotSaveAndDrops()
    {
        FormFixture f;
        shell::FormMain& form = f.form();
        const QString shots = f.appPath("MugShots");
        QDir().mkpath(shots);
        QVERIFY(solid(30, 20, 0xFF0000FF).save(shots + "/Q1AB.jpg"));
        form.engine().setJpegQuality(90);
        form.Text3->setText(QStringLiteral("Q1AB"));

        // The TX screen dropped on the mug shot: the composed picture, drawings included.
        form.Picture1->setPicture(solid(640, 512, kWhite));
        form.Picture1->setAutoRedraw(true);
        form.Picture1->Line(0, 0, 639, 511, 0x0000FF, platform::PictureBox::LineKind::FilledBox);
        form.Picture1->setAutoRedraw(false);
        drag(form.Picture1, canvas::dragTxPicture, form.Image7, form);
        QCOMPARE(form.Image7->Picture(), form.Picture1->Image());
        // A strip slot's picture; the mug shot on itself changes nothing.
        form.Image4->setPicture(solid(65, 52, 0xFF00FF00));
        drag(form.Image4, 4, form.Image7, form);
        QCOMPARE(centre(form.Image7->Picture()), 0xFF00FF00u);
        drag(form.Image7, canvas::dragMugShot, form.Image7, form);
        QCOMPARE(centre(form.Image7->Picture()), 0xFF00FF00u);

        // Saved under the default answer, the call: the old file is replaced.
        f.ui().answerInput(QStringLiteral("q1ab"));
        emit form.Label26->MouseDown(1, 0, 1, 1);
        const UiCall* asked = f.ui().last();
        QVERIFY(asked);
        QCOMPARE(asked->defaultText, QStringLiteral("Q1AB"));
        QCOMPARE(asked->title, QStringLiteral("Save Displayed Mug Shot as New Mug Shot."));
        QVERIFY(asked->text.startsWith(QStringLiteral("BE CAREFUL. read below:\rYou might overwrite")));
        QImage saved(shots + "/Q1AB.jpg");
        QVERIFY(near(centre(saved), 0xFF00FF00));

        // A portable call is saved in the folder with "_" for its "/", and shown again for
        // the call as it comes from the air.
        f.ui().answerInput(QStringLiteral("q1ab/p"));
        emit form.Label26->MouseDown(1, 0, 1, 1);
        QVERIFY(near(centre(QImage(shots + "/Q1AB_P.jpg")), 0xFF00FF00));
        QVERIFY(solid(30, 20, 0xFFFF0000).save(shots + "/Q1AB_P.jpg"));
        form.Text3->setText(QStringLiteral("Q1AB/P"));
        QVERIFY(near(centre(form.Image7->Picture()), 0xFFFF0000));
        QVERIFY(QFile::remove(shots + "/Q1AB_P.jpg"));

        // Names that would leave the folder or hide in it write nothing anywhere; a
        // separator stays in the folder.
        for (const char* answer : {"../x", ".hidden"}) {
            f.ui().answerInput(QString::fromLatin1(answer));
            f.ui().answerMsgBox(platform::vbOK);
            emit form.Label26->MouseDown(1, 0, 1, 1);
            QVERIFY(f.ui().last());
            QCOMPARE(f.ui().last()->text, QStringLiteral("Not a valid value"));
        }
        f.ui().answerInput(QStringLiteral("a\\b"));
        emit form.Label26->MouseDown(1, 0, 1, 1);
        QVERIFY(!QFile::exists(f.appPath("X.jpg")));
        QCOMPARE(QDir(shots).entryList(QDir::Files | QDir::Hidden), QStringList({"A_B.jpg", "Q1AB.jpg"}));

        form.Image7->setPicture(QImage());
        f.ui().answerMsgBox(platform::vbOK);
        emit form.Label26->MouseDown(1, 0, 1, 1);
        QVERIFY(f.ui().last());
        QCOMPARE(f.ui().last()->text, QStringLiteral("No Image to Save"));
    }

    void qslBlock()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        clock.setLocalTime(QDateTime(QDate(2026, 3, 1), QTime(2, 10)));
        FormFixture f;
        shell::FormMain& form = f.form();
        auto& qso = form.qso();
        auto& text = form.text();
        platform::PictureBox* tx = form.Picture1;
        qso.setStationCall(QStringLiteral("Q1AB/P"));
        qso.setZoneWord(QStringLiteral("UTC"));
        qso.setUtcOffset(-5);
        tx->setPicture(solid(640, 512, kWhite));
        tx->setFontName(QStringLiteral("Courier"));
        tx->setFontSize(13);
        tx->setFontItalic(true);
        tx->setFontUnderline(true);
        tx->setFontBold(false);
        tx->setForeColor(0x00FF00);
        form.Text9->setText(QStringLiteral("14.230"));
        form.Text10->setText(QStringLiteral("599"));
        form.Check16->setValue(1);

        // The panel opens with the text's background box off: the block prints without it.
        emit form.Label54->Click();
        QVERIFY(!form.Frame5->isHidden());
        QCOMPARE(form.Check16->value(), 0);
        QCOMPARE(form.Text15->text(), QString());
        // The date stamp pressed while the block is built (its steps let events run) is ignored.
        QTimer::singleShot(0, form.Label53, [&] { emit form.Label53->Click(); });
        form.Command4->click();
        QVERIFY(form.Frame5->isHidden());
        QImage picture = tx->Picture();
        QCOMPARE(picture.pixel(70, 28), kWhite);
        QVERIFY(picture.pixel(70, 34) != kWhite);
        QCOMPARE(picture.pixel(70, 300), kWhite);
        QCOMPARE(picture.pixel(52, 490), kWhite);
        QVERIFY(hasText(picture, QRect(200, 40, 200, 50)));
        QCOMPARE(form.Image6->Picture(), picture);
        QCOMPARE(text.textToDraw(), QStringLiteral("Q1AB/"));

        // A second block, at the bottom: the report keeps its three blanks, the call stays as set
        // up, and the operator's style is back (the block's outline among it).
        form.Text15->setText(QStringLiteral("q2xy"));
        QCOMPARE(form.Text3->text(), QStringLiteral("Q2XY"));
        form.Command32->click();
        picture = tx->Picture();
        QVERIFY(picture.pixel(70, 290) != kWhite);
        QVERIFY(hasText(picture, QRect(200, 294, 200, 50)));
        QCOMPARE(form.Text10->text(), QStringLiteral("599   "));
        QCOMPARE(qso.report(), QStringLiteral("599   "));
        QCOMPARE(qso.stationCall(), QStringLiteral("Q1AB/P"));
        QCOMPARE(tx->FontName(), QStringLiteral("Courier"));
        QCOMPARE(tx->FontSize(), 13.0);
        QVERIFY(tx->FontItalic() && tx->FontUnderline() && !tx->FontBold());
        QCOMPARE(tx->ForeColor(), 0x00FF00u);
        QCOMPARE(form.Check15->value(), 0);
        QVERIFY(!qso.qslAtTop());

        // With the log view on, the block only hides the panel; the top flag is back at 0.
        tx->setPicture(solid(640, 512, kWhite));
        emit form.Label48->Click();
        form.Frame5->show();
        form.Command4->click();
        QVERIFY(form.Frame5->isHidden());
        QCOMPARE(tx->Picture().pixel(70, 34), kWhite);
        QVERIFY(!qso.qslAtTop());
    }

    void dateStamp()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        clock.setLocalTime(QDateTime(QDate(2026, 12, 8), QTime(14, 5)));
        FormFixture f;
        shell::FormMain& form = f.form();
        auto& qso = form.qso();
        platform::PictureBox* tx = form.Picture1;
        tx->setPicture(solid(640, 512, kWhite));
        qso.setStationCall(QString());
        qso.setZoneWord(QStringLiteral("LCL"));
        qso.setUtcOffset(5);
        tx->setFontSize(11);
        emit form.Label53->MouseDown(1, 0, 1, 1);
        emit form.Label53->Click();
        QCOMPARE(form.text().textToDraw(), QStringLiteral("14:05 LCL  Dec 08 2026"));
        QCOMPARE(qso.stationCall(), QString());
        const QImage picture = tx->Picture();
        QCOMPARE(picture.pixel(52, 478), kWhite);
        QVERIFY(picture.pixel(52, 482) != kWhite);
        QVERIFY(hasText(picture, QRect(66, 484, 100, 27))); // NOCALL
        QCOMPARE(form.Image6->Picture(), picture);
        QCOMPARE(tx->FontSize(), 11.0);
    }

    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void cleanup()
    {
        if (DragManager::instance().active())
            DragManager::instance().cancel();
    }
};

QTEST_MAIN(TestLogWindow)
#include "tst_log_window.moc"
