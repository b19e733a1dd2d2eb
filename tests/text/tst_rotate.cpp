// Turning the element on a started window: the pending text's angle and its refusals,
// the picture turned pixel by pixel from its unturned copy, and the rotate buttons with
// their one deferred redraw.
#include <QSignalSpy>

#include "TextStation.h"

using namespace texttest;

namespace {

constexpr double kPi = 3.14159265359;

// A picture whose every pixel differs from its neighbours and from its mirror images.
QImage asymmetric(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | ((y >> 8) << 6) | 1));
    return img;
}

platform::PictureBox* box(const QImage& picture, QWidget* parent)
{
    auto* b = new platform::PictureBox(parent);
    b->setBoxSize(picture.width(), picture.height());
    b->setAutoRedraw(true);
    b->setPicture(picture);
    return b;
}

} // namespace

class TestRotate : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { REQUIRE_FACE(); }

    void textTurnsTenDegreesUpToTheLimit()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        prepare(s, QStringLiteral("TURN"), 200, 200);
        t.drawText();
        const QRect flat = inkBounds(screen(s), kBlack);
        QList<double> angles;
        for (int i = 0; i < 10; ++i) {
            t.rotateclockwise();
            angles << t.textRotation();
        }
        QCOMPARE(angles, (QList<double>{-100, -200, -300, -400, -500, -600, -700, -800, -900, -900}));
        // Turned a quarter clockwise the line stands upright.
        const QRect upright = inkBounds(screen(s), kBlack);
        QVERIFY2(upright.height() > upright.width() && flat.width() > flat.height(), "the text is drawn turned");
        t.rotateanticlockwise();
        QCOMPARE(t.textRotation(), -800.0);
        for (int i = 0; i < 20; ++i)
            t.rotateanticlockwise();
        QCOMPARE(t.textRotation(), 900.0);
    }

    void refusals()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        auto& ui = s.fixture().ui();
        prepare(s, QStringLiteral("TURN"), 200, 200);
        // BkGnd: nothing at all.
        f.Check16->setValue(1);
        t.rotateclockwise();
        t.rotateanticlockwise();
        QCOMPARE(t.textRotation(), 0.0);
        QVERIFY(ui.calls().isEmpty());
        f.Check16->setValue(0);

        platform::setBackColor(f.Label31, canvas::kPendingColor);
        ui.answerMsgBox(platform::vbOK);
        t.rotateclockwise();
        QVERIFY(!ui.messages().isEmpty());
        QCOMPARE(ui.messages().last(), QStringLiteral("Cannot rotate vertical text"));
        platform::setBackColor(f.Label31, canvas::kToolOffColor);
        f.Combo3->setText(QStringLiteral("Graduated Text"));
        ui.answerMsgBox(platform::vbOK);
        t.rotateanticlockwise();
        QVERIFY(!ui.messages().isEmpty());
        QCOMPARE(ui.messages().last(), QStringLiteral("Cannot rotate graduated or striped text"));
        QCOMPARE(t.textRotation(), 0.0);
    }

    // At 0 the picture is copied about the centres exactly; at -pi/2 each point lands a
    // quarter turn clockwise: what stood right of the centre stands below it.
    void bmpRotate()
    {
        QWidget parent;
        const QImage picture = asymmetric(640, 512);
        platform::PictureBox* source = box(picture, &parent);
        platform::PictureBox* straight = box(solid(640, 512, kBlack), &parent);
        text::TextTools::bmp_rotate(*source, *straight, 0.0f);
        QCOMPARE(rgb32(straight->Image()), picture);

        platform::PictureBox* turned = box(solid(640, 512, kBlack), &parent);
        text::TextTools::bmp_rotate(*source, *turned, float(-kPi / 2));
        const QImage out = rgb32(turned->Image());
        for (int x : {-200, -37, 0, 5, 111, 250})
            for (int y : {-250, -90, 0, 13, 200})
                QCOMPARE(out.pixel(320 + x, 256 + y), picture.pixel(320 + y, 256 - x));
        // Beyond the source's height the turn reads outside it: the fill stays.
        QCOMPARE(out.pixel(20, 256), kBlack);
    }

    void pictureTurnsFromItsUnturnedCopy()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        auto& t = f.text();
        const QImage picture = asymmetric(640, 512);
        f.Image6->setPicture(picture);
        platform::setBackColor(f.Command47, platform::vbButtonFace);
        QWidget parent;
        auto expected = [&](double angle) {
            f.Image6->setPicture(picture);
            platform::PictureBox* want = box(solid(640, 512, picture.pixel(1, 1)), &parent);
            text::TextTools::bmp_rotate(*box(picture, &parent), *want, float(angle));
            return rgb32(want->Image());
        };
        for (int i = 0; i < 3; ++i)
            t.rotateclockwise();
        QCOMPARE(c.mouseState(), 9);
        QCOMPARE(c.elementAngle(), 3 * kPi / 8);
        t.rotateanticlockwise();
        QCOMPARE(c.mouseState(), 19);
        QCOMPARE(c.elementAngle(), -2 * kPi / 8);
        QCOMPARE(rgb32(f.Picture1->Picture()), expected(-2 * kPi / 8));
        // The element turned is the one Image6 holds, unchanged by the turns.
        QCOMPARE(rgb32(f.Image6->Picture()), picture);

        c.setElementAngle(0);
        c.setMouseState(0);
        for (int i = 0; i < 16; ++i)
            t.rotateclockwise();
        QCOMPARE(c.elementAngle(), 0.0);
        QCOMPARE(c.mouseState(), 0);
    }

    // Pic in Pic, smooth: three clockwise presses turn the element 30; mirrored once the
    // other way; mirrored both ways as unmirrored. The anticlockwise button the opposite.
    void overlayButtons()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        f.Image6->setPicture(asymmetric(640, 512));
        f.Option7->setValue(true);
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        c.setOverlayWidth(200);
        c.setElementX(100);
        c.setElementY(100);
        const struct {
            int32_t flags;
            double turned;
        } cases[] = {{2, 30}, {2 | 0x40000, -30}, {2 | 0x40000 | 0x80000, 30}};
        for (const auto& k : cases) {
            for (auto* button : {f.Command44, f.Command46}) {
                c.setRotateFlags(k.flags);
                c.setElementAngle(0);
                for (int i = 0; i < 3; ++i) {
                    emit button->MouseDown(1, 0, 2, 2);
                    emit button->MouseUp(1, 0, 2, 2);
                }
                QCOMPARE(c.elementAngle(), button == f.Command44 ? k.turned : -k.turned);
                QCOMPARE(f.MousePointer(), 0);
                QVERIFY(!f.Timer2->enabled());
            }
        }
        // The render is drawn at each press: the screen differs from the clean picture.
        QVERIFY(rgb32(f.Picture1->screenImage()) != rgb32(f.Picture1->Picture()));
        // A press under the hourglass (a render under way) does nothing.
        f.setMousePointer(11);
        emit f.Command44->MouseDown(1, 0, 2, 2);
        QCOMPARE(c.elementAngle(), -30.0);
        f.setMousePointer(0);
        // Draw mode: nothing.
        f.Option8->setValue(true);
        c.setElementAngle(5);
        emit f.Command44->MouseDown(1, 0, 2, 2);
        QCOMPARE(c.elementAngle(), 5.0);
    }

    // Release, press again within 0.3 s, release: Timer2 ticks once, 500 ms after the last
    // release, and its redraw switches it off.
    void oneRedrawAfterTheLastRelease()
    {
        Station s;
        auto& f = s.form();
        prepare(s, QStringLiteral("TURN"), 200, 200);
        QSignalSpy ticks(f.Timer2, &platform::VbTimer::Timer);
        emit f.Command44->MouseDown(1, 0, 2, 2);
        QVERIFY(!f.Timer2->enabled());
        QVERIFY(s.canvas().buttonRepeating());
        emit f.Command44->MouseUp(1, 0, 2, 2);
        QVERIFY(f.Timer2->enabled());
        s.clock().advance(300);
        emit f.Command46->MouseDown(1, 0, 2, 2);
        QVERIFY(!f.Timer2->enabled());
        emit f.Command46->MouseUp(1, 0, 2, 2);
        s.clock().advance(499);
        QCOMPARE(ticks.count(), 0);
        s.clock().advance(400);
        QCOMPARE(ticks.count(), 1);
        QVERIFY(!f.Timer2->enabled());
        QCOMPARE(f.text().textRotation(), 0.0);
    }
};

QTEST_MAIN(TestRotate)
#include "tst_rotate.moc"
