// A small GDI-like drawing layer over QImage: device contexts, bitmaps, fonts,
// block copies with ternary raster operations, flood fills, pixel access.
//
// Colours are 24-bit values with red in the low byte (0x00BBGGRR), the form the
// rest of the program keeps them in. Everything is drawn pixel-exact: no
// antialiasing, no colour management, so callers can compare colours exactly.
#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

class QPainter;

#include <functional>
#include <memory>

namespace platform::gdi {

using Colour = quint32;
constexpr Colour kInvalidColour = 0xFFFFFFFFu;  // what a read outside the surface returns
// The colour bits of a pixel or colour value (alpha, or the system-colour flag, left out).
inline constexpr quint32 kRgbMask = 0x00FFFFFFu;

// 0x00BBGGRR -> QRgb (opaque). Values with the top bit set name a system colour
// (0x80000000 + index), taken from the application palette as the controls take it.
QRgb toRgb(Colour c);
Colour fromRgb(QRgb rgb);

// Ternary raster operations (the codes the program passes to block copies).
enum RasterOp : quint32 {
    BLACKNESS = 0x00000042,
    NOTSRCERASE = 0x001100A6,
    NOTSRCCOPY = 0x00330008,
    SRCERASE = 0x00440328,
    DSTINVERT = 0x00550009,
    PATINVERT = 0x005A0049,
    SRCINVERT = 0x00660046,
    SRCAND = 0x008800C6,
    MERGEPAINT = 0x00BB0226,
    MERGECOPY = 0x00C000CA,
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    PATCOPY = 0x00F00021,
    PATPAINT = 0x00FB0A09,
    WHITENESS = 0x00FF0062,
};

// Applies ternary raster operation `rop` bit by bit to pattern, source and
// destination (any 24-bit values); the result has the same bit layout.
quint32 applyRop3(quint32 rop, quint32 pattern, quint32 source, quint32 dest);

// Pen draw modes (1 blackness ... 13 copy pen ... 16 whiteness).
enum DrawMode : int {
    vbBlackness = 1,
    vbNotMergePen = 2,
    vbMaskNotPen = 3,
    vbNotCopyPen = 4,
    vbMaskPenNot = 5,
    vbInvert = 6,
    vbXorPen = 7,
    vbNotMaskPen = 8,
    vbMaskPen = 9,
    vbNotXorPen = 10,
    vbNop = 11,
    vbMergeNotPen = 12,
    vbCopyPen = 13,
    vbMergePenNot = 14,
    vbMergePen = 15,
    vbWhiteness = 16,
};
quint32 applyRop2(int drawMode, quint32 pen, quint32 dest);

// Fill styles of boxes, circles and flood fills.
enum FillStyle : int {
    vbFSSolid = 0,
    vbFSTransparent = 1,
    vbHorizontalLine = 2,
    vbVerticalLine = 3,
    vbUpwardDiagonal = 4,
    vbDownwardDiagonal = 5,
    vbCross = 6,
    vbDiagonalCross = 7,
};
// True where the 8 x 8 hatch of `style` has a line at device pixel (x, y);
// solid covers everything, transparent nothing.
bool hatchCovers(int style, int x, int y);

struct Brush {
    Colour colour = 0xFFFFFF;
    int style = vbFSSolid;
};

// Logical font; height < 0 is the character (em) height in pixels, > 0 the
// cell height; escapement in tenths of a degree, positive counter-clockwise.
struct LogFont {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString faceName;
};
using FontPtr = std::shared_ptr<const LogFont>;
FontPtr createFontIndirect(const LogFont &lf);
// A QFont for the logical font (pixel sized, never antialiased).
QFont qFontFor(const LogFont &lf);
// The QFont of a picture box font: name, size in points, styles (no antialiasing).
QFont qFontForPoints(const QString &name, double points, bool bold, bool italic, bool underline,
                     bool strikeOut = false);

// A bitmap: colour (24-bit) or monochrome (pixels 0x000000 / 0xFFFFFF only).
struct Bitmap {
    QImage image;  // Format_RGB32
    bool monochrome = false;
};
using BitmapPtr = std::shared_ptr<Bitmap>;
BitmapPtr createBitmap(int width, int height, int planes, int bitsPerPixel);
BitmapPtr bitmapFromImage(const QImage &image);

// A device context: a surface that reads come from, the layers writes go to,
// and the drawing state (colours, brush, selected font).
class Dc {
public:
    virtual ~Dc();
    // The surface reads (pixel gets, copy sources, fill regions) come from.
    virtual const QImage &surface() const = 0;
    // Applies `draw` to every layer writes go to; `area` bounds the change.
    virtual void paint(const QRect &area, const std::function<void(QImage &)> &draw) = 0;
    virtual bool isMonochrome() const { return false; }
    virtual Brush brush() const { return brush_; }
    virtual void setBrush(const Brush &b) { brush_ = b; }

