#include "platform/services/PictureCodec.h"

#include "platform/services/Picbuf.h"
#include "platform/runtime/TextFile.h"

#include <Magick++.h>
#include <emf2svg.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QLibrary>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

// The file sizes read whole into memory: a picture file beyond this is refused unread.
constexpr qint64 kMaxFileBytes = qint64(kMaxPictureMegabytes) * 2 * 1024 * 1024;

[[noreturn]] void fail(const QString &reason) { throw PicbufError(reason.toStdString()); }

quint16 le16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }
quint32 le32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
qint32 le32s(const QByteArray &b, int at) { return qFromLittleEndian<qint32>(b.constData() + at); }

// One picture in a format the rest of the program draws directly.
QImage normalised(const QImage &image)
{
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QImage onWhite(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage paper(image.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    QPainter p(&paper);
    p.drawImage(0, 0, image);
    return paper;
}

} // namespace

namespace codec {

bool sizeAllowed(qint64 width, qint64 height)
{
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide
           && width * height * 4 <= qint64(kMaxPictureMegabytes) * 1024 * 1024;
}

Kind sniff(const QByteArray &b)
{
    const qsizetype n = b.size();
    auto starts = [&](const char *magic, int length) { return n >= length && std::memcmp(b.constData(), magic, length) == 0; };
    const auto *u = reinterpret_cast<const unsigned char *>(b.constData());

    if (starts("BM", 2) && n >= 26)
        return Kind::Bmp;
    if (starts("\xFF\xD8\xFF", 3))
        return Kind::Jpeg;
    if (starts("GIF87a", 6) || starts("GIF89a", 6))
        return Kind::Gif;
    if (starts("\x89PNG\r\n\x1A\n", 8))
        return Kind::Png;
    if (starts("II*\0", 4) || starts("MM\0*", 4))
        return Kind::Tiff;
    if (n >= 6 && le16(b, 0) == 0 && (le16(b, 2) == 1 || le16(b, 2) == 2) && le16(b, 4) > 0)
        return le16(b, 2) == 1 ? Kind::Ico : Kind::Cur;
    if (starts("\xD7\xCD\xC6\x9A", 4))
        return Kind::Wmf;
    if (n >= 44 && le32(b, 0) == 1 && std::memcmp(b.constData() + 40, " EMF", 4) == 0)
        return Kind::Emf;
    // A DIB without its file header starts with the size of its info header.
    if (n >= 16) {
        const quint32 header = le32(b, 0);
        if (header == 12 && le16(b, 8) == 1)
            return Kind::HeaderlessDib;
        if ((header == 40 || header == 52 || header == 56 || header == 64 || header == 108 || header == 124)
            && n >= qsizetype(header) && le16(b, 12) == 1)
            return Kind::HeaderlessDib;
    }
    // A WMF without the placeable header: its own 18-byte header.
    if (n >= 18 && (le16(b, 0) == 1 || le16(b, 0) == 2) && le16(b, 2) == 9
        && (le16(b, 4) == 0x0100 || le16(b, 4) == 0x0300))
        return Kind::Wmf;
    if (n >= 128 && u[0] == 0x0A && u[1] <= 5 && u[1] != 1 && u[2] == 1
        && (u[3] == 1 || u[3] == 2 || u[3] == 4 || u[3] == 8))
        return Kind::Pcx;
    // Targa has no signature; its 18-byte header must make sense throughout.
    if (n >= 18) {
        const int colourMapType = u[1], imageType = u[2], depth = u[16];
        const bool typeKnown = imageType == 1 || imageType == 2 || imageType == 3 || imageType == 9
                               || imageType == 10 || imageType == 11;
        const bool mapped = imageType == 1 || imageType == 9;
        const bool mapSane = colourMapType == 0
                                 ? !mapped
                                 : colourMapType == 1 && (u[7] == 15 || u[7] == 16 || u[7] == 24 || u[7] == 32);
        const bool depthSane = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
        if (typeKnown && mapSane && depthSane && le16(b, 12) > 0 && le16(b, 14) > 0)
            return Kind::Targa;
    }
    return Kind::Unknown;
}

QByteArray withBitmapFileHeader(const QByteArray &dib)
{
    const quint32 header = le32(dib, 0);
    qint64 paletteBytes = 0;
    if (header == 12) {
        const int bits = le16(dib, 10);
        if (bits <= 8)
            paletteBytes = 3 * (qint64(1) << bits);
    } else {
        const int bits = le16(dib, 14);
        const quint32 compression = le32(dib, 16);
        quint32 colours = le32(dib, 32);
        if (colours == 0 && bits <= 8)
            colours = 1u << bits;
        if (colours > 65536)
            fail(QStringLiteral("The bitmap's colour table is damaged."));
        paletteBytes = 4 * qint64(colours);
        // The colour masks follow a 40-byte header; the larger headers hold them.
        if (header == 40 && compression == 3)
            paletteBytes += 12;
        else if (header == 40 && compression == 6)
            paletteBytes += 16;
    }
    const qint64 offset = 14 + qint64(header) + paletteBytes;
    if (offset > 14 + dib.size())
        fail(QStringLiteral("The bitmap is cut short."));
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + dib.size()), file.data() + 2);
    qToLittleEndian<quint32>(quint32(offset), file.data() + 10);
    return file + dib;
}

