#include "platform/drawing/Gdi.h"

#include "platform/drawing/Colors.h"
#include "platform/runtime/Vb.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform::gdi {

namespace {

// Does ternary operation `rop` read the source / the pattern?
bool ropUsesSource(quint32 rop)
{
    const quint32 idx = (rop >> 16) & 0xFF;
    return (((idx >> 2) ^ idx) & 0x33) != 0;
}
bool ropUsesPattern(quint32 rop)
{
    const quint32 idx = (rop >> 16) & 0xFF;
    return (((idx >> 4) ^ idx) & 0x0F) != 0;
}

// A copy of the readable part of `src` in the destination's colour model:
// colour -> monochrome by the source's background colour, monochrome -> colour
// by the destination's background (white) and text (black) colours.
QImage sourceFor(const Dc *dst, const Dc *src, const QRect &area)
{
    QImage img = src->surface().copy(area);
    if (src->isMonochrome() == dst->isMonochrome())
        return img;
    if (dst->isMonochrome()) {
        const quint32 key = toRgb(src->bkColour()) & kRgbMask;
        for (int y = 0; y < img.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                line[x] = (line[x] & kRgbMask) == key ? 0xFFFFFFFFu : 0xFF000000u;
        }
    } else {
        const QRgb white = toRgb(dst->bkColour()) | 0xFF000000u;
        const QRgb black = toRgb(dst->textColour()) | 0xFF000000u;
        for (int y = 0; y < img.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                line[x] = (line[x] & kRgbMask) != 0 ? white : black;
        }
    }
    return img;
}

// Nearest black or white for a monochrome surface.
quint32 monoOf(quint32 rgb)
{
    const int sum = qRed(rgb) + qGreen(rgb) + qBlue(rgb);
    return sum >= 384 ? 0xFFFFFFu : 0u;
}

}  // namespace

// --- colours -----------------------------------------------------------------

