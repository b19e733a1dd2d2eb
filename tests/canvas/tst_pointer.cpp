// The TX screen's pointer moves and release on a started window with the real engine
// library: what follows the pointer with the left button held, the Follow Mouse trail,
// the crop rectangle and the crop, the noise-line repair and the placements on release.

#include "TextStation.h"

using namespace texttest;

namespace {

void press(shell::FormMain& f, int button, double x, double y) { emit f.Picture1->mouseDown(button, 0, x, y); }
void move(shell::FormMain& f, int button, double x, double y) { emit f.Picture1->mouseMove(button, 0, x, y); }
void release(shell::FormMain& f, int button, double x, double y) { emit f.Picture1->mouseUp(button, 0, x, y); }

QImage shown(const shell::FormMain& f) { return rgb32(f.Picture1->screenImage()); }
QImage committed(const shell::FormMain& f) { return rgb32(f.Picture1->Picture()); }

// The smallest rectangle of every pixel that is not black.
QRect inkBoundsOf(const QImage& img)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != kBlack)
                r = r.united(QRect(x, y, 1, 1));
    return r;
}

} // namespace

class TestPointer : public QObject {
    Q_OBJECT
private slots:
    void movesFollowTheLeftButtonOnly()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        prepare(s, QStringLiteral("AB"), 100, 100);
        f.text().drawText();
        const QImage before = shown(f);
        for (int mask : {0, 2, 3}) {
            move(f, mask, 300, 300);
            QCOMPARE(shown(f), before);
        }
        // The left button alone: the text follows, its top left at the pointer.
        move(f, 1, 300, 300);
        QCOMPARE(QPointF(c.elementX(), c.elementY()), QPointF(300, 300));
        QCOMPARE(shown(f).copy(90, 90, 60, 40), solid(60, 40, kBlack));

        // "Box" with VScroll4 at 6: the same top left, 200 wide, 6/9 of that high.
        emit f.Combo1->GotFocus();
        f.Combo1->setListIndex(f.Combo1->findText(QStringLiteral("Box")));
        f.VScroll4->setValue(6);
        c.setShapeSize(200);
        move(f, 1, 320, 256);
        QImage img = shown(f);
        for (QPoint p : {QPoint(220, 156), QPoint(420, 156), QPoint(220, 289), QPoint(420, 289)})
            QCOMPARE(img.pixel(p), kWhite);
        QCOMPARE(img.pixel(320, 291), kBlack);
        f.Command12->click();
        f.Combo1->setText(QStringLiteral("  Things"));

        // Follow Mouse: the press starts the trail at 1; every move grows it, and a copy is
        // stamped only on leaving the window (its edge counts as outside).
        f.Check18->setValue(1);
        f.Image6->setPicture(solid(100, 80, kBlue));
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        press(f, 1, 100, 100);
        for (int i = 0; i < 8; ++i)
            move(f, 1, 100, 100);
        QCOMPARE(c.overlayWidth(), 9.0);
        QCOMPARE(rgb32(f.Picture1->Image()), solid(640, 512, kBlack));
        move(f, 1, 102, 100); // S 10: 100 + 10 / 5
        img = rgb32(f.Picture1->Image());
        QCOMPARE(inkBoundsOf(img), QRect(102, 100, 10, 8));
        move(f, 1, 103, 101); // inside the new window
        QCOMPARE(c.overlayWidth(), 11.0);
        QCOMPARE(rgb32(f.Picture1->Image()), img);

