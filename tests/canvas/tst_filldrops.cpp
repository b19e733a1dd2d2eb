// Header boxes and Pattern Fill dropped on the TX screen of a started window with the real
// engine library: where the header goes, what is committed and pushed, which pixels the
// pattern replaces and what the drawing colour is afterwards.

#include "CanvasStation.h"
#include "qso/Qso.h"

using namespace canvastest;

namespace {

constexpr QRgb kNearBlack = 0xFF000000;

// White with a black square, a black stretch of the last row and the bottom-right pixel
// black: three areas of the same colour that do not touch.
QImage blackSpots()
{
    QImage img = solid(640, 512, kWhite);
    testsupport::paint(img, 100, 100, 150, 150, kNearBlack);
    for (int x = 300; x <= 400; ++x)
        img.setPixel(x, 511, kNearBlack);
    img.setPixel(639, 511, kNearBlack);
    img.setPixel(0, 0, kNearBlack);
    return img;
}

} // namespace

class TestFillDrops : public QObject {
    Q_OBJECT
private slots:
    void headerGoesToTheTopOrTheBottom()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        const QImage picture = busy(640, 512);
        const QImage large = solid(640, 64, kRed);
        const QImage small = solid(640, 32, kBlue);
        f.Picture1->setPicture(picture);
        f.Picture5->setPicture(large);
        f.Picture8->setPicture(small);
        f.Check2->setValue(0);

        // Just above row 200 is the top.
        c.setDraggedHeaderBox(5);
        c.Picture1_DragDrop(nullptr, 10, 199.9);
        QImage expected = picture;
        testsupport::paint(expected, 0, 0, 640, 64, kRed);
        QCOMPARE(rgb32(f.Picture1->Picture()), expected);
        QCOMPARE(f.qso().headerNumber().toInt(), 5);
        QCOMPARE(c.draggedHeaderBox(), 0);
        QCOMPARE(rgb32(f.Image13->Picture()), picture);

        // Row 200 is the bottom; a small box covers the last 32 rows only, and the top header
        // stays.
        c.setDraggedHeaderBox(8);
        c.Picture1_DragDrop(nullptr, 10, 200);
        testsupport::paint(expected, 0, 480, 640, 512, kBlue);
        QCOMPARE(rgb32(f.Picture1->Picture()), expected);
        QCOMPARE(f.qso().headerNumber().toInt(), 17);