QRgb toRgb(Colour c)
{
    if (isSystemColor(c))
        return platform::toQColor(c).rgb() | 0xFF000000u;
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

Colour fromRgb(QRgb rgb)
{
    return Colour(qRed(rgb)) | (Colour(qGreen(rgb)) << 8) | (Colour(qBlue(rgb)) << 16);
}

// --- raster operations -------------------------------------------------------------

quint32 applyRop3(quint32 rop, quint32 p, quint32 s, quint32 d)
{
    const quint32 idx = (rop >> 16) & 0xFF;
    switch (idx) {  // the common ones directly
    case 0xCC: return s & kRgbMask;
    case 0x88: return (s & d) & kRgbMask;
    case 0xEE: return (s | d) & kRgbMask;
    case 0x66: return (s ^ d) & kRgbMask;
    case 0x33: return ~s & kRgbMask;
    default: break;
    }
    quint32 r = 0;
    for (int i = 0; i < 8; ++i) {
        if (!(idx & (1u << i)))
            continue;
        r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return r & kRgbMask;
}

quint32 applyRop2(int drawMode, quint32 pen, quint32 d)
{
    if (drawMode < 1 || drawMode > 16)
        drawMode = vbCopyPen;
    const int idx = drawMode - 1;
    if (idx == 12)
        return pen & kRgbMask;
    quint32 r = 0;
    for (int i = 0; i < 4; ++i) {
        if (!(idx & (1 << i)))
            continue;
        r |= ((i & 2) ? pen : ~pen) & ((i & 1) ? d : ~d);
    }
    return r & kRgbMask;
}

bool hatchCovers(int style, int x, int y)
{
    const bool h = (y & 7) == 0;
    const bool v = (x & 7) == 0;
    const bool down = ((x - y) & 7) == 0;  // top left to bottom right
    const bool up = ((x + y) & 7) == 7;    // bottom left to top right
    switch (style) {
    case vbFSSolid: return true;
    case vbHorizontalLine: return h;
    case vbVerticalLine: return v;
    case vbUpwardDiagonal: return up;
    case vbDownwardDiagonal: return down;
    case vbCross: return h || v;
    case vbDiagonalCross: return up || down;
    default: return false;
    }
}

// --- fonts -------------------------------------------------------------------------

FontPtr createFontIndirect(const LogFont &lf) { return std::make_shared<const LogFont>(lf); }

QFont qFontFor(const LogFont &lf)
{
    QFont f;
    if (!lf.faceName.isEmpty())
        f.setFamily(lf.faceName);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    f.setWeight(lf.weight >= 600 ? QFont::Bold : QFont::Normal);
    f.setItalic(lf.italic);
    f.setUnderline(lf.underline);
    f.setStrikeOut(lf.strikeOut);
    int em = 16;
    if (lf.height < 0) {
        em = -lf.height;
    } else if (lf.height > 0) {
        // A positive height is the cell height: scale the em size to fit it.
        f.setPixelSize(lf.height);
        const int cell = QFontMetrics(f).height();
        em = cell > 0 ? qMax(1, int(roundHalfEven(double(lf.height) * lf.height / cell))) : lf.height;
    }
    f.setPixelSize(qMax(1, em));
    if (lf.width > 0) {
        const int avg = QFontMetrics(f).averageCharWidth();
        if (avg > 0)
            f.setStretch(qBound(1, lf.width * 100 / avg, 4000));
    }
    return f;
}

QFont qFontForPoints(const QString &name, double points, bool bold, bool italic, bool underline,
                     bool strikeOut)
{
    QFont f;
    if (!name.isEmpty())
        f.setFamily(name);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    // Points at 96 pixels per inch, the display the program is laid out for.
    f.setPixelSize(qMax(1, int(roundHalfEven(points * 96.0 / 72.0))));
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strikeOut);
    return f;
}

// --- bitmaps and contexts ------------------------------------------------------------

BitmapPtr createBitmap(int width, int height, int planes, int bitsPerPixel)
{
    auto b = std::make_shared<Bitmap>();
    b->image = QImage(qMax(1, width), qMax(1, height), QImage::Format_RGB32);
    b->image.fill(0xFF000000u);
    b->monochrome = planes * bitsPerPixel == 1;
    return b;
}

BitmapPtr bitmapFromImage(const QImage &image)
{
    auto b = std::make_shared<Bitmap>();
    b->image = image.convertToFormat(QImage::Format_RGB32);
    return b;
}

Dc::~Dc() = default;

Colour Dc::setBkColour(Colour c)
{
    const Colour old = bkColour_;
    bkColour_ = c;
    return old;
}

Colour Dc::setTextColour(Colour c)
{
    const Colour old = textColour_;
    textColour_ = c;
    return old;
}

FontPtr Dc::selectFont(FontPtr f)
{
    FontPtr old = font_;
    font_ = std::move(f);
    return old;
}

MemoryDc::MemoryDc() : bitmap_(createBitmap(1, 1, 1, 1)) {}

void MemoryDc::paint(const QRect &area, const std::function<void(QImage &)> &draw)
{
    draw(bitmap_->image);
    if (!bitmap_->monochrome)
        return;
    const QRect r = area.intersected(bitmap_->image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(bitmap_->image.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x)
            line[x] = monoOf(line[x]) | 0xFF000000u;
    }
}

BitmapPtr MemoryDc::selectBitmap(BitmapPtr b)
{
    if (!b)
        return nullptr;
    BitmapPtr old = bitmap_;
    bitmap_ = std::move(b);
    return old;
}

std::unique_ptr<MemoryDc> createCompatibleDc(const Dc *reference)
{
    auto dc = std::make_unique<MemoryDc>();
    if (reference)
        dc->selectFont(reference->font());
    return dc;
}

BitmapPtr createCompatibleBitmap(const Dc *dc, int width, int height)
{
    return createBitmap(width, height, 1, dc && dc->isMonochrome() ? 1 : 32);
}

ImageDc::ImageDc(QImage *image) : image_(image)
{
    if (image_->format() != QImage::Format_RGB32)
        *image_ = image_->convertToFormat(QImage::Format_RGB32);
}

ImageDc::ImageDc(const QImage &image) : own_(image.convertToFormat(QImage::Format_RGB32)), image_(&own_) {}

void ImageDc::paint(const QRect &, const std::function<void(QImage &)> &draw) { draw(*image_); }

// --- pixels ----------------------------------------------------------------------------

Colour getPixel(const Dc *dc, int x, int y)
{
    if (!dc || !dc->surface().rect().contains(x, y))
        return kInvalidColour;
    return fromRgb(dc->surface().pixel(x, y));
}

Colour setPixel(Dc *dc, int x, int y, Colour c)
{
    if (!dc || !dc->surface().rect().contains(x, y))
        return kInvalidColour;
    const QRgb rgb = toRgb(c) | 0xFF000000u;
    dc->paint(QRect(x, y, 1, 1), [&](QImage &img) {
        if (img.rect().contains(x, y))
            img.setPixel(x, y, rgb);
    });
    return getPixel(dc, x, y);
}

// --- block copies ------------------------------------------------------------------------

void stretchImage(QImage &dst, int x, int y, int w, int h, const QImage &src, int sx, int sy, int sw,
                  int sh, quint32 rop, const std::function<quint32(int, int)> &patternAt)
{
    if (w == 0 || h == 0 || sw == 0 || sh == 0)
        return;
    // A negative size spans [x + w, x): the rectangle lies left of / above x.
    const int aw = std::abs(w), ah = std::abs(h), asw = std::abs(sw), ash = std::abs(sh);
    const int dl = w > 0 ? x : x + w, dt = h > 0 ? y : y + h;
    const int sl = sw > 0 ? sx : sx + sw, st = sh > 0 ? sy : sy + sh;
    const bool mirrorX = (w < 0) != (sw < 0), mirrorY = (h < 0) != (sh < 0);
    const bool usesSource = ropUsesSource(rop), usesPattern = ropUsesPattern(rop) && patternAt;

    // Source column of each destination column: nearest neighbour at the
    // destination pixel's centre.
    std::vector<int> cols(static_cast<size_t>(aw));
    for (int i = 0; i < aw; ++i) {
        int j = int((qint64(2 * i + 1) * asw) / (qint64(2) * aw));
        if (mirrorX)
            j = asw - 1 - j;
        cols[size_t(i)] = sl + j;
    }
    for (int i = 0; i < ah; ++i) {
        const int yy = dt + i;
        if (yy < 0 || yy >= dst.height())
            continue;
        int j = int((qint64(2 * i + 1) * ash) / (qint64(2) * ah));
        if (mirrorY)
            j = ash - 1 - j;
        const int syy = st + j;
        if (usesSource && (syy < 0 || syy >= src.height()))
            continue;
        auto *dline = reinterpret_cast<QRgb *>(dst.scanLine(yy));
        const QRgb *sline = usesSource ? reinterpret_cast<const QRgb *>(src.constScanLine(syy)) : nullptr;
        for (int k = 0; k < aw; ++k) {
            const int xx = dl + k;
            if (xx < 0 || xx >= dst.width())
                continue;
            quint32 s = 0;
            if (usesSource) {
                const int sxx = cols[size_t(k)];
                if (sxx < 0 || sxx >= src.width())
                    continue;
                s = sline[sxx];
            }
            const quint32 p = usesPattern ? patternAt(xx, yy) : 0;
            dline[xx] = applyRop3(rop, p, s, dline[xx]) | 0xFF000000u;
        }
    }
}

bool stretchBlt(Dc *dst, int x, int y, int w, int h, const Dc *src, int sx, int sy, int sw, int sh,
                quint32 rop)
{
    if (!dst || w == 0 || h == 0)
        return false;
    const bool usesSource = ropUsesSource(rop);
    if (usesSource && (!src || sw == 0 || sh == 0))
        return false;
    // The system's mirrored rectangles include their start: [x + w + 1, x].
    const int dx = w < 0 ? x + 1 : x;
    const int srcX = sw < 0 ? sx + 1 : sx;
    const int srcY = sh < 0 ? sy + 1 : sy;
    const int dy = h < 0 ? y + 1 : y;

    QImage source;
    int ox = 0, oy = 0;
    if (usesSource) {
        // Copy the readable source first: source and destination may share a layer.
        const QRect want = QRect(QPoint(qMin(srcX, srcX + sw), qMin(srcY, srcY + sh)),
                                 QSize(std::abs(sw), std::abs(sh)));
        const QRect area = want.intersected(src->surface().rect());
        if (area.isEmpty())
            return false;
        source = sourceFor(dst, src, area);
        ox = area.left();
        oy = area.top();
    }
    const Brush b = dst->brush();
    const bool mono = dst->isMonochrome();
    const quint32 brushRgb = toRgb(b.colour) & kRgbMask;
    const quint32 bkRgb = toRgb(dst->bkColour()) & kRgbMask;
    auto pattern = [&](int px, int py) -> quint32 {
        const quint32 c = hatchCovers(b.style, px, py) ? brushRgb : bkRgb;
        return mono ? monoOf(c) : c;
    };
    const QRect bounds = QRect(QPoint(qMin(dx, dx + w), qMin(dy, dy + h)), QSize(std::abs(w), std::abs(h)));
    dst->paint(bounds, [&](QImage &layer) {
        stretchImage(layer, dx, dy, w, h, source, srcX - ox, srcY - oy, usesSource ? sw : 1,
                     usesSource ? sh : 1, rop, pattern);
    });
    return true;
}

bool bitBlt(Dc *dst, int x, int y, int w, int h, const Dc *src, int sx, int sy, quint32 rop)
{
    if (w < 0 || h < 0)
        return false;
    return stretchBlt(dst, x, y, w, h, src, sx, sy, w, h, rop);
}

// --- flood fills -------------------------------------------------------------------------

QImage floodRegion(const QImage &image, int x, int y, Colour colour, int type)
{
    if (!image.rect().contains(x, y))
        return QImage();
    // Rows are read through their scan lines; other formats are read as 32-bit.
    const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32;
    const QImage source = direct ? image : image.convertToFormat(QImage::Format_RGB32);
    const quint32 c = toRgb(colour) & kRgbMask;
    const bool surface = type == FLOODFILLSURFACE;
    auto row = [&](int py) { return reinterpret_cast<const QRgb *>(source.constScanLine(py)); };
    auto inside = [&](const QRgb *pixels, int px) { return ((pixels[px] & kRgbMask) == c) == surface; };
    if (!inside(row(y), x))
        return QImage();
    QImage mask(source.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    const int w = source.width(), h = source.height();
    // Scanline fill: each stack entry is a seed; fill its whole run, then seed
    // the runs above and below.
    std::vector<QPoint> stack;
    stack.push_back(QPoint(x, y));
    while (!stack.empty()) {
        const QPoint s = stack.back();
        stack.pop_back();
        const QRgb *pixels = row(s.y());
        uchar *done = mask.scanLine(s.y());
        auto free = [&](int px) { return done[px] == 0 && inside(pixels, px); };
        if (!free(s.x()))
            continue;
        int l = s.x(), r = s.x();
        while (l > 0 && free(l - 1))
            --l;
        while (r < w - 1 && free(r + 1))
            ++r;
        std::fill(done + l, done + r + 1, uchar(255));
        for (int ny : {s.y() - 1, s.y() + 1}) {
            if (ny < 0 || ny >= h)
                continue;
            const QRgb *next = row(ny);
            const uchar *nextDone = mask.constScanLine(ny);
            bool inRun = false;
            for (int i = l; i <= r; ++i) {
                if (nextDone[i] == 0 && inside(next, i)) {
                    if (!inRun)
                        stack.push_back(QPoint(i, ny));
                    inRun = true;
                } else {
                    inRun = false;
                }
            }
        }
    }
    return mask;
}

bool extFloodFill(Dc *dc, int x, int y, Colour colour, int type)
{
    if (!dc)
        return false;
    const Brush b = dc->brush();
    if (b.style == vbFSTransparent)
        return false;
    const quint32 fill = toRgb(b.colour) & kRgbMask;
    // A surface fill in the surface's own colour changes nothing: end at once.
    if (type == FLOODFILLSURFACE && b.style == vbFSSolid && fill == (toRgb(colour) & kRgbMask))
        return dc->surface().rect().contains(x, y);
    const QImage mask = floodRegion(dc->surface(), x, y, colour, type);
    if (mask.isNull())
        return false;
    const bool mono = dc->isMonochrome();
    const QRgb out = (mono ? monoOf(fill) : fill) | 0xFF000000u;
    dc->paint(mask.rect(), [&](QImage &layer) {
        const int hh = qMin(layer.height(), mask.height()), ww = qMin(layer.width(), mask.width());
        for (int py = 0; py < hh; ++py) {
            const uchar *m = mask.constScanLine(py);
            auto *line = reinterpret_cast<QRgb *>(layer.scanLine(py));
            for (int px = 0; px < ww; ++px)
                if (m[px] && hatchCovers(b.style, px, py))
                    line[px] = out;
        }
    });
    return true;
}

bool floodFill(Dc *dc, int x, int y, Colour border) { return extFloodFill(dc, x, y, border, FLOODFILLBORDER); }

// --- masks and text ------------------------------------------------------------------------

QImage renderMask(const QRect &bounds, const std::function<void(QPainter &)> &shape)
{
    QImage mask(bounds.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.translate(-bounds.left(), -bounds.top());
    shape(p);
    p.end();
    return mask;
}

void applyMask(QImage &layer, const QRect &bounds, const QImage &mask,
               const std::function<quint32(quint32, int, int)> &op)
{
    const QRect r = bounds.intersected(layer.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const auto *m = reinterpret_cast<const QRgb *>(mask.constScanLine(y - bounds.top()));
        auto *line = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = r.left(); x <= r.right(); ++x) {
            if (qAlpha(m[x - bounds.left()]) >= 128)
                line[x] = op(line[x] & kRgbMask, x, y) | 0xFF000000u;
        }
    }
}

void textOut(Dc *dc, int x, int y, const QString &text, bool opaque)
{
    if (!dc)
        return;
    const FontPtr lf = dc->font();
    drawText(dc, x, y, text, lf ? qFontFor(*lf) : qFontFor(LogFont{}), lf ? lf->escapement : 0,
             dc->textColour(), dc->bkColour(), opaque);
}

void drawText(Dc *dc, int x, int y, const QString &text, const QFont &font, int escapement,
              Colour foreColour, Colour backColour, bool opaque)
{
    if (!dc || text.isEmpty())
        return;
    const QFontMetrics fm(font);
    const QRect cell(0, 0, fm.horizontalAdvance(text), fm.height());
    QTransform t;
    t.translate(x, y);
    t.rotate(-escapement / 10.0);  // counter-clockwise on the screen
    const int margin = fm.height();
    const QRect bounds = t.mapRect(cell).adjusted(-margin, -margin, margin, margin);
    const quint32 fore = toRgb(foreColour) & kRgbMask;
    const quint32 back = toRgb(backColour) & kRgbMask;
    QImage cellMask;
    if (opaque)
        cellMask = renderMask(bounds, [&](QPainter &p) {
            p.setTransform(t, true);
            p.fillRect(cell, Qt::white);
        });
    const QImage glyphs = renderMask(bounds, [&](QPainter &p) {
        p.setTransform(t, true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QPoint(0, fm.ascent()), text);
    });
    dc->paint(bounds, [&](QImage &layer) {
        if (opaque)
            applyMask(layer, bounds, cellMask, [&](quint32, int, int) { return back; });
        applyMask(layer, bounds, glyphs, [&](quint32, int, int) { return fore; });
    });
}

}  // namespace platform::gdi
