#pragma once
// The started window of the canvas tests, set up for printing: a black TX picture, a
// white fore colour and "DejaVu Sans" (from fonts-dejavu-core) at 20 points.

#include <QFontDatabase>
#include <QFontInfo>

#include "CanvasStation.h"

namespace texttest {

using namespace canvastest;

inline const QString kFace = QStringLiteral("DejaVu Sans");

// The fonts the tests measure with must be the ones named, not a substitute.
inline bool faceInstalled()
{
    const QFontInfo info(platform::gdi::qFontForPoints(kFace, 20, false, false, false));
    return info.family() == kFace;
}

// The element's state before a print: Text mode, SET red, the text at (x, y).
inline void prepare(Station& s, const QString& text, float x, float y)
{
    auto& f = s.form();
    f.Picture1->setPicture(solid(640, 512, kBlack));
    f.Picture1->setForeColor(platform::vbWhite);
    f.Picture1->setFontName(kFace);
    f.Picture1->setFontSize(20);
    f.Text1->setText(text);
    s.canvas().setElementX(x);
    s.canvas().setElementY(y);
    f.text().setTextToDraw(text);
    platform::setBackColor(f.Command47, canvas::kPendingColor);
}

// A colour as the program keeps it (0x00BBGGRR), as an opaque pixel.
inline QRgb rgb(quint32 colour) { return platform::gdi::toRgb(colour) | 0xFF000000u; }

inline QImage screen(const Station& s) { return rgb32(s.form().Picture1->screenImage()); }

// The smallest rectangle of every pixel that is not `background`.
inline QRect inkBounds(const QImage& img, QRgb background, const QRect& within = QRect(0, 0, 640, 512))
{
    QRect r;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (img.pixel(x, y) != background)
                r = r.united(QRect(x, y, 1, 1));
    return r;
}

} // namespace texttest

#define REQUIRE_FACE()                                                                                              \
    QVERIFY2(texttest::faceInstalled(), "\"DejaVu Sans\" is not installed: install the Debian package fonts-dejavu-core")
