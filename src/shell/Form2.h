#pragma once
// The start-up splash: the splash picture, with "LOADING" and the product name turned
// from upside down to level in 18 frames, each drawn at the next point of a circle
// around the window's centre. The animation plays inside the splash's load, so the
// start-up goes on only once it is done (or the splash is unloaded meanwhile); a timer
// on the program's clock drives it, and events run while it waits.

#include <QList>
#include <QPoint>
#include <QWidget>

#include <optional>

namespace platform { class PictureBox; }

namespace shell {

class FormMain;

class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(FormMain& form);

    // "LOADING", 17 blanks, the product name.
    static const QString splashText;
    static constexpr int FrameCount = 18;
    // Frames are never closer than this by the program's clock.
    static constexpr int FrameSpacingMs = 36;

    // The load: red text, the circle's radius from the text's length, the table of
    // circle points, then the animation (shows the window first).
    void Form_Load();
    void Form_Resize();
    // The unload: the animation stops before its next frame.
    void Form_Unload();
    void buildlookuptable();
    // Draws the text once at the next circle point, turned by angle (tenths of a degree).
    void drawrotatedtext(int& angle);
    void runmain();

    int textRadius = 0;
    int centreX = 0;
    int centreY = 0;
    QPoint circlePoints[37]; // 1 to 36: offsets from the centre, 10 degrees apart
    int pointIndex = 0;      // the circle point used last
    bool stopFlag = false;

    // What each frame drew, in order: the text's turn and where it was drawn.
    struct Frame {
        int escapement = 0;
        QPoint at;
        qint64 time = 0; // the program's clock when it was drawn
    };
    const QList<Frame>& frames() const { return frames_; }

    // The window's drawing surface (the splash picture and the text over it).
    platform::PictureBox* surface() const { return surface_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    FormMain& form_;
    platform::PictureBox* surface_ = nullptr;
    QList<Frame> frames_;
};

} // namespace shell
