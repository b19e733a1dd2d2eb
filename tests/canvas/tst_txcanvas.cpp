// The TX picture canvas on a started window with the real engine library: thumbnails,
// texts and the TX picture dragged onto the TX screen through the drag manager, Undo,
// and what the engine's TX buffer holds afterwards (read back from the engine itself).
#include <functional>

#include "CanvasStation.h"
#include "platform/drawing/Rotate.h"
#include "platform/widgets/DragIcons.h"
#include "qso/Qso.h"

using namespace canvastest;

class TestTxCanvas : public QObject {
    Q_OBJECT
private slots:
    void thumbnailDropBecomesTheSentPicture()
    {
        Station s;
        auto& form = s.form();
        const QImage before = busy(640, 512);
        form.Picture1->setPicture(before);
        platform::setBackColor(form.Command31, 0);
        form.Text2->setFocus();

        // An empty slot refuses the press: no code, no drag.
        s.canvas().setDragSource(canvas::dragNone);
        emit form.Image5->mouseDown(1, 0, 5, 5);
        QCOMPARE(s.canvas().dragSourceCode(), int(canvas::dragNone));
        QVERIFY(!DragManager::instance().active());

        // A 200 x 400 picture: full height, centred between black bars; its width is
        // 512 · 37·200 / (36·400) = 263.1 from 188.4 (the fit scratch's units are 37/36 times
        // wider than tall). Not while the picture-adjust panel is open.
        form.Image2->setPicture(halves(200, 400, kRed, kBlue));
        form.Frame9->show();
        emit form.Image2->mouseDown(1, 0, 5, 5);
        QCOMPARE(s.canvas().dragSourceCode(), int(canvas::dragNone));
        form.Frame9->hide();
        emit form.Image2->mouseDown(1, 0, 5, 5);
        QCOMPARE(s.canvas().dragSourceCode(), 2);
        QCOMPARE(s.canvas().overlayWidth(), 240.0);
        DragManager::instance().moveOver(form.Picture1, 100, 120);
        QCOMPARE(DragManager::dragIcon(form.Image2).toImage(), platform::dragIcon(platform::DragIcon::Drop).toImage());
        DragManager::instance().release();

        const QImage tx = rgb32(form.Picture1->Picture());
        for (int y : {0, 200, 511})
            for (int x = 0; x < 640; ++x) {
                const QRgb expected = x < 188 || x > 450 ? kBlack : x < 319 ? kRed : kBlue;
                QVERIFY2(tx.pixel(x, y) == expected, qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
            }
        QCOMPARE(rgb32(form.Picture1->Image()), tx);
        QCOMPARE(rgb32(form.Image6->Picture()), tx);
        QCOMPARE(s.txBuffer(), tx);
        QCOMPARE(rgb32(form.Image13->Picture()), before);
        QCOMPARE(platform::backColor(form.Command31), 0xFFFFFFu);
        QCOMPARE(platform::backColor(form.Command47), platform::vbButtonFace);
        QCOMPARE(s.canvas().elementX(), 100.f);
        QCOMPARE(s.canvas().elementY(), 120.f);
        QCOMPARE(form.focusWidget(), form.Text1);

        // A picture of the TX picture's size from any of the four recent pictures, newest to
        // oldest, is copied pixel for pixel.
        QImage exact;
        const QList<platform::ImageBox*> recentRow = {form.Image12, form.Image17, form.Image18, form.Image19};
        for (int i = 0; i < recentRow.size(); ++i) {
            exact = busy(640, 512).mirrored(true, i % 2 == 1);
            testsupport::paint(exact, 0, 0, 20 + 20 * i, 20, kGreen);
            recentRow[i]->setPicture(exact);
            emit recentRow[i]->mouseDown(1, 0, 5, 5);
            QCOMPARE(s.canvas().dragSourceCode(), 15 + i);
            dropOnTxScreen(s, 10, 10);
            QCOMPARE(rgb32(form.Picture1->Picture()), exact);
            QCOMPARE(s.txBuffer(), exact);
        }

        // A drawing left on the persistent layer is never sent, by the drop's push nor by the
        // engine controller's own copy before a transmission.
        form.Picture1->setAutoRedraw(true);
        form.Picture1->Line(0, 0, 300, 300, platform::vbGreen, platform::PictureBox::LineKind::FilledBox);
        form.Picture1->setAutoRedraw(false);
        s.canvas().pushTxPicture();
        QCOMPARE(s.txBuffer(), exact);
        form.engine().copyTxScreenToDib();
        QCOMPARE(s.txBuffer(), exact);
    }

    void headerIsPaintedOverADroppedPicture()
    {
        Station s;
        auto& form = s.form();
        const QImage header = busy(640, 64);
        form.Picture4->setPicture(header);
        form.Picture7->setPicture(solid(640, 32, kRed));
        form.qso().setHeaderNumber(13);
        form.Check2->setValue(1);

        form.Image3->setPicture(solid(640, 512, kGreen));
        emit form.Image3->mouseDown(1, 0, 5, 5);
        dropOnTxScreen(s, 320, 20);
        const QImage tx = rgb32(form.Picture1->Picture());
        QCOMPARE(tx.copy(0, 448, 640, 64), header);
        QCOMPARE(tx.copy(0, 0, 640, 448), solid(640, 448, kGreen));
        QCOMPARE(rgb32(form.Image6->Picture()), tx);
        QCOMPARE(s.txBuffer(), tx);
    }

    void otherDropsRecommitThePicture()
    {
        Station s;
        auto [form, c] = s.formAndCanvas();
        const QImage picture = busy(640, 512);
        form.Picture1->setPicture(picture);

        // A drop that carries no picture (code 0) re-commits and pushes, and turns SET red.
        form.engine().binding().mmsFillDIB(form.engine().txDib(), 0);
        form.Text2->setFocus();
        c.setDragSource(canvas::dragNone);
        c.Picture1_DragDrop(nullptr, 30, 40);
        QCOMPARE(platform::backColor(form.Command47), canvas::kPendingColor);
        QCOMPARE(rgb32(form.Picture1->Picture()), picture);
        QCOMPARE(s.txBuffer(), picture);
        QCOMPARE(form.focusWidget(), form.Text1);

        // The TX picture dragged onto itself with the right button (code 8): the drop ends
        // the tool in progress and, for this code, does not turn SET red again.
        c.setDraggedHeaderBox(5);
        emit form.Picture1->mouseDown(2, 0, 50, 50);
        QCOMPARE(c.dragSourceCode(), int(canvas::dragTxPicture));
        QCOMPARE(c.draggedHeaderBox(), 0);
        QCOMPARE(DragManager::instance().source(), form.Picture1);
        platform::setBackColor(form.Command47, canvas::kPendingColor);
        dropOnTxScreen(s, 60, 70);
        QCOMPARE(platform::backColor(form.Command47), platform::vbButtonFace);
        QCOMPARE(rgb32(form.Picture1->Picture()), picture);
    }

    void callSignWaitsAsTextUntilUndo()
    {
        Station s;
        auto [form, c] = s.formAndCanvas();
        const QImage white = solid(640, 512, kWhite);
        form.Picture1->setPicture(white);
        form.Picture1->setForeColor(platform::vbBlack);
        form.Text3->setText(QStringLiteral("DL1ABC"));

        emit form.Text3->MouseDown(1, 0, 2, 2);
        QCOMPARE(c.dragSourceCode(), int(canvas::dragCallSign));
        DragManager::instance().moveOver(form.Picture1, 50, 60);
        QCOMPARE(DragManager::dragIcon(form.Text3).toImage(), platform::dragIcon(platform::DragIcon::Text).toImage());
        DragManager::instance().release();

        QCOMPARE(platform::backColor(form.Command47), canvas::kPendingColor);
        QCOMPARE(c.elementX(), 50.f);
        QCOMPARE(c.elementY(), 60.f);
        QVERIFY(DragManager::dragIcon(form.Text3).isNull());
        // The text shows at the drop point, on the screen only; the engine keeps the picture.
        const QImage screen = form.Picture1->screenImage();
        QVERIFY(screen.copy(50, 60, 150, 30) != white.copy(50, 60, 150, 30));
        QCOMPARE(screen.copy(0, 0, 640, 60), white.copy(0, 0, 640, 60));
        QCOMPARE(rgb32(form.Picture1->Picture()), white);
        QCOMPARE(s.txBuffer(), white);

        // A header box dropped while the call sign waits moves the text; no header is painted.
        form.Picture4->setPicture(solid(640, 64, kRed));
        form.qso().headerBoxMouseDown(4, 1);
        QCOMPARE(DragManager::instance().source(), form.Picture4);
        dropOnTxScreen(s, 300, 200);
        QCOMPARE(c.elementX(), 300.f);
        QCOMPARE(c.draggedHeaderBox(), 4);
        QCOMPARE(rgb32(form.Picture1->Picture()), white);
        QCOMPARE(form.Picture1->screenImage().copy(50, 60, 150, 30), white.copy(50, 60, 150, 30));

        // Undo gives the text up: the screen is the picture again, the code rests at 8.
        form.Command12->click();
        QCOMPARE(form.Picture1->screenImage(), white);
        QCOMPARE(c.dragSourceCode(), int(canvas::dragTxPicture));
        QCOMPARE(platform::backColor(form.Command47), platform::vbButtonFace);
        QCOMPARE(s.txBuffer(), white);
        // Twice is once.
        const auto state = [&] {
            return std::tuple(c.dragSourceCode(), platform::backColor(form.Command47), form.Picture1->screenImage(),
                              form.text().textToDraw(), c.drawnExtent().left, form.Timer2->enabled());
        };
        const auto once = state();
        form.Command12->click();
        QVERIFY(state() == once);
    }

    void undoOutsideTextModeAndWithAShapeArmed()
    {
        Station s;
        auto [form, c] = s.formAndCanvas();
        form.Picture1->setPicture(solid(640, 512, kWhite));

        // Draw mode: only the persistent layer goes and SET idles.
        form.Option8->setValue(true);
        c.setDragSource(canvas::dragCallSign);
        form.Timer2->setEnabled(true);
        canvas::TxCanvas::Extent drawn = c.drawnExtent();
        drawn.left = 5;
        c.setDrawnExtent(drawn);
        form.Picture1->setAutoRedraw(true);
        form.Picture1->Line(10, 10, 100, 100, platform::vbBlue, platform::PictureBox::LineKind::FilledBox);
        form.Picture1->setAutoRedraw(false);
        platform::setBackColor(form.Command47, canvas::kPendingColor);
        c.Command12_Click();
        QCOMPARE(rgb32(form.Picture1->Image()), solid(640, 512, kWhite));
        QCOMPARE(platform::backColor(form.Command47), platform::vbButtonFace);
        QCOMPARE(c.dragSourceCode(), int(canvas::dragCallSign));
        QVERIFY(form.Timer2->enabled());
        QCOMPARE(c.drawnExtent().left, 5.0);

        // Text mode with a shape armed: the shape tool ends.
        form.Option1->setValue(true);
        form.Combo1->setText(QStringLiteral("Ellipse"));
        c.setDragSource(canvas::dragShapeTool);
        form.VScroll4->show();
        c.setButtonRepeating(true);
        c.Command12_Click();
        QCOMPARE(c.dragSourceCode(), int(canvas::dragNone));
        QCOMPARE(form.Combo1->text(), QStringLiteral("  Things"));
        QVERIFY(form.VScroll4->isHidden());
        QVERIFY(!form.Timer2->enabled());
        QVERIFY(!c.buttonRepeating());
        QCOMPARE(c.drawnExtent().left, 640.0);
        QCOMPARE(c.drawnExtent().top, 512.0);
        QCOMPARE(form.text().textToDraw(), form.Text1->text());
    }

    void dropDispatchByModeAndTool()
    {
        Station s;
        auto [form, c] = s.formAndCanvas();
        // White with a blue square at 100..199.
        QImage square = solid(640, 512, kWhite);
        testsupport::paint(square, 100, 100, 200, 200, kBlue);
        form.Image2->setPicture(halves(200, 400, kRed, kGreen));

        // Color Fill in Text mode fills the area under the drop point and commits it, whatever
        // is dropped (a colour swatch writes no code; a thumbnail's press would end the fill).
        form.Picture1->setPicture(square);
        c.Label38_Click();
        QCOMPARE(platform::backColor(form.Label38), canvas::kPendingColor);
        form.text().setDrawingColour(QString::number(platform::vbGreen));
        DragManager::instance().begin(form.Label25);
        dropOnTxScreen(s, 150, 150);
        QImage expected = square;
        testsupport::paint(expected, 100, 100, 200, 200, kGreen);
        QCOMPARE(rgb32(form.Picture1->Picture()), expected);
        QCOMPARE(s.txBuffer(), expected);
        QCOMPARE(rgb32(form.Image13->Picture()), square);

        // On a pixel of the fill colour nothing changes, but the picture is still committed
        // and pushed.
        form.engine().binding().mmsFillDIB(form.engine().txDib(), 0);
        DragManager::instance().begin(form.Label25);
        dropOnTxScreen(s, 150, 150);
        QCOMPARE(rgb32(form.Picture1->Picture()), expected);
        QCOMPARE(s.txBuffer(), expected);

        // A thumbnail's press ends Color Fill. Outside Text mode a fill toggle left on is
        // ignored: the thumbnail becomes the picture.
        emit form.Image2->mouseDown(1, 0, 5, 5);
        QCOMPARE(platform::backColor(form.Label38), canvas::kToolOffColor);
        DragManager::instance().cancel();
        form.Option8->setValue(true);
        platform::setBackColor(form.Label32, canvas::kPendingColor);
        emit form.Image2->mouseDown(1, 0, 5, 5);
        dropOnTxScreen(s, 150, 150);
        QCOMPARE(rgb32(form.Picture1->Picture()).pixel(200, 10), kRed);
        QCOMPARE(rgb32(form.Picture1->Picture()).pixel(400, 10), kGreen);
        platform::setBackColor(form.Label32, 0xC0C0);
        platform::setBackColor(form.Label38, 0xC0C0);

        // A browser thumbnail with the browser open and "With Crop" on goes to the crop
        // dialog's road: the TX picture is only re-committed and pushed. With "With Crop" off
        // it is fitted directly.
        form.Option1->setValue(true);
        const QImage current = rgb32(form.Picture1->Picture());
        form.Image10->setPicture(solid(640, 512, kBlue));
        platform::setBackColor(form.Command20, canvas::kPendingColor);
        platform::setBackColor(form.Label17, canvas::kPendingColor);
        form.engine().binding().mmsFillDIB(form.engine().txDib(), 0);
        emit form.Image10->mouseDown(1, 0, 5, 5);
        QCOMPARE(c.dragSourceCode(), 13);
        dropOnTxScreen(s, 150, 150);
        QCOMPARE(rgb32(form.Picture1->Picture()), current);
        QCOMPARE(s.txBuffer(), current);
        platform::setBackColor(form.Label17, 0xC0C0);
        emit form.Image10->mouseDown(1, 0, 5, 5);
        dropOnTxScreen(s, 150, 150);
        QCOMPARE(rgb32(form.Picture1->Picture()), solid(640, 512, kBlue));

        // While a header is made the undo copy is left alone, and an overlay would be small.
        form.Option1->setValue(true);
        const QImage undoCopy = solid(640, 512, kBlack);
        form.Image13->setPicture(undoCopy);
        form.makeheader->setChecked(true);
        emit form.Image2->mouseDown(1, 0, 5, 5);
        dropOnTxScreen(s, 150, 150);
        QCOMPARE(rgb32(form.Image13->Picture()), undoCopy);
        QCOMPARE(c.overlayWidth(), 40.0);
    }

    // The rotation takes the element's centre and size as whole pixels, halves to even, its
    // key from Picture3's pixel (1, 1), and smooths a commit whose flags carried into bit 4.
    void drawElementRoundsHalfToEven()
    {
        Station s;
        auto [form, c] = s.formAndCanvas();
        QImage element = busy(688, 556);
        element.setPixel(1, 1, kWhite);
        form.Picture3->setPicture(element);
        c.setOverlayWidth(25); // 25 x 20
        c.setElementAngle(30);
        c.setRotateFlags(0); // the start-up makes it smooth

        auto drawnWith = [&](float x, float y, int addend) {
            form.Picture1->setPicture(solid(640, 512, kBlack));
            form.Picture1->setAutoRedraw(true);
            c.setElementX(x);
            c.setElementY(y);
            c.drawElement(addend);
            form.Picture1->setAutoRedraw(false);
            return form.Picture1->Image();
        };
        auto direct = [&](int cx, int cy, quint32 flags) {
            platform::PictureBox box;
            box.setBoxSize(640, 512);
            box.setPicture(solid(640, 512, kBlack));
            box.setAutoRedraw(true);
            platform::rotatePicture(box.hDC(), cx, cy, 25, 20, form.Picture3->hDC(), 0, 0, 30, 0xFFFFFF, flags);
            return box.Image();
        };
        // Centre x 100 + 12.5 = 112.5 goes to 112, 101 + 12.5 = 113.5 to 114; y 50 + 10 = 60.
        QCOMPARE(drawnWith(100, 50, 0), direct(112, 60, 0));
        QCOMPARE(drawnWith(101, 50, 0), direct(114, 60, 0));
        QVERIFY(drawnWith(101, 50, 0) != direct(113, 60, 0));
        // Pending in Overlays: keyed.
        QCOMPARE(drawnWith(100, 50, 1), direct(112, 60, platform::RotateKeyColour));
        // Smoothing plus the commit's addend: still smooth (and keyed in Overlays).
        c.setRotateFlags(platform::RotateSmooth);
        QCOMPARE(drawnWith(100, 50, 3), direct(112, 60, platform::RotateSmooth | platform::RotateKeyColour));
        QCOMPARE(drawnWith(100, 50, 2), direct(112, 60, platform::RotateSmooth));
    }

    // A strip picture dragged onto the TX screen in the fill modes: with Pattern Fill the other
    // slots and the swatches take the screen's cursor, with Color Fill the swatches only, in
    // Draw mode nothing. The TX picture over itself is refused, entering and moving.
    void dragFeedbackOverTheTxScreen()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        DragManager& m = DragManager::instance();
        const QImage marker = platform::dragIcon(platform::DragIcon::Text).toImage();
        const QImage screenCursor = f.Picture1->MouseIcon().toImage();
        const auto icon = [](const QWidget* w) { return DragManager::dragIcon(w).toImage(); };
        const std::function<void()> setUps[] = {[&] { f.Option1->setValue(true); c.Label32_Click(); },
                                                [&] { c.Label32_Click(); c.Label38_Click(); },
                                                [&] { f.Option8->setValue(true); }};
        for (int row = 0; row < 3; ++row) {
            setUps[row]();
            QList<QWidget*> pictures, swatches;
            for (int code : {2, 4, 5, 11, 12, 13, 14, 21, 22, 23})
                pictures << f.thumbnailFor(code);
            for (int n = 1; n <= 12; ++n)
                swatches << f.swatch(n);
            for (QWidget* w : pictures + swatches)
                DragManager::setDragIcon(w, QPixmap::fromImage(marker));
            c.setDragSource(3);
            m.begin(f.Image3);
            m.moveOver(f.Picture1, 10, 10);
            for (QWidget* w : pictures)
                QCOMPARE(icon(w), row == 0 ? screenCursor : marker);
            for (QWidget* w : swatches)
                QCOMPARE(icon(w), row < 2 ? screenCursor : marker);
            m.cancel();
        }

        // A slot, then a header box (its slot code left alone): the drop cursor on entering,
        // nothing new while moving over, the no-drop one on leaving.
        const QImage drop = platform::dragIcon(platform::DragIcon::Drop).toImage();
        const QImage carry = platform::dragIcon(platform::DragIcon::Carry).toImage();
        for (int header : {0, 5}) {
            QWidget* dragged = header ? static_cast<QWidget*>(f.Picture5) : f.Image3;
            DragManager::setDragIcon(f.Image3, QPixmap::fromImage(marker));
            c.setDragSource(3);
            c.setDraggedHeaderBox(header);
            m.begin(dragged);
            m.moveOver(f.Picture1, 10, 10);
            QCOMPARE(icon(dragged), drop);
            QCOMPARE(icon(f.Image3), header ? marker : drop);
            DragManager::setDragIcon(dragged, QPixmap::fromImage(marker));
            m.moveOver(f.Picture1, 20, 10);
            QCOMPARE(icon(dragged), marker);
            m.moveOver(nullptr, 0, 0);
            QCOMPARE(icon(dragged), carry);
            m.cancel();
        }
        c.setDraggedHeaderBox(0);

        c.setDragSource(canvas::dragTxPicture);
        m.begin(f.Picture1);
        for (double x : {10, 20}) {
            m.moveOver(f.Picture1, x, 10);
            QCOMPARE(icon(f.Picture1), carry);
        }
        m.cancel();
    }
};

QTEST_MAIN(TestTxCanvas)
#include "tst_txcanvas.moc"
