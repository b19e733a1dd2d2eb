// The text element's effects on a started window: the outline ring by weight, the shadow's
// copies and colours, and the striped and graduated types with their masked copy.
#include "TextStation.h"

#include "platform/services/ScriptedUi.h"
#include "platform/widgets/ImageBox.h"

using namespace texttest;

namespace {

constexpr QRgb kNavy = 0xFF000060;

QSet<quint64> inkOf(const QImage& img, QRgb ink)
{
    QSet<quint64> set;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == ink)
                set.insert(quint64(x) << 32 | quint32(y));
    return set;
}
bool has(const QSet<quint64>& set, int x, int y)
{
    return x >= 0 && y >= 0 && set.contains(quint64(x) << 32 | quint32(y));
}

// The glyphs of the pending text printed plainly, as a set of pixels.
QSet<quint64> plainGlyphs(Station& s)
{
    s.form().Picture1->Cls();
    s.form().text().drawText();
    const QSet<quint64> glyphs = inkOf(screen(s), kWhite);
    s.form().Picture1->Cls();
    return glyphs;
}

void setQuietly(platform::CheckBox* box, int value)
{
    const QSignalBlocker block(box);
    box->setValue(value);
}

QRgb qrgbOf(quint32 vb) { return 0xFF000000u | (vb & 0xFF) << 16 | (vb & 0xFF00) | (vb >> 16 & 0xFF); }

} // namespace

class TestEffects : public QObject {
    Q_OBJECT
private slots:
    void outlineRingsTheGlyphs();
    void shadowCopiesStepTowardsTheText();
    void stripedTextPatternsTextPixelsOnly();
    void gradientFillBands();
};

void TestEffects::outlineRingsTheGlyphs()
{
    REQUIRE_FACE();
    Station s;
    QVERIFY(s.running);
    auto& f = s.form();
    auto& t = f.text();
    prepare(s, QStringLiteral("Hg"), 100, 100);
    const QSet<quint64> glyphs = plainGlyphs(s);
    QVERIFY(!glyphs.isEmpty());
    setQuietly(f.Check15, 1);
    f.HScroll4->setValue(2); // the red swatch
    QCOMPARE(platform::backColor(f.Text8), quint32(0x0000FF));

    // Each weight grows the glyphs by exactly its offsets; the text keeps its own pixels.
    const QList<QList<QPoint>> rings = {
        {{1, 0}, {-1, 0}, {0, 1}, {0, -1}},
        {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}},
        {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {1, -1}, {-1, 1}, {-1, -1}, {2, 0}, {-2, 0}, {0, 2}, {0, -2},
         {2, 1}, {2, -1}, {-2, 1}, {-2, -1}, {1, 2}, {1, -2}, {-1, 2}, {-1, -2}},
    };
    for (int weight = 0; weight <= 2; ++weight) {
        t.outlineWeight = weight;
        f.Picture1->Cls();
        t.Check15_Click();
        const QImage img = screen(s);
        for (int y = 60; y < 170; ++y)
            for (int x = 60; x < 200; ++x) {
                QRgb expected = kBlack;
                if (has(glyphs, x, y))
                    expected = kWhite;
                else
                    for (QPoint d : rings[weight])
                        if (has(glyphs, x - d.x(), y - d.y()))
                            expected = kRed;
                if (img.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("weight %1: pixel (%2, %3)").arg(weight).arg(x).arg(y)));
            }
    }

    // A black outline prints in 65793, the indicator showing black; textY is rounded.
    f.HScroll4->setValue(0);
    QCOMPARE(platform::backColor(f.Text8), quint32(0));
    for (auto [y, rounded] : {std::pair{100.5f, 100.f}, std::pair{101.5f, 102.f}}) {
        s.canvas().textY = y;
        f.Picture1->Cls();
        t.Check15_Click();
        QCOMPARE(s.canvas().textY, rounded);
        QVERIFY(!inkOf(screen(s), 0xFF010101).isEmpty());
    }
    // Twelve goes round to the first swatch.
    f.HScroll4->setValue(12);
    QCOMPARE(f.HScroll4->value(), 0);

    // Unticked with the mouse: the release draws the text again without its ring.
    f.HScroll4->setValue(2);
    QVERIFY(!inkOf(screen(s), kRed).isEmpty());
    QTest::mouseClick(f.Check15, Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(f.Check15->value(), 0);
    QVERIFY(inkOf(screen(s), kRed).isEmpty());
    QVERIFY(!inkOf(screen(s), kWhite).isEmpty());
    setQuietly(f.Check15, 1);

    // BkGnd: no copies at all.
    setQuietly(f.Check16, 1);
    f.Picture1->Cls();
    t.Check15_Click();
    QCOMPARE(screen(s), filled(640, 512, kBlack));
}

