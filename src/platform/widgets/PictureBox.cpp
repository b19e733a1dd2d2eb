#include "platform/widgets/PictureBox.h"

#include "platform/drawing/Colors.h"
#include "platform/runtime/Vb.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <QPaintEvent>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

using gdi::kRgbMask;
constexpr double kPi = 3.14159265358979323846;

// A pixel position or size from a scale value, rounded half to even; values far off any
// surface are held to a range that stays far off it without overflowing.
int pixelOf(double v)
{
    constexpr double kFarOff = 1 << 28;
    const double r = roundHalfEven(v);
    return std::isnan(r) ? 0 : int(std::clamp(r, -kFarOff, kFarOff));
}

// The rectangle with both points as corners (both included).
QRect cornerRect(const QPoint &a, const QPoint &b)
{
    return QRect(QPoint(qMin(a.x(), b.x()), qMin(a.y(), b.y())), QPoint(qMax(a.x(), b.x()), qMax(a.y(), b.y())));
}

// Pixels of a one-pixel segment from a up to, not including, b.
QVector<QPoint> segmentPixels(QPoint a, QPoint b)
{
    QVector<QPoint> pts;
    int x0 = a.x(), y0 = a.y();
    const int x1 = b.x(), y1 = b.y();
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        pts.push_back(QPoint(x0, y0));
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    return pts;
}

}  // namespace

// The box's device context: reads from the persistent layer while AutoRedraw
// is on and from the screen otherwise; writes go where the box's own drawing goes.
class PictureBox::BoxDc : public gdi::Dc {
public:
    explicit BoxDc(PictureBox *box) : box_(box) {}
    const QImage &surface() const override { return box_->autoRedraw_ ? box_->image_ : box_->screen_; }
    void paint(const QRect &area, const std::function<void(QImage &)> &draw) override
    {
        box_->writeLayers(area, draw);
    }
    gdi::Brush brush() const override { return {box_->fillColor_, box_->fillStyle_}; }
    void setBrush(const gdi::Brush &b) override
    {
        box_->fillColor_ = b.colour;
        box_->fillStyle_ = b.style;
    }

private:
    PictureBox *box_;
};

