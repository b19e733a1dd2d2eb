// Pictures read through Qt's image library, as 8-bit RGB: the module vareror-wav loads when it
// encodes (picture_file_loader.cpp), and linked straight into tests that encode in their own
// process.
#include "picture_file.h"

#include <QImage>
#include <QString>

#include <cstring>

namespace vareror::tools {

bool readPictureFile(const char *path, core::RgbImage &out, std::string &)
{
    QImage img;
    if (!img.load(QString::fromLocal8Bit(path)) || img.isNull()) return false;
    img = img.convertToFormat(QImage::Format_RGB888);
    out.width = img.width();
    out.height = img.height();
    out.rgb.resize(size_t(out.width) * size_t(out.height) * 3);
    for (int y = 0; y < img.height(); ++y) std::memcpy(out.pixel(0, y), img.constScanLine(y), size_t(img.width()) * 3);
    return true;
}

} // namespace vareror::tools

// The module's entry, found by this name.
extern "C" __attribute__((visibility("default"))) bool vareror_wav_read_picture(const char *path,
                                                                                vareror::core::RgbImage *out,
                                                                                std::string *why)
{
    return vareror::tools::readPictureFile(path, *out, *why);
}
