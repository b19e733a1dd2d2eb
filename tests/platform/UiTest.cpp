#include "platform/widgets/Controls.h"
#include "platform/runtime/Events.h"
#include "platform/services/QtUi.h"
#include "platform/services/ScriptedUi.h"
#include "platform/runtime/StepRunner.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace platform;

// Acts on the next modal dialog once it shows when it is a T; anything else is closed, so
// that no test is left hanging on a dialog.
template <typename T, typename Act>
void onNextModal(Act act)
{
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<T*>(modal))
            act(dialog);
        else if (modal)
            modal->close();
    });
}

class UiTest : public QObject {
    Q_OBJECT
private slots:
    void scriptedUiRecordsAndAnswersInOrder()
    {
        ScriptedUi ui;
        ui.answerMsgBox(vbNo);
        ui.answerMsgBox(vbYes);
        ui.answerInput(QStringLiteral("1750"));
        ui.cancelInput();

        QCOMPARE(ui.msgBox(QStringLiteral("first"), vbYesNo + vbQuestion + vbDefaultButton2, QStringLiteral("T1")), int(vbNo));
        QCOMPARE(ui.msgBox(QStringLiteral("second"), vbYesNo), int(vbYes));
        QCOMPARE(ui.inputBox(QStringLiteral("Type Tone Freq  1-2700"), QStringLiteral("Set Tone Freq"),
                             QStringLiteral("1750"), QPoint(10, 20)),
                 std::optional<QString>(QStringLiteral("1750")));
        QCOMPARE(ui.inputBox(QStringLiteral("again")), std::nullopt);

        QCOMPARE(ui.calls().size(), 4);
        const UiCall& first = ui.calls()[0];
        QCOMPARE(first.title, QStringLiteral("T1"));
        QCOMPARE(msgBoxButtons(first.style), int(vbYesNo));
        QCOMPARE(msgBoxIcon(first.style), int(vbQuestion));
        QCOMPARE(msgBoxDefaultButton(first.style), 2);
        QCOMPARE(ui.calls()[2].defaultText, QStringLiteral("1750"));
        QCOMPARE(ui.calls()[2].topLeft, std::optional<QPoint>(QPoint(10, 20)));
        QCOMPARE(ui.messages(), QStringList({QStringLiteral("first"), QStringLiteral("second")}));
        QVERIFY(!ui.hasUnexpected());
        QCOMPARE(ui.pendingAnswers(), 0);

        // A dialog shown from inside another (as events run during a modal box) is recorded
        // in order and answered from the same queue.
        ui.answerMsgBox(vbOK);
        ui.answerColor(255);
        ui.onShow = [&](const UiCall& c) {
            if (c.kind == UiCall::MsgBox)
                QCOMPARE(ui.chooseColor(0), std::optional<uint32_t>(255));
        };
        QCOMPARE(ui.msgBox(QStringLiteral("outer")), int(vbOK));
        QCOMPARE(ui.calls().size(), 6);
        QCOMPARE(ui.calls()[5].kind, UiCall::Color);
        QCOMPARE(ui.calls()[4].answer, QStringLiteral("1"));
    }

    void scriptedUiFlagsDialogsWithoutAnswer()
    {
        ScriptedUi ui;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no answer queued.*Not while in TX")));
        QCOMPARE(ui.msgBox(QStringLiteral("Not while in TX")), int(vbOK));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no answer queued")));
        QCOMPARE(ui.msgBox(QStringLiteral("Save?"), vbYesNoCancel), int(vbCancel));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no answer queued.*SaveFile")));
        const FileDialogResult r = ui.saveFile({QStringLiteral("Save Image"), {}, 7, {}, {}, true});
        QVERIFY(!r.accepted);
        QVERIFY(r.fileName.isEmpty());
        QCOMPARE(ui.unexpectedCalls().size(), 3);
        QVERIFY(ui.unexpectedCalls()[0].contains(QStringLiteral("Not while in TX")));

        // With OK-only boxes accepted, only boxes that ask something need an answer.
        ScriptedUi lenient;
        lenient.setAutoAcceptOkOnly(true);
        QCOMPARE(lenient.msgBox(QStringLiteral("Nothing in Clipboard.")), int(vbOK));
        QVERIFY(!lenient.hasUnexpected());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no answer queued")));
        QCOMPARE(lenient.msgBox(QStringLiteral("Retry?"), vbRetryCancel), int(vbCancel));
        QVERIFY(lenient.hasUnexpected());
    }

