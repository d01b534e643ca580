#pragma once

#include "platform/capture/DriverTable.h"
#include "platform/capture/VideoFrame.h"
#include "platform/gst/GstHandles.h"

#include <gst/app/gstappsink.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

// The GStreamer pipeline behind one connected driver: a V4L2 device or the moving test
// picture, ending in an appsink that keeps only the newest frame.
class PreviewPipeline {
public:
    // Builds the pipeline for the driver in the given mode and brings it to READY (a device
    // is opened there). On failure returns nothing and says why in `error`.
    static std::unique_ptr<PreviewPipeline> open(const DriverSpec& driver, const CaptureMode& mode,
                                                 std::string& error);

    // The elements the driver's source dialog adjusts: the picture's source, and for the
    // test picture its colour balance.
    static constexpr char kSourceName[] = "source";
    static constexpr char kBalanceName[] = "balance";
    // The element of that name in the pipeline, owned by it; null when there is none.
    GstElement* element(const char* name) const;
    ~PreviewPipeline();
    PreviewPipeline(const PreviewPipeline&) = delete;
    PreviewPipeline& operator=(const PreviewPipeline&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    bool play(std::string& error);
    void halt();

    // The newest frame since the last call, or null when none has arrived since.
    std::shared_ptr<const VideoFrame> takeNewest();
    // Waits up to `bound` for a frame newer than the last one taken; no spinning.
    bool waitForFrame(std::chrono::milliseconds bound);
    // How long ago the last frame arrived, or since the pipeline started playing when none
    // has arrived since then.
    std::chrono::milliseconds sinceLastFrame() const;
    // Why the pipeline stopped (an error it posted, or the end of the stream) since the
    // last call; empty when it did not. `lost` tells whether the device itself went away.
    std::string takeError(bool* lost = nullptr);

private:
    PreviewPipeline() = default;
    static GstFlowReturn onNewSample(GstAppSink* sink, gpointer self);
    // Drops every buffer once the simulated driver's frames are used up, and when it is to
    // go away, says so as a device that has gone does.
    static GstPadProbeReturn stallProbe(GstPad* pad, GstPadProbeInfo* info, gpointer self);

    gst::ElementPtr pipeline_;
    GstElement* sink_ = nullptr; // owned by pipeline_
    int width_ = 0;
    int height_ = 0;
    // Frames a simulated driver still delivers before it falls silent or goes away;
    // streaming thread only.
    int framesBeforeStall_ = -1;
    int framesBeforeFailure_ = -1;

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    // Guarded by mutex_; written on the streaming thread.
    gst::SamplePtr newest_;
    std::chrono::steady_clock::time_point lastArrival_{};
};

} // namespace platform