namespace {

// Qt's bitmap reader keeps the rows it got from a file cut short; refuse such a file.
void checkBitmapComplete(const QByteArray &file)
{
    if (file.size() < 30)
        fail(QStringLiteral("The bitmap is cut short."));
    const quint32 offset = le32(file, 10), header = le32(file, 14);
    qint64 width = 0, height = 0;
    int bits = 0;
    quint32 compression = 0;
    if (header == 12) {
        width = le16(file, 18);
        height = le16(file, 20);
        bits = le16(file, 24);
    } else if (file.size() >= 54) {
        width = le32s(file, 18);
        height = qAbs(qint64(le32s(file, 22)));
        bits = le16(file, 28);
        compression = le32(file, 30);
    } else {
        fail(QStringLiteral("The bitmap is cut short."));
    }
    if (!sizeAllowed(width, height))
        fail(QStringLiteral("The picture is too large (%1 x %2).").arg(width).arg(height));
    // Run-length and embedded JPEG or PNG data have no fixed size.
    if (compression != 0 && compression != 3 && compression != 6)
        return;
    const qint64 rowBytes = ((width * bits + 31) / 32) * 4;
    if (qint64(offset) + rowBytes * height > file.size())
        fail(QStringLiteral("The bitmap is cut short."));
}

} // namespace

QImage decodeWithQt(const QByteArray &bytes, const char *format, bool largestImage)
{
    if (qstrcmp(format, "bmp") == 0)
        checkBitmapComplete(bytes);
    static std::once_flag limit;
    std::call_once(limit, [] { QImageReader::setAllocationLimit(kMaxPictureMegabytes); });

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    if (!reader.canRead())
        fail(QStringLiteral("The picture data is damaged."));
    if (largestImage) {
        // An icon file holds several pictures: take the largest.
        int best = 0;
        qint64 bestArea = -1;
        for (int i = 0; i < reader.imageCount(); ++i) {
            if (!reader.jumpToImage(i))
                break;
            const QSize s = reader.size();
            if (qint64(s.width()) * s.height() > bestArea) {
                bestArea = qint64(s.width()) * s.height();
                best = i;
            }
        }
        reader.jumpToImage(best);
    }
    const QSize size = reader.size();
    if (size.isValid() && !sizeAllowed(size.width(), size.height()))
        fail(QStringLiteral("The picture is too large (%1 x %2).").arg(size.width()).arg(size.height()));
    QImage image;
    if (!reader.read(&image) || image.isNull())
        fail(QStringLiteral("The picture data is damaged (%1).").arg(reader.errorString()));
    return normalised(image);
}

namespace {

void initMagick()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        // The coders must refuse what would overrun the program's own limits, and never
        // spill pixels to disk.
        Magick::ResourceLimits::width(kMaxPictureSide);
        Magick::ResourceLimits::height(kMaxPictureSide);
        Magick::ResourceLimits::area(MagickCore::MagickSizeType(kMaxPictureMegabytes) * 1024 * 1024 / 4);
        Magick::ResourceLimits::memory(MagickCore::MagickSizeType(kMaxPictureMegabytes) * 1024 * 1024 * 2);
        Magick::ResourceLimits::map(MagickCore::MagickSizeType(kMaxPictureMegabytes) * 1024 * 1024 * 2);
        Magick::ResourceLimits::disk(0);
    });
}

QString magickReason(const std::exception &e)
{
    // ImageMagick's messages name the coder and the detail ("ImproperImageHeader ...").
    QString what = QString::fromLocal8Bit(e.what());
    const qsizetype colon = what.indexOf(QLatin1String(": "));
    if (colon >= 0)
        what = what.mid(colon + 2);
    return what.left(200);
}

} // namespace

