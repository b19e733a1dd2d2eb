// The style controls and the colour palette on a started window: what each changes of
// the pending text and the tools, read back from the screen, the indicators and the
// variables they share.
#include <QSignalSpy>

#include "TextStation.h"
#include "qso/Qso.h"

using namespace texttest;

namespace {

constexpr int kLeft = 1, kRight = 2, kCtrl = 2;

void press(Station& s, int swatch, int button, int shift = 0)
{
    emit s.form().swatch(swatch)->MouseDown(button, shift, 3, 3);
}

} // namespace

class TestStyle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { REQUIRE_FACE(); }

    // Bold redraws the pending text at once, thicker; in Draw mode the box takes its value
    // but nothing is drawn and the focus goes to the text box.
    void styleBoxesRedrawAtOnceButNotInDraw()
    {
        Station s;
        auto& f = s.form();
        prepare(s, QStringLiteral("IIII"), 100, 100);
        f.text().drawText();
        const int thin = inkBounds(screen(s), kBlack).width();
        f.Check6->setValue(1);
        QVERIFY(f.Picture1->FontBold());
        const int bold = inkBounds(screen(s), kBlack).width();
        QVERIFY2(bold > thin, qPrintable(QStringLiteral("%1 %2").arg(bold).arg(thin)));

        f.Picture1->Cls();
        f.Option8->setValue(true);
        f.Check14->setValue(1);
        f.Check13->setValue(1);
        QVERIFY(inkBounds(screen(s), kBlack).isNull());
        QCOMPARE(f.Check13->value(), 1);
    }

    void orientationLabel()
    {
        Station s;
        auto& f = s.form();
        prepare(s, QStringLiteral("AB"), 100, 100);
        platform::setBackColor(f.Command47, 0x8000000F);
        // Nothing pending: the text box's text is drawn vertically and SET turns red.
        emit f.Label31->Click();
        QCOMPARE(platform::backColor(f.Label31), canvas::kPendingColor);
        QCOMPARE(f.Label31->caption(), QStringLiteral("Vertical"));
        QVERIFY(!f.VScroll3->isHidden());
        QCOMPARE(platform::backColor(f.Command47), canvas::kPendingColor);
        const QRect ink = inkBounds(screen(s), kBlack);
        QVERIFY(!ink.isNull());
        QVERIFY2(ink.height() > ink.width(), "two characters one above the other");
        emit f.Label31->Click();
        QCOMPARE(f.Label31->caption(), QStringLiteral("Horizontal"));
        QVERIFY(f.VScroll3->isHidden());
        const QRect line = inkBounds(screen(s), kBlack);
        QVERIFY(line.width() > line.height());

        // Pattern Fill on: the click only takes it off; the orientation stays.
        platform::setBackColor(f.Label32, canvas::kPendingColor);
        emit f.Label31->Click();
        QCOMPARE(platform::backColor(f.Label32), canvas::kToolOffColor);
        QCOMPARE(f.Label31->caption(), QStringLiteral("Horizontal"));
        QCOMPARE(platform::backColor(f.Label31), canvas::kToolOffColor);
    }

    // The step of a vertical text's characters: 1.0 and 1.9 font sizes at the bar's ends,
    // and the second character lands that far below the first.
    void verticalStep()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        prepare(s, QStringLiteral("AB"), 100, 100);
        emit f.Label31->Click();
        f.VScroll3->setValue(9);
        QCOMPARE(t.textLineStep(), 38.0);
        QCOMPARE(t.textSizeStep(), 38.0);
        QCOMPARE(t.lineTop(2) - t.lineTop(1), 38.0);
        f.VScroll3->setValue(0);
        QCOMPARE(t.textLineStep(), 20.0);
        QCOMPARE(t.lineTop(2) - t.lineTop(1), 20.0);
    }

    void leftPressSetsTextColour()
    {
        Station s;
        auto& f = s.form();
        prepare(s, QStringLiteral("W"), 100, 100);
        f.Picture1->setForeColor(0x0000FF);
        press(s, 2, kLeft);
        QCOMPARE(f.text().drawingColour(), QStringLiteral("15724526"));
        QCOMPARE(f.Picture1->ForeColor(), 0xFFFFFFu);
        QCOMPARE(platform::backColor(f.Label25), 0xFFFFFFu);
        // The pending text is drawn again in the new colour.
        const QImage img = screen(s);
        const QRect ink = inkBounds(img, kBlack);
        QVERIFY(!ink.isNull());
        bool white = false;
        for (int y = ink.top(); y <= ink.bottom(); ++y)
            for (int x = ink.left(); x <= ink.right(); ++x)
                white = white || img.pixel(x, y) == kWhite;
        QVERIFY(white);
        // Red records 17 less red than it shows.
        press(s, 3, kLeft);
        QCOMPARE(f.text().drawingColour(), QString::number(0xEE));
        QCOMPARE(f.Picture1->ForeColor(), 0x0000FFu);
    }

    void headerAndFillPicks()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        prepare(s, QStringLiteral("W"), 100, 100);
        f.Picture1->setForeColor(0x00FF00);
        // Ctrl alone while a small header is made: the canvas takes the white record.
        f.makeheader16->setChecked(true);
        press(s, 2, kLeft, kCtrl);
        QCOMPARE(f.Picture1->ForeColor(), 0x00FF00u);
        QCOMPARE(rgb32(f.Picture1->Image()).pixel(320, 256), rgb(0xEFEFEE));
        // Ctrl with Shift is no Ctrl press: the text colour is set.
        press(s, 2, kLeft, kCtrl | 1);
        QCOMPARE(f.Picture1->ForeColor(), 0xFFFFFFu);
        // The right button with Ctrl while a header is made changes nothing.
        press(s, 3, kRight, kCtrl);
        QVERIFY(t.textBackColour() != 0x0000FF);
        f.makeheader16->setChecked(false);

        // Pattern Fill: the fill colour and the drag only.
        f.Picture1->setForeColor(0x00FF00);
        platform::setBackColor(f.Label32, canvas::kPendingColor);
        t.setSharedCounter(text::TextTools::kCounterClear);
        press(s, 7, kLeft);
        QCOMPARE(s.canvas().patternFillColour(), 0xFFFF00);
        QCOMPARE(t.sharedCounter(), text::TextTools::kFillColourPicked);
        QCOMPARE(DragManager::instance().source(), static_cast<QWidget*>(f.swatch(7)));
        QCOMPARE(f.Picture1->ForeColor(), 0x00FF00u);
        DragManager::instance().cancel();
        // A right press with Pattern Fill on is refused altogether.
        press(s, 7, kRight);
        QVERIFY(t.textBackColour() != 0xFFFF00);
        platform::setBackColor(f.Label32, canvas::kToolOffColor);

        // Color Fill: the fill colour and the text colour.
        platform::setBackColor(f.Label38, canvas::kPendingColor);
        press(s, 3, kLeft);
        QCOMPARE(s.canvas().patternFillColour(), 0x0000FF);
        QVERIFY(DragManager::instance().active());
        QCOMPARE(f.Picture1->ForeColor(), 0x0000FFu);
    }

    void rightPressSetsBackColour()
    {
        Station s;
        auto& f = s.form();
        prepare(s, QStringLiteral("W"), 100, 100);
        f.Check16->setValue(1);
        press(s, 4, kRight);
        QCOMPARE(f.text().textBackColour(), 0x0080FF);
        QCOMPARE(f.Picture1->BackColor(), 0x0080FFu);
        QCOMPARE(platform::backColor(f.Label45), 0x0080FFu);
        // The pending text is drawn again on its box in the new back colour.
        const QImage img = screen(s);
        QCOMPARE(img.pixel(inkBounds(img, kBlack).topLeft()), rgb(0x0080FF));
    }

    // A colour picked while a shape waits draws it again where it stands.
    void armedShapeStaysWhereItIs()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        f.Picture1->setPicture(solid(640, 512, kBlack));
        f.Combo1->setText(QStringLiteral("Circle"));
        c.Combo1_Click();
        QCOMPARE(c.dragSourceCode(), int(canvas::dragShapeTool));
        const float x = c.elementX(), y = c.elementY();
        press(s, 3, kLeft);
        press(s, 6, kLeft);
        QCOMPARE(c.elementX(), x);
        QCOMPARE(c.elementY(), y);
        QCOMPARE(screen(s).pixel(int(x + c.shapeSize()), int(y)), rgb(0x00EF00));
    }

    void customSwatchDialog()
    {
        Station s;
        auto& f = s.form();
        auto& ui = s.fixture().ui();
        f.Picture1->setForeColor(0x123456);
        const quint32 c1 = platform::backColor(f.Label9);
        ui.cancelColor();
        emit f.Label9->DblClick();
        QCOMPARE(platform::backColor(f.Label9), c1);
        QVERIFY(!ui.calls(platform::UiCall::Color).isEmpty());
        QCOMPARE(ui.calls(platform::UiCall::Color).last().color, 0x123456u);

        // C2 accepted with the pane open: the swatch takes the colour and the pane closes;
        // the text colour waits for the next press.
        emit f.Command8->Click();
        QVERIFY(!f.Text2->isHidden());
        ui.answerColor(0x445566);
        emit f.Label10->DblClick();
        QCOMPARE(platform::backColor(f.Label10), 0x445566u);
        QCOMPARE(f.text().drawingColour(), QString::number(0x445566));
        QVERIFY(f.Text2->isHidden());
        QCOMPARE(f.Command8->text(), QStringLiteral("Load Msg"));
        QCOMPARE(f.Picture1->ForeColor(), 0x123456u);
        // C3 given the text colour itself: nothing chosen.
        const quint32 c3 = platform::backColor(f.Label11);
        ui.answerColor(0x123456);
        emit f.Label11->DblClick();
        QCOMPARE(platform::backColor(f.Label11), c3);
        press(s, 10, kLeft);
        QCOMPARE(f.Picture1->ForeColor(), 0x445566u);
    }

    // The custom colours go into the settings at shut-down and come back at the next start.
    void customColoursKeptAcrossRuns()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        platform::setBackColor(f.Label12, 0x0A0B0C);
        t.gatherCustomColours();
        QCOMPARE(t.customColour(4), QString::number(0x0A0B0C));
        platform::setBackColor(f.Label12, 0x800080);
        t.setCustomColour(3, QStringLiteral("not a colour"));
        t.applyCustomColours();
        QCOMPARE(platform::backColor(f.Label12), 0x0A0B0Cu);
        QCOMPARE(platform::backColor(f.Label11), 0x008080u);
    }

    void presetRecalled()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        prepare(s, QStringLiteral("W"), 100, 100);
        const QString mono = QStringLiteral("DejaVu Sans Mono");
        t.setFontPresetText(15, mono);
        t.setFontPresetPicture(15, QStringLiteral("DejaVu Serif"));
        emit f.Command23->MouseDown(1, 0, 2, 2);
        QCOMPARE(f.Text1->font().family(), mono);
        QCOMPARE(f.Picture1->FontName(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(t.fontPresetSelected().toInt(), 2);
        QCOMPARE(platform::backColor(f.Command23), 49152u);
        for (auto* b : {f.Command21, f.Command25, f.Command24})
            QCOMPARE(platform::backColor(b), 49344u);
        QVERIFY(!inkBounds(screen(s), kBlack).isNull());
        // A slot never stored: marked, the faces stay, nothing is asked.
        emit f.Command24->MouseDown(4, 0, 2, 2);
        QCOMPARE(platform::backColor(f.Command24), 49152u);
        QCOMPARE(f.Text1->font().family(), mono);
        QCOMPARE(f.Picture1->FontName(), QStringLiteral("DejaVu Serif"));
        QVERIFY(s.fixture().ui().calls().isEmpty());
        // In Draw mode a press changes nothing.
        f.Option8->setValue(true);
        emit f.Command21->MouseDown(1, 0, 2, 2);
        QCOMPARE(t.fontPresetSelected().toInt(), 3);
    }

    void presetStoredThroughTheDialog()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        auto& ui = s.fixture().ui();
        prepare(s, QStringLiteral("W"), 100, 100);
        t.setFontRecordEntry(9, QStringLiteral("14"));
        t.setDrawingColour(QStringLiteral("255"));
        const double textSize = f.Text1->font().pointSizeF();
        const QString serif = QStringLiteral("DejaVu Serif");
        platform::FontChoice answer;
        answer.name = serif;
        answer.size = 24;
        answer.bold = true;
        answer.italic = true;
        ui.answerFont(answer);
        emit f.Command25->MouseDown(2, 0, 2, 2);
        QVERIFY(!ui.calls(platform::UiCall::Font).isEmpty());
        QCOMPARE(ui.calls(platform::UiCall::Font).last().font.size, 14.0);
        QCOMPARE(f.Text1->font().family(), serif);
        QVERIFY(f.Text1->font().bold() && f.Text1->font().italic());
        QCOMPARE(f.Text1->font().pointSizeF(), textSize);
        QCOMPARE(f.Picture1->FontName(), serif);
        QVERIFY(f.Picture1->FontBold() && f.Picture1->FontItalic());
        QCOMPARE(f.Picture1->FontSize(), 20.0);
        const QStringList text = {serif, "14", "True", "True", "False", "False", "255"};
        const QStringList picture = {serif, "20", "True", "True", "False", "False", QString::number(0xFFFFFF)};
        for (int i = 0; i < 7; ++i) {
            QCOMPARE(t.fontPresetText(8 + i), text[i]);
            QCOMPARE(t.fontPresetPicture(8 + i), picture[i]);
        }
        QCOMPARE(f.Command25->font().family(), serif);
        QCOMPARE(f.Command25->text(), QStringLiteral("F2"));

        // Cancelled (on F1, never stored, so nothing is applied before the dialog): the TX
        // screen takes the text box's face and styles, and F1 stores them.
        QFont plain = f.Text1->font();
        plain.setFamily(kFace);
        plain.setBold(false);
        plain.setItalic(false);
        f.Text1->setFont(plain);
        ui.cancelFont();
        emit f.Command21->MouseDown(2, 0, 2, 2);
        QCOMPARE(f.Picture1->FontName(), kFace);
        QVERIFY(!f.Picture1->FontBold() && !f.Picture1->FontItalic());
        QCOMPARE(t.fontPresetText(1), kFace);
        QCOMPARE(t.fontPresetPicture(1), kFace);
        QCOMPARE(t.fontPresetText(8), serif);
    }
};

QTEST_MAIN(TestStyle)
#include "tst_style.moc"