PictureBox::PictureBox(QWidget *parent) : BoxWidget(parent), dc_(std::make_unique<BoxDc>(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    dc_->setTextColour(foreColor_);
    dc_->setBkColour(backColor_);
    setProperty(kForeColorProperty, QVariant::fromValue<quint32>(foreColor_));
    setProperty(kBackColorProperty, QVariant::fromValue<quint32>(backColor_));
    resizeLayers(size());
}

PictureBox::~PictureBox() = default;

void PictureBox::setBoxSize(int width, int height)
{
    setFixedSize(qMax(1, width), qMax(1, height));
    resizeLayers(QSize(qMax(1, width), qMax(1, height)));
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    resizeLayers(size());
}

void PictureBox::resizeLayers(const QSize &sz)
{
    if (sz.isEmpty() || sz == image_.size())
        return;
    const QImage oldImage = image_, oldScreen = screen_;
    const bool first = image_.isNull();
    image_ = QImage(sz, QImage::Format_RGB32);
    image_ = blankLayer();
    screen_ = image_;
    if (!first) {
        QPainter pi(&image_);
        pi.drawImage(0, 0, oldImage);
        pi.end();
        QPainter ps(&screen_);
        ps.drawImage(0, 0, oldScreen);
    }
    if (scaleMode_ == 3) {
        scaleW_ = sz.width();
        scaleH_ = sz.height();
    } else if (scaleMode_ == 1) {
        scaleW_ = sz.width() * 15.0;
        scaleH_ = sz.height() * 15.0;
    }
    update();
}

QImage PictureBox::blankLayer() const
{
    QImage layer(image_.size(), QImage::Format_RGB32);
    layer.fill(gdi::toRgb(backColor_) | 0xFF000000u);
    if (!picture_.isNull()) {
        QPainter p(&layer);
        p.drawImage(0, 0, picture_);
    }
    return layer;
}

void PictureBox::writeLayers(const QRect &area, const std::function<void(QImage &)> &draw)
{
    if (autoRedraw_)
        draw(image_);
    draw(screen_);
    update(area);
}

gdi::Dc *PictureBox::hDC() { return dc_.get(); }

void PictureBox::setEngineImage(const QImage &frame)
{
    if (frame.isNull())
        return;
    QPainter painter(&screen_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, frame);
    painter.end();
    update();
}

void PictureBox::setPicture(const QImage &picture)
{
    picture_ = picture.isNull() ? QImage() : picture;
    image_ = blankLayer();
    screen_ = image_;
    update();
}

// --- scale -------------------------------------------------------------------------------

void PictureBox::setScaleWidth(double w)
{
    if (w == 0)
        return;
    scaleMode_ = 0;
    scaleW_ = w;
}

void PictureBox::setScaleHeight(double h)
{
    if (h == 0)
        return;
    scaleMode_ = 0;
    scaleH_ = h;
}

void PictureBox::setScaleMode(int mode)
{
    scaleMode_ = mode;
    if (mode == 3 || mode == 1) {
        const double f = mode == 1 ? 15.0 : 1.0;
        scaleW_ = image_.width() * f;
        scaleH_ = image_.height() * f;
        scaleL_ = scaleT_ = 0;
    }
}

double PictureBox::scaleX() const { return image_.width() / scaleW_; }
double PictureBox::scaleY() const { return image_.height() / scaleH_; }

QPointF PictureBox::toPixel(double x, double y) const
{
    return QPointF((x - scaleL_) * scaleX(), (y - scaleT_) * scaleY());
}

QPointF PictureBox::toScale(double px, double py) const
{
    return QPointF(px / scaleX() + scaleL_, py / scaleY() + scaleT_);
}

QPoint PictureBox::devicePoint(double x, double y) const
{
    const QPointF p = toPixel(x, y);
    return QPoint(pixelOf(p.x()), pixelOf(p.y()));
}

QRect PictureBox::pixelRect(double x, double y, double w, double h) const
{
    const QPoint a = devicePoint(x, y), b = devicePoint(x + w, y + h);
    return QRect(a, QSize(b.x() - a.x(), b.y() - a.y()));
}

QPointF PictureBox::mousePoint(const QPointF &pos) const
{
    const QPointF s = toScale(pos.x(), pos.y());
    return QPointF(std::floor(s.x()), std::floor(s.y()));
}

// --- state ----------------------------------------------------------------------------------

void PictureBox::setForeColor(Colour c)
{
    foreColor_ = c;
    dc_->setTextColour(c);
    setProperty(kForeColorProperty, QVariant::fromValue<quint32>(c));
}

void PictureBox::setBackColor(Colour c)
{
    backColor_ = c;
    dc_->setBkColour(c);
    setProperty(kBackColorProperty, QVariant::fromValue<quint32>(c));
    // Like the platform's box: a new back colour erases all drawings.
    image_ = blankLayer();
    screen_ = image_;
    update();
}

QFont PictureBox::boxFont() const
{
    return gdi::qFontForPoints(fontName_, fontSize_, fontBold_, fontItalic_, fontUnderline_, fontStrike_);
}

QFont PictureBox::printFont() const
{
    if (const gdi::FontPtr f = dc_->font())
        return gdi::qFontFor(*f);
    return boxFont();
}

void PictureBox::fontChanged()
{
    // A font set through the properties replaces one selected into the context.
    dc_->selectFont(nullptr);
}

void PictureBox::setFontName(const QString &n)
{
    fontName_ = n;
    fontChanged();
}
void PictureBox::setFontSize(double pt)
{
    if (pt > 0)
        fontSize_ = pt;
    fontChanged();
}
void PictureBox::setFontBold(bool b)
{
    fontBold_ = b;
    fontChanged();
}
void PictureBox::setFontItalic(bool b)
{
    fontItalic_ = b;
    fontChanged();
}
void PictureBox::setFontUnderline(bool b)
{
    fontUnderline_ = b;
    fontChanged();
}
void PictureBox::setFontStrikethru(bool b)
{
    fontStrike_ = b;
    fontChanged();
}

QCursor PictureBox::cursorFor(int pointer, const QPixmap &icon)
{
    switch (pointer) {
    case 1: return QCursor(Qt::ArrowCursor);
    case 2: return QCursor(Qt::CrossCursor);
    case 3: return QCursor(Qt::IBeamCursor);
    case 5: case 15: return QCursor(Qt::SizeAllCursor);
    case 6: return QCursor(Qt::SizeBDiagCursor);
    case 7: return QCursor(Qt::SizeVerCursor);
    case 8: return QCursor(Qt::SizeFDiagCursor);
    case 9: return QCursor(Qt::SizeHorCursor);
    case 10: return QCursor(Qt::UpArrowCursor);
    case 11: return QCursor(Qt::WaitCursor);
    case 12: return QCursor(Qt::ForbiddenCursor);
    case 13: return QCursor(Qt::BusyCursor);
    case 14: return QCursor(Qt::WhatsThisCursor);
    case 99:
        if (!icon.isNull())
            return QCursor(icon, icon.width() / 2, icon.height() / 2);
        return QCursor(Qt::ArrowCursor);
    default: return QCursor(Qt::ArrowCursor);
    }
}

void PictureBox::setMousePointer(int p)
{
    mousePointer_ = p;
    if (p == 0)
        unsetCursor();
    else
        setCursor(cursorFor(p, mouseIcon_));
}

void PictureBox::setMouseIcon(const QPixmap &icon)
{
    mouseIcon_ = icon;
    if (mousePointer_ == 99)
        setCursor(cursorFor(99, icon));
}

// --- drawing ---------------------------------------------------------------------------------

void PictureBox::drawShape(const QRect &bounds, Colour colour, const std::function<void(QPainter &)> &shape)
{
    const QImage mask = gdi::renderMask(bounds, shape);
    const quint32 pen = gdi::toRgb(colour) & kRgbMask;
    const int mode = drawMode_;
    writeLayers(bounds, [&](QImage &layer) {
        gdi::applyMask(layer, bounds, mask, [&](quint32 d, int, int) { return gdi::applyRop2(mode, pen, d); });
    });
}

void PictureBox::fillShape(const QRect &bounds, const std::function<void(QPainter &)> &shape)
{
    if (fillStyle_ == gdi::vbFSTransparent)
        return;
    const QImage mask = gdi::renderMask(bounds, shape);
    const quint32 fill = gdi::toRgb(fillColor_) & kRgbMask;
    const int mode = drawMode_, style = fillStyle_;
    writeLayers(bounds, [&](QImage &layer) {
        gdi::applyMask(layer, bounds, mask, [&](quint32 d, int x, int y) {
            return gdi::hatchCovers(style, x, y) ? gdi::applyRop2(mode, fill, d) : d;
        });
    });
}

void PictureBox::drawSegment(const QPoint &a, const QPoint &b, Colour colour)
{
    const quint32 pen = gdi::toRgb(colour) & kRgbMask;
    if (drawWidth_ <= 1) {
        const QVector<QPoint> pts = segmentPixels(a, b);
        if (pts.isEmpty())
            return;
        const int mode = drawMode_;
        writeLayers(cornerRect(a, b), [&](QImage &layer) {
            for (const QPoint &p : pts) {
                if (!layer.rect().contains(p))
                    continue;
                QRgb *px = reinterpret_cast<QRgb *>(layer.scanLine(p.y())) + p.x();
                *px = gdi::applyRop2(mode, pen, *px & kRgbMask) | 0xFF000000u;
            }
        });
        return;
    }
    const int w = drawWidth_;
    const QRect bounds = cornerRect(a, b).adjusted(-w, -w, w, w);
    drawShape(bounds, colour, [&](QPainter &p) {
        p.setPen(QPen(Qt::white, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(a) + QPointF(0.5, 0.5), QPointF(b) + QPointF(0.5, 0.5));
    });
}

void PictureBox::Cls()
{
    if (autoRedraw_)
        image_ = blankLayer();
    screen_ = image_;
    curX_ = scaleL_;
    curY_ = scaleT_;
    update();
}

void PictureBox::Refresh()
{
    screen_ = image_;
    update();
}

void PictureBox::PSet(double x, double y, std::optional<Colour> colour)
{
    const Colour c = colour.value_or(foreColor_);
    const QPoint p = devicePoint(x, y);
    curX_ = x;
    curY_ = y;
    if (drawWidth_ <= 1) {
        const quint32 pen = gdi::toRgb(c) & kRgbMask;
        const int mode = drawMode_;
        writeLayers(QRect(p, QSize(1, 1)), [&](QImage &layer) {
            if (!layer.rect().contains(p))
                return;
            QRgb *px = reinterpret_cast<QRgb *>(layer.scanLine(p.y())) + p.x();
            *px = gdi::applyRop2(mode, pen, *px & kRgbMask) | 0xFF000000u;
        });
        return;
    }
    const int w = drawWidth_;
    drawShape(QRect(p, QSize(1, 1)).adjusted(-w, -w, w, w), c, [&](QPainter &painter) {
        painter.setPen(QPen(Qt::white, w, Qt::SolidLine, Qt::RoundCap));
        painter.drawPoint(QPointF(p) + QPointF(0.5, 0.5));
    });
}

qint32 PictureBox::Point(double x, double y) const
{
    const QPoint p = devicePoint(x, y);
    const QImage &layer = autoRedraw_ ? image_ : screen_;
    if (!layer.rect().contains(p))
        return -1;
    return qint32(gdi::fromRgb(layer.pixel(p)));
}

void PictureBox::Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour, LineKind kind)
{
    const Colour c = colour.value_or(foreColor_);
    const QPoint a = devicePoint(x1, y1), b = devicePoint(x2, y2);
    curX_ = x2;
    curY_ = y2;
    if (kind == LineKind::Segment) {
        drawSegment(a, b, c);
        return;
    }
    const QRect r = cornerRect(a, b);  // both corners included
    if (kind == LineKind::FilledBox) {
        drawShape(r, c, [&](QPainter &p) { p.fillRect(r, Qt::white); });
        return;
    }
    fillShape(r, [&](QPainter &p) { p.fillRect(r, Qt::white); });
    const int w = drawWidth_;
    if (w <= 1) {
        drawShape(r, c, [&](QPainter &p) {
            p.fillRect(QRect(r.left(), r.top(), r.width(), 1), Qt::white);
            p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), Qt::white);
            p.fillRect(QRect(r.left(), r.top(), 1, r.height()), Qt::white);
            p.fillRect(QRect(r.right(), r.top(), 1, r.height()), Qt::white);
        });
        return;
    }
    drawShape(r.adjusted(-w, -w, w, w), c, [&](QPainter &p) {
        p.setPen(QPen(Qt::white, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 1, r.height() - 1));
    });
}

