#include "platform/services/Picbuf.h"

#include "platform/drawing/Colors.h"
#include "platform/runtime/TextFile.h"
#include "platform/services/PictureCodec.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>

namespace platform {

namespace {

[[noreturn]] void fail(const QString &reason) { throw PicbufError(reason.toStdString()); }

// The format a file name asks for when no format was chosen.
int formatOfName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff"))
        return Picbuf::Tiff;
    if (suffix == QLatin1String("tga"))
        return Picbuf::Targa;
    if (suffix == QLatin1String("bmp"))
        return Picbuf::Bmp;
    if (suffix == QLatin1String("dib"))
        return Picbuf::Dib;
    if (suffix == QLatin1String("pcx"))
        return Picbuf::Pcx;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return Picbuf::Jpeg;
    if (suffix == QLatin1String("png"))
        return Picbuf::Png;
    return Picbuf::NoFormat;
}

} // namespace

Picbuf::Picbuf(QWidget *parent) : QWidget(parent) {}

void Picbuf::setPicture(const QImage &image)
{
    picture_ = image;
    update();
    emit PictureChanged();
}

void Picbuf::Clear()
{
    picture_ = QImage();
    update();
    emit PictureChanged();
}

void Picbuf::load()
{
    // Decoded whole before anything changes: a failure leaves the picture held.
    QImage decoded = LoadPicture(filename_);
    picture_ = std::move(decoded);
    update();
    emit PictureChanged();
}

void Picbuf::adjust(codec::Adjustment what, double a, double b)
{
    if (picture_.isNull())
        return;
    picture_ = codec::adjustWithMagick(picture_, what, a, b);
    update();
    emit PictureChanged();
}

void Picbuf::sharpen(int radius) { adjust(codec::Adjustment::Sharpen, radius, 0); }

void Picbuf::soften(int radius) { adjust(codec::Adjustment::Soften, radius, 0); }

void Picbuf::grey() { adjust(codec::Adjustment::Grey, 0, 0); }

void Picbuf::negative() { adjust(codec::Adjustment::Negative, 0, 0); }

// The levels' middle, 0.5, is ImageMagick's neutral 0; the ends are -100 and 100.
void Picbuf::brightnessContrast(double brightness, double contrast)
{
    adjust(codec::Adjustment::BrightnessContrast, (brightness - 0.5) * 200, (contrast - 0.5) * 200);
}

void Picbuf::gamma(double level) { adjust(codec::Adjustment::Gamma, level / 5, 0); }

void Picbuf::setBackColor(quint32 vbColour)
{
    backColor_ = vbColour;
    update();
}

void Picbuf::setAppearance(int appearance)
{
    appearance_ = appearance;
    update();
}

QByteArray Picbuf::writerFormat(int code)
{
    switch (code) {
    case Tiff: return "tiff";
    case Bmp:
    case Dib: return "bmp"; // a DIB file is written as a bitmap file, header included
    case Jpeg: return "jpeg";
    case Png: return "png";
    default: return {};
    }
}

QByteArray Picbuf::encode(int code) const
{
    switch (code) {
    case Targa: return codec::encodeWithMagick(picture_, "TGA");
    case Pcx: return codec::encodeWithMagick(picture_, "PCX");
    case Fif: fail(QStringLiteral("FIF pictures cannot be written. Choose another type."));
    default: break;
    }
    const QByteArray format = writerFormat(code);
    if (format.isEmpty())
        fail(QStringLiteral("This picture format (%1) cannot be written.").arg(code));
    QImage image = picture_;
    if (format == "jpeg" || format == "bmp") {
        // These writers take no alpha channel.
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (format == "jpeg") {
        const int quality = quality_ > 0 ? quality_ : DefaultJpegQuality;
        writer.setQuality(qBound(1, quality, 100));
    }
    if (!writer.write(image))
        fail(QStringLiteral("The picture could not be encoded (%1).").arg(writer.errorString()));
    return bytes;
}

void Picbuf::Store()
{
    if (filename_.isEmpty())
        fail(QStringLiteral("No file name set for the picture."));
    if (picture_.isNull())
        fail(QStringLiteral("No picture to save."));

    int code = format_;
    if (code == NoFormat) {
        code = formatOfName(filename_);
        if (code == NoFormat)
            fail(QStringLiteral("The picture type cannot be told from the name %1. Choose a type.")
                     .arg(QFileInfo(filename_).fileName()));
    }
    const QByteArray bytes = encode(code);

    // A failed write leaves an existing file as it was.
    QString why;
    if (!writeFileBytes(filename_, bytes, &why))
        fail(QStringLiteral("Cannot write %1: %2").arg(filename_, why));
}

void Picbuf::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(backColor_));
    if (!picture_.isNull())
        painter.drawImage(rect(), picture_);
    if (appearance_ == 1) {
        // The sunken 3-D border of the control.
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

} // namespace platform