void TestEffects::shadowCopiesStepTowardsTheText()
{
    REQUIRE_FACE();
    Station s;
    QVERIFY(s.running);
    auto& f = s.form();
    auto& t = f.text();
    f.Option2->setValue(true); // its click moves the text: set before the text's place
    prepare(s, QStringLiteral("H"), 200, 200);
    f.Picture1->setPicture(filled(640, 512, kNavy));
    f.Picture1->setFontSize(60); // one pixel a step
    const QSet<quint64> glyphs = inkOf([&] {
        f.Picture1->Cls();
        t.drawText();
        return screen(s);
    }(), kWhite);
    QRect box;
    for (quint64 p : glyphs)
        box = box.united(QRect(int(p >> 32), int(p & 0xFFFFFFFF), 1, 1));
    setQuietly(f.Check17, 1);
    t.shadowDepth = 9;
    t.sharedCounter = 201; // a picked fill colour
    t.textBackColour = 0x00FF00;

    struct Row {
        int ramp;
        int mode;
        QRgb farthest; // copy 9, 8 pixels up and left
        QRgb nearest;  // copy 2, 1 pixel up and left
    } rows[] = {
        {6, 1, 0xFF000000, qRgb(198, 198, 198)},
        {7, 1, 0xFFFFFFFF, qRgb(57, 57, 57)},
        {1, 1, qrgbOf(255 + 64000 * 37), qrgbOf(255 + 64000 * 9)},
        {6, 0, kGreen, kGreen},
    };
    for (const Row& row : rows) {
        f.HScroll5->setValue(row.ramp);
        t.setPresetColour();
        t.shadowColourMode = row.mode;
        f.Picture1->Cls();
        t.Check17_Click();
        const QImage img = screen(s);
        const QPoint corner = box.topLeft(); // the stem's top left: copies k px off show alone
        QCOMPARE(img.pixel(corner - QPoint(8, 8)), row.farthest);
        QCOMPARE(img.pixel(corner - QPoint(1, 1)), row.nearest);
        QCOMPARE(img.pixel(corner - QPoint(9, 9)), kNavy);
        // Copies only at 0 to 8 pixels up and left; the text on top.
        for (int y = box.top() - 12; y <= box.bottom() + 3; ++y)
            for (int x = box.left() - 12; x <= box.right() + 3; ++x) {
                bool shadowed = false;
                for (int k = 0; k <= 8; ++k)
                    shadowed = shadowed || has(glyphs, x + k, y + k);
                if (has(glyphs, x, y))
                    QCOMPARE(img.pixel(x, y), kWhite);
                else if ((img.pixel(x, y) != kNavy) != shadowed)
                    QFAIL(qPrintable(QStringLiteral("ramp %1: pixel (%2, %3)").arg(row.ramp).arg(x).arg(y)));
            }
        QCOMPARE(s.canvas().textX, 200.f);
        QCOMPARE(s.canvas().textY, 200.f);
    }
    QCOMPARE(t.sharedCounter, 201);

    // An arrow clicked with the mouse moves the text one unit its way and redraws it.
    QTest::mouseClick(f.Option3, Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(f.Option3->value());
    QCOMPARE(s.canvas().textX, 199.f);
    QCOMPARE(s.canvas().textY, 201.f);
    QCOMPARE(screen(s).pixel(box.topLeft() + QPoint(-1, 1)), kWhite);
}

void TestEffects::stripedTextPatternsTextPixelsOnly()
{
    REQUIRE_FACE();
    Station s;
    QVERIFY(s.running);
    auto& f = s.form();
    auto& t = f.text();
    const quint32 text = platform::rgb(100, 50, 20), back = platform::rgb(10, 20, 30);
    f.Picture1->setBackColor(back);
    t.textBackColour = qint32(back);
    prepare(s, QStringLiteral("HELLO"), 100, 100);
    f.Picture1->setForeColor(text);
    f.Image6->setPicture(f.Picture1->Image());
    setQuietly(f.Check15, 1);
    setQuietly(f.Check17, 1);
    t.shadowDepth = 9;
    f.Option2->setValue(true);
    s.canvas().textX = 100;
    s.canvas().textY = 100;
    t.redrawText();
    const QImage before = screen(s);

    s.canvas().random.seed(7);
    f.Combo3->setText(QStringLiteral("Striped Text"));
    t.Combo3_Click();
    QCOMPARE(t.styledTextPending, 1);
    const QImage after = rgb32(f.Picture1->Image());
    auto lifted = [](QRgb p, quint32 base) {
        const int d[3] = {qRed(p) - int(base & 0xFF), qGreen(p) - int(base >> 8 & 0xFF), qBlue(p) - int(base >> 16 & 0xFF)};
        return std::all_of(d, d + 3, [](int v) { return v >= 1 && v <= 17; });
    };
    int patterned = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 640; ++x) {
            if (before.pixel(x, y) == qrgbOf(text)) {
                QVERIFY(lifted(after.pixel(x, y), text) || lifted(after.pixel(x, y), back));
                ++patterned;
            } else if (after.pixel(x, y) != before.pixel(x, y)) {
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) changed").arg(x).arg(y)));
            }
        }
    QVERIFY(patterned > 100);

    // A red swatch press: its recorded colour is a shade off red, yet the red text is patterned.
    t.swatchMouseDown(4, 1, 0);
    QVERIFY(t.fontRecord[7] != QString::number(0x0000FF));
    QVERIFY(inkOf(rgb32(f.Picture1->Image()), kRed).isEmpty());

    // Drawn again elsewhere, from the picture kept before the first: nothing stays behind.
    const QRect first = inkBounds(rgb32(f.Picture1->Image()), kBlack);
    s.canvas().textX = 300;
    s.canvas().textY = 350;
    t.redrawText();
    const QImage moved = rgb32(f.Picture1->Image());
    QVERIFY(!first.isEmpty());
    QVERIFY(inkBounds(moved, kBlack, first).isEmpty());
    QVERIFY(!inkBounds(moved, kBlack, QRect(280, 330, 300, 150)).isEmpty());

    // A rotated graduated text: the refusal, and nothing changes.
    f.Combo3->setText(QStringLiteral("Graduated Text"));
    t.textAngle = 100;
    s.fixture().ui().answerMsgBox(platform::vbOK);
    t.Label36_Click();
    QCOMPARE(s.fixture().ui().calls().back().text,
             QStringLiteral("Does not work correctly with rotated texts. Will exit without change."));
    QCOMPARE(rgb32(f.Picture1->Image()), moved);
}

