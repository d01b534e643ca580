#include "platform/capture/pipeline/PipelineParts.h"

namespace platform::pipeline {

Result<> Chain::moveInto(GstBin* bin) {
    if (failure_) {
        elements_.clear();
        return *failure_;
    }
    GstElement* previous = nullptr;
    for (gst::ElementPtr& element : elements_) {
        // The bin takes a reference of its own; the chain's goes with the handle.
        GstElement* added = element.get();
        gst_bin_add(bin, added);
        element.reset();
        if (previous && !gst_element_link(previous, added)) {
            elements_.clear();
            return Failure("the preview pipeline could not be linked");
        }
        previous = added;
    }
    elements_.clear();
    return done();
}

Result<gst::ElementPtr> make(const char* factory) {
    gst::ElementPtr element = gst::sunk(gst_element_factory_make(factory, nullptr));
    if (!element)
        return Failure(std::string("the GStreamer element \"") + factory + "\" is not installed");
    return element;
}

gst::CapsPtr rawCaps(int width, int height, const char* format) {
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "width", G_TYPE_INT, width, "height",
                                        G_TYPE_INT, height, nullptr);
    if (format)
        gst_caps_set_simple(caps, "format", G_TYPE_STRING, format, nullptr);
    return gst::CapsPtr(caps);
}

Result<gst::ElementPtr> capsFilter(gst::CapsPtr caps) {
    Result<gst::ElementPtr> filter = make("capsfilter");
    if (filter)
        g_object_set(filter->get(), "caps", caps.get(), nullptr);
    return filter;
}

void appendCamera(Chain& chain, Result<gst::ElementPtr> source, const CaptureMode& mode,
                  Encoding encoding, const char* rawFormat) {
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
    chain.add(std::move(source));
    chain.add(capsFilter(std::move(caps)));
    if (encoding == Encoding::Jpeg)
        chain.add(make("jpegdec"));
    if (encoding == Encoding::H264) {
        chain.add(make("h264parse"));
        chain.add(make("avdec_h264"));
    }
    chain.add(make("videoconvert"));
    chain.add(capsFilter(rawCaps(width, height, "BGRx")));
}

} // namespace platform::pipeline
