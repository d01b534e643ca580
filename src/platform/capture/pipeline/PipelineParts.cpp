#include "platform/capture/pipeline/PipelineParts.h"

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
                  Encoding encoding, const char* rawFormat, std::string& error) {
    const int width = mode.size.width, height = mode.size.height;
    gst::CapsPtr caps;
    switch (encoding) {
    case Encoding::Jpeg:
        caps.reset(gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, width, "height",
                                       G_TYPE_INT, height, nullptr));
        break;
    case Encoding::H264:
        // What a camera's H.264 node gives: a byte stream of whole pictures.
        caps.reset(gst_caps_new_simple("video/x-h264", "width", G_TYPE_INT, width, "height",
                                       G_TYPE_INT, height, "stream-format", G_TYPE_STRING,
                                       "byte-stream", nullptr));
        break;
    case Encoding::Raw:
        caps = rawCaps(width, height, rawFormat);
        break;
    }
    // The device's own interval, exactly: a camera's 30000/1001 is not 30/1.
    if (mode.rate.isSet())
        gst_caps_set_simple(caps.get(), "framerate", GST_TYPE_FRACTION, mode.rate.frames,
                            mode.rate.seconds, nullptr);
    chain.insert(chain.end(), {source, capsFilter(std::move(caps), error)});
    if (encoding == Encoding::Jpeg)
        chain.push_back(make("jpegdec", error));
    if (encoding == Encoding::H264)
        chain.insert(chain.end(), {make("h264parse", error), make("avdec_h264", error)});
    chain.insert(chain.end(),
                 {make("videoconvert", error), capsFilter(rawCaps(width, height, "BGRx"), error)});
}

} // namespace platform::pipeline
