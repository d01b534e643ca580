#include "platform/capture/pipeline/FreshFrame.h"

#include "platform/capture/pipeline/PreviewPipeline.h"

#include <chrono>

namespace platform {

namespace {
// A frame older than this is no picture of the present: a grab refuses it.
constexpr std::chrono::milliseconds kFreshFrame{1000};
// How long a grab waits for a frame when the last one is not fresh: enough for a camera
// that has just started, short enough not to freeze the window.
constexpr std::chrono::milliseconds kGrabWait{300};

bool takeNewest(PreviewPipeline& pipeline, std::shared_ptr<const VideoFrame>& shown) {
    auto frame = pipeline.takeNewest();
    if (!frame)
        return false;
    shown = std::move(frame);
    return true;
}
} // namespace

Result<> takeFreshFrame(PreviewPipeline& pipeline, std::shared_ptr<const VideoFrame>& shown) {
    takeNewest(pipeline, shown);
    if (shown && pipeline.sinceLastFrame() <= kFreshFrame)
        return done();
    if (pipeline.waitForFrame(kGrabWait) && takeNewest(pipeline, shown))
        return done();
    return Failure(shown ? "the capture device has delivered no new picture for " +
                               std::to_string(pipeline.sinceLastFrame().count()) + " ms"
                         : std::string("the capture device has delivered no picture since the "
                                       "preview started"));
}

} // namespace platform
