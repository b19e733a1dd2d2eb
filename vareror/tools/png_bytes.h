#pragma once
// A decoded picture as the bytes of the PNG file vareror-wav writes (its benchmark times the
// same step).

#include "image.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cstring>

namespace vareror::tools {

// Qt takes a PNG quality of 80 as zlib's fastest level: on a decoded photo a tenth of the
// default level's time, for a file a tenth larger (the pixels are the same).
constexpr int kPngQuality = 80;

// False when the picture cannot be encoded.
inline bool pngBytes(const core::RgbImage &pic, QByteArray &png)
{
    QImage img(pic.width, pic.height, QImage::Format_RGB888);
    for (int y = 0; y < pic.height; ++y) std::memcpy(img.scanLine(y), pic.pixel(0, y), size_t(pic.width) * 3);
    png.clear();
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    return img.save(&buffer, "PNG", kPngQuality);
}

} // namespace vareror::tools
