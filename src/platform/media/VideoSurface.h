#pragma once

#include "platform/gst/GstHandles.h"
#include "platform/gst/VideoFrame.h"

#include <QWidget>

#include <memory>
#include <mutex>

namespace platform {

// Where the streaming thread leaves the newest picture for the surface that paints it.
struct FrameSlot {
    std::mutex mutex;
    gst::SamplePtr newest;
    // Asked to repaint with a queued call; cleared by the surface as it goes.
    QWidget* repaint = nullptr;

    // Streaming thread: keeps the sample and asks for a repaint.
    void put(gst::SamplePtr sample);
};

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
