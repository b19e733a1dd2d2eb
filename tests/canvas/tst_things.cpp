// The Things list on a started window with the real engine library: shapes armed and
// moved by a press, whole-picture items and the globe committed into the engine's TX
// buffer at once.
#include <QApplication>
#include <QTabBar>
#include <QTabWidget>

#include "CanvasStation.h"

using namespace canvastest;

namespace {

// The operator opens the list (the combo gets the focus) and picks an item.
void pick(shell::FormMain& f, const QString& item)
{
    emit f.Combo1->GotFocus();
    const int index = f.Combo1->findText(item);
    QVERIFY(index >= 0);
    f.Combo1->setListIndex(index);
}

} // namespace

class TestThings : public QObject {
    Q_OBJECT
private slots:
    void shapesAreArmedAndMovedByAPress()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage white = solid(640, 512, kWhite);
        f.Picture1->setPicture(white);
        f.engine().copyTxScreenToDib();
        f.text().setDrawingColour(QString::number(platform::vbBlue));

        // "Circle": radius 200 round (320, 256) in the drawing colour at pen 3, armed.
        pick(f, QStringLiteral("Circle"));
        QImage screen = rgb32(f.Picture1->screenImage());
        for (const QPoint p : {QPoint(520, 256), QPoint(120, 256), QPoint(320, 56), QPoint(320, 456)})
            QVERIFY2(screen.pixel(p) == kBlue, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        for (const QPoint p : {QPoint(516, 256), QPoint(524, 256), QPoint(320, 256)})
            QCOMPARE(screen.pixel(p), kWhite);
        QCOMPARE(c.dragSourceCode(), int(canvas::dragShapeTool));
        QVERIFY(isOn(f.Command47));
        QVERIFY(f.Option8->value());
        QVERIFY(f.VScroll4->isHidden());
        QCOMPARE(rgb32(f.Picture1->Picture()), white);
        QCOMPARE(s.txBuffer(), white);
        // Losing the focus keeps the armed shape's name.
        emit f.Combo1->LostFocus();
        QCOMPARE(f.Combo1->text(), QStringLiteral("Circle"));

        // A press moves it there, whatever the button; Undo takes it away.
        emit f.Picture1->mouseDown(2, 0, 300, 250);
        screen = rgb32(f.Picture1->screenImage());
        QCOMPARE(screen.pixel(500, 250), kBlue);
        QCOMPARE(screen.pixel(520, 256), kWhite);
        QCOMPARE(c.elementX(), 300.f);
        QCOMPARE(c.drawnExtent().left, 300 - 200 - 1.5);
        QCOMPARE(c.drawnExtent().bottom, 250 + 200 + 1.5);
        QCOMPARE(c.dragSourceCode(), int(canvas::dragShapeTool));
        f.Command12->click();
        QCOMPARE(rgb32(f.Picture1->screenImage()), white);

        // "Box": 200 x 200 from (220, 156).
        pick(f, QStringLiteral("Box"));
        screen = rgb32(f.Picture1->screenImage());
        for (const QPoint p : {QPoint(220, 256), QPoint(420, 256), QPoint(320, 156), QPoint(320, 356)})
            QVERIFY2(screen.pixel(p) == kBlue, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        for (const QPoint p : {QPoint(216, 256), QPoint(224, 256), QPoint(320, 360), QPoint(320, 256)})
            QCOMPARE(screen.pixel(p), kWhite);

        // "Ellipse" shows its size bar; moved by a press, then "Circle" picked: the focus gain
        // clears it and the circle starts at the centre again.
        pick(f, QStringLiteral("Ellipse"));
        QVERIFY(!f.VScroll4->isHidden());
        emit f.Picture1->mouseDown(1, 0, 100, 100);
        QCOMPARE(rgb32(f.Picture1->screenImage()).pixel(300, 100), kBlue);
        pick(f, QStringLiteral("Circle"));
        screen = rgb32(f.Picture1->screenImage());
        QCOMPARE(screen.pixel(300, 100), kWhite);
        QCOMPARE(screen.pixel(520, 256), kBlue);
        QVERIFY(f.VScroll4->isHidden());

        // While a header is made a pick draws nothing, but Draw mode is on.
        f.Option1->setValue(true);
        QCOMPARE(rgb32(f.Picture1->screenImage()), white);
        f.makeheader->setChecked(true);
        pick(f, QStringLiteral("Box"));
        QVERIFY(f.Option8->value());
        QCOMPARE(rgb32(f.Picture1->screenImage()), white);
        QVERIFY(!isOn(f.Command47));
    }

    void wholePictureItemsAreCommittedAtOnce()
    {
        Station s;
        auto& f = s.form();
        const QImage before = busy(640, 512);
        f.Picture1->setPicture(before);

        // "Red": every pixel red, committed and in the TX buffer, SET idle; the undo copy
        // holds the picture from before.
        pick(f, QStringLiteral("Red"));
        const QImage red = solid(640, 512, kRed);
        QCOMPARE(rgb32(f.Picture1->Picture()), red);
        QCOMPARE(s.txBuffer(), red);
        QVERIFY(!isOn(f.Command47));
        QCOMPARE(rgb32(f.Image13->Picture()), before);
        for (const QImage& copy : {f.Image6->Picture(), f.Image14->Picture(), f.Picture2->Picture()})
            QCOMPARE(rgb32(copy), red);
        // Back at the resting text once the focus leaves.
        QCOMPARE(f.focusWidget(), f.Text1);
        emit f.Combo1->LostFocus();
        QCOMPARE(f.Combo1->text(), QStringLiteral("  Things"));

        // "User Color" cancelled: the picture stays, yet its copies and the buffer are renewed.
        f.Picture1->setPicture(before);
        f.engine().binding().mmsFillDIB(f.engine().txDib(), 0);
        f.Image6->setPicture({});
        s.fixture().ui().cancelColor();
        pick(f, QStringLiteral("User Color"));
        QCOMPARE(rgb32(f.Picture1->Picture()), before);
        QCOMPARE(s.txBuffer(), before);
        for (const QImage& copy : {f.Image6->Picture(), f.Image14->Picture(), f.Picture2->Picture()})
            QCOMPARE(rgb32(copy), before);
        // Chosen, its colour fills the picture.
        s.fixture().ui().answerColor(platform::rgb(0x12, 0x34, 0x56));
        pick(f, QStringLiteral("User Color"));
        QCOMPARE(rgb32(f.Picture1->Picture()), solid(640, 512, qRgb(0x12, 0x34, 0x56)));
        // With the focus really in the list: the colour dialog takes the window's focus,
        // the pick gives it to Text1 meanwhile, and once the window is active again the
        // list rests at "  Things".
        f.show();
        QApplication::setActiveWindow(&f);
        f.Combo1->setFocus(Qt::MouseFocusReason);
        QWidget dialog;
        dialog.show();
        s.fixture().ui().onShow = [&](const platform::UiCall&) { QApplication::setActiveWindow(&dialog); };
        s.fixture().ui().cancelColor();
        f.Combo1->setListIndex(f.Combo1->findText(QStringLiteral("User Color")));
        QCOMPARE(f.Combo1->text(), QStringLiteral("User Color"));
        QApplication::setActiveWindow(&f);
        QCOMPARE(f.Combo1->text(), QStringLiteral("  Things"));
        s.fixture().ui().onShow = nullptr;

        // "X-Hatch": a black outline, the inside crossed in the fill colour.
        f.Picture1->setPicture(solid(640, 512, kWhite));
        f.Picture1->setFillColor(platform::vbGreen);
        pick(f, QStringLiteral("X-Hatch"));
        const QImage hatched = rgb32(f.Picture1->Picture());
        QCOMPARE(hatched.pixel(0, 300), kBlack);
        int green = 0, white = 0;
        for (int x = 100; x < 164; ++x)
            (hatched.pixel(x, 100) == kGreen ? green : white) += 1;
        QVERIFY2(green > 0 && white > 0, qPrintable(QStringLiteral("%1 green, %2 white").arg(green).arg(white)));

        // "Test Patern": the card stretched over the whole screen.
        pick(f, QStringLiteral("Test Patern"));
        const QImage card = rgb32(f.Image1->Picture());
        QCOMPARE(card.size(), QSize(320, 256));
        const QImage shown = rgb32(f.Picture1->Picture());
        for (const QPoint p : {QPoint(0, 0), QPoint(150, 60), QPoint(200, 190), QPoint(319, 255)})
            QCOMPARE(shown.pixel(p * 2), card.pixel(p));
        QCOMPARE(s.txBuffer(), shown);
    }

    void globeWrapsThePictureOntoADisc()
    {
        Station s;
        auto& f = s.form();
        // Blue with a red block in the middle and a green left edge.
        QImage source = solid(640, 512, kBlue);
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 640; ++x)
                if ((x >= 300 && x < 340 && y >= 236 && y < 276) || x < 20)
                    source.setPixel(x, y, x < 20 ? kGreen : kRed);
        f.Picture1->setPicture(source);

        pick(f, QStringLiteral("Globe"));
        const QImage globe = rgb32(f.Picture1->Picture());
        const QRgb key = QRgb(0xFF000000u | platform::gdi::toRgb(f.Picture3->Point(0, 0)));
        QCOMPARE(globe.size(), QSize(640, 512));
        QCOMPARE(globe.pixel(320, 256), kRed);
        for (const QPoint p : {QPoint(0, 0), QPoint(639, 0), QPoint(0, 511), QPoint(639, 511), QPoint(60, 256 - 200)})
            QCOMPARE(globe.pixel(p), key);
        // The rows are squeezed into the disc: the left edge lies on its rim, the middle
        // row spans from x 64 to 576.
        QCOMPARE(globe.pixel(70, 256), kGreen);
        QCOMPARE(globe.pixel(50, 256), key);
        QCOMPARE(globe.pixel(560, 256), kBlue);
        QCOMPARE(globe.pixel(590, 256), key);
        QCOMPARE(s.txBuffer(), globe);
        QCOMPARE(rgb32(f.Image6->Picture()), globe);
        QCOMPARE(rgb32(f.Image14->Picture()), globe);
        QCOMPARE(rgb32(f.Picture13->Picture()), source);
        QVERIFY(!isOn(f.Command47));
        QCOMPARE(f.MousePointer(), 0);
    }

