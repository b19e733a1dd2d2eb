#pragma once
// The picture buffer's own coders for the formats Qt does not read or write well: Targa,
// PCX and WMF through ImageMagick, EMF through an EMF-to-SVG conversion. Only Picbuf.cpp
// and PictureCodec.cpp use this header.

#include <QByteArray>
#include <QImage>

namespace platform::codec {

// The kinds of picture data told apart by their first bytes.
enum class Kind { Unknown, Bmp, HeaderlessDib, Jpeg, Gif, Png, Tiff, Ico, Cur, Pcx, Wmf, Emf, Targa };

Kind sniff(const QByteArray &bytes);

// Decoders; each throws PicbufError with the reason.
QImage decodeWithQt(const QByteArray &bytes, const char *format, bool largestImage);
QImage decodeWithMagick(const QByteArray &bytes, const char *coder);
QImage decodeEmf(const QByteArray &bytes);
// A DIB without its file header, given the header it lacks.
QByteArray withBitmapFileHeader(const QByteArray &dib);

// The picture encoded by ImageMagick's coder (24-bit colour); throws PicbufError.
QByteArray encodeWithMagick(const QImage &picture, const char *coder);

// True when a picture of this size may be decoded.
bool sizeAllowed(qint64 width, qint64 height);

} // namespace platform::codec
