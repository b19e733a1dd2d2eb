// The setup dialog through the real engine: the option words to the engine and back into
// the boxes, SET's checks, the maximum box, and the engine's own dialog.

#include "LiveStation.h"
#include "TestPictures.h"

#include "engine/EngineControl.h"
#include "intake/Intake.h"
#include "platform/drawing/Colors.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/FileLists.h"
#include "qso/Qso.h"
#include "shell/FormMain.h"
#include "shell/FormSetup.h"
#include "shell/Shell.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <vector>

using testsupport::LiveStation;
using testsupport::writeBytes;

namespace {

// The boxes of each field in the order of their values (the first adds 0), the single
// bits, and the LMS boxes by mode.
const std::vector<std::vector<int>> kRxFields = {{9, 10, 11}, {12, 13, 14}, {15, 16, 17}, {18, 24, 25, 26}};
const int kRxFieldShift[] = {16, 20, 24, 28};
const std::vector<int> kLoopback = {21, 22, 23};

// The state of the 28 engine boxes, box number -> value.
QMap<int, int> boxes(const shell::FormSetup& setup)
{
    QMap<int, int> out;
    for (int n = 1; n <= 29; ++n)
        if (n != 27)
            out[n] = setup.check(n)->value();
    return out;
}

// "More Vareror Engine Setup" with `operate` acting on the engine's dialog once it shows (a
// dialog it leaves open is cancelled).
void withEngineDialog(shell::FormSetup& setup, const std::function<void(QDialog&)>& operate)
{
    QTimer operatorAtDialog;
    QObject::connect(&operatorAtDialog, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) {
                operatorAtDialog.stop();
                operate(*dialog);
                if (dialog->isVisible())
                    dialog->reject();
            }
    });
    operatorAtDialog.start(10);
    setup.Command3->click();
}

void pressOk(QDialog& dialog)
{
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

} // namespace

class TestSetup : public QObject {
    Q_OBJECT
private slots:
    // The boxes ticked for a combination compose the word the fields add up to; the engine
    // keeps it; boxes set wrong on purpose come back exactly by the read-back.
    void everyCombinationRoundTrips()
    {
        LiveStation s;
        shell::FormSetup& setup = s.form().formSetup();
        platform::Engine& engine = s.engine().binding();
        int combination = 0;
        for (int sync = 0; sync < 3; ++sync)
            for (int buffer = 0; buffer < 3; ++buffer)
                for (int demod = 0; demod < 3; ++demod)
                    for (int filter = 0; filter < 4; ++filter) {
                        // The transmit words and LMS modes go round with the fields, so each of
                        // their combinations meets every receive word's flags.
                        const int fields = ((sync * 3 + buffer) * 3 + demod) * 4 + filter;
                        const int choice[] = {sync, buffer, demod, filter};
                        const int loop = fields % 3, txFlags = (fields / 3) % 4, lms = (fields / 12) % 3;
                        const int32_t tx = txFlags | (loop << 16);
                        engine.mmsSetTxControl(tx);
                        engine.mmsSetLMS(lms);
                        for (int flags = 0; flags < 256; ++flags, ++combination) {
                            QMap<int, int> want;
                            int32_t rx = flags;
                            for (int bit = 0; bit < 8; ++bit)
                                want[bit + 1] = (flags >> bit) & 1;
                            for (int f = 0; f < 4; ++f) {
                                for (int k = 0; k < int(kRxFields[f].size()); ++k)
                                    want[kRxFields[f][k]] = k == choice[f];
                                rx += choice[f] << kRxFieldShift[f];
                            }
                            for (int k = 0; k < 3; ++k)
                                want[kLoopback[k]] = k == loop;
                            want[19] = txFlags & 1;
                            want[20] = (txFlags >> 1) & 1;
                            // Check3 stands for bit &H4 and for mode 0: the bit decides it, and
                            // the other LMS boxes show the mode only while it is clear.
                            want[28] = !(flags & 4) && lms == 1;
                            want[29] = !(flags & 4) && lms == 2;

                            for (auto it = want.begin(); it != want.end(); ++it)
                                if (it.value())
                                    setup.check(it.key())->setValue(1);
                            for (auto it = want.begin(); it != want.end(); ++it)
                                if (!it.value())
                                    setup.check(it.key())->setValue(0);
                            QCOMPARE(boxes(setup), want);
                            QCOMPARE(setup.composeRxControlWord(), rx);
                            QCOMPARE(setup.composeTxControlWord(), tx);
                            engine.mmsSetRxControl(rx);

                            // Every box the other way round, then the engine's values back.
                            for (int n : want.keys())
                                setup.check(n)->setValue(want[n] ? 0 : 1);
                            setup.CheckRxTxSettings();
                            QCOMPARE(boxes(setup), want);
                        }
                    }
        QCOMPARE(combination, 256 * 108);
    }

