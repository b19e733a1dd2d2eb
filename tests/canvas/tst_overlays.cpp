// Pictures dropped on the TX screen as overlays or pictures-in-picture, on a started window
// with the real engine library: placement, the see-through frame overlay, Follow Mouse and
// "4 pics in 1"; and the masked copy and the engine's see-through draw on known pixels.

#include "CanvasStation.h"
#include "canvas/OverlayRender.h"
#include "platform/drawing/Gdi.h"
#include "platform/drawing/MaskedCopy.h"
#include "platform/drawing/Rotate.h"

using namespace canvastest;

namespace {

// 640 x 512 red with a white middle from (100, 100) to (539, 411): flat where the test
// looks (x 160 to 420 on row 256, rows 180 to 332 of column 330).
QImage framed(int w = 640, int h = 512)
{
    QImage img = solid(w, h, kRed);
    testsupport::paint(img, w * 100 / 640, h * 100 / 512, w * 540 / 640, h * 412 / 512, kWhite);
    return img;
}

} // namespace

class TestOverlays : public QObject {
    Q_OBJECT
private slots:
    void picInPicIsCentredAndPending()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage picture = solid(640, 512, kGrey);
        f.Picture1->setPicture(picture);
        c.pushTxPicture();
        f.Option7->setValue(true);
        c.setRotateFlags(platform::RotateMirrorLeftRight | platform::RotateMirrorTopBottom);
        // The work buffer last held a small picture: it grows to take the whole element.
        f.Picture3->setBoxSize(100, 80);

        dropFromStrip(s, solid(200, 160, kBlue), 320, 256);
        QCOMPARE(c.elementX(), 200.f);
        QCOMPARE(c.elementY(), 160.f);
        QCOMPARE(c.overlayWidth(), 240.0);
        QCOMPARE(c.rotateFlags(), 2);
        QCOMPARE(f.MousePointer(), 0);
        QVERIFY(platform::backColor(f.Command47) == canvas::kPendingColor);
        const QImage shown = rgb32(f.Picture1->Image());
        for (QPoint p : {QPoint(202, 162), QPoint(320, 256), QPoint(437, 349)})
            QCOMPARE(shown.pixel(p), kBlue);
        for (QPoint p : {QPoint(197, 256), QPoint(443, 256), QPoint(320, 157), QPoint(320, 354)})
            QCOMPARE(shown.pixel(p), kGrey);
        QCOMPARE(rgb32(f.Picture1->Picture()), picture);
        QCOMPARE(s.txBuffer(), picture);

        // SET commits it where it was shown.
        f.Command47->click();
        QCOMPARE(rgb32(f.Picture1->Picture()), shown);

        // With "Border" the frame shows round the picture.
        f.Check3->setValue(1);
        dropFromStrip(s, solid(200, 160, kBlue), 320, 256);
        const QImage bordered = rgb32(f.Picture1->Image());
        QVERIFY(bordered.pixel(202, 256) != kBlue && bordered.pixel(202, 256) != kGrey);
        QCOMPARE(bordered.pixel(320, 256), kBlue);
        f.Check3->setValue(0);

        // Placed near the edge, nothing is clamped; while a small header is made, 20 wide.
        dropFromStrip(s, solid(64, 64, kRed), 100, 50);
        QCOMPARE(c.elementX(), -20.f);
        QCOMPARE(c.elementY(), -46.f);
        f.makeheader16->setChecked(true);
        dropFromStrip(s, solid(64, 64, kRed), 320, 256);
        QCOMPARE(c.overlayWidth(), 20.0);
        QCOMPARE(c.elementX(), 310.f);
        QCOMPARE(c.elementY(), 248.f);
        f.makeheader16->setChecked(false);

        // While a render shows the hourglass a drop only takes the picture.
        f.Command12->click();
        const QImage quiet = rgb32(f.Picture1->Image());
        f.setMousePointer(11);
        dropFromStrip(s, solid(64, 64, kGreen), 320, 256);
        QCOMPARE(rgb32(f.Image6->Picture()), solid(64, 64, kGreen));
        QCOMPARE(rgb32(f.Picture1->Image()), quiet);
        QCOMPARE(f.MousePointer(), 11);
        f.setMousePointer(0);

