// Headers on the real engine: painted over the TX picture and its buffer, made, stored, kept.

#include "CanvasStation.h"
#include "SkippedSteps.h"
#include "platform/widgets/DragIcons.h"
#include "qso/Qso.h"

#include <QGroupBox>
#include <QTabWidget>

using namespace canvastest;

namespace {

// The TX buffer filled with one colour, so that any push shows.
void seedTxBuffer(Station& s, QRgb colour)
{
    s.form().engine().binding().mmsFillDIB(s.form().engine().txDib(), colour & 0xFFFFFF);
}

// The row of the TX screen's picture beside point y of a widget.
int rowOf(shell::FormMain& form, QWidget* w, int y)
{
    return w->mapToGlobal(QPoint(0, y)).y() - form.Picture1->mapToGlobal(QPoint(0, 0)).y();
}

// Draws into no TX buffer: the engine's draw counted when it names buffer 0.
int drawsIntoNoBuffer = 0;
decltype(&::mmsDrawDIBbmp) realDraw = nullptr;
int32_t countingDraw(int32_t dib, const int32_t* dst, const QImage* bitmap, const int32_t* src, int32_t mode)
{
    if (dib == 0)
        ++drawsIntoNoBuffer;
    return realDraw(dib, dst, bitmap, src, mode);
}

} // namespace

class TestHeaders : public QObject {
    Q_OBJECT
private slots:
    // Boxes 4 (top), 13 (box 4 at the bottom) and 21 (box 12 at the bottom): each paints its
    // band, commits it, renews Image6 and pushes; every other row stays.
    void headerPaintsItsBandOnly()
    {
        Station s;
        auto& form = s.form();
        const QImage large = busy(640, 64).mirrored(true, false);
        const QImage small = busy(640, 32);
        form.Picture4->setPicture(large);
        form.Picture12->setPicture(small);
        form.Check2->setValue(1);
        struct Case {
            int number;
            int top;
            QImage strip;
        };
        for (const Case& c : {Case{4, 0, large}, Case{13, 448, large}, Case{21, 480, small}}) {
            const QImage picture = solid(640, 512, kGreen);
            form.Picture1->setPicture(picture);
            seedTxBuffer(s, kBlack);
            form.qso().setHeaderNumber(c.number);
            form.qso().ShowHeaders();
            const QImage tx = rgb32(form.Picture1->Picture());
            const int rows = c.strip.height();
            QCOMPARE(tx.copy(0, c.top, 640, rows), c.strip);
            QImage rest = tx;
            testsupport::paint(rest, 0, c.top, 640, c.top + rows, kGreen);
            QCOMPARE(rest, picture);
            QCOMPARE(rgb32(form.Image6->Picture()), tx);
            QCOMPARE(s.txBuffer(), tx);
        }

        // 13.5 and 22 name no box: nothing is painted, but what is drawn is committed and pushed.
        for (double number : {13.5, 22.0}) {
            form.Picture1->setPicture(solid(640, 512, kBlue));
            form.Picture1->setAutoRedraw(true);
            form.Picture1->Line(0, 0, 99, 99, platform::vbRed, platform::PictureBox::LineKind::FilledBox);
            form.Picture1->setAutoRedraw(false);
            seedTxBuffer(s, kBlack);
            form.qso().setHeaderNumberValue(number);
            form.qso().ShowHeaders();
            const QImage drawn = rgb32(form.Picture1->Image());
            QCOMPARE(drawn.pixel(50, 50), kRed);
            QCOMPARE(drawn.pixel(320, 500), kBlue);
            QCOMPARE(rgb32(form.Picture1->Picture()), drawn);
            QCOMPARE(rgb32(form.Image6->Picture()), drawn);
            QCOMPARE(s.txBuffer(), drawn);
        }
    }

