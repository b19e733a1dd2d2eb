#pragma once
// The capture view: the child window in which a capture device's preview shows. It has a
// caption strip with the device's name and, while its sizing frame is on, a frame round
// it. The sizing rule and the sizes of frame and caption are all here, so the window
// that sizes the view and the tests that check it use the same numbers.

#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>

namespace platform {

class CaptureView : public QWidget {
    Q_OBJECT
public:
    // The decorations, in pixels: the caption strip's height and the frame's width on
    // the left and right and its height at the top and bottom.
    static constexpr int kCaptionHeight = 18;
    static constexpr int kFrameWidth = 4;
    static constexpr int kFrameHeight = 4;
    // The view's size when it was made, before any video sized it.
    static constexpr int kInitialWidth = 160;
    static constexpr int kInitialHeight = 120;

    // The size of a view showing a video of `image` pixels: the image plus a frame on
    // each side and the caption. The rule holds with the frame off as well (the view is
    // then sized as if it had one).
    static QSize sizeFor(QSize image)
    {
        return {image.width() + 2 * kFrameWidth, image.height() + 2 * kFrameHeight + kCaptionHeight};
    }

    explicit CaptureView(QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    // The sizing frame drawn round the view.
    bool sizingFrame() const { return sizingFrame_; }
    void setSizingFrame(bool on);
    // Scale on: the frame is stretched over the video area; off: shown at its own size.
    bool scale() const { return scale_; }
    void setScale(bool on);

    // The picture shown in the video area (a null picture shows black).
    QImage frame() const { return frame_; }
    void setFrame(const QImage& frame);
    // The area under the caption and inside the frame where the video shows.
    QRect videoRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    bool sizingFrame_ = true;
    bool scale_ = false;
    QImage frame_;
};

} // namespace platform
