// The picture box: a widget over three layers.
//
//  - the picture (`Picture`): the background picture, set from outside;
//  - the persistent layer (`Image`): the picture plus everything drawn while
//    `AutoRedraw` is on;
//  - the screen: what the widget shows, the persistent layer plus what was
//    drawn while `AutoRedraw` was off.
//
// Drawing with AutoRedraw on goes to the persistent layer and the screen; with
// it off, to the screen only. Cls with it on resets the persistent layer and the
// screen to the picture; with it off, resets the screen to the persistent layer.
// Reads (Point, the device context as a copy source) come from the persistent
// layer with AutoRedraw on and from the screen with it off. Setting Picture
// shows it and resets the other two layers.
//
// Coordinates are in scale units (pixels unless a scale is set); colours are
// 0x00BBGGRR values. Nothing is antialiased.
#pragma once

#include "platform/widgets/BoxWidget.h"
#include "platform/drawing/Gdi.h"

#include <QImage>
#include <QCursor>
#include <QPixmap>
#include <QWidget>

#include <memory>
#include <optional>

namespace platform {

// The mouse pointer shown while a long drawing runs (setMousePointer's 11).
inline constexpr int kHourglass = 11;

class PictureBox : public BoxWidget {
    Q_OBJECT
public:
    using Colour = gdi::Colour;
    enum class LineKind { Segment, Box, FilledBox };

    explicit PictureBox(QWidget *parent = nullptr);
    ~PictureBox() override;

    // Fixes the box's size in pixels; the layers keep their content (new
    // area shows the picture or the back colour).
    void setBoxSize(int width, int height);
    // The pixel rectangle of a scale rectangle (rounded half to even).
    QRect pixelRect(double x, double y, double w, double h) const;

    // --- layers ----------------------------------------------------------
    QImage Picture() const { return picture_; }
    void setPicture(const QImage &picture);  // a null image clears it
    QImage Image() const { return image_; }
    QImage screenImage() const { return screen_; }
    bool AutoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool on) { autoRedraw_ = on; }
    gdi::Dc *hDC();
    // What another component draws into the box's window (the engine's displays):
    // it shows on the screen only, like any drawing outside the persistent layer.
    Q_INVOKABLE void setEngineImage(const QImage &frame);

    // --- scale -------------------------------------------------------------
    double ScaleWidth() const { return scaleW_; }
    double ScaleHeight() const { return scaleH_; }
    double ScaleLeft() const { return scaleL_; }
    double ScaleTop() const { return scaleT_; }
    void setScaleWidth(double w);
    void setScaleHeight(double h);
    void setScaleLeft(double l) { scaleL_ = l; }
    void setScaleTop(double t) { scaleT_ = t; }
    int ScaleMode() const { return scaleMode_; }
    void setScaleMode(int mode);  // 3 pixels (default), 1 twips, 0 user
    QPointF toPixel(double x, double y) const;
    QPointF toScale(double px, double py) const;

    // --- drawing state -------------------------------------------------------
    Colour ForeColor() const { return foreColor_; }
    void setForeColor(Colour c);
    Colour BackColor() const { return backColor_; }
    void setBackColor(Colour c);  // like the platform's: also clears the box
    // The hook of platform::setBackColor (Colors.h), so both ways agree.
    Q_INVOKABLE void vbSetBackColor(quint32 vb) { setBackColor(vb); }
    Colour FillColor() const { return fillColor_; }
    void setFillColor(Colour c) { fillColor_ = c; }
    int FillStyle() const { return fillStyle_; }
    void setFillStyle(int s) { fillStyle_ = s; }
    int DrawWidth() const { return drawWidth_; }
    void setDrawWidth(int w) { drawWidth_ = w < 1 ? 1 : w; }
    int DrawMode() const { return drawMode_; }
    void setDrawMode(int m) { drawMode_ = (m >= 1 && m <= 16) ? m : gdi::vbCopyPen; }
    double CurrentX() const { return curX_; }
    double CurrentY() const { return curY_; }
    void setCurrentX(double x) { curX_ = x; }
    void setCurrentY(double y) { curY_ = y; }