void PictureBox::LineTo(double x2, double y2, std::optional<Colour> colour)
{
    Line(curX_, curY_, x2, y2, colour, LineKind::Segment);
}

void PictureBox::Circle(double x, double y, double radius, std::optional<Colour> colour,
                        std::optional<double> start, std::optional<double> end, double aspect)
{
    const Colour c = colour.value_or(foreColor_);
    curX_ = x;
    curY_ = y;
    const double r = std::abs(radius * scaleX());
    if (aspect <= 0)
        aspect = 1.0;
    const double rx = aspect < 1 ? r : r / aspect;
    const double ry = aspect < 1 ? r * aspect : r;
    const QPointF centre = QPointF(devicePoint(x, y)) + QPointF(0.5, 0.5);
    const QRectF e(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry);
    const int w = drawWidth_;
    const QRect bounds = e.toAlignedRect().adjusted(-w - 1, -w - 1, w + 1, w + 1);
    const QPen pen(Qt::white, w <= 1 ? 0 : w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

    if (!start && !end) {
        fillShape(bounds, [&](QPainter &p) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawEllipse(e);
        });
        drawShape(bounds, c, [&](QPainter &p) {
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(e);
        });
        return;
    }
    // Arcs: angles in radians counter-clockwise from 3 o'clock; a negative
    // angle also draws the radius to that end.
    double s = start.value_or(0.0), en = end.value_or(2 * kPi);
    const bool radiusStart = s < 0, radiusEnd = en < 0;
    s = std::abs(s);
    en = std::abs(en);
    const double startDeg = s * 180.0 / kPi;
    double span = (en - s) * 180.0 / kPi;
    if (span <= 0)
        span += 360.0;
    QPainterPath path;
    path.arcMoveTo(e, startDeg);
    if (radiusStart) {
        path = QPainterPath(centre);
        QPainterPath tmp;
        tmp.arcMoveTo(e, startDeg);
        path.lineTo(tmp.currentPosition());
    }
    path.arcTo(e, startDeg, span);
    if (radiusEnd)
        path.lineTo(centre);
    if (radiusStart && radiusEnd) {
        fillShape(bounds, [&](QPainter &p) {
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::white);
            p.drawPath(path);
        });
    }
    drawShape(bounds, c, [&](QPainter &p) {
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    });
}

