#include "platform/capture/drivers/SimulatedDriver.h"

#include "platform/capture/SourceSettings.h"
#include "platform/capture/pipeline/PreviewPipeline.h"

namespace platform {

namespace {

// Frames one pipeline still passes before it falls silent or its device goes away;
// streaming thread only.
struct Countdown {
    int beforeStall = -1;
    int beforeFailure = -1;
};

// Drops every buffer once the frames are used up, and when the device is to go away, says
// so as a device that has gone does.
GstPadProbeReturn countFrames(GstPad* pad, GstPadProbeInfo*, gpointer data) {
    auto* left = static_cast<Countdown*>(data);
    if (left->beforeFailure == 0) {
        left->beforeFailure = -2; // said once
        gst::ElementPtr source(gst_pad_get_parent_element(pad));
        const gst::ErrorPtr gone(
            g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ,
                                "Could not read from resource: No such device."));
        gst_element_post_message(
            source.get(), gst_message_new_error(GST_OBJECT(source.get()), gone.get(), nullptr));
    }
    if (left->beforeFailure < -1 || left->beforeStall == 0)
        return GST_PAD_PROBE_DROP;
    if (left->beforeStall > 0)
        --left->beforeStall;
    if (left->beforeFailure > 0)
        --left->beforeFailure;
    return GST_PAD_PROBE_OK;
}

} // namespace

SimulatedDriver::SimulatedDriver(DriverSpec spec, TestPicture picture, SimulatedBehaviour behaviour)
    : TestPatternDriver(std::move(spec), std::move(picture)), behaviour_(behaviour) {}

void SimulatedDriver::attach(PreviewPipeline& pipeline) const {
    if (behaviour_.stallAfterFrames < 0 && behaviour_.failAfterFrames < 0)
        return;
    GstElement* source = pipeline.element(PreviewPipeline::kSourceName);
    if (!source)
        return;
    gst::PadPtr pad(gst_element_get_static_pad(source, "src"));
    gst_pad_add_probe(pad.get(), GST_PAD_PROBE_TYPE_BUFFER, &countFrames,
                      new Countdown{behaviour_.stallAfterFrames, behaviour_.failAfterFrames},
                      [](gpointer data) { delete static_cast<Countdown*>(data); });
}

std::unique_ptr<SourceSettings> SimulatedDriver::sourceSettings(const SettingsKey& key) const {
    return behaviour_.hasSourceDialog ? TestPatternDriver::sourceSettings(key) : nullptr;
}

} // namespace platform
