// The drawing layer: raster operations, monochrome conversions, stretched
// copies, flood fills, rotated text and the rotation service.
#include "platform/drawing/Gdi.h"
#include "platform/widgets/PictureBox.h"
#include "platform/drawing/Rotate.h"

#include <QTest>

using namespace platform::gdi;

namespace {

Colour at(const QImage &img, int x, int y) { return fromRgb(img.pixel(x, y)); }

QImage filled(int w, int h, Colour c)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(toRgb(c));
    return img;
}

// 12 x 12 white with a black square outline from (3, 3) to (8, 8).
QImage outlined()
{
    QImage img = filled(12, 12, 0xFFFFFF);
    for (int i = 3; i <= 8; ++i) {
        img.setPixel(i, 3, toRgb(0));
        img.setPixel(i, 8, toRgb(0));
        img.setPixel(3, i, toRgb(0));
        img.setPixel(8, i, toRgb(0));
    }
    return img;
}

// Each pixel of an outlined() picture is `inside`, `edge` or `outside` the outline.
void expectOutlined(const QImage &img, Colour inside, Colour edge, Colour outside)
{
    for (int x = 0; x < 12; ++x)
        for (int y = 0; y < 12; ++y) {
            const bool in = x > 3 && x < 8 && y > 3 && y < 8;
            const bool onEdge = !in && x >= 3 && x <= 8 && y >= 3 && y <= 8;
            QCOMPARE(at(img, x, y), in ? inside : onEdge ? edge : outside);
        }
}

// 4 x 2 source with distinct colours; (0, 0) is the key colour 0x010101 when asked.
QImage rotSource()
{
    QImage img(4, 2, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            img.setPixel(x, y, toRgb(Colour(0x100000 * (x + 1) + 0x40 * (y + 1))));
    return img;
}

}  // namespace

