#include "platform/capture/drivers/TestPatternDriver.h"

#include "platform/capture/drivers/TestPictureSettings.h"
#include "platform/capture/pipeline/PipelineParts.h"
#include "platform/capture/pipeline/PreviewPipeline.h"

#include <algorithm>

namespace platform {

TestPatternDriver::TestPatternDriver(DriverSpec spec, TestPicture picture)
    : CaptureDriver(std::move(spec)), picture_(std::move(picture)) {}

std::shared_ptr<const CaptureDriver> TestPatternDriver::builtIn() {
    DriverSpec pattern;
    pattern.name = "Test Pattern";
    pattern.version = "1.0";
    pattern.devicePath = "\\\\?\\nimbacast\\test-pattern";
    TestPicture picture;
    picture.sizes = {{160, 120}, {176, 144}, {320, 240}, {352, 288},
                     {640, 480}, {704, 576}, {800, 600}, {1280, 720}};
    return std::make_shared<TestPatternDriver>(std::move(pattern), std::move(picture));
}

CaptureMode TestPatternDriver::currentMode() const {
    CaptureMode mode;
    mode.size = picture_.size;
    return mode;
}

std::vector<PictureSize> TestPatternDriver::offeredSizes(std::uint32_t) const {
    std::vector<PictureSize> sizes = picture_.sizes;
    if (sizes.empty())
        sizes.push_back(picture_.size);
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

FrameRate TestPatternDriver::rateFor(const CaptureMode&, int fps) const {
    return FrameRate::whole(fps);
}

FrameRate TestPatternDriver::effectiveRate(const CaptureMode& mode) const {
    return mode.rate.isSet() ? mode.rate : FrameRate::whole(kTestPictureFps);
}

void TestPatternDriver::appendSource(pipeline::Chain& chain, const CaptureMode& mode) const {
    Result<gst::ElementPtr> source = pipeline::make("videotestsrc");
    if (source) {
        gst_object_set_name(GST_OBJECT(source->get()), PreviewPipeline::kSourceName);
        g_object_set(source->get(), "is-live", TRUE, "horizontal-speed", 2, nullptr);
        gst_util_set_object_arg(G_OBJECT(source->get()), "pattern", "smpte");
    }
    gst::CapsPtr caps = pipeline::rawCaps(mode.size.width, mode.size.height, "BGRx");
    const FrameRate rate = effectiveRate(mode);
    gst_caps_set_simple(caps.get(), "framerate", GST_TYPE_FRACTION, rate.frames, rate.seconds,
                        nullptr);
    // The picture's colours, adjusted from the source dialog; it passes frames through
    // untouched while every setting is at its default.
    Result<gst::ElementPtr> balance = pipeline::make("videobalance");
    if (balance)
        gst_object_set_name(GST_OBJECT(balance->get()), PreviewPipeline::kBalanceName);
    chain.add(std::move(source));
    chain.add(pipeline::capsFilter(std::move(caps)));
    chain.add(std::move(balance));
}

bool TestPatternDriver::deviceLost(const GError& error, GstElement*) const {
    // Only a simulated driver's device goes away, with the error a camera pulled from its
    // port gives.
    return error.domain == GST_RESOURCE_ERROR;
}

std::unique_ptr<SourceSettings> TestPatternDriver::sourceSettings(const SettingsKey&) const {
    return std::make_unique<TestPictureSettings>();
}

} // namespace platform
