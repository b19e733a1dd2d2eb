// Picture files dropped from the desktop onto the TX screen of a started window with the
// real engine library, as real drop events carrying file URLs: the whole-picture fits, the
// pending element, the "4 pics in 1" quarter, and what reaches the engine's TX buffer.
// With TOVARO_SHOT_DIR set the TX screens of the fits are saved there.
#include <QDir>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "CanvasStation.h"
#include "qso/Qso.h"

using namespace canvastest;

namespace {

constexpr QRgb kMagenta = 0xFFFF00FF;

// Red, green, blue and yellow quarters (top-left, top-right, bottom-left, bottom-right);
// the first and last `band` rows magenta.
QImage quadrants(int w, int h, int band = 0)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, y < band || y >= h - band ? kMagenta
                                : y < h / 2           ? (x < w / 2 ? kRed : kGreen)
                                                      : (x < w / 2 ? kBlue : kYellow));
    return img;
}

// The window, a folder of picture files, and a drop of some of them on the TX screen.
class DesktopStation : public Station {
public:
    QString file(const QString& name, const QImage& picture)
    {
        const QString path = dir_.filePath(name);
        QFile out(path);
        // A null picture makes an empty file, which is no picture.
        if (!(picture.isNull() ? out.open(QIODevice::WriteOnly) : picture.save(path)))
            QTest::qFail("the test file is not written", __FILE__, __LINE__);
        return path;
    }
    void drop(const QStringList& paths, int x, int y)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        mime.setUrls(urls);
        // The platform hands the drop only to the control that took the drag's entry.
        QDragEnterEvent enter(QPoint(x, y), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form().Picture1, &enter);
        QDropEvent drop(QPointF(x, y), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form().Picture1, &drop);
    }

private:
    QTemporaryDir dir_;
};

} // namespace

using Checks = QList<QPair<QPoint, QRgb>>;

