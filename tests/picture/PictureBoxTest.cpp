// The picture box's layers, its drawing operations and its mouse events.
#include "platform/drawing/Colors.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"

#include <QSignalSpy>
#include <QTest>

using platform::PictureBox;
using platform::gdi::Colour;
using Kind = PictureBox::LineKind;

namespace {

constexpr Colour kWhite = 0xFFFFFF, kBlue = 0xFF0000, kRed = 0x0000FF, kGreen = 0x00FF00,
                 kYellow = 0x00FFFF, kBlack = 0x000000, kGrey = 0x808080;

Colour at(const QImage &img, int x, int y) { return platform::gdi::fromRgb(img.pixel(x, y)); }

QImage filled(int w, int h, Colour c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(platform::gdi::toRgb(c));
    return img;
}

// A 20 x 10 white box whose picture is blue with a red top-left pixel.
std::unique_ptr<PictureBox> makeBox()
{
    auto box = std::make_unique<PictureBox>();
    box->setBoxSize(20, 10);
    box->setBackColor(kWhite);
    QImage pic = filled(20, 10, kBlue);
    pic.setPixel(0, 0, platform::gdi::toRgb(kRed));
    box->setPicture(pic);
    return box;
}

// makeBox with green drawn for keeps at (2, 2) and yellow on the screen only at (3, 3).
std::unique_ptr<PictureBox> drawnBox()
{
    auto box = makeBox();
    box->setAutoRedraw(true);
    box->PSet(2, 2, kGreen);
    box->setAutoRedraw(false);
    box->PSet(3, 3, kYellow);
    return box;
}

}  // namespace

class PictureBoxTest : public QObject {
    Q_OBJECT
private slots:
    // AutoRedraw on draws into the persistent layer and the screen, off into the screen only;
    // reads (Point, the DC as a copy source) follow the same switch.
    void drawingGoesToTheLayersByAutoRedraw()
    {
        auto box = drawnBox();
        QCOMPARE(at(box->Image(), 2, 2), kGreen);
        QCOMPARE(at(box->screenImage(), 2, 2), kGreen);
        QCOMPARE(at(box->screenImage(), 3, 3), kYellow);
        QCOMPARE(at(box->Image(), 3, 3), kBlue);  // not persistent
        QCOMPARE(at(box->Picture(), 2, 2), kBlue);  // the picture never takes drawings

        // Drawing through the device context follows the same rule.
        platform::gdi::setPixel(box->hDC(), 4, 4, kGrey);
        QCOMPARE(at(box->screenImage(), 4, 4), kGrey);
        QCOMPARE(at(box->Image(), 4, 4), kBlue);
        box->setAutoRedraw(true);
        platform::gdi::setPixel(box->hDC(), 5, 5, kGrey);
        QCOMPARE(at(box->Image(), 5, 5), kGrey);
        QCOMPARE(at(box->screenImage(), 5, 5), kGrey);

        box = drawnBox();
        QCOMPARE(box->Point(3, 3), qint32(kYellow));  // off: the screen
        QCOMPARE(platform::gdi::getPixel(box->hDC(), 3, 3), kYellow);
        QImage out = filled(2, 1, kBlack);
        platform::gdi::ImageDc dst(&out);
        platform::gdi::bitBlt(&dst, 1, 0, 1, 1, box->hDC(), 3, 3, platform::gdi::SRCCOPY);
        QCOMPARE(at(out, 1, 0), kYellow);
        box->setAutoRedraw(true);
        QCOMPARE(box->Point(3, 3), qint32(kBlue));  // on: the persistent layer
        QCOMPARE(box->Point(2, 2), qint32(kGreen));
        platform::gdi::bitBlt(&dst, 0, 0, 1, 1, box->hDC(), 3, 3, platform::gdi::SRCCOPY);
        QCOMPARE(at(out, 0, 0), kBlue);
    }

    void clsFollowsAutoRedraw()
    {
        auto box = drawnBox();
        box->setCurrentX(7);
        box->setCurrentY(8);

        // Off: the screen falls back to the persistent layer; persistent drawings survive.
        box->Cls();
        QCOMPARE(at(box->screenImage(), 3, 3), kBlue);
        QCOMPARE(at(box->screenImage(), 2, 2), kGreen);
        QCOMPARE(at(box->Image(), 2, 2), kGreen);
        QCOMPARE(box->CurrentX(), 0.0);
        QCOMPARE(box->CurrentY(), 0.0);

        // On: persistent layer and screen fall back to the picture.
        box->PSet(3, 3, kYellow);
        box->setAutoRedraw(true);
        box->Cls();
        QCOMPARE(at(box->Image(), 2, 2), kBlue);
        QCOMPARE(at(box->screenImage(), 2, 2), kBlue);
        QCOMPARE(at(box->screenImage(), 3, 3), kBlue);
        QCOMPARE(at(box->Image(), 0, 0), kRed);
        QCOMPARE(box->Image(), box->screenImage());
    }

