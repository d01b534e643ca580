#pragma once

#include "platform/capture/DriverTable.h"
#include "platform/capture/VideoFrame.h"
#include "platform/gst/GstHandles.h"

#include <gst/app/gstappsink.h>

#include <memory>
#include <mutex>
#include <string>

namespace platform {

// The GStreamer pipeline behind one connected driver: a V4L2 device or the moving test
// picture, ending in an appsink that keeps only the newest frame.
class PreviewPipeline {
public:
    // Builds the pipeline and brings it to READY (a device is opened there). On failure
    // returns nothing and says why in `error`.
    static std::unique_ptr<PreviewPipeline> open(const DriverSpec& driver, std::string& error);
    ~PreviewPipeline();
    PreviewPipeline(const PreviewPipeline&) = delete;
    PreviewPipeline& operator=(const PreviewPipeline&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    bool play(std::string& error);
    void halt();

    // The newest frame since the last call, or null when none has arrived since.
    std::shared_ptr<const VideoFrame> takeNewest();
    // The first error the pipeline posted since the last call; empty when none.
    std::string takeError();

private:
    PreviewPipeline() = default;
    static GstFlowReturn onNewSample(GstAppSink* sink, gpointer self);

    gst::ElementPtr pipeline_;
    GstElement* sink_ = nullptr; // owned by pipeline_
    int width_ = 0;
    int height_ = 0;

    std::mutex mutex_;
    gst::SamplePtr newest_; // guarded by mutex_; written on the streaming thread
};

} // namespace platform
