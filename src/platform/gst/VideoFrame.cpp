#include "platform/gst/VideoFrame.h"

#include <gst/video/video.h>

#include <QPainter>

namespace platform {

std::shared_ptr<const VideoFrame> VideoFrame::fromSample(gst::SamplePtr sample) {
    if (!sample)
        return nullptr;
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample.get());
    GstBuffer* buffer = gst_sample_get_buffer(sample.get());
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGRx)
        return nullptr;

    std::shared_ptr<VideoFrame> frame(new VideoFrame);
    if (!gst_buffer_map(buffer, &frame->map_, GST_MAP_READ))
        return nullptr;
    frame->buffer_ = buffer;
    frame->sample_ = std::move(sample);

    const int width = GST_VIDEO_INFO_WIDTH(&info);
    const int height = GST_VIDEO_INFO_HEIGHT(&info);
    const int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    if (static_cast<gsize>(stride) * height > frame->map_.size)
        return nullptr; // the destructor unmaps
    // BGRx in memory is 0xffRRGGBB per little-endian word, which is RGB32.
    frame->image_ = QImage(static_cast<const uchar*>(frame->map_.data), width, height, stride,
                           QImage::Format_RGB32);
    return frame;
}

bool VideoFrame::paint(QPainter& painter, const QRect& area, const VideoFrame* frame) {
    if (!frame) {
        painter.fillRect(area, Qt::black);
        return false;
    }
    if (frame->image_.size() == area.size())
        painter.drawImage(area.topLeft(), frame->image_);
    else
        painter.drawImage(area, frame->image_);
    return true;
}

VideoFrame::~VideoFrame() {
    if (buffer_)
        gst_buffer_unmap(buffer_, &map_);
}

} // namespace platform
