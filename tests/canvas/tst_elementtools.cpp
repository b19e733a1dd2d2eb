// The tools that change the pending element, on a started window with the real engine
// library: the re-render of "Border" and "Smooth", the size buttons on an overlay, a
// shape and the text with Timer2's finishing redraw, and the mirror buttons.

#include "CanvasStation.h"
#include "SkippedSteps.h"
#include "platform/drawing/Rotate.h"

using namespace canvastest;

namespace {

constexpr int kMirrorTopBottom = int(platform::RotateMirrorTopBottom);
constexpr int kMirrorLeftRight = int(platform::RotateMirrorLeftRight);

QImage shown(const shell::FormMain& f) { return rgb32(f.Picture1->Image()); }

// The smallest rectangle holding every pixel of the colour.
QRect boundsOf(const QImage& img, QRgb colour)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == colour)
                r = r.united(QRect(x, y, 1, 1));
    return r;
}

// Four quarters of different colours: any mirror or turn shows.
QImage corners(int w, int h)
{
    QImage img = halves(w, h, kRed, kGreen);
    for (int y = h / 2; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, x < w / 2 ? kBlue : kWhite);
    return img;
}

// The element wiped from the screen, so that only a new render brings it back.
void wipe(shell::FormMain& f)
{
    f.Picture1->setAutoRedraw(true);
    f.Picture1->Cls();
    f.Picture1->setAutoRedraw(false);
}

void press(platform::CommandButton* button)
{
    emit button->MouseDown(1, 0, 5, 5);
    emit button->MouseUp(1, 0, 5, 5);
}

} // namespace

class TestElementTools : public QObject {
    Q_OBJECT
private slots:
    void borderAndSmoothRenderAgain()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        f.Picture1->setPicture(solid(640, 512, kGreen));
        f.Option7->setValue(true);
        // With nothing pending there is nothing to draw again.
        f.Image6->setPicture(solid(640, 512, kRed));
        c.setOverlayWidth(240);
        c.setElementX(100);
        c.setElementY(100);
        f.Check3->setValue(1);
        QCOMPARE(shown(f), solid(640, 512, kGreen));
        f.Check3->setValue(0);
        dropFromStrip(s, solid(200, 160, kBlue), 320, 256);
        const QImage plain = shown(f);
        const QRect box(200, 160, 240, 192);
        QCOMPARE(boundsOf(plain, kBlue), box);

        // "Border": the frame 8 or 9 pixels on every side, the picture 222.75 x 174.75 in it.
        wipe(f);
        f.Check3->setValue(1);
        const QImage framed = shown(f);
        const QRect inner = boundsOf(framed, kBlue);
        QVERIFY2(qAbs(inner.width() - 222.75) <= 1 && qAbs(inner.height() - 174.75) <= 1,
                 qPrintable(QStringLiteral("%1 x %2").arg(inner.width()).arg(inner.height())));
        for (int band : {inner.left() - box.left(), box.right() - inner.right(), inner.top() - box.top(),
                         box.bottom() - inner.bottom()})
            QVERIFY2(band == 8 || band == 9, qPrintable(QString::number(band)));
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                if (!inner.contains(x, y))
                    QVERIFY(framed.pixel(x, y) != kGreen && framed.pixel(x, y) != kBlue);
        QCOMPARE(framed.copy(0, 0, 640, 160), solid(640, 160, kGreen));
        QCOMPARE(framed.copy(440, 160, 200, 192), solid(200, 192, kGreen));
        QCOMPARE(f.MousePointer(), 0);
        f.Check3->setValue(0);
        QCOMPARE(shown(f), plain);

        // While a render runs the box changes, the screen does not.
        f.setMousePointer(11);
        f.Check3->setValue(1);
        QCOMPARE(f.Check3->value(), 1);
        QCOMPARE(shown(f), plain);
        QCOMPARE(f.MousePointer(), 11);
        f.setMousePointer(0);

        // "Smooth": the bit follows the box without ever being added twice (the drop set it);
        // every click draws the element again.
        for (int ticked : {1, 0, 0}) {
            wipe(f);
            f.Check9->value() == ticked ? c.Check9_Click() : f.Check9->setValue(ticked);
            QCOMPARE(c.rotateFlags(), ticked ? 2 : 0);
            QCOMPARE(shown(f), framed);
        }

