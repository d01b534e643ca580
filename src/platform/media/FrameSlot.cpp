#include "platform/media/FrameSlot.h"

#include <QWidget>

namespace platform {

void FrameSlot::put(gst::SamplePtr sample) {
    std::lock_guard lock(mutex);
    newest = std::move(sample);
    // Posted under the lock: the surface clears `repaint` under it before it goes, and a
    // call posted before that is dropped with the surface.
    if (QWidget* target = repaint)
        QMetaObject::invokeMethod(
            target, [target] { target->update(); }, Qt::QueuedConnection);
}

} // namespace platform