QImage decodeWithMagick(const QByteArray &bytes, const char *coder)
{
    initMagick();
    try {
        // The bytes go in as a blob with the coder named, so ImageMagick neither looks at a
        // file name nor guesses the format.
        const Magick::Blob blob(bytes.constData(), size_t(bytes.size()));
        Magick::Image header;
        header.quiet(true);
        header.magick(coder);
        header.ping(blob);
        if (!sizeAllowed(qint64(header.columns()), qint64(header.rows())))
            fail(QStringLiteral("The picture is too large (%1 x %2).").arg(header.columns()).arg(header.rows()));

        Magick::Image image;
        image.quiet(true);
        image.magick(coder);
        image.read(blob);
        // Targa rows may run from the bottom up; the coder only notes that.
        image.autoOrient();
        const int w = int(image.columns()), h = int(image.rows());
        if (!sizeAllowed(w, h))
            fail(QStringLiteral("The picture data is damaged."));
        QImage out(w, h, QImage::Format_ARGB32);
        if (out.isNull())
            fail(QStringLiteral("Not enough memory for the picture."));
        // Little-endian ARGB32 lies in memory as B, G, R, A.
        image.write(0, 0, size_t(w), size_t(h), "BGRA", Magick::CharPixel, out.bits());
        if (!image.matte())
            return out.convertToFormat(QImage::Format_RGB32);
        return out;
    } catch (const Magick::Exception &e) {
        fail(QStringLiteral("The picture data is damaged: %1").arg(magickReason(e)));
    } catch (const std::bad_alloc &) {
        fail(QStringLiteral("Not enough memory for the picture."));
    }
}

QByteArray encodeWithMagick(const QImage &picture, const char *coder)
{
    initMagick();
    try {
        const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
        // "P" skips the fourth byte: the file gets 24-bit colour without alpha.
        Magick::Image image(size_t(rgb.width()), size_t(rgb.height()), "BGRP", Magick::CharPixel, rgb.constBits());
        image.quiet(true);
        image.matte(false);
        image.type(Magick::TrueColorType);
        // Rows are handed over from the top: say so, or a Targa is written upside down.
        image.orientation(Magick::TopLeftOrientation);
        image.magick(coder);
        Magick::Blob out;
        image.write(&out);
        if (out.length() == 0)
            fail(QStringLiteral("The picture could not be encoded."));
        return QByteArray(static_cast<const char *>(out.data()), qsizetype(out.length()));
    } catch (const Magick::Exception &e) {
        fail(QStringLiteral("The picture could not be encoded: %1").arg(magickReason(e)));
    } catch (const std::bad_alloc &) {
        fail(QStringLiteral("Not enough memory for the picture."));
    }
}

QImage adjustWithMagick(const QImage &picture, Adjustment what, double a, double b)
{
    initMagick();
    try {
        const bool alpha = picture.hasAlphaChannel();
        const QImage source = picture.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        const int w = source.width(), h = source.height();
        Magick::Image image(size_t(w), size_t(h), alpha ? "BGRA" : "BGRP", Magick::CharPixel, source.constBits());
        image.quiet(true);
        image.matte(alpha);
        switch (what) {
        case Adjustment::Sharpen: image.sharpen(a, 1.0); break;
        case Adjustment::Soften: image.blur(a, 1.0); break;
        case Adjustment::Grey: image.grayscale(MagickCore::Rec709LumaPixelIntensityMethod); break;
        case Adjustment::Negative: image.negate(false); break;
        case Adjustment::BrightnessContrast: image.brightnessContrast(a, b); break;
        case Adjustment::Gamma: image.gamma(a); break;
        }
        QImage out(w, h, QImage::Format_ARGB32);
        if (out.isNull())
            fail(QStringLiteral("Not enough memory for the picture."));
        // A grey picture comes back with its three channels equal: still 24-bit colour.
        image.write(0, 0, size_t(w), size_t(h), "BGRA", Magick::CharPixel, out.bits());
        return alpha ? out : out.convertToFormat(QImage::Format_RGB32);
    } catch (const Magick::Exception &e) {
        fail(QStringLiteral("The picture could not be adjusted: %1").arg(magickReason(e)));
    } catch (const std::bad_alloc &) {
        fail(QStringLiteral("Not enough memory for the picture."));
    }
}