class GdiTest : public QObject {
    Q_OBJECT
private slots:
    void rasterOperationsOnKnownPixels()
    {
        const quint32 S = 0x12F0A5, D = 0x3C55F0, P = 0x0F33CC, M = 0xFFFFFF;
        struct Case {
            quint32 rop;
            quint32 expected;
        } cases[] = {
            {SRCCOPY, S},          {SRCAND, S & D},          {SRCPAINT, S | D},
            {SRCINVERT, S ^ D},    {NOTSRCCOPY, ~S & M},     {SRCERASE, S & ~D & M},
            {NOTSRCERASE, ~(S | D) & M}, {MERGEPAINT, (~S | D) & M}, {MERGECOPY, P & S},
            {DSTINVERT, ~D & M},   {PATCOPY, P},             {PATINVERT, P ^ D},
            {PATPAINT, (P | ~S | D) & M}, {BLACKNESS, 0},    {WHITENESS, M},
        };
        for (const Case &c : cases) {
            QImage src = filled(1, 1, S), dst = filled(1, 1, D);
            ImageDc s(&src), d(&dst);
            d.setBrush({P, vbFSSolid});
            QVERIFY(bitBlt(&d, 0, 0, 1, 1, &s, 0, 0, c.rop));
            QVERIFY2(at(dst, 0, 0) == c.expected, qPrintable(QString::number(c.rop, 16)));
        }
        // Operations that need a source refuse to run without one; the others don't.
        QImage dst = filled(1, 1, D);
        ImageDc d(&dst);
        QVERIFY(!bitBlt(&d, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
        QVERIFY(bitBlt(&d, 0, 0, 1, 1, nullptr, 0, 0, DSTINVERT));
        QCOMPARE(at(dst, 0, 0), ~D & M);
    }

    void drawModes()
    {
        const quint32 pen = 0x00F0F0, d = 0x3355AA, M = 0xFFFFFF;
        QCOMPARE(applyRop2(vbBlackness, pen, d), 0u);
        QCOMPARE(applyRop2(vbWhiteness, pen, d), M);
        QCOMPARE(applyRop2(vbCopyPen, pen, d), pen);
        QCOMPARE(applyRop2(vbNotCopyPen, pen, d), ~pen & M);
        QCOMPARE(applyRop2(vbXorPen, pen, d), pen ^ d);
        QCOMPARE(applyRop2(vbNotXorPen, pen, d), ~(pen ^ d) & M);
        QCOMPARE(applyRop2(vbInvert, pen, d), ~d & M);
        QCOMPARE(applyRop2(vbNop, pen, d), d);
        QCOMPARE(applyRop2(vbMaskPen, pen, d), pen & d);
        QCOMPARE(applyRop2(vbMergePen, pen, d), pen | d);
        QCOMPARE(applyRop2(vbMergePenNot, pen, d), (pen | ~d) & M);
        QCOMPARE(applyRop2(vbMaskNotPen, pen, d), ~pen & d);
        QCOMPARE(applyRop2(vbNotMergePen, pen, d), ~(pen | d) & M);
    }

    // The classic masked copy: a monochrome mask from the key colour, its
    // inverse, two ANDs and an XOR leave the background where the key was.
    void maskedCopyThroughMonochromeBitmaps()
    {
        const Colour key = 0x00FF00, fg = 0x0000FF, bg = 0xFF0000;
        QImage srcImg = filled(3, 1, key), bgImg = filled(3, 1, bg);
        srcImg.setPixel(1, 0, toRgb(fg));
        ImageDc source(&srcImg), work(&bgImg);

        auto mask = createCompatibleDc(&work), inverse = createCompatibleDc(&work);
        auto resDst = createCompatibleDc(&work), resSrc = createCompatibleDc(&work);
        mask->selectBitmap(createBitmap(3, 1, 1, 1));
        inverse->selectBitmap(createBitmap(3, 1, 1, 1));
        resDst->selectBitmap(createCompatibleBitmap(&work, 3, 1));
        resSrc->selectBitmap(createCompatibleBitmap(&work, 3, 1));
        QVERIFY(mask->isMonochrome());
        QVERIFY(!resDst->isMonochrome());

        const Colour old = source.setBkColour(key);
        bitBlt(mask.get(), 0, 0, 3, 1, &source, 0, 0, SRCCOPY);
        QCOMPARE(source.setBkColour(old), key);
        QCOMPARE(at(mask->surface(), 0, 0), 0xFFFFFFu);  // key -> white
        QCOMPARE(at(mask->surface(), 1, 0), 0x000000u);
        bitBlt(inverse.get(), 0, 0, 3, 1, mask.get(), 0, 0, NOTSRCCOPY);
        QCOMPARE(at(inverse->surface(), 1, 0), 0xFFFFFFu);

        bitBlt(resDst.get(), 0, 0, 3, 1, &work, 0, 0, SRCCOPY);
        bitBlt(resDst.get(), 0, 0, 3, 1, mask.get(), 0, 0, SRCAND);
        bitBlt(resSrc.get(), 0, 0, 3, 1, &source, 0, 0, SRCCOPY);
        bitBlt(resSrc.get(), 0, 0, 3, 1, inverse.get(), 0, 0, SRCAND);
        bitBlt(resDst.get(), 0, 0, 3, 1, resSrc.get(), 0, 0, SRCINVERT);

        QImage outImg = filled(3, 1, 0x123456);
        ImageDc out(&outImg);
        bitBlt(&out, 0, 0, 3, 1, resDst.get(), 0, 0, SRCCOPY);
        QCOMPARE(at(outImg, 0, 0), bg);
        QCOMPARE(at(outImg, 1, 0), fg);
        QCOMPARE(at(outImg, 2, 0), bg);
    }

    void stretchBltMirrorsLikeTheSystem()
    {
        QImage srcImg(3, 2, QImage::Format_RGB32);
        for (int x = 0; x < 3; ++x)
            for (int y = 0; y < 2; ++y)
                srcImg.setPixel(x, y, toRgb(Colour(x + 1 + 16 * y)));
        QImage dstImg = filled(6, 2, 0xFFFFFF);
        ImageDc src(&srcImg), dst(&dstImg);
        // Mirrored rectangles include their start point: (2, 0) with width -3 covers 0..2.
        QVERIFY(stretchBlt(&dst, 2, 0, -3, 2, &src, 0, 0, 3, 2, SRCCOPY));
        for (int x = 0; x < 3; ++x)
            for (int y = 0; y < 2; ++y)
                QCOMPARE(at(dstImg, x, y), at(srcImg, 2 - x, y));
        QCOMPARE(at(dstImg, 3, 0), 0xFFFFFFu);
        // From a plain picture into a box's context.
        platform::PictureBox box;
        box.setBoxSize(3, 2);
        const ImageDc picture(srcImg);
        QVERIFY(bitBlt(box.hDC(), 1, 0, 2, 2, &picture, 0, 0, SRCCOPY));
        QCOMPARE(box.Point(1, 1), qint32(at(srcImg, 0, 1)));
        QCOMPARE(box.Point(2, 0), qint32(at(srcImg, 1, 0)));
        // Doubling: each source column twice.
        QVERIFY(stretchBlt(&dst, 0, 0, 6, 2, &src, 0, 0, 3, 2, SRCCOPY));
        for (int x = 0; x < 6; ++x)
            QCOMPARE(at(dstImg, x, 1), at(srcImg, x / 2, 1));
    }

    void borderFill()
    {
        QImage img = outlined();
        ImageDc dc(&img);
        dc.setBrush({0x0000FF, vbFSSolid});
        QVERIFY(floodFill(&dc, 5, 5, 0x000000));
        expectOutlined(img, 0x0000FF, 0, 0xFFFFFF);
        // A border fill crosses other colours, stopping only at the border colour.
        img = outlined();
        img.setPixel(5, 5, toRgb(0x00FF00));
        QVERIFY(extFloodFill(&dc, 4, 4, 0x000000, FLOODFILLBORDER));
        QCOMPARE(at(img, 5, 5), 0x0000FFu);
        QCOMPARE(at(img, 0, 0), 0xFFFFFFu);
    }

    void surfaceFillReachesTheEdges()
    {
        QImage img = outlined();
        ImageDc dc(&img);
        dc.setBrush({0x00FF00, vbFSSolid});
        QVERIFY(extFloodFill(&dc, 0, 0, 0xFFFFFF, FLOODFILLSURFACE));
        expectOutlined(img, 0xFFFFFF, 0, 0x00FF00);
        // The box's own context fills with its FillColor.
        platform::PictureBox box;
        box.setBoxSize(12, 12);
        box.setPicture(outlined());
        box.setAutoRedraw(true);
        box.setFillColor(0x0000FF);
        box.setFillStyle(vbFSSolid);
        QVERIFY(extFloodFill(box.hDC(), 11, 11, 0xFFFFFF, FLOODFILLSURFACE));
        QCOMPARE(box.Point(0, 0), 0x0000FF);
        QCOMPARE(box.Point(11, 0), 0x0000FF);
        QCOMPARE(at(box.screenImage(), 0, 11), 0x0000FFu);
        QCOMPARE(box.Point(5, 5), 0xFFFFFF);
    }

    void fillsThatEndAtOnce()
    {
        QImage img = outlined();
        const QImage before = img;
        ImageDc dc(&img);
        // Surface fill in the surface's own colour: nothing to do, and it returns.
        dc.setBrush({0xFFFFFF, vbFSSolid});
        QVERIFY(extFloodFill(&dc, 0, 0, 0xFFFFFF, FLOODFILLSURFACE));
        QCOMPARE(img, before);
        dc.setBrush({0x0000FF, vbFSSolid});
        QVERIFY(!extFloodFill(&dc, 3, 3, 0x000000, FLOODFILLBORDER));   // start on the border
        QVERIFY(!extFloodFill(&dc, 0, 0, 0x000000, FLOODFILLSURFACE));  // start off the surface colour
        QVERIFY(!extFloodFill(&dc, -1, 0, 0x000000, FLOODFILLBORDER));  // outside
        QCOMPARE(img, before);
        // A border fill whose area already has the fill colour leaves it as it is.
        dc.setBrush({0xFFFFFF, vbFSSolid});
        QVERIFY(floodFill(&dc, 5, 5, 0x000000));
        QCOMPARE(img, before);
    }

    // A walled maze with dead ends, rooms above and below every run and a few
    // holes: the scanline fill must reach exactly what a pixel-by-pixel search
    // reaches, whatever the picture's format.
    void fillMatchesAPlainSearchOnAMaze()
    {
        const int w = 61, h = 47;
        QImage maze = filled(w, h, 0xFFFFFF);
        quint32 seed = 12345;
        auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((x % 6 == 3 && next() % 9) || (y % 4 == 2 && next() % 7 == 0))
                    maze.setPixel(x, y, toRgb(0x000000));
        maze.setPixel(0, 0, toRgb(0xFFFFFF));

        QVector<bool> reached(w * h, false);
        QVector<QPoint> todo{QPoint(0, 0)};
        reached[0] = true;
        while (!todo.isEmpty()) {
            const QPoint p = todo.takeLast();
            for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
                const QPoint q = p + d;
                if (maze.rect().contains(q) && !reached[q.y() * w + q.x()] && at(maze, q.x(), q.y()) == 0xFFFFFFu) {
                    reached[q.y() * w + q.x()] = true;
                    todo.push_back(q);
                }
            }
        }
        for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_RGB888}) {
            const QImage region = floodRegion(maze.convertToFormat(format), 0, 0, 0xFFFFFF, FLOODFILLSURFACE);
            QCOMPARE(region.size(), maze.size());
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    QVERIFY2((region.constScanLine(y)[x] != 0) == reached[y * w + x],
                             qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
        }
    }

