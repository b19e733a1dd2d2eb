// The text element's effects on a started window: the outline ring by weight, the shadow's
// copies and colours, and the striped and graduated types with their masked copy.
#include "TextStation.h"

using namespace texttest;

namespace {

// The pixels of the pending text printed plainly.
QImage plainPrint(Station& s)
{
    s.form().Picture1->Cls();
    s.form().text().drawText();
    const QImage img = screen(s);
    s.form().Picture1->Cls();
    return img;
}

void setQuietly(platform::CheckBox* box, int value)
{
    const QSignalBlocker block(box);
    box->setValue(value);
}

QRgb qrgbOf(quint32 vb) { return 0xFF000000u | (vb & 0xFF) << 16 | (vb & 0xFF00) | (vb >> 16 & 0xFF); }

bool contains(const QImage& img, QRgb colour)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == colour)
                return true;
    return false;
}

} // namespace

class TestEffects : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { REQUIRE_FACE(); }

    void outlineRingsTheGlyphs()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        prepare(s, QStringLiteral("Hg"), 100, 100);
        const QImage glyphs = plainPrint(s);
        auto ink = [&](int x, int y) { return glyphs.pixel(x, y) == kWhite; };
        setQuietly(f.Check15, 1);
        f.HScroll4->setValue(2); // the red swatch
        QCOMPARE(platform::backColor(f.Text8), quint32(0x0000FF));

        // Each weight grows the glyphs by its offsets: the four neighbours, the eight, then the
        // ring at distance 2 without its corners. The text keeps its own pixels.
        const std::function<bool(int, int)> reaches[] = {
            [](int dx, int dy) { return std::abs(dx) + std::abs(dy) == 1; },
            [](int dx, int dy) { return std::max(std::abs(dx), std::abs(dy)) == 1; },
            [](int dx, int dy) { return std::abs(dx) + std::abs(dy) > 0 && std::abs(dx) + std::abs(dy) < 4; },
        };
        for (int weight = 0; weight <= 2; ++weight) {
            t.setOutlineWeight(weight);
            f.Picture1->Cls();
            t.Check15_Click();
            const QImage img = screen(s);
            for (int y = 80; y < 150; ++y)
                for (int x = 80; x < 160; ++x) {
                    bool ring = false;
                    for (int dy = -2; dy <= 2; ++dy)
                        for (int dx = -2; dx <= 2; ++dx)
                            ring = ring || (reaches[weight](dx, dy) && ink(x - dx, y - dy));
                    const QRgb expected = ink(x, y) ? kWhite : ring ? kRed : kBlack;
                    if (img.pixel(x, y) != expected)
                        QFAIL(qPrintable(QStringLiteral("weight %1: pixel (%2, %3)").arg(weight).arg(x).arg(y)));
                }
        }

        // A black outline prints in 65793, the indicator showing black; textY is rounded.
        f.HScroll4->setValue(12); // goes round to the first swatch
        QCOMPARE(f.HScroll4->value(), 0);
        QCOMPARE(platform::backColor(f.Text8), quint32(0));
        for (auto [y, rounded] : {std::pair{100.5f, 100.f}, std::pair{101.5f, 102.f}}) {
            s.canvas().setElementY(y);
            f.Picture1->Cls();
            t.Check15_Click();
            QCOMPARE(s.canvas().elementY(), rounded);
            QVERIFY(contains(screen(s), 0xFF010101));
        }

        // Unticked with the mouse: the release draws the text again without its ring.
        QTest::mouseClick(f.Check15, Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(!contains(screen(s), 0xFF010101));
        QVERIFY(contains(screen(s), kWhite));

        // BkGnd: no copies at all.
        setQuietly(f.Check15, 1);
        setQuietly(f.Check16, 1);
        f.Picture1->Cls();
        t.Check15_Click();
        QCOMPARE(screen(s), solid(640, 512, kBlack));
    }

    void shadowCopiesStepTowardsTheText()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        constexpr QRgb kNavy = 0xFF000060;
        f.Option2->setValue(true); // its click moves the text: set before the text's place
        prepare(s, QStringLiteral("H"), 200, 200);
        f.Picture1->setPicture(solid(640, 512, kNavy));
        f.Picture1->setFontSize(60); // one pixel a step
        const QImage glyphs = plainPrint(s);
        const QRect box = inkBounds(glyphs, kNavy);
        setQuietly(f.Check17, 1);
        t.setShadowDepth(9);
        t.setSharedCounter(text::TextTools::kFillColourPicked); // a picked fill colour
        t.setTextBackColour(0x00FF00);

        // ramp, colour rule on; copy 9 (8 px up and left of the stem's corner), copy 2 (1 px)
        const struct {
            int ramp, mode;
            QRgb farthest, nearest;
        } rows[] = {
            {6, 1, 0xFF000000, qRgb(198, 198, 198)},
            {7, 1, 0xFFFFFFFF, qRgb(57, 57, 57)},
            {1, 1, qrgbOf(255 + 64000 * 37), qrgbOf(255 + 64000 * 9)},
            {6, 0, kGreen, kGreen},
        };
        for (const auto& row : rows) {
            f.HScroll5->setValue(row.ramp);
            t.setPresetColour();
            t.setShadowColourMode(row.mode);
            f.Picture1->Cls();
            t.Check17_Click();
            const QImage img = screen(s);
            QCOMPARE(img.pixel(box.topLeft() - QPoint(8, 8)), row.farthest);
            QCOMPARE(img.pixel(box.topLeft() - QPoint(1, 1)), row.nearest);
            // Copies only 0 to 8 pixels up and left; the text on top.
            for (int y = box.top() - 12; y <= box.bottom() + 3; ++y)
                for (int x = box.left() - 12; x <= box.right() + 3; ++x) {
                    bool shadowed = false;
                    for (int k = 0; k <= 8; ++k)
                        shadowed = shadowed || glyphs.pixel(x + k, y + k) == kWhite;
                    const bool ok = glyphs.pixel(x, y) == kWhite ? img.pixel(x, y) == kWhite
                                                                 : (img.pixel(x, y) != kNavy) == shadowed;
                    if (!ok)
                        QFAIL(qPrintable(QStringLiteral("ramp %1: pixel (%2, %3)").arg(row.ramp).arg(x).arg(y)));
                }
            QCOMPARE(QPointF(s.canvas().elementX(), s.canvas().elementY()), QPointF(200, 200));
        }
        QCOMPARE(t.sharedCounter(), text::TextTools::kFillColourPicked);

        // An arrow clicked with the mouse moves the text one unit its way and redraws it.
        QTest::mouseClick(f.Option3, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(QPointF(s.canvas().elementX(), s.canvas().elementY()), QPointF(199, 201));
        QCOMPARE(screen(s).pixel(box.topLeft() + QPoint(-1, 1)), kWhite);
    }

    void stripedTextPatternsTextPixelsOnly()
    {
        Station s;
        auto& f = s.form();
        auto& t = f.text();
        const quint32 text = platform::rgb(100, 50, 20), back = platform::rgb(10, 20, 30);
        f.Picture1->setBackColor(back);
        t.setTextBackColour(qint32(back));
        f.Option2->setValue(true);
        prepare(s, QStringLiteral("HELLO"), 100, 100);
        f.Picture1->setForeColor(text);
        setQuietly(f.Check15, 1);
        setQuietly(f.Check17, 1);
        t.setShadowDepth(9);
        t.redrawText();
        const QImage before = screen(s);

        // Every text pixel takes a text or back colour stripe lifted by 1 to 17; the shadow,
        // the outline and the picture keep theirs.
        s.canvas().colourDraws().seed(7);
        f.Combo3->setText(QStringLiteral("Striped Text"));
        t.Combo3_Click();
        const QImage after = rgb32(f.Picture1->Image());
        auto lifted = [](QRgb p, quint32 base) {
            const int d[3] = {qRed(p) - int(base & 0xFF), qGreen(p) - int(base >> 8 & 0xFF), qBlue(p) - int(base >> 16 & 0xFF)};
            return std::all_of(d, d + 3, [](int v) { return v >= 1 && v <= 17; });
        };
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 640; ++x) {
                const QRgb p = after.pixel(x, y);
                if (before.pixel(x, y) == qrgbOf(text) ? !(lifted(p, text) || lifted(p, back)) : p != before.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
            }

        // A red swatch records a shade off red, yet the red text is patterned.
        t.swatchMouseDown(3, 1, 0);
        QVERIFY(!contains(rgb32(f.Picture1->Image()), kRed));

        // Drawn again elsewhere, from the picture kept before the first: nothing stays behind.
        const QRect first = inkBounds(rgb32(f.Picture1->Image()), kBlack);
        s.canvas().setElementX(300);
        s.canvas().setElementY(350);
        t.redrawText();
        const QImage moved = rgb32(f.Picture1->Image());
        QVERIFY(inkBounds(moved, kBlack, first).isEmpty());
        QVERIFY(!inkBounds(moved, kBlack, QRect(280, 330, 300, 150)).isEmpty());

        // A rotated graduated text: the refusal, and nothing changes.
        f.Combo3->setText(QStringLiteral("Graduated Text"));
        t.setTextRotation(100);
        s.fixture().ui().answerMsgBox(platform::vbOK);
        t.Label36_Click();
        QVERIFY(!s.fixture().ui().messages().isEmpty());
        QCOMPARE(s.fixture().ui().messages().last(),
                 QStringLiteral("Does not work correctly with rotated texts. Will exit without change."));
        QCOMPARE(rgb32(f.Picture1->Image()), moved);
    }

    void gradientFillBands()
    {
        Station s;
        s.form().Picture1->setBackColor(platform::rgb(100, 100, 100)); // the gradient's reference
        platform::PictureBox strip;
        strip.setBoxSize(640, 630); // bands 10 high
        strip.setAutoRedraw(true);
        int r = 300, g = 120, b = 80;
        s.form().text().gradientFill(strip, r, g, b, true);
        const QImage img = rgb32(strip.Image());
        auto band = [&](int k) { return img.pixel(320, (k - 1) * 10 + 5); };
        for (int k = 1; k <= 21; ++k)
            QCOMPARE(band(k), qRgb(255, 120, 80));
        // Then 7 a band towards the reference (above 255 drawn as 255), swinging between two
        // values just above it once within 7; one at or below it climbs to there.
        const QRgb later[] = {qRgb(255, 113, 87), qRgb(255, 106, 94), qRgb(255, 113, 101), qRgb(255, 106, 108),
                              qRgb(255, 113, 101), qRgb(255, 106, 108), qRgb(251, 113, 101)};
        for (int k = 22; k <= 28; ++k)
            QCOMPARE(band(k), later[k - 22]);
    }
};

QTEST_MAIN(TestEffects)
#include "tst_effects.moc"