    Colour bkColour() const { return bkColour_; }
    Colour setBkColour(Colour c);  // returns the previous one
    Colour textColour() const { return textColour_; }
    Colour setTextColour(Colour c);
    FontPtr font() const { return font_; }
    FontPtr selectFont(FontPtr f);  // returns the previous one

    int width() const { return surface().width(); }
    int height() const { return surface().height(); }

protected:
    Colour bkColour_ = 0xFFFFFF;
    Colour textColour_ = 0x000000;
    Brush brush_;
    FontPtr font_;
};

// A memory context with a selected bitmap (a fresh one holds a 1 x 1
// monochrome bitmap, as the system's do).
class MemoryDc : public Dc {
public:
    MemoryDc();
    const QImage &surface() const override { return bitmap_->image; }
    void paint(const QRect &area, const std::function<void(QImage &)> &draw) override;
    bool isMonochrome() const override { return bitmap_->monochrome; }
    BitmapPtr selectBitmap(BitmapPtr b);  // returns the previous one
    BitmapPtr bitmap() const { return bitmap_; }

private:
    BitmapPtr bitmap_;
};
std::unique_ptr<MemoryDc> createCompatibleDc(const Dc *reference = nullptr);
// A colour bitmap for `dc` (monochrome when dc holds a monochrome bitmap).
BitmapPtr createCompatibleBitmap(const Dc *dc, int width, int height);

// A context over a plain image: either the caller's (which must outlive the
// context, and takes the drawing) or a copy of its own (a read-only source
// for copies from a picture, or a scratch surface read back with image()).
class ImageDc : public Dc {
public:
    explicit ImageDc(QImage *image);
    explicit ImageDc(const QImage &image);
    const QImage &surface() const override { return *image_; }
    void paint(const QRect &area, const std::function<void(QImage &)> &draw) override;
    const QImage &image() const { return *image_; }

private:
    QImage own_;
    QImage *image_;
};

// --- operations ---------------------------------------------------------

Colour getPixel(const Dc *dc, int x, int y);           // kInvalidColour outside
Colour setPixel(Dc *dc, int x, int y, Colour c);        // kInvalidColour outside

// Block copy of w x h from (sx, sy) of src to (x, y) of dst. Colour to
// monochrome: pixels of the source's background colour become white, the rest
// black. Monochrome to colour: white becomes the destination's background
// colour, black its text colour. `src` may be null for operations that do
// not read a source. Returns false when nothing could be done.
bool bitBlt(Dc *dst, int x, int y, int w, int h, const Dc *src, int sx, int sy, quint32 rop);
// Stretched copy with nearest-neighbour sampling; a width or height whose
// sign differs between source and destination mirrors that axis.
bool stretchBlt(Dc *dst, int x, int y, int w, int h, const Dc *src, int sx, int sy, int sw, int sh,
                quint32 rop);

// The pixel core of both copies, on plain images (same format, RGB32).
// `patternAt` gives the pattern colour (0x00BBGGRR) at a destination pixel.
void stretchImage(QImage &dst, int x, int y, int w, int h, const QImage &src, int sx, int sy, int sw,
                  int sh, quint32 rop, const std::function<quint32(int, int)> &patternAt = {});

enum FloodFillType : int { FLOODFILLBORDER = 0, FLOODFILLSURFACE = 1 };
// 4-connected fill with the context's brush, starting at (x, y). Border kind:
// fills up to pixels of `colour`; surface kind: fills while the pixel has
// `colour`. A start pixel on the border (or off the surface colour), a start
// outside the surface, or a transparent brush ends the call at once and
// returns false.
bool extFloodFill(Dc *dc, int x, int y, Colour colour, int type);
bool floodFill(Dc *dc, int x, int y, Colour border);
// The region itself: a mask (Format_Grayscale8, 255 inside) of the pixels the
// fill would reach on `image`; empty when the start does not qualify.
QImage floodRegion(const QImage &image, int x, int y, Colour colour, int type);

// Coverage masks for drawing primitives pixel-exact with any draw mode:
// `shape` paints in opaque white with a painter whose origin is the device
// origin (antialiasing off); covered pixels are those with alpha >= 128.
QImage renderMask(const QRect &bounds, const std::function<void(QPainter &)> &shape);
// For every covered mask pixel inside `layer`: pixel := op(pixel 0x00RRGGBB, x, y).
void applyMask(QImage &layer, const QRect &bounds, const QImage &mask,
               const std::function<quint32(quint32, int, int)> &op);

// Text at (x, y) (top-left of the text cell) in the selected font (or the
// application font), turned by its escapement about that point, in the text
// colour; with `opaque` the cell is first filled with the background colour.
void textOut(Dc *dc, int x, int y, const QString &text, bool opaque = false);
// The same with an explicit font, escapement and colours.
void drawText(Dc *dc, int x, int y, const QString &text, const QFont &font, int escapement,
              Colour fore, Colour back, bool opaque);

}  // namespace platform::gdi