        // SET commits exactly the last preview, a smoothed turned one too.
        f.Check9->setValue(1);
        c.setElementAngle(10);
        c.UpdatePic();
        const QImage preview = shown(f);
        QCOMPARE(preview.pixel(320, 256), kBlue);
        QVERIFY(preview != framed);
        f.Command47->click();
        QCOMPARE(rgb32(f.Picture1->Picture()), preview);

        // Overlays never get the frame.
        f.Option6->setValue(true);
        f.Check3->setValue(0);
        dropFromStrip(s, halves(200, 160, kBlue, kRed), 320, 256);
        const QImage overlay = shown(f);
        QCOMPARE(overlay.pixel(400, 256), kRed);
        wipe(f);
        f.Check3->setValue(1);
        QCOMPARE(shown(f), overlay);

        // Text and Draw: nothing on the screen changes, the pointer stays.
        for (platform::OptionButton* mode : {f.Option1, f.Option8}) {
            mode->setValue(true);
            const QImage before = rgb32(f.Picture1->screenImage());
            f.Check3->setValue(f.Check3->value() == 1 ? 0 : 1);
            QCOMPARE(rgb32(f.Picture1->screenImage()), before);
            QCOMPARE(f.MousePointer(), 0);
        }
    }

    void sizeButtonsStepTheOverlay()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        f.Picture1->setPicture(solid(640, 512, kGreen));
        f.Option7->setValue(true);
        const QImage blue = solid(200, 160, kBlue);

        // 240 wide at (100, 100): one step either way keeps the middle.
        dropFromStrip(s, blue, 220, 196);
        press(f.Command6);
        QCOMPARE(c.overlayWidth(), 260.0);
        QCOMPARE(c.elementX(), 92.f);
        QCOMPARE(c.elementY(), 92.f);
        QCOMPARE(boundsOf(shown(f), kBlue), QRect(92, 92, 260, 208));
        QCOMPARE(f.text().textEditState(), 100);
        QCOMPARE(f.MousePointer(), 0);
        dropFromStrip(s, blue, 220, 196);
        press(f.Command10);
        QCOMPARE(c.overlayWidth(), 220.0);
        QCOMPARE(c.elementX(), 108.f);
        QCOMPARE(c.elementY(), 108.f);
        QCOMPARE(boundsOf(shown(f), kBlue), QRect(108, 108, 220, 176));

        // Reduce stops before the element gets narrower than 8 pixels; it is still drawn.
        for (int i = 0; i < 20; ++i)
            press(f.Command10);
        QVERIFY2(c.overlayWidth() >= 8 && c.overlayWidth() - 8 - c.overlayWidth() / 20 < 8,
                 qPrintable(QString::number(c.overlayWidth())));
        QVERIFY(!boundsOf(shown(f), kBlue).isEmpty());

        // A render that fails (a place beyond 32-bit pixels) is logged and ends; the size step
        // stands and the pointer comes back.
        testsupport::SkippedSteps skipped;
        const double before = c.overlayWidth();
        c.setElementX(3e9f);
        press(f.Command6);
        QCOMPARE(skipped.matching(QStringLiteral("rotated draw")).size(), 1);
        QVERIFY(c.overlayWidth() > before);
        QCOMPARE(f.MousePointer(), 0);

        // Past 600 the next press only says so and draws it again as it was.
        c.setOverlayWidth(600);
        c.setElementX(20);
        c.setElementY(20);
        press(f.Command6);
        QCOMPARE(c.overlayWidth(), 638.0);
        QCOMPARE(c.elementX(), 3.f);
        const QImage largest = shown(f);
        s.fixture().ui().answerMsgBox(platform::vbOK);
        wipe(f);
        press(f.Command6);
        QVERIFY(!s.fixture().ui().messages().isEmpty());
        QCOMPARE(s.fixture().ui().messages().last(), QStringLiteral("Max size reached"));
        QCOMPARE(c.overlayWidth(), 638.0);
        QCOMPARE(shown(f), largest);
        QCOMPARE(f.MousePointer(), 0);

        // Above 490 the element is unsmoothed ("OFF"); under 460 a ticked "Smooth" comes back.
        for (int ticked : {1, 0}) {
            f.Check9->setValue(ticked);
            f.Check9->setText(QStringLiteral("Smooth"));
            c.setOverlayWidth(480);
            c.setRotateFlags(2);
            press(f.Command6); // 512
            QCOMPARE(f.Check9->text(), QStringLiteral("OFF"));
            QCOMPARE(c.rotateFlags(), 0);
            press(f.Command10); // 478.4
            QCOMPARE(f.Check9->text(), QStringLiteral("OFF"));
            press(f.Command10); // 446.48
            QCOMPARE(f.Check9->text(), ticked ? QStringLiteral("Smooth") : QStringLiteral("OFF"));
            QCOMPARE(c.rotateFlags(), ticked ? 2 : 0);
        }

        // With nothing pending nothing changes.
        f.Command47->click();
        QVERIFY(!isOn(f.Command47));
        const double width = c.overlayWidth();
        const QImage committed = shown(f);
        press(f.Command6);
        press(f.Command10);
        QCOMPARE(c.overlayWidth(), width);
        QCOMPARE(shown(f), committed);
        QVERIFY(!c.buttonRepeating());
    }

    void sizeButtonsOnShapeAndText()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        auto& text = f.text();
        f.Picture1->setPicture(solid(640, 512, kWhite));
        text.setDrawingColour(QString::number(platform::vbBlue));

        // An armed circle of radius 200 round (320, 256): one step is a ninth or a tenth.
        emit f.Combo1->GotFocus();
        f.Combo1->setListIndex(f.Combo1->findText(QStringLiteral("Circle")));
        press(f.Command6);
        QCOMPARE(c.shapeSize(), 2000.0 / 9);
        QImage screen = rgb32(f.Picture1->screenImage());
        QCOMPARE(screen.pixel(320 + 222, 256), kBlue);
        QCOMPARE(screen.pixel(520, 256), kWhite);
        c.setShapeSize(200);
        press(f.Command10);
        QCOMPARE(c.shapeSize(), 180.0);
        screen = rgb32(f.Picture1->screenImage());
        QCOMPARE(screen.pixel(500, 256), kBlue);
        QCOMPARE(screen.pixel(520, 256), kWhite);
        f.Command12->click();

        // A pending text in font size 20: 22.5 and 17.5 asked for; the size follows.
        f.Option1->setValue(true);
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        text.setTextToDraw(QStringLiteral("CQ"));
        c.setElementX(100);
        c.setElementY(100);
        text.setLastLineStep(10);
        f.Picture1->setFontSize(20);
        emit f.Command6->MouseDown(1, 0, 5, 5);
        QCOMPARE(f.Picture1->FontSize(), 22.5);
        // (the print then takes its own line step from the font)
        QCOMPARE(text.textSizeStep(), 12 + 22.5 / 40);
        QVERIFY(c.buttonRepeating());
        QVERIFY(!f.Timer2->enabled());
        QVERIFY(rgb32(f.Picture1->screenImage()).copy(100, 100, 40, 30) != solid(40, 30, kWhite));
        emit f.Command6->MouseUp(1, 0, 5, 5);
        QVERIFY(!c.buttonRepeating());
        QVERIFY(f.Timer2->enabled());
        f.Picture1->setFontSize(20);
        text.setLastLineStep(10);
        press(f.Command10);
        QCOMPARE(f.Picture1->FontSize(), 17.5);
        QCOMPARE(text.textSizeStep(), 8 - 17.5 / 40);

        // Below size 2 "-" changes nothing but still holds the finishing redraw off.
        f.Picture1->setFontSize(1.5);
        const double size = text.textLineStep();
        emit f.Command10->MouseDown(1, 0, 5, 5);
        QCOMPARE(f.Picture1->FontSize(), 1.5);
        QCOMPARE(text.textLineStep(), size);
        QVERIFY(c.buttonRepeating());
        QVERIFY(!f.Timer2->enabled());
        emit f.Command10->MouseUp(1, 0, 5, 5);
        QVERIFY(!c.buttonRepeating());
        QVERIFY(f.Timer2->enabled());

        // Timer2's tick waits a quarter second; a button held again meanwhile (as a rotate
        // button's press does) makes it give up and leave Timer2 on. Once let go, the next
        // tick finishes and switches Timer2 off.
        s.clock().after(600, [&] { c.setButtonRepeating(true); });
        s.clock().advance(800);
        QVERIFY(f.Timer2->enabled());
        emit f.Command10->MouseUp(1, 0, 5, 5);
        bool onDuringWait = false;
        s.clock().after(400, [&] { onDuringWait = f.Timer2->enabled(); });
        s.clock().advance(600);
        QVERIFY(onDuringWait);
        QVERIFY(!f.Timer2->enabled());
    }

    void mirrorButtons()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();

        // A pending picture-in-picture: each button mirrors it; one of each turns it over.
        f.Picture1->setPicture(solid(640, 512, kGrey));
        f.Option7->setValue(true);
        dropFromStrip(s, corners(200, 160), 320, 256);
        const QImage element = shown(f).copy(200, 160, 240, 192);
        const struct {
            platform::CommandButton* button;
            int flags;
            QImage looks;
        } presses[] = {{f.Command28, 2 + kMirrorTopBottom, element.mirrored(false, true)},
                       {f.Command29, 2 + kMirrorTopBottom + kMirrorLeftRight, element.mirrored(true, true)},
                       {f.Command28, 2 + kMirrorLeftRight, element.mirrored(true, false)},
                       {f.Command29, 2, element}};
        for (const auto& p : presses) {
            emit p.button->MouseDown(1, 0, 5, 5);
            QCOMPARE(c.rotateFlags(), p.flags);
            QCOMPARE(shown(f).copy(200, 160, 240, 192), p.looks);
            QCOMPARE(f.MousePointer(), 0);
        }
        c.setElementAngle(10);
        emit f.Command28->MouseDown(1, 0, 5, 5);
        QCOMPARE(c.elementAngle(), -10.0);
        emit f.Command28->MouseDown(1, 0, 5, 5);
        QCOMPARE(c.elementAngle(), 10.0);
        QCOMPARE(c.rotateFlags(), 2);
        f.setMousePointer(11);
        emit f.Command29->MouseDown(1, 0, 5, 5);
        QCOMPARE(c.rotateFlags(), 2);
        f.setMousePointer(0);
        // Nothing pending: nothing to mirror.
        f.Command47->click();
        const QImage committed = shown(f);
        emit f.Command29->MouseDown(1, 0, 5, 5);
        QCOMPARE(c.rotateFlags(), 2);
        QCOMPARE(shown(f), committed);

        // Text mode: the whole TX picture, exactly, for good; the work buffer was small.
        f.Option1->setValue(true);
        const QImage card = corners(640, 512);
        f.Picture1->setPicture(card);
        f.Image6->setPicture(card);
        f.Picture3->setBoxSize(100, 80);
        platform::setBackColor(f.Label24, canvas::kPendingColor);
        emit f.Command29->MouseDown(1, 0, 5, 5);
        QCOMPARE(rgb32(f.Picture1->Picture()), card.mirrored(true, false));
        QCOMPARE(rgb32(f.Image6->Picture()), card.mirrored(true, false));
        QCOMPARE(platform::backColor(f.Label24), canvas::kToolOffColor);
        QVERIFY(!isOn(f.Command47));
        QCOMPARE(f.MousePointer(), 0);
        emit f.Command28->MouseDown(1, 0, 5, 5);
        QCOMPARE(rgb32(f.Picture1->Picture()), card.mirrored(true, true));

        // Under a turned picture only the clean picture is mirrored; the picture is turned
        // again at its last step's angle.
        f.Picture1->setPicture(card);
        f.Image6->setPicture(card);
        for (int state : {9, 19}) {
            c.setMouseState(state);
            c.setElementAngle(1);
            emit f.Command28->MouseDown(1, 0, 5, 5);
            // The clockwise turn draws at the angle it is handed and adds its step again.
            QCOMPARE(c.elementAngle(), state == 9 ? 1.0 : -1.0);
            QCOMPARE(c.mouseState(), 9);
            QCOMPARE(rgb32(f.Image6->Picture()), state == 9 ? card.mirrored(false, true) : card);
            QVERIFY(rgb32(f.Picture1->Picture()) != card);
            QCOMPARE(f.MousePointer(), 0);
        }
        c.setMouseState(0);
        f.Picture1->setPicture(card);

        // A pending text: nothing is mirrored.
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        emit f.Command29->MouseDown(1, 0, 5, 5);
        QCOMPARE(rgb32(f.Picture1->Picture()), card);
        QCOMPARE(f.MousePointer(), 0);
    }
};

QTEST_MAIN(TestElementTools)
#include "tst_elementtools.moc"