    // A new picture replaces both drawn layers; a picture of the persistent layer commits it.
    void settingPictureResetsTheOtherLayers()
    {
        auto box = drawnBox();
        box->setPicture(filled(20, 10, kGrey));
        QCOMPARE(at(box->Image(), 2, 2), kGrey);
        QCOMPARE(at(box->screenImage(), 3, 3), kGrey);
        QCOMPARE(at(box->screenImage(), 2, 2), kGrey);

        box = makeBox();
        box->setAutoRedraw(true);
        box->PSet(2, 2, kGreen);
        box->setPicture(box->Image());  // commit
        box->Cls();
        QCOMPARE(at(box->Image(), 2, 2), kGreen);
        QCOMPARE(box->Picture(), box->Image());

        box->setAutoRedraw(false);
        box->PSet(6, 6, kYellow);
        box->Refresh();  // a repaint loses what only the screen had
        QCOMPARE(at(box->screenImage(), 6, 6), kBlue);
    }

    void pictureSmallerThanTheBox()
    {
        PictureBox box;
        box.setBoxSize(6, 4);
        box.setBackColor(kYellow);
        box.setPicture(filled(3, 2, kRed));
        QCOMPARE(at(box.Image(), 2, 1), kRed);
        QCOMPARE(at(box.Image(), 3, 1), kYellow);
        QCOMPARE(at(box.Image(), 2, 2), kYellow);
        box.setPicture(QImage());
        QVERIFY(box.Picture().isNull());
        QCOMPARE(at(box.Image(), 0, 0), kYellow);
        QCOMPARE(box.Point(6, 0), -1);  // outside the box, not the picture
        QCOMPARE(box.Point(0, -1), -1);
        platform::setBackColor(&box, kGreen);  // the shared helper reaches the box
        QCOMPARE(at(box.Image(), 0, 0), kGreen);
    }