    void commonDialogKeepsPropertiesAndRaisesCancel()
    {
        ScriptedUi ui;
        CommonDialog dlg(ui);
        dlg.DialogTitle = QStringLiteral("Save Image");
        dlg.Filter = QStringLiteral("TIFF|*.tif|JPEG|*.jpg");
        dlg.FilterIndex = 2;
        dlg.Flags = cdlOFNOverwritePrompt | cdlOFNHideReadOnly;
        dlg.CancelError = true;
        ui.answerSave(QStringLiteral("/tmp/x.jpg"), 2);
        dlg.ShowSave();
        QCOMPARE(dlg.FileName, QStringLiteral("/tmp/x.jpg"));
        QVERIFY(!ui.calls().isEmpty());
        const UiCall& shown = ui.calls().last();
        QCOMPARE(shown.file.title, QStringLiteral("Save Image"));
        QCOMPARE(shown.file.filterIndex, 2);
        QVERIFY(shown.file.overwritePrompt);

        // Cancel with CancelError raises the cancel error; FileName is left as it was, and
        // the next save offers no name of its own.
        ui.cancelSave();
        try {
            dlg.ShowSave();
            QFAIL("cancel raised nothing");
        } catch (const VbError& e) {
            QCOMPARE(e.number(), cdlCancel);
        }
        QCOMPARE(dlg.FileName, QStringLiteral("/tmp/x.jpg"));
        QVERIFY(!ui.calls().isEmpty());
        QCOMPARE(ui.calls().last().file.fileName, QString());

        // The next use sets only what it needs; the others stay from the last use.
        dlg.CancelError = false;
        dlg.FileName.clear();
        dlg.DialogTitle = QStringLiteral("Load Image");
        ui.cancelOpen();
        dlg.ShowOpen();
        QCOMPARE(dlg.FileName, QString());
        QVERIFY(!ui.calls().isEmpty());
        QCOMPARE(ui.calls().last().file.filter, QStringLiteral("TIFF|*.tif|JPEG|*.jpg"));
        QVERIFY(!ui.calls().last().file.overwritePrompt);

        // Colour: a cancelled dialog leaves Color at its preset value.
        dlg.Color = 0x123456;
        ui.cancelColor();
        dlg.ShowColor();
        QCOMPARE(dlg.Color, 0x123456u);
        QVERIFY(!ui.calls().isEmpty());
        QCOMPARE(ui.calls().last().color, 0x123456u);
        ui.answerColor(255);
        dlg.ShowColor();
        QCOMPARE(dlg.Color, 255u);

        // Font: a cancelled dialog keeps the presets; an answer replaces them.
        dlg.FontName = QStringLiteral("Arial");
        dlg.FontBold = true;
        ui.cancelFont();
        dlg.ShowFont();
        QCOMPARE(dlg.FontName, QStringLiteral("Arial"));
        QVERIFY(dlg.FontBold);
        FontChoice f;
        f.name = QStringLiteral("Courier");
        f.size = 14;
        f.italic = true;
        ui.answerFont(f);
        dlg.ShowFont();
        QCOMPARE(dlg.FontName, QStringLiteral("Courier"));
        QVERIFY(!dlg.FontBold);
        QVERIFY(dlg.FontItalic);
        QCOMPARE(dlg.FontSize, 14.0);
    }