class TestDesktopDrops : public QObject {
    Q_OBJECT
private slots:
    void wholePictureIsFittedAndSent_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("band");
        QTest::addColumn<int>("label");
        QTest::addColumn<Checks>("checks");
        const QRgb back = 0; // stands for the TX screen's back colour
        // Near 4:3 in "Correct": stretched 640 x 512 from row 32, its last rows cut; above it
        // the emptied picture's back colour.
        QTest::newRow("correct 4x3") << QSize(320, 240) << 0 << 70
                                     << Checks{{{100, 31}, back}, {{100, 32}, kRed}, {{500, 32}, kGreen},
                                               {{100, 286}, kRed}, {{100, 290}, kBlue}, {{600, 511}, kYellow}};
        QTest::newRow("correct wide") << QSize(640, 400) << 0 << 70
                                      << Checks{{{100, 55}, kBlack}, {{100, 56}, kRed}, {{600, 455}, kYellow},
                                                {{600, 456}, kBlack}, {{100, 254}, kRed}, {{100, 257}, kBlue}};
        // Tall in "Spread  Fill": 640 x 800 from row -144: exactly the magenta bands are cut.
        QTest::newRow("spread tall") << QSize(400, 500) << 90 << 71
                                     << Checks{{{100, 0}, kRed}, {{600, 0}, kGreen}, {{100, 511}, kBlue},
                                               {{600, 511}, kYellow}, {{319, 254}, kRed}, {{320, 258}, kYellow}};
        QTest::newRow("no fit chosen") << QSize(320, 240) << 0 << 0
                                       << Checks{{{0, 0}, kBlack}, {{320, 256}, kBlack}, {{639, 511}, kBlack}};
    }

    void wholePictureIsFittedAndSent()
    {
        QFETCH(QSize, size);
        QFETCH(int, band);
        QFETCH(int, label);
        QFETCH(Checks, checks);
        DesktopStation s;
        auto& f = s.form();
        const QImage before = busy(640, 512);
        f.Picture1->setBackColor(0x400080);
        f.Picture1->setPicture(before);
        f.Option1->setValue(true);
        for (int n : {70, 71, 72})
            platform::setBackColor(f.fitLabel(n), n == label ? 65280u : 49344u);

        // Only the first of several files is taken.
        s.drop({s.file(QStringLiteral("first.png"), quadrants(size.width(), size.height(), band)),
                s.file(QStringLiteral("second.png"), solid(640, 512, kWhite))},
               320, 256);
        const QImage shown = rgb32(f.Picture1->Picture());
        const QRgb back = platform::gdi::toRgb(f.Picture1->BackColor()) | 0xFF000000u;
        for (const auto& [at, colour] : checks)
            QVERIFY2(shown.pixel(at) == (colour == 0 ? back : colour),
                     qPrintable(QStringLiteral("pixel %1, %2").arg(at.x()).arg(at.y())));
        QCOMPARE(rgb32(f.Image6->Picture()), shown);
        QCOMPARE(rgb32(f.Image13->Picture()), before);
        QCOMPARE(s.txBuffer(), shown);
        if (const QString dir = qEnvironmentVariable("TOVARO_SHOT_DIR"); !dir.isEmpty())
            shown.save(QDir(dir).filePath(QStringLiteral("desktop-drop-%1.png").arg(QTest::currentDataTag()).replace(u' ', u'-')));
    }

    // Pic in Pic at (320, 256): 240 wide with its corner at (200, 160), on the persistent layer
    // only, until SET commits it. A header shown meanwhile leaves the element's picture in
    // Image6 and keeps the preview out of the buffer. Overlays while a small header is made:
    // 20 wide.
    void elementOrQuarter()
    {
        DesktopStation s;
        auto [f, c] = s.formAndCanvas();
        const QImage under = solid(640, 512, kWhite);
        const QImage element = quadrants(320, 256);
        const QString path = s.file(QStringLiteral("element.png"), element);
        f.Picture5->setPicture(solid(640, 64, kBlack));
        f.qso().setHeaderNumber(5);
        for (int header : {0, 1}) {
            f.Picture1->setPicture(under);
            f.Option7->setValue(true);
            f.Check2->setValue(header);
            const QImage base = rgb32(f.Picture1->Picture());
            s.drop({path}, 320, 256);
            QCOMPARE(c.overlayWidth(), 240.0);
            QCOMPARE(QPointF(c.elementX(), c.elementY()), QPointF(200, 160));
            QCOMPARE(platform::backColor(f.Command47), canvas::kPendingColor);
            QCOMPARE(rgb32(f.Image6->Picture()), element);
            QCOMPARE(rgb32(f.Picture1->Picture()), base);
            QCOMPARE(s.txBuffer(), base);
            const QImage preview = rgb32(f.Picture1->Image());
            QCOMPARE(preview.pixel(205, 165), kRed);
            QCOMPARE(preview.pixel(435, 347), kYellow);
            c.Command47_Click();
            QCOMPARE(rgb32(f.Picture1->Picture()).pixel(205, 165), kRed);
        }

        f.Option6->setValue(true);
        f.makeheader16->setChecked(true);
        s.drop({path}, 320, 256);
        f.makeheader16->setChecked(false);
        QCOMPARE(c.overlayWidth(), 20.0);
        QCOMPARE(QPointF(c.elementX(), c.elementY()), QPointF(310, 248));

        // "4 pics in 1" at (400, 100), the header still shown: a 160 x 128 preview at (320, 0),
        // committed and sent; Image6 holds the dropped picture again, so SET paints the quarter
        // from it. A file that cannot be read changes nothing, the take-back copy neither.
        const QImage quarter = solid(320, 256, kRed);
        f.Picture1->setPicture(under);
        f.Option7->setValue(true);
        f.Check19->setValue(1);
        s.drop({s.file(QStringLiteral("quarter.png"), quarter)}, 400, 100);
        QCOMPARE(QPointF(c.elementX(), c.elementY()), QPointF(320, 0));
        const QImage shown = rgb32(f.Picture1->Picture());
        QCOMPARE(shown.pixel(479, 127), kRed);
        QCOMPARE(shown.pixel(481, 127), kWhite);
        QCOMPARE(shown.pixel(479, 129), kWhite);
        QCOMPARE(shown.pixel(320, 10), kBlack); // the header over it
        QCOMPARE(s.txBuffer(), shown);
        QCOMPARE(rgb32(f.Image6->Picture()), quarter);
        c.Command47_Click();
        QCOMPARE(rgb32(f.Picture1->Picture()).pixel(600, 250), kRed);

        const auto held = [&] {
            return QList<QImage>{f.Picture1->Picture(), f.Image6->Picture(), f.Image13->Picture(), s.txBuffer()};
        };
        const QList<QImage> before = held();
        s.drop({s.file(QStringLiteral("broken.png"), QImage())}, 100, 100);
        QCOMPARE(held(), before);
    }
};

QTEST_MAIN(TestDesktopDrops)
#include "tst_desktopdrops.moc"