    void readBackEdgeCases_data()
    {
        QTest::addColumn<int>("rx");
        QTest::addColumn<int>("tx");
        QTest::addColumn<QList<int>>("ticked");
        // The engine's LMS mode is 1: Check28 shows it unless bit &H4 ticks Check3.
        const QList<int> offs = {9, 12, 15, 18, 21};
        const QList<int> flags = {1, 2, 3, 4, 5, 6, 7, 8};
        // A bit without a box makes every test below it pass.
        QTest::newRow("bit 8") << 0x100 << 0 << offs + flags;
        QTest::newRow("bit 18: both sync boxes in turn, level 1 wins")
            << 0x40000 << 0 << QList<int>{10, 12, 15, 18, 21} + flags;
        QTest::newRow("3 in the sync field") << 0x30000 << 0 << QList<int>{10, 12, 15, 18, 21, 28};
        QTest::newRow("3 in the loopback field") << 0 << 0x30000 << QList<int>{9, 12, 15, 18, 22, 28};
        QTest::newRow("negative words") << int(0x800000FF) << int(0x80030003) << offs + QList<int>{28};
        QTest::newRow("exact fields") << 0x21210041 << 0x20002 << QList<int>{1, 7, 10, 14, 16, 25, 20, 23, 28};
    }

    void readBackEdgeCases()
    {
        QFETCH(int, rx);
        QFETCH(int, tx);
        QFETCH(QList<int>, ticked);
        LiveStation s;
        shell::FormSetup& setup = s.form().formSetup();
        s.engine().binding().mmsSetLMS(1);
        s.engine().binding().mmsSetRxControl(rx);
        s.engine().binding().mmsSetTxControl(tx);
        for (int n : {1, 3, 11, 14, 17, 26, 19, 23})
            setup.check(n)->setValue(1);
        setup.CheckRxTxSettings();
        QMap<int, int> want;
        for (int n = 1; n <= 29; ++n)
            if (n != 27)
                want[n] = ticked.contains(n);
        QCOMPARE(boxes(setup), want);
    }

    void groupsAndAutoSlant()
    {
        testsupport::FormFixture f;
        shell::FormSetup& setup = f.form().formSetup();
        setup.Check24->setValue(1);
        setup.Check26->setValue(1);
        QCOMPARE(setup.Check24->value(), 0);
        // Clearing the ticked box leaves its group empty, which composes as OFF.
        setup.Check26->setValue(0);
        QCOMPARE(setup.composeRxControlWord() & 0x30000000, 0);
        // Auto-Slant follows the RX buffer, keeps its tick while disabled and still counts.
        setup.Check7->setValue(1);
        setup.Check12->setValue(1);
        QVERIFY(!setup.Check7->isEnabled());
        QCOMPARE(setup.composeRxControlWord() & 0x40, 0x40);
        setup.Check12->setValue(0);
        QVERIFY(!setup.Check7->isEnabled());
        setup.Check14->setValue(1);
        QVERIFY(setup.Check7->isEnabled());
        // A greyed box adds nothing.
        setup.Check20->setValue(2);
        QCOMPARE(setup.composeTxControlWord() & 2, 0);
    }

