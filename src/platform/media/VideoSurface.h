#pragma once

#include <QImage>
#include <QWidget>

#include <memory>

namespace platform {

struct FrameSlot;
class VideoFrame;

// A child of the window the media device draws into, at the destination rectangle: it
// paints the newest decoded picture, scaled only when the rectangle is not its size.
class VideoSurface : public QWidget {
    Q_OBJECT
public:
    VideoSurface(std::shared_ptr<FrameSlot> slot, QWidget* parent);
    ~VideoSurface() override;

    // The picture painted last; null before the first.
    QImage shownImage() const;

signals:
    void framePainted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<FrameSlot> slot_;
    std::shared_ptr<const VideoFrame> shown_;
};

} // namespace platform