void PictureBox::Print(const QString &text, bool newLine)
{
    QString all = text;
    all.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = all.split(QLatin1Char('\n'));
    const QFont font = printFont();
    const int escapement = dc_->font() ? dc_->font()->escapement : 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QPoint p = devicePoint(curX_, curY_);
        gdi::drawText(dc_.get(), p.x(), p.y(), lines[i], font, escapement, foreColor_, backColor_,
                      !fontTransparent_);
        const bool last = i == lines.size() - 1;
        if (last && !newLine) {
            curX_ += TextWidth(lines[i]);
        } else {
            curX_ = scaleL_;
            curY_ += TextHeight(lines[i]);
        }
    }
}

double PictureBox::TextWidth(const QString &text) const
{
    const QFontMetrics fm(printFont());
    int widest = 0;
    for (const QString &line : QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).split('\n'))
        widest = qMax(widest, fm.horizontalAdvance(line));
    return widest / std::abs(scaleX());
}

double PictureBox::TextHeight(const QString &text) const
{
    const QFontMetrics fm(printFont());
    const int lines = int(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).count('\n')) + 1;
    return fm.height() * lines / std::abs(scaleY());
}

void PictureBox::PaintPicture(const QImage &picture, double x, double y, std::optional<double> width,
                              std::optional<double> height, std::optional<double> srcX,
                              std::optional<double> srcY, std::optional<double> srcWidth,
                              std::optional<double> srcHeight, quint32 rop)
{
    if (picture.isNull())
        return;
    const QPoint d = devicePoint(x, y);
    const int dw = width ? pixelOf(*width * scaleX()) : picture.width();
    const int dh = height ? pixelOf(*height * scaleY()) : picture.height();
    const int sx = srcX ? pixelOf(*srcX * scaleX()) : 0;
    const int sy = srcY ? pixelOf(*srcY * scaleY()) : 0;
    const int sw = srcWidth ? pixelOf(*srcWidth * scaleX()) : picture.width();
    const int sh = srcHeight ? pixelOf(*srcHeight * scaleY()) : picture.height();
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0)
        return;
    const QImage src = picture.convertToFormat(QImage::Format_RGB32);
    const QRect bounds(QPoint(qMin(d.x(), d.x() + dw), qMin(d.y(), d.y() + dh)), QSize(std::abs(dw), std::abs(dh)));
    const quint32 fill = gdi::toRgb(fillColor_) & kRgbMask;
    const int style = fillStyle_;
    auto pattern = [&](int px, int py) -> quint32 {
        return gdi::hatchCovers(style, px, py) ? fill : (gdi::toRgb(backColor_) & kRgbMask);
    };
    if (!picture.hasAlphaChannel()) {
        writeLayers(bounds, [&](QImage &layer) {
            gdi::stretchImage(layer, d.x(), d.y(), dw, dh, src, sx, sy, sw, sh, rop, pattern);
        });
        return;
    }
    // Pictures with transparent parts (icons, some GIF and PNG files) leave
    // the box showing through where they are transparent. Only the part of the
    // layer that the picture covers is worked on.
    QImage alpha(picture.size(), QImage::Format_RGB32);
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    for (int py = 0; py < argb.height(); ++py) {
        const auto *in = reinterpret_cast<const QRgb *>(argb.constScanLine(py));
        auto *out = reinterpret_cast<QRgb *>(alpha.scanLine(py));
        for (int px = 0; px < argb.width(); ++px)
            out[px] = qAlpha(in[px]) >= 128 ? 0xFFFFFFFFu : 0xFF000000u;
    }
    writeLayers(bounds, [&](QImage &layer) {
        const QRect r = bounds.intersected(layer.rect());
        if (r.isEmpty())
            return;
        // The same stretch into two images of the touched area: which pixels the
        // picture covers, and what the raster operation makes of them.
        const int ox = d.x() - r.left(), oy = d.y() - r.top();
        QImage cover(r.size(), QImage::Format_RGB32);
        cover.fill(0xFF000000u);
        gdi::stretchImage(cover, ox, oy, dw, dh, alpha, sx, sy, sw, sh, gdi::SRCCOPY);
        QImage drawn = layer.copy(r);
        gdi::stretchImage(drawn, ox, oy, dw, dh, src, sx, sy, sw, sh, rop,
                          [&](int px, int py) { return pattern(px + r.left(), py + r.top()); });
        for (int py = 0; py < r.height(); ++py) {
            const auto *cv = reinterpret_cast<const QRgb *>(cover.constScanLine(py));
            const auto *dr = reinterpret_cast<const QRgb *>(drawn.constScanLine(py));
            auto *out = reinterpret_cast<QRgb *>(layer.scanLine(py + r.top())) + r.left();
            for (int px = 0; px < r.width(); ++px)
                if (cv[px] & kRgbMask)
                    out[px] = dr[px];
        }
    });
}

// --- events -------------------------------------------------------------------------------------

void PictureBox::paintEvent(QPaintEvent *event)
{
    // Only the exposed part: a drawing updates the rectangle it changed.
    const QRect exposed = event->rect().intersected(screen_.rect());
    if (exposed.isEmpty())
        return;
    QPainter p(this);
    p.drawImage(exposed.topLeft(), screen_, exposed);
}

QPointF PictureBox::dragPoint(const QPointF &pixel) const { return mousePoint(pixel); }

}  // namespace platform