    // The shape bar: the ellipse's aspect a tenth up or down per change event, however far
    // the bar moved, the box's height from the bar's value, "Circle" only wiped. A press on the
    // tab strip leaves SET idle and the preview shown, so the painter prints no more.
    void shapeBarAndTabStrip()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage white = solid(640, 512, kWhite);
        f.Picture1->setPicture(white);
        const auto screen = [&] { return rgb32(f.Picture1->screenImage()); };
        // Rows of column 320 that are drawn on.
        const auto drawnRows = [&] {
            QList<int> rows;
            const QImage shown = screen();
            for (int y = 0; y < 512; ++y)
                if (shown.pixel(320, y) != kWhite)
                    rows << y;
            return rows;
        };

        pick(f, QStringLiteral("Ellipse"));
        for (int value : {10, 11, 12})
            f.VScroll4->setValue(value);
        QCOMPARE(c.shapeAspect(), 0.5 * 10 / 9 * 10 / 9 * 10 / 9);
        // 200 across and 137 down round (320, 256), drawn with the pen 3 wide.
        QCOMPARE(drawnRows(), (QList<int>{118, 119, 120, 392, 393, 394}));
        pick(f, QStringLiteral("Ellipse"));
        f.VScroll4->setValue(12);
        QCOMPARE(c.shapeAspect(), 0.5 * 10 / 9);

        // "Box" from (220, 156), 200 wide: at 4 it is 200 · 4 / 9 high.
        pick(f, QStringLiteral("Box"));
        f.VScroll4->setValue(4);
        QCOMPARE(drawnRows(), (QList<int>{155, 156, 157, 244, 245, 246}));
        pick(f, QStringLiteral("Circle"));
        f.VScroll4->setValue(7);
        QCOMPARE(screen(), white);

        f.Option1->setValue(true);
        emit f.Picture1->mouseDown(1, 0, 100, 100);
        const QImage preview = screen();
        QVERIFY(preview != white);
        QTabBar* tabs = f.SSTab1->tabBar();
        QTest::mousePress(tabs, Qt::LeftButton, {}, tabs->tabRect(f.SSTab1->currentIndex()).center());
        QCOMPARE(platform::backColor(f.Command47), platform::vbButtonFace);
        QCOMPARE(screen(), preview);
        f.Picture1->Cls();
        f.text().drawText();
        QCOMPARE(screen(), white);
    }
};

QTEST_MAIN(TestThings)
#include "tst_things.moc"
