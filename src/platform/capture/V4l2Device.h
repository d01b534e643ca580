#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::v4l2 {

struct DeviceInfo {
    std::string path;
    std::string card;
    std::string driverVersion;
};

struct Format {
    int width = 0;
    int height = 0;
    bool mjpeg = false;
};

// Video-capture devices of this machine, in device-number order (/dev/video0 first).
// Nodes that are not capture nodes (metadata, output, codecs) are left out.
std::vector<DeviceInfo> captureDevices();

// The device's current capture format, or nothing when the node cannot be queried.
std::optional<Format> currentFormat(const std::string& path);

// "major.minor.patch" of a V4L2 driver version number.
std::string versionText(std::uint32_t version);

} // namespace platform::v4l2