namespace {

// The converter is loaded on first use into a symbol scope of its own: the EMF library it
// brings exports functions named like those of the WMF library that ImageMagick's WMF coder
// uses, and linked into the program it would take their calls.
decltype(&emf2svg) convertEmf()
{
    static decltype(&emf2svg) function = [] {
        static QLibrary library(QStringLiteral("emf2svg"), 1);
        library.setLoadHints(QLibrary::DeepBindHint);
        return reinterpret_cast<decltype(&emf2svg)>(library.resolve("emf2svg"));
    }();
    if (!function)
        fail(QStringLiteral("The EMF converter (libemf2svg) is not installed."));
    return function;
}

} // namespace

QImage decodeEmf(const QByteArray &bytes)
{
    // Walk the records first: the converter trusts the sizes it finds, so every record must
    // lie inside the data and the list must end with its end-of-file record.
    const qsizetype n = bytes.size();
    if (n < 88 || le32(bytes, 4) < 88 || le32(bytes, 4) > quint32(n))
        fail(QStringLiteral("The metafile header is damaged."));
    qsizetype at = 0;
    bool ended = false;
    while (at + 8 <= n) {
        const quint32 type = le32(bytes, int(at)), size = le32(bytes, int(at + 4));
        if (size < 8 || size % 4 != 0 || qsizetype(size) > n - at)
            fail(QStringLiteral("The metafile is damaged."));
        at += size;
        if (type == 14) { // the end-of-file record
            ended = true;
            break;
        }
    }
    if (!ended)
        fail(QStringLiteral("The metafile is cut short."));

    // The picture's size: its bounds in device units, inclusive.
    const qint64 width = qint64(le32s(bytes, 16)) - le32s(bytes, 8) + 1;
    const qint64 height = qint64(le32s(bytes, 20)) - le32s(bytes, 12) + 1;
    if (!sizeAllowed(width, height))
        fail(QStringLiteral("The metafile's size is not usable (%1 x %2).").arg(width).arg(height));

    QByteArray contents(bytes.constData(), at); // the converter takes a writable copy
    char ns[] = "";
    generatorOptions options{};
    options.nameSpace = ns;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    options.imgWidth = double(width);
    options.imgHeight = double(height);
    char *svg = nullptr;
    size_t svgLength = 0;
    const int ok = convertEmf()(contents.data(), size_t(contents.size()), &svg, &svgLength, &options);
    const QByteArray document = svg ? QByteArray(svg, qsizetype(svgLength)) : QByteArray();
    std::free(svg);
    if (!ok || document.isEmpty())
        fail(QStringLiteral("The metafile could not be drawn."));

    QSvgRenderer renderer(document);
    if (!renderer.isValid())
        fail(QStringLiteral("The metafile could not be drawn."));
    QImage picture(int(width), int(height), QImage::Format_RGB32);
    if (picture.isNull())
        fail(QStringLiteral("Not enough memory for the picture."));
    picture.fill(Qt::white);
    QPainter painter(&picture);
    renderer.render(&painter, QRectF(0, 0, double(width), double(height)));
    return picture;
}

} // namespace codec

QImage decodePicture(const QByteArray &bytes)
{
    using codec::Kind;
    switch (codec::sniff(bytes)) {
    case Kind::Bmp: return codec::decodeWithQt(bytes, "bmp", false);
    case Kind::HeaderlessDib: return codec::decodeWithQt(codec::withBitmapFileHeader(bytes), "bmp", false);
    case Kind::Jpeg: return codec::decodeWithQt(bytes, "jpeg", false);
    case Kind::Gif: return codec::decodeWithQt(bytes, "gif", false);
    case Kind::Png: return codec::decodeWithQt(bytes, "png", false);
    case Kind::Tiff: return codec::decodeWithQt(bytes, "tiff", false);
    case Kind::Ico: return codec::decodeWithQt(bytes, "ico", true);
    case Kind::Cur: return codec::decodeWithQt(bytes, "cur", true);
    case Kind::Pcx: return codec::decodeWithMagick(bytes, "PCX");
    case Kind::Targa: return codec::decodeWithMagick(bytes, "TGA");
    case Kind::Wmf: return onWhite(codec::decodeWithMagick(bytes, "WMF"));
    case Kind::Emf: return codec::decodeEmf(bytes);
    case Kind::Unknown: break;
    }
    fail(QStringLiteral("It is not a picture file of a kind this program reads."));
}

QImage LoadPicture(const QString &path)
{
    QFile file;
    QString why;
    if (!openToRead(file, path, &why))
        fail(QStringLiteral("The file cannot be read (%1).").arg(why));
    if (file.size() > kMaxFileBytes)
        fail(QStringLiteral("The file is too large for a picture."));
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        fail(QStringLiteral("The file cannot be read (%1).").arg(file.errorString()));
    return decodePicture(bytes);
}

} // namespace platform