    void setRefusesAQualityAndKeepsThePrevious_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<int>("quality");
        QTest::newRow("0") << "0" << true << 80;
        QTest::newRow("100") << "100" << true << 80;
        QTest::newRow("abc") << "abc" << true << 80;
        QTest::newRow("99 with letters") << " 99x" << false << 99;
    }

    void setRefusesAQualityAndKeepsThePrevious()
    {
        QFETCH(QString, typed);
        QFETCH(bool, refused);
        QFETCH(int, quality);
        LiveStation s;
        shell::FormMain& form = s.form();
        shell::FormSetup& setup = form.formSetup();
        form.engine().setJpegQuality(80);
        form.copypaste->trigger();
        setup.Text5->setText(typed);
        setup.Text2->setText(QStringLiteral("-3.5"));
        setup.Check19->setValue(1);
        if (refused)
            s.fixture().ui().answerMsgBox(platform::vbOK);
        setup.Command1->click();
        QCOMPARE(form.engine().jpegQuality().toInt(), quality);
        QCOMPARE(form.qso().utcOffset().toDouble(), -3.5); // taken before the check
        QCOMPARE(setup.isVisible(), refused);
        // A refused quality stops SET before the engine's options.
        QCOMPARE(s.engine().binding().mmsSetTxControl(-1) & 1, refused ? 0 : 1);
        QCOMPARE(s.fixture().ui().messages(), refused ? QStringList{shell::FormSetup::QualityRefused} : QStringList{});
    }

    void setChecksTheFolder_data()
    {
        QTest::addColumn<QString>("typed");    // "<home>" stands for the test's folder
        QTest::addColumn<QString>("taken");    // "" when refused
        QTest::newRow("without a final separator") << "<home>/rx" << "<home>/rx/";
        QTest::newRow("with one") << "<home>/rx/" << "<home>/rx/";
        QTest::newRow("root") << "/" << "/";
        QTest::newRow("relative") << "rx" << "";
        QTest::newRow("missing") << "<home>/nowhere" << "";
        QTest::newRow("empty") << "" << "";
    }

    // A refused folder keeps the one in effect and SET goes on: the options are sent and the
    // dialog closes.
    void setChecksTheFolder()
    {
        QFETCH(QString, typed);
        QFETCH(QString, taken);
        LiveStation s;
        shell::FormMain& form = s.form();
        shell::FormSetup& setup = form.formSetup();
        const QString home = s.fixture().dataHome();
        QDir(home).mkdir("rx");
        const QString before = form.engine().autoSaveDir();
        form.copypaste->trigger();
        setup.Text3->setText(typed.replace("<home>", home));
        setup.Check22->setValue(1);
        if (taken.isEmpty())
            s.fixture().ui().answerMsgBox(platform::vbOK);
        setup.Command1->click();
        taken.replace("<home>", home);
        QCOMPARE(form.engine().autoSaveDir(), taken.isEmpty() ? before : taken);
        QCOMPARE(s.fixture().ui().messages(), taken.isEmpty() ? QStringList{shell::FormSetup::NoSuchFolder} : QStringList{});
        if (!taken.isEmpty())
            QCOMPARE(form.Dir1->Path() + (taken == "/" ? "" : "/"), taken);
        QVERIFY(!setup.isVisible());
        QCOMPARE(setup.autoSaveDirEdited, typed.isEmpty() || typed.endsWith('/') ? 0 : 1);
        QCOMPARE(s.engine().binding().mmsSetTxControl(-1), 0x10000);
    }

    // Ten dated pictures and a file of the operator's own, cut to seven: the three oldest
    // pictures go, the other file stays; a maximum above the count deletes nothing.
    void setCutsOnlyDatedPictures()
    {
        LiveStation s;
        shell::FormMain& form = s.form();
        shell::FormSetup& setup = form.formSetup();
        const QString folder = s.fixture().dataHome() + "/rx/";
        QDir().mkpath(folder);
        for (int i = 0; i < 10; ++i)
            QVERIFY(writeBytes(folder + "0301" + QString::number(10 + i) + "120000.jpg", "x"));
        QVERIFY(writeBytes(folder + "000000000000 notes.jpg", "x"));
        for (const int maximum : {12, 7}) {
            form.copypaste->trigger();
            setup.Text3->setText(folder);
            setup.Text4->setText(QString::number(maximum));
            setup.Command1->click();
        }
        const QStringList left = QDir(folder).entryList(QDir::Files, QDir::Name);
        QCOMPARE(left.size(), 8);
        QCOMPARE(left.first(), QStringLiteral("000000000000 notes.jpg"));
        QCOMPARE(left.at(1), QStringLiteral("030113120000.jpg"));
    }

    // A key in the folder box makes the maximum 9000 and marks the box red, also when the
    // box reads 9000 already (the maximum in effect is the one the box shows).
    void typingAFolderMakesTheMaximum9000()
    {
        testsupport::FormFixture f;
        shell::FormMain& form = f.form();
        shell::FormSetup& setup = form.formSetup();
        setup.show();
        QVERIFY(QTest::qWaitForWindowExposed(&setup));
        for (const char* before : {"70", "9000"}) {
            setup.Text4->setText(QString::fromLatin1(before));
            form.engine().setAutoSaveLimit(5);
            QTest::keyClick(setup.Text3, Qt::Key_A);
            QCOMPARE(setup.Text4->text(), QStringLiteral("9000"));
            QCOMPARE(form.engine().autoSaveLimit().toInt(), 9000);
            QCOMPARE(platform::backColor(setup.Text4), 255u);
        }
        QCOMPARE(setup.Text3->text(), QStringLiteral("aa"));
        QCOMPARE(setup.autoSaveDirEdited, 1);
        // Typed letters after a number leave the number.
        setup.Text4->setText(QStringLiteral("1000 files"));
        QCOMPARE(form.engine().autoSaveLimit().toInt(), 1000);
        QCOMPARE(platform::backColor(setup.Text4), 0xFFFFFFu);
        // A box cleared, or a maximum below one picture, would have every received picture
        // deleted: the maximum in effect stays and the box shows red.
        for (const char* refused : {"", "0", "-3", "abc"}) {
            setup.Text4->setText(QString::fromLatin1(refused));
            QCOMPARE(form.engine().autoSaveLimit().toInt(), 1000);
            QCOMPARE(platform::backColor(setup.Text4), 255u);
        }
    }

    void setupMenuFillsTheBoxes()
    {
        LiveStation s;
        shell::FormMain& form = s.form();
        shell::FormSetup& setup = form.formSetup();
        auto& qso = form.qso();
        // A zone word that is neither leaves the option buttons as they are: none at first.
        for (const auto& [offset, zone, shown, option] :
             {std::tuple{3.0, "U", " 3", 0}, std::tuple{0.5, "UTC", " .5", 2}, std::tuple{-5.5, "LCL", "-5.5", 1}}) {
            setup.hide();
            qso.setUtcOffset(offset);
            qso.setZoneWord(QString::fromLatin1(zone));
            form.copypaste->trigger();
            QVERIFY(setup.isVisible());
            QCOMPARE(setup.Text2->text(), QString::fromLatin1(shown));
            QCOMPARE(setup.Option1->isChecked(), option == 1);
            QCOMPARE(setup.Option2->isChecked(), option == 2);
        }
    }

    // The words of the boxes are in the engine while its dialog is open (a greyed box adds
    // nothing); what the dialog changes comes back into the boxes and the call-sign box, and
    // the setup dialog is shown again.
    void engineDialogTakesAndGivesTheWords()
    {
        LiveStation s;
        shell::FormMain& form = s.form();
        shell::FormSetup& setup = form.formSetup();
        platform::Engine& engine = s.engine().binding();
        form.copypaste->trigger();
        setup.Check2->setValue(2);
        setup.Check5->setValue(1);
        setup.Check25->setValue(1);
        setup.Check19->setValue(1);
        setup.Check29->setValue(1); // not sent here: the engine's mode comes back
        const int32_t shownRx = setup.composeRxControlWord();
        int32_t rxInDialog = 0, txInDialog = 0;
        bool setupHidden = false;
        withEngineDialog(setup, [&](QDialog& dialog) {
            rxInDialog = engine.mmsSetRxControl(-1);
            txInDialog = engine.mmsSetTxControl(-1);
            setupHidden = !setup.isVisible();
            // What the operator changes in the engine's own dialog.
            engine.mmsSetRxControl(0x100082);
            engine.mmsSetTxControl(0x20000);
            engine.mmsSetFSKID("DL2QRM");
            dialog.reject();
        });
        QVERIFY(setupHidden);
        QCOMPARE(rxInDialog, shownRx);
        QCOMPARE(rxInDialog & 2, 0);
        QCOMPARE(txInDialog, 1);
        QVERIFY(setup.isVisible());
        QCOMPARE(setup.Text1->text(), QStringLiteral("DL2QRM"));
        QCOMPARE(form.qso().stationCall(), QStringLiteral("DL2QRM"));
        QCOMPARE(setup.composeRxControlWord(), 0x100082);
        QCOMPARE(setup.Check23->value(), 1);
        QCOMPARE(setup.Check29->value(), 0);
        QCOMPARE(setup.Check3->value(), 0);
        QVERIFY(setup.Check7->isEnabled());
    }

    // The engine's dialog changed while a picture comes in from a WAV file. The transmit
    // clock touches no receiver: the picture goes on and is kept whole, and the file does not
    // start again. The same file chosen again plays again from its start: the picture under
    // way ends as one cut short (kept, more than half having arrived; RX idle), and the
    // operator is told why.
    void engineDialogDuringAReception()
    {
        LiveStation s;
        shell::FormMain& form = s.form();
        shell::FormSetup& setup = form.formSetup();
        const QByteArray input = "wav:" + QFile::encodeName(TEST_SIGNALS_DIR "/Robot36_testcard_11025_encB.flac");
        QVERIFY(s.engine().binding().vrrSetOption("input", input.constData()));
        form.Check8->setValue(1);
        const auto saved = [&] { return QDir(s.engine().autoSaveDir()).entryList(QDir::Files).size(); };
        const auto receiving = [&] { return platform::backColor(form.Command1) == 0xFF00; };
        QVERIFY(s.advanceUntil(receiving, 5000));
        s.clock.advance(10000); // a third of the picture
        form.copypaste->trigger();
        withEngineDialog(setup, [](QDialog& dialog) {
            dialog.findChild<QDoubleSpinBox*>("txClock")->setValue(25);
            pressOk(dialog);
        });
        QVERIFY(receiving());
        QVERIFY(s.advanceUntil([&] { return !receiving(); }, 40000));
        QCOMPARE(s.engine().binding().mmsGetPos(0), 240);
        QCOMPARE(saved(), 1);
        s.clock.advance(5000);
        QVERIFY(!receiving());

        form.copypaste->trigger();
        const auto chooseTheInputAgain = [](QDialog& dialog) {
            auto* box = dialog.findChild<QComboBox*>("input");
            emit box->activated(box->currentIndex());
            pressOk(dialog);
        };
        withEngineDialog(setup, chooseTheInputAgain);
        QVERIFY(s.advanceUntil(receiving, 5000));
        s.clock.advance(26000); // more than half of it
        form.copypaste->trigger();
        s.fixture().ui().answerMsgBox(platform::vbOK);
        withEngineDialog(setup, chooseTheInputAgain);
        QVERIFY(s.advanceUntil([&] { return !receiving(); }, 1000));
        QCoreApplication::processEvents();
        QCOMPARE(saved(), 2);
        QCOMPARE(s.fixture().ui().calls().size(), 1);
        QVERIFY2(s.fixture().ui().calls().first().text.contains("picture being received was cut short"),
                 qPrintable(s.fixture().ui().calls().first().text));
        QVERIFY(s.advanceUntil(receiving, 5000)); // and the file plays again
    }

    // A station without the sound card it asks for: the engine's dialog says so, and so does
    // the main window, once, in one message for both ends.
    void missingSoundCardToldOnce()
    {
        LiveStation s;
        platform::Engine& engine = s.engine().binding();
        s.fixture().ui().answerMsgBox(platform::vbOK);
        QVERIFY(engine.vrrSetOption("input", "No Such Card"));
        QVERIFY(engine.vrrSetOption("output", "No Such Card"));
        s.clock.advance(2000);
        QCoreApplication::processEvents();
        QCOMPARE(s.fixture().ui().calls().size(), 1);
        const QString said = s.fixture().ui().calls().first().text;
        QVERIFY2(said.startsWith("The engine: The sound input and output \"No Such Card\" cannot be opened: ") &&
                     !said.endsWith(".."),
                 qPrintable(said));
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"
