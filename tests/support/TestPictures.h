#pragma once
// Pictures and files the tests build and compare.

#include "platform/services/Picbuf.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QTemporaryDir>

#include <initializer_list>

namespace testsupport {

inline QImage solid(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Sets the columns x0..x1-1 of the rows y0..y1-1 to the colour, pixel by pixel (no
// painter, so nothing is blended or converted).
inline void paint(QImage& image, int x0, int y0, int x1, int y1, QRgb colour)
{
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            image.setPixel(x, y, colour);
}

// The colours at the points (alpha included), to compare several at once.
inline QList<QRgb> pixels(const QImage& image, std::initializer_list<QPoint> at)
{
    QList<QRgb> colours;
    for (const QPoint p : at)
        colours << image.pixel(p);
    return colours;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The bytes the picture buffer writes for the picture as a JPEG at that quality: a save
// said to use that quality must give the same file.
inline QByteArray jpegAt(const QImage& picture, int quality)
{
    QTemporaryDir dir;
    platform::Picbuf writer;
    writer.setPicture(picture);
    writer.setImageFormat(platform::Picbuf::Jpeg);
    writer.setWriteCompression(quality);
    writer.setFilename(dir.filePath(QStringLiteral("reference.jpg")));
    writer.Store();
    return fileBytes(writer.filename());
}

} // namespace testsupport
