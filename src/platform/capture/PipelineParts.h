#pragma once

#include "platform/gst/GstHandles.h"

#include <string>

// Small pieces every driver's part of a preview pipeline is built from.
namespace platform::pipeline {

// A new element of that factory, or null with the reason in `error` (the first one kept).
GstElement* make(const char* factory, std::string& error);
// Raw video of that size, in that format when one is given.
gst::CapsPtr rawCaps(int width, int height, const char* format);
GstElement* capsFilter(gst::CapsPtr caps, std::string& error);

} // namespace platform::pipeline
