// Where the element's text comes from (the text box, a selection in it, the message
// pane) and the Text mode switch, on a started window.

#include "TextStation.h"
#include "intake/Intake.h"

using namespace texttest;

namespace {

const QString kPane = QStringLiteral("Alpha\r\n---\r\nBravo\r\n---\r\nCharlie");

// The pane opened, the caret put at `caret` and the pane double-clicked.
QString take(shell::FormMain& f, const QString& pane, int caret)
{
    if (f.Text2->isHidden())
        f.text().Command8_Click();
    f.Text2->setText(pane);
    f.Text2->setSelStart(caret);
    emit f.Text2->DblClick();
    return f.Text1->text();
}

bool paneClosed(const shell::FormMain& f, quint32 buttonColour = 0xC0C0)
{
    return f.Text2->isHidden() && f.Command8->text() == QLatin1String("Load Msg")
           && platform::backColor(f.Command8) == buttonColour && !f.Command8->font().bold();
}

} // namespace

class TestTextSource : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { REQUIRE_FACE(); }

    void messageUnderTheCaret()
    {
        Station s;
        auto& f = s.form();
        QCOMPARE(take(f, kPane, 3), QStringLiteral("Alpha"));
        QVERIFY(paneClosed(f));
        QCOMPARE(f.Label31->text(), QStringLiteral("Horiz"));
        QCOMPARE(take(f, kPane, 0), QStringLiteral("Alpha"));
        QCOMPARE(take(f, kPane, int(kPane.indexOf(QLatin1String("Bravo"))) + 2), QStringLiteral("Bravo"));
        // The last message keeps every character, with or without a line end after it.
        const int charlie = int(kPane.indexOf(QLatin1String("Charlie"))) + 3;
        QCOMPARE(take(f, kPane, charlie), QStringLiteral("Charlie"));
        QCOMPARE(take(f, kPane + QStringLiteral("\r\n"), charlie), QStringLiteral("Charlie"));
        QCOMPARE(take(f, QStringLiteral("Alpha\r\n---\r\nZ"), 13), QStringLiteral("Z"));
        // A longer marker line works like three hyphens.
        QCOMPARE(take(f, QStringLiteral("Alpha\r\n-----\r\nBravo\r\n"), 17), QStringLiteral("Bravo"));
        // Over the log view the pane only closes, its button in the log's colour.
        f.Text1->setText(QStringLiteral("log"));
        platform::setBackColor(f.Label48, canvas::kPendingColor);
        QCOMPARE(take(f, kPane, 3), QStringLiteral("log"));
        QVERIFY(paneClosed(f, 0x8080));
    }

    void paneButtonAndSelection()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        // Open, then closed by the button itself.
        t.Command8_Click();
        QVERIFY(!f.Text2->isHidden());
        QCOMPARE(f.Command8->text(), QStringLiteral("Exit  Msg"));
        QCOMPARE(platform::backColor(f.Command8), quint32(canvas::kPendingColor));
        t.Command8_Click();
        QVERIFY(paneClosed(f));
        // Not while the picture-adjust panel is open.
        f.Frame9->show();
        t.Command8_Click();
        QVERIFY(paneClosed(f));
        f.Frame9->hide();
        // The browser and the pane take turns.
        f.intake().Command20_Click();
        QCOMPARE(f.Command20->text(), QStringLiteral("Exit Pic"));
        t.Command8_Click();
        QCOMPARE(f.Command20->text(), QStringLiteral("Load Pic"));
        QVERIFY(!f.Text2->isHidden());
        f.intake().Command20_Click();
        QVERIFY(paneClosed(f));
        f.intake().Command20_Click();

        // A release with no selection leaves the pane open; one with a selection takes it.
        t.Command8_Click();
        f.Text2->setText(kPane);
        f.Text2->setSelStart(12);
        emit f.Text2->MouseUp(1, 0, 5, 5);
        QVERIFY(!f.Text2->isHidden());
        f.Text2->setSelLength(3);
        emit f.Text2->MouseUp(1, 0, 5, 5);
        QCOMPARE(f.Text1->text(), QStringLiteral("Bra"));
        QVERIFY(paneClosed(f));
    }

    void textBox()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        // A placed text, wiped with the box by a double-click.
        prepare(s, QStringLiteral("HELLO"), 100, 100);
        emit f.Picture1->mouseDown(1, 0, 100, 100);
        QCOMPARE(platform::backColor(f.Command47), quint32(canvas::kPendingColor));
        QVERIFY(!inkBounds(screen(s), kBlack).isEmpty());
        emit f.Text1->DblClick();
        QCOMPARE(f.Text1->text(), QString());
        QCOMPARE(platform::backColor(f.Command47), quint32(platform::vbButtonFace));
        QVERIFY(inkBounds(screen(s), kBlack).isEmpty());

        // The mouse's selection is what prints, until the text changes.
        f.Text1->setText(QStringLiteral("ABCDE"));
        f.Text1->setSelStart(1);
        f.Text1->setSelLength(3);
        emit f.Text1->MouseUp(1, 0, 5, 5);
        QCOMPARE(t.selectedText(), QStringLiteral("BCD"));
        f.Text1->setText(QStringLiteral("ABCDEF"));
        QCOMPARE(t.selectedText(), QString());
        // A press in the box shows Pattern Fill off.
        platform::setBackColor(f.Label32, canvas::kPendingColor);
        emit f.Text1->MouseDown(1, 0, 5, 5);
        QCOMPARE(platform::backColor(f.Label32), quint32(canvas::kToolOffColor));
    }

    void textMode()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        auto& c = s.canvas();
        f.Picture1->setPicture(solid(640, 512, kGreen));
        f.Combo3->setListIndex(1); // "Striped Text"
        platform::setBackColor(f.Label29, canvas::kPendingColor);
        c.putAsideDrawingColour(QStringLiteral("12345"));
        t.setTextEditState(400);
        t.setTextFontSize(QStringLiteral("30"));
        f.Check16->setValue(1);
        c.setElementAngle(20);
        t.setTextRotation(300);
        canvas::TxCanvas::select(f.Option6);
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        t.Option1_Click();
        QVERIFY(f.Option1->value() && !f.Option6->value());
        QCOMPARE(platform::backColor(f.Option1), quint32(canvas::kModeOnColor));
        QVERIFY(t.styledTextWaiting());
        QCOMPARE(rgb32(f.Image6->Picture()), solid(640, 512, kGreen));
        QCOMPARE(platform::backColor(f.Label29), quint32(canvas::kToolOffColor));
        QCOMPARE(t.drawingColour(), QStringLiteral("12345"));
        QCOMPARE(t.textEditState(), 0);
        QCOMPARE(f.Picture1->FontName(), f.Text1->font().family());
        QCOMPARE(f.Picture1->FontSize(), 30.0);
        QVERIFY(!f.Picture1->FontTransparent()); // BkGnd's opaque box
        QCOMPARE(c.elementAngle(), 0.0);
        QCOMPARE(platform::backColor(f.Command47), quint32(platform::vbButtonFace));
        f.Check16->setValue(0);
        QVERIFY(f.Picture1->FontTransparent());

        // While "Overlay RX>TX" is on, Draw mode instead.
        platform::setBackColor(f.Label34, canvas::kPendingColor);
        t.Option1_Click();
        QVERIFY(f.Option8->value() && !f.Option1->value());
        platform::setBackColor(f.Label34, canvas::kToolOffColor);
    }
};

QTEST_MAIN(TestTextSource)
#include "tst_textsource.moc"
