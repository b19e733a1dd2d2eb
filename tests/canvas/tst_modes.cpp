// The editing modes, the tool toggles, the freehand pen and the picture-adjust panel on a
// started window with the real engine library.
#include <QGroupBox>
#include <QSignalSpy>
#include <QTabWidget>

#include "CanvasStation.h"
#include "intake/Intake.h"
#include "platform/services/Picbuf.h"
#include "platform/widgets/ShapeControl.h"
#include "qso/Qso.h"
#include "strips/Strips.h"

using namespace canvastest;

namespace {

// Which of the four mode buttons are set, and which is green, as "1.6.7.8" flags.
QString modeState(const shell::FormMain& f)
{
    QString set, green;
    const std::pair<const char*, platform::OptionButton*> buttons[] = {
        {"1", f.Option1}, {"6", f.Option6}, {"7", f.Option7}, {"8", f.Option8}};
    for (const auto& [name, b] : buttons) {
        if (b->value())
            set += QLatin1String(name);
        if (platform::backColor(b) == canvas::kModeOnColor)
            green += QLatin1String(name);
    }
    return set + QLatin1Char('/') + green;
}

// The highlighted frames, by number.
QString litFrames(const shell::FormMain& f)
{
    QString lit;
    const std::pair<const char*, platform::ShapeControl*> shapes[] = {
        {"1", f.Shape1}, {"2", f.Shape2}, {"3", f.Shape3}};
    for (const auto& [name, shape] : shapes)
        if (shape->highlighted())
            lit += QLatin1String(name);
    return lit;
}

} // namespace

class TestModes : public QObject {
    Q_OBJECT
private slots:
    void switchesClearTheOtherPair()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        QCOMPARE(modeState(f), QStringLiteral("1/1"));
        QCOMPARE(litFrames(f), QStringLiteral("2"));

        // The keyboard's Overlays (a plain call) leaves Text's button clear as well.
        c.Option6_Click();
        QCOMPARE(modeState(f), QStringLiteral("6/6"));
        QCOMPARE(litFrames(f), QStringLiteral("3"));
        f.Option7->setValue(true);
        QCOMPARE(modeState(f), QStringLiteral("7/7"));
        f.Option1->setValue(true);
        QCOMPARE(modeState(f), QStringLiteral("1/1"));
        QCOMPARE(litFrames(f), QStringLiteral("2"));

        // Pic in Pic while "Overlay RX>TX" is on ends in Draw mode, the tool still on.
        platform::setBackColor(f.Label34, canvas::kPendingColor);
        f.Option7->setValue(true);
        QCOMPARE(modeState(f), QStringLiteral("8/8"));
        QCOMPARE(litFrames(f), QStringLiteral("1"));
        QVERIFY(isOn(f.Label34));
        // Overlays ends that tool and shows the picture it worked on.
        const QImage worked = solid(640, 512, kGreen);
        c.setKeptTxPicture(worked);
        f.Option6->setValue(true);
        QCOMPARE(modeState(f), QStringLiteral("6/6"));
        QCOMPARE(platform::backColor(f.Label34), canvas::kToolOffColor);
        QCOMPARE(rgb32(f.Picture1->Picture()), worked);

