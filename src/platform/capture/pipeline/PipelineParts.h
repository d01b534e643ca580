#pragma once

#include "platform/capture/CaptureMode.h"
#include "platform/gst/GstHandles.h"

#include <string>
#include <vector>

// Small pieces every driver's part of a preview pipeline is built from.
namespace platform::pipeline {

// A new element of that factory, or null with the reason in `error` (the first one kept).
GstElement* make(const char* factory, std::string& error);
// Raw video of that size, in that format when one is given.
gst::CapsPtr rawCaps(int width, int height, const char* format);
GstElement* capsFilter(gst::CapsPtr caps, std::string& error);

// How a camera's pictures come: raw pixels, or a stream to decode.
enum class Encoding { Raw, Jpeg, H264 };

// A camera's part: its source, a filter asking for the mode's size in that encoding (raw in
// the format named, any when null) at the mode's rate, a decoder where needed, and the
// conversion to BGRx frames of the mode's size.
void appendCamera(std::vector<GstElement*>& chain, GstElement* source, const CaptureMode& mode,
                  Encoding encoding, const char* rawFormat, std::string& error);

} // namespace platform::pipeline
