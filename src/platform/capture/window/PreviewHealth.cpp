#include "platform/capture/window/PreviewHealth.h"

#include <utility>

namespace platform {

namespace {
// A running preview without a frame for this long has stalled.
constexpr std::chrono::milliseconds kStall{3000};
// A first picture this slow in coming is said to be starting.
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
    const std::chrono::milliseconds bound = first ? firstPictureWithin_ : kStall;
    if (!arrived && !stalled_ && silence > bound) {
        stalled_ = true;
        starting_ = false;
        news.stalledAfter = bound;
    }
    return news;
}

} // namespace platform
