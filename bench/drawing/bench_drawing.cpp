// Drawing speed on a 640 x 512 picture box, the TX screen's size: a surface flood fill of
// most of the screen, a small icon with transparent parts painted onto it, and the
// repaint that follows a small change. Prints microseconds per operation.
// Run with QT_QPA_PLATFORM=offscreen when no display is at hand.
#include "platform/drawing/Gdi.h"
#include "platform/widgets/PictureBox.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

namespace {

double microsecondsPer(int runs, const std::function<void()>& op)
{
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < runs; ++i)
        op();
    return double(clock.nsecsElapsed()) / 1000.0 / runs;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    using namespace platform;

    // A busy screen: diagonal stripes leave one large connected white area.
    QImage screen(640, 512, QImage::Format_RGB32);
    screen.fill(Qt::white);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 640; ++x)
            if ((x + y) % 37 == 0 && y % 50 != 0)
                screen.setPixel(x, y, qRgb(0, 0, 0));

    PictureBox box;
    box.setBoxSize(640, 512);
    box.setPicture(screen);
    box.setAutoRedraw(true);
    box.setFillStyle(gdi::vbFSSolid);

    int colour = 0;
    const double fill = microsecondsPer(50, [&] {
        box.Cls();
        box.setFillColor(gdi::Colour(0x0000FF + (++colour & 0xFF00)));
        gdi::extFloodFill(box.hDC(), 1, 0, 0xFFFFFF, gdi::FLOODFILLSURFACE);
    });

    QImage icon(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            icon.setPixel(x, y, (x - 16) * (x - 16) + (y - 16) * (y - 16) < 196 ? qRgba(200, 40, 40, 255) : 0);
    int step = 0;
    const double keyed = microsecondsPer(2000, [&] {
        ++step;
        box.PaintPicture(icon, step % 600, (step * 7) % 480, 40, 40);
    });

    box.show();
    QCoreApplication::processEvents();
    const double repaint = microsecondsPer(2000, [&] {
        ++step;
        box.PSet(step % 640, (step * 3) % 512, 0x00FF00);
        box.repaint(QRect(step % 640, (step * 3) % 512, 1, 1));
    });

    std::printf("%-44s %10s\n", "operation (640 x 512 box)", "us each");
    std::printf("%-44s %10.1f\n", "surface flood fill of the white area", fill);
    std::printf("%-44s %10.1f\n", "32 x 32 icon with transparency, at 40 x 40", keyed);
    std::printf("%-44s %10.1f\n", "one pixel set and its repaint", repaint);
    return 0;
}
