#pragma once
// The main window started on the real engine library (no sound devices), on a clock of
// the test's own, with the TX mode sized 640 x 512; and the pictures the canvas tests
// draw with.

#include <QAction>
#include <QImage>
#include <QtTest>

#include "FormFixture.h"
#include "TestPictures.h"
#include "canvas/TxCanvas.h"
#include "engine/EngineControl.h"
#include "platform/drawing/Colors.h"
#include "platform/runtime/Clock.h"
#include "platform/services/ScriptedUi.h"
#include "platform/widgets/DragManager.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"
#include "shell/Shell.h"
#include "text/TextTools.h"

namespace canvastest {

using platform::DragManager;
using testsupport::FormFixture;

constexpr QRgb kBlack = 0xFF000000, kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kBlue = 0xFF0000FF,
               kGreen = 0xFF00FF00, kGrey = 0xFF808080, kYellow = 0xFFFFFF00;

// A button or label lit red: a tool or element waiting for SET.
inline bool isOn(const QWidget* w) { return platform::backColor(w) == canvas::kPendingColor; }

using testsupport::pixels;
using testsupport::solid;

// Left half one colour, right half another.
inline QImage halves(int w, int h, QRgb left, QRgb right)
{
    QImage img = solid(w, h, left);
    testsupport::paint(img, w / 2, 0, w, h, right);
    return img;
}

// Every pixel different from its neighbours, so any shift or scaling shows.
inline QImage busy(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7 + y) & 0xFF, (x + y * 3) & 0xFF, (x * y) & 0xFF));
    return img;
}

inline QImage rgb32(const QImage& img) { return img.convertToFormat(QImage::Format_RGB32); }

// The window started on the real engine (no sound devices), on a clock of the test's own,
// with the TX mode sized 640 x 512; the program stops when the engine or the start-up fails.
class Station {
public:
    Station()
    {
        fixture_.build();
        QString why;
        platform::Engine real = platform::Engine::load(REAL_ENGINE_PATH, &why);
        if (!real.present())
            qFatal("no engine: %s", qPrintable(why));
        real.vrrSetOption("input", "none");
        real.vrrSetOption("output", "none");
        form().engine().setEngine(std::move(real));
        if (form().shell().Form_Load() != shell::Shell::LoadResult::Running)
            qFatal("the start-up ended");
        form().engine().setModePictureSize(640, 512);
    }
    ~Station()
    {
        if (DragManager::instance().active())
            DragManager::instance().cancel();
        form().engine().Form_QueryUnload();
    }
    shell::FormMain& form() const { return fixture_.form(); }
    canvas::TxCanvas& canvas() const { return form().canvas(); }
    // The two a test drives: auto [f, c] = s.formAndCanvas();
    struct FormAndCanvas {
        shell::FormMain& f;
        canvas::TxCanvas& c;
    };
    FormAndCanvas formAndCanvas() const { return {form(), canvas()}; }
    FormFixture& fixture() { return fixture_; }
    platform::ManualClock& clock() { return clock_; }

    // What the engine would send: its TX buffer over the mode's rectangle.
    QImage txBuffer() const
    {
        QImage out = solid(640, 512, 0xFFFF00FF);
        const int32_t rect[4] = {0, 0, 640, 512};
        form().engine().binding().mmsDrawDIBdc(&out, rect, form().engine().txDib(), rect, 0);
        return out;
    }

private:
    platform::ManualClock clock_;
    platform::UseClock use_{clock_};
    FormFixture fixture_{false};

};

// Moves the drag in progress over the TX screen and lets go there.
inline void dropOnTxScreen(Station& s, double x, double y)
{
    DragManager& m = DragManager::instance();
    QVERIFY(m.active());
    m.moveOver(s.form().Picture1, x, y);
    m.release();
}

// The picture put into strip slot 1 and dragged from there onto the TX screen.
inline void dropFromStrip(Station& s, const QImage& picture, double x, double y)
{
    s.form().Image2->setPicture(picture);
    emit s.form().Image2->mouseDown(1, 0, 5, 5);
    dropOnTxScreen(s, x, y);
}

} // namespace canvastest
