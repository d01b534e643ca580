#pragma once

#include "platform/capture/CaptureMode.h"

#include <gst/gst.h>

#include <cstdint>
#include <string>
#include <vector>

// The camera nodes a PipeWire daemon offers, seen through GStreamer's PipeWire device
// provider.
namespace platform::pipewire {

// A picture size a node offers, with its frame rates (as the node gives them, ascending).
struct NodeMode {
    PictureSize size;
    std::vector<FrameRate> rates;
};

// One pixel format of a node: raw pixels in a GStreamer format, or a JPEG stream.
struct NodeFormat {
    std::uint32_t fourcc = 0;
    // The GStreamer name of the raw format ("YUY2"); empty for JPEG.
    std::string rawFormat;
    bool compressed = false;
    // Ascending by size.
    std::vector<NodeMode> modes;
};

// A node of class Video/Source with the camera role.
struct CameraNode {
    std::string description;
    // The node's stable name, which a stream asks for as its target.
    std::string nodeName;
    // Set when the node stands for a V4L2 device: its node and bus.
    std::string v4l2Path;
    std::string busInfo;
    std::vector<NodeFormat> formats;
    // What the node offers first: the format it prefers.
    CaptureMode preferred;
};

// The formats in the node's caps, in the node's own order; sizes and rates given as ranges
// are offered by their ends and the common values between.
std::vector<NodeFormat> formatsOf(const GstCaps* caps);
// Reads a device of the PipeWire device provider into `node`; false when it is no camera
// (another class or role, or no format a preview can use).
bool readCameraNode(GstDevice* device, CameraNode& node);

} // namespace platform::pipewire
