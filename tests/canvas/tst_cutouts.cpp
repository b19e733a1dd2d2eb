// Overlays cut out along an outline drawn with the pen, and the blend of a pending
// element, on a started window with the real engine library.
#include <QTabWidget>

#include "CanvasStation.h"
#include "intake/Intake.h"
#include "platform/services/Picbuf.h"

using namespace canvastest;

namespace {

constexpr QRgb kSurround = 0xFF010101;

// The pen along the corners given, from the first back to it.
void outline(Station& s, const std::vector<QPoint>& corners, bool close = true)
{
    auto& f = s.form();
    emit f.Picture1->mouseDown(1, 0, corners[0].x(), corners[0].y());
    for (size_t i = 1; i < corners.size(); ++i)
        emit f.Picture1->mouseMove(1, 0, corners[i].x(), corners[i].y());
    if (close)
        emit f.Picture1->mouseMove(1, 0, corners[0].x(), corners[0].y());
}

// Draw mode with a red pen 1 wide over `picture`.
void drawOn(Station& s, const QImage& picture)
{
    auto& f = s.form();
    f.Picture1->setPicture(picture);
    f.Option8->setValue(true);
    f.HScroll1->setValue(1);
    f.text().setDrawingColour(QStringLiteral("255"));
}

// Blue left of column `split`, green from it on.
QImage blueGreen(int split)
{
    QImage img = solid(640, 512, kBlue);
    testsupport::paint(img, split, 0, 640, 512, kGreen);
    return img;
}

// Blue above row 256, green below.
QImage blueOverGreen()
{
    QImage img = solid(640, 512, kBlue);
    testsupport::paint(img, 0, 256, 640, 512, kGreen);
    return img;
}

} // namespace

// The received picture: a 320 x 256 one drawn into the engine's RX buffer, the mode sized
// to it, so the copy stretches it over the TX screen.
static void receive(Station& s, const QImage& picture)
{
    auto& engine = s.form().engine();
    const int32_t rect[4] = {0, 0, picture.width(), picture.height()};
    engine.binding().mmsDrawDIBbmp(engine.rxDib(), rect, &picture, nullptr, 0);
    engine.setModePictureSize(picture.width(), picture.height());
}

class TestCutOuts : public QObject {
    Q_OBJECT
private slots:
    void makeOverlayScalesTheFigure()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();

        // 200 x 100, wider than tall: 590 x 295 from (40, 108.5). The outline's own rows and
        // columns, red, join the near-black surround.
        drawOn(s, blueGreen(200));
        outline(s, {{100, 100}, {300, 100}, {300, 200}, {100, 200}});
        QCOMPARE(c.drawnExtent().right - c.drawnExtent().left, 200.0);
        const QImage before = s.txBuffer();
        f.Text3->setFocus();
        c.Label30_MouseDown(1, 0, 0, 0);
        const QImage shown = rgb32(f.Picture1->Picture());
        QCOMPARE(pixels(shown, {{42, 256}, {43, 256}, {629, 256}, {630, 256}, {100, 110}, {100, 111}, {100, 402}, {100, 403}}),
                 (QList<QRgb>{kSurround, kBlue, kGreen, kSurround, kSurround, kBlue, kBlue, kSurround}));
        QCOMPARE(rgb32(f.Image6->Picture()), shown);
        QCOMPARE(platform::backColor(f.Command47), platform::vbButtonFace);
        QCOMPARE(f.text().drawingColour(), QStringLiteral("255"));
        QCOMPARE(c.drawnExtent().left, 640.0);
        QCOMPARE(f.MousePointer(), 0);
        QCOMPARE(f.focusWidget(), f.Text1);
        // The engine keeps its picture until the next commit.
        QCOMPARE(s.txBuffer(), before);