    // "HdrON" unticked, no header chosen or a number below the boxes: nothing at all, not
    // even Image6 or the TX buffer. Unticking leaves a painted header; ticking paints at once.
    void nothingWithoutAHeader()
    {
        Station s;
        auto& form = s.form();
        auto& qso = form.qso();
        form.Picture4->setPicture(solid(640, 64, kRed));
        const QImage picture = busy(640, 512);
        form.Picture1->setPicture(picture);
        const QImage committed = solid(640, 512, kWhite);
        form.Image6->setPicture(committed);
        seedTxBuffer(s, kBlack);
        form.Check2->setValue(0);
        for (const QVariant& number : {QVariant(4), QVariant(), QVariant(3)}) {
            qso.setHeaderNumberValue(number);
            qso.ShowHeaders();
            if (number.isNull())
                form.Check2->setValue(1);
            QCOMPARE(rgb32(form.Picture1->Picture()), picture);
            QCOMPARE(rgb32(form.Image6->Picture()), committed);
            QCOMPARE(s.txBuffer(), solid(640, 512, kBlack));
        }

        qso.setHeaderNumber(4);
        form.Check2->setValue(0);
        QCOMPARE(qso.headerFlag().toInt(), 0);
        form.Check2->setValue(1);
        QCOMPARE(qso.headerFlag().toInt(), 1);
        QCOMPARE(s.txBuffer().pixel(10, 10), kRed);
        form.Check2->setValue(0);
        QCOMPARE(qso.headerFlag().toInt(), 0);
        QCOMPARE(rgb32(form.Picture1->Picture()).pixel(10, 10), kRed);
    }

    // Header 13 with "HdrON" survives a restart: the TX picture kept at exit comes back with
    // the header over its bottom band, and that is what the engine would send. The restore
    // ticks "HdrON" before the engine exists: nothing is drawn into a buffer that is not there.
    void headerComesBackAfterARestart()
    {
        platform::ManualClock clock;
        platform::UseClock use(clock);
        testsupport::FormFixture f(false);
        platform::Engine real;
        auto start = [&] {
            f.build();
            QString why;
            real = platform::Engine::load(REAL_ENGINE_PATH, &why);
            QVERIFY2(real.present(), qPrintable(why));
            platform::EngineFunctions functions = real.functions();
            realDraw = functions.mmsDrawDIBbmp;
            functions.mmsDrawDIBbmp = countingDraw;
            functions.vrrSetOption("input", "none");
            functions.vrrSetOption("output", "none");
            f.form().engine().setEngine(platform::Engine(functions));
            QCOMPARE(f.form().shell().Form_Load(), shell::Shell::LoadResult::Running);
        };
        start();
        const QImage header = busy(640, 64);
        f.form().Picture4->setPicture(header);
        f.form().qso().setHeaderNumber(13);
        f.form().Check2->setValue(1);
        f.form().close();
        f.destroy();

        testsupport::SkippedSteps skipped;
        drawsIntoNoBuffer = 0;
        start();
        shell::FormMain& form = f.form();
        QCOMPARE(drawsIntoNoBuffer, 0);
        QCOMPARE(skipped.lines(), QStringList());
        QCOMPARE(form.Check2->value(), 1);
        QImage sent = solid(640, 512, 0xFFFF00FF);
        const int32_t rect[4] = {0, 0, 640, 512};
        form.engine().binding().mmsDrawDIBdc(&sent, rect, form.engine().txDib(), rect, 0);
        QCOMPARE(sent.copy(0, 448, 640, 64), header);
        QVERIFY(sent.copy(0, 0, 640, 448) != solid(640, 448, 0xFFFF00FF));
        form.close();
        f.destroy();
    }

