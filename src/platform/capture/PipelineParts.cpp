#include "platform/capture/PipelineParts.h"

namespace platform::pipeline {

GstElement* make(const char* factory, std::string& error) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element && error.empty())
        error = std::string("the GStreamer element \"") + factory + "\" is not installed";
    return element;
}

gst::CapsPtr rawCaps(int width, int height, const char* format) {
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, width, "height",
                                        G_TYPE_INT, height, nullptr);
    if (format)
        gst_caps_set_simple(caps, "format", G_TYPE_STRING, format, nullptr);
    return gst::CapsPtr(caps);
}

GstElement* capsFilter(gst::CapsPtr caps, std::string& error) {
    GstElement* filter = make("capsfilter", error);
    if (filter)
        g_object_set(filter, "caps", caps.get(), nullptr);
    return filter;
}

} // namespace platform::pipeline
