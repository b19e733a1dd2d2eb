#include "platform/widgets/CaptureView.h"

#include <QPainter>

namespace platform {

CaptureView::CaptureView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("captureWindow"));
    setGeometry(0, 0, kInitialWidth, kInitialHeight);
}

void CaptureView::setCaption(const QString& caption)
{
    caption_ = caption;
    update();
}

void CaptureView::setSizingFrame(bool on)
{
    sizingFrame_ = on;
    update();
}

void CaptureView::setScale(bool on)
{
    scale_ = on;
    update();
}

void CaptureView::setFrame(const QImage& frame)
{
    frame_ = frame;
    update(videoRect());
}

QRect CaptureView::videoRect() const
{
    const int fx = sizingFrame_ ? kFrameWidth : 0;
    const int fy = sizingFrame_ ? kFrameHeight : 0;
    return QRect(fx, fy + kCaptionHeight, width() - 2 * fx, height() - 2 * fy - kCaptionHeight);
}

void CaptureView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    if (sizingFrame_) {
        p.fillRect(rect(), pal.color(QPalette::Button));
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(0, 0, width() - 1, 0);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(pal.color(QPalette::Dark));
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
    }
    const int fx = sizingFrame_ ? kFrameWidth : 0;
    const int fy = sizingFrame_ ? kFrameHeight : 0;
    const QRect captionRect(fx, fy, width() - 2 * fx, kCaptionHeight);
    p.fillRect(captionRect, pal.color(QPalette::Active, QPalette::Highlight));
    p.setPen(pal.color(QPalette::Active, QPalette::HighlightedText));
    p.drawText(captionRect.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, caption_);

    const QRect video = videoRect();
    p.fillRect(video, Qt::black);
    if (frame_.isNull())
        return;
    p.setClipRect(video);
    if (scale_)
        p.drawImage(video, frame_);
    else
        p.drawImage(video.topLeft(), frame_);
}

} // namespace platform
