// The picture writer: what Store leaves on disk and in the buffer.
#include <QFile>
#include <QSignalSpy>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/services/Picbuf.h"

using platform::Picbuf;
using platform::PicbufError;

namespace {

// A picture with detail, so that the JPEG quality makes a visible difference in size.
QImage testPicture()
{
    QImage image(640, 512, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7 + y * 3) & 0xFF, (x ^ y) & 0xFF, (x * y) & 0xFF));
    return image;
}

// Mean absolute difference per channel between two pictures of the same size.
double meanDifference(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace

namespace {

// Spread of a row's values around an edge: sharpening widens it, softening narrows it.
int edgeOvershoot(const QImage &image, int y)
{
    int lowest = 255, highest = 0;
    for (int x = 0; x < image.width(); ++x) {
        lowest = qMin(lowest, qRed(image.pixel(x, y)));
        highest = qMax(highest, qRed(image.pixel(x, y)));
    }
    return highest - lowest;
}

int edgeWidth(const QImage &image, int y)
{
    int width = 0;
    for (int x = 0; x < image.width(); ++x) {
        const int v = qRed(image.pixel(x, y));
        width += v > 70 && v < 180;
    }
    return width;
}

} // namespace

class TestPicbuf : public QObject {
    Q_OBJECT
private slots:
    // The write sequence of the archive and the auto-save: picture, format 7, quality, file
    // name, Store. The file is a JPEG the loader reads back, and the quality set is the one used.
    void jpegAtTheQualitySet()
    {
        QTemporaryDir dir;
        const QImage picture = testPicture();
        Picbuf buffer;
        const QString low = dir.filePath("low.jpg"), high = dir.filePath("high.jpg");

        for (const auto &[path, quality] : {std::pair{low, 10}, std::pair{high, 95}}) {
            buffer.setPicture(picture);
            buffer.setImageFormat(7);
            buffer.setWriteCompression(quality);
            buffer.setFilename(path);
            buffer.Store();
        }

        QImageReader reader(high);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage back = reader.read();
        QCOMPARE(back.size(), picture.size());
        const double highError = meanDifference(picture, back);
        const double lowError = meanDifference(picture, QImage(low));
        QVERIFY2(highError < lowError, qPrintable(QString("q95 %1, q10 %2").arg(highError).arg(lowError)));
        QVERIFY(QFileInfo(high).size() > QFileInfo(low).size());
    }

    // After a JPEG write, a write that sets only the file name and the picture (the TX screen
    // kept at exit) comes out as JPEG too, at the same quality, whatever its name says.
    // A buffer that no write has set up writes a bitmap.
    void keepsItsLastState()
    {
        QTemporaryDir dir;
        Picbuf buffer;
        QCOMPARE(buffer.ImageFormat(), int(Picbuf::Bmp));
        buffer.setPicture(testPicture());
        buffer.setFilename(dir.filePath("fresh.bmp"));
        buffer.Store();
        QCOMPARE(QImageReader(dir.filePath("fresh.bmp")).format(), QByteArray("bmp"));

        buffer.setImageFormat(7);
        buffer.setWriteCompression(40);
        buffer.setFilename(dir.filePath("a.jpg"));
        buffer.Store();

        QImage other(64, 32, QImage::Format_ARGB32);
        other.fill(qRgba(10, 200, 30, 128));
        buffer.setFilename(dir.filePath("LastTXImage.bmp"));
        buffer.setPicture(other);
        buffer.Store();

        QCOMPARE(buffer.ImageFormat(), 7);
        QCOMPARE(buffer.WriteCompression(), 40);
        QImageReader reader(dir.filePath("LastTXImage.bmp"));
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        QCOMPARE(reader.read().size(), QSize(64, 32));
    }

    // A write that cannot happen raises an error and never damages the file of that name.
    void failedWriteLeavesTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("kept.jpg");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old content");
        }
        Picbuf buffer;
        buffer.setPicture(testPicture());
        buffer.setImageFormat(Picbuf::Fif); // not a format this buffer can write
        buffer.setFilename(path);
        QVERIFY_THROWS_EXCEPTION(PicbufError, buffer.Store());

        buffer.setImageFormat(7);
        buffer.setFilename(dir.filePath("no-such-folder/x.jpg"));
        QVERIFY_THROWS_EXCEPTION(PicbufError, buffer.Store());

        Picbuf empty;
        empty.setImageFormat(7);
        empty.setFilename(path);
        QVERIFY_THROWS_EXCEPTION(PicbufError, empty.Store());

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("old content"));
    }

    // The neutral levels (0.5, 0.5 and gamma 5.0) give the picture back pixel for pixel, and
    // each operation raises PictureChanged once; an empty buffer stays empty and quiet.
    void neutralLevelsKeepThePixels()
    {
        const QImage picture = testPicture();
        Picbuf buffer;
        buffer.setPicture(picture);
        QSignalSpy changed(&buffer, &Picbuf::PictureChanged);
        buffer.brightnessContrast(0.5, 0.5);
        QCOMPARE(buffer.picture(), picture);
        buffer.gamma(5.0);
        QCOMPARE(buffer.picture(), picture);
        QCOMPARE(changed.count(), 2);

        Picbuf empty;
        QSignalSpy quiet(&empty, &Picbuf::PictureChanged);
        empty.sharpen(0);
        empty.grey();
        QVERIFY(empty.picture().isNull());
        QCOMPARE(quiet.count(), 0);
    }

    // Grey is the Rec. 709 luma of each pixel in all three channels, still 24-bit; the
    // negative inverts each channel and keeps an alpha channel.
    void greyAndNegative()
    {
        const QImage picture = testPicture();
        Picbuf buffer;
        buffer.setPicture(picture);
        buffer.grey();
        const QImage grey = buffer.picture();
        QCOMPARE(grey.format(), QImage::Format_RGB32);
        QCOMPARE(grey.size(), picture.size());
        int worst = 0;
        for (int y = 0; y < grey.height(); y += 7)
            for (int x = 0; x < grey.width(); x += 5) {
                const QRgb p = picture.pixel(x, y), g = grey.pixel(x, y);
                QVERIFY(qRed(g) == qGreen(g) && qGreen(g) == qBlue(g));
                const double luma = 0.2126 * qRed(p) + 0.7152 * qGreen(p) + 0.0722 * qBlue(p);
                worst = qMax(worst, int(qAbs(qRed(g) - luma) + 0.5));
            }
        QVERIFY2(worst <= 1, qPrintable(QString::number(worst)));

        QImage see(8, 4, QImage::Format_ARGB32);
        see.fill(qRgba(10, 200, 30, 128));
        buffer.setPicture(see);
        buffer.negative();
        QCOMPARE(buffer.picture().pixel(3, 2), qRgba(245, 55, 225, 128));
    }

    // The levels move the picture the way their names say, over their whole ranges, and the
    // two filters work on an edge in opposite directions.
    void levelsAndFilters()
    {
        QImage grey(64, 8, QImage::Format_RGB32);
        grey.fill(qRgb(128, 128, 128));
        Picbuf buffer;
        const auto after = [&](auto operation) {
            buffer.setPicture(grey);
            operation();
            return qRed(buffer.picture().pixel(10, 4));
        };
        QVERIFY(after([&] { buffer.brightnessContrast(1.0, 0.5); }) > 200);
        QVERIFY(after([&] { buffer.brightnessContrast(0.0, 0.5); }) < 60);
        // Gamma 10 is ImageMagick's 2.0: 128 comes out near 255 * sqrt(0.5); gamma 1 darkens.
        QVERIFY(qAbs(after([&] { buffer.gamma(10.0); }) - 181) <= 1);
        QVERIFY(after([&] { buffer.gamma(1.0); }) < 20);

        // Contrast spreads two greys apart, and none pulls them together.
        QImage pair(64, 8, QImage::Format_RGB32);
        pair.fill(qRgb(100, 100, 100));
        for (int y = 0; y < 8; ++y)
            for (int x = 32; x < 64; ++x)
                pair.setPixel(x, y, qRgb(160, 160, 160));
        buffer.setPicture(pair);
        buffer.brightnessContrast(0.5, 0.9);
        const int spread = qRed(buffer.picture().pixel(40, 4)) - qRed(buffer.picture().pixel(10, 4));
        QVERIFY2(spread > 100, qPrintable(QString::number(spread)));
        buffer.setPicture(pair);
        buffer.brightnessContrast(0.5, 0.1);
        QVERIFY(qRed(buffer.picture().pixel(40, 4)) - qRed(buffer.picture().pixel(10, 4)) < 30);

        // A hard edge from 50 to 200: sharpened it overshoots both sides, softened it widens
        // into a ramp.
        QImage edge(64, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 64; ++x) {
                const int v = x < 32 ? 50 : 200;
                edge.setPixel(x, y, qRgb(v, v, v));
            }
        buffer.setPicture(edge);
        buffer.sharpen(0);
        QVERIFY(edgeOvershoot(buffer.picture(), 4) > edgeOvershoot(edge, 4));
        buffer.setPicture(edge);
        buffer.soften(0);
        QVERIFY(edgeWidth(buffer.picture(), 4) >= 2);
        QVERIFY(edgeOvershoot(buffer.picture(), 4) <= edgeOvershoot(edge, 4));
    }

    // The preparation before a series of loads empties the buffer: a series in which no file
    // loads leaves it empty, not holding the picture from before; a file that loads is held.
    void preparedBufferHoldsOnlyWhatLoads()
    {
        QTemporaryDir dir;
        Picbuf buffer;
        buffer.setPicture(testPicture());
        QSignalSpy changed(&buffer, &Picbuf::PictureChanged);
        buffer.Clear();
        buffer.setFlag(true);
        buffer.setDepth(24);
        QCOMPARE(changed.size(), 1);
        buffer.setFilename(dir.filePath("missing.bmp"));
        QVERIFY_THROWS_EXCEPTION(PicbufError, buffer.load());
        QVERIFY(buffer.picture().isNull());

        const QString path = dir.filePath("small.png");
        QImage small(8, 4, QImage::Format_RGB32);
        small.fill(qRgb(1, 2, 3));
        QVERIFY(small.save(path));
        buffer.Clear();
        buffer.setFilename(path);
        buffer.load();
        QCOMPARE(buffer.picture().convertToFormat(QImage::Format_RGB32), small);
    }
};

QTEST_MAIN(TestPicbuf)
#include "tst_picbuf.moc"
