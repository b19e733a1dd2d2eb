// The TX screen's press on a started window with the real engine library: the pending
// overlay placed by a click, the order of the tools the press reaches, and the work
// buffer the element is painted into before it is turned.

#include "CanvasStation.h"

using namespace canvastest;

namespace {

// An element waiting in Overlays (or Pic in Pic): its picture in Image6, S wide, SET red.
void pendingElement(Station& s, bool overlays, const QImage& element, double scale)
{
    auto& f = s.form();
    (overlays ? f.Option6 : f.Option7)->setValue(true);
    f.Image6->setPicture(element);
    s.canvas().setOverlayWidth(scale);
    s.canvas().setRotateFlags(0);
    platform::setBackColor(f.Command47, canvas::kPendingColor);
}

// White with a blue middle: its corner colour (white) is the key colour.
QImage whiteRimmed(int w, int h)
{
    QImage img = solid(w, h, kWhite);
    testsupport::paint(img, w / 4, h / 4, w * 3 / 4, h * 3 / 4, kBlue);
    return img;
}

void press(shell::FormMain& f, int button, double x, double y) { emit f.Picture1->mouseDown(button, 0, x, y); }

} // namespace

class TestPress : public QObject {
    Q_OBJECT
private slots:
    void clickPlacesThePendingElement()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage picture = solid(640, 512, kGrey);
        f.Picture1->setPicture(picture);

        // Centred on the pointer, 240 x 192.
        pendingElement(s, false, solid(200, 160, kBlue), 240);
        press(f, 1, 320, 256);
        QCOMPARE(c.elementX(), 200.f);
        QCOMPARE(c.elementY(), 160.f);
        QImage shown = rgb32(f.Picture1->Image());
        for (QPoint p : {QPoint(202, 162), QPoint(320, 256), QPoint(437, 349)})
            QCOMPARE(shown.pixel(p), kBlue);
        for (QPoint p : {QPoint(197, 256), QPoint(443, 256), QPoint(320, 157), QPoint(320, 354)})
            QCOMPARE(shown.pixel(p), kGrey);
        QVERIFY(isOn(f.Command47));
        QCOMPARE(rgb32(f.Picture1->Picture()), picture);
        // A second click moves it: the first copy is gone.
        press(f, 1, 100, 100);
        shown = rgb32(f.Picture1->Image());
        QCOMPARE(shown.pixel(100, 100), kBlue);
        QCOMPARE(shown.pixel(320, 256), kGrey);

        // Overlays leave the element's corner colour out; Pic in Pic draws it whole.
        pendingElement(s, true, whiteRimmed(200, 160), 240);
        press(f, 1, 320, 256);
        shown = rgb32(f.Picture1->Image());
        QCOMPARE(shown.pixel(320, 256), kBlue);
        QCOMPARE(shown.pixel(210, 170), kGrey);
        pendingElement(s, false, whiteRimmed(200, 160), 240);
        press(f, 1, 320, 256);
        shown = rgb32(f.Picture1->Image());
        QCOMPARE(shown.pixel(320, 256), kBlue);
        QCOMPARE(shown.pixel(210, 170), kWhite);

