#include "image.h"

#include <algorithm>
#include <cmath>

namespace vareror::core {

RgbImage::RgbImage(int w, int h, uint8_t fill)
    : width(std::max(w, 0)), height(std::max(h, 0)), rgb(std::size_t(width) * std::size_t(height) * 3, fill)
{
}

namespace {

// Resamples one axis. For each destination index, a list of (source index, weight) pairs.
// Shrinking averages the source interval the destination pixel covers (box filter with
// fractional edges); enlarging interpolates linearly between pixel centres.
struct Tap { int index; float weight; };

std::vector<std::vector<Tap>> axisTaps(int srcN, int dstN)
{
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(dstN));
    const double scale = double(srcN) / double(dstN);
    for (int d = 0; d < dstN; ++d) {
        auto &t = taps[std::size_t(d)];
        if (scale > 1.0) {
            const double a = d * scale, b = (d + 1) * scale;
            int i0 = int(std::floor(a)), i1 = std::min(int(std::ceil(b)), srcN);
            double sum = 0;
            for (int i = i0; i < i1; ++i) {
                double w = std::min(b, double(i + 1)) - std::max(a, double(i));
                if (w > 1e-12) { t.push_back({i, float(w)}); sum += w; }
            }
            for (auto &x : t) x.weight = float(x.weight / sum);
        } else {
            double c = (d + 0.5) * scale - 0.5;
            c = std::clamp(c, 0.0, double(srcN - 1));
            int i0 = int(std::floor(c));
            int i1 = std::min(i0 + 1, srcN - 1);
            double f = c - i0;
            t.push_back({i0, float(1.0 - f)});
            if (f > 0 && i1 != i0) t.push_back({i1, float(f)});
        }
    }
    return taps;
}

} // namespace

RgbImage scaled(const RgbImage &src, int w, int h)
{
    RgbImage out(w, h, 0);
    if (src.empty() || out.empty() || src.rgb.size() < std::size_t(src.width) * std::size_t(src.height) * 3)
        return out;
    if (src.width == w && src.height == h) return src;

    const auto tx = axisTaps(src.width, w);
    const auto ty = axisTaps(src.height, h);
    // Horizontal pass into a float buffer, then vertical pass.
    std::vector<float> mid(std::size_t(w) * std::size_t(src.height) * 3);
    for (int y = 0; y < src.height; ++y) {
        for (int x = 0; x < w; ++x) {
            float acc[3] = {0, 0, 0};
            for (const Tap &t : tx[std::size_t(x)]) {
                const uint8_t *p = src.pixel(t.index, y);
                acc[0] += t.weight * p[0];
                acc[1] += t.weight * p[1];
                acc[2] += t.weight * p[2];
            }
            float *m = &mid[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3];
            m[0] = acc[0]; m[1] = acc[1]; m[2] = acc[2];
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float acc[3] = {0, 0, 0};
            for (const Tap &t : ty[std::size_t(y)]) {
                const float *m = &mid[(std::size_t(t.index) * std::size_t(w) + std::size_t(x)) * 3];
                acc[0] += t.weight * m[0];
                acc[1] += t.weight * m[1];
                acc[2] += t.weight * m[2];
            }
            uint8_t *p = out.pixel(x, y);
            for (int c = 0; c < 3; ++c)
                p[c] = uint8_t(std::clamp(std::lround(acc[c]), 0L, 255L));
        }
    }
    return out;
}

} // namespace vareror::core
