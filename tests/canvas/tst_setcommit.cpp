// SET and "OOPS!!" on a started window with the real engine library: which holders of the
// TX picture each road of the commit writes, and the take-back's swap and refusals.

#include "CanvasStation.h"
#include "platform/runtime/Random.h"
#include "platform/runtime/Vb.h"
#include "qso/Qso.h"

using namespace canvastest;

class TestSetCommit : public QObject {
    Q_OBJECT
private slots:
    void textCommitIsLighterAndSent()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        f.Picture1->setPicture(solid(640, 512, kGrey));
        f.Picture1->setFontSize(24);
        const quint32 chosen = platform::rgb(255, 10, 100);
        f.Picture1->setForeColor(chosen);
        f.text().setDrawingColour(platform::numberText(chosen));
        f.Text1->setText(QStringLiteral("CQ CQ"));
        emit f.Picture1->mouseDown(1, 0, 100, 100);
        QVERIFY(isOn(f.Command47));

        c.colourDraws().seed(1234);
        platform::RandomSource same(1234);
        auto step = [&] { return 1 + int(platform::Int(same.next() * 17)); };
        const int r = step(), g = step(), b = step();
        f.Command47->click();

        // Every text pixel carries the varied colour; red was at 255 and stays there.
        const QImage committed = rgb32(f.Picture1->Picture());
        const QRgb varied = qRgb(255, 10 + g, 100 + b);
        Q_UNUSED(r);
        int textPixels = 0;
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 640; ++x)
                if (committed.pixel(x, y) != kGrey) {
                    QCOMPARE(committed.pixel(x, y), varied);
                    ++textPixels;
                }
        QVERIFY(textPixels > 100);
        QCOMPARE(f.Picture1->ForeColor(), chosen);
        QCOMPARE(f.text().drawingColour(), platform::numberText(chosen));
        QCOMPARE(c.elementX(), 1100.f);
        QCOMPARE(c.elementY(), 1100.f);
        QCOMPARE(platform::backColor(f.Command47), platform::vbButtonFace);
        QCOMPARE(s.txBuffer(), committed);
        for (platform::ImageBox* copy : {f.Image6, f.Image13, f.Image14})
            QCOMPARE(rgb32(copy->Picture()), committed);

        // A take-back right after the commit shows the same picture and turns the button black.
        f.Command31->click();
        QCOMPARE(rgb32(f.Picture1->Picture()), committed);
        QCOMPARE(platform::backColor(f.Command31), 0u);
    }

    void refusalsAndHeaderMaking()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage picture = busy(640, 512);
        f.Picture1->setPicture(picture);
        f.Text1->setText(QStringLiteral("TEST"));
        f.Picture1->setFontSize(20);

        // A graduated text with an angle: the message, nothing drawn, SET still red.
        f.Combo3->setText(QStringLiteral("Graduated Text"));
        f.text().setTextRotation(0.5);
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        c.setElementX(50);
        s.fixture().ui().answerMsgBox(platform::vbOK);
        f.Command47->click();
        QVERIFY(!s.fixture().ui().messages().isEmpty());
        const platform::UiCall call = s.fixture().ui().calls(platform::UiCall::MsgBox).last();
        QCOMPARE(call.text, QStringLiteral("Does not work correctly with rotated texts. Will exit without change."));
        QCOMPARE(call.style, int(platform::vbOKOnly));
        QVERIFY(call.title.isEmpty());
        QVERIFY(isOn(f.Command47));
        QCOMPARE(rgb32(f.Picture1->Image()), picture);
        QCOMPARE(c.elementX(), 50.f);

        // With a Make Header menu ticked the text is committed, the take-back copies kept.
        f.Combo3->setText(QStringLiteral("Normal Text"));
        f.text().setTextRotation(0);
        f.Image13->setPicture(solid(640, 512, kRed));
        f.Image14->setPicture(solid(640, 512, kBlue));
        f.makeheader16->setChecked(true);
        emit f.Picture1->mouseDown(1, 0, 200, 200);
        f.Command47->click();
        QVERIFY(rgb32(f.Picture1->Picture()) != picture);
        QCOMPARE(rgb32(f.Image13->Picture()), solid(640, 512, kRed));
        QCOMPARE(rgb32(f.Image14->Picture()), solid(640, 512, kBlue));
        f.makeheader16->setChecked(false);
    }

    void drawShapeAndQuarterRoads()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage picture = solid(640, 512, kGrey);
        f.Picture1->setPicture(picture);
        c.pushTxPicture();

        // Draw mode without a sub-option: the stroke is committed; the engine's buffer and the
        // take-back copies wait for the TX button and the next change.
        f.Option8->setValue(true);
        f.Image13->setPicture(solid(640, 512, kRed));
        f.Image14->setPicture(solid(640, 512, kBlue));
        emit f.Picture1->mouseDown(1, 0, 100, 100);
        emit f.Picture1->mouseMove(1, 0, 300, 100);
        f.Command47->click();
        const QImage stroke = rgb32(f.Picture1->Picture());
        QVERIFY(stroke.pixel(200, 100) != kGrey);
        QCOMPARE(s.txBuffer(), picture);
        QCOMPARE(rgb32(f.Image13->Picture()), solid(640, 512, kRed));
        QCOMPARE(rgb32(f.Image14->Picture()), solid(640, 512, kBlue));

        // An armed circle moved by a press is committed exactly where its preview stood.
        emit f.Combo1->GotFocus();
        f.Combo1->setListIndex(f.Combo1->findText(QStringLiteral("Circle")));
        emit f.Picture1->mouseDown(1, 0, 250, 200);
        const QImage preview = rgb32(f.Picture1->screenImage());
        QVERIFY(preview != stroke);
        f.Command47->click();
        QCOMPARE(rgb32(f.Picture1->Picture()), preview);
        QCOMPARE(s.txBuffer(), preview);
        QCOMPARE(c.dragSourceCode(), int(canvas::dragNone));
        QCOMPARE(f.Combo1->text(), QStringLiteral("  Things"));

        // "4 pics in 1" with a picture in Image6: a 320 x 256 quarter at the element's corner,
        // not pushed by SET.
        f.Check19->setValue(1);
        QVERIFY(f.Option7->value());
        f.Image6->setPicture(solid(64, 64, kGreen));
        c.setElementX(320);
        c.setElementY(0);
        f.Command47->click();
        const QImage quartered = rgb32(f.Picture1->Picture());
        QCOMPARE(quartered.copy(320, 0, 320, 256), solid(320, 256, kGreen));
        QCOMPARE(quartered.copy(0, 256, 640, 256), preview.copy(0, 256, 640, 256));
        QCOMPARE(s.txBuffer(), preview);
    }

    void takeBackSwapsAndRefuses()
    {
        Station s;
        auto& f = s.form();
        const QImage before = busy(640, 512);
        const QImage dropped = solid(640, 512, kBlue);
        f.Picture1->setPicture(before);
        dropFromStrip(s, dropped, 300, 300);
        QCOMPARE(rgb32(f.Picture1->Picture()), dropped);

        // Refused while the adjust panel is open.
        f.Frame9->show();
        f.Command31->click();
        QCOMPARE(rgb32(f.Picture1->Picture()), dropped);
        QCOMPARE(platform::backColor(f.Command31), 0xFFFFFFu);
        f.Frame9->hide();

        f.Command31->click();
        QCOMPARE(rgb32(f.Picture1->Picture()), before);
        QCOMPARE(rgb32(f.Picture2->Picture()), before);
        QCOMPARE(platform::backColor(f.Command31), 0u);
        f.Command31->click();
        QCOMPARE(rgb32(f.Picture1->Picture()), dropped);
        QCOMPARE(rgb32(f.Image6->Picture()), dropped);
        QCOMPARE(platform::backColor(f.Command31), 0xFFFFFFu);

        // With Pattern Fill on only the picture from before the fill comes back.
        f.Image14->setPicture(solid(640, 512, kGreen));
        platform::setBackColor(f.Label32, canvas::kPendingColor);
        f.Command31->click();
        QCOMPARE(rgb32(f.Picture1->Picture()), solid(640, 512, kGreen));
        QVERIFY(isOn(f.Label32));
        QCOMPARE(platform::backColor(f.Command31), 0xFFFFFFu);
        QCOMPARE(rgb32(f.Image6->Picture()), dropped);
    }

    // With the header display on, the header stays on the screen through a take-back and
    // its return, and what the engine would send is what the screen shows; with it off,
    // the engine's buffer is left as it was.
    void takeBackKeepsTheHeader()
    {
        Station s;
        auto& f = s.form();
        const QImage header = solid(640, 64, kRed);
        f.Picture4->setPicture(header);
        f.qso().setHeaderNumber(13); // box 4 at the bottom
        f.Check2->setValue(1);
        const QImage before = busy(640, 512);
        f.Picture1->setPicture(before);
        dropFromStrip(s, solid(640, 512, kBlue), 300, 300);

        // The screen shows `below` under the header, and the engine holds the same.
        auto headedOver = [&](const QImage& below) {
            const QImage tx = rgb32(f.Picture1->Picture());
            QCOMPARE(tx.copy(0, 448, 640, 64), header);
            QCOMPARE(tx.copy(0, 0, 640, 448), below.copy(0, 0, 640, 448));
            QCOMPARE(s.txBuffer(), tx);
        };
        f.Command31->click();
        headedOver(before);
        f.Command31->click();
        headedOver(solid(640, 512, kBlue));

        f.Check2->setValue(0);
        const QImage sent = s.txBuffer();
        f.Command31->click();
        QCOMPARE(rgb32(f.Picture1->Picture()), before);
        QCOMPARE(s.txBuffer(), sent);
    }
};

QTEST_MAIN(TestSetCommit)
#include "tst_setcommit.moc"
