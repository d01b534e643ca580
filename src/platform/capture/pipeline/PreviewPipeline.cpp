#include "platform/capture/pipeline/PreviewPipeline.h"

#include "platform/capture/pipeline/PipelineParts.h"

#include <gst/video/videooverlay.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace platform {

bool PreviewPipeline::canDrawIntoWindows() {
    gst::ensureInitialised();
    return gst::ObjectPtr<GstElementFactory>(gst_element_factory_find("ximagesink")) != nullptr;
}

Result<std::unique_ptr<PreviewPipeline>> PreviewPipeline::open(const CaptureDriver& driver,
                                                               const CaptureMode& mode,
                                                               bool intoWindow, guintptr window,
                                                               int maxFps) {
    gst::ensureInitialised();
    std::unique_ptr<PreviewPipeline> p(new PreviewPipeline);
    p->driver_ = &driver;
    p->pipeline_.reset(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("capture"))));
    GstBin* bin = GST_BIN(p->pipeline_.get());
    p->width_ = mode.size.width;
    p->height_ = mode.size.height;
    p->intoWindow_ = intoWindow;

    // Frames are BGRx at the sink either way: what the toolkit paints without converting, what
    // a 24-bit X visual shows as it is, and what a grab takes.
    Result<gst::ElementPtr> sink = pipeline::make(intoWindow ? "ximagesink" : "appsink");
    if (sink && intoWindow) {
        // The window belongs to the program: the sink neither makes one nor takes its events
        // (the window asks it to draw again on an expose; the sink's own event thread would
        // make every stop wait for its next 50 ms poll), and keeps the frame on show for a
        // grab.
        g_object_set(sink->get(), "handle-events", FALSE, "handle-expose", FALSE,
                     "force-aspect-ratio", FALSE, "enable-last-sample", TRUE, "sync", FALSE,
                     nullptr);
    } else if (sink) {
        // Only the newest frame matters to a preview; an unbounded queue grows without end.
        g_object_set(sink->get(), "max-buffers", 1u, "drop", TRUE, "sync", FALSE, nullptr);
        gst::CapsPtr caps(
            gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr));
        gst_app_sink_set_caps(GST_APP_SINK(sink->get()), caps.get());
    }
    // Owned by the pipeline once the chain is in it.
    GstElement* const sinkElement = sink ? sink->get() : nullptr;

    pipeline::Chain chain;
    driver.appendSource(chain, mode);
    // A camera may only offer more frames a second than the preview shows: a sink that draws
    // every frame it gets has the rest dropped before it. (A driver without a choice of rates
    // gives whatever rate it is asked for.)
    if (intoWindow && maxFps > 0 && driver.choosesRate() &&
        driver.effectiveRate(mode).perSecond() > maxFps + 0.5) {
        Result<gst::ElementPtr> rate = pipeline::make("videorate");
        if (rate) {
            g_object_set(rate->get(), "drop-only", TRUE, "max-rate", maxFps, nullptr);
            p->rate_ = rate->get();
        }
        chain.add(std::move(rate));
    }
    chain.add(std::move(sink));
    // A part that could not be made is said by its reason; the chain then goes unbuilt.
    if (Result<> built = chain.moveInto(bin); !built)
        return built.failure();

    p->sink_ = sinkElement;
    if (window)
        p->setWindow(window);
    if (intoWindow) {
        const gst::PadPtr pad(gst_element_get_static_pad(sinkElement, "sink"));
        gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, &PreviewPipeline::arrivalProbe,
                          p.get(), nullptr);
    } else {
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = &PreviewPipeline::onNewSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sinkElement), &callbacks, p.get(), nullptr);
    }
    driver.attach(*p);

    if (gst_element_set_state(p->pipeline_.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        if (Result<> going = p->stillStreaming(); !going)
            return going.failure();
        return Failure("the capture source could not be opened");
    }
    return p;
}

PreviewPipeline::~PreviewPipeline() {
    if (pipeline_)
        gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
}

Result<> PreviewPipeline::play() {
    {
        std::lock_guard lock(mutex_);
        lastArrival_ = std::chrono::steady_clock::now();
        awaitingFirst_ = true;
    }
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        if (Result<> going = stillStreaming(); !going)
            return going;
        return Failure("the preview could not be started");
    }
    return done();
}

