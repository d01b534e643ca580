#pragma once

#include "platform/gst/GstHandles.h"

#include <QImage>

#include <memory>

class QPainter;
class QRect;

namespace platform {

// One decoded preview frame, kept mapped for as long as anyone paints or copies it.
// The QImage is a view over the buffer's memory, so showing a frame costs no copy.
class VideoFrame {
public:
    static std::shared_ptr<const VideoFrame> fromSample(gst::SamplePtr sample);
    ~VideoFrame();
    VideoFrame(const VideoFrame&) = delete;
    VideoFrame& operator=(const VideoFrame&) = delete;

    const QImage& image() const { return image_; }

    // Paints the frame over `area`, scaled only when the sizes differ; black for no frame.
    // False when there was no frame to paint.
    static bool paint(QPainter& painter, const QRect& area, const VideoFrame* frame);

private:
    VideoFrame() = default;
    gst::SamplePtr sample_;
    GstBuffer* buffer_ = nullptr; // owned by sample_
    GstMapInfo map_{};
    QImage image_;
};

} // namespace platform
