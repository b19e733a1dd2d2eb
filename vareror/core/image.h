#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vareror::core {

// An 8-bit RGB picture, row-major, 3 bytes per pixel (R, G, B). The engine's own currency
// between the encoder, the receiver and the library's DIBs.
struct RgbImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb; // size width*height*3

    RgbImage() = default;
    RgbImage(int w, int h, uint8_t fill = 0);

    uint8_t *pixel(int x, int y) { return rgb.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3; }
    const uint8_t *pixel(int x, int y) const { return rgb.data() + (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3; }
    bool empty() const { return width <= 0 || height <= 0; }
};

// Area-average (shrinking) / bilinear (enlarging) resample to w x h. An empty source gives a
// black picture of the requested size.
RgbImage scaled(const RgbImage &src, int w, int h);

} // namespace vareror::core