    void textEscapementTurnsCounterClockwise()
    {
        auto inkBox = [](int escapement) {
            QImage img = filled(200, 200, 0xFFFFFF);
            ImageDc dc(&img);
            LogFont lf;
            lf.height = -20;
            lf.escapement = escapement;
            dc.selectFont(createFontIndirect(lf));
            dc.setTextColour(0x000000);
            textOut(&dc, 100, 100, QStringLiteral("HHHHHH"));
            QRect r;
            for (int x = 0; x < 200; ++x)
                for (int y = 0; y < 200; ++y) {
                    const Colour c = at(img, x, y);
                    if (c != 0xFFFFFF && c != 0)
                        return QRect();  // antialiased
                    if (c == 0)
                        r |= QRect(x, y, 1, 1);
                }
            return r;
        };
        const QRect level = inkBox(0), up = inkBox(900), down = inkBox(-900);
        QVERIFY(level.width() > level.height());
        QVERIFY(level.top() >= 100 && level.left() >= 100);
        // 90 degrees counter-clockwise: the text reads upwards from the point.
        QVERIFY(up.height() > up.width());
        QVERIFY(up.bottom() <= 101 && up.left() >= 100);
        QVERIFY(down.height() > down.width());
        QVERIFY(down.top() >= 99 && down.right() <= 100);
    }

