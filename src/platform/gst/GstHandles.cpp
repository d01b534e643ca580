#include "platform/gst/GstHandles.h"

#include <mutex>

namespace platform::gst {

void ensureInitialised() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

ElementPtr sunk(GstElement* element) {
    return ElementPtr(element ? GST_ELEMENT(gst_object_ref_sink(element)) : nullptr);
}

ErrorPtr errorOf(GstMessage* message) {
    GError* error = nullptr;
    if (message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        gst_message_parse_error(message, &error, nullptr);
    return ErrorPtr(error);
}

} // namespace platform::gst
