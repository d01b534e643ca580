#pragma once

#include "platform/gst/GstHandles.h"

#include <mutex>

class QWidget;

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

} // namespace platform
