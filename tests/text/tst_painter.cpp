// The text painter on the TX screen of a started window: where the lines and character
// rows land, the guards, the split into lines, the multi-coloured cycle, the font of the
// turned print and the background box. Pixels are read back from the screen.
#include <QFontMetrics>
#include <QSet>
#include <QSignalSpy>

#include "TextStation.h"
#include "platform/runtime/Random.h"

using namespace texttest;

namespace {

constexpr quint32 kCycle[6] = {240, 0x80EE, 0xFFEE, 0xFF11, 0xFFFF11, 0xFF00EE};

// The colours other than black inside `area`.
QSet<QRgb> inkColours(const QImage& img, const QRect& area)
{
    QSet<QRgb> colours;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) != kBlack)
                colours.insert(img.pixel(x, y));
    return colours;
}

int cellHeight(const text::TextTools& t) { return QFontMetrics(platform::gdi::qFontFor(t.rotatedFont())).height(); }

} // namespace

class TestPainter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { REQUIRE_FACE(); }

    // 20 points: a line step of 1.9 x 20 = 38 pixels, each line in its own cell; a turned
    // text steps its lines along the angle.
    void linesLandInTheirCells()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        prepare(s, QStringLiteral("AB\r\nCD"), 100, 50);
        t.drawText();
        QCOMPARE(t.textLineStep(), 38.0);
        QCOMPARE(t.lineTop(1), 50.0);
        QCOMPARE(t.lineTop(2), 88.0);
        QCOMPARE(t.lineTop(3), 0.0);
        QCOMPARE(s.canvas().elementX(), 100.f);
        QCOMPARE(s.canvas().elementY(), 50.f);
        const int cell = cellHeight(t);
        QVERIFY2(cell < 38, qPrintable(QString::number(cell)));
        const QImage img = screen(s);
        const QRect first = inkBounds(img, kBlack, QRect(0, 50, 640, cell));
        const QRect second = inkBounds(img, kBlack, QRect(0, 88, 640, cell));
        QVERIFY(!first.isEmpty() && !second.isEmpty());
        QVERIFY(first.left() > 100 && second.left() > 100); // after the leading blank
        QCOMPARE(inkBounds(img, kBlack), first.united(second));
        QVERIFY(img.copy(first) != img.copy(second));

        // 30 degrees: each further line 20 x 300 / 470 = 12.77 pixels to the right and as
        // much less far down; the line climbs to the right above its start.
        prepare(s, QStringLiteral("AB\r\nCD"), 100, 50);
        t.setTextRotation(300);
        t.drawText();
        QVERIFY(std::abs(t.lineTop(2) - (50 + 38 - 20 * 300.0 / 470)) < 1e-3);
        QCOMPARE(s.canvas().elementX(), 100.f);
        QCOMPARE(s.canvas().elementY(), 50.f);
        QVERIFY(inkBounds(screen(s), kBlack).top() < 45);
        t.setTextRotation(0);
    }

    // One character per row in the screen's own font: AB and CD 30 apart at (100, 50).
    void verticalColumns()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        prepare(s, QStringLiteral("AB\r\nCD"), 100, 50);
        platform::setBackColor(f.Label31, canvas::kPendingColor);
        t.setLastLineStep(30);
        t.setTextRotation(300); // a vertical text is never turned
        t.drawText();
        QCOMPARE(t.textLineStep(), 30.0);
        QCOMPARE(t.lineTop(1), 50.0);
        QCOMPARE(t.lineTop(2), 80.0);
        QCOMPARE(s.canvas().elementX(), 100.f);
        QCOMPARE(s.canvas().elementY(), 50.f);
        const QImage img = screen(s);
        for (int x : {100, 160})
            for (int y : {50, 80})
                QVERIFY2(!inkBounds(img, kBlack, QRect(x, y, 30, 30)).isEmpty(),
                         qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        const QRect all = inkBounds(img, kBlack);
        QVERIFY(all.left() >= 100 && all.right() < 190 && all.top() >= 50 && all.bottom() < 110);
        QVERIFY(inkBounds(img, kBlack, QRect(130, 0, 30, 512)).isEmpty());
        // The four characters differ: A over B, C over D, in the screen's font unturned.
        QVERIFY(img.copy(100, 50, 30, 30) != img.copy(160, 50, 30, 30));
        t.setTextRotation(0);
    }

    void guards()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        auto printsSomething = [&] {
            t.drawText();
            return !inkBounds(screen(s), kBlack).isEmpty();
        };
        prepare(s, QStringLiteral("AB"), 100, 50);
        platform::setBackColor(f.Command47, platform::vbButtonFace);
        QVERIFY(!printsSomething());
        // A stamp prints with nothing pending.
        t.setSharedCounter(text::TextTools::kStampPrinting);
        QVERIFY(printsSomething());
        t.setSharedCounter(text::TextTools::kCounterClear);

        // The log listing in the text box is never printed.
        prepare(s, QStringLiteral("AB"), 100, 50);
        platform::setBackColor(f.Label48, canvas::kPendingColor);
        QVERIFY(!printsSomething());
        platform::setBackColor(f.Label48, canvas::kToolOffColor);

        // Outside Text mode the painter ends the current tool instead.
        canvas::TxCanvas::select(f.Option8);
        prepare(s, QStringLiteral("AB"), 100, 50);
        QSignalSpy ended(&s.canvas(), &canvas::TxCanvas::toolEnded);
        QVERIFY(!printsSomething());
        QCOMPARE(ended.count(), 1);
        QCOMPARE(platform::backColor(f.Command47), quint32(platform::vbButtonFace));
    }

    void splitIntoLines()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();

        // A selection prints alone, exactly as that text would.
        prepare(s, QStringLiteral("ABCDE"), 100, 50);
        t.setSelectedText(QStringLiteral("BCD"));
        t.drawText();
        QCOMPARE(t.textToDraw(), QStringLiteral("BCD"));
        const QImage selection = screen(s);
        prepare(s, QStringLiteral("BCD"), 100, 50);
        QVERIFY(t.selectedText().isEmpty()); // the change of Text1 forgot it
        t.drawText();
        QCOMPARE(screen(s), selection);

        // A line longer than 1501 characters goes on right after the cut.
        prepare(s, QString(1501, u'a') + QStringLiteral("XY\r\nZ"), 0, 0);
        t.drawText();
        QCOMPARE(t.textLine(1), QString(1501, u'a'));
        QCOMPARE(t.textLine(2), QStringLiteral("XY"));
        QCOMPARE(t.textLine(3), QStringLiteral("Z"));
        prepare(s, QString(1501, u'a'), 0, 0);
        t.drawText();
        QCOMPARE(t.lineTop(2), 0.0);

        // At most 20 lines; a final line end adds an empty line.
        QStringList many;
        for (int i = 1; i <= 22; ++i)
            many << QStringLiteral("L%1").arg(i);
        prepare(s, many.join(QStringLiteral("\r\n")), 0, 0);
        t.drawText();
        QCOMPARE(t.textLine(20), QStringLiteral("L20"));
        QCOMPARE(t.lineTop(20), 19 * 38.0);
        prepare(s, QStringLiteral("A\r\n"), 0, 10);
        t.drawText();
        QCOMPARE(t.textLine(2), QString());
        QCOMPARE(t.lineTop(2), 48.0);
    }

    // Fixed seed: the first 24 characters in the six colours in turn, the rest in the
    // source's draws; the fore colour is back afterwards and only the first line printed.
    void multiColouredCycle()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        const QString digits = QStringLiteral("123456789012345678901234567890");
        f.Combo3->setListIndex(3);
        QCOMPARE(f.Combo3->text(), QStringLiteral("Multi Colored Text"));
        prepare(s, digits + QStringLiteral("\r\nZZZ"), 20, 50);
        s.canvas().colourDraws().seed(7);
        platform::RandomSource expected(7);
        t.drawText();
        const QImage img = screen(s);
        const int cell = cellHeight(t);
        // Character c is printed 0.9 x 20 = 18 pixels after the one before, the blank first.
        for (int c = 1; c <= 30; ++c) {
            const quint32 colour = c <= 24 ? kCycle[(c - 1) % 6] : quint32(expected.next() * 16000000 + 17);
            const QSet<QRgb> seen = inkColours(img, QRect(20 + c * 18, 50, 18, cell));
            QVERIFY2(seen == QSet<QRgb>{rgb(colour)}, qPrintable(QStringLiteral("character %1").arg(c)));
        }
        QCOMPARE(f.Picture1->ForeColor(), quint32(platform::vbWhite));
        QVERIFY(!t.multiColourWaiting());
        QVERIFY(inkBounds(img, kBlack, QRect(0, 50 + cell, 640, 512 - 50 - cell)).isEmpty());
        QCOMPARE(s.canvas().elementX(), 20.f);

        // With an outline on, the painter leaves the colouring to the effect routines.
        f.Check15->setValue(1);
        prepare(s, digits, 20, 50);
        t.drawText();
        QCOMPARE(inkColours(screen(s), QRect(0, 0, 640, 512)), QSet<QRgb>{kWhite});
        f.Check15->setValue(0);

        // Vertical: row k in the k-th colour.
        prepare(s, QStringLiteral("123456"), 100, 20);
        platform::setBackColor(f.Label31, canvas::kPendingColor);
        t.setLastLineStep(30);
        t.drawText();
        const QImage rows = screen(s);
        for (int k = 1; k <= 6; ++k)
            QVERIFY2(inkColours(rows, QRect(100, 20 + (k - 1) * 30, 30, 30)) == QSet<QRgb>{rgb(kCycle[k - 1])},
                     qPrintable(QStringLiteral("row %1").arg(k)));
        QCOMPARE(f.Picture1->ForeColor(), quint32(platform::vbWhite));
        QCOMPARE(s.canvas().elementY(), 20.f);
    }

    void fontAndBackgroundBox()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        prepare(s, QStringLiteral("AB"), 100, 50);
        f.Check6->setValue(1);
        f.Check14->setValue(1);
        t.setTextRotation(300);
        platform::gdi::LogFont font = t.rotatedFont();
        QCOMPARE(font.height, -24);
        QCOMPARE(font.weight, 2400);
        QVERIFY(font.italic && !font.underline);
        QCOMPARE(font.escapement, 300);
        QCOMPARE(font.faceName, kFace);
        f.Check6->setValue(0);
        f.Check14->setValue(0);
        QCOMPARE(t.rotatedFont().weight, 400);

        // BkGnd: the text unturned on a box of the back colour that reaches a blank beyond
        // the text; unticked, the angle comes back and the box goes.
        f.Picture1->setBackColor(0xFF0000);
        prepare(s, QStringLiteral("AB"), 100, 50);
        f.Check16->setValue(1);
        QCOMPARE(t.textRotation(), 0.0);
        QCOMPARE(t.savedTextRotation(), 300.0);
        QImage img = screen(s);
        const QRect box = inkBounds(img, kBlack);
        const QFontMetrics metrics(platform::gdi::qFontFor(t.rotatedFont()));
        QCOMPARE(box, QRect(100, 50, metrics.horizontalAdvance(QStringLiteral(" AB ")), metrics.height()));
        QCOMPARE(inkColours(img, box), (QSet<QRgb>{kBlue, kWhite}));
        f.Check16->setValue(0);
        QCOMPARE(t.textRotation(), 300.0);
        QVERIFY(!inkColours(screen(s), QRect(0, 0, 640, 512)).contains(kBlue));
        t.setTextRotation(0);
    }
};

QTEST_MAIN(TestPainter)
#include "tst_painter.moc"
