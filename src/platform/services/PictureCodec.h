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

// The picture adjustments, each made by ImageMagick on a copy of the picture.
enum class Adjustment {
    Sharpen,            // sharpen(a, 1): a is the radius (0: chosen by the sigma)
    Soften,             // blur(a, 1)
    Grey,               // Rec. 709 luma, still 24-bit colour
    Negative,           // every colour channel inverted
    BrightnessContrast, // brightnessContrast(a, b), each -100 to 100, 0 leaves the picture
    Gamma,              // gamma(a), 1 leaves the picture
};
// The adjusted copy; the alpha channel, where there is one, is kept. Throws PicbufError.
QImage adjustWithMagick(const QImage &picture, Adjustment what, double a = 0, double b = 0);

// True when a picture of this size may be decoded.
bool sizeAllowed(qint64 width, qint64 height);

} // namespace platform::codec
