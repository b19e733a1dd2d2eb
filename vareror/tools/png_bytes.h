#pragma once
// A decoded picture as the bytes of the PNG file vareror-wav writes (its benchmark times the
// same step).

#include "image.h"

#include <QByteArray>

#include <png.h>

#include <csetjmp>

namespace vareror::tools {

// zlib's fastest level, and every row filtered by each byte's difference from the pixel on its
// left: on a decoded photo the default level took ten times as long for a file a tenth smaller,
// and choosing each row's filter by trying all five cost as much again as the rest of the write,
// for a file no smaller (a test card's 8-15 % smaller). The pixels are the same either way.
constexpr int kPngLevel = 1;

namespace detail {
inline void appendPng(png_structp p, png_bytep data, png_size_t n)
{
    static_cast<QByteArray *>(png_get_io_ptr(p))->append(reinterpret_cast<const char *>(data), qsizetype(n));
}
inline void flushPng(png_structp) {}
} // namespace detail

// False when the picture cannot be encoded.
inline bool pngBytes(const core::RgbImage &pic, QByteArray &png)
{
    png.clear();
    if (pic.empty() || pic.rgb.size() < size_t(pic.width) * size_t(pic.height) * 3) return false;
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!p) return false;
    png_infop info = png_create_info_struct(p);
    // (libpng reports its errors by jumping back here)
    if (!info || setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, info ? &info : nullptr);
        png.clear();
        return false;
    }
    png_set_write_fn(p, &png, detail::appendPng, detail::flushPng);
    png_set_IHDR(p, info, png_uint_32(pic.width), png_uint_32(pic.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(p, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(p, kPngLevel);
    png_write_info(p, info);
    for (int y = 0; y < pic.height; ++y) png_write_row(p, pic.pixel(0, y));
    png_write_end(p, info);
    png_destroy_write_struct(&p, &info);
    return true;
}

} // namespace vareror::tools
