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

void appendCamera(std::vector<GstElement*>& chain, GstElement* source, const CaptureMode& mode,
                  bool jpeg, const char* rawFormat, std::string& error) {
    const int width = mode.size.width, height = mode.size.height;
    gst::CapsPtr caps = jpeg ? gst::CapsPtr(gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT,
                                                                width, "height", G_TYPE_INT,
                                                                height, nullptr))
                             : rawCaps(width, height, rawFormat);
    // Cameras give their rates as fractions in their own units (333333/10000000, 30000/1001):
    // a whole rate is asked as the range around it.
    if (mode.fps > 0)
        gst_caps_set_simple(caps.get(), "framerate", GST_TYPE_FRACTION_RANGE, 2 * mode.fps - 1, 2,
                            2 * mode.fps + 1, 2, nullptr);
    chain.insert(chain.end(), {source, capsFilter(std::move(caps), error)});
    if (jpeg)
        chain.push_back(make("jpegdec", error));
    chain.insert(chain.end(), {make("videoconvert", error),
                               capsFilter(rawCaps(width, height, "BGRx"), error)});
}

} // namespace platform::pipeline
