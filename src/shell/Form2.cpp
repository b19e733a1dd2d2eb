#include "shell/Form2.h"

#include "platform/drawing/Colors.h"
#include "platform/drawing/Gdi.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Events.h"
#include "platform/runtime/Vb.h"
#include "platform/widgets/Controls.h"
#include "platform/widgets/ImageBox.h"
#include "platform/widgets/PictureBox.h"
#include "shell/FormMain.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <limits>

namespace shell {

const QString Form2::splashText = QStringLiteral("LOADING") + QString(17, QLatin1Char(' ')) + QStringLiteral("TOVARO");

namespace {

constexpr float Pi = 3.141593f; // single precision, as the table was always built
// The timer looks at the clock this often; a frame is drawn once more than 35 ms passed.
constexpr int PollMs = 12;

} // namespace

Form2::Form2(FormMain& form) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), form_(form)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Tovaro"));
    surface_ = new platform::PictureBox(this);
    surface_->setDesignName(QStringLiteral("Form2Surface"));
    surface_->setBoxSize(320, 256); // the inner size of the splash, 4800 x 3840 twips
    surface_->setBackColor(platform::vbButtonFace);
    setFixedSize(320, 256);
    Form_Resize();
}

void Form2::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form2::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    QWidget::closeEvent(event);
}

void Form2::Form_Resize()
{
    centreX = int(platform::roundHalfEven(width() / 2.0));
    centreY = int(platform::roundHalfEven(height() / 2.0));
}

void Form2::Form_Unload()
{
    stopFlag = true;
}

void Form2::Form_Load()
{
    surface_->setForeColor(platform::vbRed);
    textRadius = int(platform::roundHalfEven(splashText.size() * 10 / 2.0));
    buildlookuptable();
    runmain();
}

void Form2::buildlookuptable()
{
    int a = 0;
    for (int i = 1; i <= 36; ++i) {
        const float theta = float(a) * Pi / 180.0f;
        circlePoints[i] = QPoint(int(platform::roundHalfEven(std::cos(theta) * textRadius)),
                                 int(platform::roundHalfEven(std::sin(theta) * textRadius)));
        a = (a % 360) + 10;
    }
}

void Form2::drawrotatedtext(int& angle)
{
    platform::gdi::LogFont lf;
    lf.height = 40;
    lf.width = 10;
    lf.escapement = angle;
    lf.orientation = 0;
    lf.weight = 0;
    lf.faceName = QStringLiteral("Arial");
    platform::gdi::Dc* dc = surface_->hDC();
    const platform::gdi::FontPtr kept = dc->selectFont(platform::gdi::createFontIndirect(lf));
    pointIndex = (pointIndex % 36) + 1;
    const QPoint at(circlePoints[pointIndex].x() + centreX, circlePoints[pointIndex].y() + centreY - 46);
    dc->setTextColour(surface_->ForeColor());
    platform::gdi::textOut(dc, at.x(), at.y(), splashText);
    dc->selectFont(kept);
    frames_.append({angle, at, platform::currentClock().now()});
}

void Form2::runmain()
{
    // Shown in the middle of the screen, over everything while the window starts.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    raise();
    int angle = 1800;
    surface_->setPicture(form_.Image1->Picture());

    platform::Clock& clock = platform::currentClock();
    int frameCount = 0;
    std::optional<qint64> lastTick; // no frame yet: the first is drawn at once
    auto frame = [&] {
        if (stopFlag || frameCount > FrameCount - 1)
            return;
        if (lastTick && clock.now() - *lastTick <= FrameSpacingMs - 1)
            return;
        angle = (angle % 3600) - 100;
        surface_->Cls();
        drawrotatedtext(angle);
        lastTick = clock.now();
        ++frameCount;
    };
    frame();
    platform::VbTimer timer(QStringLiteral("Form2Timer"), PollMs, true);
    QObject::connect(&timer, &platform::VbTimer::Timer, &timer, frame, Qt::DirectConnection);
    platform::waitWithEventsUntil(std::numeric_limits<int>::max(),
                                  [&] { return stopFlag || frameCount > FrameCount - 1; });
}

} // namespace shell