        // With nothing pending the click only gives the text box the focus; with "4 pics in
        // 1" it does nothing at all.
        f.Command12->click();
        const QImage before = rgb32(f.Picture1->Image());
        platform::setBackColor(f.Command47, platform::vbButtonFace);
        press(f, 1, 500, 400);
        QCOMPARE(rgb32(f.Picture1->Image()), before);
        f.Check19->setValue(1);
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        c.setElementX(7);
        for (int button : {1, 2, 4})
            press(f, button, 500, 400);
        QCOMPARE(c.elementX(), 7.f);
        QCOMPARE(rgb32(f.Picture1->Image()), before);
        QVERIFY(!DragManager::instance().active());
    }

    void elementPaintedIntoTheWorkBuffer()
    {
        Station s;
        auto& f = s.form();
        f.Picture1->setPicture(solid(640, 512, kGrey));
        f.Picture3->setBoxSize(688, 556);

        // Pic in Pic with "Border" at full width: the frame's band is 23 pixels, the picture
        // 594 x 466 inside it.
        pendingElement(s, false, solid(320, 256, kBlue), 640);
        f.Check3->setValue(1);
        press(f, 1, 320, 256);
        QImage work = rgb32(f.Picture3->Image());
        QCOMPARE(work.copy(23, 23, 594, 466), solid(594, 466, kBlue));
        for (QPoint p : {QPoint(22, 23), QPoint(23, 22), QPoint(617, 300), QPoint(300, 489)})
            QVERIFY2(work.pixel(p) != kBlue, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        const QImage shown = rgb32(f.Picture1->Image());
        QCOMPARE(shown.pixel(320, 256), kBlue);
        QVERIFY(shown.pixel(10, 256) != kBlue && shown.pixel(10, 256) != kGrey);

        // Overlays with "Border" ticked: no frame, the picture fills the element.
        pendingElement(s, true, solid(320, 256, kRed), 640);
        press(f, 1, 320, 256);
        work = rgb32(f.Picture3->Image());
        QCOMPARE(work.copy(0, 0, 640, 512), solid(640, 512, kRed));
    }

    void toolsInTheirOrder()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        auto& t = f.text();
        const QImage picture = halves(640, 512, kRed, kBlue);
        f.Picture1->setPicture(picture);

        // A right press with "Box" shown draws the box like a left one and drags nothing.
        emit f.Combo1->GotFocus();
        f.Combo1->setListIndex(f.Combo1->findText(QStringLiteral("Box")));
        f.Picture1->setForeColor(platform::vbWhite);
        press(f, 2, 320, 256);
        QVERIFY(!DragManager::instance().active());
        QImage shown = rgb32(f.Picture1->screenImage());
        for (QPoint p : {QPoint(220, 156), QPoint(420, 156), QPoint(220, 356), QPoint(420, 356), QPoint(320, 156)})
            QCOMPARE(shown.pixel(p), kWhite);
        QCOMPARE(shown.pixel(320, 256), picture.pixel(320, 256));
        QCOMPARE(c.elementX(), 320.f);
        // The drawn box holds the shape, pen included, and stays on the screen near a corner.
        QVERIFY(c.drawnExtent().left <= 220 && c.drawnExtent().right >= 420);
        QVERIFY(c.drawnExtent().top <= 156 && c.drawnExtent().bottom >= 356);
        f.Combo1->setListIndex(f.Combo1->findText(QStringLiteral("Circle")));
        press(f, 1, 30, 500);
        QCOMPARE(c.drawnExtent().left, 0.0);
        QCOMPARE(c.drawnExtent().bottom, 512.0);
        QVERIFY(c.drawnExtent().right > 200 && c.drawnExtent().top < 320);
        f.Command12->click();
        f.Combo1->setText(QStringLiteral("  Things"));

        // Text mode, middle button: the text is taken and SET shows it pending, but nothing
        // is printed.
        f.text().Option1_Click();
        f.Text1->setText(QStringLiteral("HELLO"));
        press(f, 4, 100, 100);
        QVERIFY(isOn(f.Command47));
        QCOMPARE(t.textToDraw(), QStringLiteral("HELLO"));
        QCOMPARE(rgb32(f.Picture1->screenImage()), picture);

        // Over the log view the press stops before anything is taken or printed.
        f.Command12->click();
        platform::setBackColor(f.Label48, canvas::kPendingColor);
        press(f, 1, 100, 100);
        QVERIFY(!isOn(f.Command47));
        QCOMPARE(rgb32(f.Picture1->screenImage()), picture);
        platform::setBackColor(f.Label48, canvas::kToolOffColor);

        // Pattern Fill: the colour under the pointer is picked and the drag to the fill runs.
        platform::setBackColor(f.Label32, canvas::kPendingColor);
        press(f, 1, 500, 100);
        QCOMPARE(c.patternFillColour(), qint32(platform::vbBlue));
        QCOMPARE(t.sharedCounter(), text::TextTools::kFillColourPicked);
        QVERIFY(DragManager::instance().active());
        QCOMPARE(f.Picture1->MousePointer(), 2);
        DragManager::instance().cancel();
        // Its right press clears the preview but drags nothing.
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        press(f, 2, 500, 100);
        QVERIFY(!isOn(f.Command47));
        QVERIFY(!DragManager::instance().active());
        platform::setBackColor(f.Label32, canvas::kToolOffColor);

        // Draw mode: the thickness box read within the slider's range; not a number keeps it.
        f.Option8->setValue(true);
        f.HScroll1->setValue(3);
        const struct {
            const char* box;
            int width;
        } thickness[] = {{"abc", 3}, {" 5", 5}, {"25", 9}, {"", 9}, {"-2", 1}, {"2.5", 2}};
        for (const auto& k : thickness) {
            f.Text6->setText(QString::fromLatin1(k.box));
            press(f, 1, 50, 60);
            QCOMPARE(f.HScroll1->value(), k.width);
            QCOMPARE(f.Picture1->DrawWidth(), k.width);
            QCOMPARE(c.elementX(), 50.f);
        }
    }

    void seeThroughPlacementAndTrail()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage picture = solid(640, 512, kGrey);
        f.Picture1->setPicture(picture);

        // A middle press in Overlays lays the overlay of Picture2 at the pointer, its corner
        // colour left out, without committing it.
        pendingElement(s, true, solid(100, 80, kBlue), 200);
        f.Picture2->setPicture(whiteRimmed(200, 160));
        press(f, 4, 300, 200);
        QCOMPARE(c.elementX(), 200.f);
        QCOMPARE(c.elementY(), 120.f);
        QVERIFY(isOn(f.Command47));
        QImage shown = rgb32(f.Picture1->screenImage());
        QCOMPARE(shown.pixel(200 + 94, 120 + 38), kBlue);
        QCOMPARE(shown.pixel(202, 122), kGrey);
        QCOMPARE(rgb32(f.Picture1->Picture()), picture);

        // Follow Mouse in Pic in Pic: the trail starts at the press, one pixel wide, over the
        // TX picture as it is now.
        f.Command12->click();
        pendingElement(s, false, solid(100, 80, kBlue), 200);
        f.Check18->setValue(1);
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        press(f, 1, 150, 90);
        QCOMPARE(c.overlayWidth(), 1.0);
        QCOMPARE(c.trailX(), 150.0);
        QCOMPARE(c.trailY(), 90.0);
        QCOMPARE(rgb32(f.Picture2->Picture()), picture);
        QVERIFY(isOn(f.Command47));
    }
};

QTEST_MAIN(TestPress)
#include "tst_press.moc"