        // A large box low covers rows 448 to 511; the number names only the last drop.
        f.qso().headerBoxMouseDown(5, 2);
        dropOnTxScreen(s, 320, 400);
        testsupport::paint(expected, 0, 448, 640, 512, kRed);
        QCOMPARE(rgb32(f.Picture1->Picture()), expected);
        QCOMPARE(f.qso().headerNumber().toInt(), 14);
        QCOMPARE(rgb32(f.Image6->Picture()), expected);
        QCOMPARE(s.txBuffer(), expected);
    }

    void headerIsCommittedInEveryMode()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        f.Picture4->setPicture(solid(640, 64, kRed));
        f.Check2->setValue(0);
        platform::OptionButton* const modes[] = {f.Option1, f.Option6, f.Option7, f.Option8};
        for (platform::OptionButton* mode : modes) {
            const QImage picture = solid(640, 512, kGreen);
            f.Picture1->setPicture(picture);
            mode->setValue(true);
            // Something drawn and waiting goes; the header stays.
            f.Picture1->setAutoRedraw(true);
            f.Picture1->Line(300, 300, 340, 340, platform::vbBlue, platform::PictureBox::LineKind::FilledBox);
            f.Picture1->setAutoRedraw(false);
            platform::setBackColor(f.Command47, canvas::kPendingColor);
            c.setDraggedHeaderBox(4);
            c.Picture1_DragDrop(nullptr, 100, 450);
            QImage expected = picture;
            testsupport::paint(expected, 0, 448, 640, 512, kRed);
            QCOMPARE(rgb32(f.Picture1->Picture()), expected);
            QCOMPARE(rgb32(f.Picture1->screenImage()), expected);
            QCOMPARE(rgb32(f.Image6->Picture()), expected);
            QCOMPARE(s.txBuffer(), expected);
            QCOMPARE(f.qso().headerNumber().toInt(), 13);
        }
    }

    void patternReplacesTheColourEverywhere()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        auto& text = f.text();
        const QImage picture = blackSpots();
        f.Picture1->setPicture(picture);
        text.setDrawingColour(QStringLiteral("255"));
        f.Label33->setCaption(QStringLiteral("pick a colour"));
        c.Label32_Click();
        QCOMPARE(platform::backColor(f.Label32), canvas::kPendingColor);

        // The pattern is stretched over the screen: each of its pixels covers 2 x 2.
        const QImage pattern = busy(320, 256);
        dropFromStrip(s, pattern, 120, 120);
        QImage expected = picture;
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 640; ++x)
                if (picture.pixel(x, y) == kNearBlack)
                    expected.setPixel(x, y, pattern.pixel(x / 2, y / 2));
        QCOMPARE(rgb32(f.Picture1->Picture()), expected);
        QCOMPARE(rgb32(f.Image6->Picture()), expected);
        QCOMPARE(rgb32(f.Image14->Picture()), expected);
        QCOMPARE(rgb32(f.Image13->Picture()), picture);
        QCOMPARE(s.txBuffer(), expected);
        QCOMPARE(text.drawingColour(), QStringLiteral("255"));
        QCOMPARE(f.Label33->caption(), QString());
        QCOMPARE(platform::backColor(f.Label32), canvas::kToolOffColor);
        QCOMPARE(text.sharedCounter(), text::TextTools::kCounterClear);

        // The tool is off: a second drop is a whole picture.
        dropFromStrip(s, solid(640, 512, kGreen), 120, 120);
        QCOMPARE(rgb32(f.Picture1->Picture()), solid(640, 512, kGreen));
    }

    void patternFillRoutesAndColours()
    {
        Station s;
        auto [f, c] = s.formAndCanvas();
        auto& text = f.text();
        const QImage picture = blackSpots();
        text.setDrawingColour(QStringLiteral("65280"));

        // A code without a picture (the TX picture itself) fills from what Picture2 held.
        f.Picture1->setPicture(picture);
        f.Picture2->setPicture(solid(640, 512, kGreen));
        c.Label32_Click();
        c.setDragSource(canvas::dragTxPicture);
        c.Picture1_DragDrop(nullptr, 120, 120);
        QImage green = picture;
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 640; ++x)
                if (picture.pixel(x, y) == kNearBlack)
                    green.setPixel(x, y, kGreen);
        QCOMPARE(rgb32(f.Picture1->Picture()), green);

        // The fill colour picked with the tool paints instead of the pattern; while a header
        // is made the rows above 220 keep their colour.
        f.Picture1->setPicture(picture);
        c.Label32_Click();
        text.setSharedCounter(text::TextTools::kFillColourPicked);
        c.setPatternFillColour(platform::vbBlue);
        f.makeheader->setChecked(true);
        c.Picture1_DragDrop(nullptr, 639, 511);
        f.makeheader->setChecked(false);
        QImage blue = picture;
        for (int x = 300; x <= 400; ++x)
            blue.setPixel(x, 511, kBlue);
        blue.setPixel(639, 511, kBlue);
        QCOMPARE(rgb32(f.Picture1->Picture()), blue);
        QCOMPARE(text.drawingColour(), QStringLiteral("65280"));

        // A browser thumbnail with the browser open and "With Crop" on goes to the crop
        // dialog: nothing is filled, the tool stays on, the drawing colour comes back.
        f.Picture1->setPicture(picture);
        c.Label32_Click();
        f.Image10->setPicture(solid(640, 512, kRed));
        platform::setBackColor(f.Command20, canvas::kPendingColor);
        platform::setBackColor(f.Label17, canvas::kPendingColor);
        emit f.Image10->mouseDown(1, 0, 5, 5);
        dropOnTxScreen(s, 120, 120);
        QCOMPARE(rgb32(f.Picture1->Picture()), picture);
        QCOMPARE(platform::backColor(f.Label32), canvas::kPendingColor);
        QCOMPARE(text.drawingColour(), QStringLiteral("65280"));
    }
};

QTEST_MAIN(TestFillDrops)
#include "tst_filldrops.moc"