        // Taller than wide: 462 high from row 40, centred on column 320.
        drawOn(s, solid(640, 512, kYellow));
        outline(s, {{300, 50}, {400, 50}, {400, 450}, {300, 450}});
        c.Label30_MouseDown(1, 0, 0, 0);
        QCOMPARE(pixels(rgb32(f.Picture1->Picture()), {{320, 40}, {320, 41}, {320, 501}, {320, 502}, {261, 256}, {378, 256}}),
                 (QList<QRgb>{kSurround, kYellow, kYellow, kSurround, kSurround, kSurround}));

        // An outline left open lets the flood in: the picture is uniformly near-black.
        drawOn(s, blueGreen(320));
        outline(s, {{100, 100}, {300, 100}, {300, 200}, {100, 200}}, false);
        c.Label30_MouseDown(1, 0, 0, 0);
        QCOMPARE(rgb32(f.Picture1->Picture()), solid(640, 512, kSurround));

        // With Fix Color on, the floods' look-ups of the fill colour, which lend pixel
        // (0, 0), leave the fore colour Fix Color put aside: switched off, it comes back.
        drawOn(s, blueGreen(320));
        outline(s, {{100, 100}, {300, 100}, {300, 200}, {100, 200}});
        f.Picture1->setForeColor(0x123456);
        c.Label29_Click();
        QVERIFY(isOn(f.Label29));
        platform::setBackColor(f.Command47, canvas::kPendingColor);
        c.Label30_MouseDown(1, 0, 0, 0);
        QCOMPARE(rgb32(f.Picture1->Picture()).pixel(0, 0), kSurround);
        c.Label29_Click();
        QCOMPARE(f.Picture1->ForeColor(), 0x123456u);
    }

    void makeOverlayRefusals()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage picture = blueGreen(320);

        // Nothing waiting for SET: only the focus moves.
        drawOn(s, picture);
        f.Text3->setFocus();
        c.Label30_MouseDown(1, 0, 0, 0);
        QCOMPARE(f.focusWidget(), f.Text1);
        QCOMPARE(rgb32(f.Picture1->Picture()), picture);

        // A straight stroke has no width to scale up: refused, the stroke still waits.
        outline(s, {{100, 100}, {100, 300}}, false);
        const QImage stroke = rgb32(f.Picture1->Image());
        f.Text3->setFocus();
        f.setMousePointer(11);
        c.Label30_MouseDown(1, 0, 0, 0);
        QCOMPARE(rgb32(f.Picture1->Image()), stroke);
        QCOMPARE(rgb32(f.Picture1->Picture()), picture);
        QCOMPARE(platform::backColor(f.Command47), canvas::kPendingColor);
        QCOMPARE(f.MousePointer(), 0);
        QCOMPARE(f.focusWidget(), f.Text1);

        // Between the presses of "Overlay RX>TX" nothing happens at all.
        platform::setBackColor(f.Label34, canvas::kPendingColor);
        outline(s, {{100, 100}, {300, 100}, {300, 200}, {100, 200}});
        f.Text3->setFocus();
        c.Label30_MouseDown(1, 0, 0, 0);
        QCOMPARE(f.focusWidget(), f.Text3);
        QCOMPARE(rgb32(f.Picture1->Picture()), picture);
    }

    // An armed shape is committed first. Armed and never moved, its box is the empty one
    // (-640 x -512), which takes the whole picture turned; moved, the box is the shape's.
    // Both come out upright.
    void makeOverlayAfterAShape()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        for (bool moved : {false, true}) {
            drawOn(s, blueOverGreen());
            c.setShapeSize(200);
            f.Combo1->setText(QStringLiteral("Circle"));
            c.Combo1_Click();
            QCOMPARE(c.dragSourceCode(), int(canvas::dragShapeTool));
            if (moved)
                emit f.Picture1->mouseDown(1, 0, 320, 256);
            c.Label30_MouseDown(1, 0, 0, 0);
            const QImage shown = rgb32(f.Picture1->Picture());
            QCOMPARE(shown.pixel(320, 150), kBlue);
            QCOMPARE(shown.pixel(320, 350), kGreen);
            QCOMPARE(shown.pixel(5, 5), kSurround);
            QCOMPARE(platform::backColor(f.Command47), platform::vbButtonFace);
        }
    }

    // An element laid over the whole persistent layer, pending at S 240 with its corner at
    // (180, 104): the blend touches rows 32 to 368 and columns 108 to 492 only (the box and a
    // margin of 72, bounds included); outside it the committed element stays as it is. In
    // Text mode the pass commits nothing and blends nothing.
    void blendStaysInsideTheElementsBoxAndMargin()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QRgb element = qRgb(200, 0, 100), under = qRgb(0, 100, 50);
        const auto pending = [&] {
            f.Picture1->setPicture(solid(640, 512, under));
            f.Picture1->setAutoRedraw(true);
            f.Picture1->PaintPicture(solid(640, 512, element), 0, 0);
            f.Picture1->setAutoRedraw(false);
            c.setElementX(180);
            c.setElementY(104);
            c.setOverlayWidth(240);
            c.setBlendWeights(50, 50);
            platform::setBackColor(f.Command47, canvas::kPendingColor);
        };
        f.Option7->setValue(true);
        pending();
        c.blendpicture();
        const QImage shown = rgb32(f.Picture1->Picture());
        const QRgb mixed = qRgb(100, 50, 75);
        QImage expected = solid(640, 512, element);
        testsupport::paint(expected, 108, 32, 493, 369, mixed);
        QCOMPARE(shown, expected);

        f.Option1->setValue(true);
        pending();
        c.blendpicture();
        QCOMPARE(rgb32(f.Picture1->Picture()), solid(640, 512, element));
        QCOMPARE(platform::backColor(f.Command47), canvas::kPendingColor);
    }

    void blendMixesAtTheSliderWeight()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();

        f.HScroll7->setValue(1);
        QCOMPARE(c.blendPercent(), 10);
        QCOMPARE(c.blendRest(), 90);
        f.HScroll7->setValue(10);
        QCOMPARE(c.blendPercent(), 100);
        QCOMPARE(c.blendRest(), 0);
        QCOMPARE(c.blendcolor(0x123456, 0xABCDEF), 0x123456u);
        f.HScroll7->setValue(5);
        QCOMPARE(c.blendcolor(0x0000FF, 0xFF0000), 0x7F007Fu);
        c.setBlendWeights(33, 67);
        QCOMPARE(c.blendcolor(0x0000FF, 0), 84u);
        c.setBlendWeights(50, 50);

        // A picture-in-picture of one colour over another, blended half and half: the
        // fraction of each component is dropped.
        const QRgb element = qRgb(255, 1, 3), under = qRgb(128, 100, 0);
        const QImage picture = solid(640, 512, under);
        f.Picture1->setPicture(picture);
        f.Option7->setValue(true);
        dropFromStrip(s, solid(320, 256, element), 320, 256);
        emit f.Label14->Click();
        QImage shown = rgb32(f.Picture1->Picture());
        QCOMPARE(shown.pixel(320, 256), qRgb(191, 50, 1));
        QCOMPARE(shown.pixel(100, 256), under);
        QCOMPARE(shown.pixel(5, 5), under);
        QCOMPARE(platform::backColor(f.Command47), platform::vbButtonFace);
        QCOMPARE(platform::backColor(f.Label14), canvas::kToolOffColor);
        QCOMPARE(f.MousePointer(), 0);

        // At 10 the element goes in opaque.
        f.HScroll7->setValue(10);
        f.Picture1->setPicture(picture);
        dropFromStrip(s, solid(320, 256, element), 320, 256);
        emit f.Label14->Click();
        QCOMPARE(rgb32(f.Picture1->Picture()).pixel(320, 256), element);

        // Follow Mouse, "4 pics in 1", Text and Draw: a click does nothing, not even move the
        // focus.
        const auto refused = [&](const std::function<void()>& setUp, const std::function<void()>& undo) {
            f.Picture1->setPicture(picture);
            f.Option7->setValue(true);
            setUp();
            platform::setBackColor(f.Command47, canvas::kPendingColor);
            f.Text3->setFocus();
            emit f.Label14->Click();
            QCOMPARE(rgb32(f.Picture1->Picture()), picture);
            QCOMPARE(platform::backColor(f.Command47), canvas::kPendingColor);
            QCOMPARE(f.focusWidget(), f.Text3);
            undo();
        };
        refused([&] { f.Check18->setValue(1); }, [&] { f.Check18->setValue(0); });
        refused([&] { f.Check19->setValue(1); }, [&] { f.Check19->setValue(0); });
        refused([&] { f.Option1->setValue(true); }, [] {});
        refused([&] { f.Option8->setValue(true); }, [] {});
    }

    void overlayFromTheReceivedPicture()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage tx = solid(640, 512, kBlue);
        receive(s, solid(320, 256, kYellow));

        // Outside Draw mode only the focus moves.
        f.Picture1->setPicture(tx);
        f.Text3->setFocus();
        c.Label34_MouseDown(1, 0, 0, 0);
        QCOMPARE(f.focusWidget(), f.Text1);
        QCOMPARE(platform::backColor(f.Label34), canvas::kToolOffColor);

        // First press: the received picture on the TX screen to be outlined.
        drawOn(s, tx);
        f.SSTab1->setCurrentIndex(0);
        c.Label34_MouseDown(1, 0, 0, 0);
        QCOMPARE(platform::backColor(f.Label34), canvas::kPendingColor);
        QCOMPARE(platform::backColor(f.Command47), canvas::kPendingColor);
        QCOMPARE(rgb32(f.Picture1->Picture()), solid(640, 512, kYellow));
        QCOMPARE(f.SSTab1->currentIndex(), 1);
        // A picture coming in meanwhile empties the picture buffers; the TX picture is kept.
        f.PicbufVisible->Clear();
        // Pic in Pic and Text are refused meanwhile.
        f.Option7->setValue(true);
        f.Option1->setValue(true);
        QVERIFY(f.Option8->value());

        // Second press: the outlined area over the TX picture, see-through round it, waiting
        // for SET in Overlays mode.
        outline(s, {{200, 200}, {360, 200}, {360, 300}, {200, 300}});
        c.setRotateFlags(2 | 0x40000);
        f.Text3->setFocus();
        c.Label34_MouseDown(1, 0, 0, 0);
        QVERIFY(f.Option6->value());
        QCOMPARE(c.overlayWidth(), 640.0);
        QCOMPARE(c.elementX(), 0.f);
        QCOMPARE(c.elementY(), 0.f);
        QCOMPARE(c.rotateFlags(), 0x40000);
        QCOMPARE(platform::backColor(f.Command47), canvas::kPendingColor);
        QCOMPARE(platform::backColor(f.Label34), canvas::kToolOffColor);
        QCOMPARE(f.text().drawingColour(), QStringLiteral("255"));
        QCOMPARE(f.focusWidget(), f.Text1);
        QCOMPARE(rgb32(f.Picture1->Picture()), tx);
        const QImage shown = rgb32(f.Picture1->Image());
        QCOMPARE(shown.pixel(300, 246), kYellow);
        QCOMPARE(shown.pixel(5, 5), kBlue);
        QCOMPARE(shown.pixel(630, 500), kBlue);

        // "%Blend >" at 5 commits it half mixed; the see-through surround leaves the TX picture.
        f.HScroll7->setValue(5);
        emit f.Label14->Click();
        const QImage blended = rgb32(f.Picture1->Picture());
        QCOMPARE(blended.pixel(300, 246), qRgb(127, 127, 127));
        QCOMPARE(blended.pixel(5, 5), kBlue);
        QCOMPARE(platform::backColor(f.Command47), platform::vbButtonFace);

        // An Undo between the presses leaves the first press's TX picture kept.
        drawOn(s, tx);
        c.Label34_MouseDown(1, 0, 0, 0);
        c.Command12_Click();
        c.Label34_MouseDown(1, 0, 0, 0);
        f.Option6->setValue(true);
        QCOMPARE(rgb32(f.Picture1->Picture()), tx);
    }
};

QTEST_MAIN(TestCutOuts)
#include "tst_cutouts.moc"
