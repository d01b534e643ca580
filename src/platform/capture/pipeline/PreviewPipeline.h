#pragma once

#include "platform/Result.h"
#include "platform/capture/CaptureDriver.h"
#include "platform/gst/GstHandles.h"
#include "platform/gst/VideoFrame.h"

#include <gst/app/gstappsink.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace platform {

// The GStreamer pipeline behind one connected driver: the driver's source of pictures,
// ending either in an appsink that keeps only the newest frame for the window to
// paint, or, given an X window, in ximagesink drawing straight into that window. The second
// spares a copy of every frame through the toolkit's backing store: the source renders into
// the sink's shared-memory images and the X server shows them as they are.
class PreviewPipeline {
public:
    // Builds the pipeline for the driver in the given mode and brings it to READY (a device
    // is opened there). `intoWindow` draws the frames into an X window, `window` or one given
    // later, no more often than `maxFps` a second when that is above 0.
    static Result<std::unique_ptr<PreviewPipeline>> open(const CaptureDriver& driver,
                                                         const CaptureMode& mode,
                                                         bool intoWindow = false,
                                                         guintptr window = 0, int maxFps = 0);
    // Whether this machine can draw a preview straight into an X window.
    static bool canDrawIntoWindows();

    // Elements a driver names to find them again: the picture's source, and for the test
    // picture its colour balance.
    static constexpr char kSourceName[] = "source";
    static constexpr char kBalanceName[] = "balance";
    // The element of that name in the pipeline, owned by it; null when there is none.
    GstElement* element(const char* name) const;
    ~PreviewPipeline();
    PreviewPipeline(const PreviewPipeline&) = delete;
    PreviewPipeline& operator=(const PreviewPipeline&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }

    Result<> play();
    void halt();

    // The newest frame since the last call, or null when none has arrived since. A pipeline
    // that draws into a window answers with the frame on show, however old.
    std::shared_ptr<const VideoFrame> takeNewest();
    // Whether a frame has arrived since the last call or the last takeNewest.
    bool takeArrival();
    // Draws the frame on show again (a window that draws into the window only).
    void expose();
    // At most this many frames a second reach the window (a window that draws into the
    // window only; 0: every frame).
    void limitRate(int fps);
    bool drawsIntoWindow() const { return intoWindow_; }
    bool hasWindow() const { return window_ != 0; }
    // The X window to draw into, for a pipeline that draws into one; before it plays.
    void setWindow(guintptr window);
    // Called on the streaming thread as the first frame after play() reaches a window-drawing
    // sink, so that the window need not wait for its next look to know.
    void setOnFirstFrame(std::function<void()> call) { onFirstFrame_ = std::move(call); }
    // Whether a frame has arrived since the pipeline last started playing.
    bool delivered() const;
    // Waits up to `bound` for a frame newer than the last one taken; no spinning.
    bool waitForFrame(std::chrono::milliseconds bound);
    // How long ago the last frame arrived, or since the pipeline started playing when none
    // has arrived since then.
    std::chrono::milliseconds sinceLastFrame() const;
    // Done while the pipeline goes on; otherwise why it stopped (an error it posted, or the
    // end of the stream) since the last call, with the code kDeviceLost when the device
    // itself went away, as the driver judges it.
    static constexpr int kDeviceLost = 1;
    Result<> stillStreaming();

private:
    PreviewPipeline() = default;
    static GstFlowReturn onNewSample(GstAppSink* sink, gpointer self);
    // Notes each frame that reaches a window-drawing sink.
    static GstPadProbeReturn arrivalProbe(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    const CaptureDriver* driver_ = nullptr;
    gst::ElementPtr pipeline_;
    GstElement* sink_ = nullptr; // owned by pipeline_
    GstElement* rate_ = nullptr; // owned by pipeline_; null when every frame is shown
    bool intoWindow_ = false;
    guintptr window_ = 0;
    int width_ = 0;
    int height_ = 0;

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    // Guarded by mutex_; written on the streaming thread.
    gst::SamplePtr newest_;
    bool fresh_ = false;         // a frame has arrived since the last take
    bool awaitingFirst_ = false; // no frame has arrived since play()
    std::function<void()> onFirstFrame_;
    std::chrono::steady_clock::time_point lastArrival_{};
};

} // namespace platform
