#pragma once

#include "platform/capture/CaptureMode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::v4l2 {

struct DeviceInfo {
    std::string path;
    std::string card;
    std::string driverVersion;
    std::string busInfo;
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

// The sizes the device offers in its compressed (MJPEG) or raw formats, ascending; a
// device that gives ranges instead of a list offers its current size only.
std::vector<PictureSize> frameSizes(const std::string& path, bool compressed);
// The frame rates (frames per second, whole) the device offers at that size, ascending.
std::vector<int> frameRates(const std::string& path, bool compressed, PictureSize size);
// Whether the device offers compressed and raw formats at all.
struct Formats {
    bool compressed = false;
    bool raw = false;
};
Formats formats(const std::string& path);

// One of the device's picture controls (brightness, contrast, ...).
struct Control {
    std::uint32_t id = 0;
    enum class Kind { Integer, Boolean, Menu } kind = Kind::Integer;
    std::string name;
    int minimum = 0, maximum = 0, step = 1, defaultValue = 0, value = 0;
    // Menu entries by their value.
    std::vector<std::pair<int, std::string>> menu;
};
std::vector<Control> controls(const std::string& path);
bool setControl(const std::string& path, std::uint32_t id, int value);

// The device's video inputs, and the one in use (-1 when it does not say).
std::vector<std::string> inputs(const std::string& path);
int currentInput(const std::string& path);
bool setInput(const std::string& path, int index);

} // namespace platform::v4l2
