#pragma once

#include "platform/capture/CaptureDriver.h"

#include <chrono>

namespace platform {

// How a running preview is doing, judged at each look from whether a frame has come: a
// device that takes its time over its first picture is starting, and one silent for too long
// has stalled. Each is said once, until frames come again.
class PreviewHealth {
public:
    // `firstPictureWithin`: how long the first picture may take before the preview is said
    // to have stopped.
    explicit PreviewHealth(std::chrono::milliseconds firstPictureWithin = kCameraFirstPicture)
        : firstPictureWithin_(firstPictureWithin) {}

    // What a look finds to say, in this order.
    struct News {
        // The first picture has come after the device was said to be starting.
        bool started = false;
        bool starting = false;
        // The silence after which the preview is said to have stalled; zero when it has not.
        std::chrono::milliseconds stalledAfter{0};
    };

    // `arrived`: a frame has come since the last look; `first`: none has come since the
    // preview started; `silence`: how long ago the last one came, or the preview started.
    News look(bool arrived, bool first, std::chrono::milliseconds silence);
    // The preview starts anew.
    void reset() { stalled_ = starting_ = false; }

private:
    std::chrono::milliseconds firstPictureWithin_;
    bool stalled_ = false;
    bool starting_ = false;
};

} // namespace platform
