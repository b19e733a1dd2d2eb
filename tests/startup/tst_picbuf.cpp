// The picture writer: what Store leaves on disk and in the buffer.
#include <QFile>
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

class TestPicbuf : public QObject {
    Q_OBJECT
private slots:
    void jpegAtTheQualitySet();
    void keepsItsLastState();
    void failedWriteLeavesTheOldFile();
};

// The write sequence of the archive and the auto-save: picture, format 7, quality, file
// name, Store. The file is a JPEG the loader reads back, and the quality set is the one used.
void TestPicbuf::jpegAtTheQualitySet()
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
void TestPicbuf::keepsItsLastState()
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
    QCOMPARE(buffer.filename(), dir.filePath("LastTXImage.bmp"));
    QCOMPARE(buffer.picture(), other);
    QImageReader reader(dir.filePath("LastTXImage.bmp"));
    QCOMPARE(reader.format(), QByteArray("jpeg"));
    QCOMPARE(reader.read().size(), QSize(64, 32));
}

// A write that cannot happen raises an error and never damages the file of that name.
void TestPicbuf::failedWriteLeavesTheOldFile()
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

QTEST_MAIN(TestPicbuf)
#include "tst_picbuf.moc"
