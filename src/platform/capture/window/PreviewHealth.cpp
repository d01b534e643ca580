#include "platform/capture/window/PreviewHealth.h"

#include <utility>

namespace platform {

namespace {
// A running preview without a frame for this long has stalled.
constexpr std::chrono::milliseconds kStall{3000};
// A camera's first picture may take seconds at a large size: this long before the preview is
// said to have stopped, and after this long it is said to be starting.
constexpr std::chrono::milliseconds kFirstFrame{10000};
constexpr std::chrono::milliseconds kStartingNote{1000};
} // namespace

PreviewHealth::News PreviewHealth::look(bool arrived, bool first,
                                        std::chrono::milliseconds silence) {
    News news;
    if (arrived) {
        stalled_ = false;
        news.started = std::exchange(starting_, false);
    } else if (first && !starting_ && !stalled_ && silence > kStartingNote) {
        starting_ = news.starting = true;
    }
    const std::chrono::milliseconds bound = first ? kFirstFrame : kStall;
    if (!arrived && !stalled_ && silence > bound) {
        stalled_ = true;
        starting_ = false;
        news.stalledAfter = bound;
    }
    return news;
}

} // namespace platform