void TestEffects::gradientFillBands()
{
    Station s;
    QVERIFY(s.running);
    auto& f = s.form();
    f.Picture1->setBackColor(platform::rgb(100, 100, 100)); // the gradient's reference
    platform::PictureBox strip;
    strip.setBoxSize(640, 630); // bands 10 high
    strip.setAutoRedraw(true);
    int r = 300, g = 120, b = 80;
    f.text().gradientFill(strip, r, g, b, true);
    const QImage img = rgb32(strip.Image());
    auto band = [&](int k) { return img.pixel(320, (k - 1) * 10 + 5); };
    for (int k = 1; k <= 21; ++k)
        QCOMPARE(band(k), qRgb(255, 120, 80));
    // Then 7 a band towards the reference (above 255 still drawn as 255), swinging
    // between two values just above it once within 7; one at or below it climbs to there.
    QCOMPARE(band(22), qRgb(255, 113, 87));
    QCOMPARE(band(23), qRgb(255, 106, 94));
    QCOMPARE(band(24), qRgb(255, 113, 101));
    QCOMPARE(band(25), qRgb(255, 106, 108));
    QCOMPARE(band(26), qRgb(255, 113, 101));
    QCOMPARE(band(28), qRgb(251, 113, 101));
}

QTEST_MAIN(TestEffects)
#include "tst_effects.moc"