    void rotateQuarterTurnExactly()
    {
        QImage src = rotSource(), dst = filled(20, 20, 0xFFFFFF);
        ImageDc s(&src), d(&dst);
        // Turned clockwise about its middle, with the middle at (10, 10): 2 wide, 4 high.
        QVERIFY(platform::rotatePicture(&d, 10, 10, 4, 2, &s, 0, 0, 90.0, 0x010101, 0));
        int changed = 0;
        for (int x = 0; x < 20; ++x)
            for (int y = 0; y < 20; ++y)
                if (at(dst, x, y) != 0xFFFFFF)
                    ++changed;
        QCOMPARE(changed, 8);
        for (int u = 0; u < 4; ++u)
            for (int v = 0; v < 2; ++v)
                QCOMPARE(at(dst, 9 + (1 - v), 8 + u), at(src, u, v));  // top left goes to top right
    }

    void rotateMirrorBits()
    {
        QImage src = rotSource();
        ImageDc s(&src);
        QImage lr = filled(20, 20, 0xFFFFFF), tb = lr, both = lr, turned = lr;
        ImageDc dlr(&lr), dtb(&tb), dboth(&both), dturned(&turned);
        platform::rotatePicture(&dlr, 10, 10, 4, 2, &s, 0, 0, 0, 0, platform::RotateMirrorLeftRight);
        platform::rotatePicture(&dtb, 10, 10, 4, 2, &s, 0, 0, 0, 0, platform::RotateMirrorTopBottom);
        platform::rotatePicture(&dboth, 10, 10, 4, 2, &s, 0, 0, 0, 0,
                                platform::RotateMirrorLeftRight | platform::RotateMirrorTopBottom);
        platform::rotatePicture(&dturned, 10, 10, 4, 2, &s, 0, 0, 180.0, 0, 0);
        for (int u = 0; u < 4; ++u)
            for (int v = 0; v < 2; ++v) {
                QCOMPARE(at(lr, 8 + (3 - u), 9 + v), at(src, u, v));
                QCOMPARE(at(tb, 8 + u, 9 + (1 - v)), at(src, u, v));
            }
        QCOMPARE(both, turned);  // both mirrors are a half turn
    }

