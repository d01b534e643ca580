#pragma once

#include "platform/Result.h"

#include <memory>
#include <string>

namespace platform {

class PreviewPipeline;
class VideoFrame;

// For a grab: makes `shown` (the frame on show) the newest the pipeline has, and when that is
// no picture of the present, waits a little, asleep, for the next. A failure says why none
// came.
Result<> takeFreshFrame(PreviewPipeline& pipeline, std::shared_ptr<const VideoFrame>& shown);

} // namespace platform