    void filterConversion()
    {
        QCOMPARE(filterToQt(QStringLiteral("TIFF|*.tif|All Picture Files (*.*)|*.bmp;*.jpg;*.gif")),
                 QStringList({QStringLiteral("TIFF (*.tif)"), QStringLiteral("All Picture Files (*.*) (*.bmp *.jpg *.gif)")}));
        QVERIFY(filterToQt(QString()).isEmpty());
        QCOMPARE(displayText(QStringLiteral("a\r\nb\rc")), QStringLiteral("a\nb\nc"));
    }

    void msgBoxStyleParts()
    {
        QCOMPARE(msgBoxCancelAnswer(vbOKOnly), int(vbOK));
        QCOMPARE(msgBoxCancelAnswer(vbOKCancel), int(vbCancel));
        QCOMPARE(msgBoxCancelAnswer(vbYesNo), int(vbYes));
        QCOMPARE(msgBoxCancelAnswer(vbYesNo + vbDefaultButton2), int(vbNo));
        QCOMPARE(msgBoxCancelAnswer(vbAbortRetryIgnore + vbDefaultButton3 + vbCritical), int(vbIgnore));
    }

    void stepRunnerSkipsFailingSteps()
    {
        StepRunner steps(QStringLiteral("Form_Load"));
        QStringList ran;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Form_Load.*read logdata.*no such file")));
        QVERIFY(!steps.step(QStringLiteral("read logdata"), [&] {
            ran << QStringLiteral("a");
            throw std::runtime_error("no such file");
            ran << QStringLiteral("not reached");
        }));
        QVERIFY(steps.step(QStringLiteral("read messages"), [&] { ran << QStringLiteral("b"); }));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("engine.*unknown error")));
        steps.step(QStringLiteral("engine"), [&] { throw 42; });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cancelled.*Cancel was selected")));
        steps.step(QStringLiteral("cancelled"), [&] { throw DialogCancelled(); });
        steps.step(QStringLiteral("last"), [&] { ran << QStringLiteral("c"); });
        QCOMPARE(ran, QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        QCOMPARE(steps.failures(), 3);
        QCOMPARE(steps.failedSteps().first(), QStringLiteral("read logdata"));

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("number")));
        QCOMPARE(steps.value(QStringLiteral("number"), [] { return CInt(QStringLiteral("abc")); }, int16_t(7)), int16_t(7));
        QCOMPARE(steps.value(QStringLiteral("number2"), [] { return CInt(QStringLiteral("12")); }, int16_t(7)), int16_t(12));
    }

    void stepRunnerConditionalBodyRunsWhenTestFails()
    {
        StepRunner steps;
        int body = 0, otherwise = 0;
        QVERIFY(!steps.stepIf(QStringLiteral("false"), [] { return false; }, [&] { ++body; }, [&] { ++otherwise; }));
        QCOMPARE(body, 0);
        QCOMPARE(otherwise, 1);
        QVERIFY(steps.stepIf(QStringLiteral("true"), [] { return true; }, [&] { ++body; }, [&] { ++otherwise; }));
        QCOMPARE(body, 1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("failing test")));
        QVERIFY(steps.stepIf(QStringLiteral("failing test"), []() -> bool { throw std::runtime_error("bad"); },
                             [&] { ++body; }, [&] { ++otherwise; }));
        QCOMPARE(body, 2);
        QCOMPARE(otherwise, 1);
        // A failing body is skipped like any step, and what follows still runs.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("body fails")));
        steps.stepIf(QStringLiteral("body fails"), [] { return true; }, [] { throw std::runtime_error("x"); });
        QVERIFY(steps.step(QStringLiteral("after"), [] {}));
    }

    // Waits run on the clock in use: with a test's clock, two seconds pass at once, the
    // timers and actions due inside the wait run at their own times and in time order,
    // and the early stop ends the wait at the first check after its condition holds.
    void waitLetsEventsRun()
    {
        ManualClock clock;
        UseClock use(clock);
        QStringList seen;
        VbTimer timer(QStringLiteral("Timer1"), 200, true);
        connect(&timer, &VbTimer::Timer, [&] { seen << QStringLiteral("tick %1").arg(clock.now()); });
        clock.after(500, [&] { seen << QStringLiteral("action %1").arg(clock.now()); });
        bool posted = false;
        QTimer::singleShot(0, [&] { posted = true; });
        waitWithEvents(2000);
        QVERIFY(posted);
        QCOMPARE(clock.now(), 2000);
        QCOMPARE(seen.size(), 11);
        QCOMPARE(seen.mid(0, 4), QStringList({"tick 200", "tick 400", "action 500", "tick 600"}));
        QCOMPARE(seen.last(), QStringLiteral("tick 2000"));

        seen.clear();
        QVERIFY(waitWithEventsUntil(10000, [&] { return seen.size() >= 3; }));
        QVERIFY(clock.now() <= 2600 + ManualClock::Step);
        // A wait inside a tick moves the time on; the outer wait does not move it back.
        const qint64 before = clock.now();
        clock.after(50, [] { waitWithEvents(1000); });
        clock.advance(100);
        QVERIFY(clock.now() >= before + 1050);
    }

    void vbTimerEnableDoesNotRestart()
    {
        ManualClock clock;
        UseClock use(clock);
        VbTimer timer(QStringLiteral("Timer2"), 100, false);
        int ticks = 0;
        connect(&timer, &VbTimer::Timer, [&] { ++ticks; });
        clock.advance(150);
        QCOMPARE(ticks, 0); // created off
        timer.setEnabled(true);
        clock.advance(60);
        timer.setEnabled(true); // already on: the count goes on
        clock.advance(40);
        QCOMPARE(ticks, 1);
        timer.setEnabled(false);
        clock.advance(150);
        QCOMPARE(ticks, 1);
        timer.setEnabled(true);
        timer.setInterval(0); // Interval 0 stops the ticks although Enabled stays
        QVERIFY(timer.enabled());
        clock.advance(150);
        QCOMPARE(ticks, 1);
        // A new interval starts the count afresh.
        timer.setInterval(100);
        clock.advance(99);
        QCOMPARE(ticks, 1);
        clock.advance(1);
        QCOMPARE(ticks, 2);
        // A timer switched off in its own tick ticks no more.
        connect(&timer, &VbTimer::Timer, [&] { timer.setEnabled(false); });
        clock.advance(500);
        QCOMPARE(ticks, 3);
    }

    // The program's clock: timers tick as window events and waits end by it.
    void steadyClockTicks()
    {
        VbTimer timer(QStringLiteral("Timer1"), 1, true);
        int ticks = 0;
        connect(&timer, &VbTimer::Timer, [&] { ++ticks; });
        const qint64 start = currentClock().now();
        QVERIFY(waitWithEventsUntil(60000, [&] { return ticks >= 2; }));
        waitWithEvents(20);
        QVERIFY(currentClock().now() - start >= 20);
    }

    void qtMessageBoxMapsStyleAndAnswers()
    {
        QtUi ui;
        QString title, text;
        QMessageBox::StandardButton def = QMessageBox::NoButton;
        qsizetype buttons = 0;
        auto answerWith = [&](QMessageBox::StandardButton press) {
            title.clear();
            onNextModal<QMessageBox>([&, press](QMessageBox* box) {
                title = box->windowTitle();
                text = box->text();
                def = box->standardButton(box->defaultButton());
                buttons = box->buttons().size();
                if (press == QMessageBox::NoButton)
                    box->reject(); // Escape or the close box
                else
                    box->button(press)->click();
            });
        };
        answerWith(QMessageBox::Yes);
        QCOMPARE(ui.msgBox(QStringLiteral("line 1\rline 2"), vbYesNoCancel + vbQuestion + vbDefaultButton2), int(vbYes));
        QCOMPARE(title, QStringLiteral("Tovaro"));
        QCOMPARE(text, QStringLiteral("line 1\nline 2"));
        QCOMPARE(def, QMessageBox::No);
        QCOMPARE(buttons, 3);

        answerWith(QMessageBox::NoButton);
        QCOMPARE(ui.msgBox(QStringLiteral("x"), vbYesNoCancel, QStringLiteral("LARGE FONTS")), int(vbCancel));
        QCOMPARE(title, QStringLiteral("LARGE FONTS"));

        answerWith(QMessageBox::Retry);
        QCOMPARE(ui.msgBox(QStringLiteral("x"), vbAbortRetryIgnore), int(vbRetry));
        answerWith(QMessageBox::NoButton);
        QCOMPARE(ui.msgBox(QStringLiteral("x")), int(vbOK));
        QCOMPARE(buttons, 1);
    }

    // The dialog opens in the request's folder, not in the folder of a name kept from
    // another use, and a name typed without an extension takes the chosen type's.
    void qtSaveDialogStartsInItsFolder()
    {
        QTemporaryDir start, elsewhere;
        QtUi ui;
        QString shownFolder;
        onNextModal<QFileDialog>([&](QFileDialog* dlg) {
            shownFolder = dlg->directory().absolutePath();
            auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            QCOMPARE(name->text(), QString());
            name->setText(QStringLiteral("noext"));
            QMetaObject::invokeMethod(dlg, "accept");
        });
        const FileDialogResult r = ui.saveFile(
            {QStringLiteral("Save Image"), QStringLiteral("TIFF|*.tif|JPEG|*.jpg"), 2, start.path(), {}, true});
        QCOMPARE(shownFolder, QDir(start.path()).absolutePath());
        QVERIFY(r.accepted);
        QCOMPARE(r.fileName, QDir(start.path()).absoluteFilePath(QStringLiteral("noext.jpg")));
        QCOMPARE(r.filterIndex, 2);

        onNextModal<QFileDialog>([&](QFileDialog* dlg) {
            shownFolder = dlg->directory().absolutePath();
            dlg->reject();
        });
        ui.openFile({QStringLiteral("Load Image"), QStringLiteral("JPEG|*.jpg"), 1, start.path(),
                     elsewhere.filePath(QStringLiteral("wide.jpg")), false});
        QCOMPARE(shownFolder, QDir(start.path()).absolutePath());
    }

    // A dialog gives the focus back to the window that had it: a control of that window
    // given the focus while the dialog was up then takes it.
    void qtDialogGivesTheFocusBack()
    {
        QWidget window;
        QLineEdit first(&window), second(&window);
        second.move(0, 40);
        window.show();
        QApplication::setActiveWindow(&window);
        first.setFocus();
        QtUi ui(&window);
        onNextModal<QMessageBox>([&](QMessageBox* box) {
            QApplication::setActiveWindow(box); // as the display gives it the focus
            second.setFocus();
            box->accept();
        });
        ui.msgBox(QStringLiteral("x"));
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        QCOMPARE(QApplication::focusWidget(), &second);
    }

    void qtInputBox()
    {
        QtUi ui;
        QString shownDefault, shownTitle;
        onNextModal<QInputDialog>([&](QInputDialog* dlg) {
            shownDefault = dlg->textValue();
            shownTitle = dlg->windowTitle();
            dlg->setTextValue(QStringLiteral("1200"));
            dlg->accept();
        });
        QCOMPARE(ui.inputBox(QStringLiteral("Type Tone Freq  1-2700"), QStringLiteral("Set Tone Freq"), QStringLiteral("1750")),
                 std::optional<QString>(QStringLiteral("1200")));
        QCOMPARE(shownDefault, QStringLiteral("1750"));
        QCOMPARE(shownTitle, QStringLiteral("Set Tone Freq"));
        onNextModal<QInputDialog>([](QInputDialog* dlg) { dlg->reject(); });
        QCOMPARE(ui.inputBox(QStringLiteral("Type FTP Directory")), std::nullopt);
    }
};

QTEST_MAIN(UiTest)
#include "UiTest.moc"
