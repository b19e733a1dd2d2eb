#pragma once
// Picture files built byte by byte in the tests, for the formats no writer of ours makes:
// RLE bitmaps, Targa without a footer, metafiles, icons and cursors.

#include "ProgramFiles.h"
#include "TestPictures.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QtEndian>

namespace picturebytes {

using testsupport::writeBytes;

inline void put16(QByteArray &b, int v)
{
    char c[2];
    qToLittleEndian<quint16>(quint16(v), c);
    b.append(c, 2);
}
inline void put32(QByteArray &b, qint64 v)
{
    char c[4];
    qToLittleEndian<quint32>(quint32(v), c);
    b.append(c, 4);
}

// A BITMAPINFOHEADER.
inline QByteArray infoHeader(int width, int height, int bits, int compression, int imageBytes, int colours)
{
    QByteArray b;
    put32(b, 40);
    put32(b, width);
    put32(b, height);
    put16(b, 1);
    put16(b, bits);
    put32(b, compression);
    put32(b, imageBytes);
    put32(b, 2835);
    put32(b, 2835);
    put32(b, colours);
    put32(b, 0);
    return b;
}

// An 8-bit RLE bitmap, 4 x 2: the bottom row red, red, green, green; the top row blue x 4.
// Palette 0 red, 1 green, 2 blue.
inline QByteArray rle8Bitmap()
{
    const QByteArray data("\x02\x00\x02\x01\x00\x00" // bottom row: 2 x red, 2 x green, end of line
                          "\x04\x02\x00\x01",         // top row: 4 x blue, end of bitmap
                          10);
    QByteArray palette;
    for (QRgb c : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)})
        put32(palette, c & 0xFFFFFF); // B, G, R, 0 in memory
    const QByteArray info = infoHeader(4, 2, 8, 1, data.size(), 3);
    QByteArray file("BM");
    put32(file, 14 + info.size() + palette.size() + data.size());
    put32(file, 0);
    put32(file, 14 + info.size() + palette.size());
    return file + info + palette + data;
}

// A 24-bit uncompressed Targa without footer, origin at the bottom left.
inline QByteArray footerlessTarga(const QImage &picture)
{
    QByteArray b;
    b.append(char(0)).append(char(0)).append(char(2)); // no id, no colour map, true colour
    b.append(QByteArray(5, '\0'));                      // colour map spec
    put16(b, 0);
    put16(b, 0);
    put16(b, picture.width());
    put16(b, picture.height());
    b.append(char(24)).append(char(0));
    for (int y = picture.height() - 1; y >= 0; --y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            b.append(char(qBlue(p))).append(char(qGreen(p))).append(char(qRed(p)));
        }
    return b;
}

// A placeable WMF of 100 x 50 units with a red rectangle from (10, 10) to (90, 40).
inline QByteArray placeableWmf()
{
    QByteArray records;
    auto record = [&](int function, const QList<int> &params) {
        put32(records, 3 + params.size());
        put16(records, function);
        for (int p : params)
            put16(records, p);
    };
    record(0x020B, {0, 0});     // window origin
    record(0x020C, {50, 100});  // window extent: height, width
    record(0x02FC, {0, 0x00FF, 0x0000, 0}); // solid brush, colour 0x000000FF (red)
    record(0x012D, {0});        // select it
    record(0x041B, {40, 90, 10, 10}); // rectangle: bottom, right, top, left
    record(0x0000, {});         // end

    QByteArray header;
    put16(header, 1);
    put16(header, 9);
    put16(header, 0x0300);
    put32(header, (18 + records.size()) / 2);
    put16(header, 1);
    put32(header, 7);
    put16(header, 0);

    QByteArray placeable;
    put32(placeable, 0x9AC6CDD7);
    put16(placeable, 0);
    for (int v : {0, 0, 100, 50})
        put16(placeable, v);
    put16(placeable, 96); // units per inch
    put32(placeable, 0);
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= qFromLittleEndian<quint16>(placeable.constData() + i);
    put16(placeable, sum);
    return placeable + header + records;
}

// An EMF of 100 x 50 device pixels with a red rectangle from (10, 10) to (90, 40).
inline QByteArray minimalEmf()
{
    QByteArray body;
    put32(body, 39); // a solid red brush as object 1
    put32(body, 24);
    put32(body, 1);
    put32(body, 0);
    put32(body, 0x000000FF);
    put32(body, 0);
    put32(body, 37); // select it
    put32(body, 12);
    put32(body, 1);
    put32(body, 43); // rectangle
    put32(body, 24);
    for (int v : {10, 10, 90, 40})
        put32(body, v);
    put32(body, 14); // end of file
    put32(body, 20);
    put32(body, 0);
    put32(body, 16);
    put32(body, 20);

    QByteArray header;
    put32(header, 1);
    put32(header, 88);
    for (int v : {0, 0, 99, 49})
        put32(header, v); // bounds in device units
    for (int v : {0, 0, 2646, 1323})
        put32(header, v); // frame in 0.01 mm
    header.append(" EMF", 4);
    put32(header, 0x10000);
    put32(header, 88 + body.size());
    put32(header, 5);
    put16(header, 2);
    put16(header, 0);
    put32(header, 0);
    put32(header, 0);
    put32(header, 0);
    put32(header, 1024);
    put32(header, 768);
    put32(header, 320);
    put32(header, 240);
    return header + body;
}

// An icon (type 1) or cursor (type 2) file holding one square 32-bit picture per colour,
// of the given sides, in that order.
inline QByteArray iconFile(int type, const QList<QPair<int, QRgb>> &images)
{
    QList<QByteArray> bodies;
    for (const auto &[side, colour] : images)
        bodies << testsupport::iconImageBytes({side, colour});
    QByteArray b;
    put16(b, 0);
    put16(b, type);
    put16(b, int(images.size()));
    qint64 offset = 6 + 16 * images.size();
    for (int i = 0; i < images.size(); ++i) {
        const int side = images[i].first;
        b.append(char(side >= 256 ? 0 : side)).append(char(side >= 256 ? 0 : side)).append(char(0)).append(char(0));
        put16(b, type == 2 ? 1 : 1); // planes, or the hot spot's x for a cursor
        put16(b, type == 2 ? 1 : 32); // bits, or the hot spot's y
        put32(b, bodies[i].size());
        put32(b, offset);
        offset += bodies[i].size();
    }
    for (const QByteArray &body : bodies)
        b += body;
    return b;
}

} // namespace picturebytes