        // Follow Mouse enters Pic in Pic; Overlays chosen while it is ticked unticks it (which
        // runs Pic in Pic first) and still ends in Overlays.
        f.Check19->setValue(1);
        f.Check18->setValue(1);
        QCOMPARE(f.Check19->value(), 0);
        QCOMPARE(modeState(f), QStringLiteral("7/7"));
        f.Option6->setValue(true);
        QCOMPARE(f.Check18->value(), 0);
        QCOMPARE(modeState(f), QStringLiteral("6/6"));
        QCOMPARE(litFrames(f), QStringLiteral("3"));
        // Text as well.
        f.Check18->setValue(1);
        f.Option1->setValue(true);
        QCOMPARE(f.Check18->value(), 0);
        QCOMPARE(modeState(f), QStringLiteral("1/1"));
        QCOMPARE(litFrames(f), QStringLiteral("2"));
    }

    void drawModeAndTheFreehandPen()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        QSignalSpy ended(&c, &canvas::TxCanvas::toolEnded);

        // From Text mode the tool is ended twice, from Overlays once.
        f.Option8->setValue(true);
        QCOMPARE(ended.count(), 2);
        f.Option6->setValue(true);
        ended.clear();
        f.Option8->setValue(true);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(modeState(f), QStringLiteral("8/8"));

        // The pen is 3 wide on entry, also when the slider already stood at 3.
        f.Option1->setValue(true);
        f.HScroll1->setValue(3);
        f.Picture1->setDrawWidth(7);
        f.Option8->setValue(true);
        QCOMPARE(f.HScroll1->value(), 3);
        QCOMPARE(f.Text6->text(), QStringLiteral(" 3"));
        QCOMPARE(f.Picture1->DrawWidth(), 3);

        // A left press starts a stroke into the persistent layer and makes SET red; moves
        // draw it in the drawing colour, widening the drawn box by the moves' points only.
        const QImage white = solid(640, 512, kWhite);
        f.Picture1->setPicture(white);
        f.text().setDrawingColour(QString::number(platform::vbBlue));
        emit f.Picture1->mouseDown(1, 0, 100, 100);
        QVERIFY(isOn(f.Command47));
        emit f.Picture1->mouseMove(1, 0, 110, 105);
        QCOMPARE(c.drawnExtent().left, 110.0);
        QCOMPARE(c.drawnExtent().right, 110.0);
        QCOMPARE(c.drawnExtent().top, 105.0);
        QCOMPARE(c.drawnExtent().bottom, 105.0);
        emit f.Picture1->mouseMove(1, 0, 200, 105);
        emit f.Picture1->mouseMove(0, 0, 300, 300); // no button: nothing drawn
        const QImage drawn = rgb32(f.Picture1->Image());
        for (int y = 102; y <= 108; ++y)
            QCOMPARE(drawn.pixel(150, y), y >= 104 && y <= 106 ? kBlue : kWhite);
        QCOMPARE(drawn.pixel(250, 105), kWhite);
        QCOMPARE(rgb32(f.Picture1->Picture()), white); // nothing committed

        // With "Rem noise  lines" on the pen draws nothing.
        f.Picture1->setPicture(white);
        c.Label73_Click();
        QVERIFY(isOn(f.Label73));
        emit f.Picture1->mouseDown(1, 0, 100, 300);
        QCOMPARE(f.Picture1->MousePointer(), 2);
        emit f.Picture1->mouseMove(1, 0, 200, 300);
        QCOMPARE(rgb32(f.Picture1->Image()), white);
    }

    void pendingStyledTextGoesOnEverySwitch()
    {
        Station s;
        auto& f = s.form();
        const QImage clean = solid(640, 512, kWhite);
        const QImage styled = solid(640, 512, kRed);
        for (platform::OptionButton* mode : {f.Option6, f.Option7, f.Option8}) {
            f.Option1->setValue(true);
            f.Image6->setPicture(clean);
            f.Picture1->setPicture(styled);
            f.text().markStyledTextWaiting();
            mode->setValue(true);
            QVERIFY2(rgb32(f.Picture1->Picture()) == clean, qPrintable(mode->objectName()));
            QVERIFY(!f.text().styledTextWaiting());
        }
    }

    void cropAndFixColor()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        auto& text = f.text();

        // Crop is refused while the adjust panel is open: only the focus moves.
        f.Frame9->show();
        f.Text2->setFocus();
        c.Label24_Click();
        QCOMPARE(platform::backColor(f.Label24), canvas::kToolOffColor);
        QCOMPARE(f.focusWidget(), f.Text1);
        f.Frame9->hide();
        f.Option8->setValue(true);
        c.Label24_Click();
        QVERIFY(isOn(f.Label24));
        QCOMPARE(modeState(f), QStringLiteral("1/1"));
        // A press arms the rubber band and nothing waits for SET.
        emit f.Picture1->mouseDown(1, 0, 40, 50);
        QCOMPARE(c.mouseState(), 101);
        QVERIFY(!isOn(f.Command47));
        c.Label24_Click();
        QCOMPARE(platform::backColor(f.Label24), canvas::kToolOffColor);

        // Fix Color from Text mode: Draw mode and Fix Color on in one click, the colours put
        // aside; a press picks the colour under the pointer.
        const quint32 chosen = platform::vbBlue;
        text.setDrawingColour(QString::number(chosen));
        f.Picture1->setForeColor(chosen);
        QImage picture = solid(640, 512, kWhite);
        picture.setPixel(10, 20, kGreen);
        f.Picture1->setPicture(picture);
        c.Label29_Click();
        QCOMPARE(modeState(f), QStringLiteral("8/8"));
        QVERIFY(isOn(f.Label29));
        QCOMPARE(c.setAsideDrawingColour(), QString::number(chosen));
        emit f.Picture1->mouseDown(1, 0, 10, 20);
        QCOMPARE(text.drawingColour(), QString::number(platform::vbGreen));

        // "Rem noise  lines" turns the Fix Color label off and keeps the colours put aside;
        // the next Fix Color puts the current colours aside anew.
        c.Label73_Click();
        QCOMPARE(platform::backColor(f.Label29), canvas::kToolOffColor);
        QVERIFY(isOn(f.Label73));
        QCOMPARE(text.drawingColour(), QString::number(platform::vbGreen));
        c.Label29_Click();
        QVERIFY(isOn(f.Label29));
        QCOMPARE(platform::backColor(f.Label73), canvas::kToolOffColor);
        QCOMPARE(c.setAsideDrawingColour(), QString::number(platform::vbGreen));
        // Switching it off gives both colours back.
        f.Picture1->setForeColor(platform::vbRed);
        text.setDrawingColour(QStringLiteral("0"));
        c.Label29_Click();
        QCOMPARE(text.drawingColour(), QString::number(platform::vbGreen));
        QCOMPARE(f.Picture1->ForeColor(), chosen);

        // "Overlay RX>TX" refuses both Draw tools.
        f.Option1->setValue(true);
        platform::setBackColor(f.Label34, canvas::kPendingColor);
        c.Label29_Click();
        c.Label73_Click();
        QVERIFY(!f.Option8->value());
        QCOMPARE(platform::backColor(f.Label29), canvas::kToolOffColor);
        QCOMPARE(platform::backColor(f.Label73), canvas::kToolOffColor);
    }

    void fillToggles()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();

        // Color Fill twice gives back the fore colour from before the first click, also in
        // the "Text Forecolor" indicator; a styled text type goes back to normal text.
        f.Option8->setValue(true);
        f.Picture1->setForeColor(platform::vbBlue);
        f.Combo3->setText(QStringLiteral("Striped Text"));
        c.Label38_Click();
        QVERIFY(isOn(f.Label38));
        QCOMPARE(modeState(f), QStringLiteral("1/1"));
        QCOMPARE(f.Combo3->text(), QStringLiteral("Normal Text"));
        f.Picture1->setForeColor(platform::vbRed);
        c.Label38_Click();
        QCOMPARE(platform::backColor(f.Label38), canvas::kToolOffColor);
        QCOMPARE(f.Picture1->ForeColor(), platform::vbBlue);
        QCOMPARE(platform::backColor(f.Label25), platform::vbBlue);

        // Pattern Fill switches Color Fill off and ends vertical text.
        c.Label38_Click();
        platform::setBackColor(f.Label31, canvas::kPendingColor);
        f.Label31->setCaption(QStringLiteral("Vertical"));
        f.VScroll3->show();
        f.Text1->setText(QStringLiteral("CQ DX"));
        const QImage under = solid(640, 512, kGreen);
        f.Picture1->setPicture(under);
        c.setDragSource(5);
        c.Label32_Click();
        QVERIFY(isOn(f.Label32));
        QCOMPARE(platform::backColor(f.Label38), canvas::kToolOffColor);
        QCOMPARE(platform::backColor(f.Label31), canvas::kToolOffColor);
        QCOMPARE(f.Label31->caption(), QStringLiteral("Horiz"));
        QVERIFY(f.VScroll3->isHidden());
        QCOMPARE(f.Text1->text(), QStringLiteral("CQ DX"));
        QCOMPARE(c.dragSourceCode(), int(canvas::dragNone));
        QCOMPARE(rgb32(f.Image6->Picture()), under);
        // A second click switches it off, in Text mode.
        c.Label32_Click();
        QCOMPARE(platform::backColor(f.Label32), canvas::kToolOffColor);
        QCOMPARE(modeState(f), QStringLiteral("1/1"));

        // A mode switch turns the fill tools off.
        c.Label38_Click();
        f.Option7->setValue(true);
        QCOMPARE(platform::backColor(f.Label38), canvas::kToolOffColor);
    }

    void adjustPanel()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        auto& intake = f.intake();
        const QImage tx = busy(640, 512);
        f.Picture1->setPicture(tx);
        f.engine().copyTxScreenToDib();

        // On the RX tab only the received picture's panel opens: the mode and the TX
        // picture's undo copy stay.
        f.Option6->setValue(true);
        const QImage undo = solid(640, 512, kBlue);
        f.Image13->setPicture(undo);
        f.SSTab1->setCurrentIndex(0);
        f.Command13->click();
        QVERIFY(!f.Frame9->isHidden());
        QVERIFY(intake.adjustingRx());
        QCOMPARE(modeState(f), QStringLiteral("6/6"));
        QCOMPARE(rgb32(f.Image13->Picture()), undo);
        QCOMPARE(rgb32(f.PicbufVisible->picture()), rgb32(f.Picture19->Image()));
        f.Command13->click();
        QVERIFY(f.Frame9->isHidden());
        QVERIFY(!intake.adjustingRx());

        // On the TX tab, opening in Overlays closes the browser, switches Crop off, returns to
        // Text mode, discards what was drawn, and fills Image13 and the three buffers with
        // the TX picture.
        f.SSTab1->setCurrentIndex(1);
        intake.Command20_Click();
        QVERIFY(!f.Frame2->isHidden());
        c.Label24_Click();
        f.Option6->setValue(true);
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        f.Picture1->setAutoRedraw(true);
        f.Picture1->Line(0, 0, 100, 100, platform::vbRed, platform::PictureBox::LineKind::FilledBox);
        f.Picture1->setAutoRedraw(false);
        f.Command13->click();
        QVERIFY(!f.Frame9->isHidden());
        QVERIFY(f.Frame2->isHidden());
        QCOMPARE(platform::backColor(f.Label24), canvas::kToolOffColor);
        QCOMPARE(modeState(f), QStringLiteral("1/1"));
        QVERIFY(!isOn(f.Command47));
        QCOMPARE(rgb32(f.Picture1->Image()), tx);
        QCOMPARE(rgb32(f.Image13->Picture()), tx);
        for (platform::Picbuf* buffer : {f.PicbufEdit, f.PicbufOriginal, f.PicbufVisible})
            QCOMPARE(rgb32(buffer->picture()), tx);
        QVERIFY(!f.PicbufVisible->isHidden());
        QCOMPARE(f.text().sharedCounter(), text::TextTools::kAdjustPanelOpen);

        // The header boxes are not offered while the panel is open; closing keeps the picture
        // and the mode.
        f.Option8->setValue(true);
        f.qso().Command35_Click();
        QCOMPARE(f.Command35->text(), QStringLiteral("load HDR lge"));
        QVERIFY(f.Frame7->isHidden());
        f.Command13->click();
        QVERIFY(f.Frame9->isHidden());
        QVERIFY(f.PicbufVisible->isHidden());
        QCOMPARE(modeState(f), QStringLiteral("8/8"));
        QCOMPARE(rgb32(f.Picture1->Picture()), tx);
    }
};

QTEST_MAIN(TestModes)
#include "tst_modes.moc"