    // Header making asks for the Text mode; the large canvas is white, with the large boxes
    // above its band; the small one follows; "DONE" gives the picture from before back.
    void makingAndDone()
    {
        Station s;
        auto& form = s.form();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QImage picture = busy(640, 512);
        form.Picture1->setPicture(picture);
        seedTxBuffer(s, kBlack);

        form.Option6->setValue(true);
        s.fixture().ui().answerMsgBox(platform::vbOK);
        // Through the menu items, as the operator chooses them: the menu's own tick toggle
        // must not count as header making begun.
        form.makeheader->trigger();
        QCOMPARE(s.fixture().ui().messages(), QStringList{QStringLiteral("Must be in TEXT mode")});
        QVERIFY(!form.makeheader->isChecked());
        QVERIFY(form.Frame7->isHidden());
        QCOMPARE(rgb32(form.Picture1->Image()), picture);
        form.Option1->setValue(true);

        form.SSTab1->setCurrentIndex(0);
        form.makeheader->trigger();
        QCOMPARE(form.SSTab1->currentIndex(), 1);
        QVERIFY(form.makeheader->isChecked() && !form.makeheader16->isChecked());
        QCOMPARE(rgb32(form.Picture1->Picture()), solid(640, 512, kWhite));
        QCOMPARE(form.Picture1->FontSize(), 40.0);
        QVERIFY(!form.Frame7->isHidden());
        QCOMPARE(form.Frame7->width(), 644);
        // The panel ends right above the band the header is made in; its top stays inside
        // the window's working area, with the boxes, "DONE" and the help in sight.
        QCOMPARE(rowOf(form, form.Frame7, form.Frame7->height()), 447);
        QVERIFY(form.Frame7->y() >= 0);
        for (QWidget* w : std::initializer_list<QWidget*>{form.Picture4, form.Picture6, form.Command36, form.Text12})
            QVERIFY(w->isVisibleTo(form.Frame7) && w->mapTo(form.Frame7, QPoint(0, w->height())).y() <= form.Frame7->height());
        QVERIFY(!form.Picture7->isVisibleTo(form.Frame7));

        form.makeheader16->trigger();
        QVERIFY(form.makeheader16->isChecked() && !form.makeheader->isChecked());
        QCOMPARE(rowOf(form, form.Frame7, form.Frame7->height()), 480);
        QVERIFY(form.Picture12->isVisibleTo(form.Frame7) && !form.Picture4->isVisibleTo(form.Frame7));
        QCOMPARE(form.Picture1->FontSize(), 20.0);

        // Switching sizes keeps the picture from before header making, not the canvas.
        form.Command36->click();
        QVERIFY(form.Frame7->isHidden());
        QVERIFY(!form.makeheader->isChecked() && !form.makeheader16->isChecked());
        QCOMPARE(rgb32(form.Picture1->Picture()), picture);
        QCOMPARE(form.Picture1->FontSize(), 26.0);
        QCOMPARE(form.focusWidget(), form.Text1);
        QCOMPARE(s.txBuffer(), solid(640, 512, kBlack));
    }

    void loadButtonsToggleAndSwap()
    {
        Station s;
        auto& form = s.form();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        form.Command35->click();
        QCOMPARE(form.Command35->text(), QStringLiteral("Exit"));
        QVERIFY(!form.Frame7->isHidden());
        QCOMPARE(rowOf(form, form.Frame7, 0), 127);
        QVERIFY(form.Picture5->isVisibleTo(form.Frame7) && !form.Picture8->isVisibleTo(form.Frame7));

        form.Command37->click();
        QCOMPARE(form.Command35->text(), QStringLiteral("load HDR lge"));
        QCOMPARE(form.Command37->text(), QStringLiteral("Exit"));
        QVERIFY(!form.Frame7->isHidden());
        QVERIFY(form.Picture8->isVisibleTo(form.Frame7) && !form.Picture5->isVisibleTo(form.Frame7));
        form.Command37->click();
        QCOMPARE(form.Command37->text(), QStringLiteral("load HDR sml"));
        QVERIFY(form.Frame7->isHidden());

        // While a small header is made, "load HDR lge" ends it with the picture given back.
        const QImage picture = busy(640, 512);
        form.Picture1->setPicture(picture);
        form.qso().makeheader16_Click();
        form.Command35->click();
        QVERIFY(!form.makeheader16->isChecked());
        QCOMPARE(rgb32(form.Picture1->Picture()), picture);
        QCOMPARE(form.Command35->text(), QStringLiteral("Exit"));
        QVERIFY(form.Picture4->isVisibleTo(form.Frame7));
    }