        // With the strip on RX Pictures the work buffer takes its full size again.
        f.Option11->setValue(true);
        f.Picture3->setBoxSize(100, 80);
        dropFromStrip(s, solid(64, 64, kGreen), 320, 256);
        QCOMPARE(f.Picture3->size(), QSize(688, 556));
    }

    void seeThroughFrameOverlay()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage picture = busy(640, 512);
        f.Picture1->setPicture(picture);
        f.Option6->setValue(true);

        // A flat middle: the whole screen is covered, the middle see-through.
        dropFromStrip(s, framed(), 50, 50);
        QVERIFY(c.seeThroughOverlay());
        QImage expected = picture;
        const QImage ring = framed();
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 640; ++x)
                if (ring.pixel(x, y) == kRed)
                    expected.setPixel(x, y, kRed);
        QCOMPARE(rgb32(f.Picture1->screenImage()), expected);
        QCOMPARE(rgb32(f.Picture1->Picture()), picture);
        f.Command47->click();
        QCOMPARE(rgb32(f.Picture1->Picture()), expected);
        QVERIFY(!c.seeThroughOverlay());

        // A picture of another size is stretched over the whole screen first.
        f.Picture1->setPicture(picture);
        dropFromStrip(s, framed(320, 256), 50, 50);
        QVERIFY(c.seeThroughOverlay());
        QCOMPARE(rgb32(f.Picture1->screenImage()), expected);

        // One differing pixel on either test line: an ordinary overlay, 240 wide.
        for (QPoint odd : {QPoint(420, 256), QPoint(330, 180)}) {
            QImage spoiled = framed();
            spoiled.setPixel(odd, kBlack);
            c.setSeeThroughOverlay(false);
            dropFromStrip(s, spoiled, 320, 256);
            QVERIFY(!c.seeThroughOverlay());
            QCOMPARE(c.overlayWidth(), 240.0);
            QCOMPARE(c.elementX(), 200.f);
        }
    }

    void fourPicsInOneAndFollowMouse()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        f.Picture1->setPicture(solid(640, 512, kGrey));
        f.Check19->setValue(1);
        QVERIFY(f.Option7->value());

        // Each drop fills the quarter under it at once, into the engine's buffer too.
        const struct {
            QPoint drop, corner;
            QRgb colour;
        } quarters[] = {{{400, 100}, {320, 0}, kRed},
                        {{320, 256}, {320, 256}, kBlue},
                        {{10, 500}, {0, 256}, kGreen},
                        {{319, 255}, {0, 0}, kWhite}};
        for (const auto& q : quarters) {
            dropFromStrip(s, solid(100, 80, q.colour), q.drop.x(), q.drop.y());
            QCOMPARE(c.elementX(), float(q.corner.x()));
            QCOMPARE(c.elementY(), float(q.corner.y()));
            QCOMPARE(c.overlayWidth(), 320.0);
        }
        const QImage four = rgb32(f.Picture1->Picture());
        for (const auto& q : quarters)
            QCOMPARE(four.copy(q.corner.x(), q.corner.y(), 320, 256), solid(320, 256, q.colour));
        QCOMPARE(s.txBuffer(), four);

        // Follow Mouse: a 30 x 24 element on the drop point, nothing committed.
        f.Check18->setValue(1);
        QCOMPARE(f.Check19->value(), 0);
        dropFromStrip(s, solid(60, 48, kBlack), 100, 100);
        QCOMPARE(c.elementX(), 85.f);
        QCOMPARE(c.elementY(), 88.f);
        QCOMPARE(c.overlayWidth(), 30.0);
        const QImage screen = rgb32(f.Picture1->screenImage());
        QCOMPARE(screen.copy(85, 88, 30, 24), solid(30, 24, kBlack));
        QCOMPARE(screen.pixel(84, 100), four.pixel(84, 100));
        QCOMPARE(screen.pixel(115, 100), four.pixel(115, 100));
        QCOMPARE(screen.pixel(100, 112), four.pixel(100, 112));
        QCOMPARE(rgb32(f.Picture2->Picture()), solid(60, 48, kBlack));
        QCOMPARE(rgb32(f.Picture1->Picture()), four);
    }

    // SET with Follow Mouse draws the work buffer's element turned at the element's place
    // before it commits; in Pic in Pic that draw is whole, its corner colour no key (an
    // overlay's is). Drawn onto the screen, as it always is on this road, the commit that
    // follows shows only the trail; with the screen drawing into its persistent layer the
    // draw is committed too, and shows.
    void followMouseSetDrawsTheElementWhole()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        f.Picture1->setPicture(solid(640, 512, kGrey));
        f.Check18->setValue(1);
        QVERIFY(f.Option7->value());
        // A black element with a white middle: black is the corner (key) colour.
        QImage element = solid(100, 80, kBlack);
        testsupport::paint(element, 40, 30, 60, 50, kWhite);
        c.setElementPlace(200, 160);
        c.setOverlayWidth(100);
        c.setElementAngle(0);
        c.setRotateFlags(0);
        f.Picture3->setBoxSize(100, 80);
        f.Picture3->setPicture(element);

        f.Picture1->setAutoRedraw(true);
        emit f.Command47->MouseDown(1, 0, 5, 5);
        f.Command47->click();
        const QImage set = rgb32(f.Picture1->Picture());
        QCOMPARE(set.copy(200, 160, 100, 80), element);
        QCOMPARE(set.pixel(199, 200), kGrey);
        QVERIFY(platform::backColor(f.Command47) != canvas::kPendingColor);
    }

    void maskedCopyAndSeeThroughDraw()
    {
        namespace gdi = platform::gdi;
        // Source 4 x 3: the key colour (green) in column 1 and at (3, 2).
        QImage source = solid(4, 3, kRed);
        for (int y = 0; y < 3; ++y)
            source.setPixel(1, y, kGreen);
        source.setPixel(3, 2, kGreen);
        QImage background = busy(8, 6);
        QImage output = background;
        gdi::ImageDc out(&output), work(background), src(source);
        src.setBkColour(0x123456);
        int32_t rect[4] = {0, 0, 3, 2}; // both corners included: 4 x 3
        gdi::Colour key = platform::vbGreen;
        platform::transparentblit(&out, &work, &src, rect, 2, 1, key);
        QCOMPARE(key, gdi::Colour(platform::vbGreen));
        QCOMPARE(src.bkColour(), gdi::Colour(0x123456));
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
                const QRgb expected =
                    inside && source.pixel(x - 2, y - 1) != kGreen ? kRed : background.pixel(x, y);
                QCOMPARE(output.pixel(x, y), expected);
            }

        // The see-through draw: the overlay's corner colour (white) is left out.
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage picture = busy(640, 512);
        f.Picture1->setPicture(picture);
        QImage overlay = solid(200, 160, kWhite);
        testsupport::paint(overlay, 50, 40, 150, 120, kBlue);
        f.Picture2->setPicture(overlay);
        c.setOverlayWidth(200);
        c.setElementX(10);
        c.setElementY(20);
        f.Picture1->setAutoRedraw(true);
        c.turntransparent();
        f.Picture1->setAutoRedraw(false);
        const QImage drawn = rgb32(f.Picture1->Image());
        QCOMPARE(drawn.pixel(10 + 94, 20 + 77 / 2), kBlue); // the middle of the scaled square
        for (QPoint p : {QPoint(10, 20), QPoint(10 + 30, 20 + 10), QPoint(10 + 199, 20 + 159), QPoint(10 + 180, 20 + 60)})
            QCOMPARE(drawn.pixel(p), picture.pixel(p));
        QCOMPARE(drawn.copy(300, 300, 100, 100), picture.copy(300, 300, 100, 100));
    }
};

QTEST_MAIN(TestOverlays)
#include "tst_overlays.moc"