        // "4 pics in 1": nothing at all, not even the focus.
        f.Check19->setValue(1);
        f.Text3->setFocus();
        move(f, 1, 50, 50);
        QCOMPARE(f.focusWidget(), f.Text3);
    }

    void cropRectangleAndCrop()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage picture = busy(640, 512);
        auto crop = [&](QPointF from, QPointF to) {
            f.Picture1->setPicture(picture);
            platform::setBackColor(f.Label24, canvas::kPendingColor);
            press(f, 1, from.x(), from.y());
            move(f, 1, to.x(), to.y());
            release(f, 1, to.x(), to.y());
            return committed(f);
        };

        // Dragged up and to the left, the rubber band lies between the two points, its outline
        // the inverse of the pixel under the pointer (white off the screen), hatched in black.
        f.Picture1->setPicture(picture);
        platform::setBackColor(f.Label24, canvas::kPendingColor);
        press(f, 1, 300, 300);
        move(f, 1, 200, 250);
        QCOMPARE(shown(f).pixel(300, 300), picture.pixel(200, 250) ^ 0x00FFFFFFu);
        QCOMPARE(shown(f).pixel(200, 275), picture.pixel(200, 250) ^ 0x00FFFFFFu);
        QCOMPARE(f.Picture1->FillStyle(), 5);
        move(f, 1, 700, 600);
        QCOMPARE(shown(f).pixel(300, 300), kWhite);

        // (100, 100)-(420, 356) fills the screen, each pixel doubled; the reverse drag alike.
        const QImage doubled = crop({100, 100}, {420, 356});
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 640; ++x)
                if (doubled.pixel(x, y) != picture.pixel(100 + x / 2, 100 + y / 2))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        QVERIFY(!isOn(f.Label24));
        QCOMPARE(rgb32(f.Image13->Picture()), picture);
        QCOMPARE(crop({420, 356}, {100, 100}), doubled);
        // Released off the screen: only the screen's part is taken, no black pulled in.
        const QImage corner = crop({600, 400}, {700, 600});
        QCOMPARE(corner.pixel(0, 0), picture.pixel(600, 400));
        QCOMPARE(corner.pixel(639, 511), picture.pixel(639, 511));
        // On the anchor's row: nothing changes and the tool stays on.
        QCOMPARE(crop({100, 100}, {300, 100}), picture);
        QVERIFY(isOn(f.Label24));
        QCOMPARE(c.mouseState(), 101);
    }

    void releases()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        // Noise lines in Draw mode: (button, row) and the rows afterwards as (row, old row).
        const QImage picture = busy(640, 512);
        f.Option8->setValue(true);
        platform::setBackColor(f.Label73, canvas::kPendingColor);
        auto row = [](const QImage& img, int y) { return img.copy(0, y, 640, 1); };
        const struct {
            int button, y;
            QList<QPair<int, int>> moved;
        } cases[] = {
            {1, 200, {{201, 200}, {200, 199}}}, {2, 200, {{199, 200}, {200, 201}}}, {4, 200, {}},
            {1, 0, {{1, 0}}},                   {2, 511, {{510, 511}}},
        };
        for (const auto& k : cases) {
            f.Picture1->setPicture(picture);
            press(f, k.button, 320, k.y);
            release(f, k.button, 320, k.y);
            const QImage after = committed(f);
            for (int y = 0; y < 512; ++y) {
                int from = y;
                for (const auto& [to, old] : k.moved)
                    from = to == y ? old : from;
                if (row(after, y) != row(picture, from))
                    QFAIL(qPrintable(QStringLiteral("button %1 at %2: row %3").arg(k.button).arg(k.y).arg(y)));
            }
            QVERIFY(isOn(f.Command47));
            QCOMPARE(rgb32(f.Picture3->Picture()), picture);
        }

        // Overlays: released at (300, 200), the element centred on the pointer.
        f.Picture1->setPicture(solid(640, 512, kBlack));
        f.Option6->setValue(true);
        QImage element = solid(200, 160, kWhite); // its corner colour is left out
        testsupport::paint(element, 50, 40, 150, 120, kBlue);
        f.Image6->setPicture(element);
        c.setOverlayWidth(240);
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        move(f, 1, 320, 256);
        release(f, 1, 300, 200);
        QCOMPARE(QPointF(c.elementX(), c.elementY()), QPointF(180, 104));
        QCOMPARE(inkBoundsOf(rgb32(f.Picture1->Image())), QRect(240, 152, 120, 96));

        // The call sign dragged as text lands at the release with its shadow and outline.
        f.Option1->setValue(true);
        prepare(s, QStringLiteral("x"), 0, 0);
        f.Text3->setText(QStringLiteral("DL0ABC"));
        f.Option2->setValue(true);
        f.Check17->setValue(1);
        f.Check15->setValue(1);
        f.text().setShadowDepth(9);
        f.text().setTextBackColour(0x00FF00);
        f.HScroll4->setValue(2); // red ring
        c.setDragSource(canvas::dragCallSign);
        press(f, 1, 100, 200);
        move(f, 1, 200, 200);
        release(f, 1, 300, 300);
        QCOMPARE(f.text().textToDraw(), QStringLiteral("DL0ABC"));
        const QImage img = shown(f);
        QVERIFY(inkBoundsOf(img).topLeft().x() >= 295);
        QSet<QRgb> colours;
        for (int y = 280; y < 350; ++y)
            for (int x = 280; x < 460; ++x)
                colours.insert(img.pixel(x, y));
        for (QRgb expected : {kWhite, kGreen, kRed})
            QVERIFY(colours.contains(expected));
    }
};

QTEST_MAIN(TestPointer)
#include "tst_pointer.moc"
