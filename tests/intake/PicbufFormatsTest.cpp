// The picture buffer reads every type by its content, writes each back, refuses bad files.
#include "PictureBytes.h"

#include "platform/services/Picbuf.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using platform::LoadPicture;
using platform::Picbuf;
using platform::PicbufError;
using namespace picturebytes;
using testsupport::fileBytes;
using testsupport::pixels;

namespace {

QImage testPicture(int w = 97, int h = 61)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 7 + y * 3) & 0xFF, (x ^ y) * 4 & 0xFF, (x * y) & 0xFF));
    return image;
}

double psnr(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)})
                sum += double(d) * d;
        }
    const double mse = sum / (3.0 * a.width() * a.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

} // namespace

class PicbufFormatsTest : public QObject {
    Q_OBJECT
private slots:
    // Each save code writes a file of its own kind that reads back pixel for pixel (JPEG
    // within a quality bound); a DIB is a bitmap file, header included.
    void writableTypesRoundTrip()
    {
        QTemporaryDir dir;
        const QImage picture = testPicture();
        Picbuf buffer;
        struct Case { int code; const char *name; QByteArray magic; };
        const Case cases[] = {
            {Picbuf::Tiff, "a.tif", QByteArray("II*\0", 4)}, {Picbuf::Targa, "a.tga", QByteArray("\0\0\x02", 3)},
            {Picbuf::Bmp, "a.bmp", "BM"},                    {Picbuf::Dib, "a.dib", "BM"},
            {Picbuf::Pcx, "a.pcx", "\x0A"},                  {Picbuf::Png, "a.png", "\x89PNG"},
        };
        for (const Case &c : cases) {
            buffer.setPicture(picture);
            buffer.setImageFormat(c.code);
            buffer.setFilename(dir.filePath(c.name));
            buffer.Store();
            QVERIFY2(fileBytes(dir.filePath(c.name)).startsWith(c.magic), c.name);
            const QImage back = LoadPicture(dir.filePath(c.name));
            QCOMPARE(back.size(), picture.size());
            QVERIFY2(back.convertToFormat(QImage::Format_RGB32) == picture, c.name);
        }
        // A smooth picture in JPEG at the default quality.
        QImage smooth(160, 128, QImage::Format_RGB32);
        for (int y = 0; y < smooth.height(); ++y)
            for (int x = 0; x < smooth.width(); ++x)
                smooth.setPixel(x, y, qRgb(x, y * 2, 255 - x));
        buffer.setPicture(smooth);
        buffer.setImageFormat(Picbuf::Jpeg);
        buffer.setWriteCompression(0);
        buffer.setFilename(dir.filePath("a.jpg"));
        buffer.Store();
        const QImage jpeg = LoadPicture(dir.filePath("a.jpg"));
        QCOMPARE(jpeg.size(), smooth.size());
        QVERIFY2(psnr(jpeg, smooth) > 35, qPrintable(QString::number(psnr(jpeg, smooth))));
    }