    void lineBoxesIncludeBothCorners()
    {
        auto box = makeBox();
        box->setAutoRedraw(true);
        box->Line(6, 8, 2, 3, kBlack, Kind::Box);  // corners in any order
        const QImage img = box->Image();
        for (int x = 0; x < 20; ++x)
            for (int y = 0; y < 10; ++y) {
                const bool edge = (x >= 2 && x <= 6 && (y == 3 || y == 8)) || (y >= 3 && y <= 8 && (x == 2 || x == 6));
                const Colour expected = edge ? kBlack : (x == 0 && y == 0 ? kRed : kBlue);
                QVERIFY2(at(img, x, y) == expected, qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
            }
        QCOMPARE(box->CurrentX(), 2.0);
        QCOMPARE(box->CurrentY(), 3.0);

        box->Cls();
        box->Line(2, 3, 6, 8, kGreen, Kind::FilledBox);
        int green = 0;
        for (int x = 0; x < 20; ++x)
            for (int y = 0; y < 10; ++y)
                if (at(box->Image(), x, y) == kGreen) {
                    ++green;
                    QVERIFY(x >= 2 && x <= 6 && y >= 3 && y <= 8);
                }
        QCOMPARE(green, 5 * 6);
    }

    void segmentsAndDrawModes()
    {
        auto box = makeBox();
        box->setAutoRedraw(true);
        box->Line(1, 5, 6, 5, kBlack);
        for (int x = 1; x <= 5; ++x)
            QCOMPARE(at(box->Image(), x, 5), kBlack);
        QCOMPARE(at(box->Image(), 6, 5), kBlue);  // the end pixel is left for the next segment
        QCOMPARE(at(box->Image(), 0, 5), kBlue);
        box->LineTo(6, 9, kGreen);  // continues from the end point
        QCOMPARE(at(box->Image(), 6, 5), kGreen);
        QCOMPARE(at(box->Image(), 6, 8), kGreen);

        // Xor pen twice restores the picture; invert ignores the colour.
        box->Cls();
        box->setDrawMode(platform::gdi::vbXorPen);
        box->Line(0, 2, 10, 2, 0x00FF0F);
        QCOMPARE(at(box->Image(), 3, 2), Colour(kBlue ^ 0x00FF0F));
        box->Line(0, 2, 10, 2, 0x00FF0F);
        QCOMPARE(at(box->Image(), 3, 2), kBlue);
        box->setDrawMode(platform::gdi::vbInvert);
        box->PSet(4, 4, kGreen);
        QCOMPARE(at(box->Image(), 4, 4), Colour(~kBlue & 0xFFFFFF));

        // A wide pen covers more than the one-pixel line.
        box->setDrawMode(platform::gdi::vbCopyPen);
        box->Cls();
        box->setDrawWidth(3);
        box->Line(2, 5, 12, 5, kBlack);
        QCOMPARE(at(box->Image(), 7, 4), kBlack);
        QCOMPARE(at(box->Image(), 7, 6), kBlack);
        QCOMPARE(at(box->Image(), 7, 8), kBlue);
    }

    void fillStylesOfBoxes()
    {
        auto box = makeBox();
        box->setAutoRedraw(true);
        box->setFillColor(kYellow);
        box->setFillStyle(platform::gdi::vbFSSolid);
        box->Line(2, 2, 8, 7, kBlack, Kind::Box);
        QCOMPARE(at(box->Image(), 5, 5), kYellow);
        QCOMPARE(at(box->Image(), 2, 5), kBlack);

        // Transparent: the inside keeps what was there.
        box->Cls();
        box->setFillStyle(platform::gdi::vbFSTransparent);
        box->Line(2, 2, 8, 7, kBlack, Kind::Box);
        QCOMPARE(at(box->Image(), 5, 5), kBlue);

        // Downward diagonal hatch: lines run from top left to bottom right, the
        // rest shows through.
        box->Cls();
        box->setFillStyle(platform::gdi::vbDownwardDiagonal);
        box->Line(0, 0, 19, 9, kBlack, Kind::Box);
        int hatched = 0, through = 0;
        for (int x = 1; x < 18; ++x)
            for (int y = 1; y < 8; ++y) {
                const Colour c = at(box->Image(), x, y);
                QVERIFY(c == kYellow || c == kBlue);
                c == kYellow ? ++hatched : ++through;
                if (c == kYellow)
                    QCOMPARE(at(box->Image(), x + 1, y + 1) == kYellow || y + 1 == 9 || x + 1 == 19, true);
            }
        QVERIFY(hatched > 0 && through > hatched);
    }

    void circlesAndAspect()
    {
        PictureBox box;
        box.setBoxSize(60, 60);
        box.setBackColor(kWhite);
        box.setAutoRedraw(true);
        auto extent = [&](int &minX, int &maxX, int &minY, int &maxY) {
            minX = minY = 1000;
            maxX = maxY = -1;
            for (int x = 0; x < 60; ++x)
                for (int y = 0; y < 60; ++y) {
                    const Colour c = at(box.Image(), x, y);
                    QVERIFY(c == kWhite || c == kBlack);  // no antialiasing
                    if (c == kBlack) {
                        minX = qMin(minX, x), maxX = qMax(maxX, x), minY = qMin(minY, y), maxY = qMax(maxY, y);
                    }
                }
        };
        int x0, x1, y0, y1;
        box.Circle(30, 30, 10, kBlack);
        extent(x0, x1, y0, y1);
        QVERIFY(qAbs(x0 - 20) <= 1 && qAbs(x1 - 40) <= 1 && qAbs(y0 - 20) <= 1 && qAbs(y1 - 40) <= 1);
        QCOMPARE(at(box.Image(), 30, 30), kWhite);  // an outline only

        box.Cls();
        box.Circle(30, 30, 20, kBlack, {}, {}, 0.5);  // radius is the horizontal half-axis
        extent(x0, x1, y0, y1);
        QVERIFY(qAbs((x1 - x0) - 40) <= 2);
        QVERIFY(qAbs((y1 - y0) - 20) <= 2);
        box.Cls();
        box.Circle(30, 30, 20, kBlack, {}, {}, 2.0);  // radius is the vertical half-axis
        extent(x0, x1, y0, y1);
        QVERIFY(qAbs((x1 - x0) - 20) <= 2);
        QVERIFY(qAbs((y1 - y0) - 40) <= 2);

        // A quarter arc from 0 to pi/2: right-top quadrant only (y up on screen).
        box.Cls();
        box.Circle(30, 30, 15, kBlack, 0.0, 3.14159265 / 2);
        extent(x0, x1, y0, y1);
        QVERIFY(x0 >= 29 && y1 <= 31);
        QVERIFY(x1 >= 44 && y0 <= 16);
    }

    void printMovesDownALineWithoutAntialiasing()
    {
        PictureBox box;
        box.setBoxSize(120, 60);
        box.setBackColor(kWhite);
        box.setAutoRedraw(true);
        box.setFontSize(12);
        box.setForeColor(kBlack);
        box.setCurrentX(10);
        box.setCurrentY(5);
        const double h = box.TextHeight("Wg");
        const double w = box.TextWidth("Wg");
        QVERIFY(h > 10 && w > 10);
        box.Print("Wg");
        QCOMPARE(box.CurrentY(), 5 + h);
        QCOMPARE(box.CurrentX(), 0.0);
        int ink = 0;
        for (int x = 0; x < 120; ++x)
            for (int y = 0; y < 60; ++y) {
                const Colour c = at(box.Image(), x, y);
                QVERIFY(c == kWhite || c == kBlack);
                if (c == kBlack) {
                    ++ink;
                    QVERIFY(x >= 10 && x < 10 + w + 2 && y >= 5 && y < 5 + h);  // top-left reference
                }
            }
        QVERIFY(ink > 10);

        // Opaque text fills its cell with the back colour first.
        box.setBackColor(kYellow);
        box.setPicture(filled(120, 60, kBlue));
        box.setFontTransparent(false);
        box.setCurrentX(0);
        box.setCurrentY(0);
        box.Print("i", false);
        QCOMPARE(box.CurrentX(), box.TextWidth("i"));
        QCOMPARE(box.CurrentY(), 0.0);
        QCOMPARE(at(box.Image(), 0, 0), kYellow);
        QCOMPARE(at(box.Image(), 100, 0), kBlue);
    }

    void paintPictureStretchesAndMirrors()
    {
        QImage pic(4, 2, QImage::Format_RGB32);
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 2; ++y)
                pic.setPixel(x, y, platform::gdi::toRgb(Colour(0x10 * (x + 1) + 0x1000 * (y + 1))));
        auto src = [&](int x, int y) { return at(pic, x, y); };

        PictureBox box;
        box.setBoxSize(12, 6);
        box.setBackColor(kWhite);
        box.setAutoRedraw(true);
        box.PaintPicture(pic, 1, 1, 8, 4);  // each pixel becomes 2 x 2
        for (int x = 0; x < 12; ++x)
            for (int y = 0; y < 6; ++y) {
                const bool in = x >= 1 && x < 9 && y >= 1 && y < 5;
                QCOMPARE(at(box.Image(), x, y), in ? src((x - 1) / 2, (y - 1) / 2) : kWhite);
            }

        // Negative sizes mirror; the rectangle lies left of and above the point.
        box.Cls();
        box.PaintPicture(pic, 4, 2, -4, -2);
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 2; ++y)
                QCOMPARE(at(box.Image(), x, y), src(3 - x, 1 - y));
        QCOMPARE(at(box.Image(), 4, 0), kWhite);
        box.Cls();
        box.PaintPicture(pic, 4, 0, -4, 2);
        QCOMPARE(at(box.Image(), 0, 1), src(3, 1));
        QCOMPARE(at(box.Image(), 3, 0), src(0, 0));

