#include "platform/media/VideoSurface.h"

#include "platform/gst/VideoFrame.h"
#include "platform/media/FrameSlot.h"

#include <QPainter>

namespace platform {

VideoSurface::VideoSurface(std::shared_ptr<FrameSlot> slot, QWidget* parent)
    : QWidget(parent), slot_(std::move(slot)) {
    setObjectName(QStringLiteral("VideoSurface"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    std::lock_guard lock(slot_->mutex);
    slot_->repaint = this;
}

VideoSurface::~VideoSurface() {
    std::lock_guard lock(slot_->mutex);
    slot_->repaint = nullptr;
}

QImage VideoSurface::shownImage() const {
    return shown_ ? shown_->image().copy() : QImage();
}

void VideoSurface::paintEvent(QPaintEvent*) {
    gst::SamplePtr sample;
    {
        std::lock_guard lock(slot_->mutex);
        sample = std::move(slot_->newest);
    }
    if (auto frame = VideoFrame::fromSample(std::move(sample)))
        shown_ = std::move(frame);
    QPainter painter(this);
    if (VideoFrame::paint(painter, rect(), shown_.get()))
        emit framePainted();
}

} // namespace platform