GstElement* PreviewPipeline::element(const char* name) const {
    // The bin keeps its own reference for as long as the pipeline lives.
    return gst::ElementPtr(gst_bin_get_by_name(GST_BIN(pipeline_.get()), name)).get();
}

void PreviewPipeline::halt() {
    gst_element_set_state(pipeline_.get(), GST_STATE_READY);
    std::lock_guard lock(mutex_);
    newest_.reset();
    fresh_ = false;
}

void PreviewPipeline::setWindow(guintptr window) {
    if (!intoWindow_)
        return;
    window_ = window;
    gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink_), window);
}

void PreviewPipeline::expose() {
    if (window_)
        gst_video_overlay_expose(GST_VIDEO_OVERLAY(sink_));
}

void PreviewPipeline::limitRate(int fps) {
    if (rate_)
        g_object_set(rate_, "max-rate", std::max(1, fps), nullptr);
}

bool PreviewPipeline::takeArrival() {
    std::lock_guard lock(mutex_);
    return std::exchange(fresh_, false);
}

GstPadProbeReturn PreviewPipeline::arrivalProbe(GstPad*, GstPadProbeInfo*, gpointer self) {
    auto* pipeline = static_cast<PreviewPipeline*>(self);
    bool first;
    {
        std::lock_guard lock(pipeline->mutex_);
        pipeline->fresh_ = true;
        pipeline->lastArrival_ = std::chrono::steady_clock::now();
        first = std::exchange(pipeline->awaitingFirst_, false);
    }
    pipeline->arrived_.notify_all();
    if (first && pipeline->onFirstFrame_)
        pipeline->onFirstFrame_();
    return GST_PAD_PROBE_OK;
}

GstFlowReturn PreviewPipeline::onNewSample(GstAppSink* sink, gpointer self) {
    gst::SamplePtr sample(gst_app_sink_pull_sample(sink));
    if (!sample)
        return GST_FLOW_ERROR;
    auto* pipeline = static_cast<PreviewPipeline*>(self);
    {
        std::lock_guard lock(pipeline->mutex_);
        pipeline->newest_ = std::move(sample);
        pipeline->fresh_ = true;
        pipeline->awaitingFirst_ = false;
        pipeline->lastArrival_ = std::chrono::steady_clock::now();
    }
    pipeline->arrived_.notify_all();
    return GST_FLOW_OK;
}

bool PreviewPipeline::delivered() const {
    std::lock_guard lock(mutex_);
    return !awaitingFirst_;
}

bool PreviewPipeline::waitForFrame(std::chrono::milliseconds bound) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, bound, [this] { return fresh_; });
}

std::chrono::milliseconds PreviewPipeline::sinceLastFrame() const {
    std::lock_guard lock(mutex_);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 lastArrival_);
}

std::shared_ptr<const VideoFrame> PreviewPipeline::takeNewest() {
    gst::SamplePtr sample;
    {
        std::lock_guard lock(mutex_);
        sample = std::move(newest_);
        fresh_ = false;
    }
    if (intoWindow_) {
        GstSample* shown = nullptr;
        g_object_get(sink_, "last-sample", &shown, nullptr);
        sample.reset(shown);
    }
    return VideoFrame::fromSample(std::move(sample));
}

Result<> PreviewPipeline::stillStreaming() {
    gst::BusPtr bus(gst_element_get_bus(pipeline_.get()));
    std::optional<Failure> stopped;
    while (gst::MessagePtr msg{gst_bus_pop_filtered(
        bus.get(), static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS))}) {
        if (stopped)
            continue; // keep the first, drain the rest
        if (GST_MESSAGE_TYPE(msg.get()) == GST_MESSAGE_EOS) {
            stopped.emplace("the capture device stopped delivering pictures");
            continue;
        }
        const gst::ErrorPtr err = gst::errorOf(msg.get());
        const bool lost = err && driver_->deviceLost(*err, element(kSourceName));
        stopped.emplace(err ? err->message : "unknown streaming error", lost ? kDeviceLost : 0);
    }
    if (stopped)
        return *stopped;
    return done();
}

} // namespace platform
