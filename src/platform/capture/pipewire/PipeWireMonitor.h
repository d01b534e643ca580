#pragma once

#include "platform/capture/CaptureDriver.h"
#include "platform/capture/pipewire/PipeWireNodes.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the running PipeWire daemon offers and tells, heard through one monitor of
// GStreamer's PipeWire device provider for the whole process.
namespace platform::pipewire {

// Whether a daemon's socket is there to connect to, as a PipeWire client finds it.
bool daemonSocketPresent();
// The camera nodes of the running daemon, found within `bound`; none when no daemon runs,
// when the PipeWire elements are not installed, or when the daemon does not answer in time.
std::vector<CameraNode> cameraNodes(std::chrono::milliseconds bound);
// Whether the daemon offers a node of that name now; asks it for no longer than `bound`.
bool nodePresent(const std::string& nodeName, std::chrono::milliseconds bound);
// The version of the PipeWire library, as the GStreamer elements built on it give it; empty
// when they are not installed.
std::string libraryVersion();

// Watches the node a preview pipeline streams from: when it is not there or goes away, an
// error of the resource domain (not found) is posted on `source`, as a device that has gone
// gives. The watch lasts as long as `source` does. pipewiresrc itself only stops getting
// frames when its node goes.
void watchNode(GstElement* source, const std::string& nodeName);

// Tells, on the interface thread, each time the daemon adds a node of that name (a camera that
// went away and is back); null when no daemon is there to tell.
std::unique_ptr<DeviceWatch> watchAdded(const std::string& nodeName, std::function<void()> added);

} // namespace platform::pipewire
