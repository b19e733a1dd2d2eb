#pragma once
// The engine's DIBs: 32-bit pictures that the program addresses by small positive handles,
// and the stretch-drawing between them, bitmaps and paint devices.

#include <QImage>
#include <QRect>

#include <cstdint>
#include <map>

class QPaintDevice;
class QWidget;

namespace vareror::lib {

class DibTable {
public:
    static DibTable &instance();

    int create(int width, int height);  // 0 when the size is not usable
    bool remove(int handle);
    QImage *find(int handle);           // null for an unknown handle
    // A bitmap argument: a DIB handle cast to a pointer, or a QImage.
    const QImage *resolveBitmap(const QImage *bitmap);

private:
    std::map<int, QImage> dibs_;
    int next_ = 1;
};

// Colour &HBBGGRR as the program writes it.
QRgb fromBgr(int32_t colour);

// A rectangle argument: null or all zero = whole of `bounds`; otherwise left, top, right,
// bottom with exclusive right and bottom. Empty when the rectangle is degenerate.
QRect rectArg(const int32_t *r, const QRect &bounds);

// Draws `src` (part srcRect of image) stretched into dstRect of the painter's device. The
// source part is clipped to the image and the target shrunk in proportion, so a rectangle
// partly outside the picture draws the part that exists. Returns false when nothing was drawn.
bool stretchDraw(QPaintDevice *device, const int32_t *dstRect, const QImage &image,
                 const int32_t *srcRect, bool smooth);

// Draws image at (x, y) leaving out every pixel of colour key (RGB, alpha ignored).
bool keyedDraw(QPaintDevice *device, int x, int y, const QImage &image, QRgb key);

// Hands a window the DIB scaled to its size (see the comment in the implementation).
bool drawToWidget(QWidget *widget, const int32_t *dstRect, const QImage &image,
                  const int32_t *srcRect, bool smooth);

} // namespace vareror::lib
