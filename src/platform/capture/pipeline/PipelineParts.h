#pragma once

#include "platform/Result.h"
#include "platform/capture/CaptureMode.h"
#include "platform/gst/GstHandles.h"

#include <optional>
#include <vector>

// Small pieces every driver's part of a preview pipeline is built from.
namespace platform::pipeline {

// The elements of a pipeline being built, in order. It owns them until a bin takes them, so
// that a build given up halfway leaves nothing behind; an element that could not be made is
// never in it: the chain keeps the reason instead (the first one), and no bin gets any of it.
class Chain {
public:
    void add(Result<gst::ElementPtr> element) {
        if (element)
            elements_.push_back(std::move(element).value());
        else
            fail(element.failure());
    }
    // Gives the build up for that reason; the first reason given is the one said.
    void fail(Failure why) {
        if (!failure_)
            failure_ = std::move(why);
    }
    // Moves every element into the bin and links each to the next; those not reached when a
    // link fails go with the chain. Nothing is moved when the build was given up.
    Result<> moveInto(GstBin* bin);

private:
    std::vector<gst::ElementPtr> elements_;
    std::optional<Failure> failure_;
};

// A new element of that factory, or why there is none.
Result<gst::ElementPtr> make(const char* factory);
// Raw video of that size, in that format when one is given.
gst::CapsPtr rawCaps(int width, int height, const char* format);
Result<gst::ElementPtr> capsFilter(gst::CapsPtr caps);

// How a camera's pictures come: raw pixels, or a stream to decode.
enum class Encoding { Raw, Jpeg, H264 };

// A camera's part: its source, a filter asking for the mode's size in that encoding (raw in
// the format named, any when null) at the mode's rate, a decoder where needed, and the
// conversion to BGRx frames of the mode's size.
void appendCamera(Chain& chain, Result<gst::ElementPtr> source, const CaptureMode& mode,
                  Encoding encoding, const char* rawFormat);

} // namespace platform::pipeline