        // A whole box turned through 180 degrees onto itself.
        PictureBox full;
        full.setBoxSize(4, 2);
        full.setPicture(pic);
        full.setAutoRedraw(true);
        full.PaintPicture(full.Picture(), 4, 2, -4, -2);
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 2; ++y)
                QCOMPARE(at(full.Image(), x, y), src(3 - x, 1 - y));

        // A source rectangle, shrunk by half: nearest neighbour at pixel centres.
        box.Cls();
        box.PaintPicture(pic, 0, 0, 1, 1, 2, 0, 2, 2);
        QCOMPARE(at(box.Image(), 0, 0), src(3, 1));
        QCOMPARE(at(box.Image(), 1, 0), kWhite);
    }

    // A picture with transparent pixels, doubled in size, mirrored and partly
    // outside the box: the transparent ones leave the layer as it was, the others
    // go through the raster operation, and nothing outside the rectangle changes.
    void paintPictureLeavesTransparentPartsShowing()
    {
        QImage pic(3, 2, QImage::Format_ARGB32);
        pic.fill(qRgba(0, 0, 0xF0, 255));   // BGR 0xF00000
        pic.setPixel(1, 0, qRgba(0xFF, 0, 0, 0));
        pic.setPixel(2, 1, qRgba(0, 0xFF, 0, 100));

        PictureBox box;
        box.setBoxSize(8, 5);
        box.setPicture(filled(8, 5, 0x0F0F0F));
        box.setAutoRedraw(true);
        // Destination x from 5 leftwards by 6 (mirrored), y from 2 down by 4 (rows 4, 5 fall off).
        box.PaintPicture(pic, 5, 2, -6, 4, {}, {}, {}, {}, platform::gdi::SRCINVERT);
        for (int x = 0; x < 8; ++x)
            for (int y = 0; y < 5; ++y) {
                bool covered = x < 5 && y >= 2;
                if (covered) {
                    const int sx = 2 - (x + 1) / 2, sy = (y - 2) / 2;
                    covered = qAlpha(pic.pixel(sx, sy)) >= 128;
                }
                QCOMPARE(at(box.Image(), x, y), covered ? Colour(0x0F0F0F ^ 0xF00000) : Colour(0x0F0F0F));
            }
        QCOMPARE(box.screenImage(), box.Image());
    }

    void scaleUnits()
    {
        PictureBox box;
        box.setBoxSize(100, 50);
        box.setBackColor(kWhite);
        QCOMPARE(box.ScaleWidth(), 100.0);
        QCOMPARE(box.ScaleHeight(), 50.0);
        box.setScaleWidth(10);
        box.setScaleHeight(5);
        box.setAutoRedraw(true);
        box.PSet(2, 3, kBlack);
        QCOMPARE(at(box.Image(), 20, 30), kBlack);
        QCOMPARE(box.Point(2, 3), qint32(kBlack));
        box.setScaleMode(3);
        QCOMPARE(box.ScaleWidth(), 100.0);
        QCOMPARE(box.Point(20, 30), qint32(kBlack));
    }

    void mouseEventsCodesAndOrder()
    {
        PictureBox box;
        box.setBoxSize(100, 100);
        box.setScaleWidth(10);
        box.setScaleHeight(10);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));

        QStringList order;
        QList<QVariantList> args;
        connect(&box, &PictureBox::mouseDown, this, [&](int b, int s, double x, double y) {
            order << "down";
            args << QVariantList{b, s, x, y};
        });
        connect(&box, &PictureBox::mouseUp, this, [&](int b, int s, double x, double y) {
            order << "up";
            args << QVariantList{b, s, x, y};
        });
        connect(&box, &PictureBox::click, this, [&] { order << "click"; });
        connect(&box, &PictureBox::dblClick, this, [&] { order << "dbl"; });

        QTest::mousePress(&box, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(55, 38));
        QTest::mouseRelease(&box, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(55, 38));
        QCOMPARE(order, (QStringList{"down", "click", "up"}));
        QCOMPARE(args[0], (QVariantList{2, 3, 5.0, 3.0}));  // scale units, floored
        QCOMPARE(args[1], (QVariantList{2, 3, 5.0, 3.0}));

        order.clear();
        args.clear();
        QTest::mousePress(&box, Qt::MiddleButton, Qt::AltModifier, QPoint(99, 0), 1000);
        QTest::mouseRelease(&box, Qt::MiddleButton, Qt::AltModifier, QPoint(99, 0));
        QCOMPARE(args[0], (QVariantList{4, 4, 9.0, 0.0}));

        // A double click: the second press raises DblClick instead of MouseDown
        // and its release no second Click.
        order.clear();
        QTest::mouseClick(&box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10), 2000);
        QTest::mouseDClick(&box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QCOMPARE(order, (QStringList{"down", "click", "up", "dbl", "up"}));
    }

    void imageBoxSizesAndStretch()
    {
        QImage pic(2, 2, QImage::Format_RGB32);
        pic.setPixel(0, 0, platform::gdi::toRgb(kRed));
        pic.setPixel(1, 0, platform::gdi::toRgb(kGreen));
        pic.setPixel(0, 1, platform::gdi::toRgb(kBlue));
        pic.setPixel(1, 1, platform::gdi::toRgb(kYellow));
        platform::ImageBox box;
        box.setBoxSize(6, 4);
        box.setStretch(true);
        box.setPicture(pic);
        QCOMPARE(box.size(), QSize(6, 4));
        const QImage shown = box.rendered();
        for (int x = 0; x < 6; ++x)
            for (int y = 0; y < 4; ++y)
                QCOMPARE(at(shown, x, y), at(pic, x / 3, y / 2));
        // Without Stretch the box takes the picture's size.
        box.setStretch(false);
        QCOMPARE(box.size(), QSize(2, 2));
        QCOMPARE(box.rendered().convertToFormat(QImage::Format_RGB32), pic);
        box.setPicture(QImage());
        QVERIFY(!box.hasPicture());
    }
};

QTEST_MAIN(PictureBoxTest)
#include "PictureBoxTest.moc"