    // The name plays no part: an RLE bitmap under ".rle", a DIB without its file header, a
    // Targa without footer under a JPEG name.
    void readsByContent()
    {
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath("p.rle"), rle8Bitmap()));
        const QImage rle = LoadPicture(dir.filePath("p.rle"));
        QCOMPARE(rle.size(), QSize(4, 2));
        QCOMPARE(pixels(rle, {{0, 1}, {3, 1}, {2, 0}}), (QList<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}));

        // Both DIB forms, true colour and with a colour table.
        const QImage picture = testPicture(33, 17);
        QImage indexed = picture.convertToFormat(QImage::Format_Indexed8);
        for (const QImage &source : {picture, indexed}) {
            QByteArray bmp;
            QBuffer out(&bmp);
            out.open(QIODevice::WriteOnly);
            QVERIFY(source.save(&out, "BMP"));
            QVERIFY(writeBytes(dir.filePath("with.dib"), bmp));
            QVERIFY(writeBytes(dir.filePath("without.dib"), bmp.mid(14)));
            const QImage expected = source.convertToFormat(QImage::Format_RGB32);
            QCOMPARE(LoadPicture(dir.filePath("with.dib")), expected);
            QCOMPARE(LoadPicture(dir.filePath("without.dib")), expected);
        }

        QVERIFY(writeBytes(dir.filePath("targa.jpg"), footerlessTarga(picture)));
        QCOMPARE(LoadPicture(dir.filePath("targa.jpg")).convertToFormat(QImage::Format_RGB32), picture);
    }

    // Metafiles come out at their own size, drawn on white.
    void metafilesAreDrawn()
    {
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath("m.emf"), minimalEmf()));
        const QImage emf = LoadPicture(dir.filePath("m.emf"));
        QCOMPARE(emf.size(), QSize(100, 50));
        QCOMPARE(pixels(emf, {{50, 25}, {2, 2}, {95, 45}}), (QList<QRgb>{qRgb(255, 0, 0), qRgb(255, 255, 255), qRgb(255, 255, 255)}));

        QVERIFY(writeBytes(dir.filePath("m.wmf"), placeableWmf()));
        const QImage wmf = LoadPicture(dir.filePath("m.wmf"));
        // 100 x 50 units at 96 units per inch, drawn at 72 pixels per inch.
        QCOMPARE(wmf.size(), QSize(75, 38));
        QCOMPARE(wmf.pixel(wmf.width() / 2, wmf.height() / 2), qRgb(255, 0, 0));
    }

    void iconsGiveTheirLargestPicture()
    {
        QTemporaryDir dir;
        const QList<QPair<int, QRgb>> images = {{16, qRgb(255, 0, 0)}, {48, qRgb(0, 0, 255)}, {32, qRgb(0, 255, 0)}};
        for (int type : {1, 2}) {
            const QString path = dir.filePath(type == 1 ? "i.ico" : "c.cur");
            QVERIFY(writeBytes(path, iconFile(type, images)));
            const QImage icon = LoadPicture(path);
            QCOMPARE(icon.size(), QSize(48, 48));
            QCOMPARE(icon.pixel(20, 20) & 0xFFFFFF, qRgb(0, 0, 255) & 0xFFFFFF);
        }
    }

    // Damaged and oversized files raise PicbufError; the buffer keeps its picture and
    // announces no change.
    void untrustedFilesFailAndKeepThePicture()
    {
        QTemporaryDir dir;
        const QImage picture = testPicture();
        Picbuf buffer;
        buffer.setPicture(picture);
        QSignalSpy changed(&buffer, &Picbuf::PictureChanged);

        QList<QPair<QString, QByteArray>> bad;
        // Headers that promise 100000 x 100000 pixels (Targa and PCX sides stop at 65535).
        bad << qMakePair(QStringLiteral("huge.bmp"), [] {
            QByteArray b("BM");
            put32(b, 54);
            put32(b, 0);
            put32(b, 54);
            return b + infoHeader(100000, 100000, 24, 0, 0, 0);
        }());
        QImage big(4, 4, QImage::Format_RGB32);
        big.fill(Qt::red);
        QByteArray png;
        {
            QBuffer out(&png);
            out.open(QIODevice::WriteOnly);
            big.save(&out, "PNG");
        }
        QByteArray hugePng = png;
        qToBigEndian<quint32>(100000, hugePng.data() + 16); // IHDR width and height
        qToBigEndian<quint32>(100000, hugePng.data() + 20);
        bad << qMakePair(QStringLiteral("huge.png"), hugePng);
        QByteArray hugeTarga = footerlessTarga(big);
        qToLittleEndian<quint16>(65535, hugeTarga.data() + 12);
        qToLittleEndian<quint16>(65535, hugeTarga.data() + 14);
        bad << qMakePair(QStringLiteral("huge.tga"), hugeTarga);

        // Files cut short.
        Picbuf writer;
        writer.setPicture(testPicture(200, 100));
        for (auto [code, name] : {std::pair{int(Picbuf::Png), "full.png"}, std::pair{int(Picbuf::Bmp), "full.bmp"},
                                  std::pair{int(Picbuf::Targa), "full.tga"}, std::pair{int(Picbuf::Pcx), "full.pcx"}}) {
            writer.setImageFormat(code);
            writer.setFilename(dir.filePath(name));
            writer.Store();
            const QByteArray whole = fileBytes(dir.filePath(name));
            bad << qMakePair(QStringLiteral("cut-") + name, whole.left(whole.size() / 2));
        }
        bad << qMakePair(QStringLiteral("cut.emf"), minimalEmf().left(100));
        bad << qMakePair(QStringLiteral("text.bmp"), QByteArray("just some text, not a picture"));
        bad << qMakePair(QStringLiteral("empty.png"), QByteArray());

        for (const auto &[name, bytes] : bad) {
            QVERIFY(writeBytes(dir.filePath(name), bytes));
            buffer.setFilename(dir.filePath(name));
            bool refused = false;
            try {
                buffer.load();
            } catch (const PicbufError &) {
                refused = true;
            }
            QVERIFY2(refused, qPrintable(name));
            QVERIFY2(buffer.picture() == picture, qPrintable(name));
        }
        buffer.setFilename(dir.filePath("missing.png"));
        QVERIFY_THROWS_EXCEPTION(PicbufError, buffer.load());
        QCOMPARE(changed.count(), 0);

        buffer.setFilename(dir.filePath("full.png"));
        buffer.load();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(buffer.picture().size(), QSize(200, 100));
    }
};

QTEST_MAIN(PicbufFormatsTest)
#include "PicbufFormatsTest.moc"