    void rotateLeavesOutTheKeyColour()
    {
        QImage src = rotSource();
        const Colour key = at(src, 1, 1);
        src.setPixel(2, 0, toRgb(key));
        ImageDc s(&src);
        QImage keyed = filled(20, 20, 0xABCDEF), plain = keyed;
        ImageDc dk(&keyed), dp(&plain);
        platform::rotatePicture(&dk, 10, 10, 4, 2, &s, 0, 0, 0, key, platform::RotateKeyColour);
        platform::rotatePicture(&dp, 10, 10, 4, 2, &s, 0, 0, 0, key, 0x4);  // a bit without meaning
        QCOMPARE(at(keyed, 9, 10), 0xABCDEFu);
        QCOMPARE(at(keyed, 10, 9), 0xABCDEFu);
        QCOMPARE(at(keyed, 8, 9), at(src, 0, 0));
        QCOMPARE(at(plain, 9, 10), key);  // without the bit the key colour is drawn
        QCOMPARE(at(plain, 10, 9), key);
    }

    void rotateSmoothNeverBleedsTheKey()
    {
        const Colour key = 0x00FF00, red = 0x0000FF, bg = 0xFFFFFF;
        QImage src = filled(16, 16, red);
        for (int x = 0; x < 16; ++x)
            for (int y = 8; y < 16; ++y)
                src.setPixel(x, y, toRgb(key));
        ImageDc s(&src);
        QImage dst = filled(40, 40, bg);
        ImageDc d(&dst);
        platform::rotatePicture(&d, 20, 20, 16, 16, &s, 0, 0, 33.0, key,
                                platform::RotateKeyColour | platform::RotateSmooth);
        int reds = 0;
        for (int x = 0; x < 40; ++x)
            for (int y = 0; y < 40; ++y) {
                const Colour c = at(dst, x, y);
                QVERIFY2(c == red || c == bg, qPrintable(QString::number(c, 16)));
                reds += c == red;
            }
        QVERIFY(reds > 100 && reds < 150);  // about half of 256
    }