    // While a large header is made, the TX picture dragged onto box 5 gives it rows 448 to
    // 511 of the picture with what is drawn on it; nothing else changes.
    void boxesTakeTheTxPicturesBand()
    {
        Station s;
        auto [form, c] = s.formAndCanvas();
        form.Picture4->setPicture(solid(640, 64, kRed));
        form.Picture6->setPicture(solid(640, 64, kBlue));
        form.qso().makeheader_Click();
        const QImage canvas = busy(640, 512);
        form.Picture1->setPicture(canvas);

        // A thumbnail is not taken, and neither is the TX picture after a press on a box.
        form.Image2->setPicture(solid(64, 48, kGreen));
        emit form.Image2->mouseDown(1, 0, 5, 5);
        DragManager::instance().moveOver(form.Picture5, 5, 5);
        DragManager::instance().release();
        QVERIFY(form.Picture5->Picture().isNull());
        emit form.Picture5->mouseDown(1, 0, 5, 5);
        QCOMPARE(c.draggedHeaderBox(), 5);
        QVERIFY(!DragManager::instance().active());
        c.setDragSource(canvas::dragTxPicture);
        form.qso().headerBoxDragDrop(5);
        QVERIFY(form.Picture5->Picture().isNull());

        // The TX screen's own press clears the mark and drags the picture.
        emit form.Picture1->mouseDown(2, 0, 50, 50);
        QCOMPARE(c.draggedHeaderBox(), 0);
        DragManager::instance().moveOver(form.Picture5, 5, 5);
        QCOMPARE(DragManager::dragIcon(form.Picture1).toImage(), platform::dragIcon(platform::DragIcon::Drop).toImage());
        DragManager::instance().moveOver(nullptr, 0, 0);
        QCOMPARE(DragManager::dragIcon(form.Picture1).toImage(), platform::dragIcon(platform::DragIcon::Carry).toImage());
        DragManager::instance().moveOver(form.Picture5, 5, 5);
        DragManager::instance().release();
        QCOMPARE(rgb32(form.Picture5->Picture()), canvas.copy(0, 448, 640, 64));
        QCOMPARE(rgb32(form.Picture4->Picture()), solid(640, 64, kRed));
        QCOMPARE(rgb32(form.Picture6->Picture()), solid(640, 64, kBlue));
        QCOMPARE(rgb32(form.Picture1->Picture()), canvas);

        // A small box takes the last 32 rows.
        form.qso().makeheader16_Click();
        form.Picture1->setPicture(canvas);
        c.setDragSource(canvas::dragTxPicture);
        form.qso().headerBoxDragDrop(9);
        QCOMPARE(rgb32(form.Picture9->Picture()), canvas.copy(0, 480, 640, 32));

        // Outside header making a box dropped on a box is cancelled.
        form.Command36->click();
        form.Text2->setFocus();
        c.setDraggedHeaderBox(4);
        form.qso().headerBoxDragDrop(6);
        QCOMPARE(c.draggedHeaderBox(), 0);
        QCOMPARE(form.focusWidget(), form.Text1);
        QCOMPARE(rgb32(form.Picture6->Picture()), solid(640, 64, kBlue));
    }

    // Ctrl with a left press on a swatch while a header is made: the canvas and the header
    // background take the swatch's recorded colour (white records &HEFEFEE), Image6 follows,
    // the engine is not touched. Without Ctrl, or without header making, the text colour.
    void ctrlSwatchColoursTheCanvas()
    {
        Station s;
        auto& form = s.form();
        form.qso().makeheader16_Click();
        seedTxBuffer(s, kBlack);
        const auto textColour = form.Picture1->ForeColor();
        emit form.Label2->MouseDown(1, 2, 3, 3);
        const QImage canvas = solid(640, 512, qRgb(238, 239, 239));
        QCOMPARE(rgb32(form.Picture1->Picture()), canvas);
        QCOMPARE(form.qso().headerBackColour(), 0xEFEFEEu);
        QCOMPARE(form.text().drawingColour(), QStringLiteral("15724526"));
        QCOMPARE(rgb32(form.Image6->Picture()), canvas);
        QCOMPARE(form.Picture1->ForeColor(), textColour);
        QCOMPARE(s.txBuffer(), solid(640, 512, kBlack));

        emit form.Label3->MouseDown(1, 3, 3, 3); // Ctrl with Shift is a plain press
        QCOMPARE(form.Picture1->ForeColor(), 0x0000FFu);
        QCOMPARE(form.text().drawingColour(), QString::number(0xEE));
        QCOMPARE(rgb32(form.Picture1->Picture()), canvas);
        form.Command36->click();
        emit form.Label6->MouseDown(1, 2, 3, 3);
        QCOMPARE(form.Picture1->ForeColor(), 0x00FF00u);
        QCOMPARE(form.qso().headerBackColour(), 0xEFEFEEu);
    }
};

QTEST_MAIN(TestHeaders)
#include "tst_headers.moc"
