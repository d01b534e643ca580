#include "platform/gst/GstHandles.h"

#include <mutex>

namespace platform::gst {

void ensureInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

} // namespace platform::gst