    // One box as the canvas uses it: shapes and a fill drawn for keeps, a block copied
    // within it, a piece turned onto it with its key colour left out; the widget then
    // shows exactly the persistent layer. With TOVARO_SHOT_DIR set the window is also
    // saved there as "picture-box.png", to be looked at.
    void drawingShowsOnTheBoxAsDrawn()
    {
        constexpr Colour kWhite = 0xFFFFFF, kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00C000,
                         kYellow = 0x00FFFF, kMagenta = 0xFF00FF;
        platform::PictureBox box;
        box.setBoxSize(320, 256);
        box.setBackColor(kWhite);
        box.setAutoRedraw(true);
        box.Line(20, 20, 100, 80, kRed, platform::PictureBox::LineKind::FilledBox);
        box.Line(130, 20, 200, 90, kBlue, platform::PictureBox::LineKind::Box);
        box.setFillColor(kGreen);
        box.setFillStyle(vbFSSolid);
        QVERIFY(floodFill(box.hDC(), 160, 50, kBlue));
        box.setFillStyle(vbFSTransparent);
        // The red block copied below itself, then the filled box inverted over it.
        QVERIFY(bitBlt(box.hDC(), 20, 110, 81, 61, box.hDC(), 20, 20, SRCCOPY));
        QVERIFY(bitBlt(box.hDC(), 60, 140, 71, 71, box.hDC(), 130, 20, SRCINVERT));
        // A magenta bar on a yellow key, turned 30 degrees clockwise.
        QImage piece = filled(80, 64, kYellow);
        for (int y = 24; y < 40; ++y)
            for (int x = 4; x < 76; ++x)
                piece.setPixel(x, y, toRgb(kMagenta));
        platform::PictureBox source;
        source.setBoxSize(80, 64);
        source.setPicture(piece);
        platform::rotatePicture(box.hDC(), 240, 180, 80, 64, source.hDC(), 0, 0, 30.0, kYellow,
                                platform::RotateKeyColour);
        box.setAutoRedraw(false);
        box.Cls();

        QCOMPARE(box.Point(20, 110), qint32(kRed));
        QCOMPARE(box.Point(100, 130), qint32(kRed));
        QCOMPARE(box.Point(101, 131), qint32(kWhite));
        QCOMPARE(box.Point(160, 50), qint32(kGreen));
        QCOMPARE(box.Point(130, 90), qint32(kBlue));
        // The outlined, filled box inverted over the red copy and over white.
        QCOMPARE(box.Point(60, 140), qint32(kRed ^ kBlue));
        QCOMPARE(box.Point(110, 145), qint32(kWhite ^ kGreen));
        QCOMPARE(box.Point(130, 210), qint32(kWhite ^ kBlue));
        QCOMPARE(box.Point(131, 211), qint32(kWhite));
        // The bar turned about (240, 180); the key colour nowhere, white round it.
        QCOMPARE(box.Point(240, 180), qint32(kMagenta));
        QCOMPARE(box.Point(240 + 30 * 0.866, 180 + 30 * 0.5), qint32(kMagenta));
        QCOMPARE(box.Point(240 - 30 * 0.866, 180 - 30 * 0.5), qint32(kMagenta));
        QCOMPARE(box.Point(240 + 30 * 0.5, 180 - 30 * 0.866), qint32(kWhite));
        for (int y = 120; y < 256; ++y)
            for (int x = 180; x < 320; ++x)
                QVERIFY(box.Point(x, y) == qint32(kMagenta) || box.Point(x, y) == qint32(kWhite));

        // The widget paints the layer pixel for pixel.
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QImage shown = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), QSize(320, 256));
        QCOMPARE(shown, box.screenImage().convertToFormat(QImage::Format_RGB32));
        const QString dir = qEnvironmentVariable("TOVARO_SHOT_DIR");
        if (!dir.isEmpty())
            QVERIFY(shown.save(dir + QStringLiteral("/picture-box.png")));
    }
};

QTEST_MAIN(GdiTest)
#include "GdiTest.moc"