    QString FontName() const { return fontName_; }
    void setFontName(const QString &n);
    double FontSize() const { return fontSize_; }
    void setFontSize(double pt);
    bool FontBold() const { return fontBold_; }
    void setFontBold(bool b);
    bool FontItalic() const { return fontItalic_; }
    void setFontItalic(bool b);
    bool FontUnderline() const { return fontUnderline_; }
    void setFontUnderline(bool b);
    bool FontStrikethru() const { return fontStrike_; }
    void setFontStrikethru(bool b);
    bool FontTransparent() const { return fontTransparent_; }
    void setFontTransparent(bool b) { fontTransparent_ = b; }

    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int p);  // 0 default, 2 cross, 11 hourglass, 99 the mouse icon ...
    QPixmap MouseIcon() const { return mouseIcon_; }
    void setMouseIcon(const QPixmap &icon);

    // --- operations ------------------------------------------------------------
    void Cls();
    void PSet(double x, double y, std::optional<Colour> colour = {});
    qint32 Point(double x, double y) const;  // -1 outside the box
    // Segment from (x1, y1) to (x2, y2) (end pixel left out, as the platform
    // draws it); a box includes both corners; a filled box is solid in the
    // colour. The end point becomes the current point.
    void Line(double x1, double y1, double x2, double y2, std::optional<Colour> colour = {},
              LineKind kind = LineKind::Segment);
    // Segment from the current point.
    void LineTo(double x2, double y2, std::optional<Colour> colour = {});
    // Circle, ellipse (aspect = vertical / horizontal) or arc; start and end
    // angles in radians counter-clockwise from 3 o'clock; a negative angle also
    // draws the radius to it.
    void Circle(double x, double y, double radius, std::optional<Colour> colour = {},
                std::optional<double> start = {}, std::optional<double> end = {},
                double aspect = 1.0);
    // Prints at the current point (its top-left corner); afterwards CurrentX
    // goes back to ScaleLeft and CurrentY down one line, or, with
    // `newLine` false, CurrentX moves past the text.
    void Print(const QString &text, bool newLine = true);
    double TextWidth(const QString &text) const;
    double TextHeight(const QString &text) const;
    // Draws `picture` (or its source rectangle) stretched into the destination
    // rectangle; a missing width or height takes the picture's; negative sizes
    // mirror.
    void PaintPicture(const QImage &picture, double x, double y, std::optional<double> width = {},
                      std::optional<double> height = {}, std::optional<double> srcX = {},
                      std::optional<double> srcY = {}, std::optional<double> srcWidth = {},
                      std::optional<double> srcHeight = {}, quint32 rop = gdi::SRCCOPY);
    // Repaints from the persistent layer: screen-only drawings vanish.
    void Refresh();

    // DragTarget: drags arrive in scale units.
    QPointF dragPoint(const QPointF &pixel) const override;

    // The pointer for a MousePointer value (99: `icon`).
    static QCursor cursorFor(int pointer, const QPixmap &icon);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    // Whole scale units (floored) of a pixel position.
    QPointF mousePoint(const QPointF &pos) const override;

private:
    class BoxDc;
    friend class BoxDc;
    QImage blankLayer() const;  // the picture over the back colour, box size
    // Draws a masked primitive in `colour` through the draw mode.
    void drawShape(const QRect &bounds, Colour colour, const std::function<void(QPainter &)> &shape);
    // Fills a masked region with the fill colour in the fill style.
    void fillShape(const QRect &bounds, const std::function<void(QPainter &)> &shape);
    void writeLayers(const QRect &area, const std::function<void(QImage &)> &draw);
    QFont boxFont() const;
    void fontChanged();
    double scaleX() const;  // pixels per scale unit
    double scaleY() const;
    void resizeLayers(const QSize &size);
    QPoint devicePoint(double x, double y) const;
    QFont printFont() const;
    void drawSegment(const QPoint &a, const QPoint &b, Colour colour);

    QImage picture_;
    QImage image_;
    QImage screen_;
    std::unique_ptr<BoxDc> dc_;
    bool autoRedraw_ = false;

    int scaleMode_ = 3;
    double scaleW_ = 0, scaleH_ = 0, scaleL_ = 0, scaleT_ = 0;

    Colour foreColor_ = 0x000000;
    Colour backColor_ = 0x8000000F;
    Colour fillColor_ = 0x000000;
    int fillStyle_ = gdi::vbFSTransparent;
    int drawWidth_ = 1;
    int drawMode_ = gdi::vbCopyPen;
    double curX_ = 0, curY_ = 0;

    QString fontName_;
    double fontSize_ = 8.25;
    bool fontBold_ = false, fontItalic_ = false, fontUnderline_ = false, fontStrike_ = false;
    bool fontTransparent_ = true;

    int mousePointer_ = 0;
    QPixmap mouseIcon_;
};

}  // namespace platform
