#include "platform/services/Picbuf.h"

#include "platform/drawing/Colors.h"

#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

namespace platform {

Picbuf::Picbuf(QWidget *parent) : QWidget(parent) {}

void Picbuf::setPicture(const QImage &image)
{
    picture_ = image;
    update();
}

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
    case Dib: return "bmp";
    case Jpeg: return "jpeg";
    case Png: return "png";
    default: return {};
    }
}

void Picbuf::Store()
{
    if (filename_.isEmpty())
        throw PicbufError("No file name set for the picture.");
    if (picture_.isNull())
        throw PicbufError("No picture to save.");

    QByteArray format;
    if (format_ != NoFormat) {
        format = writerFormat(format_);
        if (format.isEmpty())
            throw PicbufError(QStringLiteral("This picture format (%1) cannot be written.")
                                  .arg(format_)
                                  .toStdString());
    }

    // Write into a temporary file and move it over the target only when the whole
    // picture is written, so a failed write leaves an existing file as it was.
    QSaveFile file(filename_);
    if (!file.open(QIODevice::WriteOnly))
        throw PicbufError(QStringLiteral("Cannot write %1: %2").arg(filename_, file.errorString()).toStdString());

    QImageWriter writer(&file, format);
    if (format.isEmpty()) {
        // No format chosen: the file name's extension decides, as the Qt writers know them.
        const QByteArray suffix = filename_.section(QLatin1Char('.'), -1).toLower().toLatin1();
        writer.setFormat(suffix);
        format = suffix == "jpg" ? QByteArray("jpeg") : suffix;
    }
    QImage image = picture_;
    if (format == "jpeg" || format == "bmp") {
        // These writers take no alpha channel.
        image = image.convertToFormat(QImage::Format_RGB32);
    }
    if (format == "jpeg") {
        const int quality = quality_ > 0 ? quality_ : DefaultJpegQuality;
        writer.setQuality(qBound(1, quality, 100));
    }
    if (!writer.write(image)) {
        file.cancelWriting();
        throw PicbufError(QStringLiteral("Cannot write %1: %2").arg(filename_, writer.errorString()).toStdString());
    }
    if (!file.commit())
        throw PicbufError(QStringLiteral("Cannot write %1: %2").arg(filename_, file.errorString()).toStdString());
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
