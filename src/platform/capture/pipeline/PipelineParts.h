#pragma once

#include "platform/capture/CaptureMode.h"
#include "platform/gst/GstHandles.h"

#include <string>
#include <vector>

// Small pieces every driver's part of a preview pipeline is built from.
namespace platform::pipeline {

// The elements of a pipeline being built, in order. It owns them until a bin takes them, so
// that a build given up halfway leaves nothing behind; an element that could not be made is
// never in it (its reason is).
class Chain {
public:
    // A null element is one that could not be made, said by the reason the build carries.
    void add(gst::ElementPtr element) {
        if (element)
            elements_.push_back(std::move(element));
    }
    // Moves every element into the bin and links each to the next; those not reached when a
    // link fails go with the chain.
    bool moveInto(GstBin* bin, std::string& error);

private:
    std::vector<gst::ElementPtr> elements_;
};

// A new element of that factory, or null with the reason in `error` (the first one kept).
gst::ElementPtr make(const char* factory, std::string& error);
// Raw video of that size, in that format when one is given.
gst::CapsPtr rawCaps(int width, int height, const char* format);
gst::ElementPtr capsFilter(gst::CapsPtr caps, std::string& error);

// How a camera's pictures come: raw pixels, or a stream to decode.
enum class Encoding { Raw, Jpeg, H264 };

// A camera's part: its source, a filter asking for the mode's size in that encoding (raw in
// the format named, any when null) at the mode's rate, a decoder where needed, and the
// conversion to BGRx frames of the mode's size.
void appendCamera(Chain& chain, gst::ElementPtr source, const CaptureMode& mode, Encoding encoding,
                  const char* rawFormat, std::string& error);

} // namespace platform::pipeline
